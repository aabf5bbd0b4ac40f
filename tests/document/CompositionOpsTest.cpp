// The document's histogram, composition and generated-picture operations:
// scope, depth after the edit, undo steps, and what they refuse.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "EffectOpsSupport.h"
#include "TestSupport.h"
#include "document/QxImage.h"
#include "effects/Composition.h"
#include "effects/Generated.h"
#include "effects/Histogram.h"
#include "image/Exceptions.h"
#include "platform/Clipboard.h"
#include "platform/MemoryClipboard.h"

namespace zelvo {
namespace {

namespace fx = zelvo::effects;

TBitmap AsBitmap(const TDibImage& picture) {
    TBitmap bitmap;
    bitmap.Assign(picture);
    return bitmap;
}

TEST(HistogramOps, NormalizeOfAFlatPictureIsOneUnchangedStep) {
    const TDibImage picture = test::FlatImage24(9, 7, RGB(10, 200, 30));
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.Normalize();
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

TEST(HistogramOps, NormalizeOfASelectionMatchesTheEffectAndKeepsThePaletteDepth) {
    const TDibImage picture = test::NoiseImage24(31, 22, 4);
    const TRect sel = Rect(4, 3, 25, 19);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.SetSelectionRect(sel);
    doc.Normalize();
    const TDibImage expected = test::ExpectedInArea(picture, sel, [](TDibImage& w) { fx::Normalize(w, {}); });
    std::string why;
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), expected, &why)) << why;
    doc.Undo(1);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture, &why)) << why;

    TQxImage palette;
    test::LoadPicture(palette, test::NoiseImagePalette(31, 22, 8, 256, 5));
    palette.SetSelectionRect(sel);
    palette.Normalize();
    EXPECT_EQ(palette.BitCount(), 8);
}

TEST(HistogramOps, GetHistogramFillsBrightnessRedBlueGreenInThatOrder) {
    TDibImage picture = test::FlatImage24(4, 2, RGB(30, 60, 91));
    TQxImage doc;
    test::LoadPicture(doc, picture);
    std::array<std::uint32_t, 256> brightness{}, red{}, blue{}, green{};
    EXPECT_EQ(doc.GetHistogram(brightness, red, blue, green), 8);
    EXPECT_EQ(brightness[60], 8u);
    EXPECT_EQ(red[30], 8u);
    EXPECT_EQ(blue[91], 8u);
    EXPECT_EQ(green[60], 8u);
    EXPECT_FALSE(doc.Editing());
    EXPECT_EQ(doc.UndoCount(), 0);
}

TEST(HistogramOps, GetHistogramFailsWithZeroHistogramsWhenEmptyOrBusy) {
    std::array<std::uint32_t, 256> brightness{}, red{}, blue{}, green{};
    auto junk = [&] {
        for (auto* h : {&brightness, &red, &blue, &green}) h->fill(7);
    };
    auto allZero = [&] {
        for (auto* h : {&brightness, &red, &blue, &green})
            for (std::uint32_t v : *h)
                if (v != 0) return false;
        return true;
    };
    TQxImage empty;
    junk();
    EXPECT_EQ(empty.GetHistogram(brightness, red, blue, green), -1);
    EXPECT_TRUE(allZero());
    // The window draws such a histogram without bars.
    EXPECT_EQ(fx::HistogramBarHeight(brightness[0], 0, 125), 0);

    TQxImage busy;
    test::LoadPicture(busy, test::FlatImage24(3, 3, clRed));
    ASSERT_EQ(busy.BeginEdit(false), kEditOpened);
    junk();
    EXPECT_EQ(busy.GetHistogram(brightness, red, blue, green), -1);
    EXPECT_TRUE(allZero());
    EXPECT_TRUE(busy.Editing());
    busy.EndEdit(false, false);
}

TEST(HistogramOps, ColourCountOfGreyLevels) {
    TDibImage grey;
    grey.SetBitCount(24);
    grey.SetWidth(16);
    grey.SetHeight(16);
    for (int i = 0; i < 256; ++i) grey.SetPixels(i % 16, i / 16, RGB(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)));
    TQxImage doc;
    EXPECT_EQ(doc.GetColorCount(), 0);
    test::LoadPicture(doc, grey);
    EXPECT_EQ(doc.GetColorCount(), 256);
    // The same levels as an 8-bit grey picture.
    grey.ConvertMode = 1;
    grey.SetPixelFormat(dibPf8Bit);
    test::LoadPicture(doc, grey);
    EXPECT_EQ(doc.GetColorCount(), 256);
}

