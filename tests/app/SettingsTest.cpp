// The main window's settings: what is read, what is written back, and the
// toolbar layout through the dock names.

#include <gtest/gtest.h>

#include <QAction>
#include <QToolBar>

#include "AppTestSupport.h"
#include "app/common/Settings.h"
#include "app/common/ToolbarLayout.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

using test::MakeWindow;

TEST(SettingsTest, ReadsTheSettingsSection) {
    test::WriteSettingsText(
        "[Settings]\n"
        "CaptureWait=300\n"       // byte field: 300 - 256
        "JpegQuality=$5A\n"       // hexadecimal
        "UndoBuffer=0x20\n"
        "BackgroundColor=$00102030\n"
        "StatusBar=0\n"
        "GIFMode=1\n"
        "UseSusiePlugin=0\n"
        "SaveFileExt=2\n"
        "LastDirectory=/srv/写真\n");
    auto form = MakeWindow();
    EXPECT_EQ(form->Options.FCaptureWait, 44);
    EXPECT_EQ(form->Options.FJpegQuality, 90);
    EXPECT_EQ(form->QxImage1().UndoBuffer(), 32);
    EXPECT_EQ(form->BackgroundColor(), RGB(0x30, 0x20, 0x10));
    EXPECT_EQ(form->QxImage1().Color, RGB(0x30, 0x20, 0x10));
    EXPECT_FALSE(form->Actions.mnuShowStatusBar->isChecked());
    EXPECT_TRUE(form->Options.FGIFMode);
    EXPECT_TRUE(form->Actions.mnuTransparent->isVisible());
    EXPECT_FALSE(form->Options.FUseSusiePlugin);
    EXPECT_EQ(form->Options.FSaveFileExt, 2);
    EXPECT_EQ(form->Options.FLastDirectory, QString::fromUtf8("/srv/写真"));
    // GIF mode adds the GIF entries to the filters.
    EXPECT_TRUE(form->Filters.FSaveFilter.contains(QStringLiteral("*.gif")));
}

TEST(SettingsTest, DefaultsWithoutAFile) {
    std::filesystem::remove(SettingsPath());
    auto form = MakeWindow();
    EXPECT_EQ(form->pos(), QPoint(10, 10));
    EXPECT_EQ(form->size(), QSize(550, 450));
    EXPECT_EQ(form->BackgroundColor(), clBtnShadow);
    EXPECT_EQ(form->QxImage1().UndoBuffer(), 16);
    EXPECT_EQ(form->Options.FCaptureWait, 200);
    EXPECT_EQ(form->Options.FJpegQuality, 80);
    EXPECT_TRUE(form->Actions.mnuShowStatusBar->isChecked());
    EXPECT_FALSE(form->Options.FGIFMode);
    EXPECT_FALSE(form->Actions.mnuTransparent->isVisible());
    EXPECT_FALSE(form->Toolbar6->toggleViewAction()->isVisible());
}

TEST(SettingsTest, WritesBackKeepingOtherSectionsAndNeverGifMode) {
    test::WriteSettingsText("; mine\n[Settings]\nGIFMode=0\nOldKey=1\n[ThumbNail]\nThumbSize=96\n");
    {
        auto form = MakeWindow();
        form->Options.FJpegQuality = 55;
        form->Options.FGIFMode = true;  // never written
        form->SetBackgroundColor(clNavy);
        ASSERT_TRUE(WriteSettings(*form));
    }
    const TIniFile ini(SettingsPath());
    EXPECT_EQ(ini.ReadInteger("Settings", "JpegQuality", 0), 55);
    EXPECT_EQ(ini.ReadString("Settings", "BackgroundColor", ""), "clNavy");
    EXPECT_EQ(ini.ReadString("Settings", "GIFMode", ""), "0");
    EXPECT_EQ(ini.ReadString("Settings", "OldKey", ""), "1");
    EXPECT_EQ(ini.ReadInteger("ThumbNail", "ThumbSize", 0), 96);
    EXPECT_EQ(ini.ReadInteger("Toolbar1", "Rev", 0), 3);
    EXPECT_EQ(ini.ReadString("Toolbar1", "DockedTo", ""), "zzDockTop");
    EXPECT_EQ(test::ReadSettingsText().rfind("; mine\n", 0), 0u);
}

TEST(SettingsTest, AMaximisedWindowKeepsThePreviousBounds) {
    test::WriteSettingsText("[Settings]\nLeft=40\nTop=50\nWidth=600\nHeight=420\n");
    {
        auto form = MakeWindow();
        form->show();
        form->showMaximized();
        ASSERT_TRUE(form->windowState() & Qt::WindowMaximized);
        ASSERT_TRUE(WriteSettings(*form));
    }
    TIniFile ini(SettingsPath());
    EXPECT_EQ(ini.ReadInteger("Settings", "Left", 0), 40);
    EXPECT_EQ(ini.ReadInteger("Settings", "Top", 0), 50);
    EXPECT_EQ(ini.ReadInteger("Settings", "Width", 0), 600);
    EXPECT_EQ(ini.ReadInteger("Settings", "Height", 0), 420);
    // In the normal state the bounds are written.
    {
        auto form = MakeWindow();
        form->move(70, 80);
        form->resize(500, 400);
        ASSERT_TRUE(WriteSettings(*form));
    }
    TIniFile again(SettingsPath());
    EXPECT_EQ(again.ReadInteger("Settings", "Left", 0), 70);
    EXPECT_EQ(again.ReadInteger("Settings", "Width", 0), 500);
}

