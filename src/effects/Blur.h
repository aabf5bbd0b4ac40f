#pragma once
// Blurs that average four diagonal neighbours in place: the multi-pass
// gaussian blur and the shake ("ぶれ").
//
// One pass at distance r sets each channel of pixel (x, y), rows from the
// top and pixels from the left, to (a + b + c + d) shr 2 of the pixels at
// (x - r, y - r), (x + r, y - r), (x - r, y + r) and (x + r, y + r), read
// from the work image itself, so pixels already written in the pass are
// read again. A neighbour column outside the picture is replaced by x, a
// neighbour row outside by y.
//
// A work image that is not an uncompressed 24-bit picture is refused with
// EDibImageBadDIBType "<operation>: Invalid Bitcount" before any pixel is
// written.

#include <cstdint>

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// Gaussian blur n: passes at distance n, n - 1, ..., 0 (the last changes
/// nothing). Progress after each row of each pass: rows done over all
/// passes x 100 div ((n + 1) x height). n = 0 changes nothing.
inline constexpr TParameter kGaussianBlurPasses{"passes", 1, 10, 3, "", true};
struct GaussianBlurParams {
    std::uint8_t Passes = kGaussianBlurPasses.Default;
};
void GaussianBlur(TDibImage& work, const GaussianBlurParams& params, const ProgressFn& progress = {});

/// Shake a: one pass at distance a, progress (row + 1) x 100 div height.
/// A distance of 0, or one at least the picture's width and height, leaves
/// every pixel as it is.
inline constexpr TParameter kBlurDistance{"distance", 1, 50, 1, "pixels", true};
struct BlurParams {
    int Distance = kBlurDistance.Default;
};
void Blur(TDibImage& work, const BlurParams& params, const ProgressFn& progress = {});

}  // namespace zelvo::effects
