// The platform bitmap: storage shared with TDibImage and separated on write,
// formats and palettes, the modified flag and change event, the canvas and
// the stream round trip (the QImage conversions are in qt/QImageBridgeTest).

#include <gtest/gtest.h>

#include <vector>

#include "BitmapTestSupport.h"
#include "TestSupport.h"
#include "image/Exceptions.h"
#include "platform/Bitmap.h"

namespace zelvo {
namespace {

using test::FourColours;
using test::Solid24;

TEST(BitmapSharing, AssignBothWaysSharesAndWriteSeparates) {
    const TDibImage source = test::NoiseImage24(9, 5, 1);
    const TDibImage pristine = test::NoiseImage24(9, 5, 1);

    TBitmap bitmap;
    bitmap.Assign(source);
    EXPECT_EQ(bitmap.Dib().DibData(), source.DibData());  // no pixel copy
    bitmap.ScanLine(2)[4] ^= 0xFF;
    EXPECT_NE(bitmap.Dib().DibData(), source.DibData());
    EXPECT_TRUE(test::SamePixels(source, pristine));
    EXPECT_EQ(bitmap.Dib().ScanLineRead(2)[4], std::uint8_t(pristine.ScanLineRead(2)[4] ^ 0xFF));

    TDibImage target;
    target.ConvertMode = 1;
    bitmap.AssignTo(target);
    EXPECT_EQ(target.DibData(), bitmap.Dib().DibData());
    EXPECT_EQ(target.ConvertMode, 1);  // the target's settings stay
    const std::uint8_t before = bitmap.Dib().ScanLineRead(0)[0];
    target.ScanLine(0)[0] = std::uint8_t(before + 1);
    EXPECT_EQ(bitmap.Dib().ScanLineRead(0)[0], before);

    // Bitmap to bitmap shares too.
    TBitmap copy(bitmap);
    TBitmap assigned;
    assigned = bitmap;
    EXPECT_EQ(copy.Dib().DibData(), bitmap.Dib().DibData());
    EXPECT_EQ(assigned.Dib().DibData(), bitmap.Dib().DibData());
    copy.Canvas().BrushColor = clWhite;
    copy.Canvas().FillRect(Bounds(0, 0, 1, 1));
    EXPECT_EQ(bitmap.Dib().ScanLineRead(0)[0], before);
    EXPECT_EQ(assigned.Dib().ScanLineRead(0)[0], before);
    EXPECT_EQ(copy.PixelColor(0, 0), clWhite);
}

TEST(BitmapSharing, RleSourceIsDecodedAndLeftAlone) {
    for (int bits : {4, 8}) {
        SCOPED_TRACE(bits);
        // Runs of sixteen pixels, which RLE codes shorter than the rows.
        TDibImage plain = FourColours(61, 6, bits);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 61; ++x) {
                const unsigned index = unsigned((x / 16 + y) % 4);
                std::uint8_t* row = plain.ScanLine(y);
                if (bits == 8) row[x] = std::uint8_t(index);
                else row[x / 2] = std::uint8_t(row[x / 2] | (x % 2 ? index : index << 4));
            }
        TDibImage rle(plain);
        rle.SetPixelFormat(bits == 4 ? dibPf4BitRLE : dibPf8BitRLE);
        TBitmap bitmap;
        bitmap.Assign(rle);
        EXPECT_EQ(bitmap.BitCount(), bits);
        EXPECT_EQ(bitmap.PixelFormat(), bits == 4 ? pf4bit : pf8bit);
        EXPECT_TRUE(test::SamePixels(bitmap.Dib(), plain));
        EXPECT_EQ(rle.PixelFormat(), bits == 4 ? dibPf4BitRLE : dibPf8BitRLE);
    }
}

TEST(BitmapFormat, NewPicturesAndTheirTables) {
    struct TCase {
        TPixelFormat Format;
        int Bits;
        int Colors;
        std::uint8_t SecondGrey;  // entry 1 of the grey ramp: 255 div (colors - 1)
    };
    for (const TCase c : {TCase{pf1bit, 1, 2, 255}, TCase{pf4bit, 4, 16, 17}, TCase{pf8bit, 8, 256, 1},
                          TCase{pf24bit, 24, 0, 0}}) {
        SCOPED_TRACE(c.Bits);
        TBitmap b(5, 3, c.Format);
        EXPECT_FALSE(b.Empty());
        EXPECT_EQ(b.Width(), 5);
        EXPECT_EQ(b.Height(), 3);
        EXPECT_EQ(b.BitCount(), c.Bits);
        EXPECT_EQ(b.PixelFormat(), c.Format);
        EXPECT_EQ(b.PixelColor(4, 2), clBlack);
        if (c.Colors == 0) {
            EXPECT_EQ(b.Palette(), nullptr);
            continue;
        }
        const HPALETTE palette = b.Palette();
        ASSERT_NE(palette, nullptr);
        ASSERT_EQ(palette->Entries.size(), std::size_t(c.Colors));
        EXPECT_EQ(palette->Entries[1].peRed, c.SecondGrey);
        EXPECT_EQ(palette->Entries.back().peGreen, 255);
    }
    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.BitCount(), 0);
    EXPECT_EQ(empty.Palette(), nullptr);
    EXPECT_THROW(empty.PixelColor(0, 0), EDibImagePixelPositionRange);
}

