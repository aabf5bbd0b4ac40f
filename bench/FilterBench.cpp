// Neighbourhood filters and the heavier artistic effects on a 4000 x 3000
// 24-bit photo, single-threaded, beside the floor of one pass that reads
// and writes every byte of the same rows.
//
// These numbers are the in-memory cost of the filters alone; whole-process
// timings run zelvo-cli on a BMP file of the same photo.

#include <benchmark/benchmark.h>

#include <functional>

#include "BenchPhoto.h"
#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Convolution.h"
#include "effects/RankFilter.h"
#include "image/DibImage.h"
#include "image/RowBands.h"

namespace {

using namespace zelvo;
using namespace zelvo::effects;

// Runs `op` on one thread on a fresh unshared copy of the photo each
// iteration; the copy is made outside the timed region. ThreadsBench times
// the same filters with more threads.
void Run(benchmark::State& state, const std::function<void(TDibImage&)>& op) {
    SetWorkerThreads(1);
    for (auto _ : state) {
        state.PauseTiming();
        TDibImage work(bench::Photo());
        work.UniqueDIB();
        state.ResumeTiming();
        op(work);
        benchmark::DoNotOptimize(work.Bits().data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bench::kPhotoWidth * bench::kPhotoHeight * 3);
}

void BM_Floor_ReadWritePass(benchmark::State& state) {
    Run(state, [](TDibImage& work) {
        const std::size_t bytes = std::size_t(work.Width()) * 3;
        for (int y = 0; y < work.Height(); ++y) {
            std::uint8_t* p = work.ScanLine(y);
            for (std::size_t i = 0; i < bytes; ++i) p[i] = std::uint8_t(p[i] + 1);
        }
    });
}

void BM_Sharpen10(benchmark::State& s) { Run(s, [](TDibImage& w) { Sharpen(w, {10}); }); }
void BM_Soft(benchmark::State& s) { Run(s, [](TDibImage& w) { Soft(w); }); }
void BM_Emboss10(benchmark::State& s) { Run(s, [](TDibImage& w) { Emboss(w, {10, false, false}); }); }
void BM_Median5(benchmark::State& s) { Run(s, [](TDibImage& w) { Median(w, {5}); }); }
void BM_Median3(benchmark::State& s) { Run(s, [](TDibImage& w) { Median(w, {3}); }); }
void BM_GaussianBlur5(benchmark::State& s) { Run(s, [](TDibImage& w) { GaussianBlur(w, {5}); }); }
void BM_OilPaint3(benchmark::State& s) { Run(s, [](TDibImage& w) { OilPaint(w, {3}); }); }

BENCHMARK(BM_Floor_ReadWritePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sharpen10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Soft)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Emboss10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Median5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Median3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussianBlur5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OilPaint3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
