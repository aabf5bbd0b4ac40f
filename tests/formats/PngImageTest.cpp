// PNG reading and writing: hand-made files with worked pixel values, every
// chunk refusal, the safety limits, and round trips at every depth.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "formats/PngImage.h"
#include "image/ImageLimits.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}

// One chunk with its correct CRC.
Bytes Chunk(const char* type, const Bytes& data) {
    Bytes out;
    Put32(out, std::uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Put32(out, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
    return out;
}

Bytes Ihdr(std::uint32_t w, std::uint32_t h, int depth, int colorType, int interlace = 0, int compression = 0,
           int filter = 0) {
    Bytes d;
    Put32(d, w);
    Put32(d, h);
    d.push_back(std::uint8_t(depth));
    d.push_back(std::uint8_t(colorType));
    d.push_back(std::uint8_t(compression));
    d.push_back(std::uint8_t(filter));
    d.push_back(std::uint8_t(interlace));
    return Chunk("IHDR", d);
}

Bytes Deflated(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), uLong(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Signature followed by the chunks, then IEND.
Bytes File(std::initializer_list<Bytes> chunks) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    const Bytes iend = Chunk("IEND", {});
    out.insert(out.end(), iend.begin(), iend.end());
    return out;
}

TPngImage Decode(const Bytes& file) {
    TMemoryStream stream(file);
    return DecodePng(stream);
}

// The message of the EPngLoadError a file raises ("" when it loads).
std::string LoadMessage(const Bytes& file) {
    try {
        Decode(file);
    } catch (const EPngLoadError& e) {
        return e.what();
    }
    return "";
}

// The chunks of an encoded file, in order, with their data.
std::vector<std::pair<std::string, Bytes>> Chunks(const Bytes& file) {
    std::vector<std::pair<std::string, Bytes>> out;
    std::size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const std::uint32_t len = (std::uint32_t(file[pos]) << 24) | (file[pos + 1] << 16) | (file[pos + 2] << 8) |
                                  file[pos + 3];
        out.emplace_back(std::string(file.begin() + long(pos) + 4, file.begin() + long(pos) + 8),
                         Bytes(file.begin() + long(pos) + 8, file.begin() + long(pos + 8 + len)));
        pos += 12 + len;
    }
    return out;
}

Bytes Encode(const TDibContainer& image, bool interlaced = false) {
    TMemoryStream out;
    EncodePng(image, interlaced, out);
    return out.Data();
}

// --- worked pixel values -----------------------------------------------------

TEST(PngRead, FiltersUndoneByHand) {
    // Grey 8-bit, 3 x 3. Row 0 sub: 10, 10+5, 15+5. Row 1 up: 10+1, 15+2, 20+3.
    // Row 2 average, left + (left + up) / 2:
    //   x0: 4 + (0 + 11) / 2 = 4 + 5 = 9
    //   x1: 1 + (9 + 17) / 2 = 1 + 13 = 14
    //   x2: 2 + (14 + 23) / 2 = 2 + 18 = 20
    // Row 3 Paeth over row 2 (9, 14, 20):
    //   x0: a=0 b=9 c=0: p=9, pa=9 pb=0 pc=9 -> b=9;   3 + 9 = 12
    //   x1: a=12 b=14 c=9: p=17, pa=5 pb=3 pc=8 -> b=14; 1 + 14 = 15
    //   x2: a=15 b=20 c=14: p=21, pa=6 pb=1 pc=7 -> b=20; 255 + 20 = 19 (mod 256)
    const Bytes raw = {1, 10, 5, 5, 2, 1, 2, 3, 3, 4, 1, 2, 4, 3, 1, 255};
    const TPngImage png = Decode(File({Ihdr(3, 4, 8, 0), Chunk("IDAT", Deflated(raw))}));
    ASSERT_EQ(png.BitCount(), 8);
    const std::uint8_t expected[4][3] = {{10, 15, 20}, {11, 17, 23}, {9, 14, 20}, {12, 15, 19}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(png.ScanLine(y)[x], expected[y][x]) << x << "," << y;
    EXPECT_EQ(png.PaletteCount(), 256);
    EXPECT_EQ(png.Palette()[200], (TRGBQuad{200, 200, 200, 0}));
}

TEST(PngRead, PaethTiesPreferLeftThenUp) {
    // RGB 8-bit, 2 x 2, row 1 Paeth. At x1 the neighbours are a (left, row 1
    // x0), b (up, row 0 x1), c (upper-left, row 0 x0):
    //   red   a=7 b=4 c=5: pa=|b-c|=1 pb=|a-c|=2 pc=|a+b-2c|=1 -> tie a/c, left 7
    //   green a=6 b=3 c=5: pa=2 pb=1 pc=1 -> tie b/c, up 3
    //   blue  a=5 b=0 c=5: pa=5 pb=0 pc=5 -> up 0
    // Row 1 x0 has a = c = 0, so it predicts up (5, 5, 5); deltas (2, 1, 0).
    const Bytes raw = {0, 5, 5, 5, 4, 3, 0, 4, 2, 1, 0, 0, 0, 0};
    const TPngImage png = Decode(File({Ihdr(2, 2, 8, 2), Chunk("IDAT", Deflated(raw))}));
    ASSERT_EQ(png.BitCount(), 24);
    const std::uint8_t expected[6] = {5, 6, 7, 0, 3, 7};  // blue, green, red
    EXPECT_EQ(std::memcmp(png.ScanLine(1), expected, 6), 0);
}

TEST(PngRead, ContainerConversions) {
    {
        // Grey 2-bit 0,1,2,3,3: widened to nibbles, grey ramp of 4 entries.
        const Bytes raw = {0, 0x1B, 0xC0};
        const TPngImage png = Decode(File({Ihdr(5, 1, 2, 0), Chunk("IDAT", Deflated(raw))}));
        ASSERT_EQ(png.BitCount(), 4);
        EXPECT_EQ(png.ScanLine(0)[0], 0x01);
        EXPECT_EQ(png.ScanLine(0)[1], 0x23);
        EXPECT_EQ(png.ScanLine(0)[2], 0x30);  // the spare nibble stays 0
        ASSERT_EQ(png.PaletteCount(), 4);
        EXPECT_EQ(png.Palette()[1].rgbRed, 85);
        EXPECT_EQ(png.Palette()[2].rgbGreen, 170);
    }
    {
        // RGB 16-bit: high byte of each sample, stored blue, green, red.
        const Bytes raw = {0, 0x12, 0xFF, 0x34, 0x00, 0x56, 0x80};
        const TPngImage png = Decode(File({Ihdr(1, 1, 16, 2), Chunk("IDAT", Deflated(raw))}));
        ASSERT_EQ(png.BitCount(), 24);
        EXPECT_EQ(png.ScanLine(0)[0], 0x56);
        EXPECT_EQ(png.ScanLine(0)[1], 0x34);
        EXPECT_EQ(png.ScanLine(0)[2], 0x12);
    }
    {
        // Grey + alpha 16-bit: 32 bits, grey three times then alpha; the
        // picture gets the colours without the alpha.
        const Bytes raw = {0, 0x40, 0x01, 0x20, 0x02};
        const TPngImage png = Decode(File({Ihdr(1, 1, 16, 4), Chunk("IDAT", Deflated(raw))}));
        ASSERT_EQ(png.BitCount(), 32);
        EXPECT_TRUE(png.GetAlpha());
        EXPECT_EQ(std::memcmp(png.ScanLine(0), "\x40\x40\x40\x20", 4), 0);
        TDibImage picture;
        png.AssignTo(picture);
        ASSERT_EQ(picture.BitCount(), 24);
        EXPECT_EQ(picture.GetPixels(0, 0), RGB(0x40, 0x40, 0x40));
    }
    {
        // Grey 16-bit: 8 bits, high byte.
        const Bytes raw = {0, 0xAB, 0xCD};
        const TPngImage png = Decode(File({Ihdr(1, 1, 16, 0), Chunk("IDAT", Deflated(raw))}));
        ASSERT_EQ(png.BitCount(), 8);
        EXPECT_EQ(png.ScanLine(0)[0], 0xAB);
    }
}

TEST(PngRead, InterlacedPixelsLandInPlace) {
    // 1-bit grey 3 x 3, Adam7: pass 1 (0,0); pass 4 (2,0); pass 5 (0,2) (2,2);
    // pass 6 (1,0) (1,2); pass 7 row 1 (0..2,1). Every pixel set except (1,1).
    const Bytes raw = {0, 0x80, 0, 0x80, 0, 0xC0, 0, 0x80, 0, 0x80, 0, 0xA0};
    const TPngImage png = Decode(File({Ihdr(3, 3, 1, 0, 1), Chunk("IDAT", Deflated(raw))}));
    EXPECT_TRUE(png.Interlaced());
    EXPECT_EQ(png.ScanLine(0)[0], 0xE0);
    EXPECT_EQ(png.ScanLine(1)[0], 0xA0);
    EXPECT_EQ(png.ScanLine(2)[0], 0xE0);
}

TEST(PngRead, AttributesAndComment) {
    Bytes ztxt = Text("Author");
    ztxt.push_back(0);
    ztxt.push_back(0);
    const Bytes packed = Deflated(Text("Me"));
    ztxt.insert(ztxt.end(), packed.begin(), packed.end());
    Bytes text = Text("Title");
    text.push_back(0);
    const Bytes hello = Text("Hello");
    text.insert(text.end(), hello.begin(), hello.end());
    const TPngImage png = Decode(File({Ihdr(2, 1, 8, 2), Chunk("gAMA", {0, 0, 0xB1, 0x8F}),
                                       Chunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}),
                                       Chunk("oFFs", {0, 0, 0, 5, 0xFF, 0xFF, 0xFF, 0xFE, 0}),
                                       Chunk("bKGD", {0, 10, 0, 20, 0, 30}), Chunk("tRNS", {0, 1, 0, 2, 0, 3}),
                                       Chunk("tEXt", text), Chunk("IDAT", Deflated({0, 1, 2, 3, 4, 5, 6})),
                                       Chunk("zTXt", ztxt)}));
    EXPECT_EQ(png.GetGamma(), 45455u);
    EXPECT_EQ(png.GetPhysicalSize(), (TPhysicalSize{TPhysicalUnit::puMeter, 2835, 2835}));
    EXPECT_EQ(png.GetOffset(), (TPoint{5, -2}));
    EXPECT_EQ(png.GetBackgroundColor(), RGB(10, 20, 30));
    EXPECT_EQ(png.GetTransparentColor(), RGB(1, 2, 3));
    EXPECT_EQ(png.GetComment(), "$#Title\r\nHello$#Author\r\nMe");
    EXPECT_FALSE(png.GetAlpha());
}

