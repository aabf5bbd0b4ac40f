// Batch conversion: the size rules, the listing, the plan's collision rules,
// each output type, unreadable and oversized inputs, save failures, cancel
// half-way and several jobs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "TestSupport.h"
#include "effects/Resample.h"
#include "formats/QxImageIO.h"
#include "image/Exceptions.h"
#include "library/BatchConvert.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

// Every readable extension, as the dialog's first input type lists them.
constexpr const char* kAllPatterns = "*.bmp *.dib *.jpg *.jpe *.jpeg *.png *.gif *.ico ";

void WritePicture(const fs::path& path, const TDibImage& picture) {
    bool keyed = false;
    ASSERT_TRUE(WriteDocumentPicture(path, picture, TSaveOptions{}, /*gifMode=*/true, keyed)) << path;
}

TDibImage ReadPicture(const fs::path& path) {
    TDibImage picture;
    TPictureFileInfo info;
    EXPECT_TRUE(ReadDocumentPicture(path, /*gifMode=*/true, picture, info)) << path;
    return picture;
}

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return Sorted(names);
}

class BatchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir("zelvo-batch");
        in_ = dir_ / "in";
        out_ = dir_ / "out";
        fs::create_directories(in_);
        fs::create_directories(out_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    /// Four 40 x 30 pictures of different noise: a.bmp (24-bit), b.jpg,
    /// c.png and d.gif (8-bit palette).
    void WriteMixed() {
        WritePicture(in_ / "a.bmp", test::NoiseImage24(40, 30, 1));
        WritePicture(in_ / "b.jpg", test::NoiseImage24(40, 30, 2));
        WritePicture(in_ / "c.png", test::NoiseImage24(40, 30, 3));
        WritePicture(in_ / "d.gif", test::NoiseImagePalette(40, 30, 8, 200, 4));
    }

    TBatchSummary Run(const TBatchOptions& options, const TBatchCallbacks& callbacks = {}, int jobs = 1,
                      const fs::path* outFolder = nullptr) {
        const fs::path& out = outFolder ? *outFolder : out_;
        plan_ = PlanBatch(in_, out, Sorted(ListFolderFiles(in_, kAllPatterns)), options.OutputType);
        return RunBatch(plan_, options, callbacks, jobs);
    }

    const TBatchFileResult& ResultOf(const TBatchSummary& summary, const std::string& name) const {
        for (std::size_t i = 0; i < plan_.size(); ++i)
            if (plan_[i].Name == name) return summary.Results[i];
        static const TBatchFileResult none;
        ADD_FAILURE() << "no item " << name;
        return none;
    }

    fs::path dir_, in_, out_;
    std::vector<TBatchItem> plan_;
};

