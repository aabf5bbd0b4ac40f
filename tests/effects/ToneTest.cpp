#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "effects/Rounding.h"
#include "effects/Tone.h"
#include "reference/ToneReference.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

// A one-row 24-bit picture of the given colours (red in the low byte).
TDibImage Row(const std::vector<TColor>& colors) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(int(colors.size()));
    image.SetHeight(1);
    for (int x = 0; x < int(colors.size()); ++x) image.SetPixels(x, 0, colors[std::size_t(x)]);
    return image;
}

// A one-row picture holding the grey levels 0..255, so that each pixel
// shows what an operation does to one component value.
TDibImage Ramp() {
    std::vector<TColor> colors;
    for (int c = 0; c < 256; ++c) colors.push_back(RGB(std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)));
    return Row(colors);
}

TColor At(const TDibImage& image, int x, int y = 0) { return image.GetPixels(x, y); }
int Component(const TDibImage& image, int x) { return GetRValue(At(image, x)); }
TColor Grey(int c) { return RGB(std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)); }

TEST(ClampRound, LimitsThenRoundsHalvesToEven) {
    struct Case {
        long double in;
        int out;
    } cases[] = {{-300, 0}, {-0.4L, 0}, {0, 0},     {0.5L, 0},     {0.5000001L, 1}, {1.5L, 2},
                 {2.5L, 2}, {3.5L, 4},  {127.49999L, 127}, {254.5L, 254}, {254.6L, 255},   {255.5L, 255},
                 {1e9L, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(double(c.in)));
        EXPECT_EQ(ClampRound(c.in), c.out);
    }
    EXPECT_EQ(ClampRound(std::numeric_limits<long double>::quiet_NaN()), 0);
    // The integer form of a quotient equals the extended one for every sum
    // of up to 25 channels (the noise reduction's window) and more.
    for (int count = 1; count <= 40; ++count)
        for (int sum = 0; sum <= count * 255 + 300; ++sum)
            ASSERT_EQ(RoundQuotient(sum, count), ClampRound(static_cast<long double>(sum) / count)) << sum << "/" << count;
}

// --- worked examples ----------------------------------------------------------

TEST(Grayscale, WeightsThirtyFiftyNineEleven) {
    TDibImage image = Row({RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(10, 20, 30)});
    Grayscale(image);
    EXPECT_EQ(At(image, 0), Grey(76));   // 255 x 30 div 100
    EXPECT_EQ(At(image, 1), Grey(150));  // 255 x 59 div 100
    EXPECT_EQ(At(image, 2), Grey(28));   // 255 x 11 div 100
    EXPECT_EQ(At(image, 3), Grey(18));   // (300 + 1180 + 330) div 100
}

TEST(Sepia, TableEntriesAndAverage) {
    EXPECT_EQ(SepiaColor(0), RGB(0, 0, 0));
    EXPECT_EQ(SepiaColor(64), RGB(90, 64, 40));
    EXPECT_EQ(SepiaColor(128), RGB(152, 128, 102));
    EXPECT_EQ(SepiaColor(192), RGB(206, 192, 175));
    EXPECT_EQ(SepiaColor(255), RGB(255, 255, 255));
    // Pure red has average 85 and takes entry 85; grey 64 takes entry 64.
    TDibImage image = Row({clBlack, clWhite, RGB(255, 0, 0), Grey(64), RGB(63, 64, 66)});
    Sepia(image);
    EXPECT_EQ(At(image, 0), clBlack);
    EXPECT_EQ(At(image, 1), clWhite);
    EXPECT_EQ(At(image, 2), SepiaColor(85));
    EXPECT_EQ(At(image, 3), RGB(90, 64, 40));
    EXPECT_EQ(At(image, 4), RGB(90, 64, 40));  // (63 + 64 + 66) div 3 = 64
}