TEST(PngRead, PaletteAlphaTableAndLowDepthGreyKey) {
    const TPngImage pal = Decode(File({Ihdr(1, 1, 8, 3), Chunk("PLTE", {1, 2, 3, 4, 5, 6}), Chunk("tRNS", {0x80}),
                                       Chunk("bKGD", {1}), Chunk("IDAT", Deflated({0, 1}))}));
    EXPECT_TRUE(pal.GetAlpha());
    EXPECT_EQ(pal.GetAlphaTable(), Bytes{0x80});
    EXPECT_EQ(pal.GetBackgroundColor(), RGB(4, 5, 6));
    EXPECT_EQ(pal.PaletteCount(), 2);
    // A 4-bit grey key of 3 names the colour that grey 3 is shown as (51).
    const TPngImage grey = Decode(File({Ihdr(1, 1, 4, 0), Chunk("tRNS", {0, 3}), Chunk("IDAT", Deflated({0, 0x30}))}));
    EXPECT_EQ(grey.GetTransparentColor(), RGB(51, 51, 51));
}

TEST(PngRead, SignatureMayFollowA256ByteBlockAndCrcsAreNotChecked) {
    Bytes file = File({Ihdr(1, 1, 8, 0), Chunk("IDAT", Deflated({0, 7}))});
    file[8 + 4 + 4 + 13] ^= 0xFF;  // IHDR's CRC
    Bytes prefixed(256, 'x');
    prefixed.insert(prefixed.end(), file.begin(), file.end());
    EXPECT_EQ(Decode(prefixed).ScanLine(0)[0], 7);
    Bytes wrongPrefix(255, 'x');
    wrongPrefix.insert(wrongPrefix.end(), file.begin(), file.end());
    EXPECT_EQ(LoadMessage(wrongPrefix), "PNG LoadStream: Not PNG Format");
    EXPECT_EQ(LoadMessage(Bytes{137, 80, 78}), "PNG LoadStream: Not PNG Format");
}

