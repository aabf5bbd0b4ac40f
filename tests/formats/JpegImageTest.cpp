// TJPEGImage against the library's own command-line tools: every corpus file
// decodes to the pixels djpeg gives at the same settings, and our encoder
// writes the bytes cjpeg writes for the same pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "TestSupport.h"
#include "formats/JpegImage.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct Pnm {
    int width = 0, height = 0, channels = 0;
    std::vector<std::uint8_t> samples;  // rows top-down
};

// Binary PGM/PPM with maxval 255, as djpeg writes them.
bool ReadPnm(const fs::path& path, Pnm& pnm) {
    const auto bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return false;
    pnm.channels = bytes[1] == '5' ? 1 : 3;
    std::size_t pos = 2;
    int fields[3] = {};
    for (int& field : fields) {
        while (pos < bytes.size() && std::isspace(bytes[pos])) ++pos;
        while (pos < bytes.size() && std::isdigit(bytes[pos])) field = field * 10 + (bytes[pos++] - '0');
    }
    ++pos;  // the single white-space byte after maxval
    pnm.width = fields[0];
    pnm.height = fields[1];
    const std::size_t size = std::size_t(pnm.width) * std::size_t(pnm.height) * std::size_t(pnm.channels);
    if (fields[2] != 255 || bytes.size() < pos + size) return false;
    pnm.samples.assign(bytes.begin() + std::ptrdiff_t(pos), bytes.begin() + std::ptrdiff_t(pos + size));
    return true;
}

// RGB samples of a picture, rows top-down, palette pictures expanded.
std::vector<std::uint8_t> RgbOf(const TDibImage& picture) {
    std::vector<std::uint8_t> rgb;
    const TRGBQuad* table = picture.ColorTable();
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLineRead(y);
        for (int x = 0; x < picture.Width(); ++x) {
            if (picture.BitCount() == 24) {
                rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
            } else {
                const TRGBQuad& q = table[row[x]];
                rgb.insert(rgb.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
            }
        }
    }
    return rgb;
}

std::string JpegError(int code) { return "JPEG エラー #" + std::to_string(code); }

