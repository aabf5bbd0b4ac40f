// Writing BMP files and packed DIBs, and save -> load round trips of every
// stored form.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/DibRle.h"

namespace zelvo {
namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& v, std::size_t at) {
    return std::uint32_t(v[at]) | (std::uint32_t(v[at + 1]) << 8) | (std::uint32_t(v[at + 2]) << 16) |
           (std::uint32_t(v[at + 3]) << 24);
}

// A palette picture made of runs of random lengths, so RLE coding fits.
TDibImage BlockyPalette(int width, int height, int bits, std::uint32_t seed, bool topDown) {
    TDibImage image = test::NoiseImagePalette(width, height, bits, bits == 1 ? 2 : 1 << bits, seed, topDown);
    std::mt19937 rng(seed);
    const int colors = 1 << bits;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        int x = 0;
        while (x < width) {
            const int len = 1 + int(rng() % 12);
            const unsigned value = rng() % unsigned(colors);
            for (int i = 0; i < len && x < width; ++i, ++x) {
                if (bits == 8) row[x] = std::uint8_t(value);
                else if (bits == 4) row[x >> 1] = std::uint8_t((x & 1) ? (row[x >> 1] & 0xF0) | value
                                                                       : (row[x >> 1] & 0x0F) | (value << 4));
                else row[x >> 3] = std::uint8_t((row[x >> 3] & ~(0x80 >> (x & 7))) | (value << (7 - (x & 7))));
            }
        }
    }
    return image;
}

TDibImage SaveLoad(const TDibImage& image) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    stream.SetPosition(0);
    TDibImage back;
    back.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    return back;
}

TDibImage ClipboardRoundTrip(const TDibImage& image) {
    std::uint16_t format = 0;
    HPALETTE palette = std::make_shared<TLogPalette>();
    const auto block = image.SaveToClipboardFormat(format, palette);
    EXPECT_EQ(format, CF_DIB);
    EXPECT_EQ(palette, nullptr);
    TDibImage back;
    back.LoadFromClipboardFormat(format, block, nullptr);
    return back;
}

// Header, colour table and stored bytes identical.
void ExpectSameStorage(const TDibImage& a, const TDibImage& b) {
    const auto& ha = a.Header();
    const auto& hb = b.Header();
    EXPECT_EQ(ha.biWidth, hb.biWidth);
    EXPECT_EQ(ha.biHeight, hb.biHeight);
    EXPECT_EQ(ha.biBitCount, hb.biBitCount);
    EXPECT_EQ(ha.biCompression, hb.biCompression);
    EXPECT_EQ(ha.biClrUsed, hb.biClrUsed);
    EXPECT_EQ(ha.biXPelsPerMeter, hb.biXPelsPerMeter);
    EXPECT_EQ(0, std::memcmp(a.ColorTable(), b.ColorTable(), 4 * std::size_t(a.ColorsUsed())));
    ASSERT_EQ(a.Bits().size(), b.Bits().size());
    EXPECT_EQ(0, std::memcmp(a.Bits().data(), b.Bits().data(), a.Bits().size()));
}

TEST(BmpWrite, EveryStoredFormatSurvivesSaveAndLoad) {
    struct Case {
        int bits;
        bool rle;
        int width;
    };
    const Case cases[] = {{1, false, 37}, {4, false, 37}, {8, false, 37}, {24, false, 37},
                          {4, true, 37},  {4, true, 38},  {8, true, 37}};
    for (const auto& c : cases) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::to_string(c.bits) + (c.rle ? " RLE" : "") + " width " + std::to_string(c.width) +
                         (topDown ? " top-down" : " bottom-up"));
            TDibImage image = c.bits == 24 ? test::NoiseImage24(c.width, 11, 7, topDown)
                                           : BlockyPalette(c.width, 11, c.bits, 9, topDown);
            TDibImage plain = image;
            if (c.rle) {
                image.ReplaceData(c.bits == 8 ? Convert8BitRGBTo8BitRLE(*image.DibData())
                                              : Convert4BitRGBTo4BitRLE(*image.DibData()));
            }
            for (int pass = 0; pass < 2; ++pass) {
                const TDibImage back = pass == 0 ? SaveLoad(image) : ClipboardRoundTrip(image);
                ExpectSameStorage(image, back);
                if (c.rle) {
                    // The coded form decodes to the picture it came from.
                    TDibImage decoded;
                    decoded.ReplaceData(c.bits == 8 ? Convert8BitRLETo8BitRGB(*back.DibData())
                                                    : Convert4BitRLETo4BitRGB(*back.DibData()));
                    std::string why;
                    EXPECT_TRUE(test::SamePixels(plain, decoded, &why)) << why;
                } else {
                    std::string why;
                    EXPECT_TRUE(test::SamePixels(image, back, &why)) << why;
                }
            }
        }
    }
}