TEST(BitmapFormat, PaletteAndDepthChangesKeepColours) {
    TBitmap b;
    TDibImage four = FourColours(4, 1, 8);
    for (int x = 0; x < 4; ++x) four.SetPixels(x, 0, x);
    b.Assign(four);
    EXPECT_EQ(b.PixelColor(1, 0), clRed);
    EXPECT_EQ(b.PixelColor(3, 0), clBlue);

    // A new table recolours the same indices.
    auto palette = std::make_shared<TLogPalette>();
    palette->Entries = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 0}};
    b.SetPalette(palette);
    EXPECT_EQ(b.PixelColor(2, 0), RGB(7, 8, 9));
    EXPECT_EQ(four.GetPixels(2, 0), 2);  // the source keeps its own table
    EXPECT_EQ(four.ColorTable()[2].rgbGreen, 255);

    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(b.BitCount(), 24);
    EXPECT_EQ(b.PixelColor(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(b.PixelColor(3, 0), RGB(10, 11, 12));
    EXPECT_EQ(b.Palette(), nullptr);

    // A 24-bit storage that still carries a table loses it.
    TDibImage withTable = test::NoiseImage24(2, 2, 3);
    const std::vector<TRGBQuad> table(16, TRGBQuad{1, 1, 1, 0});
    withTable.SetColorTable(table);
    TBitmap c;
    c.Assign(withTable);
    c.ReleasePalette();
    EXPECT_EQ(c.Dib().ColorsUsed(), 0);
    EXPECT_EQ(withTable.ColorsUsed(), 16);
}

TEST(BitmapFormat, SetSizeKeepsTopLeft) {
    TBitmap b = Solid24(3, 2, clRed);
    b.SetSize(5, 4);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 4);
    EXPECT_EQ(b.PixelColor(2, 1), clRed);
    EXPECT_EQ(b.PixelColor(3, 1), clBlack);
    EXPECT_EQ(b.PixelColor(0, 2), clBlack);
    b.SetSize(1, 1);
    EXPECT_EQ(b.PixelColor(0, 0), clRed);
    EXPECT_THROW(b.SetSize(-1, 3), EDibImageInvalidDIBPara);
    b.SetSize(0, 3);
    EXPECT_TRUE(b.Empty());
    b.SetSize(2, 2);  // an empty bitmap becomes 24-bit
    EXPECT_EQ(b.BitCount(), 24);
}

