// The program's own readers in the decoder process (SandboxAllDecoders):
// every corpus file, plug-in test file and netpbm form reads to the same
// picture (header, colour table, rows), file information and metadata as
// in process, for the document, secondary loads, the preview, JPEG
// thumbnails and a PhotoCD resolution; a file that fails fails with the
// same exception and message. Icon sources give the same images. A reply
// that lies about the picture, its details or an icon source is refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string_view>
#include <typeinfo>

#include "PluginFilesFixture.h"
#include "SpiEnvironment.h"
#include "formats/IconFile.h"
#include "formats/PhotoCd.h"
#include "formats/PnmCodec.h"
#include "formats/plugin/FormatReply.h"
#include "formats/plugin/SpiPicture.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

/// One way of reading a file, as its result compares.
struct TOutcome {
    bool Read = false;
    std::string Failure;  ///< exception class and message
    TDibImage Picture;
    TPictureFileInfo Info;
    int Width = 0, Height = 0;
};

struct TWay {
    const char* Name;
    std::function<bool(const fs::path&, TOutcome&)> Run;
};

const TWay kWays[] = {
    {"document", [](const fs::path& file, TOutcome& out) { return ReadDocumentPicture(file, true, out.Picture, out.Info); }},
    {"secondary", [](const fs::path& file, TOutcome& out) { return LoadPictureFile(file, out.Picture, true); }},
    {"preview",
     [](const fs::path& file, TOutcome& out) {
         TPreviewPicture preview;
         if (!LoadPreviewPicture(file, true, 160, 120, preview)) return false;
         out.Picture = preview.Picture;
         out.Width = preview.Width;
         out.Height = preview.Height;
         return true;
     }},
    {"thumbnail",
     [](const fs::path& file, TOutcome& out) {
         const TPictureFormat* row = FindPictureFormat(DispatchExtension(file));
         if (!row || !row->ReadThumbnail) return false;
         out.Picture = row->ReadThumbnail(file, 96);
         return true;
     }},
    {"PhotoCD resolution 1",
     [](const fs::path& file, TOutcome& out) {
         if (file.extension() != ".pcd") return false;
         TQxPCD pcd;
         pcd.SetResolution(1);
         pcd.LoadFromFile(file);
         out.Picture = pcd.Bitmap();
         return !pcd.Empty();
     }},
};

TOutcome ReadWay(const TWay& way, const fs::path& file, bool sandboxed) {
    SandboxOptions().AllDecoders = sandboxed;
    TOutcome out;
    try {
        out.Read = way.Run(file, out);
    } catch (const std::exception& error) {
        out.Failure = std::string(typeid(error).name()) + ": " + error.what();
    }
    return out;
}

void ExpectSame(const TOutcome& a, const TOutcome& b) {
    ASSERT_EQ(a.Read, b.Read);
    ASSERT_EQ(a.Failure, b.Failure);
    if (!a.Read) return;
    EXPECT_EQ(0, std::memcmp(&a.Picture.Header(), &b.Picture.Header(), sizeof(TBitmapInfoHeader)));
    EXPECT_EQ(0, std::memcmp(a.Picture.ColorTable(), b.Picture.ColorTable(), 256 * sizeof(TRGBQuad)));
    EXPECT_TRUE(std::ranges::equal(a.Picture.Bits(), b.Picture.Bits()));
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.Info.Transparent, b.Info.Transparent);
    EXPECT_EQ(a.Info.Progressive, b.Info.Progressive);
    EXPECT_EQ(a.Info.HasTransparentIndex, b.Info.HasTransparentIndex);
    EXPECT_EQ(a.Info.TransparentIndex, b.Info.TransparentIndex);
    EXPECT_EQ(a.Info.ColorKeyed, b.Info.ColorKeyed);
    EXPECT_EQ(a.Info.ActualFormat, b.Info.ActualFormat);
    EXPECT_EQ(a.Info.Metadata.Source, b.Info.Metadata.Source);
    EXPECT_EQ(a.Info.Metadata.Orientation, b.Info.Metadata.Orientation);
    EXPECT_EQ(a.Info.Metadata.Blocks, b.Info.Metadata.Blocks);
}

