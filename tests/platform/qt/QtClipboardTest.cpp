#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include "GuiTestEnvironment.h"
#include "TestSupport.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "platform/Bitmap.h"
#include "platform/qt/QtClipboard.h"

namespace zelvo {
namespace {

::testing::Environment* const kGui =
    ::testing::AddGlobalTestEnvironment(new test::GuiTestEnvironment("zelvo_platform_qt_tests"));

QClipboard& System() { return *QGuiApplication::clipboard(); }

void ExpectSame(const TDibImage& a, const TDibImage& b) {
    std::string why;
    EXPECT_TRUE(test::SamePixels(a, b, &why)) << why;
}

// Each test reads and writes the system clipboard through its own watcher.
class Clipboard : public ::testing::Test {
protected:
    TQtClipboard clipboard;
};

// An 8- or 4-bit picture of long runs (RLE makes it smaller).
TDibImage Runs(int bits) {
    TDibImage image = test::NoiseImagePalette(40, 6, bits, 1 << bits, 3);
    for (int y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.ScanLine(y);
        std::memset(row, bits == 8 ? y * 7 : 0x33 * (y % 4), std::size_t(image.RowBytes()));
    }
    return image;
}

TEST_F(Clipboard, AvailableUnderTheOffscreenPlatform) {
    EXPECT_TRUE(TQtClipboard::Available());
    clipboard.Clear();
    EXPECT_FALSE(clipboard.HasBitmap());
    TDibImage untouched = test::NoiseImage24(2, 2, 1);
    EXPECT_FALSE(clipboard.GetDib(untouched));
    EXPECT_TRUE(clipboard.GetImage().isNull());
}

// The packed DIB comes back in its own depth, colour table, order and
// compression, bit for bit.
TEST_F(Clipboard, DibRoundTripAtEveryDepth) {
    std::vector<std::pair<std::string, TDibImage>> cases = {
        {"1 bit", test::NoiseImagePalette(37, 5, 1, 2, 1)},
        {"4 bits", test::NoiseImagePalette(37, 5, 4, 16, 2)},
        {"8 bits", test::NoiseImagePalette(37, 5, 8, 200, 3)},
        {"24 bits", test::NoiseImage24(37, 5, 4)},
        {"24 bits top-down", test::NoiseImage24(37, 5, 5, true)},
    };
    TDibImage rle8 = Runs(8);
    rle8.SetPixelFormat(dibPf8BitRLE);
    TDibImage rle4 = Runs(4);
    rle4.SetPixelFormat(dibPf4BitRLE);
    cases.push_back({"RLE8", rle8});
    cases.push_back({"RLE4", rle4});
    for (const auto& [name, image] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(clipboard.PutDib(image));
        EXPECT_TRUE(clipboard.HasBitmap());
        EXPECT_TRUE(clipboard.HasDib());
        TDibImage back;
        ASSERT_TRUE(clipboard.GetDib(back));
        EXPECT_EQ(back.PixelFormat(), image.PixelFormat());
        std::uint16_t format = 0;
        HPALETTE palette;
        EXPECT_EQ(back.SaveToClipboardFormat(format, palette), image.SaveToClipboardFormat(format, palette));
        if (image.Header().biCompression == BI_RGB) ExpectSame(back, image);
    }
}

// Other programs get a plain image of the same colours.
TEST_F(Clipboard, PutOffersAPlainImageForOtherPrograms) {
    const TDibImage image = test::NoiseImagePalette(9, 4, 4, 16, 8);
    ASSERT_TRUE(clipboard.PutDib(image));
    const QMimeData* mime = System().mimeData();
    ASSERT_TRUE(mime->hasImage());
    const QImage plain = qvariant_cast<QImage>(mime->imageData());
    ASSERT_EQ(plain.size(), QSize(9, 4));
    TBitmap bitmap;
    bitmap.Assign(image);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) {
            const TColor c = bitmap.PixelColor(x, y);
            ASSERT_EQ(plain.pixel(x, y), qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) << x << "," << y;
        }
}

TEST_F(Clipboard, ReadsBmpDataOfOtherPrograms) {
    const TDibImage image = test::NoiseImagePalette(11, 3, 8, 100, 9);
    // As a BMP file.
    TMemoryStream file;
    image.SaveToStream(file);
    const std::vector<std::uint8_t> fileBytes = file.Data();
    // As a packed DIB: the file without its 14-byte header.
    std::uint16_t format = 0;
    HPALETTE palette;
    const std::vector<std::uint8_t> packed = image.SaveToClipboardFormat(format, palette);
    for (const auto* bytes : {&fileBytes, &packed}) {
        SCOPED_TRACE(bytes == &packed ? "packed DIB" : "BMP file");
        auto* mime = new QMimeData;
        mime->setData(kBmpMimeType, QByteArray(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size())));
        System().setMimeData(mime);
        EXPECT_TRUE(clipboard.HasBitmap());
        TDibImage back;
        ASSERT_TRUE(clipboard.GetDib(back));
        ExpectSame(back, image);
    }
    // Damaged data is reported, and the target is left alone.
    auto* bad = new QMimeData;
    bad->setData(kDibMimeType, QByteArray("\x28\0\0\0\x05", 5));
    System().setMimeData(bad);
    TDibImage target = test::NoiseImage24(3, 3, 10);
    const TDibImage before(target);
    EXPECT_THROW(clipboard.GetDib(target), EDibImageError);
    ExpectSame(target, before);
}