// --- refusals ------------------------------------------------------------------

TEST(PngRead, ChunkRefusals) {
    const Bytes idat = Chunk("IDAT", Deflated({0, 1}));
    const Bytes ihdr = Ihdr(1, 1, 8, 0);
    const Bytes plte = Chunk("PLTE", {1, 2, 3});
    Bytes longKey = Text(std::string(80, 'k'));
    longKey.push_back(0);
    Bytes ztxtMethod = Text("k");
    ztxtMethod.insert(ztxtMethod.end(), {0, 1, 0x78, 0x9c});
    Bytes ztxtJunk = Text("k");
    ztxtJunk.insert(ztxtJunk.end(), {0, 0, 1, 2, 3, 4});
    const Bytes big(771, 0);  // 257 entries
    struct Case {
        const char* name;
        Bytes file;
        const char* message;
    };
    const Case cases[] = {
        {"second IHDR", File({ihdr, ihdr, idat}), "PNG LoadStream: appear two IHDR"},
        {"colour type 5", File({Ihdr(1, 1, 8, 5), idat}), "PNG LoadStream: Error ColorType"},
        {"grey depth 3", File({Ihdr(1, 1, 3, 0), idat}), "PNG LoadStream: Error Bitdepth"},
        {"grey alpha depth 4", File({Ihdr(1, 1, 4, 4), idat}), "PNG LoadStream: not Use AlphaChannel"},
        {"RGB depth 4", File({Ihdr(1, 1, 4, 2), idat}), "PNG LoadStream: Error Bitdepth"},
        {"palette depth 16", File({Ihdr(1, 1, 16, 3), idat}), "PNG LoadStream: Error BitDepth"},
        {"compression 1", File({Ihdr(1, 1, 8, 0, 0, 1), idat}), "PNG LoadStream: not support Compression"},
        {"filter method 1", File({Ihdr(1, 1, 8, 0, 0, 0, 1), idat}), "PNG LoadStream: not supprt Filter"},
        {"interlace 2", File({Ihdr(1, 1, 8, 0, 2), idat}), "PNG LoadStream: not interlace type"},
        {"PLTE before IHDR", File({plte, ihdr, idat}), "PNG LoadStream: Error PLTE"},
        {"two PLTE", File({Ihdr(1, 1, 8, 3), plte, plte, idat}), "PNG LoadStream: Error PLTE"},
        {"PLTE of 7 bytes", File({Ihdr(1, 1, 8, 3), Chunk("PLTE", Bytes(7, 0)), idat}),
         "PNG LoadStream: palettesize error"},
        {"PLTE of 257", File({Ihdr(1, 1, 8, 3), Chunk("PLTE", big), idat}), "PNG LoadStream: palette length over"},
        {"palette without PLTE", File({Ihdr(1, 1, 8, 3), idat}), "PNG Loadstream: error palette length"},
        {"tRNS after IDAT", File({ihdr, idat, Chunk("tRNS", {0, 1})}), "PNG LoadStream: error tRNS"},
        {"grey tRNS of 3", File({ihdr, Chunk("tRNS", {0, 1, 2}), idat}), "PNG LoadStream: error TransColor"},
        {"tRNS beyond palette", File({Ihdr(1, 1, 8, 3), plte, Chunk("tRNS", {1, 2}), idat}),
         "PNG LoadStream: error TransColor"},
        {"bKGD index beyond", File({Ihdr(1, 1, 8, 3), plte, Chunk("bKGD", {1}), idat}),
         "PNG LoadStream: error BGColor"},
        {"two bKGD", File({ihdr, Chunk("bKGD", {0, 1}), Chunk("bKGD", {0, 1}), idat}), "PNG LoadStream: error bKGD"},
        {"gAMA of 3", File({ihdr, Chunk("gAMA", {0, 0, 1}), idat}), "PNG LoadStream: error gAMA"},
        {"pHYs after IDAT", File({ihdr, idat, Chunk("pHYs", Bytes(9, 0))}), "PNG LoadStream: error pHYs"},
        {"oFFs of 8", File({ihdr, Chunk("oFFs", Bytes(8, 0)), idat}), "PNG LoadStream: error oFFs"},
        {"tEXt without NUL", File({ihdr, Chunk("tEXt", Text("abc")), idat}), "PNG LoadStream: error tEXt"},
        {"tEXt key of 80", File({ihdr, Chunk("tEXt", longKey), idat}), "PNG LoadStream: error textkey"},
        {"zTXt method 1", File({ihdr, Chunk("zTXt", ztxtMethod), idat}), "PNG LoadStream: not support Compression"},
        {"zTXt junk", File({ihdr, Chunk("zTXt", ztxtJunk), idat}), "PNG LoadStream: error zEXt"},
        {"filter type 5", File({ihdr, Chunk("IDAT", Deflated({5, 1}))}), "PNG LoadStream: not support Filter"},
        {"corrupt zlib", File({ihdr, Chunk("IDAT", {0x78, 0x9c, 0xFF, 0xFF, 0xFF})}), "PNG LoadStream: zlib error"},
        {"zlib ends early", File({Ihdr(1, 2, 8, 0), idat}), "PNG LoadStream: zlib error"},
        {"IEND with data", [&] {
             Bytes f = File({ihdr, idat});
             const Bytes bad = Chunk("IEND", {1});
             f.resize(f.size() - 12);
             f.insert(f.end(), bad.begin(), bad.end());
             return f;
         }(),
         "PNG LoadStream: error IEND size"},
        {"no IDAT", File({ihdr}), "not next IDAT Chunk"},
        {"second IDAT after tEXt", File({ihdr, idat, Chunk("tEXt", Text(std::string("a\0b", 3))), idat}),
         "PNG LoadStream: appear two IDAT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadMessage(c.file), c.message);
    }
}

TEST(PngRead, ImageDataSplitAcrossIdatChunks) {
    // The zlib stream cut into 1-byte IDATs reads; a tEXt in between is
    // "not next IDAT Chunk".
    const Bytes z = Deflated({0, 1, 2, 3, 0, 4, 5, 6});
    Bytes split = {137, 80, 78, 71, 13, 10, 26, 10};
    const Bytes ihdr = Ihdr(3, 2, 8, 0);
    split.insert(split.end(), ihdr.begin(), ihdr.end());
    Bytes interrupted = split;
    for (std::size_t i = 0; i < z.size(); ++i) {
        const Bytes c = Chunk("IDAT", {z[i]});
        split.insert(split.end(), c.begin(), c.end());
        interrupted.insert(interrupted.end(), c.begin(), c.end());
        if (i == 3) {
            const Bytes t = Chunk("tEXt", Text(std::string("a\0b", 3)));
            interrupted.insert(interrupted.end(), t.begin(), t.end());
        }
    }
    const Bytes iend = Chunk("IEND", {});
    split.insert(split.end(), iend.begin(), iend.end());
    interrupted.insert(interrupted.end(), iend.begin(), iend.end());
    const TPngImage png = Decode(split);
    EXPECT_EQ(png.ScanLine(1)[2], 6);
    EXPECT_EQ(LoadMessage(interrupted), "not next IDAT Chunk");
}

TEST(PngSafety, OversizedClaimsAreRefusedBeforeAllocation) {
    // Above the pixel limit: refused at IHDR.
    try {
        Decode(File({Ihdr(65536, 65536, 8, 0), Chunk("IDAT", Deflated({0}))}));
        ADD_FAILURE() << "loaded";
    } catch (const EDibImageInvalidDIBPara& e) {
        EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
    }
    // Within the limit (1 GiB of RGBA) but a tiny file cannot inflate to it.
    EXPECT_EQ(LoadMessage(File({Ihdr(16384, 16384, 8, 6), Chunk("IDAT", Deflated({0, 0, 0, 0, 0}))})),
              "PNG LoadStream: zlib error");
    // A chunk claiming more bytes than the file has.
    Bytes file = File({Ihdr(1, 1, 8, 0), Chunk("IDAT", Deflated({0, 1}))});
    file[33 + 0] = 0x7F;  // IDAT length high byte
    TMemoryStream stream(file);
    EXPECT_THROW(DecodePng(stream), EReadError);
}

// A compressed text that inflates beyond the comment limit is left out
// after inflating no more than the limit; the picture and the other texts
// load.
TEST(PngSafety, CompressedTextBombIsLeftOut) {
    Bytes ztxt = Text("k");
    ztxt.push_back(0);
    ztxt.push_back(0);
    const Bytes packed = Deflated(Bytes(kMaxPngCommentBytes + 1, 'a'));
    ASSERT_LT(packed.size(), 20000u);
    ztxt.insert(ztxt.end(), packed.begin(), packed.end());
    const Bytes file = File({Ihdr(1, 1, 8, 0), Chunk("zTXt", ztxt), Chunk("tEXt", Text(std::string("Title\0kept", 10))),
                             Chunk("IDAT", Deflated({0, 1}))});
    EXPECT_EQ(LoadMessage(file), "");
    const TPngImage png = Decode(file);
    EXPECT_EQ(png.GetComment(), "$#Title\r\nkept");
    EXPECT_EQ(png.Width(), 1);
}

TEST(PngSafety, EveryTruncationIsRefused) {
    TPngImage source;
    source.Assign(test::NoiseImage24(9, 5, 3));
    source.SetComment("$#k\r\ntext");
    const Bytes file = Encode(source, true);
    // Everything up to IEND's CRC is needed.
    for (std::size_t n = 0; n + 4 < file.size(); ++n) {
        SCOPED_TRACE(n);
        TMemoryStream stream(Bytes(file.begin(), file.begin() + long(n)));
        EXPECT_THROW(DecodePng(stream), Exception);
    }
}

// --- writing --------------------------------------------------------------------

TEST(PngWrite, TransparentColourChunks) {
    {
        // 24 bits: tRNS of red, green, blue as 16-bit values.
        TMemoryStream out;
        SavePngPicture(test::NoiseImage24(4, 4, 1), out, true, RGB(0x11, 0x22, 0x33), false);
        bool found = false;
        for (auto& [type, data] : Chunks(out.Data())) {
            if (type != "tRNS") continue;
            found = true;
            EXPECT_EQ(data, (Bytes{0, 0x11, 0, 0x22, 0, 0x33}));
        }
        EXPECT_TRUE(found);
        out.SetPosition(0);
        EXPECT_EQ(DecodePng(out).GetTransparentColor(), RGB(0x11, 0x22, 0x33));
    }
    {
        // 8 bits: 255 before the nearest entry, 0 at it. Entries 1 and 3
        // are both 2 away from (10, 10, 10); the lower index wins.
        TDibImage picture = test::NoiseImagePalette(4, 4, 8, 5, 2);
        const TRGBQuad table[5] = {{200, 200, 200, 0}, {12, 10, 10, 0}, {0, 0, 0, 0}, {10, 10, 8, 0}, {9, 9, 9, 0}};
        picture.SetColorTable(table);
        TMemoryStream out;
        SavePngPicture(picture, out, true, RGB(10, 10, 10), false);
        for (auto& [type, data] : Chunks(out.Data()))
            if (type == "tRNS") {
                EXPECT_EQ(data, (Bytes{255, 0}));
            }
        TMemoryStream exact;
        SavePngPicture(picture, exact, true, RGB(9, 9, 9), false);
        for (auto& [type, data] : Chunks(exact.Data()))
            if (type == "tRNS") {
                EXPECT_EQ(data, (Bytes{255, 255, 255, 255, 0}));
            }
    }
}

TEST(PngWrite, ChunkOrderAndAttributes) {
    TPngImage png;
    png.Assign(test::NoiseImagePalette(3, 2, 4, 16, 4));
    png.SetComment("$#Title\r\nA$#Author\r\nB");
    png.SetGamma(45455);
    png.SetBackgroundColor(RGB(255, 255, 255));
    png.SetPhysicalSize({TPhysicalUnit::puInch, 72, 96});
    const Bytes file = Encode(png);
    std::string order;
    for (auto& [type, data] : Chunks(file)) order += type + " ";
    EXPECT_EQ(order, "IHDR tEXt tEXt gAMA PLTE bKGD pHYs IDAT IEND ");
    const TPngImage back = Decode(file);
    EXPECT_EQ(back.GetComment(), "$#Title\r\nA$#Author\r\nB");
    EXPECT_EQ(back.GetGamma(), 45455u);
    // 72 and 96 per inch: x 10000 / 254 rounded = 2835 and 3780 per metre.
    EXPECT_EQ(back.GetPhysicalSize(), (TPhysicalSize{TPhysicalUnit::puMeter, 2835, 3780}));
    // A plain comment goes under the keyword "Comment".
    png.SetComment("hello");
    EXPECT_EQ(Decode(Encode(png)).GetComment(), "$#Comment\r\nhello");
}

TEST(PngWrite, AdaptiveFilterPicksCheapestLowestOnTies) {
    // 8-bit, 8 x 2, every index 7. Row 0: none costs 56, sub 7, up 56,
    // average 7 + 7 x 4 = 35, Paeth 7 (same as sub): sub wins the tie.
    // Row 1 equals row 0: up costs 0.
    TDibImage picture = test::NoiseImagePalette(8, 2, 8, 8, 5);
    for (int y = 0; y < 2; ++y) std::memset(picture.ScanLine(y), 7, 8);
    TMemoryStream out;
    SavePngPicture(picture, out, false, 0, false);
    Bytes z;
    for (auto& [type, data] : Chunks(out.Data()))
        if (type == "IDAT") z.insert(z.end(), data.begin(), data.end());
    Bytes raw(18);
    uLongf size = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &size, z.data(), uLong(z.size())), Z_OK);
    EXPECT_EQ(raw[0], 1);
    EXPECT_EQ(raw[9], 2);
}

