#pragma once
// The five PNG row filters (none, sub, up, average, Paeth), both ways, and
// the cost the encoder uses to choose among them. Internal to the PNG codec.
//
// Every row buffer handed to these functions has kRowPad zero bytes in front
// of it, so the left neighbour of the first pixel reads as 0 without a
// branch. `prev` is the previous row of the same pass, all zeros for the
// first row. `n` is the row's byte count without the filter byte, `bpp` the
// bytes per complete pixel (at least 1).

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace zelvo::png {

/// Zero bytes kept in front of every row buffer (the widest pixel is 8
/// bytes).
inline constexpr std::size_t kRowPad = 8;

/// The Paeth predictor; ties go to left, then up, then upper-left.
inline std::uint8_t Paeth(int a, int b, int c) {
    int pa = std::abs(b - c);
    int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pb < pa) {
        pa = pb;
        a = b;
    }
    if (pc < pa) a = c;
    return std::uint8_t(a);
}

/// Undoes filter `type` (0..4) of one row in place. Throws EPngLoadError
/// "PNG LoadStream: not support Filter" for any other type.
void Unfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp);

/// Filters the raw row with `type` 1..4 (any other value is Paeth) into
/// `out` (n bytes, no filter byte).
void FilterRow(int type, const std::uint8_t* raw, const std::uint8_t* prev, std::size_t n, std::size_t bpp,
               std::uint8_t* out);

/// Cost of a filtered row: the sum of each byte's distance from 0 read as a
/// signed byte. The encoder keeps the filter of the lowest cost.
std::uint32_t RowCost(const std::uint8_t* p, std::size_t n);

}  // namespace zelvo::png