std::vector<fs::path> CorpusJpegs() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(test::CorpusDir() / "jpeg")) {
        // Each source folder holds a README.md with its origin and licence.
        if (entry.is_regular_file() && entry.path().extension() != ".md") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// ---------------------------------------------------------------------------
// Decoding: the corpus against djpeg

struct DecodeSetting {
    const char* name;
    const char* djpegArgs;       // for colour output
    const char* djpegGreyArgs;   // for grey output (never quantised)
    void (*apply)(TJPEGImage&);
};

const DecodeSetting kSettings[] = {
    {"Defaults", "", "", [](TJPEGImage&) {}},
    {"BestSpeed", "-dct fast", "-dct fast", [](TJPEGImage& j) { j.SetPerformance(TJPEGPerformance::jpBestSpeed); }},
    {"EightBit", "-colors 236", "", [](TJPEGImage& j) { j.SetPixelFormat(TJPEGPixelFormat::jf8Bit); }},
    {"EightBitSpeed", "-colors 236 -dct fast -onepass -dither ordered", "-dct fast",
     [](TJPEGImage& j) {
         j.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
         j.SetPerformance(TJPEGPerformance::jpBestSpeed);
     }},
    {"Grayscale", "-grayscale", "-grayscale", [](TJPEGImage& j) { j.SetGrayscale(true); }},
    {"Half", "-scale 1/2", "-scale 1/2", [](TJPEGImage& j) { j.SetScale(TJPEGScale::jsHalf); }},
    {"Eighth", "-scale 1/8", "-scale 1/8", [](TJPEGImage& j) { j.SetScale(TJPEGScale::jsEighth); }},
    // Block smoothing only changes passes over incomplete progressive data,
    // so a complete file decodes as with smoothing on. (djpeg's -nosmooth is
    // about upsampling, not this.)
    {"NoSmoothing", "", "", [](TJPEGImage& j) { j.SetSmoothing(false); }},
    // One pass per scan, then a final pass with the accurate choices: the
    // final pixels are those of a plain decode.
    {"ProgressiveDisplay", "", "", [](TJPEGImage& j) { j.SetProgressiveDisplay(true); }},
};

class JpegCorpusDecode : public ::testing::TestWithParam<DecodeSetting> {};

// Deliberate differences from djpeg, by file:
// - truncated_jpeg.jpg: djpeg pads the missing data with grey and warns
//   "Premature end of JPEG file"; we refuse a file whose data ends before
//   the image does (JERR_INPUT_EOF).
// - testorig12.jpg, monkey12.jpg: 12-bit samples; djpeg of this build
//   refuses them as we do (JERR_BAD_PRECISION).
// - pil_sample_cmyk.jpg at 8 bits: djpeg quantises the four inks and cannot
//   write them as PPM; not compared. Grey output at 8 bits is not quantised
//   (its 256 levels are the palette), so it is compared with plain djpeg.
TEST_P(JpegCorpusDecode, SamePixelsAsDjpeg) {
    ASSERT_TRUE(HaveTool("djpeg")) << "djpeg (libjpeg-turbo-progs, tools/setup-deps.sh) is not installed";
    const DecodeSetting& setting = GetParam();
    const fs::path temp = test::MakeTempDir("jpeg-djpeg");
    int compared = 0;
    for (const fs::path& file : CorpusJpegs()) {
        SCOPED_TRACE(file.string());
        const std::string name = file.filename().string();
        TJPEGImage jpeg;
        try {
            jpeg.LoadFromFile(file);
        } catch (const EJPEG& e) {
            // Only files djpeg refuses as well (12-bit samples).
            const std::string command = "djpeg -outfile /dev/null '" + file.string() + "' 2>/dev/null";
            EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1) << e.what() << " " << e.Detail();
            EXPECT_STREQ(e.what(), JpegError(JERR_BAD_PRECISION).c_str());
            continue;
        }
        setting.apply(jpeg);
        const bool greyOut = jpeg.GrayscaleFile() || jpeg.Options().Grayscale;
        const bool quantized = !greyOut && jpeg.Options().PixelFormat == TJPEGPixelFormat::jf8Bit;
        if (quantized && name == "pil_sample_cmyk.jpg") continue;

        if (name == "truncated_jpeg.jpg") {
            try {
                jpeg.Decode();
                ADD_FAILURE() << "a truncated file was decoded";
            } catch (const EJPEG& e) {
                EXPECT_STREQ(e.what(), JpegError(JERR_INPUT_EOF).c_str());
            }
            continue;
        }

        const fs::path out = temp / "out.pnm";
        fs::remove(out);
        const std::string command = std::string("djpeg ") + (greyOut ? setting.djpegGreyArgs : setting.djpegArgs) +
                                    " -outfile '" + out.string() + "' '" + file.string() + "' 2>/dev/null";
        const int status = std::system(command.c_str());
        Pnm expected;
        const bool djpegRead = WEXITSTATUS(status) != 1 && ReadPnm(out, expected);
        if (!djpegRead) {
            EXPECT_THROW(jpeg.Decode(), EJPEG) << "djpeg refuses this file";
            continue;
        }
        const TDibImage* picture = nullptr;
        ASSERT_NO_THROW(picture = jpeg.Bitmap());
        ASSERT_NE(picture, nullptr);
        ASSERT_EQ(picture->Width(), expected.width);
        ASSERT_EQ(picture->Height(), expected.height);
        if (greyOut) {
            // 8 bits over the identity grey palette: the index is the grey.
            ASSERT_EQ(picture->BitCount(), 8);
            ASSERT_EQ(picture->ColorsUsed(), 256);
            for (int i = 0; i < 256; ++i) {
                const auto v = std::uint8_t(i);
                ASSERT_EQ(picture->ColorTable()[i], (TRGBQuad{v, v, v, 0})) << "entry " << i;
            }
            ASSERT_EQ(expected.channels, 1);
            std::vector<std::uint8_t> indices;
            for (int y = 0; y < picture->Height(); ++y) {
                const std::uint8_t* row = picture->ScanLineRead(y);
                indices.insert(indices.end(), row, row + picture->Width());
            }
            EXPECT_TRUE(indices == expected.samples);
        } else {
            ASSERT_EQ(expected.channels, 3);
            EXPECT_EQ(picture->BitCount(), quantized ? 8 : 24);
            if (quantized) {
                EXPECT_LE(picture->ColorsUsed(), 236);
            }
            EXPECT_TRUE(RgbOf(*picture) == expected.samples);
        }
        ++compared;
    }
    EXPECT_GE(compared, 28);
    fs::remove_all(temp);
}

