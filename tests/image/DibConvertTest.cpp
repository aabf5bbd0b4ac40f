// Pixel-format conversion: routes, reductions, halftones and progress.
#include <gtest/gtest.h>

#include <random>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "image/DibConvert.h"
#include "image/DibImage.h"
#include "reference/ReduceReference.h"

namespace zelvo {
namespace {

TDibImage Solid24(int w, int h, std::initializer_list<TColor> colors) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(w);
    image.SetHeight(h);
    auto it = colors.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image.SetPixels(x, y, *it);
            if (++it == colors.end()) it = colors.begin();
        }
    return image;
}

struct ProgressLog {
    int starting = 0, running = 0, ending = 0;
    std::vector<int> percents;
    std::string message;
    void Attach(TDibImage& image) {
        image.OnProgress = [this](TDibImage&, TProgressStage stage, std::uint8_t pct, bool, const TRect&,
                                  const std::string& msg) {
            message = msg;
            if (stage == TProgressStage::psStarting) ++starting;
            if (stage == TProgressStage::psRunning) {
                ++running;
                percents.push_back(pct);
            }
            if (stage == TProgressStage::psEnding) ++ending;
        };
    }
};

TEST(DibConvert, MonoMatchTurnsExactlyTheMonoColourWhite) {
    TDibImage image = Solid24(4, 1, {clWhite, RGB(255, 255, 254), clBlack, RGB(1, 2, 3)});
    image.SetPixelFormat(dibPf1Bit);
    ASSERT_EQ(image.PixelFormat(), dibPf1Bit);
    EXPECT_EQ(image.ColorsUsed(), 2);
    EXPECT_EQ(image.ColorTable()[1], (TRGBQuad{255, 255, 255, 0}));
    EXPECT_EQ(image.ScanLineRead(0)[0], 0x80);  // only pixel 0 is pure white

    TDibImage red = Solid24(3, 1, {clRed, clWhite, clRed});
    red.MonoColor = clRed;
    red.SetPixelFormat(dibPf1Bit);
    EXPECT_EQ(red.ScanLineRead(0)[0], 0xA0);
}

TEST(DibConvert, ThreeColoursGiveThreeEntriesAndTheProgressRun) {
    for (const std::uint8_t mode : {0, 1}) {
        SCOPED_TRACE(int(mode));
        TDibImage image = Solid24(7, 5, {clRed, clLime, RGB(10, 20, 30)});
        image.ConvertMode = mode;
        ProgressLog log;
        log.Attach(image);
        image.SetPixelFormat(dibPf8Bit);
        EXPECT_EQ(image.PixelFormat(), dibPf8Bit);
        EXPECT_EQ(image.ColorsUsed(), 3);
        EXPECT_EQ(log.message, "PixelFormat 24Bit -> 8Bit");
        // 256 steps, the last of which is not reported.
        EXPECT_EQ(log.starting, 1);
        EXPECT_EQ(log.running, 255);
        EXPECT_EQ(log.ending, 1);
        EXPECT_EQ(log.percents.front(), 0);   // 1 x 100 div 256
        EXPECT_EQ(log.percents.back(), 99);   // 255 x 100 div 256
        // Each colour maps back to itself.
        TDibImage back = image;
        back.SetPixelFormat(dibPf24Bit);
        EXPECT_EQ(back.GetPixels(0, 0), clRed);
        EXPECT_EQ(back.GetPixels(1, 0), clLime);
        EXPECT_EQ(back.GetPixels(2, 0), RGB(10, 20, 30));
    }
}

TEST(DibConvert, BlackAndWhiteSplitOnGreenInLowMode) {
    // Equal variances: red needs 3 vR >= 4 vG, which fails, so "Low" splits on
    // green; black (<= mean) comes first, white second.
    TDibImage image = Solid24(2, 1, {clBlack, clWhite});
    image.SetPixelFormat(dibPf4Bit);
    ASSERT_EQ(image.ColorsUsed(), 2);
    EXPECT_EQ(image.ColorTable()[0], (TRGBQuad{0, 0, 0, 0}));
    EXPECT_EQ(image.ColorTable()[1], (TRGBQuad{255, 255, 255, 0}));
    EXPECT_EQ(image.ScanLineRead(0)[0], 0x01);
}

