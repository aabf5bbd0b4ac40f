// The histogram window (its plot, strip and readouts, also over a busy
// document), the equalize and normalize commands with their undo steps, and
// the colour count's message.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/dialogs/ZVfrmHistgram.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "effects/Histogram.h"
#include "platform/Bitmap.h"

namespace zelvo {
namespace {

using test::UndoCaptions;
using test::WindowWithSample;

QRgb White() { return qRgb(255, 255, 255); }
QRgb Black() { return qRgb(0, 0, 0); }

// Every pixel of column x from y0 to y1 (inclusive) is `color`.
::testing::AssertionResult ColumnIs(const QImage& image, int x, int y0, int y1, QRgb color) {
    for (int y = y0; y <= y1; ++y)
        if (image.pixel(x, y) != color)
            return ::testing::AssertionFailure()
                   << "pixel (" << x << ", " << y << ") is " << std::hex << image.pixel(x, y) << ", not " << color;
    return ::testing::AssertionSuccess();
}

TEST(HistogramPlot, BarsScaleToTheLargestCountAboveTheFrame) {
    // Largest count 10 in a plot 125 high: b = Trunc(124 / 10 x count).
    // Level 0, count 10: b = 124, the bar from y = 125 - 124 - 2 = -1, so
    // the whole column x = 1 below the frame's top row. Level 5, count 5:
    // b = 62, from y = 61. Level 255, count 1: b = 12, from y = 111.
    THistogramCounts counts{};
    counts[0] = 10;
    counts[5] = 5;
    counts[255] = 1;
    const QRgb pen = qRgb(0, 128, 0);
    const QImage plot = DrawHistogramPlot(counts, QColor(pen), 258, 125);
    ASSERT_EQ(plot.size(), QSize(258, 125));
    EXPECT_TRUE(ColumnIs(plot, 1, 1, 123, pen));
    EXPECT_TRUE(ColumnIs(plot, 6, 1, 60, White()));
    EXPECT_TRUE(ColumnIs(plot, 6, 61, 123, pen));
    EXPECT_TRUE(ColumnIs(plot, 256, 1, 110, White()));
    EXPECT_TRUE(ColumnIs(plot, 256, 111, 123, pen));
    // Levels without pixels draw nothing; the frame is black all round.
    EXPECT_TRUE(ColumnIs(plot, 2, 1, 123, White()));
    EXPECT_TRUE(ColumnIs(plot, 0, 0, 124, Black()));
    EXPECT_TRUE(ColumnIs(plot, 257, 0, 124, Black()));
    EXPECT_EQ(plot.pixel(6, 0), Black());
    EXPECT_EQ(plot.pixel(6, 124), Black());
}

TEST(HistogramPlot, AnEmptyHistogramDrawsOnlyTheFrame) {
    const QImage plot = DrawHistogramPlot(THistogramCounts{}, Qt::black, 258, 125);
    for (int x = 1; x < 257; ++x) ASSERT_TRUE(ColumnIs(plot, x, 1, 123, White()));
    EXPECT_TRUE(ColumnIs(plot, 0, 0, 124, Black()));
}

TEST(HistogramPlot, TheScaleStripShowsEachChannelsShades) {
    struct TCase {
        THistogramChannel Channel;
        QRgb At200;
    };
    for (const TCase& c : {TCase{THistogramChannel::Brightness, qRgb(200, 200, 200)},
                           TCase{THistogramChannel::Red, qRgb(200, 0, 0)},
                           TCase{THistogramChannel::Green, qRgb(0, 200, 0)},
                           TCase{THistogramChannel::Blue, qRgb(0, 0, 200)}}) {
        SCOPED_TRACE(int(c.Channel));
        const QImage strip = DrawHistogramScale(c.Channel, 258, 10);
        EXPECT_TRUE(ColumnIs(strip, 201, 3, 9, c.At200));
        EXPECT_TRUE(ColumnIs(strip, 201, 0, 1, White()));
        EXPECT_EQ(strip.pixel(201, 2), Black());  // the frame's top from y = 2
        EXPECT_TRUE(ColumnIs(strip, 0, 2, 9, Black()));
    }
    EXPECT_EQ(HistogramPen(THistogramChannel::Green), QColor(0, 128, 0));
    EXPECT_EQ(HistogramLevelAt(0), 0);
    EXPECT_EQ(HistogramLevelAt(31), 30);
    EXPECT_EQ(HistogramLevelAt(400), 255);
}

// A 4 x 2 picture: six pixels (30, 60, 90) and two (200, 10, 40), so the
// brightness histogram holds 6 at level 60 and 2 at level 83.
void LoadTwoColours(TQxImage& doc) {
    TBitmap picture(4, 2, pf24bit);
    picture.Canvas().BrushColor = RGB(30, 60, 90);
    picture.Canvas().FillRect(TRect{0, 0, 4, 2});
    picture.Canvas().BrushColor = RGB(200, 10, 40);
    picture.Canvas().FillRect(TRect{0, 0, 2, 1});
    doc.SetBitmap(picture);
}

TEST(HistogramWindow, ReadoutsFollowTheChannelAndTheMouse) {
    TQxImage doc;
    LoadTwoColours(doc);
    TZVfrmHistgram window(doc);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("ヒストグラム"));
    // 268 x 193, wider or taller only where the font needs it.
    EXPECT_GE(window.width(), 268);
    EXPECT_GE(window.height(), 193);
    EXPECT_EQ(window.AllCount(), 8);
    EXPECT_EQ(window.lblAllCount->text(), QStringLiteral("8"));
    EXPECT_EQ(window.ComboBox1->currentText(), QString::fromUtf8("輝度"));
    EXPECT_EQ(window.Counts(THistogramChannel::Brightness)[60], 6u);
    EXPECT_EQ(window.Counts(THistogramChannel::Brightness)[83], 2u);
    EXPECT_EQ(window.Counts(THistogramChannel::Green)[10], 2u);
    EXPECT_EQ(window.Counts(THistogramChannel::Blue)[40], 2u);
    // The brightness plot: black bars, level 60 full height.
    EXPECT_EQ(window.PlotImage().pixel(61, 5), Black());

