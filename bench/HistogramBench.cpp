// Histogram operations on the 4000 x 3000 test photo, single-threaded:
// equalisation and normalisation (a counting pass plus a mapping pass)
// beside one pass that reads and writes every byte, and the used-colour
// count beside one pass that only reads every pixel.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>

#include "BenchPhoto.h"
#include "effects/Histogram.h"
#include "image/DibImage.h"

namespace {

using namespace zelvo;

constexpr std::int64_t kBytes = std::int64_t(bench::kPhotoWidth) * bench::kPhotoHeight * 3;

// Runs `op` on a fresh unshared copy of the photo each iteration; the copy
// is made outside the timed region.
void RunOnCopy(benchmark::State& state, const std::function<void(TDibImage&)>& op) {
    for (auto _ : state) {
        state.PauseTiming();
        TDibImage work(bench::Photo());
        work.UniqueDIB();
        state.ResumeTiming();
        op(work);
        benchmark::DoNotOptimize(work.Bits().data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kBytes);
}

void BM_Floor_ReadWritePass(benchmark::State& state) {
    RunOnCopy(state, [](TDibImage& work) {
        const std::size_t bytes = std::size_t(work.Width()) * 3;
        for (int y = 0; y < work.Height(); ++y) {
            std::uint8_t* p = work.ScanLine(y);
            for (std::size_t i = 0; i < bytes; ++i) p[i] = std::uint8_t(p[i] + 1);
        }
    });
}
BENCHMARK(BM_Floor_ReadWritePass)->Unit(benchmark::kMillisecond);

void BM_Equalize(benchmark::State& state) {
    RunOnCopy(state, [](TDibImage& work) { effects::Equalize(work, {}); });
}
BENCHMARK(BM_Equalize)->Unit(benchmark::kMillisecond);

void BM_Normalize(benchmark::State& state) {
    RunOnCopy(state, [](TDibImage& work) { benchmark::DoNotOptimize(effects::Normalize(work, {})); });
}
BENCHMARK(BM_Normalize)->Unit(benchmark::kMillisecond);

// The floor of the colour count: every pixel read once and folded into a
// sum that cannot be optimised away.
void BM_Floor_ReadPass(benchmark::State& state) {
    const TDibImage& photo = bench::Photo();
    for (auto _ : state) {
        std::uint64_t sum = 0;
        for (int y = 0; y < photo.Height(); ++y) {
            const std::uint8_t* p = photo.ScanLineRead(y);
            for (int x = 0; x < photo.Width(); ++x, p += 3)
                sum += std::uint32_t(p[2]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[0]) << 16;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kBytes);
}
BENCHMARK(BM_Floor_ReadPass)->Unit(benchmark::kMillisecond);

void BM_CountColors(benchmark::State& state) {
    const TDibImage& photo = bench::Photo();
    for (auto _ : state) benchmark::DoNotOptimize(effects::CountColors(photo));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kBytes);
}
BENCHMARK(BM_CountColors)->Unit(benchmark::kMillisecond);

void BM_CountHistogram(benchmark::State& state) {
    const TDibImage& photo = bench::Photo();
    effects::THistogram histogram;
    for (auto _ : state) benchmark::DoNotOptimize(effects::CountHistogram(photo, histogram));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kBytes);
}
BENCHMARK(BM_CountHistogram)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
