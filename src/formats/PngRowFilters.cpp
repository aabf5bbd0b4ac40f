#include "formats/PngRowFilters.h"

#include <string>

#include "formats/PngImage.h"

namespace zelvo::png {

void Unfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp) {
    const std::uint8_t* left = row - bpp;       // inside the zero pad for the first pixel
    const std::uint8_t* upLeft = prev - bpp;
    switch (type) {
        case 0: return;
        case 1:
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + left[i]);
            return;
        case 2:
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + prev[i]);
            return;
        case 3:
            for (std::size_t i = 0; i < n; ++i) row[i] = std::uint8_t(row[i] + ((left[i] + prev[i]) >> 1));
            return;
        case 4:
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
