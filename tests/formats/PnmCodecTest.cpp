// Netpbm reading and writing: hand-made files with worked pixel values at
// every form and tuple type, the maxval scaling rule, round trips at every
// depth in binary and plain form, every prefix of small files, hostile
// headers, and pictures larger than the read and write blocks.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "PipeStream.h"
#include "TestSupport.h"
#include "formats/PnmCodec.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TDibImage Load(const Bytes& file) {
    TMemoryStream stream(file);
    return LoadPnmPicture(stream);
}

Bytes Save(const TDibImage& picture, TPnmForm form) {
    TMemoryStream stream;
    SavePnmPicture(picture, stream, form);
    return stream.Data();
}

// The colour of pixel (x, y) as red, green, blue, whatever the depth.
std::array<std::uint8_t, 3> Rgb(const TDibImage& image, int x, int y) {
    const TColor c = image.GetPixels(x, y);
    if (image.BitCount() == 24) return {GetRValue(c), GetGValue(c), GetBValue(c)};
    const TRGBQuad q = image.ColorTable()[c];
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

bool SameColours(const TDibImage& a, const TDibImage& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (Rgb(a, x, y) != Rgb(b, x, y)) return false;
    return true;
}

// A palette picture whose entries are the grey levels 0..255.
TDibImage GreyNoise(int width, int height, int bits, std::uint32_t seed) {
    TDibImage image = test::NoiseImagePalette(width, height, bits, 1 << bits, seed);
    std::vector<TRGBQuad> grey(std::size_t(1) << bits);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        const auto v = std::uint8_t(i * 255 / (grey.size() - 1));
        grey[i] = TRGBQuad{v, v, v, 0};
    }
    image.SetColorTable(grey);
    return image;
}

// The plain form (P1, P2 or P3, maxval 255) of a picture, written the way
// netpbm's tools write it: samples separated by blanks, a line per row.
Bytes PlainOf(const TDibImage& picture, int magic) {
    std::string out = "P" + std::to_string(magic) + "\n# plain\n" + std::to_string(picture.Width()) + " " +
                      std::to_string(picture.Height()) + "\n";
    if (magic != 1) out += "255\n";
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const auto c = Rgb(picture, x, y);
            if (magic == 1) out += c[0] ? "0" : "1";
            else if (magic == 2) out += std::to_string(c[0]) + " ";
            else out += std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "  ";
        }
        out += "\n";
    }
    return B(out);
}

// 32-bit floats, little- or big-endian, for PFM rasters.
Bytes Floats(std::initializer_list<float> values, bool littleEndian) {
    Bytes out;
    for (float value : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(bits >> (littleEndian ? 8 * i : 24 - 8 * i)));
    }
    return out;
}

