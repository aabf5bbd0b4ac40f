// The colour-depth items of PopupMenu1 convert the picture as one named
// undo step and disable the item of the new depth.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"
#include "formats/GifImage.h"

namespace zelvo {
namespace {

TEST(ColorDepthCommands, EachItemConvertsAndNamesItsStep) {
    auto form = test::WindowWithSample(20, 10, "depth.bmp");
    const struct {
        QAction* Action;
        int Bits;
    } items[] = {{form->Actions.mnuColorBit8, 8}, {form->Actions.mnuColorBit4, 4},
                 {form->Actions.mnuColorBit24, 24}, {form->Actions.mnuColorBit1, 1}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.Bits);
        ASSERT_TRUE(item.Action->isEnabled());
        item.Action->trigger();
        EXPECT_EQ(form->QxImage1().Bitmap().ToDibImage().BitCount(), item.Bits);
        EXPECT_FALSE(item.Action->isEnabled());
        EXPECT_EQ(test::UndoCaptions(*form).front(), QString::fromUtf8("色解像度の変更"));
    }
    // At 1 bit the halftone item is disabled too.
    EXPECT_FALSE(form->Actions.mnuColorBitHalftone->isEnabled());
    EXPECT_EQ(test::UndoCaptions(*form).size(), 4);
}

// On: transparency is written and the colour pick starts (picker cursor);
// off: no transparency. Both mark the picture modified.
TEST(ColorDepthCommands, TransparentToggleStartsThePick) {
    test::WriteSettingsText("[Settings]\nGIFMode=1\n");
    auto form = test::MakeWindow();
    ASSERT_TRUE(form->LoadImageFile(test::WriteSampleBmp("transparent.bmp", 12, 8, 8), false));
    TQxImage& doc = form->QxImage1();
    ASSERT_TRUE(form->Actions.mnuTransparent->isEnabled());
    doc.SetModified(false);
    form->Actions.mnuTransparent->trigger();
    EXPECT_TRUE(form->Actions.mnuTransparent->isChecked());
    EXPECT_TRUE(doc.SaveTransparent);
    EXPECT_EQ(doc.Cursor(), crSpoit);
    EXPECT_TRUE(doc.Modified());
    doc.SetModified(false);
    form->Actions.mnuTransparent->trigger();
    EXPECT_FALSE(doc.SaveTransparent);
    EXPECT_TRUE(doc.Modified());
}

// A depth change during the pick starts it again on the new picture: the
// click picks the index of the 1-bit picture's GIF form, not the stale index
// of the 256-colour one.
TEST(ColorDepthCommands, ADepthChangeRestartsTheTransparentPick) {
    test::WriteSettingsText("[Settings]\nGIFMode=1\n");
    auto form = test::MakeWindow();
    ASSERT_TRUE(form->LoadImageFile(test::WriteSampleBmp("repick.bmp", 12, 8, 8), false));
    TQxImage& doc = form->QxImage1();
    form->Actions.mnuTransparent->trigger();
    ASSERT_TRUE(form->View().ColorPicking());
    // A pixel whose old index no 1-bit picture has.
    const TDibImage before = GifPaletteForm(doc.Bitmap().ToDibImage());
    TPoint at{0, 0};
    while (before.GetPixels(at.X, at.Y) < 2) at = at.X < 11 ? TPoint{at.X + 1, at.Y} : TPoint{0, at.Y + 1};
    form->Actions.mnuColorBit1->trigger();
    ASSERT_EQ(doc.BitCount(), 1);
    EXPECT_TRUE(form->View().ColorPicking());
    EXPECT_EQ(doc.Cursor(), crSpoit);
    QWidget* viewport = form->View().viewport();
    const QPointF pos(form->View().PictureToScreen(at));
    QMouseEvent press(QEvent::MouseButtonPress, pos, viewport->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    EXPECT_FALSE(form->View().ColorPicking());
    EXPECT_EQ(doc.TransparentIndex, GifPaletteForm(doc.Bitmap().ToDibImage()).GetPixels(at.X, at.Y));
    EXPECT_LT(doc.TransparentIndex, 2);
}

}  // namespace
}  // namespace zelvo