INSTANTIATE_TEST_SUITE_P(Settings, JpegCorpusDecode, ::testing::ValuesIn(kSettings),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(JpegLoad, ProgressiveFilesReportAndSaveAgainProgressive) {
    const fs::path dir = test::CorpusDir() / "jpeg";
    const struct {
        const char* file;
        bool progressive;
    } cases[] = {{"libjpeg-turbo/testimgp.jpg", true}, {"image-rs/3.jpg", true}, {"image-rs/cat.jpg", true},
                 {"image-rs/test.jpg", true},         {"libjpeg-turbo/testorig.jpg", false},
                 {"libjpeg-turbo/testimgari.jpg", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TJpegLoadInfo info;
        const TDibImage picture = LoadJpegPicture(dir / c.file, TJPEGPerformance::jpBestQuality, &info);
        EXPECT_EQ(info.Progressive, c.progressive);

        TMemoryStream saved;
        SaveJpegPicture(picture, saved, 90, info.Progressive);
        saved.SetPosition(0);
        TJpegLoadInfo again;
        const TDibImage reread = LoadJpegPicture(saved, TJPEGPerformance::jpBestQuality, &again);
        EXPECT_EQ(again.Progressive, c.progressive);
        EXPECT_EQ(reread.Width(), picture.Width());

        // An object that was only loaded writes the file's bytes unchanged.
        TJPEGImage jpeg;
        jpeg.LoadFromFile(dir / c.file);
        EXPECT_EQ(jpeg.ProgressiveEncoding(), c.progressive);
        TMemoryStream copy;
        jpeg.SaveToStream(copy);
        EXPECT_TRUE(copy.Data() == ReadBytes(dir / c.file));
    }
}

// ---------------------------------------------------------------------------
// Encoding

// A picture with smooth areas and edges: a gradient with a few hard bars.
TDibImage TestPicture(int width, int height, bool topDown = false) {
    TDibImage picture;
    picture.SetBitCount(24);
    picture.SetWidth(width);
    picture.SetHeight(topDown ? -height : height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool bar = (x / 16) % 4 == 0;
            row[3 * x + 0] = std::uint8_t(bar ? 30 : x * 255 / width);    // blue
            row[3 * x + 1] = std::uint8_t(y * 255 / height);              // green
            row[3 * x + 2] = std::uint8_t(bar ? 220 : (x + y) * 127 / (width + height) + 64);  // red
        }
    }
    return picture;
}

void WritePpm(const fs::path& path, const TDibImage& picture) {
    const auto rgb = RgbOf(picture);
    std::string header = "P6\n" + std::to_string(picture.Width()) + " " + std::to_string(picture.Height()) + "\n255\n";
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), rgb.begin(), rgb.end());
    WriteBytes(path, bytes);
}

