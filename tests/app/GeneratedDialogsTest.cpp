// The new-picture, gradation and texture dialogs over a real main window:
// their settings (read when made, written when the dialog says), the
// picture each makes, and undo giving the bytes back; the texture folder's
// list and the textures shipped with the program.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include <filesystem>

#include "AppTestSupport.h"
#include "PictureDialogsSupport.h"
#include "TestSupport.h"
#include "app/common/Settings.h"
#include "app/dialogs/ColorComboBox.h"
#include "app/dialogs/FullScalePreview.h"
#include "app/dialogs/TextureFolder.h"
#include "app/dialogs/ZVfrmGradation.h"
#include "app/dialogs/ZVfrmNew.h"
#include "app/dialogs/ZVfrmTexture.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "effects/Generated.h"
#include "formats/QxImageIO.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

using test::AppTestDir;
using test::Picture;
using test::TScriptedDialogs;
using test::UndoCaptions;
using test::WindowWithSample;
using test::WriteSettingsText;


// ------------------------------------------------------------------ new picture

TEST(NewDialog, OkReplacesThePictureAndForgetsTheFile) {
    auto form = WindowWithSample(16, 16, "new-before.bmp");
    form->Actions.mnuNegative->trigger();  // modified, one undo step
    form->Actions.mnuProgressive->setChecked(true);
    form->AskSaveHook = [] { return TSaveAnswer::No; };
    WriteSettingsText("[NewImage]\nWidth=30\nHeight=20\nBGColor=clRed\n");
    const TScriptedDialogs script([](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmNew&>(d);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("新規作成"));
        EXPECT_EQ(dialog.SpinEdit1->value(), 30);
        EXPECT_EQ(dialog.SpinEdit2->value(), 20);
        EXPECT_EQ(dialog.ColorBox1->Selected(), ColorToRGB(clRed));
        EXPECT_TRUE(dialog.OkClick());
        return dialog.result();
    });
    form->Actions.mnuNew->trigger();
    const TDibImage after = Picture(*form);
    ASSERT_EQ(after.Width(), 30);
    ASSERT_EQ(after.Height(), 20);
    EXPECT_EQ(after.BitCount(), 24);
    EXPECT_EQ(after.GetPixels(0, 0), ColorToRGB(clRed));
    EXPECT_EQ(after.GetPixels(29, 19), ColorToRGB(clRed));
    EXPECT_TRUE(form->FFileName.empty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo"));
    EXPECT_FALSE(form->Actions.mnuProgressive->isChecked());
    EXPECT_TRUE(form->QxImage1().Modified());
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    EXPECT_FALSE(form->Actions.mnuUndo->isEnabled());
}

TEST(NewDialog, OneByOneWorksAlsoWithoutAPicture) {
    WriteSettingsText("");
    auto form = test::MakeWindow();
    const TScriptedDialogs script([](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmNew&>(d);
        EXPECT_EQ(dialog.SpinEdit1->value(), 100);  // the defaults
        EXPECT_EQ(dialog.ColorBox1->Selected(), ColorToRGB(clWhite));
        dialog.SpinEdit1->setValue(1);
        dialog.SpinEdit2->setValue(1);
        dialog.ColorBox1->SetSelected(RGB(12, 34, 56));
        EXPECT_TRUE(dialog.OkClick());
        return dialog.result();
    });
    form->Actions.mnuNew->trigger();
    ASSERT_FALSE(form->ImageEmpty());
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 1);
    EXPECT_EQ(form->QxImage1().Bitmap().PixelColor(0, 0), RGB(12, 34, 56));
    const TNewImageSettings stored = ReadNewImageSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(stored.Width, 1);
    EXPECT_EQ(stored.BGColor, RGB(12, 34, 56));
}

TEST(NewDialog, CancelStoresTheValuesAndAnAnsweredCancelKeepsThePicture) {
    auto form = WindowWithSample(16, 16, "new-cancel.bmp");
    form->Actions.mnuNegative->trigger();
    const TDibImage before = Picture(*form);
    WriteSettingsText("");
    {
        // Cancel: nothing made, but the size and colour are kept.
        const TScriptedDialogs script([](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmNew&>(d);
            dialog.SpinEdit1->setValue(640);
            dialog.SpinEdit2->setValue(480);
            dialog.ColorBox1->SetSelected(clNavy);
            dialog.reject();
            return dialog.result();
        });
        form->Actions.mnuNew->trigger();
    }
    const TNewImageSettings stored = ReadNewImageSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(stored.Width, 640);
    EXPECT_EQ(stored.Height, 480);
    EXPECT_EQ(stored.BGColor, clNavy);
    {
        // The modified picture's question answered with cancel: the dialog
        // stays, the picture too.
        form->AskSaveHook = [] { return TSaveAnswer::Cancel; };
        const TScriptedDialogs script([](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmNew&>(d);
            EXPECT_FALSE(dialog.OkClick());
            EXPECT_NE(dialog.result(), int(QDialog::Accepted));
            return dialog.result();
        });
        form->Actions.mnuNew->trigger();
    }
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
    EXPECT_EQ(UndoCaptions(*form).size(), 1);
}