TEST(PnmRead, WorkedPixelsOfEveryForm) {
    // 2 x 2 pictures: top row first in the file, ScanLine(0) is the top row.
    struct TCase {
        const char* Name;
        Bytes File;
        int BitCount;
        std::array<std::uint8_t, 3> TopLeft, TopRight, BottomLeft, BottomRight;
    };
    const TCase cases[] = {
        {"P6", Cat(B("P6\n2 2\n255\n"), {10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 0, 1}), 24,
         {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 1}},
        {"P3 with comments", B("P3 # size\n2 2 # next maxval\n255\n10 20 30 40 50 60\n70 80 90 255 0 1\n"), 24,
         {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 1}},
        {"P5", Cat(B("P5 2 2 255\n"), {0, 7, 200, 255}), 8, {0, 0, 0}, {7, 7, 7}, {200, 200, 200}, {255, 255, 255}},
        {"P2", B("P2\n2 2\n255\n0 7\n200 255\n"), 8, {0, 0, 0}, {7, 7, 7}, {200, 200, 200}, {255, 255, 255}},
        // PBM: 1 is black. Row bytes 0b01xxxxxx, 0b10xxxxxx (padding bits set).
        {"P4", Cat(B("P4\n2 2\n"), {0x7F, 0xBF}), 1, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}},
        {"P1 without blanks", B("P1\n2 2\n0110\n"), 1, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}},
        {"PAM RGB", Cat(B("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n"),
                        {10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 0, 1}),
         24, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 1}},
        // Alpha samples are dropped, colours kept unblended.
        {"PAM RGB_ALPHA", Cat(B("P7\n# comment line\nWIDTH 2\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"),
                              {10, 20, 30, 0, 40, 50, 60, 9, 70, 80, 90, 128, 255, 0, 1, 255}),
         24, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 1}},
        {"PAM GRAYSCALE_ALPHA", Cat(B("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n"),
                                    {0, 1, 7, 2, 200, 3, 255, 4}),
         8, {0, 0, 0}, {7, 7, 7}, {200, 200, 200}, {255, 255, 255}},
        // BLACKANDWHITE: 0 black, 1 white, a byte per sample.
        {"PAM BLACKANDWHITE", Cat(B("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n"),
                                  {1, 0, 0, 1}),
         1, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}},
        {"PAM BLACKANDWHITE_ALPHA",
         Cat(B("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 2\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE_ALPHA\nENDHDR\n"),
             {1, 0, 0, 1, 0, 1, 1, 1}),
         1, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}},
        // PFM: rows from the bottom up; linear samples clamped to 0..1 (NaN
        // as 0) and sRGB-encoded: 0.5 -> 187.5 -> 188, 0.2 -> 124, 0.9 ->
        // 243, the linear segment 0.0031308 -> 10 and 0.001 -> 3.
        {"PFM colour little-endian",
         Cat(B("PF\n2 2\n-1.0\n"), Floats({0.5f, 0.2f, 0, 1, 2, -1, 0.0031308f, 0.001f, NAN, 0.9f, 0, 1}, true)),
         24, {10, 3, 0}, {243, 0, 255}, {188, 124, 0}, {255, 255, 0}},
        {"PFM colour big-endian",
         Cat(B("PF 2 2 1\n"), Floats({0.5f, 0.2f, 0, 1, 2, -1, 0.0031308f, 0.001f, NAN, 0.9f, 0, 1}, false)),
         24, {10, 3, 0}, {243, 0, 255}, {188, 124, 0}, {255, 255, 0}},
        {"PFM grey", Cat(B("Pf\n2 2\n-1\n"), Floats({0.5776f, 1, 0, 0.2f}, true)), 8, {0, 0, 0}, {124, 124, 124},
         {200, 200, 200}, {255, 255, 255}},
        // No TUPLTYPE: DEPTH 3 is RGB.
        {"PAM by depth", Cat(B("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nENDHDR\n"),
                             {10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 0, 1}),
         24, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 1}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TDibImage picture = Load(c.File);
        ASSERT_EQ(picture.Width(), 2);
        ASSERT_EQ(picture.Height(), 2);
        EXPECT_EQ(picture.BitCount(), c.BitCount);
        EXPECT_EQ(picture.Header().biHeight, 2);  // bottom-up like every picture of the program
        EXPECT_EQ(Rgb(picture, 0, 0), c.TopLeft);
        EXPECT_EQ(Rgb(picture, 1, 0), c.TopRight);
        EXPECT_EQ(Rgb(picture, 0, 1), c.BottomLeft);
        EXPECT_EQ(Rgb(picture, 1, 1), c.BottomRight);
        if (c.BitCount == 1) {
            // Black is index 0, white index 1; the PBM padding bits are cleared.
            EXPECT_EQ(picture.ColorsUsed(), 2);
            EXPECT_EQ(picture.ScanLineRead(0)[0], 0x80);
        }
        if (c.BitCount == 8) {
            // The grey palette: the level is the index.
            EXPECT_EQ(picture.ColorsUsed(), 256);
            EXPECT_EQ(picture.GetPixels(0, 1), 200);
        }
    }
}

