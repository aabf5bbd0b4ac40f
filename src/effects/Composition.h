#pragma once
// Composition of two pictures: merging a second picture into the top-left
// corner of a work image, and joining two pictures side by side or one
// above the other.

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::effects {

/// The blend kinds of Merge.
enum class TMergeKind {
    Blend = 0,     ///< (source x (100 - t) + work x t) div 100 per channel; t = 0 copies the source
    Lighter = 1,   ///< the source pixel where its channel sum is larger (ties keep the work pixel)
    Darker = 2,    ///< the source pixel where its channel sum is smaller (ties keep the work pixel)
    Add = 3,       ///< work + source per channel, limited to 255
    Subtract = 4,  ///< work - source per channel, limited to 0
};
inline constexpr int kMergeKindCount = 5;

/// Blends `source` (any depth; read through a 24-bit copy) into the
/// top-left corner of the 24-bit `work`, in place, over the overlap of
/// min(height) rows and min(width) columns; the rest of `work` stays.
/// `transparency` is limited to 0..100 and is used by Blend only. Progress
/// after each row: (row + 1) x 100 div the overlap height. Throws
/// EDibImageBadDIBType "Merge: Invalid Bitcount" unless `work` is an
/// uncompressed 24-bit picture, and EDibImageInvalidDIBPara "TDibImageData.
/// CreateDIB: Invalid Parameters" for a kind outside TMergeKind.
void Merge(TDibImage& work, const TDibImage& source, TMergeKind kind, int transparency, const ProgressFn& progress);

/// The share of the picture kept by a blend, as the merge dialog offers it.
inline constexpr TParameter kMergeTransparency{"transparency", 0, 100, 50, "per cent"};
/// The space between the two pictures (below 0 they overlap) and the shift
/// across the join, as the combine dialog offers them.
inline constexpr TParameter kCombineGap{"gap", -99, 99, 0, "pixels"};
inline constexpr TParameter kCombineOffset{"offset", -99, 99, 0, "pixels"};

/// Directions of Combine: where the other picture goes.
enum class TCombineDirection {
    Left = 0,
    Right = 1,
    Above = 2,
    Below = 3,
};

/// Where Combine puts the two pictures in its result.
struct TCombineLayout {
    int Width = 0;   ///< of the result; may be 0 or negative for a large negative gap
    int Height = 0;
    TPoint Current;  ///< top-left corner of the current picture
    TPoint Other;    ///< top-left corner of the other picture
};

/// The layout of joining a current picture of w x h with another of
/// otherW x otherH. With d = |offset|: beside (Left, Right) the result is
/// (w + otherW + gap) x (max(h, otherH) + d), above or below it is
/// (max(w, otherW) + d) x (h + otherH + gap). A negative offset moves the
/// current picture by d across the joining direction, a positive one the
/// other picture. Sizes are computed in 64 bits and saturate at the int
/// range, so a caller can refuse them.
TCombineLayout CombineLayout(int width, int height, int otherWidth, int otherHeight, TCombineDirection direction,
                             int offset, int gap);

/// The joined picture (24 bits): filled with `background` (system colours
/// resolved), then `current` drawn at its place and `other` drawn over it
/// (with a negative gap the other overlaps the current one), both clipped
/// to the result. The pictures may have any depth. Throws
/// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters",
/// before allocating, when the result would have a side below 1 or more
/// pixels than the limit.
TDibImage Combine(const TDibImage& current, const TDibImage& other, TCombineDirection direction, int offset, int gap,
                  TColor background);

}  // namespace zelvo::effects