// Rows are filtered in bands on the pool: the file is the same bytes on
// every thread count, interlaced or not, and reads back pixel for pixel.
TEST(PngWrite, SameBytesOnEveryThreadCount) {
    struct TCase {
        const char* Name;
        TDibImage Picture;
    };
    const TCase cases[] = {{"24-bit", test::NoiseImage24(301, 157, 21)},
                           {"8-bit", test::NoiseImagePalette(97, 203, 8, 60, 22)},
                           {"1-bit", test::NoiseImagePalette(45, 130, 1, 2, 23)}};
    for (const TCase& c : cases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (interlaced ? " interlaced" : ""));
            std::vector<Bytes> files;
            for (int threads : {1, 2, 3, 7}) {
                SetWorkerThreads(threads);
                TMemoryStream out;
                SavePngPicture(c.Picture, out, false, 0, interlaced);
                files.push_back(out.Data());
            }
            SetWorkerThreads(0);
            for (std::size_t i = 1; i < files.size(); ++i) EXPECT_EQ(files[i], files[0]) << "file " << i;
            TMemoryStream in(files[0]);
            TDibImage back;
            LoadPngPicture(in, back);
            std::string why;
            EXPECT_TRUE(test::SamePixels(c.Picture, back, &why)) << why;
        }
    }
}