TEST(JpegSave, SameBytesAsCjpeg) {
    ASSERT_TRUE(HaveTool("cjpeg")) << "cjpeg (libjpeg-turbo-progs, tools/setup-deps.sh) is not installed";
    const fs::path temp = test::MakeTempDir("jpeg-cjpeg");
    const TDibImage picture = TestPicture(101, 67);
    WritePpm(temp / "in.ppm", picture);
    const struct {
        int quality;
        bool progressive;
        bool grayscale;
        const char* args;
    } cases[] = {{90, false, false, "-quality 90"},
                 {80, true, false, "-quality 80 -progressive"},
                 {1, false, false, "-quality 1 -baseline"},
                 {100, false, false, "-quality 100"},
                 {75, false, true, "-quality 75 -grayscale"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string command = std::string("cjpeg ") + c.args + " -outfile '" + (temp / "ref.jpg").string() +
                                    "' '" + (temp / "in.ppm").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        TJPEGImage jpeg;
        jpeg.Assign(picture);
        jpeg.SetCompressionQuality(c.quality);
        jpeg.SetProgressiveEncoding(c.progressive);
        jpeg.SetGrayscale(c.grayscale);
        TMemoryStream ours;
        jpeg.SaveToStream(ours);
        EXPECT_TRUE(ours.Data() == ReadBytes(temp / "ref.jpg"));
        EXPECT_EQ(jpeg.GrayscaleFile(), c.grayscale);
    }
    fs::remove_all(temp);
}

TEST(JpegSave, NoiseOfManyOutputBuffersSameBytesAsCjpeg) {
    // Noise at quality 100 compresses to several times the encoder's output
    // buffer, and more than the room reserved for it (one byte a pixel): the
    // bytes are appended across every refill and a growing vector.
    ASSERT_TRUE(HaveTool("cjpeg")) << "cjpeg (libjpeg-turbo-progs, tools/setup-deps.sh) is not installed";
    const fs::path temp = test::MakeTempDir("jpeg-cjpeg-noise");
    const TDibImage picture = test::NoiseImage24(333, 211, 5u);
    WritePpm(temp / "in.ppm", picture);
    const std::string command =
        "cjpeg -quality 100 -outfile '" + (temp / "ref.jpg").string() + "' '" + (temp / "in.ppm").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::uint8_t> reference = ReadBytes(temp / "ref.jpg");
    EXPECT_GT(reference.size(), std::size_t(333 * 211));
    TMemoryStream ours;
    SaveJpegPicture(picture, ours, 100, false);
    EXPECT_TRUE(ours.Data() == reference);
    fs::remove_all(temp);
}

TEST(JpegSave, EveryDepthAndRowOrderEncodesTheSameColours) {
    // A palette picture is written as its colours, and row order does not
    // matter: each must give the bytes of the same 24-bit picture, upright.
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const TDibImage palette = test::NoiseImagePalette(37, 21, bits, 1 << bits, 7u + unsigned(bits));
        TDibImage colour(palette);
        colour.SetPixelFormat(dibPf24Bit);
        TMemoryStream a, b;
        SaveJpegPicture(palette, a, 90, false);
        SaveJpegPicture(colour, b, 90, false);
        EXPECT_TRUE(a.Data() == b.Data());
    }
    const TDibImage bottomUp = TestPicture(40, 30, false);
    const TDibImage topDown = TestPicture(40, 30, true);
    TMemoryStream a, b;
    SaveJpegPicture(bottomUp, a, 90, false);
    SaveJpegPicture(topDown, b, 90, true);
    a.SetPosition(0);
    b.SetPosition(0);
    const TDibImage fromBottomUp = LoadJpegPicture(a, TJPEGPerformance::jpBestQuality);
    const TDibImage fromTopDown = LoadJpegPicture(b, TJPEGPerformance::jpBestQuality);
    // Row 0 of both decodes is the picture's top row (green 0) and the last
    // row the bottom (green 255 x 29 / 30 = 246).
    for (const TDibImage* p : {&fromBottomUp, &fromTopDown}) {
        EXPECT_NEAR(p->ScanLineRead(0)[3 * 20 + 1], 0, 4);
        EXPECT_NEAR(p->ScanLineRead(29)[3 * 20 + 1], 246, 4);
    }
}

TEST(JpegSave, RoundTripAtQuality90StaysClose) {
    // Tolerance at quality 90: mean absolute error below 1.5 per sample and
    // no sample further than 64 from the original (the hard red-blue bar
    // edges ring after chroma subsampling; measured 49).
    const TDibImage original = TestPicture(320, 200);
    TMemoryStream stream;
    SaveJpegPicture(original, stream, 90, false);
    stream.SetPosition(0);
    const TDibImage decoded = LoadJpegPicture(stream, TJPEGPerformance::jpBestQuality);
    ASSERT_EQ(decoded.Width(), 320);
    ASSERT_EQ(decoded.Height(), 200);
    ASSERT_EQ(decoded.BitCount(), 24);
    const auto a = RgbOf(original);
    const auto b = RgbOf(decoded);
    double sum = 0;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int d = std::abs(int(a[i]) - int(b[i]));
        sum += d;
        worst = std::max(worst, d);
    }
    EXPECT_LT(sum / double(a.size()), 1.5);
    EXPECT_LE(worst, 64);
}