TEST(SingleColorScale, ShiftsByEightBits) {
    TDibImage image = Row({clWhite, Grey(128), RGB(30, 60, 90)});
    SingleColorScale(image, {clWhite});
    EXPECT_EQ(At(image, 0), Grey(254));  // 255 x 255 shr 8
    EXPECT_EQ(At(image, 1), Grey(127));  // 255 x 128 shr 8
    EXPECT_EQ(At(image, 2), Grey(59));   // avg 60: 255 x 60 shr 8
    TDibImage blue = Row({clWhite});
    SingleColorScale(blue, {clBlue});
    EXPECT_EQ(At(blue, 0), RGB(0, 0, 254));
    // A system colour is resolved through the theme first.
    TDibImage face = Row({clWhite});
    SingleColorScale(face, {clBtnFace});
    const TColor rgb = ColorToRGB(clBtnFace);
    EXPECT_EQ(At(face, 0), RGB(std::uint8_t(GetRValue(rgb) * 255 >> 8), std::uint8_t(GetGValue(rgb) * 255 >> 8),
                               std::uint8_t(GetBValue(rgb) * 255 >> 8)));
}

TEST(Brightness, FullDeltaSaturates) {
    TDibImage up = Ramp(), down = Ramp(), some = Row({RGB(10, 200, 250)});
    Brightness(up, {255});
    Brightness(down, {-255});
    Brightness(some, {10});
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(At(up, c), clWhite);
        EXPECT_EQ(At(down, c), clBlack);
    }
    EXPECT_EQ(At(some, 0), RGB(20, 210, 255));
}

TEST(Contrast, MinusHundredIsGreyPlusHundredDoubles) {
    TDibImage flat = Ramp(), same = Ramp(), steep = Ramp(), half = Ramp();
    Contrast(flat, {-100});
    Contrast(same, {0});
    Contrast(steep, {100});
    Contrast(half, {50});
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Component(flat, c), 128);
        EXPECT_EQ(Component(same, c), c);
        EXPECT_EQ(Component(steep, c), std::clamp(2 * c - 128, 0, 255));
    }
    // 129 + 1 x 0.5 = 129.5 rounds to 130 (even); 131.5 rounds to 132;
    // 127 - 0.5 = 126.5 rounds to 126.
    EXPECT_EQ(Component(half, 129), 130);
    EXPECT_EQ(Component(half, 131), 132);
    EXPECT_EQ(Component(half, 127), 126);
}

TEST(AdjustRGB, EachChannelItsOwnDelta) {
    TDibImage image = Row({RGB(100, 100, 100), RGB(250, 5, 128)});
    AdjustRGB(image, {10, -20, 30});
    EXPECT_EQ(At(image, 0), RGB(110, 80, 130));
    EXPECT_EQ(At(image, 1), RGB(255, 0, 158));
}

TEST(Posterize, LevelsAndTheirOutputs) {
    TDibImage two = Ramp(), four = Ramp(), one = Ramp(), zero = Ramp();
    Posterize(two, {2});
    Posterize(four, {4});
    Posterize(one, {1});
    Posterize(zero, {0});
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Component(two, c), c < 128 ? 0 : 255);
        const int level = Component(four, c);
        EXPECT_TRUE(level == 0 || level == 85 || level == 170 || level == 255);
        EXPECT_EQ(Component(one, c), c);
        EXPECT_EQ(Component(zero, c), c);
    }
    // 4 levels, step 85: 42 -> Trunc(0.49 + 0.5) = 0, 43 -> 1 -> 85.
    EXPECT_EQ(Component(four, 42), 0);
    EXPECT_EQ(Component(four, 43), 85);
    EXPECT_EQ(Component(four, 212), 170);
    EXPECT_EQ(Component(four, 213), 255);
}

// Floating-point steps land on 254 instead of 255 for the top level of 28,
// 42, 54 and other level counts; white must stay white for every count.
TEST(Posterize, TopLevelIsAlwaysWhite) {
    for (int levels = 2; levels <= 255; ++levels) {
        SCOPED_TRACE(levels);
        TDibImage image = Row({clWhite, clBlack});
        Posterize(image, {std::uint8_t(levels)});
        EXPECT_EQ(At(image, 0), clWhite);
        EXPECT_EQ(At(image, 1), clBlack);
    }
}