TEST(PnmRead, MaxvalScalesToTheNearestLevelHalvesUp) {
    // level = (v x 255 + maxval div 2) div maxval; samples above maxval are 255.
    struct TCase {
        unsigned MaxVal;
        std::vector<unsigned> Samples;
        std::vector<std::uint8_t> Levels;
    };
    const TCase cases[] = {
        // 65535: 128 x 255 + 32767 = 65407 < 65535 -> 0; 129 -> 65662 -> 1;
        // 32767 -> 8388352 / 65535 = 127.99 -> 127; 32768 -> 128.
        {65535, {0, 128, 129, 257, 32767, 32768, 65534, 65535}, {0, 0, 1, 1, 127, 128, 255, 255}},
        // 1000: 1 -> 755 -> 0; 2 -> 1010 -> 1; 500 -> 128000 -> 128;
        // 998 -> 254990 -> 254; 999 -> 255245 -> 255; 1001 is above maxval.
        {1000, {0, 1, 2, 500, 998, 999, 1000, 1001}, {0, 0, 1, 128, 254, 255, 255, 255}},
        // 2: 1 x 255 = 127.5 exactly, a half, rounded up.
        {2, {0, 1, 2, 3}, {0, 128, 255, 255}},
        // 15: 7 -> (1785 + 7) div 15 = 119; 8 -> (2040 + 7) div 15 = 136.
        {15, {0, 7, 8, 15}, {0, 119, 136, 255}},
        {255, {0, 1, 254, 255}, {0, 1, 254, 255}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.MaxVal);
        const std::string size = std::to_string(c.Samples.size()) + " 1 " + std::to_string(c.MaxVal) + "\n";
        Bytes binary = B("P5\n" + size);
        std::string plain = "P2\n" + size;
        for (unsigned v : c.Samples) {
            if (c.MaxVal > 255) binary.push_back(std::uint8_t(v >> 8));
            binary.push_back(std::uint8_t(v));
            plain += std::to_string(v) + "\n";
        }
        for (const Bytes& file : {binary, B(plain)}) {
            const TDibImage picture = Load(file);
            for (std::size_t i = 0; i < c.Samples.size(); ++i) {
                EXPECT_EQ(picture.ScanLineRead(0)[i], c.Levels[i]) << "sample " << c.Samples[i];
            }
        }
    }
    // 16-bit RGB samples, most significant byte first: 0x0101 = 257 -> 1.
    const TDibImage rgb = Load(Cat(B("P6 1 1 65535\n"), {0xFF, 0xFF, 0x01, 0x01, 0x80, 0x00}));
    EXPECT_EQ(Rgb(rgb, 0, 0), (std::array<std::uint8_t, 3>{255, 1, 128}));
}

TEST(PnmRoundTrip, EveryDepthThroughEveryForm) {
    struct TCase {
        const char* Name;
        TDibImage Picture;
        TPnmForm Form;
        const char* Magic;
        int BitCount;  // as read back
        bool SameIndices;  // pixels and palette identical, not only the colours
    };
    TDibImage whiteFirst = test::NoiseImagePalette(21, 5, 1, 2, 4);
    whiteFirst.SetColorTable(std::vector<TRGBQuad>{{255, 255, 255, 0}, {0, 0, 0, 0}});
    // A grey palette in another order than the ramp: mapped, not copied.
    TDibImage reversedGrey = GreyNoise(17, 6, 8, 10);
    std::vector<TRGBQuad> reversed(256);
    for (int i = 0; i < 256; ++i) {
        const auto v = std::uint8_t(255 - i);
        reversed[std::size_t(i)] = TRGBQuad{v, v, v, 0};
    }
    reversedGrey.SetColorTable(reversed);
    TDibImage blackFirst = whiteFirst;
    blackFirst.SetColorTable(std::vector<TRGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}});
    const TCase cases[] = {
        {"24-bit as P6", test::NoiseImage24(37, 11, 1), TPnmForm::Ppm, "P6", 24, true},
        {"24-bit as PAM", test::NoiseImage24(37, 11, 2), TPnmForm::PamRgb, "P7", 24, true},
        {"24-bit named .pgm", test::NoiseImage24(5, 3, 3), TPnmForm::Pgm, "P6", 24, true},
        {"24-bit named .pbm", test::NoiseImage24(5, 3, 3), TPnmForm::Pbm, "P6", 24, true},
        {"8-bit grey as P5", GreyNoise(33, 9, 8, 5), TPnmForm::Pgm, "P5", 8, true},
        {"8-bit reversed grey as P5", reversedGrey, TPnmForm::Pgm, "P5", 8, false},
        {"8-bit grey as PAM", GreyNoise(33, 9, 8, 5), TPnmForm::PamRgb, "P7", 24, false},
        {"8-bit colour as P6", test::NoiseImagePalette(19, 7, 8, 256, 6), TPnmForm::Pgm, "P6", 24, false},
        {"4-bit grey as P5", GreyNoise(19, 7, 4, 7), TPnmForm::Pbm, "P5", 8, false},
        {"4-bit colour as P6", test::NoiseImagePalette(19, 7, 4, 16, 8), TPnmForm::Ppm, "P6", 24, false},
        {"1-bit black first as P4", blackFirst, TPnmForm::Pbm, "P4", 1, true},
        {"1-bit white first as P4", whiteFirst, TPnmForm::Pbm, "P4", 1, false},
        {"1-bit as P5", blackFirst, TPnmForm::Pgm, "P5", 8, false},
        {"1-bit colour as P6", test::NoiseImagePalette(21, 5, 1, 2, 9), TPnmForm::Pbm, "P6", 24, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const Bytes file = Save(c.Picture, c.Form);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 2), c.Magic);
        const TDibImage back = Load(file);
        EXPECT_EQ(back.BitCount(), c.BitCount);
        EXPECT_TRUE(SameColours(back, c.Picture));
        if (c.SameIndices) {
            std::string why;
            EXPECT_TRUE(test::SamePixels(back, c.Picture, &why)) << why;
        }
    }
}

