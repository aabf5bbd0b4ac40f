// The thread count of the heavy operations in section "Settings": read into
// the band drivers at start, written back, out-of-range values read as 0.

#include <gtest/gtest.h>

#include <string>

#include "AppTestSupport.h"
#include "app/common/Settings.h"
#include "app/window/ZVfrmMain.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

using test::MakeWindow;
using test::ReadSettingsText;
using test::WriteSettingsText;

TEST(ThreadSettings, TheCountIsReadClampedAndWrittenBack) {
    struct TCase {
        std::string Text;
        int Expected;
    };
    const TCase cases[] = {
        {"", 0},           {"Threads=3", 3}, {"Threads=1", 1}, {"Threads=256", 256},
        {"Threads=257", 0}, {"Threads=-1", 0}, {"Threads=many", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        SetWorkerThreads(7);
        WriteSettingsText("[Settings]\n" + c.Text + "\n");
        auto form = MakeWindow();
        EXPECT_EQ(WorkerThreadsSetting(), c.Expected);
    }
    SetWorkerThreads(5);
    {
        auto form = MakeWindow();
        SetWorkerThreads(2);
        ASSERT_TRUE(WriteSettings(*form));
    }
    EXPECT_NE(ReadSettingsText().find("Threads=2"), std::string::npos) << ReadSettingsText();
    SetWorkerThreads(0);
}

}  // namespace
}  // namespace zelvo