    // The mouse over the plot at x = 61 shows level 60.
    QMouseEvent move(QEvent::MouseMove, QPointF(61, 50), QPointF(61, 50), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.Image1, &move);
    EXPECT_EQ(window.lblLevel->text(), QStringLiteral("60"));
    EXPECT_EQ(window.lblCount->text(), QStringLiteral("6"));
    // The red histogram at the same level holds nothing; at 200 it has 2.
    window.ComboBox1->setCurrentIndex(1);
    EXPECT_EQ(window.lblCount->text(), QStringLiteral("0"));
    // Red 30 holds 6 (a full bar), red 200 holds 2: b = Trunc(124 / 6 x 2)
    // = 41, from y = 125 - 41 - 2 = 82.
    EXPECT_TRUE(ColumnIs(window.PlotImage(), 31, 1, 123, qRgb(255, 0, 0)));
    EXPECT_TRUE(ColumnIs(window.PlotImage(), 201, 1, 81, White()));
    EXPECT_TRUE(ColumnIs(window.PlotImage(), 201, 82, 123, qRgb(255, 0, 0)));
    EXPECT_EQ(window.ScaleImage().pixel(201, 5), qRgb(200, 0, 0));
    QMouseEvent strip(QEvent::MouseMove, QPointF(201, 5), QPointF(201, 5), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window.Image2, &strip);
    EXPECT_EQ(window.lblLevel->text(), QStringLiteral("200"));
    EXPECT_EQ(window.lblCount->text(), QStringLiteral("2"));
    EXPECT_EQ(doc.UndoCount(), 0);
}

TEST(HistogramWindow, ABusyDocumentGivesMinusOneAndEmptyPlots) {
    TQxImage doc;
    LoadTwoColours(doc);
    ASSERT_EQ(doc.BeginEdit(false), kEditOpened);
    TZVfrmHistgram window(doc);
    EXPECT_EQ(window.lblAllCount->text(), QStringLiteral("-1"));
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        window.ComboBox1->setCurrentIndex(index);
        for (int x = 1; x < 257; ++x) ASSERT_TRUE(ColumnIs(window.PlotImage(), x, 1, 123, White()));
        EXPECT_EQ(window.lblCount->text(), QStringLiteral("0"));
    }
    doc.EndEdit(false, false);
}