/// Netpbm files of every form (the corpus has none) and files that fail.
std::vector<fs::path> NetpbmFiles(const fs::path& dir) {
    TDibImage colour;
    colour.SetBitCount(24);
    colour.SetWidth(5);
    colour.SetHeight(3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 15; ++x) colour.ScanLine(y)[x] = std::uint8_t(x * 17 + y * 40);
    std::vector<fs::path> files;
    const std::pair<const char*, TPnmForm> forms[] = {{"a.ppm", TPnmForm::Ppm}, {"a.pgm", TPnmForm::Pgm},
                                                      {"a.pbm", TPnmForm::Pbm}, {"a.pam", TPnmForm::PamRgb}};
    for (const auto& [name, form] : forms) {
        TMemoryStream stream;
        SavePnmPicture(colour, stream, form);
        test::WriteFile(dir / name, stream.Data());
        files.push_back(dir / name);
    }
    // Rows of 4.8 MB, which come back through the pipe.
    TMemoryStream large;
    SavePnmPicture(test::NoiseImage24(1600, 1000, 7), large, TPnmForm::Ppm);
    test::WriteFile(dir / "large.ppm", large.Data());
    files.push_back(dir / "large.ppm");
    const std::string pfm = std::string("PF\n2 1\n-1.0\n") + std::string(24, '\0');
    test::WriteFile(dir / "a.pfm", Bytes(pfm.begin(), pfm.end()));
    test::WriteFile(dir / "short.ppm", Bytes{'P', '6', '\n', '9', ' ', '9', '\n', '2', '5', '5', '\n', 1, 2});
    // A PNG named .jpg: the signature picks the PNG reader before either runs.
    fs::copy_file(test::TestDataDir() / "corpus" / "png" / "pngsuite" / "basn2c08.png", dir / "lies.jpg");
    // Files that are no picture, a missing file and a folder fail with the
    // reader's own exception and message.
    test::WriteFile(dir / "noise.png", Bytes(100, 0x5A));
    test::WriteFile(dir / "noise.bmp", Bytes{'B', 'M', 1, 2, 3});
    test::WriteFile(dir / "empty.gif", Bytes{});
    test::WriteFile(dir / "short.pcd", Bytes(50000, 0x80));
    fs::create_directory(dir / "folder.jpg");
    for (const char* name : {"a.pfm", "short.ppm", "lies.jpg", "noise.png", "noise.bmp", "empty.gif", "short.pcd",
                             "missing.pgm", "folder.jpg"})
        files.push_back(dir / name);
    return files;
}

class FormatSandbox : public test::PluginFilesFixture {
protected:
    void SetUp() override {
        PluginFilesFixture::SetUp();
        SandboxOptions().Plugins = true;
    }
    void TearDown() override {
        SandboxOptions().AllDecoders = false;
        PluginFilesFixture::TearDown();
    }
};

TEST_F(FormatSandbox, EveryFileReadsTheSameThroughTheDecoder) {
    std::vector<fs::path> files = NetpbmFiles(dir_);
    for (const char* folder : {"corpus", "plugins"}) {
        for (const auto& entry : fs::recursive_directory_iterator(test::TestDataDir() / folder)) {
            const fs::path& file = entry.path();
            const std::string ext = file.extension().string();
            if (entry.is_regular_file() && ext != ".md" && ext != ".tsv" && ext != ".sh" && !ext.empty() &&
                file.filename().string().find(".ref.") == std::string::npos)
                files.push_back(file);
        }
    }
    std::map<std::string, int> read;
    int failed = 0;
    for (const fs::path& file : files) {
        for (const TWay& way : kWays) {
            SCOPED_TRACE(file.string() + " (" + way.Name + ")");
            const TOutcome local = ReadWay(way, file, false);
            const TOutcome confined = ReadWay(way, file, true);
            ExpectSame(confined, local);
            if (local.Read) ++read[way.Name];
            if (!local.Failure.empty() && &way == &kWays[0]) ++failed;
        }
    }
    // Hundreds of pictures each way, some dozens of JPEG thumbnails.
    EXPECT_GT(read["document"], 400);
    EXPECT_GT(read["secondary"], 300);
    EXPECT_GT(read["preview"], 400);
    EXPECT_GT(read["thumbnail"], 20);
    EXPECT_GE(read["PhotoCD resolution 1"], 1);
    EXPECT_GE(failed, 6);
}

