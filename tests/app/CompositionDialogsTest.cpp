// The merge and combine dialogs over a real main window (the second
// picture from a file or the clipboard, the refusals that keep the dialog
// open, each merge way's pixels, the combine example, undo giving the bytes
// back) and merge-paste: the clipboard's picture floating at the scroll
// position, dragged with the mouse and fixed with "位置確定".

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include "AppTestSupport.h"
#include "PictureDialogsSupport.h"
#include "TestSupport.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/SecondPicture.h"
#include "app/dialogs/ZVfrmApplyCancel.h"
#include "app/dialogs/ZVfrmCombine.h"
#include "app/dialogs/ZVfrmMerge.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "effects/Composition.h"
#include "platform/Clipboard.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::AppTestDir;
using test::Picture;
using test::TScriptedDialogs;
using test::UndoCaptions;
using test::WindowWithSample;


QString WritePicture(const std::string& name, const TDibImage& picture) {
    const auto path = AppTestDir() / name;
    picture.SaveToFile(path);
    return QString::fromStdString(path.string());
}

TEST(MergeDialog, PresetEnablingAndTheTransparencyPair) {
    auto form = WindowWithSample(8, 8, "merge-preset.bmp");
    EffectSettings(*form).MergeType = 3;
    EffectSettings(*form).MergeAlphaChannel = 30;
    TZVfrmMerge dialog(*form);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("イメージの合成"));
    EXPECT_EQ(dialog.size(), QSize(379, 296));
    EXPECT_TRUE(dialog.chkSubtract->isChecked());
    EXPECT_EQ(dialog.MergeType(), 3);
    EXPECT_EQ(dialog.TrackBar1->value(), 30);
    EXPECT_EQ(dialog.SpinEdit1->value(), 30);
    EXPECT_FALSE(dialog.TrackBar1->isEnabled());
    EXPECT_FALSE(dialog.Label3->isEnabled());
    dialog.chkNormal->click();
    EXPECT_TRUE(dialog.TrackBar1->isEnabled());
    EXPECT_TRUE(dialog.SpinEdit1->isEnabled());
    EXPECT_TRUE(dialog.Label4->isEnabled());
    dialog.TrackBar1->setValue(70);
    EXPECT_EQ(dialog.SpinEdit1->value(), 70);
    dialog.SpinEdit1->setValue(12);
    EXPECT_EQ(dialog.TrackBar1->value(), 12);
    dialog.chkLight->click();
    EXPECT_FALSE(dialog.SpinEdit1->isEnabled());

    // OK needs a file name or the clipboard.
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    dialog.CheckBox1->setChecked(true);
    EXPECT_TRUE(dialog.btnOK->isEnabled());
    EXPECT_FALSE(dialog.Edit1->isEnabled());
    EXPECT_FALSE(dialog.SpeedButton1->isEnabled());
    dialog.CheckBox1->setChecked(false);
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    EXPECT_TRUE(dialog.Edit1->isEnabled());

    // "..." puts the chosen name in; a cancelled choice leaves it.
    dialog.Input().ChooseFile = [] { return QStringLiteral("/pictures/a.bmp"); };
    dialog.SpeedButton1->click();
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/pictures/a.bmp"));
    EXPECT_TRUE(dialog.btnOK->isEnabled());
    dialog.Input().ChooseFile = [] { return QString(); };
    dialog.SpeedButton1->click();
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/pictures/a.bmp"));
    dialog.Input().FilesDropped({QStringLiteral("/x/first.png"), QStringLiteral("/x/second.png")});
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/x/first.png"));
}

TEST(MergeDialog, ARememberedWayBeyondTheTableChecksOverwrite) {
    auto form = WindowWithSample(8, 8, "merge-beyond.bmp");
    EffectSettings(*form).MergeType = 200;
    EffectSettings(*form).MergeAlphaChannel = 250;
    TZVfrmMerge dialog(*form);
    EXPECT_TRUE(dialog.chkOverwrite->isChecked());
    EXPECT_EQ(dialog.SpinEdit1->value(), 100);
}