TEST(PnmRoundTrip, PlainFormsReadLikeTheBinaryOnes) {
    TDibImage blackWhite = test::NoiseImagePalette(13, 4, 1, 2, 11);
    blackWhite.SetColorTable(std::vector<TRGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}});
    const TDibImage grey = GreyNoise(13, 4, 8, 12);
    const TDibImage colour = test::NoiseImage24(13, 4, 13);
    using TCase = std::pair<const TDibImage*, int>;
    for (const auto& [picture, magic] : {TCase{&blackWhite, 1}, TCase{&grey, 2}, TCase{&colour, 3}}) {
        SCOPED_TRACE(magic);
        const TDibImage plain = Load(PlainOf(*picture, magic));
        std::string why;
        EXPECT_TRUE(test::SamePixels(plain, *picture, &why)) << why;
        const TDibImage binary = Load(Save(*picture, magic == 1 ? TPnmForm::Pbm : magic == 2 ? TPnmForm::Pgm
                                                                                             : TPnmForm::Ppm));
        EXPECT_TRUE(test::SamePixels(plain, binary, &why)) << why;
    }
}

TEST(PnmWrite, ExactBytes) {
    TDibImage rgb = test::NoiseImage24(2, 1, 9);
    rgb.SetPixels(0, 0, RGB(1, 2, 3));
    rgb.SetPixels(1, 0, RGB(250, 251, 252));
    EXPECT_EQ(Save(rgb, TPnmForm::Ppm), Cat(B("P6\n2 1\n255\n"), {1, 2, 3, 250, 251, 252}));
    EXPECT_EQ(Save(rgb, TPnmForm::PamRgb),
              Cat(B("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n"), {1, 2, 3, 250, 251, 252}));
    EXPECT_EQ(Save(rgb, TPnmForm::RawRgb), (Bytes{1, 2, 3, 250, 251, 252}));
    // 10 pixels, black first: white white black ... -> P4 bits 0 0 1 ...,
    // the 6 padding bits of the second byte cleared.
    TDibImage bw;
    bw.SetBitCount(1);
    bw.SetWidth(10);
    bw.SetHeight(1);
    bw.SetColorTable(std::vector<TRGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}});
    bw.ScanLine(0)[0] = 0xC0;
    bw.ScanLine(0)[1] = 0x7F;  // pixel 8 black, pixel 9 white, padding set
    EXPECT_EQ(Save(bw, TPnmForm::Pbm), Cat(B("P4\n10 1\n"), {0x3F, 0x80}));
}

