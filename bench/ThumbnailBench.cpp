// Thumbnails of a folder of 200 JPEG photos of 3 megapixels (2048 x 1536,
// quality 90, each a different crop of the shared test photo): the first
// opening (every photo decoded at the reduced scale the thumbnail allows,
// shrunk and centred; with one loading thread and with two), the same with
// every photo decoded at full size for comparison, writing the cache, and
// the second opening (the folder's stamp and the cache read back, no photo
// decoded).
//
// The folder is made once in $TMPDIR (or /tmp) and removed at the end.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchPhoto.h"
#include "formats/JpegImage.h"
#include "formats/QxImageIO.h"
#include "image/RowBands.h"
#include "library/FolderPictures.h"
#include "library/ThumbnailCache.h"
#include "library/Thumbnails.h"

namespace {

using namespace zelvo;
namespace fs = std::filesystem;

constexpr int kCount = 200;
constexpr int kWidth = 2048;
constexpr int kHeight = 1536;
constexpr const char* kPatterns = "*.jpg *.jpeg *.jpe ";

fs::path Folder() {
    static const fs::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        const fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "zelvo-thumbnail-bench";
        fs::create_directories(dir);
        const TDibImage& photo = bench::Photo();
        for (int i = 0; i < kCount; ++i) {
            const fs::path file = dir / ("photo" + std::to_string(1000 + i) + ".jpg");
            if (fs::exists(file)) continue;
            // A crop of the 4000 x 3000 photo moving across it.
            const int left = (i * 9) % (photo.Width() - kWidth);
            const int top = (i * 7) % (photo.Height() - kHeight);
            TDibImage crop;
            crop.SetBitCount(24);
            crop.SetWidth(kWidth);
            crop.SetHeight(kHeight);
            for (int y = 0; y < kHeight; ++y)
                std::copy_n(photo.ScanLineRead(top + y) + left * 3, kWidth * 3, crop.ScanLine(y));
            SaveJpegPicture(crop, file, 90, false);
        }
        return dir;
    }();
    return folder;
}

std::vector<std::string> Names() {
    auto names = *ListFolderPictures(Folder(), kPatterns);
    SortNamesIgnoringCase(names);
    return names;
}

TThumbnailSet Build(const TThumbnailLoader& loader) {
    return BuildThumbnails(Folder(), Names(), kDefaultThumbSize, clWhite, false, {}, loader);
}

void BM_FirstOpeningReducedScale(benchmark::State& state) {
    Folder();
    SetWorkerThreads(int(state.range(0)));
    for (auto _ : state) {
        const TThumbnailSet set = Build({});
        if (set.Items.size() != kCount) state.SkipWithError("not every photo was read");
        benchmark::DoNotOptimize(set.Images.data());
    }
    state.counters["photos/s"] = benchmark::Counter(double(kCount) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(state.range(0)) + " thread" + (state.range(0) == 1 ? "" : "s"));
    SetWorkerThreads(0);
}
// With one loading thread and with two (wall-clock time).
BENCHMARK(BM_FirstOpeningReducedScale)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FirstOpeningFullSize(benchmark::State& state) {
    Folder();
    const TThumbnailLoader full = [](const fs::path& path, int, bool gif, TDibImage& picture) {
        return LoadPictureFile(path, picture, gif);
    };
    for (auto _ : state) {
        const TThumbnailSet set = Build(full);
        if (set.Items.size() != kCount) state.SkipWithError("not every photo was read");
        benchmark::DoNotOptimize(set.Images.data());
    }
    state.counters["photos/s"] = benchmark::Counter(double(kCount) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirstOpeningFullSize)->Unit(benchmark::kMillisecond)->Iterations(1);

TThumbnailCacheFiles CacheFiles() { return ThumbnailCacheFiles(Folder(), Folder() / "cache"); }

void BM_WriteCache(benchmark::State& state) {
    TThumbnailCacheData data;
    data.Set = Build({});
    data.Stamp = FolderStamp(Folder(), kPatterns);
    for (auto _ : state) {
        if (!SaveThumbnailCache(CacheFiles(), data)) state.SkipWithError("cache not written");
    }
}
BENCHMARK(BM_WriteCache)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SecondOpeningFromCache(benchmark::State& state) {
    for (auto _ : state) {
        const std::string stamp = FolderStamp(Folder(), kPatterns);
        const auto cache = LoadThumbnailCache(CacheFiles(), Folder());
        if (!cache || cache->Stamp != stamp || cache->Set.Items.size() != kCount)
            state.SkipWithError("cache not read");
        benchmark::DoNotOptimize(cache);
    }
}
BENCHMARK(BM_SecondOpeningFromCache)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Folder(), ec);
    return 0;
}