TEST(MergeDialog, AnUnreadablePictureKeepsTheDialogOpen) {
    auto form = WindowWithSample(8, 8, "merge-fail.bmp");
    const TDibImage before = Picture(*form);
    InstalledClipboard()->Clear();
    struct TCase {
        bool Clipboard;
        const char* Message;
    };
    for (const TCase& c : {TCase{false, kSecondPictureFileError}, TCase{true, kSecondPictureClipboardError}}) {
        SCOPED_TRACE(c.Message);
        TZVfrmMerge dialog(*form);
        QStringList stops;
        dialog.Input().ShowStop = [&stops](const QString& text) { stops << text; };
        dialog.Edit1->setText(QString::fromStdString((AppTestDir() / "no-such-picture.bmp").string()));
        dialog.CheckBox1->setChecked(c.Clipboard);
        EXPECT_FALSE(dialog.OkClick());
        EXPECT_EQ(stops, QStringList{QString::fromUtf8(c.Message)});
        EXPECT_NE(dialog.result(), int(QDialog::Accepted));
        EXPECT_TRUE(UndoCaptions(*form).isEmpty());
        EXPECT_TRUE(test::SamePixels(Picture(*form), before));
    }
}

TEST(MergeDialog, EachWayMergesTheFileAndUndoGivesThePictureBack) {
    // The way as "MergeType" numbers it, and what the engine is asked for.
    struct TCase {
        int Type;
        effects::TMergeKind Kind;
        int Transparency;
    };
    const TCase cases[] = {
        {0, effects::TMergeKind::Blend, 0},  {1, effects::TMergeKind::Blend, 25},
        {2, effects::TMergeKind::Add, 0},    {3, effects::TMergeKind::Subtract, 0},
        {4, effects::TMergeKind::Lighter, 0}, {5, effects::TMergeKind::Darker, 0},
    };
    const TDibImage source = test::NoiseImage24(12, 10, 41);
    const QString sourcePath = WritePicture("merge-source.bmp", source);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Type);
        auto form = WindowWithSample(20, 16, "merge-target.bmp");
        const TDibImage before = Picture(*form);
        TDibImage expected(before);
        expected.UniqueDIB();
        effects::Merge(expected, source, c.Kind, c.Transparency, {});

        const TScriptedDialogs script([&](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmMerge&>(d);
            QRadioButton* byType[] = {dialog.chkOverwrite, dialog.chkNormal, dialog.chkAdd,
                                      dialog.chkSubtract,  dialog.chkLight,  dialog.chkDark};
            byType[c.Type]->click();
            dialog.SpinEdit1->setValue(25);
            dialog.Edit1->setText(sourcePath);
            EXPECT_TRUE(dialog.OkClick());
            return dialog.result();
        });
        form->Actions.mnuMerge->trigger();
        EXPECT_TRUE(test::SamePixels(Picture(*form), expected));
        EXPECT_EQ(EffectSettings(*form).MergeType, c.Type);
        EXPECT_EQ(EffectSettings(*form).MergeAlphaChannel, 25);
        EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("合成")});
        form->Actions.mnuUndo->trigger();
        EXPECT_TRUE(test::SamePixels(Picture(*form), before));
    }
    EXPECT_EQ(MergeCallFor(1, 400).Transparency, 100);
    EXPECT_EQ(MergeCallFor(9, 40).Kind, 0);
}