TEST(Solarization, ThresholdsZeroOneAndTwoFiftyFive) {
    TDibImage zero = Ramp(), one = Ramp(), top = Ramp(), mid = Row({RGB(127, 128, 200)});
    Solarization(zero, {0});
    Solarization(one, {1});
    Solarization(top, {255});
    Solarization(mid, {128});
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Component(zero, c), 255 - c);
        EXPECT_EQ(Component(one, c), c == 0 ? 0 : 255 - c);
        EXPECT_EQ(Component(top, c), c);
    }
    EXPECT_EQ(At(mid, 0), RGB(127, 127, 55));  // each component tested on its own
}

TEST(Gamma, TablesForTwoAndOneHalf) {
    TDibImage two = Row({Grey(64), Grey(128), Grey(192), clBlack, clWhite});
    TDibImage half = Row({Grey(64), Grey(128), Grey(192), clBlack, clWhite});
    Gamma(two, {2.0});
    Gamma(half, {0.5});
    EXPECT_EQ(At(two, 0), Grey(128));
    EXPECT_EQ(At(two, 1), Grey(181));
    EXPECT_EQ(At(two, 2), Grey(221));
    EXPECT_EQ(At(half, 0), Grey(16));
    EXPECT_EQ(At(half, 1), Grey(64));
    EXPECT_EQ(At(half, 2), Grey(145));
    for (const TDibImage* image : {&two, &half}) {
        EXPECT_EQ(At(*image, 3), clBlack);
        EXPECT_EQ(At(*image, 4), clWhite);
    }
}

