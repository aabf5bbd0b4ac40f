// The text-insertion window and its command: the "TextOut" settings with
// the lines in their comma-separated form, the controls driving the
// document's overlay, OK and cancel, and the toggle of the main window.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextCursor>
#include <QToolButton>

#include <string>
#include <tuple>
#include <vector>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/dialogs/TextOutSettings.h"
#include "app/dialogs/ZVfrmTextOut.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"
#include "platform/qt/TextRenderQt.h"
#include "view/QxImageView.h"

namespace zelvo::test {
namespace {

using TLines = std::vector<std::string>;

// Lines that a careless comma list would split, merge, trim or drop.
TEST(TextOutSettings, TextRoundTripsCommasQuotesBlanksAndEmptyLines) {
    const std::vector<TLines> cases = {
        {},
        {""},
        {"", ""},
        {"plain"},
        {"a,b", "c"},
        {"say \"hi\"", "\"", "\"\""},
        {" leading", "trailing ", "two  blanks", "\ttab"},
        {"first", "", "", "after two empty lines", ""},
        {"文字入れ", "全角　空白", "カンマ、句読点。"},
        {",", ",,", "\",\""},
    };
    for (const TLines& lines : cases) {
        const std::string text = LinesToCommaText(lines);
        SCOPED_TRACE(text);
        EXPECT_EQ(CommaTextToLines(text), lines);
        // And through the settings file as written and read back.
        TIniFile ini = TIniFile::FromText("");
        TTextOutSettings s;
        s.Text = lines;
        WriteTextOutSettings(s, ini);
        EXPECT_EQ(ReadTextOutSettings(TIniFile::FromText(ini.Text())).Text, lines);
    }
}

TEST(TextOutSettings, CommaFormAsStoredAndAsHandEdited) {
    EXPECT_EQ(LinesToCommaText({"a b", "", "x"}), "\"a b\",\"\",x,");
    EXPECT_EQ(LinesToCommaText({"say \"hi\""}), "\"say \"\"hi\"\"\",");
    // Without the last comma, and an unterminated quote.
    EXPECT_EQ(CommaTextToLines("x,y"), (TLines{"x", "y"}));
    EXPECT_EQ(CommaTextToLines("\"open"), (TLines{"open"}));
    EXPECT_EQ(CommaTextToLines(""), TLines{});
}

// A text far longer than a plain string read returns keeps every line.
TEST(TextOutSettings, LongTextKeepsEveryLine) {
    TLines lines;
    for (int i = 0; i < 400; ++i) lines.push_back("line " + std::to_string(i) + ", with a comma");
    TIniFile ini = TIniFile::FromText("");
    TTextOutSettings s;
    s.Text = lines;
    WriteTextOutSettings(s, ini);
    EXPECT_EQ(ReadTextOutSettings(TIniFile::FromText(ini.Text())).Text, lines);
}

TEST(TextOutSettings, EveryKeyRoundTripsAndRangesFallBackToTheDefaults) {
    TTextOutSettings s;
    s.HasPosition = true;
    s.Left = -20;
    s.Top = 33;
    s.Width = 600;
    s.Height = 300;
    s.FontName = "Noto Serif CJK JP";
    s.FontSize = 300;
    s.FontBold = s.FontItalic = s.FontUnderLine = true;
    s.FontColor = RGB(1, 2, 3);
    s.BackColor = clBtnFace;
    s.Tategaki = s.Transparent = s.AntiAlias = true;
    s.FrameWidth = 99;
    s.FrameColor = clNavy;
    s.Padding = 0;
    s.AlphaChannel = 0;
    s.Text = {"a", "", "b c"};
    TIniFile ini = TIniFile::FromText("");
    WriteTextOutSettings(s, ini);
    const TTextOutSettings r = ReadTextOutSettings(TIniFile::FromText(ini.Text()));
    EXPECT_TRUE(r.HasPosition);
    EXPECT_EQ(std::tie(r.Left, r.Top, r.Width, r.Height, r.FontName, r.FontSize),
              std::tie(s.Left, s.Top, s.Width, s.Height, s.FontName, s.FontSize));
    EXPECT_TRUE(r.FontBold && r.FontItalic && r.FontUnderLine && r.Tategaki && r.Transparent && r.AntiAlias);
    EXPECT_EQ(std::tie(r.FontColor, r.BackColor, r.FrameColor, r.FrameWidth, r.Padding, r.AlphaChannel),
              std::tie(s.FontColor, s.BackColor, s.FrameColor, s.FrameWidth, s.Padding, s.AlphaChannel));
    EXPECT_EQ(r.Text, s.Text);
    EXPECT_NE(ini.Text().find("BackColor=clBtnFace"), std::string::npos);

    const TTextOutSettings bad = ReadTextOutSettings(TIniFile::FromText(
        "[TextOut]\nWidth=459\nHeight=159\nFontSize=301\nFrameWidth=100\nPadding=-1\nAlphaChannel=101\n"));
    const TTextOutSettings d;
    EXPECT_FALSE(bad.HasPosition);
    EXPECT_EQ(std::tie(bad.Width, bad.Height, bad.FontSize, bad.FrameWidth, bad.Padding, bad.AlphaChannel),
              std::tie(d.Width, d.Height, d.FontSize, d.FrameWidth, d.Padding, d.AlphaChannel));
    EXPECT_EQ(bad.Text, TLines{kDefaultTextOutText});
    EXPECT_EQ(ReadTextOutSettings(TIniFile::FromText("[TextOut]\nFontSize=3\n")).FontSize, 10);
    EXPECT_EQ(ReadTextOutSettings(TIniFile::FromText("[TextOut]\nFontSize=4\n")).FontSize, 4);
}

// A view on a 24-bit (or 8-bit) picture with Qt's renderer installed.
struct TTextFixture {
    TQtTextRenderer renderer;
    TTextRendererInstallation installed{renderer};
    TQxImage doc;
    TQxImageView view{doc};
    std::filesystem::path ini = AppTestDir() / "TextOut.ini";
    explicit TTextFixture(int bitCount = 24) {
        const TDibImage picture = bitCount == 24 ? FlatImage24(200, 150, clWhite)
                                                 : NoiseImagePalette(200, 150, bitCount, 1 << bitCount, 5);
        TBitmap bitmap;
        bitmap.Assign(picture);
        doc.SetBitmap(bitmap);
        doc.ClearUndo();
        doc.SetScrollPos(TPoint{7, 9});
        view.resize(300, 200);
        view.show();
        std::filesystem::remove(ini);
    }
};

TEST(ZVfrmTextOut, OpeningStartsTextModeWithTheSettings) {
    TTextFixture f;
    {
        TIniFile ini(f.ini);
        TTextOutSettings s;
        s.Text = {"Zelvo", "", "文字"};
        s.FrameWidth = 4;
        s.FontSize = 20;
        WriteTextOutSettings(s, ini);
        ini.UpdateFile();
    }
    QPointer<TZVfrmTextOut> window = new TZVfrmTextOut(f.view, f.ini);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("文字入れ"));
    EXPECT_EQ(window->Label6->text(), QStringLiteral("不透明率度："));
    EXPECT_EQ(window->btnTategaki->text(), QStringLiteral("縦書"));
    EXPECT_TRUE(f.doc.TextMode());
    EXPECT_EQ(f.doc.Cursor(), crFont);
    ASSERT_TRUE(f.doc.HasTextOverlay());
    const TTextOverlay& t = f.doc.TextOverlay();
    EXPECT_EQ(t.Pos, (TPoint{7, 9}));
    EXPECT_EQ(t.Lines, (TLines{"Zelvo", "", "文字"}));
    EXPECT_EQ(t.FrameWidth, 4);
    EXPECT_EQ(t.Font.Size, 20);
    EXPECT_EQ(t.Font.Name, kDefaultTextFace);
    EXPECT_TRUE(t.HasMask);
    EXPECT_EQ(t.BlockHeight, 3 * t.LineHeight);
    EXPECT_TRUE(window->CheckBox1->isEnabled());
    EXPECT_TRUE(window->TrackBar1->isEnabled());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(f.doc.TextMode());
    EXPECT_FALSE(f.doc.HasTextOverlay());
    EXPECT_EQ(f.doc.UndoCount(), 0);
}

TEST(ZVfrmTextOut, EveryControlSetsTheOverlay) {
    TTextFixture f;
    QPointer<TZVfrmTextOut> window = new TZVfrmTextOut(f.view, f.ini);
    window->show();
    window->SetLines({"ab", "abcdef"});
    const TTextOverlay& t = f.doc.TextOverlay();
    EXPECT_EQ(t.Lines, (TLines{"ab", "abcdef"}));
    const int across = t.BlockWidth;
    window->btnTategaki->click();
    EXPECT_TRUE(t.Vertical);
    EXPECT_EQ(t.BlockWidth, 2 * t.LineHeight);
    EXPECT_EQ(t.BlockHeight, across);
    window->SpinEdit2->setValue(7);
    EXPECT_EQ(t.FrameWidth, 7);
    window->SpinEdit3->setValue(11);
    EXPECT_EQ(t.Padding, 11);
    window->btnTransparent->click();
    EXPECT_TRUE(t.Transparent);
    window->btnBold->click();
    EXPECT_TRUE(t.Font.Bold);
    window->SpinEdit1->setValue(40);
    EXPECT_EQ(t.Font.Size, 40);
    // The track bar and its spin edit follow each other.
    window->TrackBar1->setValue(35);
    EXPECT_EQ(window->SpinEdit4->value(), 35);
    EXPECT_EQ(t.Opacity, 35);
    window->SpinEdit4->setValue(80);
    EXPECT_EQ(window->TrackBar1->value(), 80);
    EXPECT_EQ(t.Opacity, 80);
    window->CheckBox1->click();
    EXPECT_TRUE(t.AntiAlias);
    window->ChooseColor = [](TColor& c) {
        c = RGB(10, 20, 30);
        return true;
    };
    window->btnColor->click();
    EXPECT_EQ(t.Font.Color, RGB(10, 20, 30));
    window->ChooseColor = [](TColor& c) {
        c = RGB(1, 2, 3);
        return true;
    };
    window->btnFrame->click();
    EXPECT_EQ(t.FrameColor, RGB(1, 2, 3));
    window->ChooseColor = [](TColor&) { return false; };
    window->btnBackColor->click();
    EXPECT_EQ(t.BackColor, clWhite);
    window->close();
}

// On a palette picture the opacity and smoothing controls are off and the
// overlay gets 100 and no smoothing whatever they hold.
TEST(ZVfrmTextOut, PalettePicturesOfferNeitherOpacityNorSmoothing) {
    TTextFixture f(8);
    {
        TIniFile ini(f.ini);
        TTextOutSettings s;
        s.AlphaChannel = 40;
        s.AntiAlias = true;
        WriteTextOutSettings(s, ini);
        ini.UpdateFile();
    }
    QPointer<TZVfrmTextOut> window = new TZVfrmTextOut(f.view, f.ini);
    EXPECT_FALSE(window->TrackBar1->isEnabled());
    EXPECT_FALSE(window->SpinEdit4->isEnabled());
    EXPECT_FALSE(window->Label6->isEnabled());
    EXPECT_FALSE(window->CheckBox1->isEnabled());
    EXPECT_EQ(f.doc.TextOverlay().Opacity, 100);
    EXPECT_FALSE(f.doc.TextOverlay().AntiAlias);
    EXPECT_EQ(window->SpinEdit4->value(), 40);  // kept for a 24-bit picture
    window->close();
}

// OK draws the text as one undo step and writes the settings; the text
// lines, empty ones included, come back next time.
TEST(ZVfrmTextOut, OkDrawsAndRemembers) {
    TTextFixture f;
    QPointer<TZVfrmTextOut> window = new TZVfrmTextOut(f.view, f.ini);
    window->show();
    window->SetLines({"Zelvo, \"text\"", "", "  end"});
    window->SpinEdit2->setValue(2);
    bool applied = false;
    QObject::connect(window.data(), &TZVfrmTextOut::Finished, [&applied](bool a) { applied = a; });
    window->Button1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(applied);
    EXPECT_EQ(f.doc.UndoCount(), 1);
    EXPECT_FALSE(f.doc.TextMode());
    // The frame's top-left corner at the scroll position, in black.
    EXPECT_EQ(f.doc.Bitmap().PixelColor(7, 9), clBlack);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(6, 8), clWhite);

