// RLE8 and RLE4: exact coded bytes of worked examples, decoder failures with
// their messages, and encode -> decode round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/DibRle.h"

namespace zelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using DataPtr = std::unique_ptr<TDibImageData>;

// An uncompressed 8 or 4-bit storage with the given rows (bottom-up, each
// row's used bytes; the rest of the row stays 0).
DataPtr Plain(int width, int bits, const std::vector<Bytes>& rows) {
    DataPtr d(TDibImageData::CreateDIB(width, int(rows.size()), 1 << bits, bits, false));
    for (std::size_t y = 0; y < rows.size(); ++y)
        std::memcpy(d->Bits + y * std::size_t(d->RowBytes()), rows[y].data(), rows[y].size());
    return d;
}

// A coded storage of the given size holding `code`.
DataPtr Coded(int width, int height, int bits, const Bytes& code) {
    TBitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = std::uint16_t(bits);
    h.biCompression = bits == 8 ? BI_RLE8 : BI_RLE4;
    h.biClrUsed = 1u << bits;
    DataPtr d(TDibImageData::CreateRaw(h, std::uint32_t(code.size()), false));
    std::memcpy(d->Bits, code.data(), code.size());
    return d;
}

Bytes CodeOf(TDibImageData* d) {
    DataPtr owned(d);
    return Bytes(owned->Bits, owned->Bits + owned->ImageSize);
}

Bytes Row(const TDibImageData& d, int storedRow, int count) {
    const std::uint8_t* p = d.Bits + std::size_t(storedRow) * std::size_t(d.RowBytes());
    return Bytes(p, p + count);
}

TEST(RleEncode, ThreeHundredEqualBytesGiveRunsOf255And45) {
    const auto src = Plain(300, 8, {Bytes(300, 9)});
    DataPtr coded(Convert8BitRGBTo8BitRLE(*src));
    EXPECT_EQ(coded->Header.biCompression, BI_RLE8);
    EXPECT_EQ(coded->Header.biSizeImage, 8u);
    EXPECT_EQ(Bytes(coded->Bits, coded->Bits + coded->ImageSize), (Bytes{255, 9, 45, 9, 0, 0, 0, 1}));
}