TEST(SettingsTest, DefPosNeitherReadsNorChangesStoredBounds) {
    test::WriteSettingsText("[Settings]\nLeft=40\nTop=50\nWidth=600\nHeight=420\n");
    {
        auto form = MakeWindow({QStringLiteral("-defpos")});
        EXPECT_NE(form->size(), QSize(600, 420));
        form->showMaximized();
        ASSERT_TRUE(WriteSettings(*form));
    }
    TIniFile ini(SettingsPath());
    EXPECT_EQ(ini.ReadInteger("Settings", "Width", 0), 600);
}

TEST(SettingsTest, ToolbarLayoutRoundTripsThroughTheDockNames) {
    std::filesystem::remove(SettingsPath());
    {
        auto form = MakeWindow();
        form->show();
        form->addToolBar(Qt::LeftToolBarArea, form->Toolbar3);
        form->Toolbar7->hide();
        ASSERT_TRUE(WriteSettings(*form));
    }
    const TIniFile ini(SettingsPath());
    EXPECT_EQ(ini.ReadString("Toolbar3", "DockedTo", ""), "zzDockLeft");
    EXPECT_FALSE(ini.ReadBool("Toolbar7", "Visible", true));
    EXPECT_FALSE(ini.ReadBool("Toolbar8", "Visible", true));
    auto form = MakeWindow();
    form->show();
    EXPECT_EQ(form->toolBarArea(form->Toolbar3), Qt::LeftToolBarArea);
    EXPECT_EQ(form->toolBarArea(form->Toolbar1), Qt::TopToolBarArea);
    EXPECT_TRUE(form->Toolbar7->isHidden());
    EXPECT_FALSE(form->Toolbar7->toggleViewAction()->isChecked());
    EXPECT_FALSE(form->Toolbar1->isHidden());
}

TEST(SettingsTest, ToolbarSectionsOfOtherRevisionsAreIgnored) {
    test::WriteSettingsText(
        "[Toolbar2]\nRev=1\nVisible=0\nDockedTo=zzDockBottom\n"
        "[Toolbar4]\nRev=2\nVisible=1\nDockedTo=zzDockBottom\nDockRow=0\nDockPos=0\n"
        "[Toolbar5]\nRev=3\nVisible=1\nDockedTo=\n"
        "[Toolbar1]\nRev=3\nDockedTo=zzNoSuchDock\n");
    auto form = MakeWindow();
    EXPECT_FALSE(form->Toolbar2->isHidden());
    EXPECT_EQ(form->toolBarArea(form->Toolbar2), Qt::TopToolBarArea);
    EXPECT_EQ(form->toolBarArea(form->Toolbar4), Qt::BottomToolBarArea);
    EXPECT_EQ(form->toolBarArea(form->Toolbar5), Qt::TopToolBarArea);
    EXPECT_EQ(form->toolBarArea(form->Toolbar1), Qt::TopToolBarArea);
}

TEST(SettingsTest, FloatingToolbarIsRestoredAtItsPosition) {
    test::WriteSettingsText(
        "[Toolbar2]\nRev=3\nVisible=1\nDockedTo=+\nLastDock=zzDockRight\nFloatLeft=200\nFloatTop=150\n");
    auto form = MakeWindow();
    form->show();
    EXPECT_TRUE(form->Toolbar2->isFloating());
    EXPECT_EQ(form->Toolbar2->pos(), QPoint(200, 150));
    ASSERT_TRUE(WriteSettings(*form));
    const TIniFile ini(SettingsPath());
    EXPECT_EQ(ini.ReadString("Toolbar2", "DockedTo", ""), "+");
    EXPECT_EQ(ini.ReadInteger("Toolbar2", "FloatLeft", 0), 200);
    EXPECT_EQ(ini.ReadInteger("Toolbar2", "FloatTop", 0), 150);
    // Docking it again.
    EXPECT_TRUE(SetToolbarFloating(*form, form->Toolbar2, false, 0, 0));
    EXPECT_FALSE(form->Toolbar2->isFloating());
}

TEST(SettingsTest, UnnamedToolbarCannotBeStored) {
    auto form = MakeWindow();
    QToolBar unnamed;
    TIniFile ini = TIniFile::FromText("");
    try {
        WriteToolbarLayout(*form, {&unnamed}, ini);
        FAIL() << "no exception";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "Cannot save tool window's position because Name property is not set");
    }
}

}  // namespace
}  // namespace zelvo