TEST(BatchTargetSize, SizeRules) {
    auto opts = [](TBatchResizeMode mode, int a, int b = 200) {
        TBatchOptions o;
        o.Resize = true;
        o.ResizeMode = mode;
        o.Width = a;
        o.Height = b;
        o.ScalePercent = a;
        if (mode == TBatchResizeMode::Height) o.Height = a;
        return o;
    };
    using M = TBatchResizeMode;
    const struct {
        const char* Name;
        std::int64_t W, H;
        TBatchOptions Options;
        std::int64_t WantW, WantH;
    } cases[] = {
        {"no resize keeps the size", 640, 480, TBatchOptions{}, 640, 480},
        // 5 x 10 div 100 = 0 on both sides, raised to 1.
        {"10 % of 5 x 5", 5, 5, opts(M::Scale, 10), 1, 1},
        {"50 % of 640 x 480", 640, 480, opts(M::Scale, 50), 320, 240},
        // 10 x 33 div 100 = 3 (integer division, not 3.3 rounded).
        {"33 % of 10 x 10", 10, 10, opts(M::Scale, 33), 3, 3},
        {"1000 % of 3 x 7", 3, 7, opts(M::Scale, 1000), 30, 70},
        // 480 / 640 x 200 = 150.
        {"width 200 of 640 x 480", 640, 480, opts(M::Width, 200), 200, 150},
        // 2 / 3 x 100 = 66.67 -> 67.
        {"width 100 of 3 x 2", 3, 2, opts(M::Width, 100), 100, 67},
        // 3 / 2 x 3 = 4.5 -> 4 (half to even); 3 / 2 x 5 = 7.5 -> 8.
        {"width 3 of 2 x 3", 2, 3, opts(M::Width, 3), 3, 4},
        {"width 5 of 2 x 3", 2, 3, opts(M::Width, 5), 5, 8},
        // 640 / 480 x 200 = 266.67 -> 267.
        {"height 200 of 640 x 480", 640, 480, opts(M::Height, 200), 267, 200},
        // 1 / 1000 x 10 = 0.01 -> 0, raised to 1.
        {"width 10 of 1000 x 1", 1000, 1, opts(M::Width, 10), 10, 1},
        {"size 7 x 9", 640, 480, opts(M::Size, 7, 9), 7, 9},
        // 2^28 x 10 does not overflow: the result is skipped later.
        {"1000 % of a long line", std::int64_t(1) << 28, 1, opts(M::Scale, 1000), std::int64_t(10) << 28, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TBatchSize size = BatchTargetSize(c.W, c.H, c.Options);
        EXPECT_EQ(size.Width, c.WantW);
        EXPECT_EQ(size.Height, c.WantH);
    }
}

TEST(BatchOptions, RangesAreChecked) {
    const struct {
        const char* Name;
        void (*Change)(TBatchOptions&);
    } bad[] = {
        {"scale 9", [](TBatchOptions& o) { o.Resize = true, o.ResizeMode = TBatchResizeMode::Scale, o.ScalePercent = 9; }},
        {"width 0", [](TBatchOptions& o) { o.Resize = true, o.Width = 0; }},
        {"height 100000", [](TBatchOptions& o) { o.Resize = true, o.ResizeMode = TBatchResizeMode::Height, o.Height = 100000; }},
        {"filter 7", [](TBatchOptions& o) { o.Resample = true, o.Filter = effects::TResampleFilter(7); }},
        {"depth 5", [](TBatchOptions& o) { o.ChangeDepth = true, o.DepthIndex = 5; }},
        {"gif without gif mode", [](TBatchOptions& o) { o.OutputType = TBatchOutputType::Gif; }},
        {"quality 0", [](TBatchOptions& o) { o.Quality = 0; }},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.Name);
        TBatchOptions o;
        c.Change(o);
        EXPECT_THROW(CheckBatchOptions(o), EDibImageInvalidDIBPara);
    }
    // A value of a switched-off part is not looked at.
    TBatchOptions o;
    o.Width = 0;
    o.DepthIndex = 9;
    EXPECT_NO_THROW(CheckBatchOptions(o));
}

TEST_F(BatchFolder, ListingTakesRegularFilesOfTheTypeOnly) {
    WriteMixed();
    WritePicture(in_ / "E.JPG", test::NoiseImage24(4, 4, 5));
    WritePicture(in_ / ".hidden.png", test::NoiseImage24(4, 4, 6));
    std::ofstream(in_ / "notes.txt") << "x";
    std::ofstream(in_ / "bmp") << "x";  // no extension
    fs::create_directories(in_ / "folder.bmp");
    ASSERT_EQ(::mkfifo((in_ / "pipe.png").c_str(), 0600), 0);
    fs::create_symlink(in_ / "a.bmp", in_ / "link.bmp");

    int entries = 0;
    EXPECT_EQ(Sorted(ListFolderFiles(in_, kAllPatterns, [&] { ++entries; })),
              (std::vector<std::string>{".hidden.png", "E.JPG", "a.bmp", "b.jpg", "c.png", "d.gif", "link.bmp"}));
    EXPECT_EQ(entries, 11);
    EXPECT_EQ(Sorted(ListFolderFiles(in_, "*.jpg *.jpe *.jpeg ")), (std::vector<std::string>{"E.JPG", "b.jpg"}));
    // ".jp" is in ".jpg " but is not a pattern of its own.
    std::ofstream(in_ / "x.jp") << "x";
    EXPECT_EQ(ListFolderFiles(in_, "*.jpg ").size(), 2u);
    EXPECT_TRUE(ListFolderFiles(dir_ / "missing", kAllPatterns).empty());
}

// Every output type from every input type: 50 % of 40 x 30 is 20 x 15, the
// nearest-pixel stretch of the decoded input. The lossless outputs hold
// exactly those pixels.
class BatchOutputType : public BatchFolder, public ::testing::WithParamInterface<TBatchOutputType> {};

