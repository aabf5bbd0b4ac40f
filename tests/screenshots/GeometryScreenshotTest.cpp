// Screenshots of the crop-and-resize path over the sample picture and of
// the three geometry dialogs, taken from the screen of an X server. Runs
// only when ZELVO_GEOMETRY_SHOTS names the folder to write the PNG files to
// and ZELVO_SAMPLE the picture (dialog-screenshots.sh sets both under
// Xvfb), so the pictures can be looked at.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

#include <cstdlib>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "app/window/GeometryCommands.h"
#include "app/dialogs/ZVfrmCustomTrim.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmResize.h"
#include "app/dialogs/ZVfrmSpacing.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::Settle;

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class TGeometryScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        const char* folder = std::getenv("ZELVO_GEOMETRY_SHOTS");
        const char* sample = std::getenv("ZELVO_SAMPLE");
        if (!folder || !sample) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
        FFolder = QString::fromLocal8Bit(folder);
        FSample = QString::fromLocal8Bit(sample);
        QDir().mkpath(FFolder);
        test::WriteSettingsText("");
    }

    void Shoot(const char* name) {
        Settle(300);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        ASSERT_TRUE(shot.save(FFolder + QLatin1Char('/') + QLatin1String(name), "PNG"));
    }

    QString FFolder;
    QString FSample;
};

TEST_F(TGeometryScreenshots, SelectCropResizeUndoTwiceRedoOnce) {
    auto form = test::MakeWindow();
    form->resize(900, 700);
    form->move(0, 0);
    form->show();
    ASSERT_TRUE(form->LoadImageFile(FSample, false));
    const int width = form->QxImage1().Bitmap().Width();
    const int height = form->QxImage1().Bitmap().Height();
    Settle(300);

    // A rectangle dragged with the mouse from (40, 30) to (340, 250) on the
    // screen, at 100 %: the picture pixels (40, 30)-(340, 250).
    QWidget* viewport = form->View().viewport();
    form->View().SetZoom(100);
    Mouse(viewport, QEvent::MouseButtonPress, {40, 30}, Qt::LeftButton);
    for (int i = 1; i <= 10; ++i)
        Mouse(viewport, QEvent::MouseMove, {40 + 30 * i, 30 + 22 * i}, Qt::LeftButton);
    Mouse(viewport, QEvent::MouseButtonRelease, {340, 250}, Qt::NoButton);
    ASSERT_TRUE(form->QxImage1().HasSelection());
    const TRect selection = form->QxImage1().SelectionRect();
    EXPECT_EQ(selection.Width(), 300);
    EXPECT_EQ(selection.Height(), 220);
    EXPECT_TRUE(form->Actions.mnuCut->isEnabled());
    Shoot("1-selected.png");

    form->Actions.mnuTriming->trigger();
    ASSERT_EQ(form->QxImage1().Bitmap().Width(), selection.Width());
    ASSERT_EQ(form->QxImage1().Bitmap().Height(), selection.Height());
    Shoot("2-cropped.png");

    // The resize dialog at 50 % with Lanczos3, shown over the window.
    const auto savedExec = GeometryDialogExec();
    GeometryDialogExec() = [this](QDialog& dialog) {
        auto* d = dynamic_cast<TZVfrmResize*>(&dialog);
        EXPECT_NE(d, nullptr);
        if (!d) return int(QDialog::Rejected);
        d->show();
        d->rbRatio->setChecked(true);
        d->activateWindow();
        d->SpinEditRatioX->setFocus();
        Settle(200);
        EXPECT_TRUE(d->SpinEditRatioX->hasFocus());
        d->SpinEditRatioX->setValue(50);
        d->cbResample->setChecked(true);
        d->cbFilter->setCurrentIndex(6);
        Shoot("3-resize-dialog.png");
        d->OkClick();
        return d->result();
    };
    form->Actions.mnuResize->trigger();
    GeometryDialogExec() = savedExec;
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 150);
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), 110);
    EXPECT_EQ(form->QxImage1().BitCount(), 24);
    Shoot("4-resized.png");

    ASSERT_EQ(form->mnuUndoList->actions().size(), 2);
    form->Actions.mnuUndo->trigger();
    form->Actions.mnuUndo->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), width);
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), height);
    form->Actions.mnuRedo->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), selection.Width());
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), selection.Height());
    EXPECT_EQ(form->mnuUndoList->actions().size(), 1);
    EXPECT_EQ(form->mnuRedoList->actions().size(), 1);
    EXPECT_EQ(form->mnuRedoList->actions().first()->text(), QString::fromUtf8("リサイズ"));
    Shoot("5-undo-twice-redo-once.png");
}

TEST_F(TGeometryScreenshots, CoordinateCropAndMarginDialogs) {
    auto form = test::MakeWindow();
    form->resize(900, 700);
    form->move(0, 0);
    form->show();
    ASSERT_TRUE(form->LoadImageFile(FSample, false));
    form->QxImage1().SetSelectionRect(TRect{10, 20, 110, 220});
    {
        TZVfrmCustomTrim dialog(*form);
        dialog.show();
        dialog.PasteSelectionClick();
        Shoot("6-custom-trim-dialog.png");
    }
    {
        TZVfrmSpacing dialog(*form);
        dialog.SetColor(RGB(200, 40, 40));
        dialog.show();
        Shoot("7-spacing-dialog.png");
    }
}

TEST_F(TGeometryScreenshots, RotateAndShiftDialogsWithTheirLivePreview) {
    auto form = test::MakeWindow();
    form->resize(900, 700);
    form->move(0, 0);
    form->show();
    ASSERT_TRUE(form->LoadImageFile(FSample, false));
    {
        TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Rotate));
        dialog.show();
        dialog.SpinEdits[0]->setValue(30.0);
        EXPECT_EQ(dialog.ScrollBars[0]->value(), 300);
        Shoot("8-rotate-dialog.png");
    }
    {
        TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::ShiftImage));
        dialog.show();
        dialog.SpinEdits[0]->setValue(320);
        dialog.SpinEdits[1]->setValue(120);
        Shoot("9-shift-dialog.png");
    }
}

}  // namespace
}  // namespace zelvo