TEST(PngWrite, EmptyContainerIsNotAnImage) {
    TPngImage png;
    TMemoryStream out;
    try {
        png.SaveToStream(out);
        ADD_FAILURE();
    } catch (const EDibContainerError& e) {
        EXPECT_STREQ(e.what(), "TPngImage.SaveToStream: not Image");
    }
    TDibImage picture;
    EXPECT_THROW(png.AssignTo(picture), EDibContainerError);
    EXPECT_THROW(png.GetTransparentColor(), EDibContainerError);
}

// --- round trips -----------------------------------------------------------------

struct RoundTrip {
    int bitCount;
    int colors;
    int width;
    int height;
};

class PngRoundTrip : public ::testing::TestWithParam<std::tuple<RoundTrip, bool>> {};

TEST_P(PngRoundTrip, BitForBit) {
    const auto [c, interlaced] = GetParam();
    const TDibImage source = c.bitCount == 24 ? test::NoiseImage24(c.width, c.height, 11)
                                              : test::NoiseImagePalette(c.width, c.height, c.bitCount, c.colors, 12);
    TMemoryStream out;
    SavePngPicture(source, out, false, 0, interlaced);
    out.SetPosition(0);
    TDibImage back;
    EXPECT_EQ(LoadPngPicture(out, back), interlaced);
    std::string why;
    EXPECT_TRUE(test::SamePixels(source, back, &why)) << why;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, PngRoundTrip,
                         ::testing::Combine(::testing::Values(RoundTrip{1, 2, 1, 1}, RoundTrip{1, 2, 37, 11},
                                                              RoundTrip{4, 16, 9, 9}, RoundTrip{4, 5, 35, 4},
                                                              RoundTrip{8, 256, 17, 13}, RoundTrip{8, 40, 2, 31},
                                                              RoundTrip{24, 0, 1, 1}, RoundTrip{24, 0, 33, 19}),
                                            ::testing::Bool()));