TEST(RleEncode, EightBitStateMachine) {
    // Each row is followed by 20 bytes of 9, coded as the run (20, 9).
    struct Case {
        const char* name;
        Bytes row;
        Bytes code;  // of the whole row, with its end of line
    };
    const Case cases[] = {
        // 5 pending; 9 makes the literal [5, 9]; the second 9 leaves it as [5],
        // written as a run of 1.
        {"single byte", {5}, {1, 5, 20, 9, 0, 0}},
        {"literal of 2 is written as runs of 1", {5, 6}, {1, 5, 1, 6, 20, 9, 0, 0}},
        {"repeat ends a literal", {1, 2, 3, 3}, {1, 1, 1, 2, 2, 3, 20, 9, 0, 0}},
        {"odd literal is padded", {1, 2, 3, 4, 4, 4}, {0, 3, 1, 2, 3, 0, 3, 4, 20, 9, 0, 0}},
        {"even literal", {1, 2, 3, 4, 7, 7}, {0, 4, 1, 2, 3, 4, 2, 7, 20, 9, 0, 0}},
        {"run then pending", {7, 7, 7, 8}, {3, 7, 1, 8, 20, 9, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes row = c.row;
        row.insert(row.end(), 20, 9);
        const int width = int(row.size());
        const auto src = Plain(width, 8, {row, Bytes(std::size_t(width), 1)});
        Bytes expected = c.code;
        expected.insert(expected.end(), {std::uint8_t(width), 1, 0, 0, 0, 1});
        EXPECT_EQ(CodeOf(Convert8BitRGBTo8BitRLE(*src)), expected);
    }
}

TEST(RleEncode, AlternatingRowGivesLiteralsOf255) {
    // 600 alternating bytes: literals of 255, 255 and 90 (the byte after a full
    // literal becomes pending and opens the next one).
    Bytes alternating(600);
    for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = std::uint8_t(i & 1 ? 4 : 3);
    const auto src = Plain(600, 8, {alternating, Bytes(600, 1)});
    const Bytes got = CodeOf(Convert8BitRGBTo8BitRLE(*src));
    // Row 1: three literals and end of line; row 2: runs 255, 255, 90 and end
    // of line; end of bitmap.
    ASSERT_EQ(got.size(), 258u + 258 + 92 + 2 + 6 + 2 + 2);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(got[1], 255);
    EXPECT_EQ(got[2 + 255], 0);  // pad
    EXPECT_EQ(got[258], 0);
    EXPECT_EQ(got[259], 255);
    EXPECT_EQ(got[258 + 2 + 255], 0);
    EXPECT_EQ(got[516], 0);
    EXPECT_EQ(got[517], 90);
    DataPtr back(Convert8BitRLETo8BitRGB(*Coded(600, 2, 8, got)));
    EXPECT_EQ(Row(*back, 0, 600), alternating);
}

TEST(RleEncode, NoiseDoesNotFit) {
    const TDibImage noise8 = test::NoiseImagePalette(64, 16, 8, 256, 5);
    try {
        delete Convert8BitRGBTo8BitRLE(*noise8.DibData());
        FAIL();
    } catch (const EDibImageCompressionFailed& e) {
        EXPECT_STREQ(e.what(), "Convert8BitRGBTo8BitRLE: Compression Failed");
    }
    const TDibImage noise4 = test::NoiseImagePalette(64, 16, 4, 16, 5);
    try {
        delete Convert4BitRGBTo4BitRLE(*noise4.DibData());
        FAIL();
    } catch (const EDibImageCompressionFailed& e) {
        EXPECT_STREQ(e.what(), "Convert4BitRGBTo4BitRLE: Compression Failed");
    }
    // A 1 x 1 picture has no room for even one run.
    const auto tiny = Plain(1, 8, {{3}});
    EXPECT_THROW(delete Convert8BitRGBTo8BitRLE(*tiny), EDibImageCompressionFailed);
}

TEST(RleEncode, FourBitCountsPixelsAndCutsAtTheRowEnd) {
    // Width 21 of colour 7: 10 bytes 0x77 then 0x70 (last pixel and the pad
    // nibble). Run of 10 bytes = 20 pixels, then the 0x70 byte as a run cut
    // to the 1 pixel left.
    const Bytes row = {0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x70};
    const auto src = Plain(21, 4, {row, row});
    EXPECT_EQ(CodeOf(Convert4BitRGBTo4BitRLE(*src)), (Bytes{20, 0x77, 1, 0x70, 0, 0, 20, 0x77, 1, 0x70, 0, 0, 0, 1}));

    // A literal counts pixels: bytes 12 34 56 then a run; width 8 with two
    // trailing 0x77 bytes -> 0, 6, 12 34 56, pad, then a run of 4 pixels.
    const auto lit = Plain(10, 4, {{0x12, 0x34, 0x56, 0x77, 0x77}, Bytes(5, 0x11), Bytes(5, 0x11)});
    const Bytes got = CodeOf(Convert4BitRGBTo4BitRLE(*lit));
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 10), (Bytes{0, 6, 0x12, 0x34, 0x56, 0, 4, 0x77, 0, 0}));
}

TEST(RleEncode, TopDownSourceIsCodedBottomRowFirst) {
    DataPtr src(TDibImageData::CreateDIB(8, -2, 256, 8, false));
    std::memset(src->Bits, 1, 8);      // stored row 0 = top
    std::memset(src->Bits + 8, 2, 8);  // bottom
    DataPtr coded(Convert8BitRGBTo8BitRLE(*src));
    EXPECT_EQ(coded->Header.biHeight, 2);
    EXPECT_EQ(Bytes(coded->Bits, coded->Bits + coded->ImageSize), (Bytes{8, 2, 0, 0, 8, 1, 0, 0, 0, 1}));
}