TEST_P(BatchOutputType, MixedFolderConvertsEveryFile) {
    WriteMixed();
    TBatchOptions options;
    options.OutputType = GetParam();
    options.GifMode = true;
    options.Resize = true;
    options.ResizeMode = TBatchResizeMode::Scale;
    options.ScalePercent = 50;
    const TBatchSummary summary = Run(options);
    EXPECT_EQ(summary.Converted, 4);
    EXPECT_EQ(summary.Skipped + summary.Failed, 0);
    EXPECT_FALSE(summary.Cancelled);
    const std::string ext(BatchOutputExtension(GetParam()));
    for (const char* input : {"a.bmp", "b.jpg", "c.png", "d.gif"}) {
        SCOPED_TRACE(input);
        const std::string stem = fs::path(input).stem().string();
        const TDibImage written = ReadPicture(out_ / (stem + ext));
        ASSERT_EQ(written.Width(), 20);
        ASSERT_EQ(written.Height(), 15);
        const TDibImage expected = effects::StretchResize(ReadPicture(in_ / input), 20, 15);
        if (GetParam() == TBatchOutputType::Bmp || GetParam() == TBatchOutputType::Png) {
            std::string why;
            TDibImage a = written, b = expected;
            a.SetPixelFormat(dibPf24Bit);
            b.SetPixelFormat(dibPf24Bit);
            EXPECT_TRUE(test::SamePixels(a, b, &why)) << why;
        }
    }
    EXPECT_EQ(FolderNames(out_).size(), 4u);  // no temporary file left
}

INSTANTIATE_TEST_SUITE_P(EachType, BatchOutputType,
                         ::testing::Values(TBatchOutputType::Bmp, TBatchOutputType::Jpeg, TBatchOutputType::Png,
                                           TBatchOutputType::Gif),
                         [](const auto& param) {
                             return std::string(BatchOutputExtension(param.param).substr(1));
                         });

TEST_F(BatchFolder, WidthOnlyResamplesKeepingTheAspectRatio) {
    const TDibImage source = test::NoiseImage24(40, 30, 9);
    WritePicture(in_ / "p.bmp", source);
    TBatchOptions options;
    options.Resize = true;
    options.ResizeMode = TBatchResizeMode::Width;
    options.Width = 25;  // 30 / 40 x 25 = 18.75 -> 19
    options.Resample = true;
    options.Filter = effects::rfMitchell;
    EXPECT_EQ(Run(options).Converted, 1);
    const TDibImage written = ReadPicture(out_ / "p.bmp");
    const TDibImage expected = effects::Resample(source, effects::rfMitchell, 25, 19, {});
    std::string why;
    EXPECT_TRUE(test::SamePixels(written, expected, &why)) << why;
}

TEST_F(BatchFolder, ColourDepthOfEachListEntry) {
    WritePicture(in_ / "p.bmp", test::NoiseImage24(16, 8, 3));
    const int wantBits[kBatchColorDepthCount] = {24, 8, 4, 1, 1};
    for (int index = 0; index < kBatchColorDepthCount; ++index) {
        SCOPED_TRACE(index);
        TBatchOptions options;
        options.ChangeDepth = true;
        options.DepthIndex = index;
        EXPECT_EQ(Run(options).Converted, 1);
        EXPECT_EQ(ReadPicture(out_ / "p.bmp").BitCount(), wantBits[index]);
    }
}

TEST_F(BatchFolder, CollisionsInTheInputFolderAreSkipped) {
    const TDibImage aBmp = test::NoiseImage24(8, 8, 1), aJpg = test::NoiseImage24(8, 8, 2);
    const TDibImage bBmp = test::NoiseImage24(8, 8, 3), bPng = test::NoiseImage24(8, 8, 4);
    WritePicture(in_ / "a.bmp", aBmp);
    WritePicture(in_ / "a.jpg", aJpg);
    WritePicture(in_ / "b.bmp", bBmp);
    WritePicture(in_ / "b.png", bPng);
    WritePicture(in_ / "c.png", test::NoiseImage24(8, 8, 5));
    const std::string aBmpBytes = FileBytes(in_ / "a.bmp"), bBmpBytes = FileBytes(in_ / "b.bmp");
    // The output folder is the input folder, once by its own name and once
    // through a link.
    fs::create_directory_symlink(in_, dir_ / "same");
    for (const fs::path& outFolder : {in_, dir_ / "same"}) {
        SCOPED_TRACE(outFolder.string());
        TBatchOptions options;
        options.OutputType = TBatchOutputType::Png;
        options.Resize = true;
        options.ResizeMode = TBatchResizeMode::Size;
        options.Width = 4;
        options.Height = 2;
        const TBatchSummary summary = Run(options, {}, 1, &outFolder);
        // a.bmp and a.jpg both -> a.png: neither. b.bmp -> b.png, an input:
        // skipped. b.png and c.png onto themselves: converted.
        EXPECT_EQ(summary.Converted, 2);
        EXPECT_EQ(summary.Skipped, 3);
        EXPECT_EQ(ResultOf(summary, "a.bmp").Outcome, TBatchOutcome::OutputClaimedTwice);
        EXPECT_EQ(ResultOf(summary, "a.bmp").Detail, "a.jpg");
        EXPECT_EQ(ResultOf(summary, "a.jpg").Outcome, TBatchOutcome::OutputClaimedTwice);
        EXPECT_EQ(ResultOf(summary, "a.jpg").Detail, "a.bmp");
        EXPECT_EQ(ResultOf(summary, "b.bmp").Outcome, TBatchOutcome::OutputIsInput);
        EXPECT_EQ(ResultOf(summary, "b.bmp").Detail, "b.png");
        EXPECT_EQ(ResultOf(summary, "b.png").Outcome, TBatchOutcome::Converted);
        EXPECT_FALSE(fs::exists(in_ / "a.png"));
        EXPECT_EQ(FileBytes(in_ / "a.bmp"), aBmpBytes);
        EXPECT_EQ(FileBytes(in_ / "b.bmp"), bBmpBytes);
        // b.png is its own converted picture, not b.bmp's.
        std::string why;
        const TDibImage bOut = ReadPicture(in_ / "b.png");
        TDibImage bWant = effects::StretchResize(bPng, 4, 2);
        EXPECT_TRUE(test::SamePixels(bOut, bWant, &why)) << why;
    }
    EXPECT_EQ(FolderNames(in_), (std::vector<std::string>{"a.bmp", "a.jpg", "b.bmp", "b.png", "c.png"}));
}

