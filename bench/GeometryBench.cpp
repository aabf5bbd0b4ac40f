// In-process timings of the geometry operations on a 4000 x 3000 photo-sized
// picture, beside one plain read-and-write pass over the same pixels (every
// byte read, changed and written back), which is the floor an operation that
// moves every pixel once can reach. The resampling filters have their own
// program, ResampleBench.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "effects/Geometry.h"

namespace {

using namespace zelvo;

TDibImage Picture(int width, int height, int bits) {
    TDibImage image;
    image.SetBitCount(bits);
    image.SetWidth(width);
    image.SetHeight(height);
    std::mt19937 rng(1);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < image.RowBytes(); ++x) row[x] = std::uint8_t(rng());
    }
    return image;
}

const TDibImage& Photo(int bits) {
    static const TDibImage p24 = Picture(4000, 3000, 24);
    static const TDibImage p8 = Picture(4000, 3000, 8);
    return bits == 24 ? p24 : p8;
}

// In place: every byte read, changed and written back (the floor of Mirror
// and Flip). The row length and pointers are taken once, so the inner loop
// is a plain vectorised pass at memory speed.
void BM_ReadWritePass(benchmark::State& state) {
    TDibImage work = Photo(int(state.range(0)));
    work.UniqueDIB();
    const int rowBytes = work.RowBytes();
    std::vector<std::uint8_t*> rows(std::size_t(work.Height()));
    for (int y = 0; y < work.Height(); ++y) rows[std::size_t(y)] = work.ScanLine(y);
    for (auto _ : state) {
        for (std::uint8_t* row : rows)
            for (int x = 0; x < rowBytes; ++x) row[x] = std::uint8_t(row[x] ^ 0x5A);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReadWritePass)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

// Into a new picture of the same size and depth: every row read once and
// written once to fresh memory (the floor of Rotate90, which also returns a
// new picture).
void BM_CopyPass(benchmark::State& state) {
    const TDibImage& source = Photo(int(state.range(0)));
    for (auto _ : state) {
        TDibImage copy;
        copy.SetBitCount(source.BitCount());
        copy.SetWidth(source.Width());
        copy.SetHeight(source.Height());
        const std::size_t rowBytes = std::size_t(source.RowBytes());
        for (int y = 0; y < source.Height(); ++y) std::memcpy(copy.ScanLine(y), source.ScanLineRead(y), rowBytes);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopyPass)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
    const TDibImage& source = Photo(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(effects::Rotate90(source, true, {}));
}
BENCHMARK(BM_Rotate90)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

// The plain loops, without the SSSE3 blocks.
void BM_Rotate90Portable(benchmark::State& state) {
    const bool previous = effects::SetGeometrySimd(false);
    const TDibImage& source = Photo(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(effects::Rotate90(source, true, {}));
    effects::SetGeometrySimd(previous);
}
BENCHMARK(BM_Rotate90Portable)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_Rotate90CounterClockwise(benchmark::State& state) {
    const TDibImage& source = Photo(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(effects::Rotate90(source, false, {}));
}
BENCHMARK(BM_Rotate90CounterClockwise)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_Mirror(benchmark::State& state) {
    TDibImage work = Photo(int(state.range(0)));
    work.UniqueDIB();
    for (auto _ : state) effects::Mirror(work, {});
}
BENCHMARK(BM_Mirror)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_MirrorPortable(benchmark::State& state) {
    const bool previous = effects::SetGeometrySimd(false);
    TDibImage work = Photo(int(state.range(0)));
    work.UniqueDIB();
    for (auto _ : state) effects::Mirror(work, {});
    effects::SetGeometrySimd(previous);
}
BENCHMARK(BM_MirrorPortable)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_Flip(benchmark::State& state) {
    TDibImage work = Photo(int(state.range(0)));
    work.UniqueDIB();
    for (auto _ : state) effects::Flip(work, {});
}
BENCHMARK(BM_Flip)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_RotateAngle30(benchmark::State& state) {
    const TDibImage& source = Photo(24);
    effects::RotateAngleParams params;
    params.AngleTenths = 300;
    for (auto _ : state) benchmark::DoNotOptimize(effects::RotateAngle(source, params, {}));
}
BENCHMARK(BM_RotateAngle30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
