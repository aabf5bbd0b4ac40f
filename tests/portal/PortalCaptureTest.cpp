// Capture and wallpaper on a Wayland desktop through the desktop portal,
// against zelvo_portal_standin on a private session bus (the test runs
// under dbus-run-session with XDG_SESSION_TYPE=wayland): a full-screen
// capture takes the portal's picture as one undo step, the window commands
// let the user choose, a cancelled capture changes nothing, the wallpaper
// goes to the portal, and without a portal the commands stay off with the
// hint.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QUrl>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/devices/Wallpaper.h"
#include "document/QxImage.h"
#include "platform/qt/X11Windows.h"

namespace zelvo {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

class TPortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "no session bus: run under dbus-run-session";
        FLog = QString::fromStdString((test::AppTestDir() / "portal.log").string());
        QFile::remove(FLog);
    }
    void TearDown() override {
        if (FStandIn.state() != QProcess::NotRunning) {
            FStandIn.terminate();
            FStandIn.waitForFinished(5000);
        }
        // The name is free again before the next test.
        QElapsedTimer timer;
        timer.start();
        while (QDBusConnection::sessionBus().interface()->isServiceRegistered(kPortal) && timer.elapsed() < 5000)
            Settle(50);
    }
    /// Starts the stand-in with `arguments` and waits for its name.
    void StartPortal(const QStringList& arguments) {
        FStandIn.start(QStringLiteral(ZELVO_PORTAL_STANDIN), QStringList{FLog} + arguments);
        ASSERT_TRUE(FStandIn.waitForStarted(5000));
        QElapsedTimer timer;
        timer.start();
        while (!QDBusConnection::sessionBus().interface()->isServiceRegistered(kPortal) && timer.elapsed() < 5000)
            Settle(50);
        ASSERT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(kPortal));
    }
    QStringList Calls() const {
        QFile log(FLog);
        if (!log.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString FLog;
    QProcess FStandIn;
};

TEST_F(TPortalTest, FullScreenCaptureTakesThePortalsPictureAsOneUndoStep) {
    // The "screen": left half red, right half blue.
    QImage screen(64, 48, QImage::Format_RGB32);
    screen.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 48; ++y)
        for (int x = 32; x < 64; ++x) screen.setPixel(x, y, qRgb(0, 0, 255));
    const QString file = QString::fromStdString((test::AppTestDir() / "screen.png").string());
    ASSERT_TRUE(screen.save(file));
    StartPortal({QStringLiteral("--picture"), file});
    test::WriteSettingsText("[Settings]\nCaptureWait=0\n");
    auto form = test::WindowWithSample(7, 5, "portal.bmp");
    form->show();
    ASSERT_TRUE(form->Actions.mnuCaptureDesktop->isEnabled());

    form->Actions.mnuCaptureDesktop->trigger();
    EXPECT_TRUE(form->isVisible());
    TQxImage& doc = form->QxImage1();
    const TDibImage picture = doc.Bitmap().ToDibImage();
    ASSERT_EQ(picture.Width(), 64);
    ASSERT_EQ(picture.Height(), 48);
    EXPECT_EQ(picture.GetPixels(0, 0), 0x0000FFu);    // red, 00BBGGRR
    EXPECT_EQ(picture.GetPixels(31, 47), 0x0000FFu);
    EXPECT_EQ(picture.GetPixels(32, 0), 0xFF0000u);   // blue
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(test::UndoCaptions(*form), QStringList{QString::fromUtf8("キャプチャ")});

    // The window commands let the user pick in the desktop's dialog.
    form->Actions.mnuCaptureActiveWindow->trigger();
    form->Actions.mnuCaptureClientArea->trigger();
    EXPECT_EQ(doc.UndoCount(), 3);
    EXPECT_EQ(Calls(), (QStringList{QStringLiteral("Screenshot interactive=0"), QStringLiteral("Screenshot interactive=1"),
                                    QStringLiteral("Screenshot interactive=1")}));
}

TEST_F(TPortalTest, CancelledCaptureLeavesPictureAndHistory) {
    StartPortal({QStringLiteral("--cancel")});
    auto form = test::WindowWithSample(7, 5, "portal-cancel.bmp");
    form->show();
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    for (QAction* a : {form->Actions.mnuCaptureDesktop, form->Actions.mnuCaptureActiveWindow}) {
        ASSERT_TRUE(a->isEnabled());
        a->trigger();
    }
    EXPECT_EQ(Calls().size(), 2);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(test::UndoCaptions(*form).isEmpty());
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
}

TEST_F(TPortalTest, WallpaperWithoutADesktopProgramGoesToThePortal) {
    unsetenv("XDG_CURRENT_DESKTOP");
    setenv("XDG_DATA_HOME", (test::AppTestDir() / "data").c_str(), 1);
    StartPortal({QStringLiteral("--cancel")});
    auto form = test::WindowWithSample(16, 8, "portal-wall.bmp");
    form->Actions.mnuWallPaperCenter->trigger();
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(WallpaperFile().string())).toString();
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("SetWallpaperURI %1 set-on=background preview=0").arg(uri)});
    EXPECT_TRUE(std::filesystem::exists(WallpaperFile()));
    unsetenv("XDG_DATA_HOME");
}

TEST_F(TPortalTest, WithoutAPortalTheCommandsStayOffWithTheHint) {
    QString why;
    ASSERT_FALSE(ScreenReadable(&why));
    EXPECT_TRUE(why.contains(QStringLiteral("Wayland")));
    auto form = test::WindowWithSample(4, 4, "portal-none.bmp");
    for (QAction* a : {form->Actions.mnuCaptureDesktop, form->Actions.mnuCaptureActiveWindow,
                       form->Actions.mnuCaptureClientArea}) {
        EXPECT_FALSE(a->isEnabled());
        EXPECT_EQ(a->statusTip(), why);
    }
}

}  // namespace
}  // namespace zelvo