TEST_F(BatchFolder, ClaimsInAnotherFolderAreSkippedToo) {
    WritePicture(in_ / "a.bmp", test::NoiseImage24(4, 4, 1));
    WritePicture(in_ / "a.jpg", test::NoiseImage24(4, 4, 2));
    WritePicture(in_ / "b.jpg", test::NoiseImage24(4, 4, 3));
    TBatchOptions options;
    options.OutputType = TBatchOutputType::Png;
    const TBatchSummary summary = Run(options);
    EXPECT_EQ(summary.Converted, 1);
    EXPECT_EQ(summary.Skipped, 2);
    EXPECT_EQ(FolderNames(out_), (std::vector<std::string>{"b.png"}));
}

TEST_F(BatchFolder, UnreadableAndOversizedFilesAreSkippedAndCounted) {
    WritePicture(in_ / "good.bmp", test::NoiseImage24(6, 4, 1));
    std::ofstream(in_ / "broken.jpg", std::ios::binary) << "not a JPEG at all";
    std::ofstream(in_ / "empty.png", std::ios::binary);
    std::ofstream(in_ / "icon.ico", std::ios::binary) << "icon";
    TBatchOptions options;
    options.OutputType = TBatchOutputType::Png;
    TBatchSummary summary = Run(options);
    EXPECT_EQ(summary.Converted, 1);
    EXPECT_EQ(summary.Skipped, 3);
    EXPECT_EQ(summary.Failed, 0);
    for (const char* name : {"broken.jpg", "empty.png", "icon.ico"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ResultOf(summary, name).Outcome, TBatchOutcome::Unreadable);
    }
    EXPECT_FALSE(ResultOf(summary, "broken.jpg").Detail.empty());
    EXPECT_TRUE(ResultOf(summary, "icon.ico").Detail.empty());  // no reader
    EXPECT_EQ(FolderNames(out_), (std::vector<std::string>{"good.png"}));

    // 99999 x 99999 is above the pixel limit: skipped, nothing written.
    fs::remove(out_ / "good.png");
    options.Resize = true;
    options.ResizeMode = TBatchResizeMode::Size;
    options.Width = 99999;
    options.Height = 99999;
    summary = Run(options);
    EXPECT_EQ(ResultOf(summary, "good.bmp").Outcome, TBatchOutcome::TooLarge);
    EXPECT_EQ(ResultOf(summary, "good.bmp").Detail, "99999 x 99999");
    EXPECT_TRUE(FolderNames(out_).empty());
}