TEST(CompositionOps, MergeIntoASelectionMakesThePicture24Bit) {
    const TDibImage picture = test::NoiseImagePalette(20, 16, 8, 256, 9);
    const TDibImage source = test::NoiseImage24(30, 30, 10);
    const TRect sel = Rect(5, 4, 15, 12);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.SetSelectionRect(sel);
    doc.Merge(AsBitmap(source), 0, 0);
    EXPECT_EQ(doc.BitCount(), 24);
    TDibImage picture24(picture);
    picture24.SetPixelFormat(dibPf24Bit);
    // Overwrite fills exactly the selection with the source's top-left.
    const TDibImage expected = test::ExpectedInArea(picture24, sel, [&](TDibImage& w) {
        fx::Merge(w, source, fx::TMergeKind::Blend, 0, {});
    });
    std::string why;
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), expected, &why)) << why;
    doc.Undo(1);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture, &why)) << why;
}

TEST(CompositionOps, MergeKindsOutsideTheTableDoNothingAndTransparency100IsAStep) {
    const TDibImage picture = test::NoiseImage24(12, 9, 12);
    const TBitmap source = AsBitmap(test::NoiseImage24(12, 9, 13));
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.Merge(source, 5, 0);
    doc.Merge(source, -1, 0);
    doc.Merge(TBitmap(), 0, 0);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_FALSE(doc.Modified());
    doc.Merge(source, 0, 100);
    doc.Merge(source, 0, 1000);  // limited to 100
    EXPECT_EQ(doc.UndoCount(), 1);  // the depth is 1
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

TEST(CompositionOps, MergePasteFloatsTheClipboardAndApplyingCommitsIt) {
    TMemoryClipboard clipboard;
    const TClipboardInstallation installed(clipboard);
    const TDibImage picture = test::NoiseImagePalette(20, 16, 8, 256, 14);
    const TDibImage pasted = test::FlatImage24(5, 4, clLime);
    TQxImage doc;
    EXPECT_FALSE(doc.MergePaste());  // nothing to paste into
    test::LoadPicture(doc, picture);
    EXPECT_FALSE(doc.MergePaste());  // nothing on the clipboard
    ASSERT_TRUE(clipboard.PutDib(pasted));
    doc.SetSelectionRect(Rect(1, 1, 3, 3));
    doc.SetScrollPos(TPoint{6, 7});
    ASSERT_TRUE(doc.MergePaste());
    EXPECT_TRUE(doc.Floating());
    EXPECT_TRUE(doc.FromPaste());
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_EQ(doc.FloatPos(), (TPoint{6, 7}));
    EXPECT_EQ(doc.UndoCount(), 0);
    doc.SetCopyMode(true);
    doc.ApplyFloating();
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(doc.BitCount(), 24);
    EXPECT_EQ(doc.SelectionRect(), Rect(6, 7, 11, 11));
    EXPECT_EQ(doc.Bitmap().PixelColor(6, 7), ColorToRGB(clLime));
    EXPECT_EQ(doc.Bitmap().PixelColor(10, 10), ColorToRGB(clLime));
    doc.Undo(1);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

TEST(CompositionOps, CombineWorkedExampleIsOneStepInTheBackgroundColour) {
    TQxImage doc;
    test::LoadPicture(doc, test::FlatImage24(100, 50, clRed));
    doc.Color = clYellow;
    doc.SetSelectionRect(Rect(1, 1, 5, 5));
    doc.Combine(AsBitmap(test::FlatImage24(40, 80, clBlue)), 1, -5, 10);
    ASSERT_EQ(doc.Bitmap().Width(), 150);
    ASSERT_EQ(doc.Bitmap().Height(), 85);
    EXPECT_EQ(doc.Bitmap().PixelColor(0, 5), ColorToRGB(clRed));
    EXPECT_EQ(doc.Bitmap().PixelColor(110, 0), ColorToRGB(clBlue));
    EXPECT_EQ(doc.Bitmap().PixelColor(0, 0), ColorToRGB(clYellow));
    EXPECT_EQ(doc.Bitmap().PixelColor(105, 40), ColorToRGB(clYellow));
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_EQ(doc.UndoCount(), 1);
    doc.Undo(1);
    EXPECT_EQ(doc.Bitmap().Width(), 100);
}

TEST(CompositionOps, CombineRefusesImpossibleSizesBeforeAnyChange) {
    const TDibImage picture = test::NoiseImage24(10, 6, 15);
    const TBitmap other = AsBitmap(test::FlatImage24(4, 3, clBlue));
    TQxImage doc;
    test::LoadPicture(doc, picture);
    EXPECT_THROW(doc.Combine(other, 1, 0, -14), EDibImageInvalidDIBPara);  // 0 wide
    EXPECT_THROW(doc.Combine(other, 3, 0, -50), EDibImageInvalidDIBPara);  // negative height
    EXPECT_THROW(doc.Combine(other, 0, 0, 1 << 28), EDibImageInvalidDIBPara);
    doc.Combine(other, 4, 0, 0);   // no such direction
    doc.Combine(TBitmap(), 1, 0, 0);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_FALSE(doc.Modified());
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

TEST(GeneratedOps, NewImageReplacesThePictureAndClearsTheHistory) {
    TQxImage doc;
    test::LoadPicture(doc, test::NoiseImage24(10, 6, 16));
    doc.Negative();
    ASSERT_EQ(doc.UndoCount(), 1);
    doc.SetSelectionRect(Rect(1, 1, 3, 3));
    doc.NewImage(1, 1, 24, clWhite);
    EXPECT_EQ(doc.Bitmap().Width(), 1);
    EXPECT_EQ(doc.Bitmap().PixelColor(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_TRUE(doc.Modified());
    doc.NewImage(30, 20, 8, clNavy);
    EXPECT_EQ(doc.BitCount(), 8);
}

TEST(GeneratedOps, ANewPictureThatCannotBeMadeLeavesTheDocumentAsItWas) {
    const TDibImage picture = test::NoiseImage24(10, 6, 17);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.Negative();
    for (const auto& [w, h, bits] : {std::tuple{100000, 100000, 24}, std::tuple{0, 10, 24}, std::tuple{10, 10, 2}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " x " + std::to_string(bits));
        EXPECT_THROW(doc.NewImage(w, h, bits, clWhite), EDibImageInvalidDIBPara);
        EXPECT_EQ(doc.UndoCount(), 1);
        EXPECT_EQ(doc.Bitmap().Width(), 10);
    }
    doc.Undo(1);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

TEST(GeneratedOps, GradationDoesNothingWithoutADirectionOrOpacity) {
    const TDibImage picture = test::NoiseImage24(16, 8, 18);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.Gradation(clBlack, clWhite, 50, 0);
    doc.Gradation(clBlack, clWhite, 50, 9);
    doc.Gradation(clBlack, clWhite, 0, 1);
    doc.Gradation(clBlack, clWhite, -5, 1);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
    // Above 100 counts as 100: the picture becomes the ramp.
    doc.Gradation(clBlack, clWhite, 250, 3);
    EXPECT_EQ(doc.UndoCount(), 1);
    TDibImage ramp = test::FlatImage24(16, 8, clBlack);
    fx::Gradation(ramp, {clBlack, clWhite, 100, 3}, {});
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), ramp));
}

TEST(GeneratedOps, GradationAndTextureOnASelectionMakeThePicture24Bit) {
    const TDibImage picture = test::NoiseImagePalette(20, 16, 4, 16, 19);
    const TRect sel = Rect(2, 3, 17, 12);
    const TDibImage texture = test::NoiseImage24(7, 5, 20);
    TDibImage picture24(picture);
    picture24.SetPixelFormat(dibPf24Bit);
    struct Case {
        std::string name;
        std::function<void(TQxImage&)> run;
        std::function<void(TDibImage&)> effect;
    };
    const Case cases[] = {
        {"Gradation", [](TQxImage& d) { d.Gradation(clRed, clBlue, 40, 6); },
         [](TDibImage& w) { fx::Gradation(w, {clRed, clBlue, 40, 6}, {}); }},
        {"Texture", [&](TQxImage& d) { d.Texture(AsBitmap(texture), 60, -3, 11); },
         [&](TDibImage& w) { fx::Texture(w, texture, {60, -3, 11}, {}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        doc.SetSelectionRect(sel);
        c.run(doc);
        EXPECT_EQ(doc.BitCount(), 24);
        std::string why;
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), test::ExpectedInArea(picture24, sel, c.effect), &why)) << why;
        doc.Undo(1);
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture, &why)) << why;
    }
}

TEST(GeneratedOps, TextureRefusals) {
    const TDibImage picture = test::NoiseImage24(8, 8, 21);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.Texture(TBitmap(), 50, 0, 0);
    EXPECT_THROW(doc.Texture(AsBitmap(test::FlatImage24(2, 2, clBlack)), 0, 0, 0), EDibImageInvalidDIBPara);
    EXPECT_THROW(doc.Texture(AsBitmap(test::FlatImage24(2, 2, clBlack)), 101, 0, 0), EDibImageInvalidDIBPara);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

}  // namespace
}  // namespace zelvo