TEST(PnmRead, EveryPrefixIsRefusedAsCutShort) {
    TDibImage blackWhite = test::NoiseImagePalette(11, 3, 1, 2, 21);
    blackWhite.SetColorTable(std::vector<TRGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}});
    const TDibImage grey = GreyNoise(3, 2, 8, 22);
    const TDibImage colour = test::NoiseImage24(3, 2, 23);
    const std::pair<const char*, Bytes> files[] = {
        {"P1", PlainOf(blackWhite, 1)},
        {"P2", PlainOf(grey, 2)},
        {"P3", PlainOf(colour, 3)},
        {"P4", Save(blackWhite, TPnmForm::Pbm)},
        {"P5", Save(grey, TPnmForm::Pgm)},
        {"P6", Save(colour, TPnmForm::Ppm)},
        {"P7", Save(colour, TPnmForm::PamRgb)},
        {"P5 16-bit", Cat(B("P5 2 1 65535\n"), {1, 2, 3, 4})},
    };
    for (const auto& [name, file] : files) {
        ASSERT_NO_THROW(Load(file)) << name;
        // A plain file is whole once its raster ends: after the last pixel
        // for P1 (a pixel is one character), after the blank that ends the
        // last sample for P2 and P3. Binary files end with their raster.
        std::size_t whole = file.size();
        if (name[1] <= '3') {
            while (whole > 0 && std::isspace(file[whole - 1])) --whole;
            if (name[1] != '1') ++whole;
        }
        for (std::size_t n = whole; n < file.size(); ++n) {
            EXPECT_NO_THROW(Load(Bytes(file.begin(), file.begin() + long(n)))) << name << " prefix " << n;
        }
        for (std::size_t n = 0; n < whole; ++n) {
            SCOPED_TRACE(std::string(name) + " prefix " + std::to_string(n));
            const Bytes prefix(file.begin(), file.begin() + long(n));
            // Through a stream of known size and through a pipe.
            for (int pipe = 0; pipe < 2; ++pipe) {
                try {
                    if (pipe) {
                        test::TPipeStream stream(prefix, 3);
                        LoadPnmPicture(stream);
                    } else {
                        Load(prefix);
                    }
                    ADD_FAILURE() << "no exception";
                } catch (const EReadError& e) {
                    EXPECT_STREQ(e.what(), "Stream read error");
                }
            }
        }
    }
}

