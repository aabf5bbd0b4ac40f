#pragma once
// Shared by the screenshot tests: letting the window paint before a shot,
// and a fixture with the main window showing the sample picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <memory>

#include "AppTestSupport.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo::test {

/// Runs the event loop for `milliseconds`, so pending paints and the live
/// previews' timers have happened before the screen is photographed.
inline void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

/// The main window at (0, 0), WindowSize big, showing the picture
/// ZELVO_SAMPLE names; Shoot() writes the whole screen into the folder
/// ZELVO_GEOMETRY_SHOTS names. Skips unless both are set
/// (dialog-screenshots.sh sets them under Xvfb).
class TSampleWindowShots : public ::testing::Test {
protected:
    explicit TSampleWindowShots(QSize windowSize = QSize(900, 700)) : WindowSize(windowSize) {}

    void SetUp() override {
        const char* folder = std::getenv("ZELVO_GEOMETRY_SHOTS");
        const char* sample = std::getenv("ZELVO_SAMPLE");
        if (!folder || !sample) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
        FFolder = QString::fromLocal8Bit(folder);
        FSample = QString::fromLocal8Bit(sample);
        QDir().mkpath(FFolder);
        WriteSettingsText("");
        FForm = MakeWindow();
        FForm->resize(WindowSize);
        FForm->move(0, 0);
        FForm->show();
        ASSERT_TRUE(FForm->LoadImageFile(FSample, false));
        Settle(300);
    }

    void Shoot(const char* name) {
        Settle(500);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        ASSERT_TRUE(shot.save(FFolder + QLatin1Char('/') + QLatin1String(name), "PNG"));
    }

    QSize WindowSize;
    QString FFolder;
    QString FSample;
    std::unique_ptr<TZVfrmMain> FForm;
};

}  // namespace zelvo::test
