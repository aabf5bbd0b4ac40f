// The TJPEGImage object: lazy decoding and compression, shared records,
// options that drop the decoded picture, progress reports and aborts.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "TestSupport.h"
#include "formats/JpegImage.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

fs::path Corpus(const char* name) { return test::CorpusDir() / "jpeg" / name; }

// Restores the progress interval after a test shortened it.
struct ProgressIntervalScope {
    explicit ProgressIntervalScope(int ms) { SetJpegProgressInterval(ms); }
    ~ProgressIntervalScope() { SetJpegProgressInterval(500); }
};

TEST(JpegObject, LoadingReadsOnlyTheHeaderAndDecodesOnDemand) {
    TJPEGImage jpeg;
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_EQ(jpeg.Bitmap(), nullptr);
    jpeg.LoadFromFile(Corpus("libjpeg-turbo/testorig.jpg"));
    EXPECT_FALSE(jpeg.Empty());
    EXPECT_EQ(jpeg.Width(), 227);
    EXPECT_EQ(jpeg.Height(), 149);
    // At a reduced scale the size is what the decoder will give: 227 / 4
    // rounded up is 57, 149 / 4 rounded up is 38.
    jpeg.SetScale(TJPEGScale::jsQuarter);
    EXPECT_EQ(jpeg.Width(), 57);
    EXPECT_EQ(jpeg.Height(), 38);
    const TDibImage* picture = jpeg.Bitmap();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 57);
    EXPECT_EQ(picture->Height(), 38);
    EXPECT_FALSE(picture->Header().biHeight < 0) << "pictures are stored bottom-up";

    try {
        jpeg.SetWidth(10);
        ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "JPEG イメージのサイズは変更できません");
    }
    EXPECT_THROW(jpeg.SetHeight(10), EInvalidGraphic);
}

TEST(JpegObject, DecodingOptionsDropThePictureOnlyWhenBytesCanGiveItAgain) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Corpus("pillow/hopper.jpg"));
    int changes = 0;
    jpeg.OnChange = [&](void*) { ++changes; };
    const TDibImage* first = jpeg.Bitmap();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->BitCount(), 24);
    EXPECT_EQ(changes, 1);  // decoding notifies
    jpeg.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(jpeg.Bitmap()->BitCount(), 8);

    // A picture assigned without bytes is the only copy of the image and
    // survives an option change.
    TJPEGImage fromPicture;
    fromPicture.Assign(test::NoiseImage24(8, 8, 3));
    fromPicture.SetPerformance(TJPEGPerformance::jpBestSpeed);
    ASSERT_NE(fromPicture.Bitmap(), nullptr);
    EXPECT_EQ(fromPicture.Bitmap()->Width(), 8);
}

TEST(JpegObject, AssignmentSharesTheRecordAndCompressesLazily) {
    TJPEGImage a;
    a.Assign(test::NoiseImage24(16, 16, 11));
    EXPECT_TRUE(a.CompressedBytes().empty());
    TMemoryStream saved;
    a.SaveToStream(saved);
    EXPECT_FALSE(a.CompressedBytes().empty());
    EXPECT_EQ(a.CompressedBytes().size(), saved.Data().size());

    TJPEGImage b;
    b.Assign(a);
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(b.CompressedBytes().data(), a.CompressedBytes().data()) << "the record is shared, not copied";

    TJPEGImage c;
    saved.SetPosition(0);
    c.LoadFromStream(saved);
    EXPECT_TRUE(c.Equals(a)) << "equal bytes";
    TJPEGImage d;
    d.Assign(test::NoiseImage24(16, 16, 12));
    EXPECT_FALSE(d.Equals(a));
    TJPEGImage empty1, empty2;
    EXPECT_FALSE(empty1.Equals(empty2)) << "two empty objects have no bytes to compare";

    // Assigning to a picture decodes; an empty object leaves the target alone.
    TDibImage target;
    c.AssignTo(target);
    EXPECT_EQ(target.Width(), 16);
    TDibImage untouched;
    empty1.AssignTo(untouched);
    EXPECT_EQ(untouched.Width(), 1);
}

TEST(JpegObject, DrawStretchesTheDecodedPicture) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Corpus("pillow/hopper.jpg"));
    TDibImage target;
    target.SetBitCount(24);
    target.SetWidth(256);
    target.SetHeight(256);
    {
        TDibImageCanvas canvas(target);
        jpeg.Draw(canvas, Rect(0, 0, 256, 256));
    }
    // Twice the size with the nearest pixel: target (2x+1, 2y) is source (x, y).
    const TDibImage* picture = jpeg.Bitmap();
    for (int y : {0, 37, 127})
        for (int x : {0, 64, 127}) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_EQ(target.GetPixels(2 * x + 1, 2 * y), picture->GetPixels(x, y));
        }
}