TEST(BitmapChange, ModifiedFlagAndEvent) {
    TBitmap b;
    int events = 0;
    b.OnChange = [&](void*) { ++events; };
    EXPECT_FALSE(b.Modified());

    b.Assign(test::NoiseImage24(4, 4, 2));
    EXPECT_EQ(events, 1);
    EXPECT_TRUE(b.Modified());
    b.SetModified(false);  // clears without an event
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(b.Modified());
    b.SetModified(true);
    EXPECT_EQ(events, 2);

    b.SetModified(false);
    b.Canvas().FillRect(Bounds(0, 0, 2, 2));
    EXPECT_EQ(events, 3);
    EXPECT_TRUE(b.Modified());
    b.SetPixelFormat(pf24bit);  // unchanged: no event
    EXPECT_EQ(events, 3);
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(events, 4);

    // A copy does not take the event with it.
    TBitmap copy(b);
    copy.Canvas().FillRect(Bounds(0, 0, 1, 1));
    EXPECT_EQ(events, 4);

    b.Clear();
    EXPECT_EQ(events, 5);
    EXPECT_TRUE(b.Empty());
    b.Canvas().FillRect(Bounds(0, 0, 2, 2));  // nothing to draw on
    b.Canvas().Draw(0, 0, copy);
    EXPECT_EQ(events, 5);
}

TEST(BitmapCanvas, BlockCopyClipsAtBothPictures) {
    // Source columns are coloured 10, 20, 30, 40 (blue channel) on every row.
    TBitmap source(4, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) source.ScanLine(y)[x * 3] = std::uint8_t(10 * (x + 1) + y);
    TBitmap target = Solid24(5, 4, clBlack);

    // 3 x 2 from (2, 1): only source columns 2..3 exist; the target place
    // (4, 3) leaves room for one column and one row.
    target.Canvas().BlockCopy(4, 3, source, 2, 1, 3, 2);
    EXPECT_EQ(target.Dib().ScanLineRead(3)[4 * 3], 31);
    EXPECT_EQ(target.Dib().ScanLineRead(2)[4 * 3], 0);
    EXPECT_EQ(target.Dib().ScanLineRead(3)[3 * 3], 0);

    // A negative target corner skips the source pixels that fall off.
    target.Canvas().BlockCopy(-1, -1, source, 0, 0, 3, 3);
    EXPECT_EQ(target.Dib().ScanLineRead(0)[0], 21);  // source (1, 1)
    EXPECT_EQ(target.Dib().ScanLineRead(1)[1 * 3], 32);  // source (2, 2)
    EXPECT_EQ(target.Dib().ScanLineRead(0)[2 * 3], 0);
}

TEST(BitmapCanvas, StretchTakesTheNearestPixel) {
    TBitmap source(3, 1, pf24bit);
    for (int x = 0; x < 3; ++x) source.ScanLine(0)[x * 3] = std::uint8_t(x + 1);
    struct TCase {
        int Width;
        std::vector<std::uint8_t> Expected;  // column x takes source x * 3 div width
    };
    for (const TCase& c : {TCase{6, {1, 1, 2, 2, 3, 3}}, TCase{4, {1, 1, 2, 3}}, TCase{2, {1, 2}},
                           TCase{1, {1}}}) {
        SCOPED_TRACE(c.Width);
        TBitmap target = Solid24(c.Width, 2, clBlack);
        target.Canvas().StretchDraw(Bounds(0, 0, c.Width, 2), source);
        for (int x = 0; x < c.Width; ++x) {
            EXPECT_EQ(target.Dib().ScanLineRead(0)[x * 3], c.Expected[std::size_t(x)]) << x;
            EXPECT_EQ(target.Dib().ScanLineRead(1)[x * 3], c.Expected[std::size_t(x)]) << x;
        }
    }
    // CopyRect with unequal rectangles stretches too: source columns 1..2
    // onto four columns give 2, 2, 3, 3.
    TBitmap target = Solid24(4, 1, clBlack);
    target.Canvas().CopyRect(Bounds(0, 0, 4, 1), source, Bounds(1, 0, 2, 1));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.Dib().ScanLineRead(0)[x * 3], x < 2 ? 2 : 3) << x;
}

