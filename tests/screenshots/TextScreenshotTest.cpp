// Screenshots of the text tool over the sample picture with the text
// window open: the text placed with a click, written across and then down
// (the first line the rightmost column), and finally drawn in with OK.
// Runs only when ZELVO_GEOMETRY_SHOTS names the folder to write the PNG
// files to and ZELVO_SAMPLE the picture (dialog-screenshots.sh sets both
// under Xvfb), so they can be looked at.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QToolButton>

#include <cstdlib>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "app/dialogs/ZVfrmTextOut.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::Settle;

class TextScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        const char* folder = std::getenv("ZELVO_GEOMETRY_SHOTS");
        const char* sample = std::getenv("ZELVO_SAMPLE");
        if (!folder || !sample) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
        FFolder = QString::fromLocal8Bit(folder);
        QDir().mkpath(FFolder);
        test::WriteSettingsText("");
        FForm = test::MakeWindow();
        FForm->resize(800, 600);
        FForm->move(0, 0);
        FForm->show();
        ASSERT_TRUE(FForm->LoadImageFile(QString::fromLocal8Bit(sample), false));
        Settle(300);
    }

    void Shoot(const char* name) {
        Settle(500);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        ASSERT_TRUE(shot.save(FFolder + QLatin1Char('/') + QLatin1String(name), "PNG"));
    }

    // One mouse event on the view at `at` (zoom 100, no scrolling: the
    // picture point).
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QWidget* viewport = FForm->View().viewport();
        QMouseEvent event(type, QPointF(at), QPointF(viewport->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        Settle(50);
        Mouse(QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    void ClickPicture(QPoint at) {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
        Settle(100);
    }

    QString FFolder;
    std::unique_ptr<TZVfrmMain> FForm;
};

TEST_F(TextScreenshots, AcrossDownAndDrawnIn) {
    FForm->Actions.mnuTextOut->trigger();
    auto* window = static_cast<TZVfrmTextOut*>(FForm->Modes.FTextOutWindow.data());
    ASSERT_NE(window, nullptr);
    window->move(810, 60);
    window->SetLines({"Zelvo で文字入れ", "二行目 Second line", "三行目"});
    window->SpinEdit1->setValue(20);
    window->SpinEdit2->setValue(2);
    window->ChooseColor = [](TColor& c) {
        c = RGB(0, 0, 160);
        return true;
    };
    window->btnColor->click();
    // A click beside the box places it there; a drag on it moves it.
    ClickPicture(QPoint(300, 250));
    EXPECT_EQ(FForm->QxImage1().TextPos(), (TPoint{300, 250}));
    Drag(QPoint(305, 255), QPoint(45, 65));
    EXPECT_EQ(FForm->QxImage1().TextPos(), (TPoint{40, 60}));
    Shoot("text-horizontal.png");

    // Vertical, half transparent and smoothed, dragged to the right.
    window->btnTategaki->click();
    window->SpinEdit4->setValue(70);
    window->CheckBox1->setChecked(true);
    Drag(QPoint(45, 65), QPoint(385, 95));
    EXPECT_EQ(FForm->QxImage1().TextPos(), (TPoint{380, 90}));
    Shoot("text-vertical.png");

    window->Button1->click();
    Settle(200);
    EXPECT_EQ(FForm->QxImage1().UndoCount(), 1);
    Shoot("text-drawn.png");
}

}  // namespace
}  // namespace zelvo