TEST_F(Clipboard, OtherImagesBecomeOpaqueTwentyFourBitPictures) {
    QImage argb(100, 50, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 20, 30, 255));
    argb.setPixel(3, 4, qRgba(200, 100, 50, 0));     // transparent: black
    argb.setPixel(5, 6, qRgba(200, 100, 50, 255));
    System().setImage(argb);
    EXPECT_TRUE(clipboard.HasBitmap());
    EXPECT_FALSE(clipboard.HasDib());
    TDibImage none;
    EXPECT_FALSE(clipboard.GetDib(none));
    const QImage image = clipboard.GetImage();
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_EQ(image.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(3, 4), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 6), qRgb(200, 100, 50));
}

TEST_F(Clipboard, ChangedFollowsEveryChange) {
    int changes = 0;
    QObject::connect(&clipboard, &TQtClipboard::Changed, [&] { ++changes; });
    clipboard.PutDib(test::NoiseImage24(2, 2, 11));
    EXPECT_EQ(changes, 1);
    System().setText("text only");
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(clipboard.HasBitmap());
    clipboard.PutDib(test::NoiseImage24(2, 2, 12));
    clipboard.Clear();
    EXPECT_EQ(changes, 4);
    EXPECT_FALSE(clipboard.HasBitmap());
}

// Pasting asks for any other picture as 24 bits: even an indexed image,
// with its last row and column.
TEST_F(Clipboard, OtherPicturesArriveAsTwentyFourBitDibs) {
    QImage image(100, 50, QImage::Format_Indexed8);
    image.setColorTable({qRgb(1, 2, 3), qRgb(250, 128, 4)});
    image.fill(0);
    image.setPixel(99, 49, 1);
    System().setImage(image);
    TDibImage picture;
    ASSERT_TRUE(clipboard.GetPicture(picture));
    ASSERT_EQ(picture.Width(), 100);
    ASSERT_EQ(picture.Height(), 50);
    EXPECT_EQ(picture.BitCount(), 24);
    EXPECT_EQ(picture.GetPixels(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(picture.GetPixels(99, 49), RGB(250, 128, 4));

    // Without a picture the target stays as it was.
    System().setText("no picture");
    const TDibImage before = test::NoiseImage24(2, 2, 13);
    TDibImage untouched = before;
    EXPECT_FALSE(clipboard.GetPicture(untouched));
    ExpectSame(untouched, before);
}

// The editor installs its clipboard for the document; one that goes away
// takes itself out so the document never reaches a dead clipboard.
TEST(ClipboardInstallation, AClipboardGoingAwayUninstallsItself) {
    ASSERT_EQ(InstalledClipboard(), nullptr);
    {
        TQtClipboard system;
        InstallClipboard(&system);
        EXPECT_EQ(InstalledClipboard(), &system);
    }
    EXPECT_EQ(InstalledClipboard(), nullptr);

    TQtClipboard kept;
    InstallClipboard(&kept);
    { TQtClipboard watcherOnly; }  // never installed: leaves the installed one alone
    EXPECT_EQ(InstalledClipboard(), &kept);
    InstallClipboard(nullptr);
}

}  // namespace
}  // namespace zelvo

namespace zelvo {
namespace {

// Files copied in a file manager: the local paths of "text/uri-list" in
// order (other schemes left out, percent-escapes decoded), GNOME's list
// when there is no URI list, and the same through the system clipboard.
TEST(MimeLocalFiles, UriListAndGnomeCopiedFiles) {
    struct TCase {
        const char* Format;
        const char* Data;
        QStringList Expected;
    };
    const TCase cases[] = {
        {"text/uri-list",
         "file:///tmp/a%20b.png\r\nhttps://example.org/c.png\r\nfile:///tmp/%E5%86%99%E7%9C%9F.jpg\r\n",
         {QStringLiteral("/tmp/a b.png"), QString::fromUtf8("/tmp/写真.jpg")}},
        {"text/uri-list", "# a comment line\r\nfile:///x.bmp\r\n", {QStringLiteral("/x.bmp")}},
        {"x-special/gnome-copied-files", "copy\nfile:///home/u/one.bmp\nfile:///home/u/two%23.png",
         {QStringLiteral("/home/u/one.bmp"), QStringLiteral("/home/u/two#.png")}},
        {"x-special/gnome-copied-files", "cut\nfile:///one.bmp\n\n", {QStringLiteral("/one.bmp")}},
        {"x-special/gnome-copied-files", "copy", {}},
        {"x-special/gnome-copied-files", "copy\nsftp://host/one.bmp", {}},
        {"text/plain", "file:///not-a-list.bmp", {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Data);
        QMimeData mime;
        mime.setData(QString::fromLatin1(c.Format), QByteArray(c.Data));
        EXPECT_EQ(MimeLocalFiles(mime), c.Expected);
    }
    // A URI list wins over GNOME's list.
    QMimeData both;
    both.setData(QStringLiteral("text/uri-list"), "file:///first.bmp\r\n");
    both.setData(QString::fromLatin1(kGnomeCopiedFilesMimeType), "copy\nfile:///second.bmp");
    EXPECT_EQ(MimeLocalFiles(both), QStringList{QStringLiteral("/first.bmp")});

    TQtClipboard clipboard;
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/p q.bmp")), QUrl(QStringLiteral("http://h/x.bmp"))});
    QGuiApplication::clipboard()->setMimeData(mime);
    const std::vector<std::filesystem::path> files = clipboard.GetFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], std::filesystem::path("/tmp/p q.bmp"));
    EXPECT_FALSE(clipboard.HasBitmap());
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(clipboard.GetFiles().empty());
}

}  // namespace
}  // namespace zelvo
