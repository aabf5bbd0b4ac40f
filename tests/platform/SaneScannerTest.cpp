// The scanner layer against SANE's test back end (enabled alone through a
// private configuration folder), checked pixel for pixel against what
// scanimage scans from the same pattern, and the DIB building on
// hand-made rows.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "SaneTestSupport.h"
#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "platform/SaneScanner.h"
#include "platform/ScanDib.h"
#include "platform/TempFile.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

class TSaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // SANE reads its configuration folder once per process: one folder
        // serves every suite.
        static const fs::path dir = [] {
            const fs::path made = test::MakeTempDir("zelvo-sane");
            test::UsePrivateSaneConfig(made / "sane");
            return made;
        }();
        Dir = dir;
        fs::create_directories(Dir / "tmp");
        setenv("TMPDIR", (Dir / "tmp").c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("TMPDIR");
        fs::remove_all(Dir / "tmp");
    }
    static bool TempFolderEmpty() { return fs::is_empty(Dir / "tmp"); }

    /// Reads a packed DIB the way the program does: through the temporary
    /// BMP file and the BMP reader; the file is gone afterwards.
    static TDibImage ThroughTempFile(const std::vector<std::uint8_t>& dib) {
        const fs::path temp = WriteDibToTempFile(dib);
        const TTempFileRemover remover(temp);
        EXPECT_EQ(temp.parent_path(), Dir / "tmp");
        EXPECT_TRUE(temp.filename().string().starts_with("_ZV"));
        TDibImage picture;
        picture.LoadFromFile(temp);
        return picture;
    }

    static inline fs::path Dir;
};

TEST_F(TSaneTest, ListsOnlyTheTestSources) {
    TSaneScanner scanner;
    const auto devices = scanner.Devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].Name, "test:0");
    EXPECT_EQ(devices[1].Name, "test:1");
    EXPECT_EQ(scanner.State(), 1);
}

TEST_F(TSaneTest, CapabilitiesOfTheTestSource) {
    TSaneScanner scanner;
    const TScanCapabilities caps = scanner.Capabilities("test:0");
    EXPECT_EQ(caps.Modes, (std::vector<TScanMode>{TScanMode::Colour, TScanMode::Grey, TScanMode::Lineart}));
    EXPECT_EQ(caps.MinDpi, 1);
    EXPECT_EQ(caps.MaxDpi, 1200);
    EXPECT_EQ(caps.DefaultDpi, 50);
    EXPECT_EQ(scanner.State(), 1);
}

struct TScanCase {
    const char* Name;
    TScanMode Mode;
    int Dpi;
    std::vector<std::pair<std::string, std::string>> Options;
    const char* ScanimageArgs;
    int BitCount;
};

class TSaneScanMatches : public TSaneTest, public ::testing::WithParamInterface<TScanCase> {};

