// Screenshots of the folder tools under Xvfb: the thumbnail browser beside
// the editor over a folder of the test pictures (BMP and JPEG, more than
// thirty), and a full-screen slide show with its file name. Runs only when
// ZELVO_GEOMETRY_SHOTS names the folder for the PNG files
// (dialog-screenshots.sh sets it, with the xcb platform).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/window/SlideShowRunner.h"
#include "app/thumbnails/ZVfrmThumbNail.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::Settle;

/// The test pictures of the corpus that are meant to decode: the "good"
/// BMP suite and the JPEG files.
fs::path PictureFolder() {
    const fs::path dir = test::AppTestDir() / "folder-shots";
    fs::create_directories(dir);
    int copied = 0;
    for (const fs::path& source : {test::CorpusDir() / "bmp" / "bmpsuite" / "g", test::CorpusDir() / "jpeg"}) {
        for (const auto& entry : fs::recursive_directory_iterator(source)) {
            if (!entry.is_regular_file()) continue;
            const std::string ext = entry.path().extension().string();
            if (ext != ".bmp" && ext != ".jpg") continue;
            const fs::path target = dir / (std::to_string(copied++) + "-" + entry.path().filename().string());
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
    return dir;
}

QString ShotPath(const char* name) {
    return QString::fromLocal8Bit(std::getenv("ZELVO_GEOMETRY_SHOTS")) + QLatin1Char('/') + QLatin1String(name);
}

TEST(FolderToolScreenshots, ThumbnailBrowserOverAFolder) {
    if (!std::getenv("ZELVO_GEOMETRY_SHOTS")) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS";
    setenv("XDG_CACHE_HOME", (test::AppTestDir() / "cache").c_str(), 1);
    const fs::path dir = PictureFolder();
    auto form = test::MakeWindow();
    form->resize(640, 480);
    form->move(0, 0);
    form->show();
    auto* browser = new TZVfrmThumbNail(*form);
    browser->move(660, 0);
    browser->resize(600, 760);
    browser->show();
    browser->BuildThumbnails(QString::fromStdString(dir.string()));
    browser->ListView1->setCurrentRow(4);
    Settle(500);
    EXPECT_GE(browser->ListView1->count(), 30);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_TRUE(shot.save(ShotPath("thumbnails.png"), "PNG"));
    browser->close();
    Settle(100);
}

TEST(FolderToolScreenshots, FullScreenSlideShow) {
    if (!std::getenv("ZELVO_GEOMETRY_SHOTS")) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS";
    const char* sample = std::getenv("ZELVO_SAMPLE");
    if (!sample) GTEST_SKIP() << "set ZELVO_SAMPLE";
    auto form = test::MakeWindow();
    form->resize(640, 480);
    form->move(0, 0);
    form->show();
    Settle(200);
    TSlideShowRunner* runner = SlideShowRunner(*form);
    ASSERT_NE(runner, nullptr);
    TSlideShowSettings options;
    options.AutoSlide = false;
    ASSERT_TRUE(runner->Start({fs::path(sample)}, options));
    Settle(800);
    EXPECT_TRUE(form->isFullScreen());
    // The window covers the screen and the 640 x 480 picture sits in its
    // middle.
    EXPECT_EQ(form->geometry(), QGuiApplication::primaryScreen()->geometry());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(runner->FullScreenViewRect(),
              QRect((screen.width() - 640) / 2, (screen.height() - 480) / 2, 640, 480));
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_TRUE(shot.save(ShotPath("slideshow.png"), "PNG"));
    runner->End();
    Settle(200);
}

}  // namespace
}  // namespace zelvo
