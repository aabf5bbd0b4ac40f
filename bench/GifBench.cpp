// GIF benchmarks on the 4000 x 3000 photo: the octree reduction to 256
// colours (no dithering), the whole GIF save (reduction, map optimisation,
// LZW) and decoding the saved file.
//
// The whole-process comparison with other tools runs zelvo-cli on the same
// photo written as PPM (see the report of the change that added this file).
#include <benchmark/benchmark.h>

#include "BenchPhoto.h"
#include "formats/ColorQuantizer.h"
#include "formats/GifImage.h"

namespace zelvo::bench {
namespace {

const TDibImage& Photo() {
    static const TDibImage photo = MakePhoto();
    return photo;
}

void BM_ReduceTo256(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReduceColors(Photo(), 7, 0, 8));
}
BENCHMARK(BM_ReduceTo256)->Unit(benchmark::kMillisecond);

void BM_SaveGif(benchmark::State& state) {
    for (auto _ : state) {
        TMemoryStream out;
        SaveGifPicture(Photo(), out, false, 0, false);
        benchmark::DoNotOptimize(out.Data().data());
    }
}
BENCHMARK(BM_SaveGif)->Unit(benchmark::kMillisecond);

void BM_LoadGif(benchmark::State& state) {
    TMemoryStream file;
    SaveGifPicture(Photo(), file, false, 0, false);
    for (auto _ : state) {
        file.SetPosition(0);
        TGIFImage gif;
        gif.LoadFromStream(file);
        benchmark::DoNotOptimize(gif.ToDibImage());
    }
}
BENCHMARK(BM_LoadGif)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelvo::bench

BENCHMARK_MAIN();
