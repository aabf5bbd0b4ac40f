#include "reference/FilterReference.h"

#include <utility>

#include "effects/Rounding.h"

namespace zelvo::test {
namespace {

int Channel(TColor color, int c) {  // 0 blue, 1 green, 2 red
    return c == 0 ? GetBValue(color) : c == 1 ? GetGValue(color) : GetRValue(color);
}

TColor FromChannels(const int v[3]) { return RGB(std::uint8_t(v[2]), std::uint8_t(v[1]), std::uint8_t(v[0])); }

int Limit(int v, int size) { return v < 0 || v > size - 1 ? -1 : v; }

void DiagonalPassLiteral(TDibImage& image, int r) {
    const int w = image.Width(), h = image.Height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int x1 = x - r, x2 = x + r, y1 = y - r, y2 = y + r;
            if (x1 < 0) x1 = x;
            if (x2 > w - 1) x2 = x;
            if (y1 < 0) y1 = y;
            if (y2 > h - 1) y2 = y;
            int v[3];
            for (int c = 0; c < 3; ++c) {
                v[c] = (Channel(image.GetPixels(x1, y1), c) + Channel(image.GetPixels(x2, y1), c) +
                        Channel(image.GetPixels(x1, y2), c) + Channel(image.GetPixels(x2, y2), c)) >>
                       2;
            }
            image.SetPixels(x, y, FromChannels(v));
        }
    }
}

}  // namespace

void Convolve3x3Literal(TDibImage& image, const std::array<float, 9>& kernel, int divisor, bool bias) {
    const TDibImage copy = image;
    const int w = image.Width(), h = image.Height();
    const long double d = divisor == 0 ? 1 : divisor;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int out[3];
            for (int c = 0; c < 3; ++c) {
                long double s = 0;
                for (int i = 0; i < 9; ++i) {
                    int nx = Limit(x + i / 3 - 1, w), ny = Limit(y + i % 3 - 1, h);
                    if (nx < 0) nx = x;
                    if (ny < 0) ny = y;
                    s += static_cast<long double>(kernel[std::size_t(i)]) * Channel(copy.GetPixels(nx, ny), c);
                }
                if (bias) s += 128;
                out[c] = effects::ClampRound(s / d);
            }
            image.SetPixels(x, y, FromChannels(out));
        }
    }
}

void GaussianBlurLiteral(TDibImage& image, int n) {
    for (int r = n; r >= 0; --r) DiagonalPassLiteral(image, r);
}

void BlurLiteral(TDibImage& image, int a) { DiagonalPassLiteral(image, a); }

namespace {

void RankLiteral(const TDibImage& source, TDibImage& image, int rank) {
    const int w = image.Width(), h = image.Height();
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            // A 24-bit pixel value is the packed colour red + green x 256 +
            // blue x 65536.
            std::int32_t v[9];
            int i = 0;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) v[i++] = std::int32_t(source.GetPixels(x + dx, y + dy));
            for (int a = 0; a < 8; ++a)
                for (int b = a + 1; b < 9; ++b)
                    if (v[b] < v[a]) std::swap(v[a], v[b]);
            image.SetPixels(x, y, TColor(v[rank - 1]));
        }
    }
}

}  // namespace

void MedianLiteral(TDibImage& image, int rank) {
    const TDibImage copy = image;
    RankLiteral(copy, image, rank);
}

void RankInPlaceLiteral(TDibImage& image, int rank) { RankLiteral(image, image, rank); }

}  // namespace zelvo::test
