#pragma once
// Literal forms of the geometry operations: every pixel read and written one
// at a time by its index or colour, exactly as the operations are defined,
// for any uncompressed depth. The fast forms in effects/Geometry must give
// the same pixels.

#include "image/DibImage.h"

namespace zelvo::test {

/// The index (1/4/8 bits) or packed B, G, R bytes (24 bits) of pixel (x, y).
std::uint32_t PixelValue(const TDibImage& image, int x, int y);
/// Writes what PixelValue reads.
void SetPixelValue(TDibImage& image, int x, int y, std::uint32_t value);
/// A zero-filled picture of width x height with the depth and colour table
/// of `like`.
TDibImage BlankLike(const TDibImage& like, int width, int height);

TDibImage Rotate90Literal(const TDibImage& source, bool clockwise);
TDibImage MirrorLiteral(const TDibImage& source);
TDibImage FlipLiteral(const TDibImage& source);
TDibImage ShiftLiteral(const TDibImage& source, int dx, int dy);
/// Rotation by angle (tenths of a degree) of a 24-bit source onto a
/// destination of dw x dh that starts as `start` (24 bits, that size), the
/// sample point stepped along each row as the operation defines it.
TDibImage RotateAngleLiteral(const TDibImage& source, int angleTenths, const TDibImage& start);

}  // namespace zelvo::test
