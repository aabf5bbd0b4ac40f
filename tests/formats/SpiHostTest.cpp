// The image plug-in host with purpose-built plug-ins (tests/formats/spi):
// searching survives every one of them, the order in which plug-ins are
// asked, the 2048-byte head, the retry 128 bytes in, refused pictures,
// progress, aborts, the file checks, and the format dispatch through the
// collection.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <vector>

#include "SpiTestSupport.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SPIs.h"
#include "formats/plugin/SpiBitmap.h"
#include "formats/plugin/SpiPicture.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A picture of the good test reader: magic, width, height, RGB top row first.
Bytes GoodFile(const char* magic, int width, int height, const Bytes& rgb) {
    Bytes out(magic, magic + 4);
    out.insert(out.end(), {std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height), std::uint8_t(height >> 8)});
    out.insert(out.end(), rgb.begin(), rgb.end());
    return out;
}

const TSPI* Find(const TSPIs& plugins, const std::string& fileName) {
    for (int i = 0; i < plugins.Count(); ++i)
        if (plugins.Item(i).FileName().filename() == fileName) return &plugins.Item(i);
    return nullptr;
}

class SpiHost : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir("spi-host");
        plugins_ = std::make_unique<TSPIs>(false, TSPISearchOptions{});
        plugins_->Search((test::TestSpiDir() / "*.spi").string());
    }
    void TearDown() override {
        plugins_.reset();
        fs::remove_all(dir_);
    }
    // Reads `name` holding `bytes` through the collection.
    TSPIBitmap Read(const std::string& name, const Bytes& bytes) {
        WriteFile(dir_ / name, bytes);
        TSPIBitmap bitmap(plugins_.get());
        bitmap.LoadFromFile(dir_ / name);
        return bitmap;
    }
    template <class F>
    F Hook(const char* plugin, const char* name) {
        const TSPI* spi = Find(*plugins_, plugin);
        EXPECT_NE(spi, nullptr) << plugin;
        return spi ? reinterpret_cast<F>(spi->EntryPoint(name)) : nullptr;
    }
    fs::path dir_;
    std::unique_ptr<TSPIs> plugins_;
};

TEST_F(SpiHost, SearchSurvivesEveryPluginAndSkipsTheOneWithoutGetPicture) {
    // Seven of the eight load; the reader without GetPicture is skipped with
    // its message, and the search went on past it.
    ASSERT_EQ(plugins_->Count(), 7);
    EXPECT_EQ(Find(*plugins_, "test_nopicture.spi"), nullptr);
    ASSERT_EQ(plugins_->SkippedMessages().size(), 1u);
    EXPECT_EQ(plugins_->SkippedMessages()[0], "GetPictureは[test_nopicture.spi]では使えないSusie Plugin APIです");
    EXPECT_NE(Find(*plugins_, "test_zerodenom.spi"), nullptr);  // sorted after it

    // A second search of the same folder adds nothing.
    EXPECT_EQ(plugins_->Search((test::TestSpiDir() / "*.spi").string()), 0);
    EXPECT_EQ(plugins_->Count(), 7);
    // The file name compares without regard to case.
    std::string upper = (test::TestSpiDir() / "TEST_GOOD.SPI").string();
    EXPECT_GE(plugins_->IndexOf(upper), 0);
    EXPECT_EQ(plugins_->IndexOf(dir_ / "absent.spi"), -1);
}

TEST_F(SpiHost, InformationTextsAreCutAndCounted) {
    // The chatty plug-in claims 1000 bytes, leaves no terminator and never
    // runs out of texts: 255 bytes each, 256 pairs.
    const TSPI* chatty = Find(*plugins_, "test_chatty.spi");
    ASSERT_NE(chatty, nullptr);
    EXPECT_EQ(chatty->Version(), std::string(255, 'x'));
    EXPECT_EQ(chatty->Patterns().size(), std::size_t(kMaxSpiInfoPairs));
    EXPECT_EQ(chatty->Descriptions().back(), std::string(255, 'x'));
    // Its unknown version makes it a plain plug-in that reads no pictures.
    EXPECT_EQ(chatty->Kind(), TSPIKind::Plain);
    for (const TInSPI* reader : plugins_->ImageReaders()) EXPECT_NE(reader, chatty);

    const TSPI* good = Find(*plugins_, "test_good.spi");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->Version(), "00IN");
    EXPECT_EQ(good->Name(), "good test reader");
    EXPECT_EQ(good->Patterns(), std::vector<std::string>{"*.good"});
    EXPECT_EQ(good->Descriptions(), std::vector<std::string>{"good test pictures"});
    EXPECT_TRUE(plugins_->HasFileType(".GOOD"));
    EXPECT_TRUE(plugins_->HasFileType("same"));
    EXPECT_FALSE(plugins_->HasFileType("nop"));
}

