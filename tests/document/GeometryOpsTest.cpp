#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "document/QxImage.h"
#include "effects/Resample.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using effects::rfBox;
using effects::rfLanczos3;

void Load(TQxImage& doc, const TDibImage& picture) {
    TBitmap bitmap;
    bitmap.Assign(picture);
    doc.SetBitmap(bitmap);
    doc.SetModified(false);
    doc.ClearUndo();
}

TDibImage Picture(const TQxImage& doc) { return doc.Bitmap().ToDibImage(); }

// Index (palette pictures) or RGB colour (24 bits) at (x, y).
TColor At(const TQxImage& doc, int x, int y) { return doc.Bitmap().Dib().GetPixels(x, y); }

void ExpectSame(const TDibImage& a, const TDibImage& b) {
    std::string why;
    EXPECT_TRUE(test::SamePixels(a, b, &why)) << why;
}

TEST(GeometryOps, Rotate90ThreeByTwoBothWaysRemovesTheSelection) {
    const TDibImage source = test::NoiseImage24(3, 2, 11);
    for (bool clockwise : {true, false}) {
        SCOPED_TRACE(clockwise ? "clockwise" : "counter-clockwise");
        TQxImage doc;
        Load(doc, source);
        doc.SetSelectionRect(Rect(0, 0, 2, 1));
        doc.Rotate90(clockwise);
        ASSERT_EQ(doc.Bitmap().Width(), 2);
        ASSERT_EQ(doc.Bitmap().Height(), 3);
        EXPECT_FALSE(doc.HasSelection());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                // Clockwise (x, y) lands at (1 - y, x); counter-clockwise at (y, 2 - x).
                const int dx = clockwise ? 1 - y : y;
                const int dy = clockwise ? x : 2 - x;
                EXPECT_EQ(At(doc, dx, dy), source.GetPixels(x, y)) << x << "," << y;
            }
        if (clockwise) {
            EXPECT_EQ(At(doc, 1, 0), source.GetPixels(0, 0));  // former top-left at the top-right
        }
        doc.Undo(1);
        ExpectSame(Picture(doc), source);
        EXPECT_EQ(doc.SelectionRect(), Rect(0, 0, 2, 1));
    }
}

// Quarter turns, mirror and flip move indices in the picture's own depth:
// depth, colour table and every index stay.
TEST(GeometryOps, PalettePicturesKeepDepthAndPalette) {
    for (int bits : {1, 4, 8}) {
        const TDibImage source = test::NoiseImagePalette(9, 5, bits, 1 << bits, 30u + unsigned(bits));
        const int w = 9, h = 5;
        struct Case {
            const char* name;
            std::function<void(TQxImage&)> run;
            int outW, outH;
            std::function<TPoint(int, int)> target;  // where source (x, y) goes
        };
        const std::vector<Case> cases = {
            {"Rotate90 cw", [](TQxImage& d) { d.Rotate90(true); }, h, w,
             [&](int x, int y) { return TPoint{h - 1 - y, x}; }},
            {"Rotate90 ccw", [](TQxImage& d) { d.Rotate90(false); }, h, w,
             [&](int x, int y) { return TPoint{y, w - 1 - x}; }},
            {"Mirror", [](TQxImage& d) { d.Mirror(); }, w, h, [&](int x, int y) { return TPoint{w - 1 - x, y}; }},
            // The odd height keeps the middle row 2 in place.
            {"Flip", [](TQxImage& d) { d.Flip(); }, w, h, [&](int x, int y) { return TPoint{x, h - 1 - y}; }},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + c.name);
            TQxImage doc;
            Load(doc, source);
            c.run(doc);
            const TDibImage out = Picture(doc);
            ASSERT_EQ(out.BitCount(), bits);
            ASSERT_EQ(out.Width(), c.outW);
            ASSERT_EQ(out.Height(), c.outH);
            ASSERT_EQ(out.ColorsUsed(), source.ColorsUsed());
            EXPECT_EQ(0, std::memcmp(out.ColorTable(), source.ColorTable(), std::size_t(source.ColorsUsed()) * 4));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const TPoint t = c.target(x, y);
                    ASSERT_EQ(out.GetPixels(t.X, t.Y), source.GetPixels(x, y)) << x << "," << y;
                }
            EXPECT_EQ(doc.BitCount(), bits);
            doc.Undo(1);
            ExpectSame(Picture(doc), source);
        }
    }
}

