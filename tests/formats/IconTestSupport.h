#pragma once
// Hand-made icon data shared by the icon and program-resource tests.

#include <cstdint>
#include <vector>

#include "image/DibImage.h"

namespace zelvo::test {

inline void Put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
inline void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// An icon resource image: 40-byte header (height doubled), colour table,
// colour rows and mask rows as given (bottom row first, padded by caller).
inline std::vector<std::uint8_t> BmpEntry(int width, int height, int bitCount, const std::vector<TRGBQuad>& table,
                                   const std::vector<std::uint8_t>& colourRows,
                                   const std::vector<std::uint8_t>& maskRows) {
    std::vector<std::uint8_t> d;
    Put32(d, 40);
    Put32(d, std::uint32_t(width));
    Put32(d, std::uint32_t(height * 2));
    Put16(d, 1);
    Put16(d, unsigned(bitCount));
    for (int i = 0; i < 6; ++i) Put32(d, 0);
    for (const TRGBQuad& q : table) d.insert(d.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    d.insert(d.end(), colourRows.begin(), colourRows.end());
    d.insert(d.end(), maskRows.begin(), maskRows.end());
    return d;
}

// A 2 x 2 1-bit image, colours 0 black and 1 white. Top row: white, black;
// bottom row: black, white. Mask set on the right column.
inline std::vector<std::uint8_t> TwoByTwoMono() {
    // Rows bottom-up, each padded to 4 bytes: bottom 0b01, top 0b10.
    return BmpEntry(2, 2, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {0x40, 0, 0, 0, 0x80, 0, 0, 0},
                    {0x40, 0, 0, 0, 0x40, 0, 0, 0});
}

}  // namespace zelvo::test