TEST(BmpWrite, FileLayoutOfASmallPicture) {
    // 3 x 2 at 8 bits with 4 colours: 4-byte rows, offset 54 + 16 = 70, file
    // size 70 + 8 = 78, size image 0 for uncompressed data.
    TDibImage image = test::NoiseImagePalette(3, 2, 8, 4, 3, /*topDown=*/true);
    TMemoryStream stream;
    image.SaveToStream(stream);
    const auto& v = stream.Data();
    ASSERT_EQ(v.size(), 78u);
    EXPECT_EQ(v[0], 'B');
    EXPECT_EQ(v[1], 'M');
    EXPECT_EQ(Le32(v, 2), 78u);
    EXPECT_EQ(Le32(v, 6), 0u);
    EXPECT_EQ(Le32(v, 10), 70u);
    EXPECT_EQ(Le32(v, 14), 40u);
    EXPECT_EQ(std::int32_t(Le32(v, 22)), -2);  // top-down stays top-down
    EXPECT_EQ(Le32(v, 34), 0u);                // size image
    EXPECT_EQ(Le32(v, 46), 4u);                // colours used
    EXPECT_EQ(0, std::memcmp(v.data() + 54, image.ColorTable(), 16));
    EXPECT_EQ(0, std::memcmp(v.data() + 70, image.Bits().data(), 8));

    // RLE data records its coded size.
    TDibImage coded = BlockyPalette(40, 4, 8, 1, false);
    coded.ReplaceData(Convert8BitRGBTo8BitRLE(*coded.DibData()));
    TMemoryStream rle;
    coded.SaveToStream(rle);
    EXPECT_EQ(Le32(rle.Data(), 34), coded.Bits().size());
    EXPECT_EQ(Le32(rle.Data(), 30), BI_RLE8);
    EXPECT_EQ(rle.Data().size(), 54 + 1024 + coded.Bits().size());
}

TEST(BmpWrite, ConvertedSixteenBitFileSavesAs24Bit) {
    // A 16-bit file loads as 24 bits and is written as such.
    std::vector<std::uint8_t> file(54 + 4, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[2] = 58;
    file[10] = 54;
    file[14] = 40;
    file[18] = 1;
    file[22] = 1;
    file[26] = 1;
    file[28] = 16;
    file[54] = 0x1F;  // blue
    TDibImage image;
    TMemoryStream in(file);
    image.LoadFromStream(in);
    const TDibImage back = SaveLoad(image);
    EXPECT_EQ(back.BitCount(), 24);
    EXPECT_EQ(back.GetPixels(0, 0), RGB(0, 0, 255));
}

TEST(BmpWrite, WriteFailureIsTheStreamsError) {
    class FullStream : public TMemoryStream {
    public:
        std::size_t Write(const void* buffer, std::size_t count) override {
            const std::size_t n = std::min<std::size_t>(count, 10 - std::min<std::size_t>(Data().size(), 10));
            return TMemoryStream::Write(buffer, n);
        }
    };
    FullStream stream;
    TDibImage image;
    try {
        image.SaveToStream(stream);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
}

}  // namespace
}  // namespace zelvo