TEST(Gamma, OutOfRangeChangesNothing) {
    const TDibImage original = test::NoiseImage24(9, 4, 17);
    for (double gamma : {1.0, 7.0, 0.009, 6.991, -1.0, 0.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(gamma);
        TDibImage image(original);
        Gamma(image, {gamma});
        EXPECT_TRUE(test::SamePixels(image, original));
        EXPECT_FALSE(GammaInRange(gamma));
    }
    EXPECT_TRUE(GammaInRange(0.01));
    EXPECT_TRUE(GammaInRange(6.99));
}

TEST(AdjustHSV, HueIsLimitedNotWrapped) {
    // Magenta has hue 300; +180 gives 480, limited to 360, which is red.
    EXPECT_EQ(RGBToHSV(RGB(255, 0, 255)), (THSV{300, 100, 100}));
    TDibImage image = Row({RGB(255, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0)});
    AdjustHSV(image, {180, 0, 0});
    EXPECT_EQ(At(image, 0), RGB(255, 0, 0));
    EXPECT_EQ(At(image, 1), RGB(255, 0, 255));  // green: 120 + 180 = 300, magenta
    EXPECT_EQ(At(image, 2), RGB(0, 255, 255));  // red: 0 + 180, cyan
}

TEST(AdjustHSV, KnownConversions) {
    EXPECT_EQ(RGBToHSV(RGB(0, 0, 0)), (THSV{0, 0, 0}));
    EXPECT_EQ(RGBToHSV(RGB(255, 255, 255)), (THSV{0, 0, 100}));
    EXPECT_EQ(RGBToHSV(RGB(0, 255, 0)), (THSV{120, 100, 100}));
    EXPECT_EQ(RGBToHSV(RGB(0, 0, 255)), (THSV{240, 100, 100}));
    EXPECT_EQ(RGBToHSV(RGB(255, 128, 0)), (THSV{30, 100, 100}));
    EXPECT_EQ(HSVToRGB({360, 100, 100}), RGB(255, 0, 0));
    EXPECT_EQ(HSVToRGB({60, 100, 100}), RGB(255, 255, 0));
    EXPECT_EQ(HSVToRGB({200, 0, 50}), RGB(128, 128, 128));  // 0.5 x 255 + 0.5 = 128
    // Value and saturation are limited to 0..100.
    TDibImage image = Row({RGB(200, 100, 50), RGB(200, 100, 50)});
    AdjustHSV(image, {0, -100, 0});
    EXPECT_EQ(At(image, 0), Grey(199));  // V = Trunc(78.4) = 78: 0.78 x 255 + 0.5
    TDibImage dark = Row({RGB(200, 100, 50)});
    AdjustHSV(dark, {0, 0, -128});
    EXPECT_EQ(At(dark, 0), clBlack);
}

TEST(Monochrome, AverageAgainstThreshold) {
    // Averages: (127 + 128 + 129) div 3 = 128, (127 + 127 + 129) div 3 = 127.
    TDibImage image = Row({RGB(127, 128, 129), RGB(127, 127, 129), clWhite, clBlack});
    Monochrome(image, {128, false, true});
    EXPECT_EQ(At(image, 0), clWhite);
    EXPECT_EQ(At(image, 1), clBlack);
    EXPECT_EQ(At(image, 2), clWhite);
    EXPECT_EQ(At(image, 3), clBlack);
    TDibImage all = Row({clBlack, Grey(100)});
    Monochrome(all, {-5, false, true});
    EXPECT_EQ(At(all, 0), clWhite);
    TDibImage none = Row({clWhite});
    Monochrome(none, {std::numeric_limits<int>::max(), false, true});
    EXPECT_EQ(At(none, 0), clBlack);
}

TEST(SwapRGB, RotatesChannels) {
    TDibImage image = Row({RGB(1, 2, 3)});
    SwapRGB(image);
    EXPECT_EQ(At(image, 0), RGB(2, 3, 1));  // R = old G, G = old B, B = old R
    SwapRGB(image);
    SwapRGB(image);
    EXPECT_EQ(At(image, 0), RGB(1, 2, 3));
}

TEST(XORConvert, FlipsTopBitAndTwiceRestores) {
    TDibImage image = Row({RGB(0, 127, 128), RGB(255, 1, 200)});
    XORConvert(image);
    EXPECT_EQ(At(image, 0), RGB(128, 255, 0));
    EXPECT_EQ(At(image, 1), RGB(127, 129, 72));
    const TDibImage original = test::NoiseImage24(31, 7, 5);
    TDibImage twice(original);
    XORConvert(twice);
    EXPECT_FALSE(test::SamePixels(twice, original));
    XORConvert(twice);
    EXPECT_TRUE(test::SamePixels(twice, original));
}

TEST(Negative, TrueColourInvertsComponents) {
    TDibImage image = Row({RGB(0, 100, 255)});
    Negative(image);
    EXPECT_EQ(At(image, 0), RGB(255, 155, 0));
}

TEST(Negative, PaletteKeepsIndicesAndFormat) {
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const int colors = bits == 1 ? 2 : (bits == 4 ? 16 : 200);
        const TDibImage original = test::NoiseImagePalette(13, 5, bits, colors, 3);
        TDibImage image(original);
        Negative(image);
        ASSERT_EQ(image.PixelFormat(), original.PixelFormat());
        ASSERT_EQ(image.ColorsUsed(), colors);
        for (int i = 0; i < colors; ++i) {
            EXPECT_EQ(image.ColorTable()[i].rgbRed, 255 - original.ColorTable()[i].rgbRed);
            EXPECT_EQ(image.ColorTable()[i].rgbGreen, 255 - original.ColorTable()[i].rgbGreen);
            EXPECT_EQ(image.ColorTable()[i].rgbBlue, 255 - original.ColorTable()[i].rgbBlue);
        }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) EXPECT_EQ(image.GetPixels(x, y), original.GetPixels(x, y));
        // The original shares no storage with the result.
        EXPECT_EQ(original.ColorTable()[0].rgbRed, test::NoiseImagePalette(13, 5, bits, colors, 3).ColorTable()[0].rgbRed);
    }
}

