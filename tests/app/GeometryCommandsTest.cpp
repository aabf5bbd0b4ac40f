// The geometry and clipboard commands over a real main window: the crop
// command's two paths, the quarter turns, mirror and flip, the rotate and
// shift effect types, paste, cut and erase, and the enabling of cut, erase,
// paste and clear-clipboard.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSlider>
#include <QSpinBox>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/window/CommandTable.h"
#include "app/window/GeometryCommands.h"
#include "app/dialogs/ZVfrmCustomTrim.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::MakeWindow;

using test::UndoCaptions;
using test::WindowWithSample;


// Selects `rect` as the mouse tools would: the document's rectangle, then
// the view's notification.
void Select(TZVfrmMain& form, const TRect& rect) {
    form.QxImage1().SetSelectionRect(rect);
    emit form.View().SelectionChanged();
}

// Replaces the modal run of the geometry dialogs for one test.
class TDialogScript {
public:
    explicit TDialogScript(std::function<int(QDialog&)> script) : FSaved(GeometryDialogExec()) {
        GeometryDialogExec() = std::move(script);
    }
    ~TDialogScript() { GeometryDialogExec() = FSaved; }

private:
    std::function<int(QDialog&)> FSaved;
};

void ProcessEvents() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// ------------------------------------------------------------------ crop

TEST(GeometryCommands, CropWithASelectionTrimsToIt) {
    auto form = WindowWithSample(64, 48, "crop-sel.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    Select(*form, TRect{10, 5, 30, 25});
    TDialogScript noDialog([](QDialog&) {
        ADD_FAILURE() << "no dialog with a selection";
        return int(QDialog::Rejected);
    });
    form->Actions.mnuTriming->trigger();
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(after.Width(), 20);
    ASSERT_EQ(after.Height(), 20);
    EXPECT_EQ(after.GetPixels(0, 0), before.GetPixels(10, 5));
    EXPECT_EQ(after.GetPixels(19, 19), before.GetPixels(29, 24));
    EXPECT_FALSE(form->QxImage1().HasSelection());
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("切り抜き")});
    // The crop removed the selection: cut and erase are off again.
    EXPECT_FALSE(form->Actions.mnuCut->isEnabled());
    EXPECT_FALSE(form->Actions.mnuDelete->isEnabled());
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
}

TEST(GeometryCommands, CropWithoutASelectionOpensTheCoordinateDialog) {
    auto form = WindowWithSample(64, 48, "crop-dialog.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    int shown = 0;
    TDialogScript script([&](QDialog& dialog) {
        ++shown;
        auto* trim = dynamic_cast<TZVfrmCustomTrim*>(&dialog);
        EXPECT_NE(trim, nullptr);
        if (!trim) return int(QDialog::Rejected);
        EXPECT_EQ(trim->Point1(), (TPoint{0, 0}));  // the defaults
        EXPECT_EQ(trim->Point2(), (TPoint{100, 100}));
        trim->SpinEditX1->setValue(8);
        trim->SpinEditY1->setValue(4);
        trim->OkClick();
        return trim->result();
    });
    form->Actions.mnuTriming->trigger();
    EXPECT_EQ(shown, 1);
    // (8, 4)-(100, 100) limited to (8, 4)-(64, 48).
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(after.Width(), 56);
    ASSERT_EQ(after.Height(), 44);
    EXPECT_EQ(after.GetPixels(0, 0), before.GetPixels(8, 4));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("座標指定切り抜き")});

    // The dialog cancelled: no change and no undo-list entry.
    TDialogScript cancel([&](QDialog&) {
        ++shown;
        return int(QDialog::Rejected);
    });
    form->Actions.mnuCustomTrim->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 56);
    EXPECT_EQ(UndoCaptions(*form).size(), 1);
}

TEST(GeometryCommands, WithoutAPictureNoCommandDoesAnything) {
    test::WriteSettingsText("");
    auto form = MakeWindow();
    TDialogScript noDialog([](QDialog&) {
        ADD_FAILURE() << "no dialog without a picture";
        return int(QDialog::Rejected);
    });
    const TMainActions& a = form->Actions;
    for (QAction* action : {a.mnuTriming, a.mnuCustomTrim, a.mnuResize, a.mnuSpacing, a.mnuRotate90, a.mnuRotate270,
                            a.mnuMirror, a.mnuFlip, a.mnuRotate, a.mnuSlideImage, a.mnuCopy, a.mnuCut, a.mnuDelete}) {
        SCOPED_TRACE(action->objectName().toStdString());
        action->trigger();
    }
    EXPECT_TRUE(form->ImageEmpty());
    EXPECT_TRUE(form->mnuUndoList->actions().isEmpty());
}

// ------------------------------------------------------------------ immediate commands

