// PNG decode and encode of a 4000 x 3000 photo through the codec, beside
// zlib alone doing the inflate or deflate of the same image data, so the
// cost of unfiltering, filter choice and pixel conversion shows as the
// difference.
//
// The same program writes the test photo for whole-process comparisons:
//   PngBench --write-photo photo.png photo.bmp
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchPhoto.h"
#include "formats/PngImage.h"
#include "image/Stream.h"

namespace {

using namespace zelvo;

constexpr std::int64_t kPixels = std::int64_t(bench::kPhotoWidth) * bench::kPhotoHeight;

std::vector<std::uint8_t> EncodePhoto(bool interlaced) {
    TMemoryStream stream;
    SavePngPicture(bench::Photo(), stream, false, 0, interlaced);
    return stream.Data();
}

const std::vector<std::uint8_t>& PhotoPng(bool interlaced) {
    static const std::vector<std::uint8_t> plain = EncodePhoto(false);
    static const std::vector<std::uint8_t> adam7 = EncodePhoto(true);
    return interlaced ? adam7 : plain;
}

std::uint32_t Big32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The zlib stream of the photo's IDAT chunks, and the filtered rows it holds.
struct TImageData {
    std::vector<std::uint8_t> Compressed;
    std::vector<std::uint8_t> Filtered;
};

const TImageData& PhotoImageData() {
    static const TImageData data = [] {
        TImageData d;
        const std::vector<std::uint8_t>& file = PhotoPng(false);
        for (std::size_t pos = 8; pos + 12 <= file.size();) {
            const std::uint32_t length = Big32(&file[pos]);
            if (std::memcmp(&file[pos + 4], "IDAT", 4) == 0)
                d.Compressed.insert(d.Compressed.end(), file.begin() + long(pos + 8),
                                    file.begin() + long(pos + 8 + length));
            pos += 12 + length;
        }
        d.Filtered.resize(std::size_t(bench::kPhotoHeight) * (std::size_t(bench::kPhotoWidth) * 3 + 1));
        uLongf size = uLongf(d.Filtered.size());
        if (uncompress(d.Filtered.data(), &size, d.Compressed.data(), uLong(d.Compressed.size())) != Z_OK ||
            size != d.Filtered.size())
            throw std::runtime_error("the photo's image data does not inflate");
        return d;
    }();
    return data;
}

// --- zlib alone -------------------------------------------------------------------

void BM_ZlibInflate(benchmark::State& state) {
    const TImageData& data = PhotoImageData();
    std::vector<std::uint8_t> out(data.Filtered.size());
    for (auto _ : state) {
        uLongf size = uLongf(out.size());
        if (uncompress(out.data(), &size, data.Compressed.data(), uLong(data.Compressed.size())) != Z_OK)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

// The codec's deflate settings: zlib's defaults (level 6, 32 KB window,
// memory level 8, default strategy).
void BM_ZlibDeflate(benchmark::State& state) {
    const TImageData& data = PhotoImageData();
    std::vector<std::uint8_t> out(compressBound(uLong(data.Filtered.size())));
    std::size_t produced = 0;
    for (auto _ : state) {
        z_stream z{};
        if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) state.SkipWithError("deflateInit failed");
        z.next_in = const_cast<Bytef*>(data.Filtered.data());
        z.avail_in = uInt(data.Filtered.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("deflate failed");
        produced = z.total_out;
        deflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = double(produced);
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_ZlibDeflate)->Unit(benchmark::kMillisecond);

// --- the codec ------------------------------------------------------------------

// Arg: 0 plain, 1 Adam7.
void BM_PngDecode(benchmark::State& state) {
    const std::vector<std::uint8_t>& file = PhotoPng(state.range(0) != 0);
    for (auto _ : state) {
        TMemoryStream stream(file);
        TDibImage picture;
        LoadPngPicture(stream, picture);
        benchmark::DoNotOptimize(picture.Bits().data());
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_PngDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Arg: 0 plain, 1 Adam7.
void BM_PngEncode(benchmark::State& state) {
    const TDibImage& photo = bench::Photo();
    std::size_t produced = 0;
    for (auto _ : state) {
        TMemoryStream stream;
        SavePngPicture(photo, stream, false, 0, state.range(0) != 0);
        produced = stream.Data().size();
        benchmark::DoNotOptimize(stream.Data().data());
    }
    state.counters["bytes"] = double(produced);
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_PngEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "--write-photo" && argc == 4) {
            TFileStream png(argv[2], TFileStream::Mode::fmCreate);
            png.WriteBuffer(PhotoPng(false).data(), PhotoPng(false).size());
            bench::Photo().SaveToFile(argv[3]);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