TEST(RleDecode, EightBitCodes) {
    // 4 x 3: a run of 2, a delta down one row (x stays 2), a run of 2, a
    // literal of 3 on the last row.
    const Bytes code = {2, 5, 0, 2, 0, 1, 2, 9, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
    DataPtr out(Convert8BitRLETo8BitRGB(*Coded(4, 3, 8, code)));
    EXPECT_EQ(out->Header.biCompression, BI_RGB);
    EXPECT_EQ(out->Header.biSizeImage, 0u);
    EXPECT_EQ(Row(*out, 0, 4), (Bytes{5, 5, 0, 0}));
    EXPECT_EQ(Row(*out, 1, 4), (Bytes{0, 0, 9, 9}));
    EXPECT_EQ(Row(*out, 2, 4), (Bytes{1, 2, 3, 0}));
}

TEST(RleDecode, FourBitCodes) {
    // Width 5: delta to x 1, run of 3 alternating A, B; then a literal of 5
    // pixels (4 source bytes) on row 1.
    const Bytes code = {0, 2, 1, 0, 3, 0xAB, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0x00, 0, 1};
    DataPtr out(Convert4BitRLETo4BitRGB(*Coded(5, 2, 4, code)));
    EXPECT_EQ(Row(*out, 0, 3), (Bytes{0x0A, 0xBA, 0x00}));
    EXPECT_EQ(Row(*out, 1, 3), (Bytes{0x12, 0x34, 0x50}));
}

TEST(RleDecode, BadDataIsRefusedWithItsMessage) {
    struct Case {
        int bits;
        Bytes code;
        const char* message;
    };
    // Pictures are 4 x 2.
    const Case cases[] = {
        {8, {0, 0, 0, 0, 0, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 1"},
        {8, {0, 2, 5, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {8, {0, 2, 0, 3, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {8, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {8, {2, 1, 0, 3, 1, 2, 3, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {8, {5, 1, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, {0, 2, 0, 2, 1, 1, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},  // run on row 2 of 2
        // Data ending before end of bitmap: after a run, inside a pair, inside
        // a delta, inside a literal, and no data at all.
        {8, {2, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, {2, 1, 0}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, {0, 2, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, {0, 3, 1, 2}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, {}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {4, {0, 0, 0, 0, 0, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 5"},
        {4, {0, 2, 5, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {4, {0, 5, 0x12, 0x34, 0x50, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 7"},
        {4, {5, 0x11, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
        {4, {4, 0x11}, "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
        {4, {0, 4, 0x12}, "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + std::string(" / ") + std::to_string(c.code.size()) + " bytes");
        const auto coded = Coded(4, 2, c.bits, c.code);
        try {
            delete (c.bits == 8 ? Convert8BitRLETo8BitRGB(*coded) : Convert4BitRLETo4BitRGB(*coded));
            ADD_FAILURE() << "not refused";
        } catch (const EDibImageInvalidDIB& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    // Position x = width and y = height are allowed until something is drawn there.
    delete Convert8BitRLETo8BitRGB(*Coded(4, 2, 8, {4, 1, 0, 0, 4, 2, 0, 0, 0, 1}));
    delete Convert4BitRLETo4BitRGB(*Coded(3, 1, 4, {4, 0x12, 0, 1}));  // width 3 rounds up to 4
}

TEST(RleDecode, RunsAndLiteralsMayEndInTheRowPaddingAndAreClipped) {
    struct Case {
        const char* what;
        int width;
        int bits;
        Bytes code;
        Bytes row0;  // the whole stored row 0: pixels past the width stay 0
    };
    // Rows are padded to a multiple of 4 pixels: width 5 to 8 (8 bytes of
    // RLE8, 4 bytes of RLE4), width 3 to 4.
    const Case cases[] = {
        {"RLE8 run of 8 on 5", 5, 8, {8, 7, 0, 1}, {7, 7, 7, 7, 7, 0, 0, 0}},
        {"RLE8 run of 3 after 4 pixels", 5, 8, {4, 1, 3, 2, 0, 1}, {1, 1, 1, 1, 2, 0, 0, 0}},
        {"RLE8 literal of 7 on 5", 5, 8, {0, 7, 1, 2, 3, 4, 5, 6, 7, 0, 0, 1}, {1, 2, 3, 4, 5, 0, 0, 0}},
        {"RLE8 run that lies wholly in the padding", 5, 8, {5, 3, 3, 9, 0, 1}, {3, 3, 3, 3, 3, 0, 0, 0}},
        {"RLE8 run of 4 on 3", 3, 8, {4, 6, 0, 1}, {6, 6, 6, 0}},
        {"RLE4 run of 8 on 5", 5, 4, {8, 0xAB, 0, 1}, {0xAB, 0xAB, 0xA0, 0}},
        {"RLE4 literal of 7 on 5 after 1", 5, 4, {1, 0xF0, 0, 7, 0x12, 0x34, 0x56, 0x70, 0, 1},
         {0xF1, 0x23, 0x40, 0}},
        {"RLE4 run of 4 on 3", 3, 4, {4, 0x12, 0, 1}, {0x12, 0x10, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto coded = Coded(c.width, 1, c.bits, c.code);
        DataPtr out(c.bits == 8 ? Convert8BitRLETo8BitRGB(*coded) : Convert4BitRLETo4BitRGB(*coded));
        ASSERT_EQ(std::size_t(out->RowBytes()), c.row0.size());
        EXPECT_EQ(Row(*out, 0, out->RowBytes()), c.row0);
    }
}

TEST(RleDecode, RunsAndLiteralsPastTheRowPaddingAreStillRefused) {
    struct Case {
        int width;
        int bits;
        Bytes code;
        const char* message;
    };
    // Width 5 pads to 8 pixels, width 61 (the peer files' width) to 64.
    const Case cases[] = {
        {5, 8, {9, 7, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {5, 8, {6, 7, 3, 7, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {5, 8, {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {61, 8, {64, 1, 1, 1, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {61, 8, {65, 1, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {5, 4, {9, 0x11, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
        {5, 4, {0, 9, 0x12, 0x34, 0x56, 0x78, 0x90, 0, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 7"},
        // A delta still stops at the width itself.
        {5, 8, {0, 2, 6, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {5, 4, {0, 2, 6, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + std::string(" / width ") + std::to_string(c.width));
        const auto coded = Coded(c.width, 1, c.bits, c.code);
        try {
            delete (c.bits == 8 ? Convert8BitRLETo8BitRGB(*coded) : Convert4BitRLETo4BitRGB(*coded));
            ADD_FAILURE() << "not refused";
        } catch (const EDibImageInvalidDIB& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(RleCodec, WrongKindOfSourceIsRefused) {
    const auto plain8 = Plain(4, 8, {Bytes(4, 0)});
    const auto rle8 = Coded(4, 1, 8, {0, 1});
    struct Case {
        std::function<TDibImageData*()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { return Convert8BitRLETo8BitRGB(*plain8); },
         "Convert8BitRLETo8BitRGB: Invalid Bitcount & Compression Combination"},
        {[&] { return Convert4BitRLETo4BitRGB(*rle8); },
         "Convert4BitRLETo4BitRGB: Invalid Bitcount & Compression Combination"},
        {[&] { return Convert8BitRGBTo8BitRLE(*rle8); },
         "Convert8BitRGBTo8BitRLE: Invalid Bitcount & Compression Combination"},
        {[&] { return Convert4BitRGBTo4BitRLE(*plain8); },
         "Convert4BitRGBTo4BitRLE: Invalid Bitcount & Compression Combination"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            delete c.call();
            ADD_FAILURE();
        } catch (const EDibImageBadDIBType& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(RleCodec, RandomRunsRoundTripBitForBit) {
    std::mt19937 rng(42);
    for (int trial = 0; trial < 60; ++trial) {
        const int bits = trial % 2 ? 4 : 8;
        const int width = 1 + int(rng() % 300);
        const int height = 1 + int(rng() % 6);
        const int maxRun = 1 + int(rng() % 400);
        SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " x " + std::to_string(height) +
                     ", runs up to " + std::to_string(maxRun));
        DataPtr src(TDibImageData::CreateDIB(width, height, 1 << bits, bits, trial % 3 == 0));
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = src->Bits + std::size_t(y) * std::size_t(src->RowBytes());
            int x = 0;
            while (x < width) {
                const int len = 1 + int(rng() % unsigned(maxRun));
                const unsigned v = rng() % (1u << bits);
                for (int i = 0; i < len && x < width; ++i, ++x) {
                    if (bits == 8) row[x] = std::uint8_t(v);
                    else row[x >> 1] = std::uint8_t((x & 1) ? (row[x >> 1] & 0xF0) | v : (row[x >> 1] & 0x0F) | (v << 4));
                }
            }
        }
        DataPtr coded;
        try {
            coded.reset(bits == 8 ? Convert8BitRGBTo8BitRLE(*src) : Convert4BitRGBTo4BitRLE(*src));
        } catch (const EDibImageCompressionFailed&) {
            continue;  // short runs may not fit; that is a valid outcome
        }
        EXPECT_LE(coded->ImageSize, src->ImageSize);
        EXPECT_EQ(coded->UseFMO, src->UseFMO);
        DataPtr back(bits == 8 ? Convert8BitRLETo8BitRGB(*coded) : Convert4BitRLETo4BitRGB(*coded));
        ASSERT_EQ(back->ImageSize, src->ImageSize);
        EXPECT_EQ(0, std::memcmp(back->Bits, src->Bits, src->ImageSize));
        EXPECT_EQ(0, std::memcmp(back->ColorTable.data(), src->ColorTable.data(), 1024));
    }
}

}  // namespace
}  // namespace zelvo
