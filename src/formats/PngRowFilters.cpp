#include "formats/PngRowFilters.h"

#include <string>

#include "formats/PngImage.h"

namespace zelvo::png {

namespace {

// Sub, Average and Paeth for pixels of kBytes bytes: the left and
// upper-left pixels stay in registers, so the chain from one pixel to the
// next does not go through the row just stored (reading back a byte
// written moments before costs more than the predictor itself). Same bytes
// as the byte-wise loops in Unfilter.
template <std::size_t kBytes, typename TPredict>
void UnfilterCarried(std::uint8_t* row, const std::uint8_t* prev, std::size_t n, TPredict predict) {
    int left[kBytes] = {}, upLeft[kBytes] = {};
    for (std::size_t i = 0; i + kBytes <= n; i += kBytes) {
        for (std::size_t k = 0; k < kBytes; ++k) {
            const int up = prev[i + k];
            const std::uint8_t value = std::uint8_t(row[i + k] + predict(left[k], up, upLeft[k]));
            row[i + k] = value;
            left[k] = value;
            upLeft[k] = up;
        }
    }
}

template <typename TPredict>
bool UnfilterPixels(std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp, TPredict predict) {
    if (bpp == 3 && n % 3 == 0) UnfilterCarried<3>(row, prev, n, predict);
    else if (bpp == 4 && n % 4 == 0) UnfilterCarried<4>(row, prev, n, predict);
    else return false;
    return true;
}

}  // namespace

void Unfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp) {
    const std::uint8_t* left = row - bpp;       // inside the zero pad for the first pixel
    const std::uint8_t* upLeft = prev - bpp;
    switch (type) {
        case 0: return;
        case 1:
            if (UnfilterPixels(row, prev, n, bpp, [](int a, int, int) { return a; })) return;
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + left[i]);
            return;
        case 2:
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + prev[i]);
            return;
        case 3:
            if (UnfilterPixels(row, prev, n, bpp, [](int a, int b, int) { return (a + b) >> 1; })) return;
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + ((left[i] + prev[i]) >> 1));
            return;
        case 4:
            if (UnfilterPixels(row, prev, n, bpp, [](int a, int b, int c) { return Paeth(a, b, c); })) return;
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + Paeth(left[i], prev[i], upLeft[i]));
            return;
        default:
            throw EPngLoadError("PNG LoadStream: not support Filter", "filter type " + std::to_string(type));
    }
}

void FilterRow(int type, const std::uint8_t* raw, const std::uint8_t* prev, std::size_t n, std::size_t bpp,
               std::uint8_t* out) {
    const std::uint8_t* left = raw - bpp;  // inside the zero pad for the first pixel
    const std::uint8_t* upLeft = prev - bpp;
    switch (type) {
        case 1:
            for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t(raw[i] - left[i]);
            break;
        case 2:
            for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t(raw[i] - prev[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t(raw[i] - ((left[i] + prev[i]) >> 1));
            break;
        default:
            for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t(raw[i] - Paeth(left[i], prev[i], upLeft[i]));
            break;
    }
}

std::uint32_t RowCost(const std::uint8_t* p, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int v = std::int8_t(p[i]);
        sum += std::uint32_t(v < 0 ? -v : v);
    }
    return sum;
}

}  // namespace zelvo::png
