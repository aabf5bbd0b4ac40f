// The price of the decoder process: one tiny TIFF (37 x 23) read through
// the TIFF plug-in in process and through a decoder process (the
// difference is the per-picture overhead), and a batch conversion of 200
// TIFF files of 640 x 480 (RGB, LZW) to BMP both ways (their ratio is the
// batch's overhead). Compare the two forms of each from the same run only,
// with their repetitions interleaved so that both see the same machine:
//   SandboxBench --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
// The counter decoders_cpu is the processor time of the decoders reaped
// during the run, per iteration: the work the wall time hides when a
// second core is free.
//
// The folders are made once in $TMPDIR (or /tmp) and removed at the end.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <tiffio.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SPIs.h"
#include "formats/plugin/SpiBitmap.h"
#include "library/BatchConvert.h"

namespace {

using namespace zelvo;
namespace fs = std::filesystem;

constexpr int kCount = 200;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

fs::path Folder() {
    static const fs::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        const fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "zelvo-sandbox-bench";
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "out");
        std::vector<std::uint8_t> row(std::size_t(kWidth) * 3);
        for (int i = 0; i < kCount; ++i) {
            const fs::path file = dir / "in" / ("scan" + std::to_string(1000 + i) + ".tiff");
            TIFF* tiff = TIFFOpen(file.c_str(), "w");
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth * 3; ++x) row[std::size_t(x)] = std::uint8_t((x * 7 + y * 3 + i) ^ (x >> 4));
                TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
            }
            TIFFClose(tiff);
        }
        return dir;
    }();
    return folder;
}

/// Processor seconds of the reaped child processes.
double ChildSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TSPIs& Plugins() {
    static TSPIs plugins = [] {
        ::setenv("ZELVO_DECODE", ZELVO_DECODE_PROGRAM, 0);
        return TSPIs(false, TSPISearchOptions{});
    }();
    static const bool searched = plugins.Search(std::string(ZELVO_PLUGIN_DIR) + "/tiff.spi") > 0;
    (void)searched;
    return plugins;
}

void ReadOne(benchmark::State& state) {
    SandboxOptions().Plugins = state.range(0) != 0;
    const fs::path file = fs::path(ZELVO_PLUGIN_TESTDATA) / "rgb8-lzw-predictor.tiff";
    const double children = ChildSeconds();
    for (auto _ : state) {
        TSPIBitmap bitmap(&Plugins());
        bitmap.LoadFromFile(file);
        benchmark::DoNotOptimize(bitmap.Picture().Width());
    }
    state.counters["decoders_cpu"] =
        benchmark::Counter(ChildSeconds() - children, benchmark::Counter::kAvgIterations);
    state.SetLabel(state.range(0) ? "decoder process" : "in process");
}
BENCHMARK(ReadOne)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void Batch(benchmark::State& state) {
    SandboxOptions().Plugins = state.range(0) != 0;
    Plugins();
    std::vector<std::string> names;
    for (int i = 0; i < kCount; ++i) names.push_back("scan" + std::to_string(1000 + i) + ".tiff");
    const TBatchOptions options;
    const auto plan = PlanBatch(Folder() / "in", Folder() / "out", names, options.OutputType);
    const double children = ChildSeconds();
    for (auto _ : state) {
        const TBatchSummary summary = RunBatch(plan, options, {});
        if (summary.Converted != kCount) state.SkipWithError("not every file converted");
    }
    state.counters["decoders_cpu"] =
        benchmark::Counter(ChildSeconds() - children, benchmark::Counter::kAvgIterations);
    state.SetLabel(state.range(0) ? "decoder process" : "in process");
}
BENCHMARK(Batch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    StopWaitingDecoders();
    std::error_code ec;
    fs::remove_all(Folder(), ec);
    return 0;
}
