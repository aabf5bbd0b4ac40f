// BMP load and save of a 4000 x 3000 picture at 24 and 8 bits (from and to
// memory streams) and RLE8 coding, beside a plain memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "image/DibImage.h"
#include "image/DibRle.h"

namespace {

using namespace zelvo;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with fine grain, like a photograph.
const TDibImage& Photo24() {
    static const TDibImage image = [] {
        TDibImage img;
        img.SetBitCount(24);
        img.SetWidth(kWidth);
        img.SetHeight(kHeight);
        std::mt19937 rng(7);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = img.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const double fx = x / double(kWidth), fy = y / double(kHeight);
                const int grain = int(rng() % 9) - 4;
                row[3 * x] = std::uint8_t(std::clamp(int(128 + 110 * std::cos(fx * 2.2 + fy * 5.3)) + grain, 0, 255));
                row[3 * x + 1] = std::uint8_t(std::clamp(int(128 + 90 * std::sin(fx * 3.7 - fy * 4.1 + 1)) + grain, 0, 255));
                row[3 * x + 2] = std::uint8_t(std::clamp(int(128 + 100 * std::sin(fx * 6.1 + fy * 2.3)) + grain, 0, 255));
            }
        }
        return img;
    }();
    return image;
}

// An 8-bit picture of flat colour bands, as a reduced screen shot or chart
// would be: it fits RLE8.
const TDibImage& Bands8() {
    static const TDibImage image = [] {
        TDibImage img;  // 8 bits, 256 colours
        img.SetWidth(kWidth);
        img.SetHeight(kHeight);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = img.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const double v = 128 + 60 * std::sin(x / 300.0 + y / 500.0) + 60 * std::cos(y / 170.0);
                row[x] = std::uint8_t(int(v) / 8 * 8);
            }
        }
        return img;
    }();
    return image;
}

std::vector<std::uint8_t> FileOf(const TDibImage& image) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Data();
}

void Memcpy(benchmark::State& state, const TDibImage& image) {
    const auto bits = image.Bits();
    std::vector<std::uint8_t> out(bits.size());
    for (auto _ : state) {
        std::memcpy(out.data(), bits.data(), bits.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bits.size()));
}

void Load(benchmark::State& state, const TDibImage& image) {
    TMemoryStream stream(FileOf(image));
    for (auto _ : state) {
        stream.SetPosition(0);
        TDibImage loaded;
        loaded.LoadFromStream(stream);
        benchmark::DoNotOptimize(loaded.Bits().data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(image.Bits().size()));
}

void Save(benchmark::State& state, const TDibImage& image) {
    TMemoryStream stream;
    stream.Data().reserve(image.Bits().size() + 2048);
    for (auto _ : state) {
        stream.Clear();
        image.SaveToStream(stream);
        benchmark::DoNotOptimize(stream.Data().data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(image.Bits().size()));
}

void BM_Memcpy24(benchmark::State& s) { Memcpy(s, Photo24()); }
void BM_Load24(benchmark::State& s) { Load(s, Photo24()); }
void BM_Save24(benchmark::State& s) { Save(s, Photo24()); }
void BM_Memcpy8(benchmark::State& s) { Memcpy(s, Bands8()); }
void BM_Load8(benchmark::State& s) { Load(s, Bands8()); }
void BM_Save8(benchmark::State& s) { Save(s, Bands8()); }

void BM_Rle8Encode(benchmark::State& state) {
    const TDibImageData& src = *Bands8().DibData();
    std::size_t coded = 0;
    for (auto _ : state) {
        std::unique_ptr<TDibImageData> out(Convert8BitRGBTo8BitRLE(src));
        coded = out->ImageSize;
        benchmark::DoNotOptimize(out->Bits);
    }
    state.counters["coded_bytes"] = double(coded);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(src.ImageSize));
}

void BM_Rle8Decode(benchmark::State& state) {
    const TDibImageData& src = *Bands8().DibData();
    std::unique_ptr<TDibImageData> coded(Convert8BitRGBTo8BitRLE(src));
    for (auto _ : state) {
        std::unique_ptr<TDibImageData> out(Convert8BitRLETo8BitRGB(*coded));
        benchmark::DoNotOptimize(out->Bits);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(src.ImageSize));
}

BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rle8Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rle8Decode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
