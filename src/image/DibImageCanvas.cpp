#include "image/DibImageCanvas.h"
#include "image/DibPixelIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zelvo {
namespace {

struct Rgb {
    std::uint8_t r, g, b;
};



inline Rgb ColorAt(const TDibImage& image, const std::uint8_t* row, int x) {
    if (image.BitCount() == 24) {
        const std::uint8_t* p = row + std::size_t(x) * 3;
        return Rgb{p[2], p[1], p[0]};
    }
    const TRGBQuad& q = image.ColorTable()[DibIndexAt(row, x, image.BitCount())];
    return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

// Maps colours to the nearest entry of a colour table, remembering the
// colours it has seen.
class NearestIndex {
public:
    explicit NearestIndex(const TDibImage& image) : table_(image.ColorTable()), count_(std::max(1, image.ColorsUsed())) {}
    unsigned operator()(Rgb c) {
        const std::uint32_t key = (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
        if (key == lastKey_) return lastIndex_;
        unsigned best = 0;
        int bestDist = 1 << 30;
        for (int i = 0; i < count_; ++i) {
            const int dr = int(table_[i].rgbRed) - c.r, dg = int(table_[i].rgbGreen) - c.g, db = int(table_[i].rgbBlue) - c.b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = unsigned(i);
            }
        }
        lastKey_ = key;
        lastIndex_ = best;
        return best;
    }

private:
    const TRGBQuad* table_;
    int count_;
    std::uint32_t lastKey_ = 0xFFFFFFFFu;
    unsigned lastIndex_ = 0;
};

bool SameTables(const TDibImage& a, const TDibImage& b) {
    return a.ColorsUsed() == b.ColorsUsed() &&
           std::memcmp(a.ColorTable(), b.ColorTable(), std::size_t(a.ColorsUsed()) * sizeof(TRGBQuad)) == 0;
}

}  // namespace

TDibImageCanvas::TDibImageCanvas(TDibImage& image) : image_(image) {
    if (!image.GetUseFMO()) throw EDibImageCanvasFailed("TDibImageCanvas.Create: Cannot Create Canvas");
    if (image.Header().biCompression != BI_RGB) throw EDibImageBadDIBType("TDibImage.GetScanLine: Bad DIB Type");
    image.UniqueDIB();
}

TDibImageCanvas::~TDibImageCanvas() {
    image_.UpdatePaletteModified();
    image_.Changed();
}

void TDibImageCanvas::FillRect(const TRect& rect, TColor color) {
    const int left = std::max(rect.Left, 0), right = std::min(rect.Right, image_.Width());
    const int top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, image_.Height());
    if (left >= right || top >= bottom) return;
    const TColor rgb = ColorToRGB(color);
    const Rgb c{GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)};
    const int bits = image_.BitCount();
    if (bits == 24) {
        std::vector<std::uint8_t> pattern(std::size_t(right - left) * 3);
        for (std::size_t i = 0; i < pattern.size(); i += 3) {
            pattern[i] = c.b;
            pattern[i + 1] = c.g;
            pattern[i + 2] = c.r;
        }
        for (int y = top; y < bottom; ++y) std::memcpy(image_.ScanLine(y) + left * 3, pattern.data(), pattern.size());
        return;
    }
    NearestIndex nearest(image_);
    const unsigned index = nearest(c);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = image_.ScanLine(y);
        for (int x = left; x < right; ++x) DibPutIndex(row, x, bits, index);
    }
}

void TDibImageCanvas::CopyRect(TPoint dest, const TDibImage& source, const TRect& sourceRect) {
    int sx = sourceRect.Left, sy = sourceRect.Top;
    int w = sourceRect.Width(), h = sourceRect.Height();
    int dx = dest.X, dy = dest.Y;
    // Clip against the source picture, then against the target.
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    w = std::min(w, source.Width() - sx);
    h = std::min(h, source.Height() - sy);
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    w = std::min(w, image_.Width() - dx);
    h = std::min(h, image_.Height() - dy);
    if (w <= 0 || h <= 0) return;
    StretchRect(Bounds(dx, dy, w, h), source, Bounds(sx, sy, w, h));
}