TEST_F(SpiHost, GoodReaderGivesItsPixelsAndItsText) {
    // 3 x 2: red, green, blue / white, black, grey.
    const Bytes rgb{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    const TSPIBitmap bitmap = Read("picture.good", GoodFile("GOOD", 3, 2, rgb));
    ASSERT_NE(bitmap.Reader(), nullptr);
    EXPECT_EQ(bitmap.Reader()->FileName().filename(), "test_good.spi");
    EXPECT_EQ(bitmap.Picture().BitCount(), 24);
    EXPECT_EQ(test::RgbBytes(bitmap.Picture()), rgb);
    EXPECT_EQ(bitmap.PictureInfo().Width, 3);
    EXPECT_EQ(bitmap.PictureInfo().Text, "made by the good test reader");
}

TEST_F(SpiHost, ShortFileIsOfferedAsTwoKilobytesOfZeros) {
    // A 100-byte file: IsSupported sees zeros from byte 100 to 2047.
    Bytes file = GoodFile("GOOD", 1, 1, {1, 2, 3});
    file.resize(100, 0xFF);
    const TSPIBitmap bitmap = Read("short.good", file);
    EXPECT_EQ(test::RgbBytes(bitmap.Picture()), (Bytes{1, 2, 3}));
    const auto headTail = Hook<unsigned (*)()>("test_good.spi", "TestHeadTailSum");
    ASSERT_NE(headTail, nullptr);
    EXPECT_EQ(headTail(), 0u);
}

TEST_F(SpiHost, RetryFindsThePictureAfter128Bytes) {
    Bytes file(128, 'h');
    const Bytes picture = GoodFile("R128", 2, 1, {9, 8, 7, 6, 5, 4});
    file.insert(file.end(), picture.begin(), picture.end());
    const TSPIBitmap bitmap = Read("header.r128", file);
    EXPECT_EQ(bitmap.Reader()->FileName().filename(), "test_retry.spi");
    EXPECT_EQ(test::RgbBytes(bitmap.Picture()), (Bytes{9, 8, 7, 6, 5, 4}));

    // A decoder process maps the file itself, from byte 128 on.
    const TSandboxOptions saved = SandboxOptions();
    SandboxOptions().Plugins = true;
    TSPIBitmap sandboxed(plugins_.get());
    sandboxed.LoadFromFile(dir_ / "header.r128");
    SandboxOptions() = saved;
    StopWaitingDecoders();
    EXPECT_EQ(test::RgbBytes(sandboxed.Picture()), (Bytes{9, 8, 7, 6, 5, 4}));

    // Without the retry nothing reads it.
    TSPIBitmap strict(plugins_.get());
    strict.SPIAble.Retry128 = false;
    try {
        strict.LoadFromFile(dir_ / "header.r128");
        FAIL() << "read without the retry";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "認識できない画像形式です");
    }
}

TEST_F(SpiHost, LaterOfTwoClaimingReadersIsAskedFirst) {
    // claim_a and claim_b both list the extension (b in capitals); b is
    // loaded later and answers green.
    const TSPIBitmap bitmap = Read("x.same", {'S', 'A', 'M', 'E'});
    EXPECT_EQ(bitmap.Reader()->FileName().filename(), "test_claim_b.spi");
    EXPECT_EQ(test::RgbBytes(bitmap.Picture()), (Bytes{0, 255, 0}));
    // An exclusive plug-in is the only one asked.
    WriteFile(dir_ / "y.same", {'S', 'A', 'M', 'E'});
    TSPIBitmap exclusive(plugins_.get());
    exclusive.SPIAble.Exclusive = static_cast<TInSPI*>(const_cast<TSPI*>(Find(*plugins_, "test_claim_a.spi")));
    exclusive.LoadFromFile(dir_ / "y.same");
    EXPECT_EQ(test::RgbBytes(exclusive.Picture()), (Bytes{255, 0, 0}));
}

