#include "reference/GeometryReference.h"

#include <cmath>
#include <numbers>

namespace zelvo::test {

std::uint32_t PixelValue(const TDibImage& image, int x, int y) {
    const std::uint8_t* row = image.ScanLineRead(y);
    switch (image.BitCount()) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
        case 8: return row[x];
        default: return row[3 * x] | (row[3 * x + 1] << 8) | (std::uint32_t(row[3 * x + 2]) << 16);
    }
}

void SetPixelValue(TDibImage& image, int x, int y, std::uint32_t value) {
    std::uint8_t* row = image.ScanLine(y);
    switch (image.BitCount()) {
        case 1: {
            const int bit = 7 - x % 8;
            row[x / 8] = std::uint8_t((row[x / 8] & ~(1 << bit)) | ((value & 1) << bit));
            break;
        }
        case 4:
            if (x % 2 == 0) row[x / 2] = std::uint8_t((row[x / 2] & 0x0F) | (value << 4));
            else row[x / 2] = std::uint8_t((row[x / 2] & 0xF0) | value);
            break;
        case 8: row[x] = std::uint8_t(value); break;
        default:
            row[3 * x] = std::uint8_t(value);
            row[3 * x + 1] = std::uint8_t(value >> 8);
            row[3 * x + 2] = std::uint8_t(value >> 16);
    }
}

TDibImage BlankLike(const TDibImage& like, int width, int height) {
    TDibImage image;
    image.SetBitCount(like.BitCount());
    image.SetWidth(width);
    image.SetHeight(height);
    if (like.BitCount() != 24) image.SetColorTable({like.ColorTable(), std::size_t(like.ColorsUsed())});
    return image;
}

TDibImage Rotate90Literal(const TDibImage& source, bool clockwise) {
    const int w = source.Width(), h = source.Height();
    TDibImage result = BlankLike(source, h, w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (clockwise) SetPixelValue(result, h - 1 - y, x, PixelValue(source, x, y));
            else SetPixelValue(result, y, w - 1 - x, PixelValue(source, x, y));
        }
    return result;
}

TDibImage MirrorLiteral(const TDibImage& source) {
    TDibImage result = BlankLike(source, source.Width(), source.Height());
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            SetPixelValue(result, source.Width() - 1 - x, y, PixelValue(source, x, y));
    return result;
}

TDibImage FlipLiteral(const TDibImage& source) {
    TDibImage result = BlankLike(source, source.Width(), source.Height());
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            SetPixelValue(result, x, source.Height() - 1 - y, PixelValue(source, x, y));
    return result;
}

TDibImage ShiftLiteral(const TDibImage& source, int dx, int dy) {
    const int w = source.Width(), h = source.Height();
    TDibImage result = BlankLike(source, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixelValue(result, ((x + dx) % w + w) % w, ((y + dy) % h + h) % h, PixelValue(source, x, y));
    return result;
}

TDibImage RotateAngleLiteral(const TDibImage& source, int angleTenths, const TDibImage& start) {
    TDibImage result = BlankLike(start, start.Width(), start.Height());
    const int w = source.Width(), h = source.Height(), dw = start.Width(), dh = start.Height();
    const double theta = angleTenths * std::numbers::pi / 1800;
    const double cosA = std::cos(theta), sinA = std::sin(theta);
    for (int y = 0; y < dh; ++y) {
        const double u = 0 - (dw / 2.0 - 0.5);
        const double v = y - (dh / 2.0 - 0.5);
        double sx = w / 2.0 + u * cosA + v * sinA;
        double sy = h / 2.0 - u * sinA + v * cosA;
        for (int x = 0; x < dw; ++x) {
            const double fx = std::floor(sx), fy = std::floor(sy);
            if (fx >= 0 && fx < w && fy >= 0 && fy < h)
                SetPixelValue(result, x, y, PixelValue(source, int(fx), int(fy)));
            else
                SetPixelValue(result, x, y, PixelValue(start, x, y));
            sx = sx + cosA;
            sy = sy - sinA;
        }
    }
    return result;
}

}  // namespace zelvo::test