void TDibImageCanvas::StretchRect(const TRect& destRect, const TDibImage& source, const TRect& sourceRect) {
    const int dw = destRect.Width(), dh = destRect.Height();
    const int sw = sourceRect.Width(), sh = sourceRect.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (source.Header().biCompression != BI_RGB) throw EDibImageBadDIBType("TDibImage.GetScanLine: Bad DIB Type");
    const int left = std::max(destRect.Left, 0), right = std::min(destRect.Right, image_.Width());
    const int top = std::max(destRect.Top, 0), bottom = std::min(destRect.Bottom, image_.Height());
    if (left >= right || top >= bottom) return;

    // Source column of every destination column, computed once.
    std::vector<int> columns(std::size_t(right - left));
    for (int x = left; x < right; ++x) {
        const int s = sourceRect.Left + int(std::int64_t(x - destRect.Left) * sw / dw);
        columns[std::size_t(x - left)] = s;
    }
    const int bits = image_.BitCount();
    const int srcBits = source.BitCount();
    const bool sameLayout = bits == srcBits && (bits == 24 || SameTables(image_, source));
    const bool oneToOne = sw == dw;
    NearestIndex nearest(image_);
    // When the source shares the storage (drawing an image onto itself),
    // read from a private copy of the rows.
    const TDibImage* from = &source;
    TDibImage copy;
    if (source.DibData() == image_.DibData()) {
        copy = source;
        copy.UniqueDIB();
        from = &copy;
    }
    for (int y = top; y < bottom; ++y) {
        const int sy = sourceRect.Top + int(std::int64_t(y - destRect.Top) * sh / dh);
        if (sy < 0 || sy >= from->Height()) continue;
        const std::uint8_t* in = from->ScanLineRead(sy);
        std::uint8_t* out = image_.ScanLine(y);
        if (sameLayout && oneToOne && bits == 24) {
            const int s0 = columns.front();
            int x0 = left, x1 = right;
            if (s0 < 0) x0 += -s0;
            x1 = std::min(x1, left + (from->Width() - s0));
            if (x1 > x0) std::memcpy(out + std::size_t(x0) * 3, in + std::size_t(s0 + (x0 - left)) * 3, std::size_t(x1 - x0) * 3);
            continue;
        }
        for (int x = left; x < right; ++x) {
            const int s = columns[std::size_t(x - left)];
            if (s < 0 || s >= from->Width()) continue;
            if (bits == 24) {
                const Rgb c = ColorAt(*from, in, s);
                std::uint8_t* p = out + std::size_t(x) * 3;
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
            } else if (sameLayout) {
                DibPutIndex(out, x, bits, DibIndexAt(in, s, bits));
            } else {
                DibPutIndex(out, x, bits, nearest(ColorAt(*from, in, s)));
            }
        }
    }
}

void TDibImageCanvas::Draw(const TRect& rect, TDibImage& source) {
    if (source.HalftoneMode == 0) {
        StretchRect(rect, source, TRect{0, 0, source.Width(), source.Height()});
        return;
    }
    const int w = std::abs(rect.Width()), h = std::abs(rect.Height());
    if (w == 0 || h == 0) return;
    TDibImage temp;
    temp.SetBitCount(source.BitCount());
    temp.SetWidth(w);
    temp.SetHeight(h);
    if (source.BitCount() != 24) temp.SetColorTable({source.ColorTable(), std::size_t(source.ColorsUsed())});
    const std::uint8_t mode = source.HalftoneMode;
    {
        TDibImageCanvas inner(temp);
        inner.StretchRect(TRect{0, 0, w, h}, source, TRect{0, 0, source.Width(), source.Height()});
    }
    temp.SetPixelFormat(mode == 1 ? dibPfHalftone : dibPfHalftoneBW);
    StretchRect(TRect{rect.Left, rect.Top, rect.Left + w, rect.Top + h}, temp, TRect{0, 0, w, h});
}

}  // namespace zelvo
