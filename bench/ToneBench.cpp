// Tone and colour mappings on a 4000 x 3000 24-bit picture, single-threaded,
// beside the floor for a per-pixel operation: one pass that reads and
// writes every byte of the same rows.
//
// The picture is photo-like: smooth colour gradients with a little seeded
// noise, so that neighbouring pixels are similar but rarely equal.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>

#include "effects/Tone.h"
#include "image/DibImage.h"

namespace {

using namespace zelvo;
using namespace zelvo::effects;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const TDibImage& Photo() {
    static const TDibImage photo = [] {
        TDibImage image;
        image.SetBitCount(24);
        image.SetWidth(kWidth);
        image.SetHeight(kHeight);
        std::mt19937 rng(1234);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const double fx = x / double(kWidth), fy = y / double(kHeight);
                const double base[3] = {128 + 100 * std::sin(6 * fx + 2 * fy), 128 + 90 * std::cos(4 * fy - 3 * fx),
                                        110 + 80 * std::sin(5 * (fx + fy))};
                for (int c = 0; c < 3; ++c) {
                    const int v = int(base[c]) + int(rng() % 17) - 8;
                    row[x * 3 + c] = std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
                }
            }
        }
        return image;
    }();
    return photo;
}

// Runs `op` on a fresh unshared copy of the picture each iteration; the copy
// is made outside the timed region.
void Run(benchmark::State& state, const std::function<void(TDibImage&)>& op) {
    for (auto _ : state) {
        state.PauseTiming();
        TDibImage work(Photo());
        work.UniqueDIB();
        state.ResumeTiming();
        op(work);
        benchmark::DoNotOptimize(work.Bits().data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kWidth * kHeight * 3);
}

// The floor: every byte of every row read and written once.
void BM_Floor_ReadWritePass(benchmark::State& state) {
    Run(state, [](TDibImage& work) {
        const std::size_t bytes = std::size_t(work.Width()) * 3;
        for (int y = 0; y < work.Height(); ++y) {
            std::uint8_t* p = work.ScanLine(y);
            for (std::size_t i = 0; i < bytes; ++i) p[i] = std::uint8_t(p[i] + 1);
        }
    });
}
BENCHMARK(BM_Floor_ReadWritePass)->Unit(benchmark::kMillisecond);

void BM_Negative(benchmark::State& s) { Run(s, [](TDibImage& w) { Negative(w); }); }
void BM_Grayscale(benchmark::State& s) { Run(s, [](TDibImage& w) { Grayscale(w); }); }
void BM_Sepia(benchmark::State& s) { Run(s, [](TDibImage& w) { Sepia(w); }); }
void BM_SingleColorScale(benchmark::State& s) { Run(s, [](TDibImage& w) { SingleColorScale(w, {clBlue}); }); }
void BM_Brightness(benchmark::State& s) { Run(s, [](TDibImage& w) { Brightness(w, {40}); }); }
void BM_Contrast(benchmark::State& s) { Run(s, [](TDibImage& w) { Contrast(w, {30}); }); }
void BM_AdjustRGB(benchmark::State& s) { Run(s, [](TDibImage& w) { AdjustRGB(w, {10, -20, 30}); }); }
void BM_Posterize(benchmark::State& s) { Run(s, [](TDibImage& w) { Posterize(w, {4}); }); }
void BM_Solarization(benchmark::State& s) { Run(s, [](TDibImage& w) { Solarization(w, {128}); }); }
void BM_Gamma(benchmark::State& s) { Run(s, [](TDibImage& w) { Gamma(w, {2.0}); }); }
void BM_AdjustHSV(benchmark::State& s) { Run(s, [](TDibImage& w) { AdjustHSV(w, {30, 10, -10}); }); }
void BM_Monochrome(benchmark::State& s) { Run(s, [](TDibImage& w) { Monochrome(w, {128, false, true}); }); }
void BM_SwapRGB(benchmark::State& s) { Run(s, [](TDibImage& w) { SwapRGB(w); }); }
void BM_XORConvert(benchmark::State& s) { Run(s, [](TDibImage& w) { XORConvert(w); }); }

BENCHMARK(BM_Negative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grayscale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sepia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleColorScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Brightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustRGB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Posterize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Solarization)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gamma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustHSV)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Monochrome)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwapRGB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XORConvert)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
