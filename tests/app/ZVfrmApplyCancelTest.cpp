// The apply/cancel window of a floating selection: which button applies,
// how the box drives CopyMode, and the "MoveObject" settings.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "app/dialogs/ZVfrmApplyCancel.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"
#include "view/QxImageView.h"

namespace zelvo::test {
namespace {

// A 60 x 40 picture, black except a white 10 x 10 square at (5, 5) that is
// selected and lifted, then placed at (30, 20).
struct TFloatingFixture {
    TQxImage doc;
    TQxImageView view{doc};
    std::filesystem::path ini = AppTestDir() / "MoveObject.ini";
    TFloatingFixture() {
        TBitmap picture(60, 40, pf24bit);
        picture.Canvas().BrushColor = clWhite;
        picture.Canvas().FillRect(TRect{5, 5, 15, 15});
        doc.SetBitmap(picture);
        doc.Color = clRed;
        view.resize(200, 200);
        view.show();
        doc.SetSelectionRect(TRect{5, 5, 15, 15});
        EXPECT_TRUE(doc.LiftSelection());
        doc.SetFloatPos(TPoint{30, 20});
        std::filesystem::remove(ini);
    }
    std::string IniText() const {
        std::ifstream in(ini, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST(ZVfrmApplyCancel, FixPositionAppliesAndWritesTheSettings) {
    TFloatingFixture f;
    QPointer<TZVfrmApplyCancel> window = new TZVfrmApplyCancel(f.view, f.ini);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("複写/移動"));
    EXPECT_EQ(window->Button1->text(), QStringLiteral("位置確定"));
    EXPECT_EQ(window->Button2->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(window->CheckBox1->text(), QStringLiteral("移動する"));
    // No remembered setting: copying.
    EXPECT_FALSE(window->CheckBox1->isChecked());
    EXPECT_TRUE(f.doc.CopyMode());
    window->show();
    window->CheckBox1->click();
    EXPECT_FALSE(f.doc.CopyMode());
    window->move(123, 45);
    bool committed = false;
    QObject::connect(window.data(), &TZVfrmApplyCancel::Finished, [&committed](bool c) { committed = c; });
    window->Button1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(committed);
    EXPECT_FALSE(f.doc.Floating());
    // Moved: the source took the background colour, the target the square.
    EXPECT_EQ(f.doc.Bitmap().PixelColor(7, 7), clRed);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(30, 20), clWhite);
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{30, 20, 40, 30}));
    const TIniFile ini(f.ini);
    EXPECT_EQ(ini.ReadInteger("MoveObject", "Left", -1), 123);
    EXPECT_EQ(ini.ReadInteger("MoveObject", "Top", -1), 45);
    EXPECT_TRUE(ini.ReadBool("MoveObject", "IsMove", false));
}

TEST(ZVfrmApplyCancel, AnyOtherCloseCancels) {
    TFloatingFixture f;
    {
        TIniFile ini(f.ini);
        ini.WriteBool("MoveObject", "IsMove", true);
        ASSERT_TRUE(ini.UpdateFile());
    }
    for (const char* how : {"button", "close", "escape"}) {
        SCOPED_TRACE(how);
        if (!f.doc.Floating()) {
            f.doc.SetSelectionRect(TRect{5, 5, 15, 15});
            ASSERT_TRUE(f.doc.LiftSelection());
        }
        QPointer<TZVfrmApplyCancel> window = new TZVfrmApplyCancel(f.view, f.ini);
        // The remembered "move" choice: the box is checked, CopyMode off.
        EXPECT_TRUE(window->CheckBox1->isChecked());
        EXPECT_FALSE(f.doc.CopyMode());
        window->show();
        if (std::string(how) == "button") {
            window->Button2->click();
        } else if (std::string(how) == "close") {
            window->close();
        } else {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(window.data(), &escape);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_FALSE(f.doc.Floating());
        EXPECT_EQ(f.doc.Bitmap().PixelColor(7, 7), clWhite);
        EXPECT_EQ(f.doc.Bitmap().PixelColor(30, 20), clBlack);
        EXPECT_EQ(f.doc.SelectionRect(), (TRect{5, 5, 15, 15}));
    }
}

// Merge-paste hides the box: copying, and the remembered choice is left
// alone when the window writes its settings.
TEST(ZVfrmApplyCancel, MergePasteFormKeepsTheRememberedChoice) {
    TFloatingFixture f;
    {
        TIniFile ini(f.ini);
        ini.WriteBool("MoveObject", "IsMove", true);
        ASSERT_TRUE(ini.UpdateFile());
    }
    QPointer<TZVfrmApplyCancel> window = new TZVfrmApplyCancel(f.view, f.ini);
    window->PrepareMergePaste();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("合成貼り付け"));
    EXPECT_TRUE(window->CheckBox1->isHidden());
    EXPECT_TRUE(f.doc.CopyMode());
    EXPECT_LT(window->height(), window->Button1->geometry().bottom() + 40);
    window->show();
    window->Button1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Copied: the source square is still there.
    EXPECT_EQ(f.doc.Bitmap().PixelColor(7, 7), clWhite);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(30, 20), clWhite);
    EXPECT_TRUE(TIniFile(f.ini).ReadBool("MoveObject", "IsMove", false));
    EXPECT_NE(f.IniText().find("Left="), std::string::npos);
}

TEST(ZVfrmApplyCancel, SettingsRoundTrip) {
    TIniFile ini = TIniFile::FromText("[MoveObject]\nLeft=$20\nTop=-7\nIsMove=1\n");
    const TMoveObjectSettings read = ReadMoveObjectSettings(ini);
    EXPECT_TRUE(read.HasPosition);
    EXPECT_EQ(read.Left, 32);
    EXPECT_EQ(read.Top, -7);
    EXPECT_TRUE(read.IsMove);
    const TMoveObjectSettings none = ReadMoveObjectSettings(TIniFile::FromText(""));
    EXPECT_FALSE(none.HasPosition);
    EXPECT_FALSE(none.IsMove);
    TIniFile out = TIniFile::FromText("; kept\n[MoveObject]\nIsMove=1\nOther=x\n");
    WriteMoveObjectSettings(TMoveObjectSettings{true, 5, 6, false}, out, false);
    const TMoveObjectSettings back = ReadMoveObjectSettings(out);
    EXPECT_EQ(back.Left, 5);
    EXPECT_EQ(back.Top, 6);
    EXPECT_TRUE(back.IsMove);  // not written
    EXPECT_NE(out.Text().find("Other=x"), std::string::npos);
}

}  // namespace
}  // namespace zelvo::test
