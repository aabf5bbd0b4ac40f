#pragma once
// Literal form of the two-pass filtered resampling: contributor lists built
// as plain vectors of (pixel, weight), a horizontal pass pixel by pixel and a
// vertical pass column by column, every sum a plain single-precision loop
// rounded through ClampRound; the Box filter's lists divided by their sum.
// effects::Resample must give the same bytes.

#include "image/DibImage.h"

namespace zelvo::test {

/// Resamples a 24-bit source to width x height with `kernel` of radius
/// `support`.
TDibImage ResampleLiteral(const TDibImage& source, float (*kernel)(float), float support, int width, int height);

}  // namespace zelvo::test