TEST(ColorComboBox, OtherColoursGetAnItemOfTheirOwn) {
    TColorComboBox box;
    EXPECT_EQ(box.count(), 17);  // sixteen colours and "その他..."
    box.SetSelected(clTeal);
    EXPECT_EQ(box.currentText(), QString::fromUtf8("青緑"));
    box.SetSelected(RGB(1, 2, 3));
    EXPECT_EQ(box.count(), 18);
    EXPECT_EQ(box.currentText(), QStringLiteral("#010203"));
    EXPECT_EQ(box.Selected(), RGB(1, 2, 3));
    // "その他..." asks; a cancelled choice keeps the colour.
    box.ChooseColor = [](TColor&) { return false; };
    box.activated(box.count() - 1);
    EXPECT_EQ(box.Selected(), RGB(1, 2, 3));
    box.ChooseColor = [](TColor& color) {
        color = RGB(200, 100, 0);
        return true;
    };
    box.activated(box.count() - 1);
    EXPECT_EQ(box.Selected(), RGB(200, 100, 0));
    box.activated(0);
    EXPECT_EQ(box.Selected(), clBlack);
}

// ------------------------------------------------------------------ gradation

TEST(GradationDialog, BlackToWhiteLeftToRightOverA256PixelWidePicture) {
    auto form = WindowWithSample(256, 4, "gradation.bmp");
    const TDibImage before = Picture(*form);
    WriteSettingsText("[Gradation]\nColor1=clBlack\nColor2=clWhite\nDirection=0\nAlphaChannel=100\n");
    const TScriptedDialogs script([](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmGradation&>(d);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("グラデーション"));
        EXPECT_EQ(dialog.ComboBox1->count(), 8);
        EXPECT_EQ(dialog.ComboBox1->currentText(), QString::fromUtf8("左から右"));
        EXPECT_EQ(dialog.ScrollBar1->value(), 100);
        dialog.OkClick();
        return dialog.result();
    });
    form->Actions.mnuGradation->trigger();
    // Columns 0 and 1 black, column 255 at 253: the ramp stops short of
    // white.
    const TDibImage after = Picture(*form);
    for (int y = 0; y < 4; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(after.GetPixels(0, y), RGB(0, 0, 0));
        EXPECT_EQ(after.GetPixels(1, y), RGB(0, 0, 0));
        EXPECT_EQ(after.GetPixels(255, y), RGB(253, 253, 253));
    }
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("グラデーション")});
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

TEST(GradationDialog, ChoicesReachTheOperationAndOnlyOkStoresThem) {
    auto form = WindowWithSample(30, 20, "gradation-choices.bmp", 8);
    const TDibImage before = Picture(*form);
    WriteSettingsText("[Gradation]\nDirection=11\nAlphaChannel=0\n");
    {
        const TScriptedDialogs script([](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmGradation&>(d);
            // Out of range in the file: the defaults.
            EXPECT_EQ(dialog.ComboBox1->currentIndex(), 0);
            EXPECT_EQ(dialog.SpinEdit1->value(), 50);
            dialog.SpinEdit1->setValue(0);  // below 1 becomes 1
            EXPECT_EQ(dialog.SpinEdit1->value(), 1);
            EXPECT_EQ(dialog.ScrollBar1->value(), 1);
            dialog.reject();
            return dialog.result();
        });
        form->Actions.mnuGradation->trigger();
    }
    EXPECT_FALSE(TIniFile(SettingsPath()).ValueExists("Gradation", "Color1"));
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());

    // Colours through "...", opacity 40, direction item 5 (operation 6).
    const TScriptedDialogs script([](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmGradation&>(d);
        dialog.ChooseColor = [](TColor& color) {
            color = color == clNavy ? RGB(250, 10, 10) : RGB(10, 10, 250);
            return true;
        };
        dialog.Button1->click();
        dialog.Button2->click();
        dialog.ScrollBar1->setValue(40);
        EXPECT_EQ(dialog.SpinEdit1->value(), 40);
        dialog.ComboBox1->setCurrentIndex(5);
        dialog.OkClick();
        return dialog.result();
    });
    form->Actions.mnuGradation->trigger();
    TDibImage expected(before);
    expected.UniqueDIB();
    expected.SetPixelFormat(dibPf24Bit);
    effects::Gradation(expected, {RGB(250, 10, 10), RGB(10, 10, 250), 40, 6}, {});
    EXPECT_TRUE(test::SamePixels(Picture(*form), expected));
    const TGradationSettings stored = ReadGradationSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(stored.Color1, RGB(250, 10, 10));
    EXPECT_EQ(stored.Color2, RGB(10, 10, 250));
    EXPECT_EQ(stored.Direction, 5);
    EXPECT_EQ(stored.AlphaChannel, 40);
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