TEST(MergeDialog, FromTheClipboardIntoASelection) {
    auto form = WindowWithSample(20, 16, "merge-clipboard.bmp", 8);
    const TDibImage before = Picture(*form);
    const TBitmap shown = form->QxImage1().Bitmap();  // shares the storage until the merge writes
    const TDibImage pasted = test::FlatImage24(30, 30, RGB(10, 200, 30));
    ASSERT_TRUE(InstalledClipboard()->PutDib(pasted));
    form->QxImage1().SetSelectionRect(TRect{4, 3, 9, 7});
    const TScriptedDialogs script([&](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmMerge&>(d);
        dialog.chkOverwrite->click();
        dialog.CheckBox1->setChecked(true);
        EXPECT_TRUE(dialog.OkClick());
        return dialog.result();
    });
    form->Actions.mnuMerge->trigger();
    // Overwrite fills exactly the selection and makes the picture 24-bit.
    const TDibImage after = Picture(*form);
    EXPECT_EQ(after.BitCount(), 24);
    EXPECT_EQ(after.GetPixels(4, 3), RGB(10, 200, 30));
    EXPECT_EQ(after.GetPixels(8, 6), RGB(10, 200, 30));
    // Outside the selection the picture shows the colours it showed.
    for (const TPoint p : {TPoint{3, 3}, TPoint{9, 6}, TPoint{4, 7}, TPoint{19, 15}}) {
        SCOPED_TRACE(std::to_string(p.X) + "," + std::to_string(p.Y));
        EXPECT_EQ(after.GetPixels(p.X, p.Y), shown.PixelColor(p.X, p.Y));
    }
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

TEST(CombineDialog, DirectionsAndTheShiftCaption) {
    auto form = WindowWithSample(8, 8, "combine-dialog.bmp");
    TZVfrmCombine dialog(*form);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("連結"));
    EXPECT_TRUE(dialog.Directions[0]->isChecked());
    EXPECT_EQ(dialog.RadioGroup1->title(), QString::fromUtf8("連結方向"));
    EXPECT_EQ(dialog.SpinEdit1->minimum(), -99);
    EXPECT_EQ(dialog.SpinEdit2->maximum(), 99);
    const char* expected[] = {"連結時に左端からずらす量：", "連結時に左端からずらす量：", "連結時に上端からずらす量：",
                              "連結時に上端からずらす量："};
    const int directions[] = {2, 3, 0, 1};
    for (int item = 0; item < 4; ++item) {
        SCOPED_TRACE(item);
        dialog.Directions[item]->click();
        EXPECT_EQ(dialog.ItemIndex(), item);
        EXPECT_EQ(dialog.Direction(), directions[item]);
        EXPECT_EQ(dialog.Label3->text(), QString::fromUtf8(expected[item]));
    }
    EXPECT_FALSE(dialog.btnOK->isEnabled());
}

TEST(CombineDialog, WorkedExampleRightWithGapAndNegativeShift) {
    // 100 x 50 and 40 x 80 to the right, gap 10, shift -5: 150 x 85, the
    // picture at (0, 5), the other at (110, 0), the rest in the background.
    auto form = WindowWithSample(100, 50, "combine-target.bmp");
    form->SetBackgroundColor(RGB(1, 2, 3));
    const TDibImage before = Picture(*form);
    const TDibImage other = test::NoiseImage24(40, 80, 42);
    const QString otherPath = WritePicture("combine-other.bmp", other);
    const TScriptedDialogs script([&](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmCombine&>(d);
        dialog.SetItemIndex(3);
        dialog.SpinEdit1->setValue(10);
        dialog.SpinEdit2->setValue(-5);
        dialog.Edit1->setText(otherPath);
        EXPECT_TRUE(dialog.OkClick());
        return dialog.result();
    });
    form->Actions.mnuCombine->trigger();
    const TDibImage after = Picture(*form);
    ASSERT_EQ(after.Width(), 150);
    ASSERT_EQ(after.Height(), 85);
    EXPECT_EQ(after.GetPixels(0, 5), before.GetPixels(0, 0));
    EXPECT_EQ(after.GetPixels(99, 54), before.GetPixels(99, 49));
    EXPECT_EQ(after.GetPixels(110, 0), other.GetPixels(0, 0));
    EXPECT_EQ(after.GetPixels(149, 79), other.GetPixels(39, 79));
    for (const TPoint p : {TPoint{0, 0}, TPoint{105, 40}, TPoint{0, 84}, TPoint{149, 84}}) {
        SCOPED_TRACE(std::to_string(p.X) + "," + std::to_string(p.Y));
        EXPECT_EQ(after.GetPixels(p.X, p.Y), RGB(1, 2, 3));
    }
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("連結")});
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

