#pragma once
// Putting picture pixels on the screen: the nearest-pixel stretch the view
// paints with. Only the destination pixels asked for are produced, and only
// the source pixels they sample are read, so the cost follows the size of
// the painted area, not of the picture.

#include <QImage>

#include <cstdint>
#include <QRect>

#include "image/DibImage.h"

namespace zelvo {

/// Stretches `source` (picture pixels, clipped by the caller to the picture)
/// onto a destination of destWidth x destHeight screen pixels whose top-left
/// corner sits at `destOrigin` (screen coordinates, 64-bit so that a far-off
/// corner at a high zoom cannot overflow), with the nearest pixel:
/// destination column x takes source column
/// source.Left + x * source.Width() div destWidth, rows alike; equal sizes
/// give a plain 1:1 copy. Only the screen pixels inside `area` are produced;
/// they are written into `out` (Format_RGB32 or ARGB32) with area's
/// top-left landing at `at`. Pixels of `area` outside the destination, or
/// landing outside `out`, are left alone. The picture must be uncompressed
/// (1, 4, 8 or 24 bits); colour-table indices beyond the table read as
/// black.
struct TScreenOrigin {
    std::int64_t X = 0;
    std::int64_t Y = 0;
};
void StretchToImage(const TDibImage& picture, const TRect& source, std::int64_t destWidth,
                    std::int64_t destHeight, TScreenOrigin destOrigin, const QRect& area, QImage& out,
                    QPoint at);

}  // namespace zelvo
