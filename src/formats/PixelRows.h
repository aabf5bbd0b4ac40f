#pragma once
// Row converters shared by the codecs that move whole rows between the
// picture's layout and a file's: the red-blue swap between the picture's
// blue-green-red pixels and a file's red-green-blue ones, and palette rows
// expanded through a lookup table. Each works on one row at memory speed;
// none allocates.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zelvo {

/// Copies `pixels` three-byte pixels from `source` to `target`, swapping the
/// first and third byte of each (blue-green-red <-> red-green-blue). The
/// ranges must not overlap. Uses SSSE3 where the processor has it.
void SwapRedBlue(const std::uint8_t* source, std::uint8_t* target, std::size_t pixels);

/// Expands `pixels` palette indices of a 1-, 4- or 8-bit row (leftmost pixel
/// in the high bits) through `colors` into three bytes per pixel: each
/// index's three bytes are copied as they stand in the table.
void ExpandIndexedRow(const std::uint8_t* source, int bitCount, std::size_t pixels,
                      const std::array<std::array<std::uint8_t, 3>, 256>& colors, std::uint8_t* target);

/// Maps `pixels` palette indices of a 1-, 4- or 8-bit row through `levels`
/// into one byte per pixel.
void MapIndexedRow(const std::uint8_t* source, int bitCount, std::size_t pixels,
                   const std::array<std::uint8_t, 256>& levels, std::uint8_t* target);

}  // namespace zelvo