TEST(JpegObject, DecodePaletteIsUsedForEightBitColour) {
    auto palette = std::make_shared<TLogPalette>();
    palette->Entries = {{0, 0, 0, 0}, {255, 255, 255, 0}, {255, 0, 0, 0}};
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Corpus("pillow/hopper.jpg"));
    jpeg.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    jpeg.SetDecodePalette(palette);
    const TDibImage* picture = jpeg.Bitmap();
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->ColorsUsed(), 3);
    EXPECT_EQ(picture->ColorTable()[2], (TRGBQuad{0, 0, 255, 0}));
    int used[3] = {};
    for (int y = 0; y < picture->Height(); ++y)
        for (int x = 0; x < picture->Width(); ++x) {
            const int index = picture->ScanLineRead(y)[x];
            ASSERT_LT(index, 3);
            ++used[index];
        }
    for (int count : used) EXPECT_GT(count, 0) << "every palette entry is used";
}

struct Report {
    TProgressStage stage;
    int percent;
    TRect rect;
};

TEST(JpegObject, ProgressIsReportedInStagesWithTheChangedRows) {
    ProgressIntervalScope interval(0);
    for (const char* file : {"libjpeg-turbo/testorig.jpg", "image-rs/3.jpg"}) {
        SCOPED_TRACE(file);
        TJPEGImage jpeg;
        jpeg.LoadFromFile(Corpus(file));
        std::vector<Report> reports;
        jpeg.OnProgress = [&](TJPEGImage&, TProgressStage stage, std::uint8_t percent, bool, const TRect& rect,
                              const std::string&) { reports.push_back({stage, percent, rect}); };
        const TDibImage* picture = jpeg.Bitmap();
        ASSERT_NE(picture, nullptr);
        ASSERT_GE(reports.size(), 3u);
        EXPECT_EQ(reports.front().stage, TProgressStage::psStarting);
        EXPECT_EQ(reports.back().stage, TProgressStage::psEnding);
        EXPECT_EQ(reports.back().percent, 100);
        for (std::size_t i = 1; i + 1 < reports.size(); ++i) {
            const Report& r = reports[i];
            EXPECT_EQ(r.stage, TProgressStage::psRunning);
            EXPECT_LE(r.percent, 100);
            if (i > 1) {
                EXPECT_NE(r.percent, reports[i - 1].percent) << "only a changed percentage is reported";
            }
            EXPECT_EQ(r.rect.Left, 0);
            EXPECT_EQ(r.rect.Right, picture->Width());
            EXPECT_LE(r.rect.Bottom, picture->Height());
            EXPECT_LE(r.rect.Top, r.rect.Bottom);
        }
    }
}

TEST(JpegObject, AbortKeepsDecodedRowsAndDiscardsPartialCompression) {
    ProgressIntervalScope interval(0);
    {
        // Decoding: the abort is swallowed; the picture has its full size
        // and the rows decoded before the abort.
        TJPEGImage jpeg;
        jpeg.LoadFromFile(Corpus("pillow/flower.jpg"));
        int running = 0;
        std::vector<Report> reports;
        jpeg.OnProgress = [&](TJPEGImage&, TProgressStage stage, std::uint8_t percent, bool, const TRect& rect,
                              const std::string&) {
            reports.push_back({stage, percent, rect});
            if (stage == TProgressStage::psRunning && ++running == 2) throw EAbort("");
        };
        const TDibImage* picture = nullptr;
        ASSERT_NO_THROW(picture = jpeg.Bitmap());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->Width(), 480);
        EXPECT_EQ(reports.back().stage, TProgressStage::psEnding);
        EXPECT_EQ(reports.back().percent, 0);
        // The bottom row was never reached: still all zero.
        const std::uint8_t* bottom = picture->ScanLineRead(picture->Height() - 1);
        EXPECT_TRUE(std::all_of(bottom, bottom + 3 * 480, [](std::uint8_t v) { return v == 0; }));
    }
    {
        TJPEGImage jpeg;
        jpeg.Assign(test::NoiseImage24(300, 300, 5));
        jpeg.OnProgress = [&](TJPEGImage&, TProgressStage stage, std::uint8_t, bool, const TRect&,
                              const std::string&) {
            if (stage == TProgressStage::psRunning) throw EAbort("");
        };
        TMemoryStream out;
        ASSERT_NO_THROW(jpeg.SaveToStream(out));
        EXPECT_EQ(out.Size(), 0);
        EXPECT_TRUE(jpeg.CompressedBytes().empty());
    }
}

TEST(JpegObject, AForeignExceptionFromTheHandlerLeavesUnchanged) {
    ProgressIntervalScope interval(0);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Corpus("image-rs/3.jpg"));
    jpeg.OnProgress = [&](TJPEGImage&, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
        if (stage == TProgressStage::psRunning) throw std::logic_error("handler failed");
    };
    EXPECT_THROW(jpeg.Decode(), std::logic_error);
    EXPECT_FALSE(jpeg.Empty());
    jpeg.OnProgress = nullptr;
    EXPECT_NE(jpeg.Bitmap(), nullptr) << "the object decodes again afterwards";
}

}  // namespace
}  // namespace zelvo
