#pragma once
// Geometry operations on a TDibImage: cropping, quarter turns, rotation by
// any angle, mirror and flip, a wrap-around shift and margins.
//
// The quarter turns, mirror, flip, crop and shift move pixel values in the
// picture's own depth (1, 4, 8 or 24 bits) and keep its colour table; an
// RLE-coded source is decoded to the uncompressed form of its depth first.
// Rotation by an angle and margins work on 24-bit pixels (a palette source
// is expanded to 24 bits on a private copy).

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::effects {

/// A width and a height in pixels.
struct TSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

/// The corners the crop dialog offers: (x1, y1) is taken, (x2, y2) is the
/// first column and row left out.
inline constexpr TParameter kCropX1{"x1", 0, 10000, 0, "pixels"};
inline constexpr TParameter kCropY1{"y1", 0, 10000, 0, "pixels"};
inline constexpr TParameter kCropX2{"x2", 0, 10000, 100, "pixels"};
inline constexpr TParameter kCropY2{"y2", 0, 10000, 100, "pixels"};

/// The rectangle from corner `p1` to corner `p2` with the corners ordered
/// and each coordinate limited to 0..width (x) or 0..height (y). The result
/// is empty when the two points do not span a rectangle inside the picture.
TRect ClampCropRect(TPoint p1, TPoint p2, int width, int height);

/// A new picture of rect's size holding that area of `source`, in the
/// source's depth and colour table. The corners are ordered first; pixels of
/// the rectangle outside the source are 0 (index 0, or black).
/// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
/// Parameters" when the rectangle is empty.
TDibImage CropRect(const TDibImage& source, TRect rect);

/// A quarter turn: a new picture of height x width. Clockwise, source pixel
/// (x, y) lands at (height - 1 - y, x); counter-clockwise at
/// (y, width - 1 - x). Keeps depth, colour table and resolution (swapped).
/// Progress after each source row: (y + 1) x 100 div height.
TDibImage Rotate90(const TDibImage& source, bool clockwise, const ProgressFn& progress);

/// Lets Rotate90 and Mirror move 8- and 24-bit pixels in blocks with the
/// processor's SSSE3 shuffles where it has them (the default), or keeps them
/// to the plain loops. The result is the same either way. Returns the
/// previous setting; for tests and benchmarks that compare the two forms.
bool SetGeometrySimd(bool enabled);

/// Swaps columns x and width - 1 - x in every row, in place, in the
/// picture's own depth. Progress per swapped column: (x + 1) x 200 div width,
/// at most 100.
void Mirror(TDibImage& work, const ProgressFn& progress);

/// Swaps rows y and height - 1 - y, in place, in the picture's own depth;
/// the middle row of an odd height stays. Progress per column:
/// (x + 1) x 100 div width.
void Flip(TDibImage& work, const ProgressFn& progress);

/// Wrap-around shift in place: the content moves dx pixels right (left when
/// negative) and dy pixels down (up when negative); what leaves one edge
/// comes back at the opposite one. Any dx and dy are taken modulo the size.
/// Keeps depth and colour table.
void ShiftImage(TDibImage& work, int dx, int dy);

/// Parameters of RotateAngle.
struct RotateAngleParams {
    int AngleTenths = 0;        ///< tenths of a degree; positive turns clockwise on screen
    bool Enlarge = true;        ///< grow the canvas to hold the whole turned picture
    TColor Background = clGray; ///< colour of destination pixels outside the source
    /// Optional destination start content (24 bits, exactly RotatedSize):
    /// pixels outside the source keep it instead of taking Background.
    const TDibImage* StartContent = nullptr;
};

/// The destination size of RotateAngle: with enlarge,
/// (|H sin| + |W cos|) x (|H cos| + |W sin|), each rounded to the nearest
/// integer (halves to even); otherwise width x height.
TSize RotatedSize(int width, int height, int angleTenths, bool enlarge);

/// Rotation by an angle with nearest-pixel sampling. Destination pixel (x, y)
/// samples source (Floor(sx), Floor(sy)) with u = x - (DW / 2 - 0.5),
/// v = y - (DH / 2 - 0.5), sx = W / 2 + u cos + v sin and
/// sy = H / 2 - u sin + v cos (stepped by +cos and -sin along a row).
/// Returns a 24-bit picture. Progress after each destination row.
/// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
/// Parameters" when StartContent is not a 24-bit picture of the destination
/// size.
TDibImage RotateAngle(const TDibImage& source, const RotateAngleParams& params, const ProgressFn& progress);

/// The margins the margin dialog offers, each side on its own.
inline constexpr TParameter kMarginTop{"top", 0, 999, 10, "pixels"};
inline constexpr TParameter kMarginBottom{"bottom", 0, 999, 10, "pixels"};
inline constexpr TParameter kMarginLeft{"left", 0, 999, 10, "pixels"};
inline constexpr TParameter kMarginRight{"right", 0, 999, 10, "pixels"};

/// Parameters of AddMargins, in pixels (each 0 or more).
struct MarginParams {
    int Top = kMarginTop.Default;
    int Bottom = kMarginBottom.Default;
    int Left = kMarginLeft.Default;
    int Right = kMarginRight.Default;
    TColor Color = clBlack;  ///< system colours are resolved to their RGB value
};

/// A 24-bit picture of (width + left + right) x (height + top + bottom)
/// filled with the margin colour, with the source at (left, top).
/// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
/// Parameters" for a negative margin or a result above the pixel limit.
TDibImage AddMargins(const TDibImage& source, const MarginParams& params, const ProgressFn& progress);

}  // namespace zelvo::effects
