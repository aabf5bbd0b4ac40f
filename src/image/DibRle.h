#pragma once
// Run-length coding of 8-bit and 4-bit pixel data (compression 1 and 2 of the
// bitmap header). Each function takes one storage and returns a new one with
// RefCount 1 that the caller owns; the source is never changed. The result
// keeps the source's width, colour table, resolution and memory kind.
//
// Coded data is a sequence of byte pairs:
// - count > 0, value: a run of count pixels (4 bits: the value byte holds two
//   alternating pixels, high nibble first);
// - 0, 0: end of line; 0, 1: end of bitmap; 0, 2, dx, dy: move right dx
//   pixels and down dy rows in storage order;
// - 0, n (n >= 3): n literal pixels follow (n bytes, or n nibbles), padded to
//   an even number of bytes.

#include "image/DibImage.h"

namespace zelvo {

/// Decodes RLE8 data into an uncompressed 8-bit storage (rows in stored order,
/// pixels not reached by the data stay 0, size image 0). A run or literal may
/// end inside the row padding, up to the width rounded up to a multiple of 4
/// pixels (some encoders code a 61-pixel row as 64 pixels); the part past
/// the width is dropped.
/// Throws EDibImageBadDIBType "Convert8BitRLETo8BitRGB: Invalid Bitcount &
/// Compression Combination" unless the source is 8 bits with compression 1,
/// and EDibImageInvalidDIB "Convert8BitRLETo8BitRGB: Bad RLE Data 1..4" for an
/// end of line past the last row (1), a delta outside the picture (2), a
/// literal (3) or a run (4) past the padded end of the row, or the data
/// ending before its end-of-bitmap code ("Bad RLE Data 4").
TDibImageData* Convert8BitRLETo8BitRGB(const TDibImageData& src);

/// Decodes RLE4 data into an uncompressed 4-bit storage, as the 8-bit decoder
/// with pixels counted as nibbles (even pixel in the high nibble) and the
/// same padding rule in pixels (width rounded up to a multiple of 4 pixels,
/// which always lies inside the stored row). Throws EDibImageBadDIBType
/// "Convert4BitRLETo4BitRGB: Invalid Bitcount & Compression Combination" and
/// EDibImageInvalidDIB "Convert4BitRLETo4BitRGB: Bad RLE Data 5..8" for an
/// end of line past the last row (5), a delta outside (6), a literal (7) or a
/// run (8) too long, or the data ending before end of bitmap ("Bad RLE Data 8").
TDibImageData* Convert4BitRLETo4BitRGB(const TDibImageData& src);

/// Encodes uncompressed 8-bit data as RLE8, bottom row first whatever the
/// stored order (the result always has positive height); size image is the
/// number of bytes written. Throws EDibImageBadDIBType
/// "Convert8BitRGBTo8BitRLE: Invalid Bitcount & Compression Combination" for
/// another source, and EDibImageCompressionFailed "Convert8BitRGBTo8BitRLE:
/// Compression Failed" when the coded data would not be smaller than the
/// uncompressed data.
TDibImageData* Convert8BitRGBTo8BitRLE(const TDibImageData& src);

/// Encodes uncompressed 4-bit data as RLE4 (runs and literals of at most 127
/// bytes, counts in pixels). Throws EDibImageBadDIBType
/// "Convert4BitRGBTo4BitRLE: Invalid Bitcount & Compression Combination" and
/// EDibImageCompressionFailed "Convert4BitRGBTo4BitRLE: Compression Failed".
TDibImageData* Convert4BitRGBTo4BitRLE(const TDibImageData& src);

}  // namespace zelvo