// --- fast forms against the literal forms ------------------------------------

struct ToneCase {
    std::string name;
    std::function<void(TDibImage&)> fast;
    std::function<void(TDibImage&)> literal;
};

std::vector<ToneCase> ToneCases() {
    std::vector<ToneCase> cases;
    cases.push_back({"Grayscale", [](TDibImage& i) { Grayscale(i); }, test::GrayscaleLiteral});
    cases.push_back({"Sepia", [](TDibImage& i) { Sepia(i); }, test::SepiaLiteral});
    for (TColor color : {clWhite, clBlue, TColor(RGB(17, 200, 99)), clBtnShadow}) {
        cases.push_back({"SingleColorScale " + ColorToString(color),
                         [color](TDibImage& i) { SingleColorScale(i, {color}); },
                         [color](TDibImage& i) { test::SingleColorScaleLiteral(i, color); }});
    }
    for (int delta : {-32768, -255, -77, 1, 128, 300}) {
        cases.push_back({"Brightness " + std::to_string(delta),
                         [delta](TDibImage& i) { Brightness(i, {std::int16_t(delta)}); },
                         [delta](TDibImage& i) { test::BrightnessLiteral(i, delta); }});
    }
    for (int level = -128; level <= 127; ++level) {
        cases.push_back({"Contrast " + std::to_string(level),
                         [level](TDibImage& i) { Contrast(i, {std::int8_t(level)}); },
                         [level](TDibImage& i) { test::ContrastLiteral(i, level); }});
    }
    cases.push_back({"AdjustRGB", [](TDibImage& i) { AdjustRGB(i, {-40, 255, 7}); },
                     [](TDibImage& i) { test::AdjustRGBLiteral(i, -40, 255, 7); }});
    for (int levels = 0; levels <= 255; ++levels) {
        cases.push_back({"Posterize " + std::to_string(levels),
                         [levels](TDibImage& i) { Posterize(i, {std::uint8_t(levels)}); },
                         [levels](TDibImage& i) { test::PosterizeLiteral(i, levels); }});
    }
    for (int threshold : {0, 1, 64, 128, 254, 255}) {
        cases.push_back({"Solarization " + std::to_string(threshold),
                         [threshold](TDibImage& i) { Solarization(i, {std::uint8_t(threshold)}); },
                         [threshold](TDibImage& i) { test::SolarizationLiteral(i, threshold); }});
    }
    for (double gamma : {0.01, 0.1, 0.5, 0.75, 1.5, 2.0, 3.3, 6.99}) {
        cases.push_back({"Gamma " + std::to_string(gamma), [gamma](TDibImage& i) { Gamma(i, {gamma}); },
                         [gamma](TDibImage& i) { test::GammaLiteral(i, gamma); }});
    }
    struct Hsv {
        int h, s, v;
    };
    for (Hsv d : {Hsv{0, 0, 0}, Hsv{180, 0, 0}, Hsv{-180, 0, 0}, Hsv{17, -30, 12}, Hsv{0, 100, 100},
                  Hsv{-5, 3, -100}, Hsv{32767, 127, -128}}) {
        cases.push_back(
            {"AdjustHSV " + std::to_string(d.h) + "," + std::to_string(d.s) + "," + std::to_string(d.v),
             [d](TDibImage& i) { AdjustHSV(i, {std::int16_t(d.h), std::int8_t(d.s), std::int8_t(d.v)}); },
             [d](TDibImage& i) { test::AdjustHSVLiteral(i, d.h, d.s, d.v); }});
    }
    for (int threshold : {-1, 0, 1, 85, 128, 255, 256}) {
        cases.push_back({"Monochrome " + std::to_string(threshold),
                         [threshold](TDibImage& i) { Monochrome(i, {threshold, false, true}); },
                         [threshold](TDibImage& i) { test::MonochromeLiteral(i, threshold); }});
    }
    cases.push_back({"SwapRGB", [](TDibImage& i) { SwapRGB(i); }, test::SwapRGBLiteral});
    cases.push_back({"XORConvert", [](TDibImage& i) { XORConvert(i); }, test::XORConvertLiteral});
    cases.push_back({"Negative", [](TDibImage& i) { Negative(i); }, test::NegativeLiteral});
    return cases;
}