TEST_F(SpiHost, PicturesWithBadSizesAreRefused) {
    // Case 0 is sound and reads; every other case lies in one way.
    const TSPIBitmap sound = Read("ok.bad", {'B', 'A', 'D', 0});
    EXPECT_EQ(sound.Picture().Width(), 2);
    EXPECT_EQ(sound.Picture().Height(), 2);
    const char* cases[] = {"",
                           "far above the pixel limit",
                           "negative width",
                           "no rows",
                           "bits block one byte short",
                           "colour table beyond the block",
                           "256 implied colours missing",
                           "no such depth",
                           "zero bit-field masks",
                           "bit fields without masks",
                           "run-length data longer than the block",
                           "bits block claims more than allocated",
                           "information block claims more than allocated",
                           "run-length at 32 bits",
                           "extremes of the fields",
                           "failure with rubbish in the outputs"};
    for (int c = 1; c <= 15; ++c) {
        SCOPED_TRACE(cases[c]);
        WriteFile(dir_ / "lie.bad", {'B', 'A', 'D', std::uint8_t(c)});
        TSPIBitmap bitmap(plugins_.get());
        try {
            bitmap.LoadFromFile(dir_ / "lie.bad");
            ADD_FAILURE() << "read";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "認識できない画像形式です");
        }
    }
}

TEST_F(SpiHost, ProgressWithDenominatorZeroIsSkipped) {
    std::vector<std::pair<TProgressStage, int>> reports;
    WriteFile(dir_ / "p.zd", {'Z', 'D'});
    TSPIBitmap bitmap(plugins_.get());
    bitmap.OnProgress = [&](TProgressStage stage, std::uint8_t percent) { reports.emplace_back(stage, percent); };
    bitmap.LoadFromFile(dir_ / "p.zd");
    EXPECT_EQ(test::RgbBytes(bitmap.Picture()), (Bytes{1, 2, 3, 4, 5, 6}));
    // Start, the one row of 1 (1 x 98 / 1 + 1 = 99), end; the three reports
    // over 0 left no trace.
    const std::vector<std::pair<TProgressStage, int>> want{
        {TProgressStage::psStarting, 0}, {TProgressStage::psRunning, 99}, {TProgressStage::psEnding, 100}};
    EXPECT_EQ(reports, want);
}

TEST(SpiProgress, PercentOfSteps) {
    struct TCase {
        std::int64_t Number, Denominator;
        bool Reported;
        int Percent;
    };
    // number x 98 / denominator, rounded, + 1, held to 0..100.
    const TCase cases[] = {{0, 10, true, 1},    {1, 2, true, 50},      {10, 10, true, 99}, {1, 3, true, 34},
                           {5, 0, false, 0},    {-3, 1, true, 0},      {2147483647, 1, true, 100},
                           {1, -2, true, 0},    {2147483647, 2147483647, true, 99}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Number) + "/" + std::to_string(c.Denominator));
        std::uint8_t percent = 0;
        EXPECT_EQ(TSPIBitmap::ProgressPercent(c.Number, c.Denominator, percent), c.Reported);
        if (c.Reported) {
            EXPECT_EQ(percent, c.Percent);
        }
    }
}

TEST_F(SpiHost, AbortFromProgressStopsThePlugin) {
    WriteFile(dir_ / "a.good", GoodFile("GOOD", 1, 3, Bytes(9, 7)));
    TSPIBitmap bitmap(plugins_.get());
    int running = 0;
    bitmap.OnProgress = [&](TProgressStage stage, std::uint8_t) {
        if (stage == TProgressStage::psRunning && ++running == 2) throw EAbort("stop");
    };
    EXPECT_THROW(bitmap.LoadFromFile(dir_ / "a.good"), EAbort);
    EXPECT_EQ(running, 2);  // the plug-in stopped after being told
}

TEST_F(SpiHost, FilesWithoutExtensionTryTheBitmapReaderFirst) {
    const TDibImage bmp = test::NoiseImage24(4, 3, 11);
    bmp.SaveToFile(dir_ / "noextension");
    TSPIBitmap plain(plugins_.get());
    plain.LoadFromFile(dir_ / "noextension");
    EXPECT_EQ(plain.Reader(), nullptr);
    EXPECT_TRUE(test::SamePixels(plain.Picture(), bmp));
    // A plug-in's file without an extension: the plug-ins second.
    WriteFile(dir_ / "goodwithout", GoodFile("GOOD", 1, 1, {4, 5, 6}));
    TSPIBitmap second(plugins_.get());
    second.LoadFromFile(dir_ / "goodwithout");
    ASSERT_NE(second.Reader(), nullptr);
    EXPECT_EQ(test::RgbBytes(second.Picture()), (Bytes{4, 5, 6}));
    // A BMP file under a plug-in's extension: every plug-in declines, then
    // the BMP reader reads it.
    bmp.SaveToFile(dir_ / "bitmap.good");
    TSPIBitmap last(plugins_.get());
    last.LoadFromFile(dir_ / "bitmap.good");
    EXPECT_EQ(last.Reader(), nullptr);
    EXPECT_TRUE(test::SamePixels(last.Picture(), bmp));
}

