// Depth conversions of a 4000 x 3000 photo-like picture beside a plain
// memcpy of its bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "image/DibImage.h"

namespace {

using zelvo::TDibImage;

// Smooth gradients with fine grain: the colour statistics of a photograph
// (a few hundred thousand distinct colours), not of white noise.
const TDibImage& Photo() {
    static const TDibImage image = [] {
        TDibImage img;
        img.SetBitCount(24);
        img.SetWidth(4000);
        img.SetHeight(3000);
        std::mt19937 rng(7);
        for (int y = 0; y < 3000; ++y) {
            std::uint8_t* row = img.ScanLine(y);
            for (int x = 0; x < 4000; ++x) {
                const double fx = x / 4000.0, fy = y / 3000.0;
                const int grain = int(rng() % 9) - 4;
                const double r = 128 + 100 * std::sin(fx * 6.1 + fy * 2.3);
                const double g = 128 + 90 * std::sin(fx * 3.7 - fy * 4.1 + 1);
                const double b = 128 + 110 * std::cos(fx * 2.2 + fy * 5.3);
                row[3 * x] = std::uint8_t(std::clamp(int(b) + grain, 0, 255));
                row[3 * x + 1] = std::uint8_t(std::clamp(int(g) + grain, 0, 255));
                row[3 * x + 2] = std::uint8_t(std::clamp(int(r) + grain, 0, 255));
            }
        }
        return img;
    }();
    return image;
}

void BM_Memcpy(benchmark::State& state) {
    const auto bits = Photo().Bits();
    std::vector<std::uint8_t> out(bits.size());
    for (auto _ : state) {
        std::memcpy(out.data(), bits.data(), bits.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bits.size()));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void Convert(benchmark::State& state, zelvo::TDibPixelFormat format, std::uint8_t mode) {
    for (auto _ : state) {
        TDibImage image = Photo();
        image.ConvertMode = mode;
        image.SetPixelFormat(format);
        benchmark::DoNotOptimize(image.Bits().data());
    }
}
void BM_Reduce8Low(benchmark::State& s) { Convert(s, zelvo::dibPf8Bit, 0); }
void BM_Reduce8High(benchmark::State& s) { Convert(s, zelvo::dibPf8Bit, 1); }
void BM_Reduce4Low(benchmark::State& s) { Convert(s, zelvo::dibPf4Bit, 0); }
void BM_HalftoneBW(benchmark::State& s) { Convert(s, zelvo::dibPfHalftoneBW, 0); }
BENCHMARK(BM_Reduce8Low)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce8High)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce4Low)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalftoneBW)->Unit(benchmark::kMillisecond);

}  // namespace

// ZELVO_BENCH_PHOTO=path writes the benchmark picture as a BMP file first,
// so peers can be timed on the same pixels.
int main(int argc, char** argv) {
    if (const char* out = std::getenv("ZELVO_BENCH_PHOTO")) Photo().SaveToFile(out);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
