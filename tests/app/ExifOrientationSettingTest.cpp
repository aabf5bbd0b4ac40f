// The "UseExifOrientation" setting: read and written in section Settings,
// and the status bar shows the size of the picture as it opened.

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/common/Settings.h"
#include "app/window/ZVStatusBar.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

using namespace test;

const QString kPhoto = QString::fromStdString((TestDataDir() / "exif" / "orient-6.jpg").string());

TEST(ExifOrientationSetting, OnByDefaultAndTheStatusBarShowsTheTurnedSize) {
    std::filesystem::remove(SettingsPath());
    auto form = test::MakeWindow();
    EXPECT_TRUE(form->Options.FUseExifOrientation);
    ASSERT_TRUE(form->LoadImageFile(kPhoto, false));
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 21);
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), 35);
    ASSERT_TRUE(form->StatusBar1->InfoSource);
    EXPECT_EQ(TZVStatusBar::OwnerDrawnText(3, form->StatusBar1->InfoSource()), QStringLiteral("21 x 35"));
}

TEST(ExifOrientationSetting, OffOpensTheStoredRowsAndIsWrittenBack) {
    test::WriteSettingsText("[Settings]\nUseExifOrientation=0\n");
    {
        auto form = test::MakeWindow();
        EXPECT_FALSE(form->Options.FUseExifOrientation);
        ASSERT_TRUE(form->LoadImageFile(kPhoto, false));
        EXPECT_EQ(TZVStatusBar::OwnerDrawnText(3, form->StatusBar1->InfoSource()), QStringLiteral("35 x 21"));
        ASSERT_TRUE(WriteSettings(*form));
    }
    EXPECT_EQ(TIniFile(SettingsPath()).ReadString("Settings", "UseExifOrientation", ""), "0");
    {
        auto form = test::MakeWindow();
        form->Options.FUseExifOrientation = true;
        ASSERT_TRUE(WriteSettings(*form));
    }
    EXPECT_EQ(TIniFile(SettingsPath()).ReadString("Settings", "UseExifOrientation", ""), "1");
}

}  // namespace
}  // namespace zelvo