TEST_P(TSaneScanMatches, ScanimageOfTheSamePattern) {
    const TScanCase& c = GetParam();
    TSaneScanner scanner;
    TScanRequest request;
    request.Device = "test:0";
    request.Mode = c.Mode;
    request.ResolutionDpi = c.Dpi;
    request.Options = c.Options;
    int lastPercent = -1;
    const auto dib = scanner.AcquireNative(request, [&](int percent) {
        EXPECT_GE(percent, lastPercent);
        lastPercent = percent;
    });
    ASSERT_TRUE(dib);
    EXPECT_EQ(lastPercent, 100);
    EXPECT_EQ(scanner.State(), 1);
    const TDibImage picture = ThroughTempFile(*dib);
    EXPECT_TRUE(TempFolderEmpty());
    // Colours of palette pictures through a 24-bit copy.
    TDibImage asRgb(picture);
    asRgb.SetPixelFormat(dibPf24Bit);

    const fs::path pnm = Dir / (std::string(c.Name) + ".pnm");
    ASSERT_TRUE(test::RunScanimage(std::string("-d test:0 ") + c.ScanimageArgs, pnm));
    const test::TPnmPixels want = test::ReadScanimagePnm(pnm);
    ASSERT_EQ(picture.Width(), want.Width);
    ASSERT_EQ(picture.Height(), want.Height);
    EXPECT_EQ(picture.BitCount(), c.BitCount);
    int wrong = 0;
    for (int y = 0; y < want.Height && wrong < 5; ++y)
        for (int x = 0; x < want.Width && wrong < 5; ++x) {
            const TColor got = asRgb.GetPixels(x, y);
            const std::uint8_t* rgb = &want.Rgb[(std::size_t(y) * std::size_t(want.Width) + std::size_t(x)) * 3];
            const TColor expected = TColor(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
            if (got != expected) {
                ++wrong;
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << got << " != " << expected;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TSaneScanMatches,
    ::testing::Values(
        TScanCase{"colour", TScanMode::Colour, 50, {}, "--mode Color --depth 8 --resolution 50", 24},
        TScanCase{"grey", TScanMode::Grey, 50, {}, "--mode Gray --depth 8 --resolution 50", 8},
        TScanCase{"lineart", TScanMode::Lineart, 50, {}, "--mode Gray --depth 1 --resolution 50", 1},
        TScanCase{"colour16", TScanMode::Colour, 30, {{"depth", "16"}}, "--mode Color --depth 16 --resolution 30", 24},
        TScanCase{"grey16", TScanMode::Grey, 30, {{"depth", "16"}}, "--mode Gray --depth 16 --resolution 30", 8},
        TScanCase{"threepass", TScanMode::Colour, 40, {{"three-pass", "yes"}},
                  "--mode Color --depth 8 --resolution 40 --three-pass=yes", 24},
        TScanCase{"lineart75", TScanMode::Lineart, 75, {{"test-picture", "Grid"}},
                  "--mode Gray --depth 1 --resolution 75 --test-picture Grid", 1}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST_F(TSaneTest, PictureAboveTheLimitIsRefusedBeforeReading) {
    TSaneScanner scanner;
    TScanRequest request;
    request.Device = "test:0";
    // 80 x 100 mm at 50 dpi is 157 x 196 pixels.
    try {
        scanner.AcquireNative(request, {}, 157 * 196 - 1);
        FAIL() << "no exception";
    } catch (const EDibImageInvalidDIBPara& e) {
        EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
    }
    EXPECT_EQ(scanner.State(), 1);
    EXPECT_TRUE(scanner.AcquireNative(request, {}, 157 * 196).has_value());
}

TEST_F(TSaneTest, UnknownHeightStopsAtTheLimit) {
    TSaneScanner scanner;
    TScanRequest request;
    request.Device = "test:0";
    request.Mode = TScanMode::Grey;
    request.Options = {{"hand-scanner", "yes"}};
    // The hand scanner's rows are 11 cm wide: 216 pixels at 50 dpi. Ten rows
    // are allowed, the eleventh is refused.
    EXPECT_THROW(scanner.AcquireNative(request, {}, 216 * 10), EDibImageInvalidDIBPara);
    EXPECT_EQ(scanner.State(), 1);
    const auto dib = scanner.AcquireNative(request);
    ASSERT_TRUE(dib);
    const TDibImage picture = ThroughTempFile(*dib);
    EXPECT_EQ(picture.Width(), 216);
    EXPECT_GT(picture.Height(), 10);
}

TEST_F(TSaneTest, CancelFromAnotherThreadEndsTheScan) {
    TSaneScanner scanner;
    TScanRequest request;
    request.Device = "test:0";
    request.ResolutionDpi = 300;
    // Each read waits 50 ms: the scan would take many seconds.
    request.Options = {{"read-delay", "yes"}, {"read-delay-duration", "50000"}, {"read-limit", "yes"},
                       {"read-limit-size", "4096"}};
    auto result = std::async(std::launch::async, [&] { return scanner.AcquireNative(request); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto started = std::chrono::steady_clock::now();
    scanner.Cancel();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_FALSE(result.get().has_value());
    EXPECT_EQ(scanner.State(), 1);
}

TEST_F(TSaneTest, FailuresCarryTheProgramsTexts) {
    struct TCase {
        std::string Device;
        std::vector<std::pair<std::string, std::string>> Options;
        const char* Message;
        const char* Details;
    };
    const TCase cases[] = {
        {"test:0", {{"read-return-value", "SANE_STATUS_IO_ERROR"}}, "DataSource operation failed",
         "RC:   TWRC_FAILURE\nCC:   TWCC_OPERATIONERROR (DS or DSM reported error, app shouldn't)"},
        {"test:0", {{"read-return-value", "SANE_STATUS_NO_MEM"}}, "DataSource operation failed",
         "RC:   TWRC_FAILURE\nCC:   TWCC_LOWMEMORY"},
        {"test:0", {{"no-such-option", "1"}}, "DAT_CAPABILITY/MSG_SET failed",
         "RC:   TWRC_FAILURE\nCC:   TWCC_BADCAP (Unknown capability)"},
        {"test:0", {{"resolution", "many"}}, "DAT_CAPABILITY/MSG_SET failed",
         "RC:   TWRC_FAILURE\nCC:   TWCC_BADVALUE (Data parameter out of range)"},
        {"nosuch:0", {}, "Unable to open default Data Source.", nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        TSaneScanner scanner;
        TScanRequest request;
        request.Device = c.Device;
        request.Options = c.Options;
        try {
            scanner.AcquireNative(request);
            ADD_FAILURE() << "no exception";
        } catch (const EScannerError& e) {
            EXPECT_STREQ(e.what(), c.Message);
            EXPECT_TRUE(e.Detailed());
            if (c.Details) {
                EXPECT_EQ(e.DetailText(), c.Details);
            }
        }
        EXPECT_EQ(scanner.State(), 1);
    }
    EXPECT_EQ(EScannerError("DataSource operation failed").DetailText(), "[no details available]");
}

// ---- the DIB from hand-made rows

std::uint32_t Le32(const std::vector<std::uint8_t>& dib, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, dib.data() + at, 4);
    return v;
}

TEST(ScanDibBuilder, LineartRowsAreInvertedAndPaddedBottomUp) {
    TScanDibBuilder builder;
    // Width 10: two bytes a row, set bits black.
    builder.BeginFrame({TScanFrame::Gray, 1, 10, 2, 100}, 2);
    const std::uint8_t rows[] = {0b10000000, 0b01000000, 0b00000000, 0b11000000};
    builder.Add(rows);
    const auto dib = builder.PackedDib();
    EXPECT_EQ(Le32(dib, 4), 10u);
    EXPECT_EQ(Le32(dib, 8), 2u);
    EXPECT_EQ(dib[14], 1);
    EXPECT_EQ(Le32(dib, 24), 3937u);  // 100 dpi = 3937 pixels per metre
    EXPECT_EQ(Le32(dib, 32), 2u);
    // Table: black, white.
    EXPECT_EQ(Le32(dib, 40), 0x00000000u);
    EXPECT_EQ(Le32(dib, 44), 0x00FFFFFFu);
    // Bottom row first, each row padded to 4 bytes; bits past the width 0.
    const std::vector<std::uint8_t> pixels(dib.begin() + 48, dib.end());
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{0xFF, 0x00, 0, 0, 0x7F, 0x80, 0, 0}));
}

TEST(ScanDibBuilder, SixteenBitSamplesKeepTheHighByteInAnyPieces) {
    // One RGB pixel and one row padding byte, 16 bits a sample in the
    // machine's order: (0x12AB, 0x34CD, 0x56EF).
    const std::uint16_t samples[] = {0x12AB, 0x34CD, 0x56EF};
    std::vector<std::uint8_t> row(7, 0xEE);
    std::memcpy(row.data(), samples, 6);
    std::vector<std::uint8_t> whole, pieces;
    for (int mode = 0; mode < 2; ++mode) {
        TScanDibBuilder builder;
        builder.BeginFrame({TScanFrame::Rgb, 16, 1, 7, 0}, 2);
        for (int r = 0; r < 2; ++r) {
            if (mode == 0) {
                builder.Add(row);
            } else {
                for (std::uint8_t b : row) builder.Add(std::span<const std::uint8_t>(&b, 1));
            }
        }
        (mode == 0 ? whole : pieces) = builder.PackedDib();
    }
    EXPECT_EQ(whole, pieces);
    ASSERT_EQ(whole.size(), 40u + 8u);
    EXPECT_EQ(whole[14], 24);
    EXPECT_EQ(whole[40], 0x56);  // blue
    EXPECT_EQ(whole[41], 0x34);
    EXPECT_EQ(whole[42], 0x12);  // red
}

TEST(ScanDibBuilder, RefusesMoreRowsThanAnnouncedAndMismatchedBands) {
    TScanDibBuilder builder;
    builder.BeginFrame({TScanFrame::Gray, 8, 4, 4, 0}, 1);
    const std::uint8_t row[4] = {1, 2, 3, 4};
    builder.Add(row);
    EXPECT_THROW(builder.Add(row), EDibImageInvalidDIBPara);

    TScanDibBuilder bands;
    bands.BeginFrame({TScanFrame::Red, 8, 4, 4, 0}, 1);
    bands.Add(row);
    EXPECT_THROW(bands.BeginFrame({TScanFrame::Green, 8, 5, 5, 0}, 1), EDibImageInvalidDIBPara);
    EXPECT_THROW(TScanDibBuilder().BeginFrame({TScanFrame::Rgb, 1, 4, 2, 0}, 1), EDibImageInvalidDIBPara);
    EXPECT_THROW(TScanDibBuilder().PackedDib(), EDibImageInvalidDIBPara);
}

}  // namespace
}  // namespace zelvo
