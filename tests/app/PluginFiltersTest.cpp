// The dialogs' captions of the picture formats, and the main window's
// acceptance of image plug-ins: a plug-in stays only when
// its first pattern entry brings an extension the open filter does not
// have yet, and the kept ones join the filters in collection order.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "AppTestSupport.h"
#include "SpiTestSupport.h"
#include "app/common/FileFilters.h"
#include "document/QxImage.h"
#include "formats/PictureFormats.h"
#include "formats/plugin/SPIs.h"

namespace zelvo {
namespace {

// Every row the dialogs list with a reader of its own has its Japanese open
// caption naming each of its extensions (a row read by a plug-in leaves the
// open entry to the plug-in), and a save caption when it can be written;
// rows kept out of the dialogs have none, so a new row cannot show up in
// English.
TEST(PluginFilters, EveryListedFormatHasItsJapaneseCaptions) {
    const TFilterCaptions& captions = WindowFilterCaptions();
    for (const TPictureFormat& row : PictureFormats()) {
        SCOPED_TRACE(row.Key);
        const std::string open = captions.Open(row);
        const std::string save = captions.Save(row);
        if (!row.Listed) {
            EXPECT_EQ(open, "");
            EXPECT_EQ(save, "");
            continue;
        }
        if (row.Read) {
            EXPECT_TRUE(std::any_of(open.begin(), open.end(), [](char c) { return (c & 0x80) != 0; })) << open;
            for (const std::string& extension : row.Extensions)
                EXPECT_NE(open.find("*" + extension), std::string::npos);
        } else {
            EXPECT_EQ(open, "");
        }
        if (row.WriteExtensions.empty()) {
            EXPECT_EQ(save, "");
        } else {
            EXPECT_TRUE(std::any_of(save.begin(), save.end(), [](char c) { return (c & 0x80) != 0; })) << save;
            EXPECT_NE(save.find("*" + row.WriteExtensions.front()), std::string::npos) << save;
        }
    }
}

TEST(PluginFilters, OnlyPluginsWithNewExtensionsAreKept) {
    TSPIs plugins(false, {TSPISearchOption::spsAppDir},
                  [](TSPISearchOption) { return std::vector<std::filesystem::path>{test::TestSpiDir()}; });
    const TFormatFilters filters = SearchPluginFilters(false, plugins);
    std::vector<std::string> kept;
    for (int i = 0; i < plugins.Count(); ++i) kept.push_back(plugins.Item(i).FileName().filename().string());
    // claim_b brings only ".same", which claim_a brought before it.
    const std::vector<std::string> want{"test_badsizes.spi", "test_chatty.spi", "test_claim_a.spi",
                                        "test_good.spi",     "test_retry.spi",  "test_zerodenom.spi"};
    EXPECT_EQ(kept, want);
    EXPECT_TRUE(plugins.HasFileType("r128"));
    const std::string chatty(255, 'x');
    EXPECT_EQ(filters.AllPatterns, "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png;*.ico;*.bad;" + chatty +
                                       ";*.same;*.good;*.r128;*.zd");
    ASSERT_GE(filters.DescriptionList.size(), 4u);
    const auto& d = filters.DescriptionList;
    EXPECT_EQ(std::vector<std::string>(d.end() - 4, d.end()),
              (std::vector<std::string>{"claimed by two", "good test pictures", "pictures after 128 bytes",
                                        "progress by zero"}));
    EXPECT_EQ(filters.PatternList.back(), "*.zd ");
    EXPECT_NE(filters.OpenFilter.find("|good test pictures|*.good|"), std::string::npos);
}

// The window searches at start: here in the folder registry.ini beside the
// settings file names; UseSusiePlugin=0 leaves the plug-ins out.
TEST(PluginFilters, WindowSearchesTheRegistryFolderWhenSwitchedOn) {
    namespace fs = std::filesystem;
    const fs::path folder = test::AppTestDir() / "viewer-plugins";
    fs::create_directories(folder);
    fs::copy_file(test::TestSpiDir() / "test_good.spi", folder / "good.spi", fs::copy_options::overwrite_existing);
    std::ofstream(test::AppTestDir() / "registry.ini")
        << "[HKEY_CURRENT_USER\\Software\\Quenbrol\\Susie\\Plug-in]\nPath=" << folder.string() << "\n";
    const std::uint8_t file[] = {'G', 'O', 'O', 'D', 2, 0, 1, 0, 1, 2, 3, 4, 5, 6};
    std::ofstream(test::AppTestDir() / "two.good", std::ios::binary).write(reinterpret_cast<const char*>(file), 14);

    test::WriteSettingsText("[Settings]\nUseSusiePlugin=1\n");
    {
        auto form = test::MakeWindow();
        EXPECT_TRUE(form->Filters.FOpenFilter.contains(QStringLiteral("|good test pictures|*.good")))
            << form->Filters.FOpenFilter.toStdString();
        EXPECT_TRUE(form->Filters.FAllPatterns.endsWith(QStringLiteral(";*.good")));
        ASSERT_NE(TSPIs::Instance(), nullptr);
        EXPECT_TRUE(form->LoadImageFile(QString::fromStdString((test::AppTestDir() / "two.good").string()), false));
        EXPECT_EQ(form->QxImage1().Bitmap().Width(), 2);
    }
    EXPECT_EQ(TSPIs::Instance(), nullptr);  // gone with the window

    test::WriteSettingsText("[Settings]\nUseSusiePlugin=0\n");
    {
        auto form = test::MakeWindow();
        EXPECT_FALSE(form->Filters.FOpenFilter.contains(QStringLiteral("*.good")));
        EXPECT_EQ(TSPIs::Instance(), nullptr);
    }
    fs::remove(test::AppTestDir() / "registry.ini");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace zelvo