std::string Digest(std::span<const std::uint8_t> bytes) {
    return std::to_string(std::hash<std::string_view>{}({reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
}

/// An icon source as its result compares: every image's entry, data, name,
/// size, depth and kind, and its pixels or why they could not be decoded.
std::string IconSourceOutcome(const fs::path& file, bool sandboxed) {
    SandboxOptions().AllDecoders = sandboxed;
    std::string out;
    try {
        TAdvancedIcon icon;
        out = icon.LoadFromFile(file) ? "icon source" : "none";
        for (int i = 0; i < icon.Count(); ++i) {
            const TIconImage& image = *icon.Images(i);
            const TIconDirEntry& e = image.Entry();
            out += "|" + image.Name() + " " + std::to_string(image.Width()) + "x" + std::to_string(image.Height()) +
                   "x" + std::to_string(image.BitCount()) + (image.IsPng() ? " png " : " dib ") +
                   std::to_string(e.Width) + "," + std::to_string(e.BitCount) + "," + std::to_string(e.ImageOffset) +
                   " data " + std::to_string(image.Data().size()) + ":" +
                   Digest(image.Data()) + " ";
            try {
                const TIconPixels& pixels = image.Pixels();
                out += std::to_string(pixels.Width) + "x" + std::to_string(pixels.Height) +
                       (pixels.Alpha ? " alpha " : " mask ") + Digest(pixels.Bgra) + " " + Digest(pixels.Mask);
            } catch (const Exception& error) {
                out += std::string(typeid(error).name()) + ": " + error.what() + " (" + error.Detail() + ")";
            }
        }
    } catch (const Exception& error) {
        out = std::string(typeid(error).name()) + ": " + error.what() + " (" + error.Detail() + ")";
    }
    return out;
}

TEST_F(FormatSandbox, IconSourcesGiveTheSameImagesThroughTheDecoder) {
    std::vector<fs::path> files;
    for (const char* folder : {"ico", "pe"})
        for (const auto& entry : fs::recursive_directory_iterator(test::TestDataDir() / "corpus" / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".md") files.push_back(entry.path());
    test::WriteFile(dir_ / "noise.ico", Bytes(100, 0x5A));
    test::WriteFile(dir_ / "short.ico", Bytes{0, 0, 1, 0, 2, 0, 16, 16});
    for (const char* name : {"noise.ico", "short.ico", "missing.ico"}) files.push_back(dir_ / name);
    int images = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::string local = IconSourceOutcome(file, false);
        EXPECT_EQ(IconSourceOutcome(file, true), local);
        images += int(std::count(local.begin(), local.end(), '|'));
    }
    EXPECT_GT(images, 60);
}

// A decoder that says Done and then sends only part of its rows, or none:
// the read fails with the reason, by the time limit at the latest, and the
// next one starts afresh.
TEST(FormatSandboxRows, RowsThatDoNotAllComeAreRefused) {
    const TSandboxOptions saved = SandboxOptions();
    SandboxOptions().Program = ZELVO_LYING_DECODER;
    SandboxOptions().TimeLimitSeconds = 1;
    SandboxOptions().SecondsPerMegapixel = 0;
    const fs::path dir = test::MakeTempDir("lying-decoder");
    TMemoryStream small;
    SavePnmPicture(test::NoiseImage24(4, 4, 1), small, TPnmForm::Ppm);
    test::WriteFile(dir / "a.ppm", small.Data());
    const std::pair<const char*, const char*> cases[] = {
        {"short", "the decoder ended before its rows were sent"},
        {"none", "the decoder's rows did not come in time"},
    };
    for (const auto& [mode, reason] : cases) {
        SCOPED_TRACE(mode);
        StopWaitingDecoders();  // the next decoders see the mode
        const test::TScopedEnv lie("ZELVO_LYING_DECODER_MODE", mode);
        TPictureFileInfo info;
        try {
            ReadInDecoder("ppm", dir / "a.ppm", TReadPurpose::Document, info);
            ADD_FAILURE() << "read";
        } catch (const EDecoderFailed& error) {
            EXPECT_NE(error.Detail().find(reason), std::string::npos) << error.Detail();
        }
    }
    SandboxOptions() = saved;
    StopWaitingDecoders();
    fs::remove_all(dir);
}

TEST(FormatReply, IconSourceRepliesThatLieAreRefused) {
    // Two images: one decoded (2 x 1, with a mask), one that is not.
    Bytes file = {0, 0, 1, 0, 2, 0};
    const Bytes dib = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 4, 5, 6, 0, 0, 0, 0, 0};
    for (const std::uint32_t offset : {38u, 38u + std::uint32_t(dib.size())}) {
        const Bytes entry = {2, 1, 0, 0, 1, 0, 32, 0, std::uint8_t(dib.size()), 0, 0, 0, std::uint8_t(offset), 0, 0, 0};
        file.insert(file.end(), entry.begin(), entry.end());
    }
    file.insert(file.end(), dib.begin(), dib.end());
    file.insert(file.end(), {1, 2, 3});
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(file));
    const TIconSourceReply parts = IconSourceReply(true, icon);
    auto reply = [&](const Bytes& details, const Bytes& rows) {
        TDecodeReplyHeader header{};
        header.Status = TDecodeStatus::Images;
        Bytes out(DecodeReplyBytes(0, 0, rows.size(), details.size()));
        WriteDecodeReply(out.data(), header, {}, {}, rows, details);
        return out;
    };
    const auto shared = std::make_shared<const Bytes>(file);
    std::vector<TIconImage> images;
    ASSERT_TRUE(ParseIconSourceReply(ParseDecodeReply(reply(parts.Details, parts.Rows)), shared, images));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].Pixels().Bgra, icon.Images(0)->Pixels().Bgra);
    EXPECT_TRUE(std::ranges::equal(images[0].Data(), icon.Images(0)->Data()));
    EXPECT_THROW(images[1].Pixels(), EReadError);

    // Of the details: the image count at byte 5, the first image's data
    // offset at 25, its outcome at 58, its pixels' width at 59 and their
    // offset in the rows at 69.
    const struct {
        const char* Name;
        std::function<void(Bytes& details, Bytes& rows)> Lie;
        const char* Detail;
    } kLies[] = {
        {"data beyond the file", [](Bytes& d, Bytes&) { d[25 + 1] = 0x10; }, "image data at"},
        {"pixels beyond the rows", [](Bytes& d, Bytes&) { d[69] = 9; }, "icon pixels at"},
        {"rows cut short", [](Bytes&, Bytes& r) { r.resize(r.size() - 1); }, "icon pixels at"},
        {"more images than bytes", [](Bytes& d, Bytes&) { d[8] = 0xFF; }, "images in"},
        {"a huge picture", [](Bytes& d, Bytes&) { d[62] = 0x7F; }, "icon pixels of"},
        {"an unknown outcome", [](Bytes& d, Bytes&) { d[58] = 3; }, "image outcome"},
        {"details cut short", [](Bytes& d, Bytes&) { d.resize(d.size() - 5); }, "image failure of"},
    };
    for (const auto& lie : kLies) {
        SCOPED_TRACE(lie.Name);
        Bytes details = parts.Details, rows = parts.Rows;
        lie.Lie(details, rows);
        try {
            ParseIconSourceReply(ParseDecodeReply(reply(details, rows)), shared, images);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& error) {
            EXPECT_NE(error.Detail().find(lie.Detail), std::string::npos) << error.Detail();
        }
    }
}

