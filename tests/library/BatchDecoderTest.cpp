// A batch over pictures among which hostile plug-ins' files lie: each of
// those is counted unreadable with the decoder's reason, every other file
// is converted.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "SpiTestSupport.h"
#include "TestSupport.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SPIs.h"
#include "library/BatchConvert.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

TEST(BatchDecoder, HostileFilesAreCountedAndTheOthersConverted) {
    const fs::path dir = test::MakeTempDir("batch-hostile");
    const fs::path in = dir / "in", out = dir / "out";
    fs::create_directories(in);
    fs::create_directories(out);
    const TSandboxOptions saved = SandboxOptions();
    SandboxOptions().TimeLimitSeconds = 2;
    {
        TSPIs plugins(false, TSPISearchOptions{});
        plugins.Search((test::PluginDir() / "tga.spi").string());
        plugins.Search((test::HostileSpiDir() / "*.spi").string());
        const auto tgas = test::PluginDataFiles("tga");
        fs::copy_file(tgas.at(0), in / "a.tga");
        fs::copy_file(tgas.at(1), in / "z.tga");
        std::ofstream(in / "b.null") << "NULL";
        std::ofstream(in / "c.loop") << "LOOP";
        std::ofstream(in / "d.fork") << "FORK";
        std::vector<std::string> names{"a.tga", "b.null", "c.loop", "d.fork", "z.tga"};
        TBatchOptions options;
        const auto plan = PlanBatch(in, out, names, options.OutputType);
        const TBatchSummary summary = RunBatch(plan, options, {});
        EXPECT_EQ(summary.Converted, 2);
        EXPECT_EQ(summary.Skipped, 3);
        const char* reasons[] = {"", "(hostile_null.spi: the decoder crashed (signal 11, SIGSEGV))",
                                 "(hostile_loop.spi: the decoder was stopped after 2 s)",
                                 "(hostile_fork.spi: the decoder was stopped: the plug-in called ", ""};
        for (std::size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i]);
            const TBatchFileResult& result = summary.Results.at(i);
            if (*reasons[i] == '\0') {
                EXPECT_EQ(result.Outcome, TBatchOutcome::Converted);
                EXPECT_TRUE(fs::exists(plan[i].Output));
            } else {
                EXPECT_EQ(result.Outcome, TBatchOutcome::Unreadable);
                EXPECT_EQ(result.Detail.rfind("認識できない画像形式です (", 0), 0u) << result.Detail;
                EXPECT_NE(result.Detail.find(reasons[i]), std::string::npos) << result.Detail;
                EXPECT_FALSE(fs::exists(plan[i].Output));
            }
        }
    }
    SandboxOptions() = saved;
    StopWaitingDecoders();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