TEST_F(BatchFolder, SaveFailuresAreCountedAndTheRunGoesOn) {
    WriteMixed();
    // A folder where c.bmp should go: the save cannot replace it.
    fs::create_directory(out_ / "c.bmp");
    std::vector<int> done;
    TBatchCallbacks callbacks;
    callbacks.OnFileDone = [&](int index, const TBatchItem&, const TBatchFileResult&) { done.push_back(index); };
    TBatchOptions options;
    options.GifMode = true;
    const TBatchSummary summary = Run(options, callbacks);
    EXPECT_EQ(summary.Converted, 3);
    EXPECT_EQ(summary.Failed, 1);
    EXPECT_EQ(ResultOf(summary, "c.png").Outcome, TBatchOutcome::Failed);
    EXPECT_FALSE(ResultOf(summary, "c.png").Detail.empty());
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(FolderNames(out_), (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    EXPECT_TRUE(fs::is_directory(out_ / "c.bmp"));
}

// Cancelling half-way: the files before are complete, the file being
// converted is dropped before its save, and the rest are not touched.
TEST_F(BatchFolder, CancelHalfWayLeavesCompleteFilesOnly) {
    for (int i = 0; i < 5; ++i) WritePicture(in_ / ("p" + std::to_string(i) + ".bmp"), test::NoiseImage24(30, 20, i));
    for (int pollToStop = 1; pollToStop <= 10; ++pollToStop) {
        SCOPED_TRACE(pollToStop);
        fs::remove_all(out_);
        fs::create_directory(out_);
        int polls = 0;
        TBatchCallbacks callbacks;
        // Each file is polled before it starts, once it is shown, after its
        // load and before its save: four polls a file.
        callbacks.Cancelled = [&] { return ++polls >= pollToStop; };
        TBatchOptions options;
        options.OutputType = TBatchOutputType::Png;
        const TBatchSummary summary = Run(options, callbacks);
        EXPECT_TRUE(summary.Cancelled);
        EXPECT_EQ(summary.Converted, (pollToStop - 1) / 4);
        const std::vector<std::string> written = FolderNames(out_);
        ASSERT_EQ(int(written.size()), summary.Converted);
        for (int i = 0; i < summary.Converted; ++i) {
            EXPECT_EQ(written[std::size_t(i)], "p" + std::to_string(i) + ".png");
            std::string why;
            EXPECT_TRUE(test::SamePixels(ReadPicture(out_ / written[std::size_t(i)]), test::NoiseImage24(30, 20, i),
                                         &why))
                << why;
        }
        for (std::size_t i = std::size_t(summary.Converted) + 1; i < summary.Results.size(); ++i)
            EXPECT_EQ(summary.Results[i].Outcome, TBatchOutcome::Pending);
    }
}

TEST_F(BatchFolder, SeveralJobsWriteTheSameBytes) {
    for (int i = 0; i < 7; ++i) {
        WritePicture(in_ / ("p" + std::to_string(i) + ".bmp"), test::NoiseImage24(37 + i, 23, i));
        WritePicture(in_ / ("q" + std::to_string(i) + ".gif"), test::NoiseImagePalette(19, 29 + i, 8, 99, i));
    }
    TBatchOptions options;
    options.GifMode = true;
    options.OutputType = TBatchOutputType::Jpeg;
    options.Resize = true;
    options.ResizeMode = TBatchResizeMode::Scale;
    options.ScalePercent = 70;
    options.Resample = true;
    options.Filter = effects::rfLanczos3;
    const TBatchSummary one = Run(options, {}, 1);
    EXPECT_EQ(one.Converted, 14);
    std::vector<std::string> bytes;
    for (const auto& name : FolderNames(out_)) bytes.push_back(FileBytes(out_ / name));

    const fs::path out3 = dir_ / "out3";
    fs::create_directory(out3);
    std::set<int> started;
    TBatchCallbacks callbacks;
    callbacks.OnFileStart = [&](int index, int count, const TBatchItem&) {
        EXPECT_EQ(count, 14);
        started.insert(index);
    };
    const TBatchSummary three = Run(options, callbacks, 3, &out3);
    EXPECT_EQ(three.Converted, 14);
    EXPECT_EQ(started.size(), 14u);
    ASSERT_EQ(FolderNames(out3), FolderNames(out_));
    std::size_t i = 0;
    for (const auto& name : FolderNames(out3)) EXPECT_EQ(FileBytes(out3 / name), bytes[i++]) << name;
}

TEST(BatchDocument, KeepsNoUndoHistory) {
    TQxImage doc;
    doc.SetUndoBuffer(10);
    doc.Bitmap().Assign(test::NoiseImage24(20, 20, 1));
    doc.Negative();
    EXPECT_EQ(doc.UndoCount(), 1);
    // Switching the history off forgets it, and later edits write nothing.
    doc.SetKeepUndo(false);
    EXPECT_EQ(doc.UndoCount(), 0);
    doc.Negative();
    doc.Resample(effects::rfBox, 10, 10);
    doc.ColorDepth(TColorDepth::Bits8);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_EQ(fs::file_size(doc.UndoFileName()), 0u);
    doc.Undo(1);
    EXPECT_EQ(doc.Bitmap().Width(), 10);
    doc.SetKeepUndo(true);
    doc.Negative();
    EXPECT_EQ(doc.UndoCount(), 1);
}

}  // namespace
}  // namespace zelvo
