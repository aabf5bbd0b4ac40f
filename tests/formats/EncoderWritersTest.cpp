// The writers over outside encoders, checked with each format's own
// reference decoder (dwebp, ImageMagick and tiffinfo, heif-convert, djxl):
// lossless saves give back the very pixels, lossy ones stay within the
// encoder's usual error, palette depths and the transparent colour survive
// where the format holds them, and exiftool reads the kept EXIF (orientation
// 1), XMP and colour profile from every format that holds them; TIFF holds
// the EXIF as directories of its own.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "TestSupport.h"
#include "formats/EncoderWriters.h"
#include "formats/PngImage.h"
#include "formats/PnmCodec.h"
#include "formats/QxImageIO.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

bool HaveTools() {
    for (const char* tool : {"dwebp", "convert", "tiffinfo", "heif-convert", "djxl", "exiftool"}) {
        if (std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) != 0) return false;
    }
    return true;
}

// Standard output of a shell command.
std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

// RGB samples, rows top-down, palette pictures expanded.
std::vector<int> RgbOf(const TDibImage& picture) {
    std::vector<int> rgb;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            TColor c = picture.GetPixels(x, y);
            if (picture.BitCount() < 24) {
                const TRGBQuad& q = picture.ColorTable()[c];
                c = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
            }
            rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    }
    return rgb;
}

// The bytes of a file.
std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The alpha samples of a PAM file with four samples a pixel.
std::vector<int> PamAlpha(const fs::path& path) {
    const std::string bytes = FileBytes(path);
    const std::size_t end = bytes.find("ENDHDR\n");
    std::vector<int> alpha;
    if (end == std::string::npos || bytes.find("DEPTH 4") == std::string::npos) return alpha;
    for (std::size_t i = end + 7 + 3; i < bytes.size(); i += 4) alpha.push_back(std::uint8_t(bytes[i]));
    return alpha;
}

TDibImage Decoded(const fs::path& path) {
    if (path.extension() == ".png") {
        TDibImage picture;
        LoadPngPictureFile(path, picture);
        return picture;
    }
    return LoadPnmPictureFile(path);
}

// A smooth picture, as lossy encoders are meant for: ramps and a soft disc.
TDibImage SmoothPicture(int width, int height) {
    TDibImage picture = test::FlatImage24(width, height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d = std::hypot(x - width / 2.0, y - height / 2.0) / width;
            picture.SetPixels(x, y, RGB(std::uint8_t(x * 255 / width), std::uint8_t(y * 255 / height),
                                        std::uint8_t(d < 0.3 ? 220 : 60)));
        }
    }
    return picture;
}

class EncoderWriters : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools()) GTEST_SKIP() << "reference decoders missing (tools/setup-deps.sh installs them)";
        dir_ = test::MakeTempDir("encoders");
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    fs::path Save(const TDibImage& picture, const std::string& name, const TSaveOptions& options) {
        const fs::path path = dir_ / name;
        bool keyed = false;
        EXPECT_TRUE(WriteDocumentPicture(path, picture, options, false, keyed)) << name;
        return path;
    }
    fs::path dir_;
};

