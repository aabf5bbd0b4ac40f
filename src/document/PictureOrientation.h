#pragma once
// Turning a picture the way its EXIF orientation asks, so it shows upright.

#include "image/DibImage.h"

namespace zelvo {

/// `stored` turned by EXIF orientation 1..8 (the TIFF numbering: where the
/// stored first row and first column belong when shown):
///   1 as stored             2 mirrored left-right
///   3 half turn             4 mirrored top-bottom
///   5 transposed (mirrored along the main diagonal)
///   6 quarter turn clockwise
///   7 transversed (mirrored along the other diagonal)
///   8 quarter turn counter-clockwise
/// Orientations 5 to 8 swap width and height. Depth and colour table are
/// kept; any other value gives the picture as stored.
TDibImage OrientPicture(const TDibImage& stored, int orientation);

}  // namespace zelvo
