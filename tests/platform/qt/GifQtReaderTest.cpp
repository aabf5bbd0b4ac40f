// Files the GIF writer makes read to the same pixels in Qt's own GIF reader.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>

#include "TestSupport.h"
#include "formats/ColorQuantizer.h"
#include "formats/GifImage.h"

namespace zelvo {
namespace {

TEST(GifForOtherReaders, QtReadsWhatWeWrite) {
    TDibImage photo = test::NoiseImage24(90, 61, 4);
    const struct {
        const char* Name;
        TDibImage Picture;
        bool Interlaced, Transparent;
    } cases[] = {
        {"1 bit", test::NoiseImagePalette(33, 9, 1, 2, 1), false, false},
        {"4 bits interlaced transparent", test::NoiseImagePalette(40, 29, 4, 16, 2), true, true},
        {"8 bits full tables", test::NoiseImagePalette(700, 120, 8, 256, 3), false, false},
        {"8 bits interlaced", test::NoiseImagePalette(51, 77, 8, 100, 4), true, false},
        {"24 bits", photo, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryStream out;
        const std::uint8_t index = std::uint8_t(c.Picture.BitCount() <= 8 ? c.Picture.GetPixels(0, 0) : 0);
        SaveGifPicture(c.Picture, out, c.Transparent, index, c.Interlaced);
        TGIFImage ours;
        out.SetPosition(0);
        ours.LoadFromStream(out);
        const TDibImage mine = ours.ToDibImage();
        const std::uint8_t transparent = ours.Images.front().TransparentIndex();

        const QImage qt = QImage::fromData(
            QByteArray(reinterpret_cast<const char*>(out.Data().data()), qsizetype(out.Data().size())), "GIF");
        ASSERT_FALSE(qt.isNull());
        ASSERT_EQ(qt.width(), mine.Width());
        ASSERT_EQ(qt.height(), mine.Height());
        for (int y = 0; y < qt.height(); ++y) {
            for (int x = 0; x < qt.width(); ++x) {
                const QRgb q = qt.pixel(x, y);
                const std::uint32_t i = mine.GetPixels(x, y);
                if (c.Transparent && i == transparent) {
                    ASSERT_EQ(qAlpha(q), 0) << x << "," << y;
                    continue;
                }
                const TRGBQuad e = mine.ColorTable()[i];
                ASSERT_EQ(qRed(q), e.rgbRed) << x << "," << y;
                ASSERT_EQ(qGreen(q), e.rgbGreen) << x << "," << y;
                ASSERT_EQ(qBlue(q), e.rgbBlue) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace zelvo