TEST_F(EncoderWriters, ReferenceDecodersGiveThePictureBack) {
    struct TCase {
        const char* Name;
        const char* File;
        std::function<void(TEncoderOptions&)> Set;
        const char* Decode;   // {in} and {out} are replaced
        const char* Output;   // the decoded file's name
        int Depth;            // the saved picture's bit count
        double MaxMeanError;  // 0: exact
    };
    const TCase cases[] = {
        {"webp lossless", "a.webp", [](TEncoderOptions& o) { o.WebpLossless = true; }, "dwebp {in} -ppm -o {out}",
         "d.ppm", 24, 0},
        {"webp lossless palette", "a.webp", [](TEncoderOptions& o) { o.WebpLossless = true; },
         "dwebp {in} -ppm -o {out}", "d.ppm", 8, 0},
        {"webp q80", "a.webp", [](TEncoderOptions& o) { o.WebpQuality = 80; }, "dwebp {in} -ppm -o {out}", "d.ppm",
         24, 5},
        {"tiff lzw", "a.tif", [](TEncoderOptions&) {}, "convert {in} -depth 8 {out}", "d.ppm", 24, 0},
        {"tiff deflate", "a.tiff", [](TEncoderOptions& o) { o.TiffCompression = TTiffCompression::Deflate; },
         "convert {in} -depth 8 {out}", "d.ppm", 24, 0},
        {"tiff none 4-bit", "a.tif", [](TEncoderOptions& o) { o.TiffCompression = TTiffCompression::None; },
         "convert {in} -depth 8 {out}", "d.ppm", 4, 0},
        {"tiff lzw 8-bit", "a.tif", [](TEncoderOptions&) {}, "convert {in} -depth 8 {out}", "d.ppm", 8, 0},
        {"tiff lzw 1-bit", "a.tif", [](TEncoderOptions&) {}, "convert {in} -depth 8 {out}", "d.ppm", 1, 0},
        {"avif q60", "a.avif", [](TEncoderOptions&) {}, "heif-convert {in} {out}", "d.png", 24, 5},
        {"heic q60", "a.heic", [](TEncoderOptions&) {}, "heif-convert {in} {out}", "d.png", 24, 5},
        {"jxl lossless", "a.jxl", [](TEncoderOptions& o) { o.JxlLossless = true; }, "djxl {in} {out}", "d.ppm", 24,
         0},
        {"jxl d1", "a.jxl", [](TEncoderOptions&) {}, "djxl {in} {out}", "d.ppm", 24, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDibImage picture = c.MaxMeanError > 0 ? SmoothPicture(64, 48)
                            : c.Depth == 24    ? test::NoiseImage24(37, 23, 7)
                                               : test::NoiseImagePalette(37, 23, c.Depth, 1 << c.Depth, 9);
        if (c.Depth == 1) {
            const TRGBQuad bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
            picture.SetColorTable(bw);
        }
        TSaveOptions options;
        c.Set(options.Encoders);
        const fs::path saved = Save(picture, c.File, options);
        std::string command = c.Decode;
        command.replace(command.find("{in}"), 4, saved.string());
        command.replace(command.find("{out}"), 5, (dir_ / c.Output).string());
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
        const TDibImage decoded = Decoded(dir_ / c.Output);
        ASSERT_EQ(decoded.Width(), picture.Width());
        ASSERT_EQ(decoded.Height(), picture.Height());
        const std::vector<int> want = RgbOf(picture), got = RgbOf(decoded);
        double error = 0;
        for (std::size_t i = 0; i < want.size(); ++i) error += std::abs(want[i] - got[i]);
        error /= double(want.size());
        if (c.MaxMeanError == 0) EXPECT_EQ(got, want);
        else EXPECT_LE(error, c.MaxMeanError);
        // TIFF keeps the palette depth: 1-bit black and white as bilevel.
        if (std::string(c.File).starts_with("a.tif") && c.Depth < 24) {
            const std::string info = Output("tiffinfo " + saved.string());
            EXPECT_NE(info.find("Bits/Sample: " + std::to_string(c.Depth)), std::string::npos) << info;
            EXPECT_NE(info.find(c.Depth == 1 ? "min-is-black" : "palette color"), std::string::npos) << info;
        }
    }
}

TEST_F(EncoderWriters, TransparentColourBecomesAlpha) {
    TDibImage picture = test::NoiseImage24(9, 7, 3);
    const TColor key = RGB(1, 2, 3);
    picture.SetPixels(4, 3, key);
    picture.SetPixels(0, 0, key);
    TSaveOptions options;
    options.Transparent = true;
    options.TransparentColor = key;
    options.Encoders.WebpLossless = true;
    options.Encoders.JxlLossless = true;
    std::vector<int> want(9 * 7, 255);
    want[0] = want[3 * 9 + 4] = 0;
    for (const auto& [file, command] : {std::pair{"a.webp", "dwebp {in} -pam -o {out}"},
                                        std::pair{"a.tif", "convert {in} PAM:{out}"},
                                        std::pair{"a.jxl", "djxl {in} {out}"}}) {
        SCOPED_TRACE(file);
        const fs::path saved = Save(picture, file, options);
        std::string line = command;
        line.replace(line.find("{in}"), 4, saved.string());
        line.replace(line.find("{out}"), 5, (dir_ / "d.pam").string());
        ASSERT_EQ(std::system((line + " >/dev/null 2>&1").c_str()), 0) << line;
        EXPECT_EQ(PamAlpha(dir_ / "d.pam"), want);
    }
}

TEST_F(EncoderWriters, WebpFilesAreTheReferenceEncodersOwn) {
    // Without metadata a WebP save is the very file cwebp writes from the
    // same pixels with the same settings.
    if (std::system("command -v cwebp >/dev/null 2>&1") != 0) GTEST_SKIP() << "cwebp missing";
    struct TCase {
        const char* Name;
        std::function<void(TEncoderOptions&)> Set;
        const char* Options;
    };
    const TCase cases[] = {
        {"lossless", [](TEncoderOptions& o) { o.WebpLossless = true; }, "-lossless"},
        {"lossless effort 6", [](TEncoderOptions& o) { o.WebpLossless = true, o.WebpEffort = 6; }, "-lossless -m 6"},
        {"q80", [](TEncoderOptions&) {}, "-q 80"},
        {"q50 effort 2", [](TEncoderOptions& o) { o.WebpQuality = 50, o.WebpEffort = 2; }, "-q 50 -m 2"},
    };
    const TDibImage picture = SmoothPicture(64, 48);
    const fs::path ppm = dir_ / "p.ppm";
    {
        TFileStream out(ppm, TFileStream::Mode::fmCreate);
        SavePnmPicture(picture, out, TPnmForm::Ppm);
    }
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSaveOptions options;
        c.Set(options.Encoders);
        const fs::path ours = Save(picture, "a.webp", options);
        const fs::path theirs = dir_ / "c.webp";
        const std::string command =
            std::string("cwebp -quiet ") + c.Options + " " + ppm.string() + " -o " + theirs.string();
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(FileBytes(ours), FileBytes(theirs));
    }
}