TEST(CombineDialog, CancelAndUnreadablePicturesChangeNothing) {
    auto form = WindowWithSample(10, 10, "combine-cancel.bmp");
    const TDibImage before = Picture(*form);
    QStringList stops;
    {
        const TScriptedDialogs script([&](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmCombine&>(d);
            dialog.Input().ShowStop = [&stops](const QString& text) { stops << text; };
            dialog.Edit1->setText(QStringLiteral("/no/such/picture.bmp"));
            EXPECT_FALSE(dialog.OkClick());
            return dialog.result();
        });
        form->Actions.mnuCombine->trigger();
    }
    EXPECT_EQ(stops, QStringList{QString::fromUtf8(kSecondPictureFileError)});
    {
        const TScriptedDialogs script([](QDialog&) { return int(QDialog::Rejected); });
        form->Actions.mnuCombine->trigger();
    }
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

// ------------------------------------------------------------------ merge-paste

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(MergePaste, TheClipboardFloatsIsDraggedAndFixed) {
    // An 8-bit picture: fixing the pasted picture makes it 24-bit, and undo
    // gives the 8-bit bytes back.
    auto form = WindowWithSample(60, 40, "merge-paste.bmp", 8);
    form->resize(400, 300);
    form->show();
    QApplication::processEvents();
    const TDibImage before = Picture(*form);
    ASSERT_TRUE(InstalledClipboard()->PutDib(test::FlatImage24(10, 8, clLime)));
    form->ClipboardChanged();
    ASSERT_TRUE(form->Actions.mnuMergePaste->isEnabled());

    form->Actions.mnuMergePaste->trigger();
    auto* window = qobject_cast<TZVfrmApplyCancel*>(form->Modes.FApplyCancelWindow.data());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("合成貼り付け"));
    EXPECT_TRUE(window->CheckBox1->isHidden());
    EXPECT_TRUE(form->ToolMode());
    EXPECT_TRUE(form->Modes.FMergePastePending);
    TQxImage& doc = form->QxImage1();
    ASSERT_TRUE(doc.Floating());
    EXPECT_TRUE(doc.CopyMode());
    EXPECT_EQ(doc.FloatPos(), (TPoint{0, 0}));
    EXPECT_FALSE(form->Actions.mnuMerge->isEnabled());

    // Dragged at 100 %: grabbed at (3, 3), let go at (23, 13).
    QWidget* viewport = form->View().viewport();
    Mouse(viewport, QEvent::MouseMove, {3, 3}, Qt::NoButton, Qt::NoButton);
    Mouse(viewport, QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
    Mouse(viewport, QEvent::MouseMove, {13, 8}, Qt::NoButton, Qt::LeftButton);
    Mouse(viewport, QEvent::MouseMove, {23, 13}, Qt::NoButton, Qt::LeftButton);
    Mouse(viewport, QEvent::MouseButtonRelease, {23, 13}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(doc.FloatPos(), (TPoint{20, 10}));
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());

    window->Button1->click();  // "位置確定"
    QApplication::processEvents();
    EXPECT_FALSE(doc.Floating());
    EXPECT_FALSE(form->ToolMode());
    const TDibImage after = Picture(*form);
    EXPECT_EQ(after.BitCount(), 24);
    EXPECT_EQ(after.GetPixels(20, 10), ColorToRGB(clLime));
    EXPECT_EQ(after.GetPixels(29, 17), ColorToRGB(clLime));
    EXPECT_NE(after.GetPixels(30, 18), ColorToRGB(clLime));
    EXPECT_EQ(doc.SelectionRect(), (TRect{20, 10, 30, 18}));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("合成貼り付け")});
    EXPECT_TRUE(form->Actions.mnuMerge->isEnabled());
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

TEST(MergePaste, CancelledOrWithoutAPictureNothingChanges) {
    auto form = WindowWithSample(30, 20, "merge-paste-cancel.bmp");
    const TDibImage before = Picture(*form);
    // Nothing on the clipboard: the window closes again at once.
    InstalledClipboard()->Clear();
    MergePasteClick(*form);
    QApplication::processEvents();
    EXPECT_FALSE(form->Modes.FApplyCancelWindow);
    EXPECT_FALSE(form->QxImage1().Floating());
    EXPECT_FALSE(form->ToolMode());
    // A picture, then "キャンセル".
    ASSERT_TRUE(InstalledClipboard()->PutDib(test::FlatImage24(4, 4, clRed)));
    MergePasteClick(*form);
    auto* window = qobject_cast<TZVfrmApplyCancel*>(form->Modes.FApplyCancelWindow.data());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(form->QxImage1().Floating());
    window->Button2->click();
    QApplication::processEvents();
    EXPECT_FALSE(form->QxImage1().Floating());
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

TEST(MergePaste, WithoutAPictureItPastes) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    ASSERT_TRUE(InstalledClipboard()->PutDib(test::FlatImage24(7, 5, clBlue)));
    MergePasteClick(*form);
    ASSERT_FALSE(form->ImageEmpty());
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 7);
    EXPECT_FALSE(form->Modes.FApplyCancelWindow);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("貼り付け")});
}

}  // namespace
}  // namespace zelvo
