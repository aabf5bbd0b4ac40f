// zelvo-cli's banded conversions (decode of a JPEG file to netpbm, apply of
// a netpbm file to JPEG without operations) against the whole-picture path
// they stand for, the document's load and save run here in-process: the
// same bytes for real and random pictures (grey, colour, CMYK, progressive,
// odd sizes, bands larger than a write block), the same failure message and
// exit status, and a failed conversion leaves the old output as it was and
// no temporary file behind.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "document/QxImage.h"
#include "formats/JpegImage.h"
#include "formats/PngImage.h"
#include "formats/PnmCodec.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void SavePng(const TDibImage& picture, const fs::path& path) {
    TFileStream out(path, TFileStream::Mode::fmCreate);
    SavePngPicture(picture, out, false, clBlack, false);
}

/// The load's failure as zelvo-cli reports it.
std::string LoadFailure(const fs::path& input, const std::string& failure) {
    return failure.empty() ? "file not found: " + input.string() : FailureOnOneLine(failure);
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Seeded noise with smooth areas, so that quantisation and upsampling have
// work of both kinds.
TDibImage Photo(int width, int height, std::uint32_t seed) {
    TDibImage picture = test::NoiseImage24(width, height, seed);
    for (int y = 0; y < height / 2; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = std::uint8_t(x * 255 / std::max(width - 1, 1));
            row[3 * x + 1] = std::uint8_t(y * 255 / std::max(height - 1, 1));
            row[3 * x + 2] = std::uint8_t((x + y) & 0xFF);
        }
    }
    return picture;
}

/// The netpbm rows of a 24-bit picture, top row first (P6 order).
Bytes RgbRows(const TDibImage& picture) {
    TMemoryStream rows;
    SavePnmPicture(picture, rows, TPnmForm::RawRgb);
    return Bytes(rows.Data().begin(), rows.Data().end());
}

/// What the whole-picture path gives: the output file's bytes, or the
/// failure message (the load's on one line, or the save's).
struct TOutcome {
    int Status = 0;
    Bytes Output;
    std::string Error;
};

class StreamedCli : public test::TCliFolderTest {
protected:
    /// The outcome of `apply INPUT OUTPUT [--quality Q] [--progressive]`
    /// through the document.
    TOutcome WholeApply(const fs::path& input, const std::string& outputName, int quality, bool progressive) {
        TQxImage doc;
        std::string failure;
        if (!doc.LoadDocumentFile(input, false, &failure)) return {1, {}, LoadFailure(input, failure)};
        if (quality > 0) doc.SaveQuality = std::uint8_t(quality);
        if (progressive) doc.SaveProgressive = true;
        const fs::path expected = dir_ / ("whole-" + outputName);
        if (!doc.SaveDocumentFile(expected, false, &failure)) return {1, {}, failure};
        TOutcome outcome{0, ReadWholeFile(expected), {}};
        fs::remove(expected);
        return outcome;
    }

    /// The outcome of `decode INPUT OUTPUT` through the document.
    TOutcome WholeDecode(const fs::path& input, const std::string& outputName) {
        TQxImage doc;
        std::string failure;
        if (!doc.LoadDocumentFile(input, false, &failure)) return {1, {}, LoadFailure(input, failure)};
        TMemoryStream out;
        SavePnmPicture(doc.Bitmap().ToDibImage(), out, PnmFormForExtension(DispatchExtension(outputName)));
        return {0, Bytes(out.Data().begin(), out.Data().end()), {}};
    }

    /// Runs the command over an output holding "old" and checks it against
    /// `expected`; the folder holds no file but the ones named.
    void Check(const std::vector<std::string>& command, const std::string& outputName, const TOutcome& expected) {
        const fs::path output = dir_ / outputName;
        WriteBytes(output, Text("old"));
        const std::size_t before = Entries();
        std::vector<std::string> args{"--language", "ja"};
        args.insert(args.end(), command.begin(), command.end());
        std::string err;
        EXPECT_EQ(test::RunCli(args, &err), expected.Status);
        if (expected.Status == 0) {
            EXPECT_EQ(err, "");
            EXPECT_TRUE(ReadWholeFile(output) == expected.Output) << "output differs";
        } else {
            EXPECT_EQ(err, expected.Error + "\n");
            EXPECT_EQ(ReadWholeFile(output), Text("old"));
        }
        EXPECT_EQ(Entries(), before) << "a temporary file was left behind";
        fs::remove(output);
    }