TEST_F(EncoderWriters, TiffStripsCodedOnThreadsGiveTheSameFile) {
    // 1 200 x 1 000 pictures take several strips, coded on the band threads:
    // one thread or three write the same bytes, which ImageMagick reads
    // back as the picture.
    struct TCase {
        const char* Name;
        int Depth;
        TTiffCompression Compression;
        bool Transparent;
        bool Exif = false;  // with the EXIF directories of metadata-gps.jpg
    };
    const TCase cases[] = {
        {"24-bit lzw", 24, TTiffCompression::Lzw, false},
        {"24-bit deflate", 24, TTiffCompression::Deflate, false},
        {"24-bit none", 24, TTiffCompression::None, false},
        {"24-bit lzw alpha", 24, TTiffCompression::Lzw, true},
        {"8-bit lzw", 8, TTiffCompression::Lzw, false},
        {"4-bit deflate", 4, TTiffCompression::Deflate, false},
        {"24-bit deflate exif", 24, TTiffCompression::Deflate, false, true},
        {"8-bit none exif", 8, TTiffCompression::None, false, true},
    };
    TPictureFileInfo exif;
    FindPictureFormat(".jpg")->Read(test::TestDataDir() / "encoders/metadata-gps.jpg", TReadPurpose::Document, exif);
    const int threads = WorkerThreadsSetting();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TDibImage picture = c.Depth == 24 ? test::NoiseImage24(1200, 1000, 5)
                                                : test::NoiseImagePalette(1200, 1000, c.Depth, 1 << c.Depth, 11);
        TSaveOptions options;
        options.Encoders.TiffCompression = c.Compression;
        options.Transparent = c.Transparent;
        options.TransparentColor = RGB(1, 2, 3);
        if (c.Exif) options.Metadata = &exif.Metadata;
        SetWorkerThreads(1);
        const fs::path one = Save(picture, "one.tif", options);
        SetWorkerThreads(3);
        const fs::path three = Save(picture, "three.tif", options);
        SetWorkerThreads(threads);
        EXPECT_EQ(FileBytes(three), FileBytes(one));
        const std::string info = Output("tiffinfo " + one.string());
        EXPECT_EQ(info.find("Rows/Strip: 1000"), std::string::npos) << info;
        const fs::path decoded = dir_ / "d.ppm";
        ASSERT_EQ(std::system(("convert " + one.string() + " -depth 8 " + decoded.string() + " >/dev/null 2>&1").c_str()),
                  0);
        EXPECT_EQ(RgbOf(Decoded(decoded)), RgbOf(picture));
    }
}

