#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "EffectOpsSupport.h"
#include "TestSupport.h"
#include "document/QxImage.h"
#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Convolution.h"
#include "effects/Distort.h"
#include "effects/Random.h"
#include "effects/RankFilter.h"
#include "image/Exceptions.h"
#include "reference/FilterReference.h"

namespace zelvo {
namespace {

namespace fx = zelvo::effects;

constexpr int kW = 24;
constexpr int kH = 20;
const TRect kSel = Rect(3, 4, 19, 17);

// One document operation, the effect it runs on its work image, and its
// scope and depth rules.
struct EffectOp {
    std::string name;
    std::function<void(TQxImage&)> run;
    std::function<void(TDibImage&)> effect;
    bool selectionOnly = true;
    bool ownFormat = false;    // the work image keeps the picture's depth
    int depthAfter8Bit = 8;    // depth of an 8-bit picture after a selection edit
};

std::vector<EffectOp> Ops() {
    return {
        {"Convolve3x3", [](TQxImage& d) { d.Convolve3x3(fx::KernelFromRows({0, 1, 0, 1, 2, 1, 0, 1, 0}), 5, true); },
         [](TDibImage& w) { fx::Convolve3x3(w, {fx::KernelFromRows({0, 1, 0, 1, 2, 1, 0, 1, 0}), 5, true}); }},
        {"Soft", [](TQxImage& d) { d.Soft(); }, [](TDibImage& w) { fx::Soft(w); }},
        {"Sharpen", [](TQxImage& d) { d.Sharpen(7); }, [](TDibImage& w) { fx::Sharpen(w, {7}); }},
        {"Emboss", [](TQxImage& d) { d.Emboss(3, true, true); }, [](TDibImage& w) { fx::Emboss(w, {3, true, true}); }},
        {"HighPass", [](TQxImage& d) { d.HighPass(20); }, [](TDibImage& w) { fx::HighPass(w, {20}); }},
        {"EdgeDetection", [](TQxImage& d) { d.EdgeDetection(1); }, [](TDibImage& w) { fx::EdgeDetection(w, {1}); }},
        {"GaussianBlur", [](TQxImage& d) { d.GaussianBlur(2); }, [](TDibImage& w) { fx::GaussianBlur(w, {2}); }},
        {"Median", [](TQxImage& d) { d.Median(9); }, [](TDibImage& w) { fx::Median(w, {9}); }},
        {"NoiseReduction", [](TQxImage& d) { d.NoiseReduction(40, true); },
         [](TDibImage& w) { fx::NoiseReduction(w, {40, true}); }},
        {"Blur", [](TQxImage& d) { d.Blur(2); }, [](TDibImage& w) { fx::Blur(w, {2}); }},
        {"Button3D", [](TQxImage& d) { d.Button3D(3, true, true, 2); },
         [](TDibImage& w) { fx::Button3D(w, {3, true, true, 2}); }},
        {"Spray", [](TQxImage& d) { d.Spray(5); }, [](TDibImage& w) { fx::Spray(w, {5}); }, true, true},
        {"Noise", [](TQxImage& d) { d.Noise(30, true); }, [](TDibImage& w) { fx::Noise(w, {30, true}); }},
        {"Wave", [](TQxImage& d) { d.Wave(3, 4, false, 5); }, [](TDibImage& w) { fx::Wave(w, {3, 4, false, 5}); }, true,
         true},
        {"Block", [](TQxImage& d) { d.Block(4, 3, true, true, true); },
         [](TDibImage& w) { fx::Block(w, {4, 3, true, true, true}); }},
        {"Mosaic", [](TQxImage& d) { d.Mosaic(5); }, [](TDibImage& w) { fx::Block(w, {5, 5, false, false, true}); }},
        {"FadeOut", [](TQxImage& d) { d.FadeOut(4); }, [](TDibImage& w) { fx::FadeOut(w, {4, clGray}); }},
        {"GlassMosaic", [](TQxImage& d) { d.GlassMosaic(0, 3); }, [](TDibImage& w) { fx::GlassMosaic(w, {0, 3}); },
         true, true},
        {"Scetch", [](TQxImage& d) { d.Scetch(); }, [](TDibImage& w) { fx::Scetch(w); }},
        {"OilPaint", [](TQxImage& d) { d.OilPaint(2); }, [](TDibImage& w) { fx::OilPaint(w, {2}); }},
        {"Vortex", [](TQxImage& d) { d.Vortex(-200); }, [](TDibImage& w) { fx::Vortex(w, {-200}); }},
        {"Explode", [](TQxImage& d) { d.Explode(-50); }, [](TDibImage& w) { fx::Explode(w, {-50}); }, true, true},
        {"SpotLight", [](TQxImage& d) { d.SpotLight(10, 8, 3.5, 40); },
         [](TDibImage& w) { fx::SpotLight(w, {10, 8, 3.5, 40}); }, false, false, 24},
        {"Blind", [](TQxImage& d) { d.Blind(5, clRed, 0, 0, false); },
         [](TDibImage& w) { fx::Blind(w, {5, clRed, 0, 0, false}); }, true, false, 24},
    };
}

TEST(EffectOps, ScopeAndUndoOnTwentyFourBits) {
    const TDibImage picture = test::NoiseImage24(kW, kH, 31);
    for (const EffectOp& op : Ops()) {
        SCOPED_TRACE(op.name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        doc.SetSelectionRect(kSel);
        fx::SetRandSeed(1234);
        op.run(doc);
        fx::SetRandSeed(1234);
        const TDibImage expected = test::ExpectedInArea(picture, op.selectionOnly ? kSel : Rect(0, 0, kW, kH), op.effect);
        std::string why;
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), expected, &why)) << why;
        EXPECT_EQ(doc.UndoCount(), 1);
        EXPECT_TRUE(doc.Modified());
        doc.Undo(1);
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture, &why)) << why;
    }
}