    std::size_t Entries() const {
        return std::size_t(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
};

TEST_F(StreamedCli, DecodeOfJpegToNetpbmGivesTheDocumentsBytesAndFailures) {
    // Random pictures at odd sizes, one of them taller than a write block of
    // its rows; grey and progressive files; a PNG under a JPEG name; a file
    // cut short.
    SaveJpegPicture(Photo(37, 23, 1), dir_ / "small.jpg", 80, false);
    SaveJpegPicture(Photo(701, 517, 2), dir_ / "large.jpg", 92, false);
    SaveJpegPicture(Photo(97, 61, 3), dir_ / "progressive.jpg", 75, true);
    {
        TJPEGImage grey;
        grey.SetGrayscale(true);
        grey.Assign(Photo(45, 19, 4));
        grey.SaveToFile(dir_ / "grey.jpg");
    }
    const Bytes whole = ReadWholeFile(dir_ / "large.jpg");
    WriteBytes(dir_ / "cut.jpg", Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2)));
    WriteBytes(dir_ / "noend.jpg", Bytes(whole.begin(), whole.end() - 2));
    SavePng(Photo(9, 7, 5), dir_ / "png.jpg");

    const fs::path corpus = test::CorpusDir() / "jpeg";
    const std::vector<fs::path> inputs{
        dir_ / "small.jpg",
        dir_ / "large.jpg",
        dir_ / "progressive.jpg",
        dir_ / "grey.jpg",
        dir_ / "cut.jpg",
        dir_ / "noend.jpg",
        dir_ / "png.jpg",
        dir_ / "missing.jpg",
        corpus / "pillow/hopper.jpg",
        corpus / "pillow/hopper_gray.jpg",
        corpus / "pillow/pil_sample_cmyk.jpg",
        corpus / "pillow/hopper_orientation_6.jpg",
        corpus / "pillow/truncated_jpeg.jpg",
        corpus / "pillow/junk_jpeg_header.jpg",
        corpus / "image-rs/exif-xmp-metadata.jpg",
        corpus / "libjpeg-turbo/testimgp.jpg",
        corpus / "libjpeg-turbo/testimgari.jpg",
        corpus / "libjpeg-turbo/testimggray.jpg",
        corpus / "libjpeg-turbo/testorig12.jpg",
    };
    for (const fs::path& input : inputs) {
        for (const char* name : {"out.ppm", "out.pgm", "out.pam", "out.pbm", "out.pnm"}) {
            SCOPED_TRACE(input.string() + " -> " + name);
            Check({"decode", input.string(), Path(name)}, name, WholeDecode(input, name));
        }
    }
}