TEST(GeometryOps, MirrorAndFlipOfASelectionLeaveTheRestAlone) {
    const TDibImage source = test::NoiseImagePalette(12, 10, 8, 200, 5);
    const TRect sel = Rect(2, 3, 7, 8);
    for (bool mirror : {true, false}) {
        SCOPED_TRACE(mirror ? "Mirror" : "Flip");
        TQxImage doc;
        Load(doc, source);
        doc.SetSelectionRect(sel);
        mirror ? doc.Mirror() : doc.Flip();
        ASSERT_EQ(doc.BitCount(), 8);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x) {
                int sx = x, sy = y;
                if (x >= sel.Left && x < sel.Right && y >= sel.Top && y < sel.Bottom) {
                    if (mirror) sx = sel.Left + sel.Right - 1 - x;
                    else sy = sel.Top + sel.Bottom - 1 - y;
                }
                ASSERT_EQ(At(doc, x, y), source.GetPixels(sx, sy)) << x << "," << y;
            }
        EXPECT_TRUE(doc.HasSelection());
    }
}

TEST(GeometryOps, RotateAngleRightAngleMatchesTheQuarterTurn) {
    const TDibImage source = test::NoiseImage24(4, 2, 3);
    TQxImage turned, quarter;
    Load(turned, source);
    Load(quarter, source);
    turned.RotateAngle(900, true);
    quarter.Rotate90(true);
    ASSERT_EQ(turned.Bitmap().Width(), 2);
    ASSERT_EQ(turned.Bitmap().Height(), 4);
    // Every destination pixel centre lands on a source pixel centre
    // (for example (0, 0): u = -0.5, v = -1.5, sx = 2 - 1.5 = 0.5, sy = 1 + 0.5 = 1.5).
    ExpectSame(Picture(turned), Picture(quarter));
}

TEST(GeometryOps, RotateAngleFortyFiveDegreesEnlargesWithBackgroundCorners) {
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        const TDibImage source =
            bits == 24 ? test::NoiseImage24(100, 100, 8) : test::NoiseImagePalette(100, 100, 8, 16, 8);
        TQxImage doc;
        Load(doc, source);
        doc.Color = clRed;
        std::vector<int> progress;
        doc.OnProgress = [&](TQxImage&, int p) { progress.push_back(p); };
        doc.RotateAngle(450, true);
        // |100 sin 45| + |100 cos 45| = 141.42 -> 141.
        ASSERT_EQ(doc.Bitmap().Width(), 141);
        ASSERT_EQ(doc.Bitmap().Height(), 141);
        EXPECT_EQ(doc.BitCount(), bits);  // the former depth comes back
        for (TPoint corner : {TPoint{0, 0}, TPoint{140, 0}, TPoint{0, 140}, TPoint{140, 140}})
            EXPECT_EQ(doc.Bitmap().PixelColor(corner.X, corner.Y), clRed) << corner.X << "," << corner.Y;
        // (71, 70): u = 1, v = 0; sx = 50 + 0.7071, sy = 50 - 0.7071: source (50, 49).
        // (The centre itself lands on 50 - 1e-13 after 70 incremental steps.)
        const TBitmap original = [&] { TBitmap b; b.Assign(source); return b; }();
        EXPECT_EQ(doc.Bitmap().PixelColor(71, 70), original.PixelColor(50, 49));
        ASSERT_EQ(progress.size(), 141u);
        EXPECT_EQ(progress.back(), 100);
    }
}

TEST(GeometryOps, RotateAngleOnASelectionKeepsTheStartingContent) {
    // A 16-colour palette picture comes back at 8 bits with its colours kept.
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        const TDibImage source =
            bits == 24 ? test::NoiseImage24(20, 20, 21) : test::NoiseImagePalette(20, 20, 8, 16, 21);
        TBitmap original;
        original.Assign(source);
        auto colour = [&](int x, int y) { return original.PixelColor(x, y); };
        TQxImage doc;
        Load(doc, source);
        doc.Color = clLime;
        doc.SetSelectionRect(Rect(5, 5, 15, 15));
        doc.RotateAngle(450, true);
        // The 10 x 10 selection turns into 14 x 14 (14.14 rounded), written back
        // centred: (14 - 10) div 2 = 2 to the left and up, so at (3, 3)..(17, 17).
        ASSERT_EQ(doc.Bitmap().Width(), 20);
        EXPECT_EQ(doc.BitCount(), bits);
        const TBitmap& out = doc.Bitmap();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inArea = x >= 3 && x < 17 && y >= 3 && y < 17;
                if (!inArea) {
                    ASSERT_EQ(out.PixelColor(x, y), colour(x, y)) << x << "," << y;
                }
                EXPECT_NE(out.PixelColor(x, y), clLime);
            }
        // Area corners lie outside the turned source and keep the picture's own pixels.
        for (TPoint p : {TPoint{3, 3}, TPoint{16, 3}, TPoint{3, 16}, TPoint{16, 16}})
            EXPECT_EQ(out.PixelColor(p.X, p.Y), colour(p.X, p.Y)) << p.X << "," << p.Y;
        // Area pixel (0, 7): u = -6.5, v = 0.5; sx = 5 - 6 x 0.7071 = 0.757,
        // sy = 5 + 7 x 0.7071 = 9.95: selection pixel (0, 9), picture (5, 14).
        EXPECT_EQ(out.PixelColor(3, 10), colour(5, 14));
    }
}

