#pragma once
// Literal forms of the neighbourhood filters: every pixel read through
// GetPixels, sums formed in the order written in extended precision, ranks
// found by an exchange sort, results stored through SetPixels. The fast
// forms in effects/Convolution, Blur and RankFilter are compared with these
// bit for bit.

#include <array>
#include <cstdint>

#include "image/DibImage.h"

namespace zelvo::test {

/// Kernel stored column by column, as effects::TKernel3x3.
void Convolve3x3Literal(TDibImage& image, const std::array<float, 9>& kernel, int divisor, bool bias);
/// Passes at distance n, n - 1, ..., 0, in place.
void GaussianBlurLiteral(TDibImage& image, int n);
/// One in-place pass at distance a.
void BlurLiteral(TDibImage& image, int a);
/// The rank (1..9) of the packed colour values, from a copy, inner pixels.
void MedianLiteral(TDibImage& image, int rank);
/// The same rank in place: pixels already written are read again.
void RankInPlaceLiteral(TDibImage& image, int rank);

}  // namespace zelvo::test
