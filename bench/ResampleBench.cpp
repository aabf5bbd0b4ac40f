// In-process timings of the filtered resampling: every filter down
// (4000 x 3000 -> 1000 x 750) and up (1000 x 750 -> 4000 x 3000), the
// nearest-pixel stretch for comparison, and one odd-sized case (a width
// that is no multiple of the vertical pass's strip or of four pixels).
//
//   ResampleBench --benchmark_filter=Lanczos3
//
// The pictures are seeded noise; the time does not depend on the content.

#include <benchmark/benchmark.h>

#include <random>

#include "effects/Resample.h"

namespace {

using namespace zelvo;

TDibImage Noise(int width, int height) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(width);
    image.SetHeight(height);
    std::mt19937 rng(7);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < width * 3; ++x) row[x] = std::uint8_t(rng());
    }
    return image;
}

const TDibImage& Big() {
    static const TDibImage image = Noise(4000, 3000);
    return image;
}

const TDibImage& Small() {
    static const TDibImage image = Noise(1000, 750);
    return image;
}

// Built before any timing starts.
[[maybe_unused]] const bool kPicturesReady = (Big(), Small(), true);

void SetName(benchmark::State& state) {
    state.SetLabel(effects::FilterInfo(effects::TResampleFilter(state.range(0))).Name);
}

void BM_ResampleDown(benchmark::State& state) {
    const auto filter = effects::TResampleFilter(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(effects::Resample(Big(), filter, 1000, 750, {}));
    SetName(state);
}
BENCHMARK(BM_ResampleDown)->DenseRange(0, effects::kResampleFilterCount - 1)->Unit(benchmark::kMillisecond);

void BM_ResampleUp(benchmark::State& state) {
    const auto filter = effects::TResampleFilter(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(effects::Resample(Small(), filter, 4000, 3000, {}));
    SetName(state);
}
BENCHMARK(BM_ResampleUp)->DenseRange(0, effects::kResampleFilterCount - 1)->Unit(benchmark::kMillisecond);

// The portable form (no AVX2) of the Lanczos3 cases.
void BM_Lanczos3Portable(benchmark::State& state) {
    const bool previous = effects::SetResampleAvx2(false);
    const bool down = state.range(0) == 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(down ? effects::Resample(Big(), effects::rfLanczos3, 1000, 750, {})
                                      : effects::Resample(Small(), effects::rfLanczos3, 4000, 3000, {}));
    effects::SetResampleAvx2(previous);
    state.SetLabel(down ? "down" : "up");
}
BENCHMARK(BM_Lanczos3Portable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Lanczos3OddSizes(benchmark::State& state) {
    static const TDibImage source = Noise(2999, 2001);
    for (auto _ : state) benchmark::DoNotOptimize(effects::Resample(source, effects::rfLanczos3, 1283, 3001, {}));
}
BENCHMARK(BM_Lanczos3OddSizes)->Unit(benchmark::kMillisecond);

void BM_StretchResizeDown(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(effects::StretchResize(Big(), 1000, 750));
}
BENCHMARK(BM_StretchResizeDown)->Unit(benchmark::kMillisecond);

void BM_StretchResizeUp(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(effects::StretchResize(Small(), 4000, 3000));
}
BENCHMARK(BM_StretchResizeUp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