TEST(GeometryOps, ShiftWrapsAroundAndKeepsPaletteIndices) {
    {
        const TDibImage source = test::NoiseImage24(100, 4, 2);
        TQxImage doc;
        Load(doc, source);
        doc.ShiftImage(10, 0);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(At(doc, 10, y), source.GetPixels(0, y));
            EXPECT_EQ(At(doc, 5, y), source.GetPixels(95, y));
        }
        doc.ShiftImage(0, 0);  // nothing, not even an undo step
        EXPECT_EQ(doc.UndoCount(), 1);
    }
    // A palette picture stays a palette picture with every index moved, not
    // a 24-bit picture.
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const TDibImage source = test::NoiseImagePalette(13, 7, bits, 1 << bits, 40u + unsigned(bits));
        TQxImage doc;
        Load(doc, source);
        doc.ShiftImage(-3, 2);
        const TDibImage out = Picture(doc);
        ASSERT_EQ(out.BitCount(), bits);
        EXPECT_EQ(0, std::memcmp(out.ColorTable(), source.ColorTable(), std::size_t(source.ColorsUsed()) * 4));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(out.GetPixels((x + 10) % 13, (y + 2) % 7), source.GetPixels(x, y)) << x << "," << y;
    }
}

TEST(GeometryOps, AddMarginsPlacesThePictureAndRestoresItsDepth) {
    const TDibImage source = test::NoiseImage24(10, 10, 4);
    TQxImage doc;
    Load(doc, source);
    doc.AddMargins(/*top=*/1, /*bottom=*/2, clBlue, /*right=*/3, /*left=*/4);
    ASSERT_EQ(doc.Bitmap().Width(), 17);
    ASSERT_EQ(doc.Bitmap().Height(), 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 17; ++x) {
            const bool inside = x >= 4 && x < 14 && y >= 1 && y < 11;
            ASSERT_EQ(At(doc, x, y), inside ? source.GetPixels(x - 4, y - 1) : clBlue) << x << "," << y;
        }

    // Four colours plus the margin colour: the reduction back to 8 bits
    // keeps every colour exactly.
    const TDibImage palette = test::NoiseImagePalette(10, 10, 8, 4, 6);
    TBitmap original;
    original.Assign(palette);
    Load(doc, palette);
    doc.AddMargins(1, 2, clBlue, 3, 4);
    ASSERT_EQ(doc.BitCount(), 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(doc.Bitmap().PixelColor(x + 4, y + 1), original.PixelColor(x, y));
    EXPECT_EQ(doc.Bitmap().PixelColor(0, 0), clBlue);

    // Bad margins are refused before anything changes.
    const int steps = doc.UndoCount();
    EXPECT_THROW(doc.AddMargins(-1, 0, clBlue, 0, 0), EDibImageInvalidDIBPara);
    EXPECT_THROW(doc.AddMargins(0, 0, clBlue, 0x7FFFFFF0, 0x7FFFFFF0), EDibImageInvalidDIBPara);
    EXPECT_EQ(doc.UndoCount(), steps);
    EXPECT_FALSE(doc.Editing());
}

TEST(GeometryOps, CropOrdersAndLimitsTheCorners) {
    const TDibImage source = test::NoiseImagePalette(64, 48, 4, 16, 9);
    TQxImage doc;
    Load(doc, source);
    doc.SetSelectionRect(Rect(1, 1, 5, 5));
    doc.SetScrollPos(TPoint{7, 7});
    doc.CropRect(50, 40, 10, 5);  // corners in the other order
    ASSERT_EQ(doc.Bitmap().Width(), 40);
    ASSERT_EQ(doc.Bitmap().Height(), 35);
    EXPECT_EQ(doc.BitCount(), 4);
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(At(doc, x, y), source.GetPixels(x + 10, y + 5));
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_EQ(doc.ScrollPos(), (TPoint{0, 0}));
    EXPECT_TRUE(doc.Modified());
    doc.Undo(1);
    ExpectSame(Picture(doc), source);

    // Far corners are limited to the picture: the whole picture stays.
    doc.CropRect(0, 0, 10000, 10000);
    ExpectSame(Picture(doc), source);
    doc.CropRect(-20, 30, 20, 100);
    EXPECT_EQ(doc.Bitmap().Width(), 20);
    EXPECT_EQ(doc.Bitmap().Height(), 18);
    // A rectangle without area leaves picture and history as they are.
    const int steps = doc.UndoCount();
    doc.CropRect(3, 3, 3, 10);
    doc.CropRect(500, 500, 600, 600);
    EXPECT_EQ(doc.UndoCount(), steps);
    EXPECT_EQ(doc.Bitmap().Width(), 20);
}

TEST(GeometryOps, TrimCropsToTheSelectionOnly) {
    TQxImage doc;
    EXPECT_FALSE(doc.Trim());  // empty document
    Load(doc, test::NoiseImage24(30, 20, 1));
    EXPECT_FALSE(doc.Trim());
    EXPECT_EQ(doc.UndoCount(), 0);
    doc.SetSelectionCorners(TPoint{25, 15}, TPoint{5, 2}, true);
    EXPECT_TRUE(doc.Trim());
    EXPECT_EQ(doc.Bitmap().Width(), 20);
    EXPECT_EQ(doc.Bitmap().Height(), 13);
    EXPECT_EQ(doc.UndoCount(), 1);
}

TEST(GeometryOps, StretchResizeKeepsFormatAndAlwaysTakesAnUndoStep) {
    const TDibImage source = test::NoiseImagePalette(2, 2, 8, 256, 12);
    TQxImage doc;
    Load(doc, source);
    doc.StretchResize(2, 2);
    EXPECT_EQ(doc.UndoCount(), 1);
    ExpectSame(Picture(doc), source);
    EXPECT_FALSE(doc.Modified());
    doc.StretchResize(0, 5);  // no size: the step is taken, nothing else
    EXPECT_EQ(doc.UndoCount(), 1);  // the depth is 1: still one step
    ExpectSame(Picture(doc), source);

    doc.SetUndoBuffer(5);
    doc.StretchResize(4, 6);
    const TDibImage out = Picture(doc);
    ASSERT_EQ(out.BitCount(), 8);
    EXPECT_EQ(0, std::memcmp(out.ColorTable(), source.ColorTable(), 256 * 4));
    // Nearest pixel: destination (x, y) takes source (x x 2 div 4, y x 2 div 6).
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(out.GetPixels(x, y), source.GetPixels(x / 2, y / 3));
    EXPECT_THROW(doc.StretchResize(70000, 70000), EDibImageInvalidDIBPara);
    EXPECT_EQ(doc.UndoCount(), 2);
}

TEST(GeometryOps, ResampleGivesTwentyFourBitsWithProgressInTwoHalves) {
    const TDibImage source = test::NoiseImagePalette(16, 12, 8, 256, 13);
    TQxImage doc;
    Load(doc, source);
    doc.SetSelectionRect(Rect(1, 1, 4, 4));
    std::vector<int> progress;
    doc.OnProgress = [&](TQxImage&, int p) { progress.push_back(p); };
    doc.Resample(rfLanczos3, 8, 6);
    EXPECT_EQ(doc.Bitmap().Width(), 8);
    EXPECT_EQ(doc.Bitmap().Height(), 6);
    EXPECT_EQ(doc.BitCount(), 24);
    EXPECT_EQ(doc.Bitmap().Palette(), nullptr);
    EXPECT_FALSE(doc.HasSelection());
    // 12 source rows to 50 %, then 8 destination columns to 100 %.
    ASSERT_EQ(progress.size(), 20u);
    EXPECT_EQ(progress[11], 50);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    // Box to the same size reproduces the picture; a 1 x 1 picture grows
    // from its single pixel.
    const TDibImage noise = test::NoiseImage24(9, 7, 14);
    Load(doc, noise);
    doc.Resample(rfBox, 9, 7);
    ExpectSame(Picture(doc), noise);
    Load(doc, test::NoiseImage24(1, 1, 15));
    const TColor only = At(doc, 0, 0);
    doc.Resample(effects::rfTriangle, 3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(At(doc, x, y), only);

    // Requests the resampler refuses leave no undo step.
    const int steps = doc.UndoCount();
    EXPECT_THROW(doc.Resample(rfBox, 0, 3), EDibImageInvalidDIBPara);
    EXPECT_THROW(doc.Resample(rfBox, 3, 3, 0.0f), EDibImageInvalidDIBPara);
    EXPECT_THROW(doc.Resample(effects::TResampleFilter(9), 3, 3), EDibImageInvalidDIBPara);
    EXPECT_EQ(doc.UndoCount(), steps);
}

// Every operation is one undo step that gives back the picture bit for bit,
// and a redo gives back the result.
TEST(GeometryOps, EveryOperationUndoesExactly) {
    struct Op {
        const char* name;
        std::function<void(TQxImage&)> run;
    };
    const std::vector<Op> ops = {
        {"CropRect", [](TQxImage& d) { d.CropRect(2, 3, 9, 8); }},
        {"Trim", [](TQxImage& d) { d.Trim(); }},
        {"Rotate90", [](TQxImage& d) { d.Rotate90(false); }},
        {"RotateAngle", [](TQxImage& d) { d.RotateAngle(-300, true); }},
        {"RotateAngle kept size", [](TQxImage& d) { d.RotateAngle(100, false); }},
        {"Mirror", [](TQxImage& d) { d.Mirror(); }},
        {"Flip", [](TQxImage& d) { d.Flip(); }},
        {"ShiftImage", [](TQxImage& d) { d.ShiftImage(3, -2); }},
        {"AddMargins", [](TQxImage& d) { d.AddMargins(1, 2, clYellow, 3, 4); }},
        {"StretchResize", [](TQxImage& d) { d.StretchResize(5, 17); }},
        {"Resample", [](TQxImage& d) { d.Resample(effects::rfMitchell, 20, 9); }},
    };
    const std::vector<TDibImage> pictures = {test::NoiseImage24(13, 11, 1),
                                             test::NoiseImagePalette(13, 11, 8, 256, 2),
                                             test::NoiseImagePalette(13, 11, 1, 2, 3)};
    for (const TDibImage& picture : pictures) {
        for (bool withSelection : {false, true}) {
            for (const Op& op : ops) {
                SCOPED_TRACE(std::string(op.name) + ", " + std::to_string(picture.BitCount()) + " bits" +
                             (withSelection ? ", selection" : ""));
                TQxImage doc;
                doc.SetUndoBuffer(3);
                Load(doc, picture);
                if (withSelection) doc.SetSelectionRect(Rect(1, 2, 8, 9));
                op.run(doc);
                ASSERT_EQ(doc.UndoCount(), std::string(op.name) == "Trim" && !withSelection ? 0 : 1);
                if (doc.UndoCount() == 0) continue;
                const TDibImage result = Picture(doc);
                doc.Undo(1);
                ExpectSame(Picture(doc), picture);
                EXPECT_EQ(doc.HasSelection(), withSelection);
                EXPECT_FALSE(doc.Modified());
                doc.Redo(1);
                ExpectSame(Picture(doc), result);
            }
        }
    }
}

TEST(GeometryOps, NothingHappensWhileAnotherEditRuns) {
    TQxImage doc;
    Load(doc, test::NoiseImage24(6, 4, 16));
    doc.SetUndoBuffer(10);
    const TDibImage before = Picture(doc);
    bool nested = false;
    doc.OnProgress = [&](TQxImage& d, int) {
        if (nested) return;
        nested = true;
        // Called from inside Mirror's bracket: each returns at once.
        d.Rotate90(true);
        d.CropRect(0, 0, 2, 2);
        d.StretchResize(3, 3);
        d.Resample(rfBox, 2, 2);
        d.AddMargins(1, 1, clRed, 1, 1);
    };
    doc.Mirror();
    EXPECT_TRUE(nested);
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(doc.Bitmap().Width(), 6);
    EXPECT_EQ(doc.Bitmap().Height(), 4);

    // An empty document ignores everything.
    TQxImage empty;
    empty.Rotate90(true);
    empty.RotateAngle(450, true);
    empty.Mirror();
    empty.ShiftImage(1, 1);
    empty.AddMargins(1, 1, clRed, 1, 1);
    empty.StretchResize(5, 5);
    empty.Resample(rfBox, 5, 5);
    empty.CropRect(0, 0, 5, 5);
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.UndoCount(), 0);
}

}  // namespace
}  // namespace zelvo