/// A reply as the decoder writes it for `picture` and `details`.
Bytes FormatReply(const TDibImage& picture, const Bytes& details) {
    const Bytes info = FormatInfoBlock(picture);
    TDecodeReplyHeader header{};
    header.Status = TDecodeStatus::Read;
    Bytes out(DecodeReplyBytes(0, info.size(), picture.Bits().size(), details.size()));
    WriteDecodeReply(out.data(), header, {}, info, picture.Bits(), details);
    return out;
}

TEST(FormatReply, PictureAndDetailsRoundTripAndLiesAreRefused) {
    TDibImage picture;
    picture.SetBitCount(4);
    picture.SetWidth(3);
    picture.SetHeight(-2);
    picture.ScanLine(1)[0] = 0x5C;
    const TRGBQuad table[2] = {{1, 2, 3, 0}, {9, 8, 7, 0}};
    picture.SetColorTable(table);
    TFormatOutcome outcome;
    outcome.Info.Progressive = true;
    outcome.Info.TransparentIndex = 7;
    outcome.Info.ColorKeyed = -1;
    outcome.Info.Metadata.Source = TMetadataSource::Jpeg;
    outcome.Info.Metadata.Orientation = 6;
    outcome.Info.Metadata.Blocks = {{0xE1, {'E', 'x', 'i', 'f'}}, {0xFE, {}}};
    outcome.Width = 3;
    outcome.Height = 2;
    const Bytes details = FormatDetailsBytes(outcome);

    const Bytes good = FormatReply(picture, details);
    const TDecodeReply reply = ParseDecodeReply(good);
    const TDibImage back = PictureFromFormatReply(reply);
    EXPECT_EQ(0, std::memcmp(&back.Header(), &picture.Header(), sizeof(TBitmapInfoHeader)));
    EXPECT_TRUE(std::ranges::equal(back.Bits(), picture.Bits()));
    EXPECT_EQ(0, std::memcmp(back.ColorTable(), picture.ColorTable(), 256 * sizeof(TRGBQuad)));
    const TFormatOutcome parsed = ParseFormatDetails(reply.Details);
    EXPECT_TRUE(parsed.Info.Progressive);
    EXPECT_EQ(parsed.Info.TransparentIndex, 7);
    EXPECT_EQ(parsed.Info.ColorKeyed, -1);
    EXPECT_EQ(parsed.Info.Metadata.Orientation, 6);
    EXPECT_EQ(parsed.Info.Metadata.Blocks, outcome.Info.Metadata.Blocks);
    EXPECT_EQ(parsed.Width, 3);

    // Offsets into the information block (after the 112 bytes of a reply
    // with details) and into the details (at the end).
    const std::size_t info = sizeof(TDecodeReplyHeader) + sizeof(TDecodeReplyDetails);
    const std::size_t at = good.size() - details.size();
    const struct {
        const char* Name;
        std::function<void(Bytes&)> Lie;
        const char* Detail;
    } kLies[] = {
        {"wider than its rows", [&](Bytes& r) { r[info + 4] = 200; }, "rows of"},
        {"a depth of 32", [&](Bytes& r) { r[info + 14] = 32; }, "bit count 32"},
        {"compressed", [&](Bytes& r) { r[info + 16] = 2; }, "compression 2"},
        {"beyond the pixel limit", [&](Bytes& r) { r[info + 7] = 0x7F; }, "picture header"},
        {"more blocks than bytes", [&](Bytes& r) { r[at + 20] = 0xFF; }, "metadata blocks"},
        {"a block past the end", [&](Bytes& r) { r[at + 28 + 3] = 0x40; }, "metadata block of"},
        {"orientation 9", [&](Bytes& r) { r[at + 16] = 9; }, "orientation 9"},
        {"unknown flags", [&](Bytes& r) { r[at + 4] = 0x80; }, "flags 128"},
        {"a failure's details", [&](Bytes& r) { r[at + 3] = 'X'; }, "another kind"},
    };
    for (const auto& lie : kLies) {
        SCOPED_TRACE(lie.Name);
        Bytes bad = good;
        lie.Lie(bad);
        try {
            const TDecodeReply lying = ParseDecodeReply(bad);
            PictureFromFormatReply(lying);
            ParseFormatDetails(lying.Details);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& error) {
            EXPECT_NE(error.Detail().find(lie.Detail), std::string::npos) << error.Detail();
        }
    }
}