TEST(DibConvert, HighReductionMatchesTheLiteralFormOnRandomImages) {
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(trial);
        const int w = 5 + int(rng() % 40), h = 3 + int(rng() % 30);
        TDibImage image;
        image.SetBitCount(24);
        image.SetWidth(w);
        image.SetHeight(h);
        // Few levels per channel in some trials so equal colours and empty
        // nodes occur.
        const unsigned levels = trial % 3 == 0 ? 3 : trial % 3 == 1 ? 17 : 256;
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < w * 3; ++x) row[x] = std::uint8_t((rng() % levels) * (255 / (levels - 1)));
        }
        const int depth = trial % 2 ? 8 : 4;
        const test::ReducedImage want = test::ReduceHighLiteral(image, depth);
        image.ConvertMode = 1;
        image.SetPixelFormat(depth == 8 ? dibPf8Bit : dibPf4Bit);
        ASSERT_EQ(image.ColorsUsed(), int(want.palette.size()));
        for (std::size_t i = 0; i < want.palette.size(); ++i) EXPECT_EQ(image.ColorTable()[i], want.palette[i]) << i;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(image.GetPixels(x, y), want.indices[std::size_t(y * w + x)]) << x << "," << y;
    }
}

TEST(DibConvert, LowAndHighKeepAtMostTheirColourCount) {
    TDibImage noise = test::NoiseImage24(64, 48, 99);
    for (const std::uint8_t mode : {0, 1}) {
        for (const auto format : {dibPf4Bit, dibPf8Bit}) {
            TDibImage image = noise;
            image.ConvertMode = mode;
            image.SetPixelFormat(format);
            EXPECT_LE(image.ColorsUsed(), format == dibPf4Bit ? 16 : 256);
            EXPECT_GT(image.ColorsUsed(), format == dibPf4Bit ? 8 : 128);
            EXPECT_TRUE(test::SamePixels(noise, test::NoiseImage24(64, 48, 99)));  // source untouched
        }
    }
    TDibImage bad = noise;
    bad.ConvertMode = 2;
    EXPECT_THROW(bad.SetPixelFormat(dibPf8Bit), EAssertionFailed);
    EXPECT_EQ(bad.PixelFormat(), dibPf24Bit);
}