TEST_F(EncoderWriters, ExiftoolReadsTheKeptMetadata) {
    TPictureFileInfo info;
    const TPictureFormat* jpeg = FindPictureFormat(".jpg");
    const TDibImage picture =
        jpeg->Read(test::TestDataDir() / "encoders/metadata-srgb.jpg", TReadPurpose::Document, info);
    TSaveOptions options;
    options.Metadata = &info.Metadata;
    // TIFF states the orientation itself and keeps the EXIF's Make in its
    // IFD0, but not the thumbnail, which would be a second page. JPEG XL
    // stores an sRGB profile as its colour-space enumeration, which exiftool
    // does not show as a profile. The EXIF thumbnail stays while the pixels
    // are unchanged, as in a JPEG save.
    struct TCase {
        const char* File;
        const char* Tags;
    };
    const TCase cases[] = {
        {"a.webp", "Zelvo\nHorizontal (normal)\nZelvo round trip\nsRGB built-in\n356\n"},
        {"a.tif", "Zelvo\nHorizontal (normal)\nZelvo round trip\nsRGB built-in\n"},
        {"a.avif", "Zelvo\nHorizontal (normal)\nZelvo round trip\nsRGB built-in\n356\n"},
        {"a.heic", "Zelvo\nHorizontal (normal)\nZelvo round trip\nsRGB built-in\n356\n"},
        {"a.jxl", "Zelvo\nHorizontal (normal)\nZelvo round trip\n356\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const fs::path saved = Save(picture, c.File, options);
        EXPECT_EQ(Output("exiftool -s -s -s -Make -Orientation -Title -ProfileDescription -ThumbnailLength " +
                         saved.string()),
                  c.Tags);
    }
}

TEST_F(EncoderWriters, TiffCarriesTheExifAsDirectories) {
    // A camera's EXIF in Intel order (Canon maker notes) and one in Motorola
    // order with orientation 6 and a GPS IFD: exiftool reads the same values
    // from the TIFF as from the JPEG, the orientation 1, and libtiff reads
    // the file, its Exif IFD included (tiffinfo, and ImageMagick through
    // it), without a word.
    const char* const tags =
        "exiftool -s -s -s -Make -Model -Copyright -ModifyDate -DateTimeOriginal -ExposureTime -FNumber -ISO "
        "-FocalLength -UserComment -GPSLatitude -GPSLongitude -GPSAltitude "
        "-GPSTimeStamp -CanonFirmwareVersion -CanonModelID ";
    const std::pair<fs::path, const char*> cases[] = {
        {test::CorpusDir() / "jpeg/pillow/flower.jpg", "2003:12:14 12:01:44"},
        {test::TestDataDir() / "encoders/metadata-gps.jpg", "2024:05:06 07:08:09"},
    };
    for (const auto& [source, taken] : cases) {
        SCOPED_TRACE(source.filename().string());
        TPictureFileInfo info;
        const TDibImage picture = FindPictureFormat(".jpg")->Read(source, TReadPurpose::Document, info);
        TSaveOptions options;
        options.Metadata = &info.Metadata;
        const fs::path saved = Save(picture, "a.tif", options);
        EXPECT_EQ(Output(tags + saved.string()), Output(tags + source.string()));
        EXPECT_EQ(Output("exiftool -s -s -s -n -Orientation -ThumbnailLength " + saved.string()), "1\n");
        // Their messages instead of their output.
        EXPECT_EQ(Output("(tiffinfo " + saved.string() + " 2>&1 >/dev/null)"), "");
        EXPECT_EQ(Output("(identify -format '%[exif:DateTimeOriginal]' " + saved.string() + " 2>&1)"), taken);
    }
}

}  // namespace
}  // namespace zelvo