TEST(ToneFastForms, MatchLiteralFormsOnNoise) {
    // Odd widths exercise the row padding, and both storage orders.
    const TDibImage images[] = {test::NoiseImage24(37, 11, 101), test::NoiseImage24(64, 9, 202, true)};
    for (const ToneCase& c : ToneCases()) {
        SCOPED_TRACE(c.name);
        for (const TDibImage& source : images) {
            TDibImage fast(source), literal(source);
            c.fast(fast);
            c.literal(literal);
            std::string why;
            EXPECT_TRUE(test::SamePixels(fast, literal, &why)) << why;
        }
    }
}

// The HSV fast path computes the hue in integers and the saturation and
// value from tables; every one of the 2^24 colours must come out as the
// literal steps give it. With saturation and value pushed to 100 the output
// depends on the hue alone (one byte value per degree in each sector), so
// the second pass checks the hue itself.
TEST(ToneFastForms, AdjustHSVMatchesLiteralForEveryColour) {
    TDibImage all;
    all.SetBitCount(24);
    all.SetWidth(4096);
    all.SetHeight(4096);
    for (int y = 0; y < 4096; ++y) {
        std::uint8_t* row = all.ScanLine(y);
        for (int x = 0; x < 4096; ++x) {
            const std::uint32_t c = std::uint32_t(y) * 4096 + std::uint32_t(x);
            row[x * 3] = std::uint8_t(c >> 16);
            row[x * 3 + 1] = std::uint8_t(c >> 8);
            row[x * 3 + 2] = std::uint8_t(c);
        }
    }
    TDibImage same(all), pure(all);
    AdjustHSV(same, {0, 0, 0});
    AdjustHSV(pure, {0, 100, 100});
    int mismatches = 0;
    for (int y = 0; y < 4096 && mismatches < 10; ++y) {
        const std::uint8_t* in = all.ScanLineRead(y);
        const std::uint8_t* a = same.ScanLineRead(y);
        const std::uint8_t* b = pure.ScanLineRead(y);
        for (int x = 0; x < 4096; ++x) {
            const int blue = in[x * 3], green = in[x * 3 + 1], red = in[x * 3 + 2];
            const test::LiteralHSV hsv = test::RGBToHSVLiteral(red, green, blue);
            const TColor expectSame = test::HSVToRGBLiteral(hsv.H, hsv.S, hsv.V);
            const TColor expectPure = test::HSVToRGBLiteral(hsv.H, 100, 100);
            const TColor gotSame = RGB(a[x * 3 + 2], a[x * 3 + 1], a[x * 3]);
            const TColor gotPure = RGB(b[x * 3 + 2], b[x * 3 + 1], b[x * 3]);
            if (gotSame != expectSame || gotPure != expectPure) {
                ADD_FAILURE() << "colour " << red << "," << green << "," << blue << " hue " << hsv.H;
                if (++mismatches >= 10) break;
            }
        }
    }
}

// --- progress and refusals -----------------------------------------------------