// ---------------------------------------------------------------------------
// Bad input

std::vector<std::uint8_t> SmallJpeg() {
    TMemoryStream stream;
    SaveJpegPicture(TestPicture(24, 16), stream, 75, false);
    return stream.Data();
}

// Offset of the SOF0 segment's height field.
std::size_t SofHeightOffset(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) return i + 5;
    }
    return 0;
}

TEST(JpegBadInput, EveryPrefixIsRefused) {
    const auto bytes = SmallJpeg();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
        try {
            LoadJpegPicture(stream, TJPEGPerformance::jpBestQuality);
            ADD_FAILURE() << "a prefix was accepted";
        } catch (const EJPEG& e) {
            const std::string what = e.what();
            EXPECT_TRUE(what == JpegError(JERR_INPUT_EMPTY) || what == JpegError(JERR_INPUT_EOF) ||
                        what == JpegError(JERR_NO_SOI))
                << what << " " << e.Detail();
        }
    }
    TMemoryStream whole(bytes);
    EXPECT_NO_THROW(LoadJpegPicture(whole, TJPEGPerformance::jpBestQuality));
}

TEST(JpegBadInput, DamagedHeadersGiveTheLibraryCode) {
    const auto good = SmallJpeg();
    const std::size_t sof = SofHeightOffset(good);
    ASSERT_NE(sof, 0u);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int code;
    };
    std::vector<Case> cases;
    cases.push_back({"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0}, JERR_NO_SOI});
    auto zeroWidth = good;
    zeroWidth[sof + 2] = 0;
    zeroWidth[sof + 3] = 0;
    cases.push_back({"width 0", zeroWidth, JERR_EMPTY_IMAGE});
    auto badPrecision = good;
    badPrecision[sof - 1] = 9;
    cases.push_back({"9-bit samples", badPrecision, JERR_BAD_PRECISION});
    auto noImage = std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xD9};
    cases.push_back({"SOI then EOI", noImage, JERR_NO_IMAGE});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TMemoryStream stream(c.bytes);
        TJPEGImage jpeg;
        try {
            jpeg.LoadFromStream(stream);
            ADD_FAILURE() << "accepted";
        } catch (const EJPEG& e) {
            EXPECT_STREQ(e.what(), JpegError(c.code).c_str()) << e.Detail();
            EXPECT_FALSE(e.Detail().empty());
        }
        EXPECT_TRUE(jpeg.Empty());
    }
}

TEST(JpegBadInput, HugeDimensionsAreRefusedBeforeAllocation) {
    // 65 000 x 65 000 is a valid JPEG size but far above the pixel limit.
    auto bytes = SmallJpeg();
    const std::size_t sof = SofHeightOffset(bytes);
    for (std::size_t i : {sof, sof + 2}) {
        bytes[i] = 0xFD;
        bytes[i + 1] = 0xE8;
    }
    TMemoryStream stream(bytes);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);  // only the header is read
    EXPECT_EQ(jpeg.Width(), 65000);
    EXPECT_THROW(jpeg.Decode(), EDibImageInvalidDIBPara);
    EXPECT_FALSE(jpeg.Empty()) << "the bytes stay; only decoding is refused";
}

TEST(JpegBadInput, CorruptScanDataIsSteppedOverWithAWarning) {
    // A flipped byte inside the entropy-coded data is corrupt data the
    // library steps over; the picture keeps its size and the warning is
    // counted, never thrown.
    auto bytes = SmallJpeg();
    std::size_t sos = 0;
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) sos = i;
    ASSERT_NE(sos, 0u);
    bytes[sos + 20] = 0xFF;
    bytes[sos + 21] = 0xD3;  // a restart marker where none belongs
    TMemoryStream stream(bytes);
    TJpegLoadInfo info;
    const TDibImage picture = LoadJpegPicture(stream, TJPEGPerformance::jpBestQuality, &info);
    EXPECT_EQ(picture.Width(), 24);
    EXPECT_GT(info.Warnings, 0);
}

}  // namespace
}  // namespace zelvo
