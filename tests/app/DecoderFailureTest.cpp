// The editor opening files that hostile plug-ins claim: each gives the
// ordinary "cannot read" box with the decoder's reason in its details, and
// the window keeps its picture, its undo history and itself.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <fstream>
#include <vector>

#include "AppTestSupport.h"
#include "SpiEnvironment.h"
#include "SpiTestSupport.h"
#include "document/QxImage.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SPIs.h"

namespace zelvo {
namespace {

TEST(DecoderFailure, EditorKeepsPictureAndHistoryAndSaysWhy) {
    // The snooper goes for a socket here; the decoders started from now on
    // are told where.
    const test::TScopedEnv socket("ZELVO_TEST_SOCKET", (test::AppTestDir() / "listen.sock").string());
    StopWaitingDecoders();
    TSPIs plugins(false, TSPISearchOptions{});
    plugins.Search((test::HostileSpiDir() / "*.spi").string());
    auto form = test::WindowWithSample(6, 5, "decoder-failure.bmp");
    const TSandboxOptions saved = SandboxOptions();
    SandboxOptions().TimeLimitSeconds = 2;
    form->RunImmediate("セピア色変換", [&] { form->QxImage1().Sepia(); });
    ASSERT_EQ(form->QxImage1().UndoCount(), 1);
    // The sepia picture is modified: the user lets it go for the new file,
    // which then cannot be read.
    form->AskSaveHook = [] { return TSaveAnswer::No; };
    const std::string picture = form->FFileName;
    SandboxOptions().AddressSpaceMarginBytes = std::uint64_t(1) << 30;
    struct TCase {
        const char* File;
        const char* Bytes;
        std::vector<const char*> Reasons;  // one of them in the details
    };
    const TCase cases[] = {
        {"hostile.null", "NULL", {"hostile_null.spi: the decoder crashed (signal 11, SIGSEGV)"}},
        {"hostile.loop", "LOOP", {"hostile_loop.spi: the decoder was stopped after 2 s"}},
        // Without the address-space limit (sanitiser builds) the clock
        // stops the hog.
        {"hostile.hog", "HOGG", {"hostile_hog.spi: the decoder crashed", "hostile_hog.spi: the decoder was stopped after"}},
        {"file.snoop", "SNOOF", {"hostile_snoop.spi: the decoder was stopped: the plug-in called open"}},
        {"net.snoop", "SNOON", {"hostile_snoop.spi: the decoder was stopped: the plug-in called socket"}},
        {"hostile.fork", "FORK", {"hostile_fork.spi: the decoder was stopped: the plug-in called clone",
                                  "hostile_fork.spi: the decoder was stopped: the plug-in called fork"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const std::filesystem::path file = test::AppTestDir() / c.File;
        std::ofstream(file) << c.Bytes;
        QStringList texts, details;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                details << box->detailedText();
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(20);
        bool loaded = true;
        form->LoadImageFile(QString::fromStdString(file.string()), false, &loaded);
        closer.stop();
        EXPECT_FALSE(loaded);
        ASSERT_EQ(texts.size(), 1);
        EXPECT_EQ(texts[0], QString::fromUtf8("認識できない画像形式です"));
        bool found = false;
        for (const char* reason : c.Reasons) found = found || details[0].contains(QString::fromUtf8(reason));
        EXPECT_TRUE(found) << details[0].toStdString();
        EXPECT_EQ(form->FFileName, picture);
        EXPECT_EQ(form->QxImage1().Bitmap().Width(), 6);
        EXPECT_EQ(form->QxImage1().Bitmap().Height(), 5);
        EXPECT_EQ(form->QxImage1().UndoCount(), 1);
        EXPECT_EQ(test::UndoCaptions(*form), QStringList{QString::fromUtf8("セピア色変換")});
    }
    SandboxOptions() = saved;
    StopWaitingDecoders();
}

}  // namespace
}  // namespace zelvo