TEST(PngRoundTrip, RunLengthAndAlphaPictures) {
    // Run-length pictures are written expanded.
    TDibImage rle = test::NoiseImagePalette(21, 6, 8, 4, 7);
    for (int y = 0; y < 6; ++y) std::memset(rle.ScanLine(y), y % 4, 21);  // runs compress
    TDibImage plain = rle;
    rle.SetPixelFormat(dibPf8BitRLE);
    TMemoryStream out;
    SavePngPicture(rle, out, false, 0, false);
    out.SetPosition(0);
    TDibImage back;
    LoadPngPicture(out, back);
    EXPECT_TRUE(test::SamePixels(plain, back));
    // 32 bits with alpha keep every byte through a file, interlaced or not.
    TPngImage rgba;
    rgba.NewImage(7, 5, 32, 0);
    for (int y = 0; y < 5; ++y)
        for (int i = 0; i < 28; ++i) rgba.ScanLine(y)[i] = std::uint8_t(y * 31 + i * 7);
    rgba.SetAlpha(true);
    for (bool interlaced : {false, true}) {
        const TPngImage again = Decode(Encode(rgba, interlaced));
        ASSERT_EQ(again.BitCount(), 32);
        for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(again.ScanLine(y), rgba.ScanLine(y), 28), 0);
    }
}

}  // namespace
}  // namespace zelvo
