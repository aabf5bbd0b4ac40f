#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EffectOpsSupport.h"
#include "TestSupport.h"
#include "document/QxImage.h"
#include "effects/Tone.h"

namespace zelvo {
namespace {

namespace fx = zelvo::effects;

constexpr int kW = 12;
constexpr int kH = 10;
const TRect kSel = Rect(2, 3, 7, 8);

// One tone operation: how the document runs it, what the effect does to a
// 24-bit area, and whether it is limited to the selection.
struct ToneOp {
    std::string name;
    std::function<void(TQxImage&)> run;
    std::function<void(TDibImage&)> effect;
    bool selectionOnly;
};

std::vector<ToneOp> ToneOps() {
    return {
        {"Negative", [](TQxImage& d) { d.Negative(); }, [](TDibImage& w) { fx::Negative(w); }, true},
        {"Grayscale", [](TQxImage& d) { d.Grayscale(); }, [](TDibImage& w) { fx::Grayscale(w); }, true},
        {"Sepia", [](TQxImage& d) { d.Sepia(); }, [](TDibImage& w) { fx::Sepia(w); }, true},
        {"SingleColorScale", [](TQxImage& d) { d.SingleColorScale(clLime); },
         [](TDibImage& w) { fx::SingleColorScale(w, {clLime}); }, true},
        {"Brightness", [](TQxImage& d) { d.Brightness(40); }, [](TDibImage& w) { fx::Brightness(w, {40}); }, false},
        {"Contrast", [](TQxImage& d) { d.Contrast(-30); }, [](TDibImage& w) { fx::Contrast(w, {-30}); }, false},
        {"AdjustRGB", [](TQxImage& d) { d.AdjustRGB(5, -6, 7); },
         [](TDibImage& w) { fx::AdjustRGB(w, {5, -6, 7}); }, false},
        {"Posterize", [](TQxImage& d) { d.Posterize(3); }, [](TDibImage& w) { fx::Posterize(w, {3}); }, true},
        {"Solarization", [](TQxImage& d) { d.Solarization(100); },
         [](TDibImage& w) { fx::Solarization(w, {100}); }, true},
        {"Gamma", [](TQxImage& d) { d.Gamma(2.0); }, [](TDibImage& w) { fx::Gamma(w, {2.0}); }, false},
        {"AdjustHSV", [](TQxImage& d) { d.AdjustHSV(90, 10, -10); },
         [](TDibImage& w) { fx::AdjustHSV(w, {90, 10, -10}); }, false},
        {"Monochrome", [](TQxImage& d) { d.Monochrome(100, false, true); },
         [](TDibImage& w) { fx::Monochrome(w, {100, false, true}); }, false},
        {"SwapRGB", [](TQxImage& d) { d.SwapRGB(); }, [](TDibImage& w) { fx::SwapRGB(w); }, true},
        {"XORConvert", [](TQxImage& d) { d.XORConvert(); }, [](TDibImage& w) { fx::XORConvert(w); }, true},
    };
}

TEST(ToneOps, SelectionScopes) {
    const TDibImage picture = test::NoiseImage24(kW, kH, 77);
    for (const ToneOp& op : ToneOps()) {
        SCOPED_TRACE(op.name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        doc.SetSelectionRect(kSel);
        op.run(doc);
        const TRect area = op.selectionOnly ? kSel : Rect(0, 0, kW, kH);
        std::string why;
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), test::ExpectedInArea(picture, area, op.effect), &why)) << why;
        EXPECT_EQ(doc.UndoCount(), 1);
        EXPECT_TRUE(doc.Modified());
        EXPECT_EQ(doc.SelectionRect(), kSel);
        // The undo step gives back the picture as it was.
        doc.Undo(1);
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture, &why)) << why;
    }
}

TEST(ToneOps, NothingWhileEmptyOrEditing) {
    for (const ToneOp& op : ToneOps()) {
        SCOPED_TRACE(op.name);
        TQxImage empty;
        op.run(empty);
        EXPECT_TRUE(empty.Empty());
        EXPECT_EQ(empty.UndoCount(), 0);

        // An operation fired from inside another edit (say from a progress
        // handler) finds the bracket open and changes nothing.
        const TDibImage picture = test::NoiseImage24(kW, kH, 5);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        ASSERT_EQ(doc.BeginEdit(false), kEditOpened);
        op.run(doc);
        EXPECT_EQ(doc.UndoCount(), 1);  // the outer bracket's step only
        doc.EndEdit(true, false);
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
    }
}