TEST(ToneProgress, OncePerRowExceptGammaAndQuietMonochrome) {
    const TDibImage source = test::NoiseImage24(5, 3, 9);
    std::vector<int> seen;
    const ProgressFn record = [&seen](int percent) { seen.push_back(percent); };
    const std::vector<int> perRow = {33, 66, 100};
    const std::vector<std::pair<std::string, std::function<void(TDibImage&)>>> ops = {
        {"Grayscale", [&](TDibImage& i) { Grayscale(i, {}, record); }},
        {"Sepia", [&](TDibImage& i) { Sepia(i, {}, record); }},
        {"SingleColorScale", [&](TDibImage& i) { SingleColorScale(i, {clRed}, record); }},
        {"Brightness", [&](TDibImage& i) { Brightness(i, {5}, record); }},
        {"Contrast", [&](TDibImage& i) { Contrast(i, {5}, record); }},
        {"AdjustRGB", [&](TDibImage& i) { AdjustRGB(i, {1, 2, 3}, record); }},
        {"Posterize", [&](TDibImage& i) { Posterize(i, {4}, record); }},
        {"Solarization", [&](TDibImage& i) { Solarization(i, {9}, record); }},
        {"AdjustHSV", [&](TDibImage& i) { AdjustHSV(i, {1, 2, 3}, record); }},
        {"Monochrome", [&](TDibImage& i) { Monochrome(i, {128, false, true}, record); }},
        {"SwapRGB", [&](TDibImage& i) { SwapRGB(i, {}, record); }},
        {"XORConvert", [&](TDibImage& i) { XORConvert(i, {}, record); }},
        {"Negative", [&](TDibImage& i) { Negative(i, {}, record); }},
    };
    for (const auto& [name, op] : ops) {
        SCOPED_TRACE(name);
        seen.clear();
        TDibImage image(source);
        op(image);
        EXPECT_EQ(seen, perRow);
    }
    const std::vector<std::pair<std::string, std::function<void(TDibImage&)>>> quiet = {
        {"Gamma", [&](TDibImage& i) { Gamma(i, {2.0}, record); }},
        {"Monochrome without progress", [&](TDibImage& i) { Monochrome(i, {128, false, false}, record); }},
        {"Posterize 1", [&](TDibImage& i) { Posterize(i, {1}, record); }},
        {"Solarization 255", [&](TDibImage& i) { Solarization(i, {255}, record); }},
    };
    for (const auto& [name, op] : quiet) {
        SCOPED_TRACE(name);
        seen.clear();
        TDibImage image(source);
        op(image);
        EXPECT_TRUE(seen.empty());
    }
}

TEST(ToneRefusals, PaletteWorkImageIsRefusedUntouched) {
    const TDibImage original = test::NoiseImagePalette(6, 4, 8, 50, 4);
    const std::vector<std::pair<std::string, std::function<void(TDibImage&)>>> ops = {
        {"Grayscale", [](TDibImage& i) { Grayscale(i); }},
        {"Sepia", [](TDibImage& i) { Sepia(i); }},
        {"SingleColorScale", [](TDibImage& i) { SingleColorScale(i, {}); }},
        {"Brightness", [](TDibImage& i) { Brightness(i, {}); }},
        {"Contrast", [](TDibImage& i) { Contrast(i, {}); }},
        {"AdjustRGB", [](TDibImage& i) { AdjustRGB(i, {}); }},
        {"Posterize", [](TDibImage& i) { Posterize(i, {}); }},
        {"Solarization", [](TDibImage& i) { Solarization(i, {}); }},
        {"Gamma", [](TDibImage& i) { Gamma(i, {}); }},
        {"AdjustHSV", [](TDibImage& i) { AdjustHSV(i, {}); }},
        {"Monochrome", [](TDibImage& i) { Monochrome(i, {}); }},
        {"SwapRGB", [](TDibImage& i) { SwapRGB(i); }},
        {"XORConvert", [](TDibImage& i) { XORConvert(i); }},
    };
    for (const auto& [name, op] : ops) {
        SCOPED_TRACE(name);
        TDibImage image(original);
        try {
            op(image);
            ADD_FAILURE() << "no exception";
        } catch (const EDibImageBadDIBType& e) {
            EXPECT_EQ(std::string(e.what()), name + ": Invalid Bitcount");
        }
        EXPECT_TRUE(test::SamePixels(image, original));
    }
}

}  // namespace
}  // namespace zelvo
