// Screenshots of the device commands under Xvfb: the scan dialog over the
// sample picture (SANE's test back end behind it), and a captured screen
// opened in the editor. dialog-screenshots.sh sets ZELVO_GEOMETRY_SHOTS
// (the folder) and ZELVO_SAMPLE.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

#include "AppTestSupport.h"
#include "SaneTestSupport.h"
#include "ScreenshotSupport.h"
#include "app/devices/ScanDialog.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {
namespace {

using test::Settle;

class DeviceScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        const char* folder = std::getenv("ZELVO_GEOMETRY_SHOTS");
        const char* sample = std::getenv("ZELVO_SAMPLE");
        if (!folder || !sample) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
        FFolder = QString::fromLocal8Bit(folder);
        FSample = QString::fromLocal8Bit(sample);
    }
    void Shoot(const char* name) {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        ASSERT_TRUE(shot.save(FFolder + QLatin1Char('/') + QLatin1String(name), "PNG"));
    }
    QString FFolder, FSample;
};

TEST_F(DeviceScreenshots, ScanDialogOverTheSamplePicture) {
    test::UsePrivateSaneConfig(test::AppTestDir() / "sane");
    auto form = test::MakeWindow();
    form->setGeometry(0, 0, 800, 600);
    form->show();
    ASSERT_TRUE(form->LoadImageFile(FSample, false));
    Settle(300);
    TZVfrmScan dialog("test:0", form.get());
    dialog.LoadCapabilities();
    dialog.cmbMode->setCurrentIndex(1);
    dialog.show();
    dialog.move(420, 180);
    Settle(400);
    EXPECT_EQ(dialog.cmbMode->count(), 3);
    Shoot("scan-dialog.png");
}

TEST_F(DeviceScreenshots, CapturedScreenInTheEditor) {
    // Something to capture: the sample picture in a window of its own.
    QLabel picture;
    picture.setWindowFlag(Qt::FramelessWindowHint);
    picture.setPixmap(QPixmap(FSample));
    picture.move(40, 40);
    picture.show();
    Settle(300);
    test::WriteSettingsText("[Settings]\nCaptureWait=100\n");
    auto form = test::MakeWindow();
    form->setGeometry(300, 200, 900, 700);
    form->show();
    Settle(300);
    form->Actions.mnuCaptureDesktop->trigger();
    picture.hide();
    Settle(400);
    ASSERT_FALSE(form->QxImage1().Empty());
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 1280);
    Shoot("capture-in-editor.png");
}

}  // namespace
}  // namespace zelvo
