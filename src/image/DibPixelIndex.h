#pragma once
// Reading and writing one colour-table index in a 1-, 4- or 8-bit row, in
// the row layout TDibImage defines.

#include <cstdint>

namespace zelvo {

/// Index of pixel x in a row of `bitCount` (1, 4 or 8) bits.
inline unsigned DibIndexAt(const std::uint8_t* row, int x, int bitCount) {
    switch (bitCount) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
        default: return row[x];
    }
}

/// Stores `index` as pixel x of a row of `bitCount` (1, 4 or 8) bits,
/// leaving the other pixels of the byte as they are.
inline void DibPutIndex(std::uint8_t* row, int x, int bitCount, unsigned index) {
    switch (bitCount) {
        case 1: {
            const auto mask = std::uint8_t(0x80 >> (x & 7));
            row[x >> 3] = std::uint8_t((index & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
            break;
        }
        case 4:
            if (x & 1) row[x >> 1] = std::uint8_t((row[x >> 1] & 0xF0) | (index & 0x0F));
            else row[x >> 1] = std::uint8_t((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
            break;
        default: row[x] = std::uint8_t(index);
    }
}

}  // namespace zelvo