TEST(ToneOps, NeutralParametersOpenNoBracket) {
    const TDibImage picture = test::NoiseImage24(kW, kH, 6);
    const std::vector<std::pair<std::string, std::function<void(TQxImage&)>>> cases = {
        {"Posterize 1", [](TQxImage& d) { d.Posterize(1); }},
        {"Posterize 0", [](TQxImage& d) { d.Posterize(0); }},
        {"Solarization 255", [](TQxImage& d) { d.Solarization(255); }},
        {"Gamma 1.0", [](TQxImage& d) { d.Gamma(1.0); }},
    };
    for (const auto& [name, run] : cases) {
        SCOPED_TRACE(name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        int events = 0;
        doc.OnChangeCanUndo = [&events](TQxImage&, int, int) { ++events; };
        run(doc);
        EXPECT_EQ(doc.UndoCount(), 0);
        EXPECT_EQ(events, 0);
        EXPECT_FALSE(doc.Modified());
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
    }
}

TEST(ToneOps, GammaOutOfRangeTakesAStepAndChangesNothing) {
    const TDibImage picture = test::NoiseImage24(kW, kH, 8);
    for (double gamma : {7.0, 0.005}) {
        SCOPED_TRACE(gamma);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        std::vector<int> progress;
        doc.OnProgress = [&progress](TQxImage&, int percent) { progress.push_back(percent); };
        doc.Gamma(gamma);
        EXPECT_EQ(doc.UndoCount(), 1);
        EXPECT_TRUE(progress.empty());
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
    }
}

TEST(ToneOps, ProgressPerRowThroughTheDocument) {
    TQxImage doc;
    test::LoadPicture(doc, test::NoiseImage24(3, 4, 1));
    std::vector<int> progress;
    doc.OnProgress = [&progress](TQxImage&, int percent) { progress.push_back(percent); };
    doc.Grayscale();
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
    progress.clear();
    doc.Monochrome(128, false, false);  // the preview's quiet run
    EXPECT_TRUE(progress.empty());
    doc.Monochrome(128, false, true);
    EXPECT_EQ(progress.size(), 4u);
    progress.clear();
    doc.Negative();  // whole picture, outside the bracket: no progress
    EXPECT_TRUE(progress.empty());
}

TEST(ToneOps, NegativeWithoutSelectionKeepsPaletteFormat) {
    const TDibImage picture = test::NoiseImagePalette(kW, kH, 8, 40, 12);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.Negative();
    EXPECT_EQ(doc.BitCount(), 8);
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_TRUE(doc.Modified());
    const TDibImage& result = doc.Bitmap().Dib();
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            ASSERT_EQ(result.GetPixels(x, y), picture.GetPixels(x, y));  // indices kept
        }
    }
    for (int i = 0; i < 40; ++i) EXPECT_EQ(result.ColorTable()[i].rgbGreen, 255 - picture.ColorTable()[i].rgbGreen);
    doc.Undo(1);
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
}

TEST(ToneOps, NegativeWithSelectionIsSolarizationZero) {
    const TDibImage picture = test::NoiseImage24(kW, kH, 13);
    TQxImage negative, solarized;
    test::LoadPicture(negative, picture);
    test::LoadPicture(solarized, picture);
    negative.SetSelectionRect(kSel);
    solarized.SetSelectionRect(kSel);
    negative.Negative();
    solarized.Solarization(0);
    EXPECT_TRUE(test::SamePixels(negative.Bitmap().Dib(), solarized.Bitmap().Dib()));
    EXPECT_EQ(negative.UndoCount(), 1);
}

TEST(ToneOps, MonochromeMarkedAsOneBitStoresOneBit) {
    TQxImage doc;
    test::LoadPicture(doc, test::NoiseImage24(kW, kH, 14));
    doc.Monochrome(128, true, false);
    EXPECT_EQ(doc.BitCount(), 1);
    TQxImage kept;
    test::LoadPicture(kept, test::NoiseImage24(kW, kH, 14));
    kept.Monochrome(128, false, false);
    EXPECT_EQ(kept.BitCount(), 24);
    // The same black and white pixels either way.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) EXPECT_EQ(doc.Bitmap().PixelColor(x, y), kept.Bitmap().PixelColor(x, y));
}

// A selection edit on a palette picture: with 24-bit write-back the whole
// picture is made 24-bit and then reduced back; the depth comes back either
// way.
TEST(ToneOps, PalettePictureKeepsItsDepth) {
    for (const ToneOp& op : ToneOps()) {
        SCOPED_TRACE(op.name);
        TQxImage doc;
        test::LoadPicture(doc, test::NoiseImagePalette(kW, kH, 8, 30, 21));
        doc.SetSelectionRect(kSel);
        op.run(doc);
        EXPECT_EQ(doc.BitCount(), 8);
        EXPECT_EQ(doc.UndoCount(), 1);
    }
}

}  // namespace
}  // namespace zelvo