    const TTextOutSettings s = ReadTextOutSettings(TIniFile(f.ini));
    EXPECT_EQ(s.Text, (TLines{"Zelvo, \"text\"", "", "  end"}));
    EXPECT_EQ(s.FrameWidth, 2);
    QPointer<TZVfrmTextOut> again = new TZVfrmTextOut(f.view, f.ini);
    EXPECT_EQ(again->Lines(), s.Text);
    EXPECT_EQ(again->Memo1->toPlainText(), QString::fromUtf8("Zelvo, \"text\"\n\n  end"));
    again->close();
}

// One key press and release sent to `target`.
void Key(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

// Enter in the text makes a new line; Enter elsewhere is OK. Esc and
// "キャンセル" leave the picture as it was.
TEST(ZVfrmTextOut, EnterAndCancel) {
    TTextFixture f;
    QPointer<TZVfrmTextOut> window = new TZVfrmTextOut(f.view, f.ini);
    window->show();
    window->activateWindow();
    window->SetLines({"one"});
    window->Memo1->setFocus();
    window->Memo1->moveCursor(QTextCursor::End);
    Key(window->Memo1, Qt::Key_Return, QStringLiteral("\r"));
    window->Memo1->insertPlainText(QStringLiteral("two"));
    EXPECT_EQ(f.doc.TextOverlay().Lines, (TLines{"one", "two"}));
    EXPECT_FALSE(window.isNull());
    Key(window.data(), Qt::Key_Escape, QStringLiteral("\x1b"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(f.doc.UndoCount(), 0);

    window = new TZVfrmTextOut(f.view, f.ini);
    window->show();
    window->Button2->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(f.doc.UndoCount(), 0);

    window = new TZVfrmTextOut(f.view, f.ini);
    window->show();
    window->SpinEdit2->setFocus();
    Key(window->SpinEdit2, Qt::Key_Return, QStringLiteral("\r"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(f.doc.UndoCount(), 1);
}

// The main window's toggle: tool mode while the window exists, the undo
// step "文字入れ" after OK, the toggle reset when the window closes; with
// no picture it stays off.
TEST(TextCommands, ToggleOpensTheWindowAndOkNamesTheUndoStep) {
    auto empty = MakeWindow();
    empty->Actions.mnuTextOut->trigger();
    EXPECT_FALSE(empty->Actions.mnuTextOut->isChecked());
    EXPECT_TRUE(empty->Modes.FTextOutWindow.isNull());

    auto form = WindowWithSample(120, 90, "text.bmp");
    form->show();
    QAction* toggle = form->Actions.mnuTextOut;
    ASSERT_TRUE(toggle->isEnabled());
    toggle->trigger();
    ASSERT_FALSE(form->Modes.FTextOutWindow.isNull());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(form->ToolMode());
    EXPECT_FALSE(form->Actions.mnuSepia->isEnabled());
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_TRUE(form->QxImage1().TextMode());
    // Switched off: the window closes without drawing.
    toggle->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form->Modes.FTextOutWindow.isNull());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(form->ToolMode());
    EXPECT_TRUE(form->Actions.mnuSepia->isEnabled());
    EXPECT_FALSE(form->QxImage1().TextMode());
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());

    toggle->trigger();
    auto* window = static_cast<TZVfrmTextOut*>(form->Modes.FTextOutWindow.data());
    ASSERT_NE(window, nullptr);
    window->Button1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form->Modes.FTextOutWindow.isNull());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(UndoCaptions(*form), QStringList{QStringLiteral("文字入れ")});
    EXPECT_EQ(form->QxImage1().UndoCount(), 1);
    EXPECT_TRUE(form->Actions.mnuUndo->isEnabled());
}

}  // namespace
}  // namespace zelvo::test