TEST_F(SpiHost, OnlyRegularFilesWithinTheCapAreRead) {
    fs::create_directory(dir_ / "folder.good");
    TSPIBitmap bitmap(plugins_.get());
    EXPECT_THROW(bitmap.LoadFromFile(dir_ / "folder.good"), EFOpenError);
    ASSERT_EQ(::mkfifo((dir_ / "pipe.good").c_str(), 0600), 0);
    EXPECT_THROW(bitmap.LoadFromFile(dir_ / "pipe.good"), EFOpenError);
    EXPECT_THROW(bitmap.LoadFromFile(dir_ / "missing.good"), EFOpenError);

    WriteFile(dir_ / "big.good", GoodFile("GOOD", 2, 2, Bytes(12, 1)));
    TSPIBitmap capped(plugins_.get());
    capped.SPIAble.MaxFileBytes = 19;  // the file has 20
    try {
        capped.LoadFromFile(dir_ / "big.good");
        FAIL() << "read past the cap";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + (dir_ / "big.good").string() + "\". File too large");
    }
    capped.SPIAble.MaxFileBytes = 20;
    capped.LoadFromFile(dir_ / "big.good");
    EXPECT_EQ(capped.Picture().Width(), 2);
}

TEST_F(SpiHost, EventsRefuseAndErrorsReleaseOnlyThatPlugin) {
    plugins_.reset();
    TSPIs plugins(false, {});
    plugins.OnBeforeLoad = [](const fs::path& file, bool& accept) { accept = file.filename() != "test_good.spi"; };
    plugins.OnAfterLoad = [](TSPI& plugin, bool& accept) {
        if (plugin.Name() == "claim a") throw std::runtime_error("refused by a handler that failed");
        accept = plugin.Name() != "claim b";
    };
    plugins.OnRegisterFileType = [](const TSPIFileType& type, bool& accept) { accept = type.Extension != "zd"; };
    plugins.Search((test::TestSpiDir() / "*.spi").string());
    EXPECT_EQ(Find(plugins, "test_good.spi"), nullptr);
    EXPECT_EQ(Find(plugins, "test_claim_a.spi"), nullptr);
    EXPECT_EQ(Find(plugins, "test_claim_b.spi"), nullptr);
    EXPECT_NE(Find(plugins, "test_retry.spi"), nullptr);
    EXPECT_NE(Find(plugins, "test_zerodenom.spi"), nullptr);
    EXPECT_FALSE(plugins.HasFileType("zd"));
    EXPECT_EQ(plugins.Count(), 4);  // retry, badsizes, zerodenom, chatty
    // The failing handler (claim a) and the reader without GetPicture.
    ASSERT_EQ(plugins.SkippedMessages().size(), 2u);
    EXPECT_EQ(plugins.SkippedMessages()[0], "refused by a handler that failed");

    // Remove takes the plug-in's types with it.
    ASSERT_TRUE(plugins.HasFileType("r128"));
    plugins.Remove(plugins.IndexOf(test::TestSpiDir() / "test_retry.spi"));
    EXPECT_FALSE(plugins.HasFileType("r128"));
    EXPECT_EQ(plugins.Count(), 3);
}

TEST(SpiSearch, FilesThatAreNoPluginsAreSkipped) {
    const fs::path dir = test::MakeTempDir("spi-search");
    std::ofstream(dir / "junk.spi") << "not a library";
    fs::create_directory(dir / "folder.spi");
    std::ofstream(dir / ".hidden.spi") << "hidden";
    fs::copy_file(test::TestSpiDir() / "test_good.spi", dir / "Copy.SPI");
    fs::copy_file(test::TestSpiDir() / "test_good.spi", dir / "good.txt");
    TSPIs plugins(false, {});
    EXPECT_EQ(plugins.Search((dir / "*.spi").string()), 1);
    EXPECT_EQ(plugins.Item(0).FileName().filename(), "Copy.SPI");
    ASSERT_EQ(plugins.SkippedMessages().size(), 1u);
    EXPECT_EQ(plugins.SkippedMessages()[0], "junk.spi:Susie Pluginがロードできませんでした");
    fs::remove_all(dir);
}

