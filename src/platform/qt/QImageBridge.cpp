#include "platform/qt/QImageBridge.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/Exceptions.h"

namespace zelvo {

namespace {
/// The pixel memory failure's text, for a conversion Qt could not allocate.
constexpr const char* kNoPixelMemory = "GetMemory: Cannot Make File Mapping Object";
}  // namespace

QImage ToQImage(const TBitmap& bitmap, const TRect& rect) {
    if (bitmap.Empty()) return {};
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, bitmap.Width()), bottom = std::min(rect.Bottom, bitmap.Height());
    if (left >= right || top >= bottom) return {};
    QImage image(right - left, bottom - top, QImage::Format_RGB888);
    // Qt gives a null image when it cannot allocate the pixels; there is
    // then nothing to show rather than rows to write through a null pointer.
    if (image.isNull()) return {};
    const TDibImage& dib = bitmap.Dib();
    const int bits = dib.BitCount();
    const TRGBQuad* table = dib.ColorTable();
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* row = dib.ScanLineRead(y);
        std::uint8_t* out = image.scanLine(y - top);
        if (bits == 24) {
            const std::uint8_t* p = row + std::size_t(left) * 3;
            for (int x = left; x < right; ++x, p += 3) {
                *out++ = p[2];
                *out++ = p[1];
                *out++ = p[0];
            }
            continue;
        }
        for (int x = left; x < right; ++x) {
            unsigned index = 0;
            if (bits == 8)
                index = row[x];
            else if (bits == 4)
                index = (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
            else
                index = (row[x >> 3] >> (7 - (x & 7))) & 1u;
            const TRGBQuad& q = table[index];
            *out++ = q.rgbRed;
            *out++ = q.rgbGreen;
            *out++ = q.rgbBlue;
        }
    }
    return image;
}

QImage ToQImage(const TBitmap& bitmap) { return ToQImage(bitmap, TRect{0, 0, bitmap.Width(), bitmap.Height()}); }

void AssignQImage(TBitmap& bitmap, const QImage& source) {
    if (source.isNull()) {
        bitmap.Clear();
        return;
    }
    const int w = source.width(), h = source.height();
    TDibImage image;
    const QImage::Format format = source.format();
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
        format == QImage::Format_Grayscale8) {
        QImage indexed = format == QImage::Format_Grayscale8 ? source : source.convertToFormat(QImage::Format_Indexed8);
        if (indexed.isNull()) throw EOutOfResources(kNoPixelMemory, "converting a QImage to 8 bits");
        const int bits = format == QImage::Format_Indexed8 || format == QImage::Format_Grayscale8 ? 8 : 1;
        std::vector<TRGBQuad> table;
        if (format == QImage::Format_Grayscale8) {
            table = GreyColorTable(256);
        } else {
            for (QRgb c : indexed.colorTable())
                table.push_back(TRGBQuad{std::uint8_t(qBlue(c)), std::uint8_t(qGreen(c)), std::uint8_t(qRed(c)), 0});
        }
        table.resize(std::min<std::size_t>(std::max<std::size_t>(table.size(), 1), std::size_t(1) << bits));
        image.ReplaceData(TDibImageData::CreateDIB(w, h, int(table.size()), bits, DefaultUseFMO()));
        image.SetColorTable(table);
        for (int y = 0; y < h; ++y) {
            const uchar* in = indexed.constScanLine(y);
            std::uint8_t* row = image.ScanLine(y);
            if (bits == 8) {
                std::memcpy(row, in, std::size_t(w));
            } else {
                for (int x = 0; x < w; ++x) {
                    if (in[x] & 1) row[x >> 3] = std::uint8_t(row[x >> 3] | (0x80 >> (x & 7)));
                }
            }
        }
    } else {
        const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull()) throw EOutOfResources(kNoPixelMemory, "converting a QImage to 24 bits");
        image.ReplaceData(TDibImageData::CreateDIB(w, h, 0, 24, DefaultUseFMO()));
        for (int y = 0; y < h; ++y) {
            const uchar* in = rgb.constScanLine(y);
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < w; ++x, in += 3, row += 3) {
                row[0] = in[2];
                row[1] = in[1];
                row[2] = in[0];
            }
        }
    }
    bitmap.Assign(image);
}

}  // namespace zelvo
