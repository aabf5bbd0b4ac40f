// The colour-depth items of PopupMenu1 convert the picture as one named
// undo step and disable the item of the new depth.
#include <gtest/gtest.h>

#include <QAction>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

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

}  // namespace
}  // namespace zelvo
