// A screenshot of the icon chooser over the main window, opened on an icon
// file with nine images, the eighth (32 x 32, 32 bits) selected, the sample
// picture behind it. Runs only when ZELVO_GEOMETRY_SHOTS names the folder to
// write to and ZELVO_SAMPLE the picture (dialog-screenshots.sh sets both
// under Xvfb).

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/dialogs/ZVfrmSelectIcon.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

TEST(IconChooserScreenshot, NineImagesEighthSelected) {
    const char* folder = std::getenv("ZELVO_GEOMETRY_SHOTS");
    const char* sample = std::getenv("ZELVO_SAMPLE");
    if (!folder || !sample) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
    QDir().mkpath(QString::fromLocal8Bit(folder));
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    form->resize(700, 500);
    form->move(0, 0);
    form->show();
    // The sample picture behind the chooser.
    ASSERT_TRUE(form->LoadImageFile(QString::fromLocal8Bit(sample), false));
    test::Settle(300);

    int lines = 0;
    form->ChooseIconHook = [&](TZVfrmSelectIcon& chooser) {
        chooser.show();
        chooser.move(120, 100);
        chooser.ListBox1->setCurrentRow(7);
        chooser.activateWindow();
        lines = chooser.ListBox1->count();
        test::Settle(400);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/icon-chooser.png"), "PNG"));
        chooser.accept();
        return chooser.result();
    };
    const auto path = test::CorpusDir() / "ico/nsis/orange-install.ico";
    ASSERT_TRUE(form->LoadImageFile(QString::fromStdString(path.string()), false));
    EXPECT_EQ(lines, 9);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 32);
}

}  // namespace
}  // namespace zelvo
