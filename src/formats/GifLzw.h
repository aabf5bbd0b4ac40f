#pragma once
// The LZW coder of GIF image data.

#include <cstdint>
#include <span>
#include <vector>

#include "image/ByteReader.h"
#include "image/Stream.h"

namespace zelvo {

/// The order in which a frame's rows receive pixels: top to bottom, or the
/// four interlace passes (rows 0, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ...).
std::vector<int> GifRowOrder(int height, bool interlaced);

/// Decodes the image data at the reader's position (minimum code size and
/// sub-blocks) into `pixels` (width x height, already filled), rows in
/// `rowOrder`, and leaves the reader after the data's 0 block (or at the end
/// of a file cut short). Stops quietly at the end of the data, at a code
/// above the next free one, at a table code without a previous code and at
/// the last pixel. Throws EDibImageInvalidDIBPara for a minimum code size
/// outside 2..11 and GIFException "Circular decoder table entry".
void GifDecodeLzw(ByteReader& reader, std::span<std::uint8_t> pixels, int width, const std::vector<int>& rowOrder);

/// Skips image data: the code size byte and the sub-blocks up to their 0
/// block (or the end of the file).
void GifSkipSubBlocks(ByteReader& reader);

/// Encodes `pixels` (width x height, rows top to bottom) with minimum code
/// size `bits` (2..8) in `rowOrder` and writes the code size, the
/// sub-blocks and the 0 block. Throws GIFException "Color not in color
/// table" for an index at or above `colorCount`.
void GifEncodeLzw(TStream& stream, std::span<const std::uint8_t> pixels, int width,
                  const std::vector<int>& rowOrder, int bits, int colorCount);

}  // namespace zelvo