// The fast filters on an odd-sized selection of an odd-sized picture give
// the literal forms' bytes, and the rest of the picture is untouched.
TEST(EffectOps, SelectionsThroughTheFastFormsMatchTheLiteralForms) {
    const TDibImage picture = test::NoiseImage24(37, 29, 36);
    const TRect sel = Rect(5, 3, 30, 26);
    struct Case {
        std::string name;
        std::function<void(TQxImage&)> run;
        std::function<void(TDibImage&)> literal;
    };
    const std::vector<Case> cases = {
        {"Sharpen", [](TQxImage& d) { d.Sharpen(13); },
         [](TDibImage& w) { test::Convolve3x3Literal(w, fx::SharpenKernel({13}).Kernel, 10, false); }},
        {"Emboss", [](TQxImage& d) { d.Emboss(7, false, true); },
         [](TDibImage& w) { test::Convolve3x3Literal(w, fx::EmbossKernel({7, false, true}).Kernel, 1, true); }},
        {"GaussianBlur", [](TQxImage& d) { d.GaussianBlur(5); }, [](TDibImage& w) { test::GaussianBlurLiteral(w, 5); }},
        {"Median", [](TQxImage& d) { d.Median(5); }, [](TDibImage& w) { test::MedianLiteral(w, 5); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        doc.SetSelectionRect(sel);
        c.run(doc);
        std::string why;
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), test::ExpectedInArea(picture, sel, c.literal), &why)) << why;
    }
}

TEST(EffectOps, PaletteDepthsAfterASelectionEdit) {
    for (int bits : {1, 4, 8}) {
        const TDibImage picture = test::NoiseImagePalette(kW, kH, bits, 1 << bits, 32);
        for (const EffectOp& op : Ops()) {
            SCOPED_TRACE(op.name + " at " + std::to_string(bits) + " bits");
            TQxImage doc;
            test::LoadPicture(doc, picture);
            doc.SetSelectionRect(kSel);
            ASSERT_NO_THROW(op.run(doc));
            EXPECT_EQ(doc.UndoCount(), 1);
            const int expected = op.depthAfter8Bit == 24 ? 24 : bits;
            EXPECT_EQ(doc.BitCount(), expected);
            if (op.ownFormat) {
                // Own-format effects keep the colour table and only move
                // indices inside the selection.
                const TDibImage& after = doc.Bitmap().Dib();
                for (int i = 0; i < (1 << bits); ++i) {
                    EXPECT_EQ(after.ColorTable()[i].rgbRed, picture.ColorTable()[i].rgbRed);
                    EXPECT_EQ(after.ColorTable()[i].rgbBlue, picture.ColorTable()[i].rgbBlue);
                }
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x)
                        if (x < kSel.Left || x >= kSel.Right || y < kSel.Top || y >= kSel.Bottom) {
                            ASSERT_EQ(after.GetPixels(x, y), picture.GetPixels(x, y));
                        }
            }
        }
    }
}