TEST(FormatReply, FailuresThrowTheReadersExceptionAgain) {
    const auto again = [](const std::exception& error) -> std::string {
        try {
            ThrowFailureDetails(FailureDetailsBytes(error));
        } catch (const Exception& thrown) {
            return std::string(typeid(thrown).name()) + "|" + thrown.what() + "|" + thrown.Detail();
        }
        return {};
    };
    const EReadError read(kSReadError, "at 12");
    const std::string decoderFailed = std::string(typeid(EDecoderFailed).name()) + "|" + kSUnrecognisedImage + "|";
    const std::pair<std::string, std::string> cases[] = {
        {again(read), std::string(typeid(EReadError).name()) + "|Stream read error|at 12"},
        {again(EFCreateError("Cannot create file", "why")), std::string(typeid(EFCreateError).name()) + "|Cannot create file|why"},
        {again(std::bad_alloc()), decoderFailed + "the decoder ran out of memory"},
        {again(std::runtime_error("odd")), decoderFailed + "the reader failed: odd"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    // Details cut short are a malformed reply, never a read past their end.
    Bytes cut = FailureDetailsBytes(read);
    cut.resize(cut.size() - 3);
    try {
        ThrowFailureDetails(cut);
    } catch (const EDecoderFailed& error) {
        EXPECT_NE(error.Detail().find("malformed"), std::string::npos) << error.Detail();
    }
}

}  // namespace
}  // namespace zelvo