TEST(PnmRead, HostileHeadersAreRefused) {
    const std::string kFile = "TDibImageData.LoadFromFile: File type is invalid";
    const std::string kSize = "TDibImageData.CreateDIB: Invalid Parameters";
    const std::string kCut = "Stream read error";
    const std::string pam = "P7\nWIDTH 1\nHEIGHT 1\n";
    struct TCase {
        const char* Name;
        std::string File;
        const std::type_info& Type;
        std::string Message;
    };
    const TCase cases[] = {
        {"unknown magic", "P8\n1 1\n255\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"not netpbm", "BM\n1 1\n255\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"no blank after magic", "P61 1 255\nxyz", typeid(EDibImageInvalidDIBFile), kFile},
        {"no blank before raster", "P6 1 1 255xyz", typeid(EDibImageInvalidDIBFile), kFile},
        {"letter in size", "P6 1x1 255\nxyz", typeid(EDibImageInvalidDIBFile), kFile},
        {"negative width", "P6 -1 1 255\nxyz", typeid(EDibImageInvalidDIBFile), kFile},
        {"maxval 0", "P5 1 1 0\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PFM scale 0", "PF 1 1 0\nxxxxxxxxxxxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PFM scale not a number", "Pf 1 1 -1x\nxxxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PFM raster short", "PF 2 1 -1\nxxxxxxxxxxxxxxxxxxxxxxx", typeid(EReadError), kCut},
        {"PFM above the pixel limit", "Pf 20000 20000 -1\nxxxx", typeid(EDibImageInvalidDIBPara), kSize},
        {"maxval 65536", "P5 1 1 65536\nxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"maxval overflowing", "P5 1 1 184467440737095516170\nxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"width 0", "P5 0 1 255\nx", typeid(EDibImageInvalidDIBPara), kSize},
        {"height 0", "P4 8 0\nx", typeid(EDibImageInvalidDIBPara), kSize},
        {"width overflowing", "P5 99999999999999999999999 1 255\nx", typeid(EDibImageInvalidDIBPara), kSize},
        {"width 2^32 + 1", "P5 4294967297 1 255\nx", typeid(EDibImageInvalidDIBPara), kSize},
        {"above the pixel limit", "P6 20000 20000 255\nxyz", typeid(EDibImageInvalidDIBPara), kSize},
        // At the limit (2^28 pixels) but the raster missing: refused before
        // 768 MB are allocated for it.
        {"at the limit, no raster", "P6 16384 16384 255\nxyz", typeid(EReadError), kCut},
        {"P1 digit 2", "P1 2 1\n02\n", typeid(EDibImageInvalidDIBFile), kFile},
        {"P2 letter", "P2 2 1 255\n7 x\n", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM unknown keyword", pam + "DEPTH 1\nMAXVAL 255\nCOLOUR 3\nENDHDR\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM without DEPTH", pam + "MAXVAL 255\nENDHDR\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM CMYK", pam + "DEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\nxxxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM RGB of depth 1", pam + "DEPTH 1\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM depth 5", pam + "DEPTH 5\nMAXVAL 255\nENDHDR\nxxxxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM BLACKANDWHITE maxval 255", pam + "DEPTH 1\nMAXVAL 255\nTUPLTYPE BLACKANDWHITE\nENDHDR\nx",
         typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM text after ENDHDR", pam + "DEPTH 1\nMAXVAL 255\nENDHDR x\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM text after a number", pam + "DEPTH 1 2\nMAXVAL 255\nENDHDR\nx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM maxval 70000", pam + "DEPTH 1\nMAXVAL 70000\nENDHDR\nxx", typeid(EDibImageInvalidDIBFile), kFile},
        {"PAM huge width", "P7\nWIDTH 99999999999\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\nx",
         typeid(EDibImageInvalidDIBPara), kSize},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            Load(B(c.File));
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(typeid(e), c.Type) << e.what() << " / " << e.Detail();
            EXPECT_EQ(e.what(), c.Message);
            EXPECT_FALSE(e.Detail().empty());
        }
    }
}

TEST(PnmRoundTrip, PicturesLargerThanABlockThroughFilesAndPipes) {
    // 1500 x 800 x 3 = 3.6 MB: several write blocks; read back from a file
    // and from a pipe delivering odd-sized pieces, so rows straddle reads.
    const TDibImage colour = test::NoiseImage24(1500, 800, 31);
    const auto dir = test::MakeTempDir("pnmlarge");
    const auto path = dir / "large.ppm";
    {
        TFileStream out(path, TFileStream::Mode::fmCreate);
        SavePnmPicture(colour, out, TPnmForm::Ppm);
    }
    std::string why;
    EXPECT_TRUE(test::SamePixels(LoadPnmPictureFile(path), colour, &why)) << why;
    test::TPipeStream pipe(ReadWholeFile(path), 65521);
    EXPECT_TRUE(test::SamePixels(LoadPnmPicture(pipe), colour, &why)) << why;
    // One row longer than a read block (16-bit RGBA, 90 000 pixels = 720 000
    // bytes, delivered 4 KB at a time).
    Bytes wide = B("P7\nWIDTH 90000\nHEIGHT 2\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n");
    for (int i = 0; i < 2 * 90000; ++i) {
        const auto v = std::uint8_t(i * 7);
        wide.insert(wide.end(), {v, 0, std::uint8_t(v + 1), 0, std::uint8_t(v + 2), 0, 0, 0});
    }
    test::TPipeStream widePipe(wide, 4096);
    const TDibImage read = LoadPnmPicture(widePipe);
    ASSERT_EQ(read.Width(), 90000);
    // Sample 0xVV00 -> (0xVV00 x 255 + 32767) div 65535: 0x0700 = 1792 -> 7.
    EXPECT_EQ(Rgb(read, 1, 0), (std::array<std::uint8_t, 3>{7, 8, 9}));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