// ------------------------------------------------------------------ textures

// Writes `picture` as `name` into `folder`.
void WriteTexture(const std::filesystem::path& folder, const std::string& name, const TDibImage& picture) {
    std::filesystem::create_directories(folder);
    picture.SaveToFile(folder / name);
}

TEST(TextureFolder, ListsPicturesSortedWithTheLastFolderWinning) {
    const auto shipped = AppTestDir() / "tex-shipped";
    const auto user = AppTestDir() / "tex-user";
    WriteTexture(shipped, "b-stone.bmp", test::FlatImage24(2, 2, clGray));
    WriteTexture(shipped, "a-sand.bmp", test::FlatImage24(2, 2, clSilver));
    WriteTexture(shipped, "notes.txt", test::FlatImage24(1, 1, clGray));  // not a picture extension
    WriteTexture(user, "b-stone.bmp", test::FlatImage24(3, 3, clBlack));
    WriteTexture(user, "c-cloth.BMP", test::FlatImage24(2, 2, clWhite));
    const std::vector<TTextureEntry> list = ListTextures(
        {QString::fromStdString(shipped.string()), QStringLiteral("/no/such/folder"),
         QString::fromStdString(user.string())},
        QStringLiteral("*.bmp *.dib *.jpg "));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Name, QStringLiteral("a-sand"));
    EXPECT_EQ(list[1].Name, QStringLiteral("b-stone"));
    EXPECT_EQ(list[1].Path, QString::fromStdString((user / "b-stone.bmp").string()));
    EXPECT_EQ(list[2].Name, QStringLiteral("c-cloth"));
}

TEST(TextureDialog, LevelAndChoiceReachThePictureAndAreKept) {
    const auto folder = AppTestDir() / "tex-dialog";
    std::filesystem::remove_all(folder);
    WriteTexture(folder, "a-white.bmp", test::FlatImage24(4, 4, clWhite));
    WriteTexture(folder, "b-black.bmp", test::FlatImage24(4, 4, clBlack));
    SetTextureFolders({QString::fromStdString(folder.string())});
    auto form = WindowWithSample(40, 30, "texture.bmp");
    const TDibImage before = Picture(*form);
    WriteSettingsText("[Texture]\nItemIndex=1\nLevel=1\n");
    const TScriptedDialogs script([](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmTexture&>(d);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("テクスチャ"));
        EXPECT_EQ(dialog.ComboBox1->count(), 2);
        EXPECT_EQ(dialog.ComboBox1->currentText(), QStringLiteral("b-black"));
        EXPECT_EQ(dialog.TrackBar1->value(), 1);
        EXPECT_FALSE(dialog.TextureBitmap().Empty());
        dialog.SpinEdit1->setValue(100);
        EXPECT_EQ(dialog.TrackBar1->value(), 100);
        // The preview shows the black texture at full strength.
        EXPECT_EQ(dialog.Preview().Overlay().Bitmap().PixelColor(0, 0), RGB(0, 0, 0));
        dialog.accept();
        return dialog.result();
    });
    form->Actions.mnuTexture->trigger();
    SetTextureFolders({});
    // A black texture at level 100 turns the picture black.
    EXPECT_EQ(Picture(*form).GetPixels(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(Picture(*form).GetPixels(39, 29), RGB(0, 0, 0));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("テクスチャ")});
    const TTextureSettings stored = ReadTextureSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(stored.ItemIndex, 1);
    EXPECT_EQ(stored.Level, 100);
    form->Actions.mnuUndo->trigger();
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