TEST(DibConvert, EightBitToFourBitWeightsTableEntriesByUse) {
    // Three used entries: red x 10 pixels, dark red x 1, blue x 1. Unused
    // entries do not take part.
    TDibImage image;
    image.SetWidth(12);
    std::vector<TRGBQuad> table(256);
    table[5] = TRGBQuad{0, 0, 255, 0};
    table[6] = TRGBQuad{0, 0, 200, 0};
    table[7] = TRGBQuad{255, 0, 0, 0};
    table[8] = TRGBQuad{0, 255, 0, 0};  // unused
    image.SetColorTable(table);
    std::uint8_t* row = image.ScanLine(0);
    for (int x = 0; x < 10; ++x) row[x] = 5;
    row[10] = 6;
    row[11] = 7;
    ProgressLog log;
    log.Attach(image);
    image.SetPixelFormat(dibPf4Bit);
    EXPECT_EQ(log.message, "PixelFormat 8Bit -> 4Bit");
    EXPECT_EQ(log.running, 15);
    EXPECT_EQ(image.ColorsUsed(), 3);
    TDibImage back = image;
    back.SetPixelFormat(dibPf24Bit);
    EXPECT_EQ(back.GetPixels(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(back.GetPixels(10, 0), RGB(200, 0, 0));
    EXPECT_EQ(back.GetPixels(11, 0), RGB(0, 0, 255));
}

TEST(DibConvert, ExpansionsAndLookUpsKeepEveryColour) {
    for (const int bits : {1, 4, 8}) {
        for (const bool topDown : {false, true}) {
            SCOPED_TRACE(bits * 10 + topDown);
            TDibImage src = test::NoiseImagePalette(13, 7, bits, 1 << std::min(bits, 4), 5, topDown);
            const auto want = test::RgbRows(src);
            std::vector<TDibPixelFormat> targets{dibPf24Bit, dibPf8Bit};
            if (bits == 1) targets.push_back(dibPf4Bit);
            for (auto target : targets) {
                if (target == src.PixelFormat()) continue;
                TDibImage image = src;
                image.SetPixelFormat(target);
                EXPECT_EQ(image.PixelFormat(), target);
                EXPECT_EQ(image.Header().biHeight < 0, topDown);
                EXPECT_EQ(test::RgbRows(image), want);
            }
        }
    }
}

TEST(DibConvert, BlackAndWhiteHalftoneWorkedExample) {
    // A 2 x 2 mid grey (128). Storage row 0, left to right: x0 has no error
    // above, 384 >= 384 -> white, stored 127; x1: carry 127, sum 1524 / 32 =
    // 47, 81 x 3 < 384 -> black, stored -81. Storage row 1, right to left:
    // x1: above -81, sum -972 / 32 = -30, 158 -> white, stored 97; x0: above
    // 127, diagonal (above-right) -81, carry 97: sum 1524 + 1164 - 405 =
    // 2283 / 32 = 71, 57 -> black.
    TDibImage image = Solid24(2, 2, {RGB(128, 128, 128)});
    image.SetPixelFormat(dibPfHalftoneBW);
    ASSERT_EQ(image.PixelFormat(), dibPf1Bit);
    EXPECT_EQ(image.ColorsUsed(), 2);
    const std::uint8_t* bits = image.Bits().data();
    EXPECT_EQ(bits[0] & 0xC0, 0x80);
    EXPECT_EQ(bits[4] & 0xC0, 0x40);
}

TEST(DibConvert, HalftoneBWFollowsBrightness) {
    auto whiteCount = [](TColor c) {
        TDibImage image = Solid24(64, 64, {c});
        image.SetPixelFormat(dibPfHalftoneBW);
        int white = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) white += image.GetPixels(x, y);
        return white;
    };
    EXPECT_EQ(whiteCount(clBlack), 0);
    EXPECT_EQ(whiteCount(clWhite), 64 * 64);
    // The neighbours take 12 + 12 + 5 = 29 of 32 parts of the error, so a
    // quarter-grey gives a little under a quarter of white pixels.
    const int quarter = whiteCount(RGB(64, 64, 64));
    EXPECT_GT(quarter, 64 * 64 * 22 / 100);
    EXPECT_LE(quarter, 64 * 64 / 4);
}

TEST(DibConvert, ColourHalftoneUsesTheHalftonePalette) {
    TDibImage image = Solid24(8, 8, {clWhite, clBlack, RGB(255, 0, 0)});
    image.SetPixelFormat(dibPfHalftone);
    ASSERT_EQ(image.PixelFormat(), dibPf8Bit);
    EXPECT_EQ(image.ColorsUsed(), 215);
    EXPECT_EQ(image.GetPixels(0, 0), 209);  // white: 5 x 35 + 6 x 5 + 4
    EXPECT_EQ(image.GetPixels(1, 0), 0);
    EXPECT_EQ(image.GetPixels(2, 0), 175);  // red: 5 x 35
}

TEST(DibConvert, StepsRefuseSourcesOfTheWrongKind) {
    TDibImage eight;
    try {
        ConvertTrueColorTo8BitRGBLow(*eight.DibData(), {});
        FAIL();
    } catch (const EDibImageBadDIBType& e) {
        EXPECT_STREQ(e.what(), "ConvertTrueColorTo8BitRGBLow: Invalid Bitcount");
    }
    try {
        Convert1BitRGBTo8BitRGB(*eight.DibData());
        FAIL();
    } catch (const EDibImageBadDIBType& e) {
        EXPECT_STREQ(e.what(), "Convert1BitRGBTo8BitRGB: Invalid Bitcount & Compression Combination");
    }
}

TEST(DibConvert, ChangeNotificationFiresOnceAfterConversion) {
    TDibImage image = test::NoiseImage24(9, 9, 3);
    int changes = 0;
    image.OnChange = [&](void*) { ++changes; };
    image.SetPixelFormat(dibPf8Bit);
    EXPECT_EQ(changes, 1);
    image.SetPixelFormat(dibPf8Bit);
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace zelvo