TEST(GeometryCommands, TurnsMirrorAndFlipRecordTheirCaptions) {
    const struct {
        QAction* TMainActions::*Action;
        const char* Caption;
        int Width, Height;
        // where the source's top-left pixel lands
        int X, Y;
    } cases[] = {
        {&TMainActions::mnuRotate90, "右へ90度回転", 2, 3, 1, 0},
        {&TMainActions::mnuRotate270, "左へ90度回転", 2, 3, 0, 2},
        {&TMainActions::mnuMirror, "ミラー", 3, 2, 2, 0},
        {&TMainActions::mnuFlip, "フリップ", 3, 2, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Caption);
        auto form = WindowWithSample(3, 2, "turn.bmp", 8);
        const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
        (form->Actions.*c.Action)->trigger();
        const TDibImage& after = form->QxImage1().Bitmap().Dib();
        ASSERT_EQ(after.Width(), c.Width);
        ASSERT_EQ(after.Height(), c.Height);
        EXPECT_EQ(after.BitCount(), 8);
        EXPECT_EQ(after.GetPixels(c.X, c.Y), before.GetPixels(0, 0));
        EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8(c.Caption)});
    }
}

// ------------------------------------------------------------------ rotate and shift dialogs

TEST(GeometryEffects, RotateTypeShowsDegreesAndEnlargesOnlyOnOk) {
    auto form = WindowWithSample(40, 20, "rotate.bmp");
    TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Rotate));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("任意角度回転"));
    EXPECT_EQ(dialog.ScrollBars[0]->minimum(), -1800);
    EXPECT_EQ(dialog.ScrollBars[0]->maximum(), 1800);
    EXPECT_DOUBLE_EQ(dialog.SpinEdits[0]->minimum(), -180.0);
    EXPECT_EQ(dialog.SpinEdits[0]->decimals(), 1);
    EXPECT_FALSE(dialog.ScrollBars[1]->isVisibleTo(&dialog));
    // Neutral at first: the thumbnail is the unprocessed picture.
    EXPECT_EQ(dialog.RefreshCount(), 0);
    // A negative angle typed in degrees reaches the track bar whole:
    // -12.3 x 10 is -123, not -122.
    dialog.SpinEdits[0]->setValue(-12.3);
    EXPECT_EQ(dialog.ScrollBars[0]->value(), -123);
    dialog.ScrollBars[0]->setValue(900);
    EXPECT_DOUBLE_EQ(dialog.SpinEdits[0]->value(), 90.0);
    // The thumbnail keeps its size (no enlarging in the preview).
    const int thumbWidth = dialog.QxPreview().Bitmap().Width();
    EXPECT_EQ(thumbWidth, 158);
    dialog.OkClick();
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 20);
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), 40);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("任意角度回転")});

    // OK at 0 does nothing.
    TZVfrmPreview neutral(*form, *FindPreviewEffect(TPreviewEffectType::Rotate));
    neutral.OkClick();
    EXPECT_EQ(form->QxImage1().UndoCount(), 1);
}

TEST(GeometryEffects, ShiftRangesFollowTheSelectionAndAWholeTurnDoesNothing) {
    auto form = WindowWithSample(100, 60, "shift.bmp");
    Select(*form, TRect{0, 0, 100, 40});
    {
        TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::ShiftImage));
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("シフト"));
        EXPECT_EQ(dialog.ScrollBars[0]->minimum(), -100);
        EXPECT_EQ(dialog.ScrollBars[0]->maximum(), 100);
        EXPECT_EQ(dialog.ScrollBars[0]->pageStep(), 10);
        EXPECT_EQ(dialog.ScrollBars[1]->minimum(), -40);
        EXPECT_EQ(dialog.ScrollBars[1]->maximum(), 40);
        EXPECT_EQ(dialog.ScrollBars[1]->pageStep(), 4);
        EXPECT_EQ(dialog.Labels[1]->text(), QString::fromUtf8("縦軸の移動量："));
        // Computed at once; the thumbnail shows the 100 x 40 selection.
        EXPECT_EQ(dialog.RefreshCount(), 1);
        EXPECT_EQ(dialog.QxPreview().Bitmap().Width(), 158);
        // The full width and the full height are whole turns: nothing.
        dialog.SpinEdits[0]->setValue(100);
        dialog.SpinEdits[1]->setValue(-40);
        dialog.OkClick();
        EXPECT_EQ(form->QxImage1().UndoCount(), 0);
        EXPECT_TRUE(form->mnuUndoList->actions().isEmpty());
    }
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::ShiftImage));
    // The thumbnail (158 wide for 100) shifts by Trunc(158 / 100 x 10) = 15.
    const TDibImage thumb = dialog.QxPreview().Bitmap().ToDibImage();
    dialog.SpinEdits[0]->setValue(10);
    EXPECT_EQ(dialog.QxPreview().Bitmap().Dib().GetPixels(15, 0), thumb.GetPixels(0, 0));
    dialog.OkClick();
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(after.Width(), 100);
    // Column 0 moved to 10, column 95 wrapped round to 5; the rows below
    // the selection stayed.
    EXPECT_EQ(after.GetPixels(10, 0), before.GetPixels(0, 0));
    EXPECT_EQ(after.GetPixels(5, 39), before.GetPixels(95, 39));
    EXPECT_EQ(after.GetPixels(0, 50), before.GetPixels(0, 50));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("シフト")});
}

// ------------------------------------------------------------------ clipboard