TEST(SpiSearch, BarePatternSearchesTheOptionsInTableOrder) {
    const fs::path dir = test::MakeTempDir("spi-options");
    for (const char* sub : {"susie", "app", "current"}) fs::create_directory(dir / sub);
    fs::copy_file(test::TestSpiDir() / "test_claim_a.spi", dir / "app" / "a.spi");
    fs::copy_file(test::TestSpiDir() / "test_claim_b.spi", dir / "susie" / "b.spi");
    fs::copy_file(test::TestSpiDir() / "test_good.spi", dir / "current" / "c.spi");
    std::vector<TSPISearchOption> asked;
    auto resolver = [&](TSPISearchOption option) -> std::vector<fs::path> {
        asked.push_back(option);
        switch (option) {
            case TSPISearchOption::spsSusieDir: return {dir / "susie"};
            case TSPISearchOption::spsAppDir: return {dir / "app", dir / "missing"};
            case TSPISearchOption::spsCurrentDir: return {dir / "current"};
            default: return {};
        }
    };
    // The options in any order: the table's order decides.
    TSPIs plugins(true, {TSPISearchOption::spsAppDir, TSPISearchOption::spsSusieDir}, resolver);
    ASSERT_EQ(plugins.Count(), 2);
    EXPECT_EQ(plugins.Item(0).FileName().filename(), "b.spi");
    EXPECT_EQ(plugins.Item(1).FileName().filename(), "a.spi");
    EXPECT_EQ(asked, (std::vector{TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir}));
    // Only one collection at a time.
    try {
        TSPIs second(false, {});
        FAIL() << "a second collection";
    } catch (const ESPIDupCreateSPIs& e) {
        EXPECT_STREQ(e.what(), "TSPIs は複数生成できません");
    }
    EXPECT_EQ(TSPIs::Instance(), &plugins);
    fs::remove_all(dir);
}

TEST(SpiSearch, PatternsMatchLikeFileNames) {
    EXPECT_TRUE(MatchesFilePattern("tga.spi", "*.spi"));
    EXPECT_TRUE(MatchesFilePattern("TGA.SPI", "*.spi"));
    EXPECT_TRUE(MatchesFilePattern("a.b.spi", "*.spi"));
    EXPECT_FALSE(MatchesFilePattern("tga.spi.bak", "*.spi"));
    EXPECT_TRUE(MatchesFilePattern("x1.spi", "x?.spi"));
    EXPECT_FALSE(MatchesFilePattern("x12.spi", "x?.spi"));
    EXPECT_TRUE(MatchesFilePattern("", "*"));
}

TEST_F(SpiHost, DispatchReadsPluginFormatsThroughTheCollection) {
    WriteFile(dir_ / "d.good", GoodFile("GOOD", 1, 1, {10, 20, 30}));
    TDibImage picture;
    TPictureFileInfo info;
    info.Transparent = info.Progressive = true;
    ASSERT_TRUE(ReadDocumentPicture(dir_ / "d.good", false, picture, info));
    EXPECT_EQ(test::RgbBytes(picture), (Bytes{10, 20, 30}));
    EXPECT_FALSE(info.Transparent);
    EXPECT_FALSE(info.Progressive);
    EXPECT_EQ(info.ColorKeyed, -1);  // kept
    TDibImage secondary, preview;
    EXPECT_TRUE(LoadPictureFile(dir_ / "d.good", secondary, false));
    EXPECT_TRUE(LoadPreviewPicture(dir_ / "d.good", preview, false));
    EXPECT_EQ(test::RgbBytes(preview), (Bytes{10, 20, 30}));
    // Unreadable: the document load throws, the quiet loads say false.
    WriteFile(dir_ / "bad.good", {'G', 'O'});
    EXPECT_THROW(ReadDocumentPicture(dir_ / "bad.good", false, picture, info), EInvalidGraphic);
    EXPECT_FALSE(LoadPictureFile(dir_ / "bad.good", secondary, false));
    // Without a collection plug-in formats have no reader.
    plugins_.reset();
    EXPECT_FALSE(ReadDocumentPicture(dir_ / "d.good", false, picture, info));
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "d.good", preview, false));
}

}  // namespace
}  // namespace zelvo
