#include "view/QxImageViewRender.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace zelvo {
namespace {

// Entries of the colour table in use; a count of 0 in a palette picture's
// header means the full table of its depth.
int TableCount(const TDibImage& picture) {
    const int used = picture.ColorsUsed();
    return std::clamp(used > 0 ? used : (1 << picture.BitCount()), 0, 256);
}

std::array<QRgb, 256> PaletteLut(const TDibImage& picture) {
    std::array<QRgb, 256> lut{};
    lut.fill(qRgb(0, 0, 0));
    const int count = TableCount(picture);
    const TRGBQuad* table = picture.ColorTable();
    for (int i = 0; i < count; ++i) {
        lut[i] = qRgb(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
    }
    return lut;
}

// Writes one destination row segment from source row `src` using the column
// table `cols` (source x per destination pixel).
void StretchRow(const std::uint8_t* src, int bitCount, const std::array<QRgb, 256>& lut, const int* cols, int count,
                QRgb* dst) {
    switch (bitCount) {
    case 24:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = src + cols[i] * 3;
            dst[i] = 0xFF000000u | (QRgb(p[2]) << 16) | (QRgb(p[1]) << 8) | QRgb(p[0]);
        }
        break;
    case 8:
        for (int i = 0; i < count; ++i) dst[i] = lut[src[cols[i]]];
        break;
    case 4:
        for (int i = 0; i < count; ++i) {
            const int x = cols[i];
            const std::uint8_t b = src[x >> 1];
            dst[i] = lut[(x & 1) ? (b & 0x0F) : (b >> 4)];
        }
        break;
    case 1:
        for (int i = 0; i < count; ++i) {
            const int x = cols[i];
            dst[i] = lut[(src[x >> 3] >> (7 - (x & 7))) & 1];
        }
        break;
    default:
        std::fill(dst, dst + count, qRgb(0, 0, 0));
        break;
    }
}

}  // namespace

void StretchToImage(const TDibImage& picture, const TRect& source, std::int64_t destWidth,
                    std::int64_t destHeight, TScreenOrigin destOrigin, const QRect& area, QImage& out,
                    QPoint at) {
    if (destWidth <= 0 || destHeight <= 0 || source.IsEmpty() || out.isNull() || area.isEmpty()) return;
    // Screen pixels to produce: the area, within the destination, landing
    // inside `out`.
    const QRect outArea = QRect(at, area.size()).intersected(out.rect());
    if (outArea.isEmpty()) return;
    const QPoint shift = area.topLeft() - at;  // out position -> screen position
    const std::int64_t x0 = std::max<std::int64_t>(outArea.left() + shift.x(), destOrigin.X);
    const std::int64_t x1 = std::min<std::int64_t>(outArea.right() + shift.x(), destOrigin.X + destWidth - 1);
    const std::int64_t y0 = std::max<std::int64_t>(outArea.top() + shift.y(), destOrigin.Y);
    const std::int64_t y1 = std::min<std::int64_t>(outArea.bottom() + shift.y(), destOrigin.Y + destHeight - 1);
    if (x0 > x1 || y0 > y1) return;

    const std::int64_t srcW = source.Width();
    const std::int64_t srcH = source.Height();
    const int bitCount = picture.BitCount();
    const std::array<QRgb, 256> lut = bitCount <= 8 ? PaletteLut(picture) : std::array<QRgb, 256>{};

    const int count = int(x1 - x0 + 1);
    std::vector<int> cols(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::int64_t dx = x0 + i - destOrigin.X;
        cols[i] = std::min(picture.Width() - 1, source.Left + int(dx * srcW / destWidth));
    }
    const int outX = int(x0 - shift.x());
    int lastSrcRow = -1;
    QRgb* lastOut = nullptr;
    for (std::int64_t y = y0; y <= y1; ++y) {
        const std::int64_t dy = y - destOrigin.Y;
        const int srcRow = std::min(picture.Height() - 1, source.Top + int(dy * srcH / destHeight));
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(int(y - shift.y()))) + outX;
        if (srcRow == lastSrcRow && lastOut != nullptr) {
            // Zoomed in: consecutive screen rows repeat one picture row.
            std::memcpy(dst, lastOut, cols.size() * sizeof(QRgb));
        } else {
            StretchRow(picture.ScanLineRead(srcRow), bitCount, lut, cols.data(), count, dst);
        }
        lastSrcRow = srcRow;
        lastOut = dst;
    }
}

}  // namespace zelvo
