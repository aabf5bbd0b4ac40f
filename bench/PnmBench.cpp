// Netpbm read and write of the 4000 x 3000 photo from and to memory
// streams: P6 (the red-blue swap of whole rows), P7 RGB (the CLI's decode
// output), P5 from an 8-bit grey picture and P6 at maxval 65535 (the lookup
// path). BmpBench's BM_Memcpy24 copies the same 36 MB: the speed the 8-bit
// forms should come near.
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchPhoto.h"
#include "formats/PnmCodec.h"
#include "image/Stream.h"

namespace {

using namespace zelvo;
using bench::Photo;

std::vector<std::uint8_t> FileOf(const TDibImage& picture, TPnmForm form) {
    TMemoryStream stream;
    SavePnmPicture(picture, stream, form);
    return stream.Data();
}

const TDibImage& GreyPhoto() {
    static const TDibImage grey = [] {
        // The photo's green channel over a grey ramp.
        TDibImage g;  // 8 bits, 256 colours
        g.SetWidth(bench::kPhotoWidth);
        g.SetHeight(bench::kPhotoHeight);
        for (int y = 0; y < bench::kPhotoHeight; ++y) {
            const std::uint8_t* src = Photo().ScanLineRead(y);
            std::uint8_t* dst = g.ScanLine(y);
            for (int x = 0; x < bench::kPhotoWidth; ++x) dst[x] = src[3 * x + 1];
        }
        std::vector<TRGBQuad> ramp(256);
        for (int i = 0; i < 256; ++i) ramp[std::size_t(i)] = TRGBQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
        g.SetColorTable(ramp);
        return g;
    }();
    return grey;
}

// The photo as P6 with 16-bit samples (each level v written as v x 257).
std::vector<std::uint8_t> Photo16() {
    const auto eight = FileOf(Photo(), TPnmForm::Ppm);
    const std::string header = "P6\n4000 3000\n65535\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    for (std::size_t i = std::string("P6\n4000 3000\n255\n").size(); i < eight.size(); ++i) {
        out.push_back(eight[i]);
        out.push_back(eight[i]);
    }
    return out;
}

void Read(benchmark::State& state, const std::vector<std::uint8_t>& file) {
    TMemoryStream stream(file);
    for (auto _ : state) {
        stream.SetPosition(0);
        const TDibImage picture = LoadPnmPicture(stream);
        benchmark::DoNotOptimize(picture.Bits().data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

void Write(benchmark::State& state, const TDibImage& picture, TPnmForm form) {
    TMemoryStream stream;
    stream.Data().reserve(std::size_t(picture.Width()) * std::size_t(picture.Height()) * 3 + 4096);
    for (auto _ : state) {
        stream.Clear();
        SavePnmPicture(picture, stream, form);
        benchmark::DoNotOptimize(stream.Data().data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(stream.Data().size()));
}

void BM_ReadP6(benchmark::State& s) { Read(s, FileOf(Photo(), TPnmForm::Ppm)); }
void BM_ReadP7(benchmark::State& s) { Read(s, FileOf(Photo(), TPnmForm::PamRgb)); }
void BM_ReadP5(benchmark::State& s) { Read(s, FileOf(GreyPhoto(), TPnmForm::Pgm)); }
void BM_ReadP6Maxval65535(benchmark::State& s) { Read(s, Photo16()); }
void BM_WriteP6(benchmark::State& s) { Write(s, Photo(), TPnmForm::Ppm); }
void BM_WriteP7(benchmark::State& s) { Write(s, Photo(), TPnmForm::PamRgb); }
void BM_WriteP5(benchmark::State& s) { Write(s, GreyPhoto(), TPnmForm::Pgm); }

BENCHMARK(BM_ReadP6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadP7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadP5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadP6Maxval65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteP6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteP7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteP5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