TEST(EffectOps, OutOfRangeParametersAreRefusedBeforeTheBracket) {
    const std::vector<std::pair<std::string, std::function<void(TQxImage&)>>> cases = {
        {"Sharpen 21", [](TQxImage& d) { d.Sharpen(21); }},
        {"Sharpen -1", [](TQxImage& d) { d.Sharpen(-1); }},
        {"Emboss 0", [](TQxImage& d) { d.Emboss(0, false, false); }},
        {"HighPass 21", [](TQxImage& d) { d.HighPass(21); }},
        {"HighPass 0", [](TQxImage& d) { d.HighPass(0); }},
        {"EdgeDetection 25", [](TQxImage& d) { d.EdgeDetection(25); }},
        {"GaussianBlur 11", [](TQxImage& d) { d.GaussianBlur(11); }},
        {"NoiseReduction 0", [](TQxImage& d) { d.NoiseReduction(0, true); }},
        {"NoiseReduction 101", [](TQxImage& d) { d.NoiseReduction(101, true); }},
        {"Convolve3x3 NaN", [](TQxImage& d) { d.Convolve3x3({0, 0, 0, 0, std::nanf(""), 0, 0, 0, 0}, 1, false); }},
        {"Blur 51", [](TQxImage& d) { d.Blur(51); }},
        {"Button3D 0", [](TQxImage& d) { d.Button3D(0, false, false, 2); }},
        {"Button3D 51", [](TQxImage& d) { d.Button3D(51, false, false, 2); }},
        {"Spray 0", [](TQxImage& d) { d.Spray(0); }},
        {"Spray 256", [](TQxImage& d) { d.Spray(256); }},
        {"Noise 0", [](TQxImage& d) { d.Noise(0, false); }},
        {"Wave amplitude 0", [](TQxImage& d) { d.Wave(3, 3, false, 0); }},
        {"Wave period 101", [](TQxImage& d) { d.Wave(101, 3, false, 3); }},
        {"Block 51", [](TQxImage& d) { d.Block(51, 8, true, true, true); }},
        {"Mosaic 1", [](TQxImage& d) { d.Mosaic(1); }},
        {"FadeOut 1", [](TQxImage& d) { d.FadeOut(1); }},
        {"FadeOut beyond half the side", [](TQxImage& d) { d.FadeOut(kH / 2 + 1); }},
        {"GlassMosaic size 2", [](TQxImage& d) { d.GlassMosaic(0, 2); }},
        {"GlassMosaic size 0", [](TQxImage& d) { d.GlassMosaic(0, 0); }},
        {"GlassMosaic mode 3", [](TQxImage& d) { d.GlassMosaic(3, 8); }},
        {"OilPaint 6", [](TQxImage& d) { d.OilPaint(6); }},
        {"Vortex 541", [](TQxImage& d) { d.Vortex(541); }},
        {"Explode 0", [](TQxImage& d) { d.Explode(0); }},
        {"Explode -101", [](TQxImage& d) { d.Explode(-101); }},
        {"SpotLight size 0", [](TQxImage& d) { d.SpotLight(1, 1, 5, 0); }},
        {"SpotLight centre outside", [](TQxImage& d) { d.SpotLight(kW, 1, 5, 30); }},
        {"Blind 101", [](TQxImage& d) { d.Blind(101, clBlack, 0, 0, true); }},
        {"Blind offset -1", [](TQxImage& d) { d.Blind(10, clBlack, -1, 0, true); }},
    };
    const TDibImage picture = test::NoiseImage24(kW, kH, 33);
    for (const auto& [name, run] : cases) {
        SCOPED_TRACE(name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        int events = 0;
        doc.OnChangeCanUndo = [&events](TQxImage&, int, int) { ++events; };
        try {
            run(doc);
            ADD_FAILURE() << "not refused";
        } catch (const EDibImageInvalidDIBPara& e) {
            EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
        }
        EXPECT_EQ(doc.UndoCount(), 0);
        EXPECT_EQ(events, 0);
        EXPECT_FALSE(doc.Modified());
        EXPECT_FALSE(doc.Editing());
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), picture));
    }
}

TEST(EffectOps, NeutralValuesOpenNoBracket) {
    const std::vector<std::pair<std::string, std::function<void(TQxImage&)>>> cases = {
        {"Sharpen 0", [](TQxImage& d) { d.Sharpen(0); }},
        {"GaussianBlur 0", [](TQxImage& d) { d.GaussianBlur(0); }},
        {"Median 0", [](TQxImage& d) { d.Median(0); }},
        {"Median 10", [](TQxImage& d) { d.Median(10); }},
        {"Blur 0", [](TQxImage& d) { d.Blur(0); }},
        {"Wave period 0", [](TQxImage& d) { d.Wave(0, 5, false, 5); }},
        {"Block 1", [](TQxImage& d) { d.Block(1, 8, true, true, true); }},
        {"FadeOut 0", [](TQxImage& d) { d.FadeOut(0); }},
        {"Vortex 0", [](TQxImage& d) { d.Vortex(0); }},
        {"SpotLight fall-off 11", [](TQxImage& d) { d.SpotLight(1, 1, 11, 30); }},
        {"Blind 1", [](TQxImage& d) { d.Blind(1, clBlack, 0, 0, true); }},
    };
    const TDibImage picture = test::NoiseImage24(kW, kH, 34);
    for (const auto& [name, run] : cases) {
        SCOPED_TRACE(name);
        TQxImage doc;
        test::LoadPicture(doc, picture);
        run(doc);
        EXPECT_EQ(doc.UndoCount(), 0);
        EXPECT_FALSE(doc.Modified());
    }
}

TEST(EffectOps, FadeOutLimitFollowsTheSelection) {
    // A 16 x 13 selection allows 2..6.
    const TDibImage picture = test::NoiseImage24(kW, kH, 35);
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.SetSelectionRect(kSel);
    EXPECT_THROW(doc.FadeOut(7), EDibImageInvalidDIBPara);
    doc.FadeOut(6);
    EXPECT_EQ(doc.UndoCount(), 1);
}

}  // namespace
}  // namespace zelvo
