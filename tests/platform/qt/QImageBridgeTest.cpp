// The bridge between the platform bitmap and QImage: exact colours of a
// rectangle at every depth, clipping, QImages of every kind taken back, and
// conversions Qt cannot allocate.

#include <gtest/gtest.h>

#include <QImage>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include "TestSupport.h"
#include "image/Exceptions.h"
#include "platform/Bitmap.h"
#include "../BitmapTestSupport.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {
namespace {

// Each depth with a hand-set pattern, stored bottom-up and top-down; the
// rectangle starts at an odd column so nibble and bit addressing is checked.
TEST(BitmapScreen, RectangleToQImageExactColours) {
    const TColor table[4] = {clBlack, clRed, clLime, clBlue};
    for (int bits : {1, 4, 8, 24}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(::testing::Message() << bits << " bits, top-down " << topDown);
            const int w = 11, h = 4;
            TDibImage img;
            std::vector<std::vector<TColor>> want(h, std::vector<TColor>(w));
            const int colours = bits == 1 ? 2 : 4;
            if (bits == 24) {
                img = test::NoiseImage24(w, h, 9, topDown);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) want[y][x] = img.GetPixels(x, y);
            } else {
                img = test::FourColours(w, h, bits, topDown);
                for (int y = 0; y < h; ++y) {
                    std::uint8_t* row = img.ScanLine(y);
                    for (int x = 0; x < w; ++x) {
                        const int index = (x * 3 + y) % colours;
                        if (bits == 8) row[x] = std::uint8_t(index);
                        if (bits == 4) row[x / 2] |= std::uint8_t(x % 2 ? index : index << 4);
                        if (bits == 1) row[x / 8] |= std::uint8_t(index << (7 - x % 8));
                        want[y][x] = table[index];
                    }
                }
            }
            TBitmap b;
            b.Assign(img);
            const QImage q = ToQImage(b, TRect{3, 1, 10, 4});
            ASSERT_EQ(q.format(), QImage::Format_RGB888);
            ASSERT_EQ(q.width(), 7);
            ASSERT_EQ(q.height(), 3);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 7; ++x) {
                    const TColor c = want[y + 1][x + 3];
                    const QRgb got = q.pixel(x, y);
                    ASSERT_EQ(RGB(std::uint8_t(qRed(got)), std::uint8_t(qGreen(got)), std::uint8_t(qBlue(got))), c)
                        << x << "," << y;
                }
            }
        }
    }
}

TEST(BitmapScreen, ClippingAndQImageBack) {
    TBitmap b = test::Solid24(4, 3, RGB(1, 2, 3));
    EXPECT_EQ(ToQImage(b, TRect{-2, -2, 2, 9}).size(), QSize(2, 3));
    EXPECT_TRUE(ToQImage(b, TRect{4, 0, 8, 3}).isNull());
    EXPECT_TRUE(ToQImage(TBitmap()).isNull());

    // Indexed images keep their table; others become 24 bits without alpha.
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(9, 8, 7), qRgb(200, 100, 50)});
    indexed.fill(0);
    indexed.setPixel(2, 1, 1);
    TBitmap fromIndexed;
    AssignQImage(fromIndexed, indexed);
    EXPECT_EQ(fromIndexed.BitCount(), 8);
    EXPECT_EQ(fromIndexed.Dib().ColorsUsed(), 2);
    EXPECT_EQ(fromIndexed.PixelColor(2, 1), RGB(200, 100, 50));
    EXPECT_EQ(fromIndexed.PixelColor(0, 0), RGB(9, 8, 7));

    QImage argb(2, 2, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 20, 30, 0));
    TBitmap fromArgb;
    AssignQImage(fromArgb, argb);
    EXPECT_EQ(fromArgb.BitCount(), 24);
    EXPECT_EQ(fromArgb.PixelColor(1, 1), RGB(10, 20, 30));

    QImage mono(10, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(9, 0, 1);
    TBitmap fromMono;
    AssignQImage(fromMono, mono);
    EXPECT_EQ(fromMono.BitCount(), 1);
    EXPECT_EQ(fromMono.PixelColor(9, 0), clWhite);
    EXPECT_EQ(fromMono.PixelColor(8, 0), clBlack);

    AssignQImage(fromMono, QImage());
    EXPECT_TRUE(fromMono.Empty());
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// Allows the process `headroomBytes` of address space beyond what it uses
// now, for the life of the object, so large allocations fail.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::uint64_t headroomBytes) {
        std::uint64_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        ::getrlimit(RLIMIT_AS, &old_);
        rlimit limit = old_;
        limit.rlim_cur = rlim_t(pages * std::uint64_t(::sysconf(_SC_PAGESIZE)) + headroomBytes);
        active_ = pages > 0 && ::setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~AddressSpaceLimit() {
        if (active_) ::setrlimit(RLIMIT_AS, &old_);
    }
    bool Active() const { return active_; }

private:
    rlimit old_{};
    bool active_ = false;
};

TEST(BitmapScreen, ConversionsQtCannotAllocateFailCleanly) {
    if (kAddressSanitizer) GTEST_SKIP() << "the sanitizer needs the address space";
    // Untouched memory: 128 MB of 8-bit pixels and a 512 MB 32-bit QImage,
    // whose 24-bit forms (384 MB each) do not fit in the headroom.
    TBitmap big(16384, 8192, pf8bit);
    QImage huge(16384, 8192, QImage::Format_RGB32);
    ASSERT_FALSE(huge.isNull());
    TBitmap target = test::Solid24(2, 2, clRed);
    QImage shown(1, 1, QImage::Format_RGB888);
    bool refused = false;
    {
        AddressSpaceLimit limit(64u << 20);
        if (!limit.Active()) GTEST_SKIP() << "cannot limit the address space";
        shown = ToQImage(big);
        try {
            AssignQImage(target, huge);
        } catch (const EOutOfResources&) {
            refused = true;
        }
    }
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(refused);
    EXPECT_EQ(target.Width(), 2);
    EXPECT_EQ(target.PixelColor(1, 1), clRed);
    // A small rectangle of the same picture is still shown.
    EXPECT_EQ(ToQImage(big, TRect{0, 0, 3, 2}).size(), QSize(3, 2));
}

}  // namespace
}  // namespace zelvo