TEST(HistogramCommands, TheWindowOpensOnlyWithAPicture) {
    const auto saved = PictureDialogExec();
    int shown = 0;
    std::int64_t total = 0;
    PictureDialogExec() = [&](QDialog& dialog) {
        ++shown;
        if (auto* window = dynamic_cast<TZVfrmHistgram*>(&dialog)) total = window->AllCount();
        return int(QDialog::Accepted);
    };
    auto empty = test::MakeWindow();
    empty->Actions.mnuHistogram->trigger();
    EXPECT_EQ(shown, 0);
    auto form = WindowWithSample(12, 5, "histogram-window.bmp");
    EXPECT_TRUE(form->Actions.H1->isEnabled());
    EXPECT_TRUE(form->Actions.mnuHistogram->isEnabled());
    form->Actions.mnuHistogram->trigger();
    PictureDialogExec() = saved;
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(total, 60);
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
}

TEST(HistogramCommands, EqualizeAndNormalizeAreUndoableSteps) {
    struct TCase {
        QAction* TMainActions::*Action;
        const char* Caption;
        bool (*Effect)(TDibImage&);
    };
    const TCase cases[] = {
        {&TMainActions::mnuEqualize, "イコライズ",
         [](TDibImage& w) {
             effects::Equalize(w, {});
             return true;
         }},
        {&TMainActions::mnuNormalize, "ノーマライズ", [](TDibImage& w) { return effects::Normalize(w, {}); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Caption);
        auto form = WindowWithSample(40, 30, "histogram-ops.bmp");
        const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
        TDibImage expected(before);
        expected.UniqueDIB();
        c.Effect(expected);
        (form->Actions.*c.Action)->trigger();
        EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), expected));
        EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8(c.Caption)});
        form->Actions.mnuUndo->trigger();
        EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
    }
}

TEST(HistogramCommands, NormalizeOfAFlatPictureStillTakesAStep) {
    auto form = test::MakeWindow();
    form->QxImage1().SetBitmap([] {
        TBitmap flat(9, 7, pf24bit);
        flat.Canvas().BrushColor = RGB(90, 90, 90);
        flat.Canvas().FillRect(TRect{0, 0, 9, 7});
        return flat;
    }());
    form->Actions.mnuNormalize->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().PixelColor(4, 3), RGB(90, 90, 90));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("ノーマライズ")});
    EXPECT_EQ(form->QxImage1().UndoCount(), 1);
}

TEST(HistogramCommands, TheColourCountIsToldAndNotUndoable) {
    const auto saved = ColorCountMessage();
    QStringList told;
    ColorCountMessage() = [&told](TZVfrmMain&, const QString& text) { told << text; };
    auto empty = test::MakeWindow();
    empty->Actions.mnuGetColorCount->trigger();
    EXPECT_TRUE(told.isEmpty());
    // 256 grey levels count as 256 colours.
    auto form = test::MakeWindow();
    TBitmap grey(16, 16, pf24bit);
    for (int i = 0; i < 256; ++i) {
        grey.Canvas().BrushColor = RGB(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
        grey.Canvas().FillRect(TRect{i % 16, i / 16, i % 16 + 1, i / 16 + 1});
    }
    form->QxImage1().SetBitmap(grey);
    form->Actions.mnuGetColorCount->trigger();
    ColorCountMessage() = saved;
    EXPECT_EQ(told, QStringList{QString::fromUtf8("この画像は 256 色使用されています。")});
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
}

}  // namespace
}  // namespace zelvo