TEST(ClipboardCommands, CutAndEraseFollowTheSelection) {
    auto form = WindowWithSample(64, 48, "enable-cut.bmp");
    EXPECT_FALSE(form->Actions.mnuCut->isEnabled());
    EXPECT_FALSE(form->Actions.mnuDelete->isEnabled());
    Select(*form, TRect{4, 4, 20, 20});
    EXPECT_TRUE(form->Actions.mnuCut->isEnabled());
    EXPECT_TRUE(form->Actions.mnuDelete->isEnabled());
    form->View().SelectAll();  // toggles the selection off
    EXPECT_FALSE(form->QxImage1().HasSelection());
    EXPECT_FALSE(form->Actions.mnuCut->isEnabled());
    EXPECT_FALSE(form->Actions.mnuDelete->isEnabled());
}

TEST(ClipboardCommands, PasteAndClearFollowTheClipboard) {
    auto form = WindowWithSample(16, 16, "enable-paste.bmp");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    ProcessEvents();
    EXPECT_FALSE(form->Actions.mnuPaste->isEnabled());
    EXPECT_FALSE(form->Actions.mnuClipBoardClear->isEnabled());
    EXPECT_FALSE(form->Actions.mnuMergePaste->isEnabled());
    clipboard->setText(QStringLiteral("not a picture"));
    ProcessEvents();
    EXPECT_FALSE(form->Actions.mnuPaste->isEnabled());

    // Copying puts a picture there.
    form->Actions.mnuCopy->trigger();
    ProcessEvents();
    EXPECT_TRUE(form->ClipboardHasBitmap());
    EXPECT_TRUE(form->Actions.mnuPaste->isEnabled());
    EXPECT_TRUE(form->Actions.mnuClipBoardClear->isEnabled());
    // Merge-paste follows paste.
    EXPECT_TRUE(form->Actions.mnuMergePaste->isEnabled());

    form->Actions.mnuClipBoardClear->trigger();
    ProcessEvents();
    EXPECT_FALSE(form->Actions.mnuPaste->isEnabled());
    EXPECT_FALSE(form->Actions.mnuClipBoardClear->isEnabled());
}

TEST(ClipboardCommands, CopyThenPasteReplacesThePictureAndUndoTakesItBack) {
    auto form = WindowWithSample(64, 48, "paste.bmp", 8);
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    Select(*form, TRect{10, 5, 30, 25});
    form->Actions.mnuCopy->trigger();
    ProcessEvents();
    form->View().SetZoom(2000);
    form->Actions.mnuPaste->trigger();
    EXPECT_EQ(form->QxImage1().Zoom(), 1000);
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(after.Width(), 20);
    ASSERT_EQ(after.Height(), 20);
    // Our own DIB comes back in its depth with its palette.
    EXPECT_EQ(after.BitCount(), 8);
    EXPECT_EQ(after.GetPixels(0, 0), before.GetPixels(10, 5));
    EXPECT_FALSE(form->QxImage1().HasSelection());
    EXPECT_FALSE(form->Actions.mnuCut->isEnabled());
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("貼り付け")});
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
}

TEST(ClipboardCommands, PasteOfAnotherProgramsImageMakesA24BitPicture) {
    test::WriteSettingsText("");
    auto form = MakeWindow();  // no picture: paste makes one
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    image.setPixelColor(4, 2, QColor(200, 100, 50));
    QGuiApplication::clipboard()->setImage(image);
    ProcessEvents();
    ASSERT_TRUE(form->Actions.mnuPaste->isEnabled());
    form->Actions.mnuPaste->trigger();
    ASSERT_FALSE(form->ImageEmpty());
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(after.Width(), 5);
    ASSERT_EQ(after.Height(), 3);
    EXPECT_EQ(after.BitCount(), 24);
    EXPECT_EQ(after.GetPixels(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(after.GetPixels(4, 2), RGB(200, 100, 50));
}

TEST(ClipboardCommands, CutCopiesAndFillsTheSelectionWithTheBackground) {
    auto form = WindowWithSample(32, 32, "cut.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    form->SetBackgroundColor(RGB(0, 255, 0));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    // Without a selection cut changes nothing, the clipboard included.
    form->Actions.mnuCut->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);

    Select(*form, TRect{4, 4, 12, 10});
    form->Actions.mnuCut->trigger();
    ProcessEvents();
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    EXPECT_EQ(after.GetPixels(4, 4), RGB(0, 255, 0));
    EXPECT_EQ(after.GetPixels(11, 9), RGB(0, 255, 0));
    EXPECT_EQ(after.GetPixels(12, 9), before.GetPixels(12, 9));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("切り取り")});
    ASSERT_TRUE(form->ClipboardHasBitmap());
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(8, 6));

    // Erase: the same fill, its own caption.
    Select(*form, TRect{20, 20, 24, 24});
    form->Actions.mnuDelete->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().Dib().GetPixels(20, 20), RGB(0, 255, 0));
    EXPECT_EQ(UndoCaptions(*form).first(), QString::fromUtf8("選択範囲消去"));
}

}  // namespace
}  // namespace zelvo
