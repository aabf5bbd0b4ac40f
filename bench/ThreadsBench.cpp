// The operations that run in bands on the thread pool, with one thread and
// with two, on the 4000 x 3000 photo: wall-clock time per operation (the
// bands run on other threads than the benchmark's own, so CPU time would
// miss them). The ratio of the two rows of a case is the gain of the second
// thread; on a machine busy with other work it is smaller.
//
//   ThreadsBench --benchmark_filter='Lanczos3|Median|Gaussian' --benchmark_repetitions=3

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "BenchPhoto.h"
#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Convolution.h"
#include "effects/Geometry.h"
#include "effects/RankFilter.h"
#include "effects/Resample.h"
#include "effects/Tone.h"
#include "formats/ColorQuantizer.h"
#include "image/DibImage.h"
#include "image/RowBands.h"

namespace {

using namespace zelvo;
using namespace zelvo::effects;

// Runs `op` with state.range(0) threads on a fresh unshared copy of the
// photo each iteration; the copy is made outside the timed region.
void Run(benchmark::State& state, const std::function<void(TDibImage&)>& op) {
    SetWorkerThreads(int(state.range(0)));
    const TDibImage& photo = bench::Photo();
    for (auto _ : state) {
        state.PauseTiming();
        TDibImage work(photo);
        work.UniqueDIB();
        state.ResumeTiming();
        op(work);
        benchmark::DoNotOptimize(work.Bits().data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(state.range(0)) + " thread" + (state.range(0) == 1 ? "" : "s"));
    SetWorkerThreads(0);
}

void BM_Lanczos3Down(benchmark::State& s) {
    Run(s, [](TDibImage& w) { benchmark::DoNotOptimize(Resample(w, rfLanczos3, 1000, 750, {})); });
}
void BM_Median5(benchmark::State& s) { Run(s, [](TDibImage& w) { Median(w, {5}); }); }
void BM_GaussianBlur3(benchmark::State& s) { Run(s, [](TDibImage& w) { GaussianBlur(w, {3}); }); }
void BM_GaussianBlur5(benchmark::State& s) { Run(s, [](TDibImage& w) { GaussianBlur(w, {5}); }); }
void BM_Blur1(benchmark::State& s) { Run(s, [](TDibImage& w) { Blur(w, {1}); }); }
void BM_Blur8(benchmark::State& s) { Run(s, [](TDibImage& w) { Blur(w, {8}); }); }
void BM_Noise(benchmark::State& s) { Run(s, [](TDibImage& w) { Noise(w, {100, false}); }); }
void BM_Button3D(benchmark::State& s) { Run(s, [](TDibImage& w) { Button3D(w, {6, true, true, 3}); }); }
void BM_Block(benchmark::State& s) { Run(s, [](TDibImage& w) { Block(w, {5, 3, true, false, true}); }); }
void BM_Scetch(benchmark::State& s) { Run(s, [](TDibImage& w) { Scetch(w, {}); }); }
void BM_SpotLight(benchmark::State& s) { Run(s, [](TDibImage& w) { SpotLight(w, {20, 30, 2.5, 40}); }); }
void BM_Blind(benchmark::State& s) { Run(s, [](TDibImage& w) { Blind(w, {7, clRed, 3, 0, true}); }); }
void BM_Sharpen10(benchmark::State& s) { Run(s, [](TDibImage& w) { Sharpen(w, {10}); }); }
void BM_NoiseReduction15(benchmark::State& s) { Run(s, [](TDibImage& w) { NoiseReduction(w, {15, true}); }); }
void BM_OilPaint3(benchmark::State& s) { Run(s, [](TDibImage& w) { OilPaint(w, {3}); }); }
void BM_AdjustHSV(benchmark::State& s) { Run(s, [](TDibImage& w) { AdjustHSV(w, {30, 10, -10}); }); }
// The GIF writer's reduction: octree palette (one thread) and the mapping,
// then the mapping alone onto the photo's palette.
void BM_ReduceColors256(benchmark::State& s) {
    Run(s, [](TDibImage& w) { benchmark::DoNotOptimize(ReduceColors(w, 7, 0, 8)); });
}
void BM_MapColors256(benchmark::State& s) {
    static const std::vector<TQuantColor> palette = OptimizedPalette(bench::Photo(), 256, 8);
    Run(s, [](TDibImage& w) {
        TDibImage out;
        out.SetBitCount(8);
        out.SetWidth(w.Width());
        out.SetHeight(w.Height());
        TFastColorLookup lookup(palette);
        lookup.MapSerpentine(w, out);
        benchmark::DoNotOptimize(out.ScanLine(0));
    });
}
void BM_RotateAngle30(benchmark::State& s) {
    Run(s, [](TDibImage& w) { benchmark::DoNotOptimize(RotateAngle(w, {300, true, clGray, nullptr}, {})); });
}

#define ZELVO_THREADS_BENCH(name) BENCHMARK(name)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond)
ZELVO_THREADS_BENCH(BM_Lanczos3Down);
ZELVO_THREADS_BENCH(BM_Median5);
ZELVO_THREADS_BENCH(BM_GaussianBlur3);
ZELVO_THREADS_BENCH(BM_GaussianBlur5);
ZELVO_THREADS_BENCH(BM_Blur1);
ZELVO_THREADS_BENCH(BM_Blur8);
ZELVO_THREADS_BENCH(BM_Noise);
ZELVO_THREADS_BENCH(BM_Button3D);
ZELVO_THREADS_BENCH(BM_Block);
ZELVO_THREADS_BENCH(BM_Scetch);
ZELVO_THREADS_BENCH(BM_SpotLight);
ZELVO_THREADS_BENCH(BM_Blind);
ZELVO_THREADS_BENCH(BM_Sharpen10);
ZELVO_THREADS_BENCH(BM_NoiseReduction15);
ZELVO_THREADS_BENCH(BM_OilPaint3);
ZELVO_THREADS_BENCH(BM_AdjustHSV);
ZELVO_THREADS_BENCH(BM_RotateAngle30);
ZELVO_THREADS_BENCH(BM_ReduceColors256);
ZELVO_THREADS_BENCH(BM_MapColors256);

}  // namespace

BENCHMARK_MAIN();