TEST(TextureDialog, LevelOneWithABlackTextureLowersEveryChannelByThree) {
    const auto folder = AppTestDir() / "tex-level";
    std::filesystem::remove_all(folder);
    WriteTexture(folder, "black.bmp", test::FlatImage24(3, 3, clBlack));
    SetTextureFolders({QString::fromStdString(folder.string())});
    auto form = WindowWithSample(8, 8, "texture-level.bmp");
    // k = 255 x 1 = 255: (c x 100 - 255) div 100, so 200 -> 197 and 2 -> 0.
    TBitmap picture(2, 1, pf24bit);
    picture.Canvas().BrushColor = RGB(200, 3, 2);
    picture.Canvas().FillRect(TRect{0, 0, 1, 1});
    picture.Canvas().BrushColor = RGB(4, 100, 255);
    picture.Canvas().FillRect(TRect{1, 0, 2, 1});
    form->QxImage1().SetBitmap(picture);
    WriteSettingsText("[Texture]\nItemIndex=7\nLevel=1\n");  // item beyond the list: the first
    const TScriptedDialogs script([](QDialog& d) {
        auto& dialog = dynamic_cast<TZVfrmTexture&>(d);
        EXPECT_EQ(dialog.ComboBox1->currentIndex(), 0);
        dialog.accept();
        return dialog.result();
    });
    form->Actions.mnuTexture->trigger();
    SetTextureFolders({});
    EXPECT_EQ(form->QxImage1().Bitmap().PixelColor(0, 0), RGB(197, 0, 0));
    EXPECT_EQ(form->QxImage1().Bitmap().PixelColor(1, 0), RGB(1, 97, 252));
}

TEST(TextureDialog, AnEmptyFolderOrACancelChangesNothing) {
    const auto folder = AppTestDir() / "tex-empty";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    SetTextureFolders({QString::fromStdString(folder.string())});
    auto form = WindowWithSample(8, 8, "texture-empty.bmp");
    const TDibImage before = Picture(*form);
    {
        const TScriptedDialogs script([](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmTexture&>(d);
            EXPECT_EQ(dialog.ComboBox1->count(), 0);
            EXPECT_TRUE(dialog.TextureBitmap().Empty());
            dialog.accept();
            return dialog.result();
        });
        form->Actions.mnuTexture->trigger();
    }
    WriteTexture(folder, "black.bmp", test::FlatImage24(3, 3, clBlack));
    {
        const TScriptedDialogs script([](QDialog& d) {
            d.reject();
            return d.result();
        });
        form->Actions.mnuTexture->trigger();
    }
    SetTextureFolders({});
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    EXPECT_TRUE(test::SamePixels(Picture(*form), before));
}

// The shipped textures load as the texture dialog loads them, and tile
// without a seam: the step across the wrap (last column to first, last row
// to first) is no larger than the largest step between neighbours inside.
TEST(ShippedTextures, LoadAndTileWithoutSeams) {
    const std::filesystem::path folder = test::ShippedTextureFolder();
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".bmp") continue;
        ++count;
        SCOPED_TRACE(entry.path().filename().string());
        TDibImage texture;
        ASSERT_TRUE(LoadPictureFile(entry.path(), texture, false));
        ASSERT_EQ(texture.Width(), 128);
        ASSERT_EQ(texture.Height(), 128);
        texture.SetPixelFormat(dibPf24Bit);
        auto grey = [&texture](int x, int y) { return int(GetRValue(texture.GetPixels(x, y))); };
        auto columnStep = [&](int a, int b) {
            long sum = 0;
            for (int y = 0; y < 128; ++y) sum += std::abs(grey(a, y) - grey(b, y));
            return sum;
        };
        auto rowStep = [&](int a, int b) {
            long sum = 0;
            for (int x = 0; x < 128; ++x) sum += std::abs(grey(x, a) - grey(x, b));
            return sum;
        };
        long insideColumns = 0, insideRows = 0;
        for (int i = 0; i + 1 < 128; ++i) {
            insideColumns = std::max(insideColumns, columnStep(i, i + 1));
            insideRows = std::max(insideRows, rowStep(i, i + 1));
        }
        EXPECT_LE(columnStep(127, 0), insideColumns);
        EXPECT_LE(rowStep(127, 0), insideRows);
        // Not flat: a texture that darkens nothing would be no texture.
        EXPECT_GT(insideColumns, 0);
    }
    EXPECT_GE(count, 3);
}

}  // namespace
}  // namespace zelvo