TEST_F(StreamedCli, ApplyOfNetpbmToJpegGivesTheDocumentsBytesAndFailures) {
    const TDibImage photo = Photo(701, 517, 6);
    const Bytes rgb = RgbRows(photo);
    const std::string header = "P6\n701 517\n255\n";
    WriteBytes(dir_ / "photo.ppm", Text(header) + rgb);
    {
        TMemoryStream pam;
        SavePnmPicture(Photo(37, 23, 7), pam, TPnmForm::PamRgb);
        WriteBytes(dir_ / "rgb.pam", pam.Data());
    }
    // Grey, grey with alpha, bitmap, 16-bit and small-maxval samples.
    Bytes grey = Text("P5\n13 11\n255\n"), greyAlpha = Text("P7\nWIDTH 5\nHEIGHT 3\nDEPTH 2\nMAXVAL 255\n"
                                                                 "TUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n");
    Bytes bits = Text("P4\n19 5\n"), wide = Text("P6\n7 5\n65535\n"), low = Text("P6\n9 4\n100\n");
    for (int i = 0; i < 13 * 11; ++i) grey.push_back(std::uint8_t(i * 37));
    for (int i = 0; i < 5 * 3 * 2; ++i) greyAlpha.push_back(std::uint8_t(i * 53));
    for (int i = 0; i < 3 * 5; ++i) bits.push_back(std::uint8_t(i * 71));
    for (int i = 0; i < 7 * 5 * 3 * 2; ++i) wide.push_back(std::uint8_t(i * 29));
    for (int i = 0; i < 9 * 4 * 3; ++i) low.push_back(std::uint8_t(i % 101));
    WriteBytes(dir_ / "grey.pgm", grey);
    WriteBytes(dir_ / "alpha.pam", greyAlpha);
    WriteBytes(dir_ / "bits.pbm", bits);
    WriteBytes(dir_ / "wide.ppm", wide);
    WriteBytes(dir_ / "low.ppm", low);
    // Left to the document: plain samples, PFM, a PNG under a netpbm name.
    WriteBytes(dir_ / "plain.ppm", Text("P3\n2 1\n255\n1 2 3 4 5 6\n"));
    WriteBytes(dir_ / "float.pfm", Text("Pf\n1 1\n-1.0\n") + Bytes{0, 0, 0, 0x3F});
    SavePng(Photo(9, 7, 8), dir_ / "png.ppm");
    // Refused: a raster cut short, a header that is not netpbm.
    WriteBytes(dir_ / "cut.ppm", Text(header) + Bytes(rgb.begin(), rgb.begin() + 1000));
    WriteBytes(dir_ / "bad.ppm", Text("P6\n7 x\n255\n"));

    struct TCase {
        const char* Input;
        int Quality;  // 0: the default
        bool Progressive;
    };
    const TCase cases[] = {
        {"photo.ppm", 0, false}, {"photo.ppm", 95, false}, {"photo.ppm", 30, true}, {"rgb.pam", 0, false},
        {"grey.pgm", 0, false},  {"alpha.pam", 80, false}, {"bits.pbm", 0, false},  {"wide.ppm", 0, true},
        {"low.ppm", 0, false},   {"plain.ppm", 0, false},  {"float.pfm", 0, false}, {"png.ppm", 0, false},
        {"cut.ppm", 0, false},   {"bad.ppm", 0, false},    {"missing.ppm", 0, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Input) + " q" + std::to_string(c.Quality) + (c.Progressive ? " progressive" : ""));
        std::vector<std::string> command{"apply", Path(c.Input), Path("out.jpg")};
        if (c.Quality > 0) command.insert(command.end(), {"--quality", std::to_string(c.Quality)});
        if (c.Progressive) command.push_back("--progressive");
        Check(command, "out.jpg", WholeApply(dir_ / c.Input, "out.jpg", c.Quality, c.Progressive));
    }
    // An output that cannot be created fails as the save does and leaves
    // nothing behind.
    std::string err;
    const std::string target = Path("no-folder/out.jpg");
    EXPECT_EQ(test::RunCli({"apply", Path("photo.ppm"), target}, &err), 1);
    EXPECT_NE(err.find("Cannot create file \"" + target + "\""), std::string::npos) << err;
    EXPECT_EQ(test::RunCli({"decode", (test::CorpusDir() / "jpeg/pillow/hopper.jpg").string(), Path("no-folder/o.ppm")},
                           &err),
              1);
    EXPECT_NE(err.find("Cannot create file"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir_ / "no-folder"));
}

TEST_F(StreamedCli, AFailedWriteLeavesTheOldOutputAndNoPartialFile) {
    // Outputs larger than the file size limit set below: each write fails
    // part of the way, banded or whole-picture.
    const TDibImage photo = Photo(301, 211, 9);
    SaveJpegPicture(photo, dir_ / "in.jpg", 90, false);
    photo.SaveToFile(dir_ / "in.bmp");
    WriteBytes(dir_ / "in.ppm", Text("P6\n301 211\n255\n") + RgbRows(photo));
    struct TCase {
        const char* Command;
        const char* Input;
        const char* Output;
    };
    const TCase cases[] = {
        {"decode", "in.jpg", "out.ppm"},  // banded
        {"decode", "in.bmp", "out.pam"},  // whole picture
        {"apply", "in.ppm", "out.jpg"},   // banded
        {"apply", "in.bmp", "out.png"},   // whole picture
    };
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Command) + " " + c.Input + " " + c.Output);
        WriteBytes(dir_ / c.Output, Text("old"));
        const std::size_t before = Entries();
        std::string err;
        EXPECT_EQ(test::RunCli({c.Command, Path(c.Input), Path(c.Output)}, &err), 1);
        EXPECT_NE(err, "");
        EXPECT_EQ(ReadWholeFile(dir_ / c.Output), Text("old"));
        EXPECT_EQ(Entries(), before) << "a temporary file was left behind";
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

}  // namespace
}  // namespace zelvo
