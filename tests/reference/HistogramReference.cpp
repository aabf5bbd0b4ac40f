#include "reference/HistogramReference.h"

#include <set>
#include <vector>

#include "effects/Rounding.h"

namespace zelvo::test {

namespace {

int Avg(TColor c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }

TColor Pixel(const TDibImage& image, int x, int y) {
    // GetPixels gives the colour as 00BBGGRR for 24-bit pictures.
    return image.GetPixels(x, y);
}

}  // namespace

bool NormalizeLiteral(TDibImage& image) {
    std::vector<std::int64_t> h(256, 0);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) ++h[std::size_t(Avg(Pixel(image, x, y)))];
    const std::int64_t threshold = std::int64_t(image.Width()) * image.Height() / 100;
    int lo = 0, hi = 255;
    for (int i = 0; i < 256; ++i) {
        std::int64_t sum = 0;
        for (int j = 0; j <= i; ++j) sum += h[std::size_t(j)];
        if (sum > threshold) {
            lo = i;
            break;
        }
    }
    for (int i = 255; i >= 0; --i) {
        std::int64_t sum = 0;
        for (int j = i; j <= 255; ++j) sum += h[std::size_t(j)];
        if (sum > threshold) {
            hi = i;
            break;
        }
    }
    if (lo >= hi) return false;
    auto map = [&](int v) { return v < lo ? 0 : v > hi ? 255 : (v - lo) * 254 / (hi - lo); };
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const TColor c = Pixel(image, x, y);
            image.SetPixels(x, y, RGB(map(GetRValue(c)), map(GetGValue(c)), map(GetBValue(c))));
        }
    return true;
}

std::int64_t CountColorsLiteral(const TDibImage& image) {
    std::set<TColor> colours;
    TDibImage copy(image);
    if (copy.BitCount() != 24) copy.SetPixelFormat(dibPf24Bit);
    for (int y = 0; y < copy.Height(); ++y)
        for (int x = 0; x < copy.Width(); ++x) colours.insert(Pixel(copy, x, y));
    return std::int64_t(colours.size());
}

TDibImage GradationRampLiteral(TColor color1, TColor color2, int direction) {
    const bool odd = direction % 2 == 1;
    const TColor start = ColorToRGB(odd ? color1 : color2);
    const TColor end = ColorToRGB(odd ? color2 : color1);
    const int n = direction <= 4 ? 256 : 512;
    TDibImage ramp;
    ramp.SetBitCount(24);
    ramp.SetWidth(256);
    ramp.SetHeight(256);
    auto plot = [&](int x, int y, TColor c) {
        if (x >= 0 && x < 256 && y >= 0 && y < 256) ramp.SetPixels(x, y, c);
    };
    TColor pen = start;
    for (int k = 0; k <= n; ++k) {
        // A line from (x0, y0) towards (x1, y1), the end point left out;
        // all lines here are straight or at 45 degrees.
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        switch (direction) {
        case 1: case 2: x0 = k; y0 = 0; x1 = k; y1 = 256; break;
        case 3: case 4: x0 = 0; y0 = k; x1 = 256; y1 = k; break;
        case 5: case 6: x0 = k; y0 = 0; x1 = -1; y1 = k + 1; break;
        default: x0 = 0; y0 = 256 - k; x1 = k; y1 = 256; break;
        }
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        const int sx = (x1 > x0) - (x1 < x0), sy = (y1 > y0) - (y1 < y0);
        for (int i = 0; i < steps; ++i) plot(x0 + i * sx, y0 + i * sy, pen);
        pen = RGB(GetRValue(start) + k * (GetRValue(end) - GetRValue(start)) / n,
                  GetGValue(start) + k * (GetGValue(end) - GetGValue(start)) / n,
                  GetBValue(start) + k * (GetBValue(end) - GetBValue(start)) / n);
    }
    return ramp;
}

void GradationLiteral(TDibImage& image, TColor color1, TColor color2, int opacity, int direction) {
    const TDibImage ramp = GradationRampLiteral(color1, color2, direction);
    const int w = image.Width(), h = image.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const TColor r = ramp.GetPixels(int(std::int64_t(x) * 256 / w), int(std::int64_t(y) * 256 / h));
            if (opacity == 100) {
                image.SetPixels(x, y, r);
                continue;
            }
            const TColor c = Pixel(image, x, y);
            auto blend = [&](int work, int rampValue) {
                return effects::ClampRound(((100 - opacity) * (long double)work + opacity * (long double)rampValue) /
                                           100);
            };
            image.SetPixels(x, y, RGB(blend(GetRValue(c), GetRValue(r)), blend(GetGValue(c), GetGValue(r)),
                                      blend(GetBValue(c), GetBValue(r))));
        }
}

void TextureLiteral(TDibImage& image, const TDibImage& texture, int level, int offsetY, int offsetX) {
    TDibImage tex(texture);
    if (tex.BitCount() != 24) tex.SetPixelFormat(dibPf24Bit);
    const int tw = tex.Width(), th = tex.Height();
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const int tx = ((offsetX + x) % tw + tw) % tw;
            const int ty = ((offsetY + y) % th + th) % th;
            const int k = (255 - Avg(Pixel(tex, tx, ty))) * level;
            const TColor c = Pixel(image, x, y);
            auto dark = [&](int v) { return effects::ClampRound((long double)((v * 100 - k) / 100)); };
            image.SetPixels(x, y, RGB(dark(GetRValue(c)), dark(GetGValue(c)), dark(GetBValue(c))));
        }
}

}  // namespace zelvo::test
