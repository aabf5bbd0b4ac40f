// The editor's side of the formats written through outside encoders and of
// files whose extension lies: a PNG named .jpg and a JPEG named .bmp open
// and "上書き保存" writes the format the name says; the options dialogs keep
// their values in sections of their own, and a save uses them.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/common/Settings.h"
#include "app/dialogs/ZVfrmEncoderOptions.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "formats/QxImageIO.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Head(const fs::path& path, std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> out(bytes);
    in.read(reinterpret_cast<char*>(out.data()), std::streamsize(bytes));
    out.resize(std::size_t(in.gcount()));
    return out;
}

TEST(SaveFormats, FilesWhoseExtensionLiesOpenAndSaveAsNamed) {
    test::WriteSettingsText("");
    const TDibImage picture = test::NoiseImage24(6, 5, 11);
    bool keyed = false;
    const fs::path dir = test::AppTestDir();
    ASSERT_TRUE(WriteDocumentPicture(dir / "lying-png.png", picture, {}, false, keyed));
    ASSERT_TRUE(WriteDocumentPicture(dir / "lying-jpeg.jpg", picture, {}, false, keyed));
    fs::copy_file(dir / "lying-png.png", dir / "lying-png.jpg", fs::copy_options::overwrite_existing);
    fs::copy_file(dir / "lying-jpeg.jpg", dir / "lying-jpeg.bmp", fs::copy_options::overwrite_existing);
    struct TCase {
        const char* Name;
        std::vector<std::uint8_t> SavedHead;  // the format of the name after 上書き保存
    };
    const TCase cases[] = {{"lying-png.jpg", {0xFF, 0xD8, 0xFF}}, {"lying-jpeg.bmp", {'B', 'M'}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto form = test::MakeWindow();
        const fs::path path = dir / c.Name;
        ASSERT_TRUE(form->LoadImageFile(QString::fromStdString(path.string()), false));
        EXPECT_EQ(form->QxImage1().Bitmap().Width(), 6);
        EXPECT_EQ(form->FFileName, path.string());
        form->QxImage1().SetModified(true);
        form->mnuSaveClick();
        EXPECT_EQ(Head(path, c.SavedHead.size()), c.SavedHead);
    }
}

TEST(SaveFormats, OptionsDialogsKeepTheirSectionsAndSavesUseThem) {
    test::WriteSettingsText("");
    auto form = test::WindowWithSample(64, 64, "encoders.bmp");
    {
        TZVfrmEncoderOptions dialog(*form, TEncoderFormat::Jxl);
        ASSERT_NE(dialog.SpinEditDistance, nullptr);
        EXPECT_EQ(dialog.SpinEditQuality, nullptr);
        dialog.SpinEditDistance->setValue(2.5);
        dialog.CheckBoxLossless->setChecked(true);
        EXPECT_FALSE(dialog.SpinEditDistance->isEnabled());
        dialog.SpinEditEffort->setValue(3);
        dialog.OkClick();
    }
    {
        TZVfrmEncoderOptions dialog(*form, TEncoderFormat::Tiff);
        dialog.ComboBoxCompression->setCurrentIndex(0);
        dialog.OkClick();
    }
    const std::string ini = test::ReadSettingsText();
    EXPECT_NE(ini.find("[JxlSave]\nDistance=25\nLossless=1\nEffort=3\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[TiffSave]\nCompression=0\n"), std::string::npos) << ini;
    const TEncoderOptions read = ReadEncoderSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(read.JxlDistanceTenths, 25);
    EXPECT_TRUE(read.JxlLossless);
    EXPECT_EQ(read.TiffCompression, TTiffCompression::None);
    EXPECT_EQ(read.WebpQuality, TEncoderOptions{}.WebpQuality);

    // An uncompressed TIFF holds every sample.
    const fs::path tiff = test::AppTestDir() / "encoders.tif";
    fs::remove(tiff);
    form->SaveFileHook = [&] { return QString::fromStdString(tiff.string()); };
    form->mnuSaveAsClick();
    ASSERT_TRUE(fs::exists(tiff));
    EXPECT_GE(fs::file_size(tiff), 64u * 64u * 3u);
}

}  // namespace
}  // namespace zelvo