TEST(BitmapCanvas, FillAndDrawAcrossDepths) {
    // 24 bits: exact blue, green, red bytes, clipped to the picture.
    TBitmap b = Solid24(4, 3, clBlack);
    b.Canvas().BrushColor = RGB(10, 20, 30);
    b.Canvas().FillRect(TRect{2, 1, 9, 9});
    const std::uint8_t* row = b.Dib().ScanLineRead(2);
    EXPECT_EQ(row[3 * 3 + 0], 30);
    EXPECT_EQ(row[3 * 3 + 1], 20);
    EXPECT_EQ(row[3 * 3 + 2], 10);
    EXPECT_EQ(b.PixelColor(1, 2), clBlack);
    EXPECT_EQ(b.PixelColor(2, 0), clBlack);

    // A palette picture takes the nearest entry: (200, 30, 20) is closest to
    // red (index 1).
    TBitmap p;
    p.Assign(FourColours(5, 2, 4));
    p.Canvas().BrushColor = RGB(200, 30, 20);
    p.Canvas().FillRect(Bounds(1, 0, 2, 2));
    EXPECT_EQ(p.Dib().GetPixels(0, 0), 0);
    EXPECT_EQ(p.Dib().GetPixels(1, 1), 1);
    EXPECT_EQ(p.Dib().GetPixels(2, 0), 1);
    EXPECT_EQ(p.Dib().GetPixels(3, 0), 0);

    // Drawing the palette picture onto a 24-bit one looks its colours up;
    // drawing a 24-bit one onto the palette picture maps to the nearest.
    TBitmap rgb = Solid24(6, 3, clWhite);
    rgb.Canvas().Draw(1, 1, p);
    EXPECT_EQ(rgb.PixelColor(0, 0), clWhite);
    EXPECT_EQ(rgb.PixelColor(1, 1), clBlack);
    EXPECT_EQ(rgb.PixelColor(2, 1), clRed);
    EXPECT_EQ(rgb.PixelColor(5, 2), clBlack);
    p.Canvas().Draw(3, 0, Solid24(2, 1, RGB(0, 240, 30)));
    EXPECT_EQ(p.Dib().GetPixels(3, 0), 2);  // green
    EXPECT_EQ(p.Dib().GetPixels(4, 0), 2);
    EXPECT_EQ(p.Dib().GetPixels(3, 1), 0);

    // Drawing a bitmap onto itself reads the pixels as they were.
    TBitmap self(4, 1, pf24bit);
    for (int x = 0; x < 4; ++x) self.ScanLine(0)[x * 3] = std::uint8_t(x + 1);
    self.Canvas().Draw(1, 0, self);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(self.Dib().ScanLineRead(0)[x * 3], x == 0 ? 1 : x) << x;
}

TEST(BitmapStream, RoundTripAndFailedLoadKeepsPicture) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        const TDibImage img = bits == 24 ? test::NoiseImage24(7, 3, 4) : test::NoiseImagePalette(7, 3, bits, 1 << std::min(bits, 4), 4);
        TBitmap b;
        b.Assign(img);
        TMemoryStream stream;
        b.SaveToStream(stream);
        TBitmap back;
        stream.SetPosition(0);
        back.LoadFromStream(stream);
        EXPECT_TRUE(test::SamePixels(back.Dib(), img));

        TMemoryStream truncated(std::vector<std::uint8_t>(stream.Data().begin(), stream.Data().end() - 1));
        EXPECT_THROW(back.LoadFromStream(truncated), EReadError);
        EXPECT_TRUE(test::SamePixels(back.Dib(), img));
    }
    TMemoryStream nothing;
    TBitmap().SaveToStream(nothing);
    EXPECT_EQ(nothing.Size(), 0);
}

}  // namespace
}  // namespace zelvo
