#pragma once
// 3 x 3 convolutions: the general filter with a divisor and an optional
// bias, and the filters built on it (soft, sharpen, emboss, edge
// enhancement, edge extraction).
//
// Reads come from the picture as it was before the filter (a ring of three
// source rows), writes go to the work image. A neighbour row or column
// outside the picture is replaced by the pixel's own row or column, so the
// border is repeated. Each channel is s = sum of kernel x neighbour in
// extended precision (kernel order below), plus 128 with the bias; the
// output is ClampRound(s / divisor), a divisor of 0 counting as 1.
//
// Progress: (row + 1) x 100 div height after each row.
//
// A work image that is not an uncompressed 24-bit picture is refused with
// EDibImageBadDIBType "<operation>: Invalid Bitcount" before any pixel is
// written.

#include <array>
#include <cstdint>

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// Nine single-precision kernel entries stored column by column: 0, 1, 2 are
/// the left column (row above, same row, row below), 3, 4, 5 the centre
/// column, 6, 7, 8 the right column.
using TKernel3x3 = std::array<float, 9>;

/// The kernel of rows given as they lie on the picture (top row first, each
/// row from the left), stored column by column.
TKernel3x3 KernelFromRows(const std::array<float, 9>& rows);

struct Convolve3x3Params {
    TKernel3x3 Kernel{};
    std::uint8_t Divisor = 1;
    bool Bias = false;
};
/// The general convolution. Kernel entries must be finite; a NaN or
/// infinite entry is refused with EDibImageInvalidDIBPara
/// "TDibImageData.CreateDIB: Invalid Parameters".
void Convolve3x3(TDibImage& work, const Convolve3x3Params& params, const ProgressFn& progress = {});

/// Soft: all ones, divisor 9.
struct SoftParams {};
Convolve3x3Params SoftKernel(const SoftParams& params = {});
void Soft(TDibImage& work, const SoftParams& params = {}, const ProgressFn& progress = {});

/// Sharpen a: rows (0 -a 0 / -a 4a+10 -a / 0 -a 0), divisor 10. Level 0
/// changes nothing.
inline constexpr TParameter kSharpenLevel{"level", 1, 20, 10, "", true};
struct SharpenParams {
    std::uint8_t Level = kSharpenLevel.Default;
};
Convolve3x3Params SharpenKernel(const SharpenParams& params);
void Sharpen(TDibImage& work, const SharpenParams& params, const ProgressFn& progress = {});

/// Emboss a: with t = a / 10 in single precision (negated when Inverted),
/// rows (-t -t -t / 0 c 0 / t t t) with c = 1 when Colored, else 0;
/// divisor 1; bias 128 unless Colored. So a flat picture becomes grey 128
/// (plain) or stays as it is (coloured).
inline constexpr TParameter kEmbossLevel{"level", 1, 20, 10};
struct EmbossParams {
    std::uint8_t Level = kEmbossLevel.Default;
    bool Colored = false;
    bool Inverted = false;
};
Convolve3x3Params EmbossKernel(const EmbossParams& params);
void Emboss(TDibImage& work, const EmbossParams& params, const ProgressFn& progress = {});

/// Edge enhancement a (1..20): rows (-5 -5 -5 / -5 61-a -5 / -5 -5 -5),
/// divisor 21 - a. Flat areas stay unchanged. Beyond 20 the divisor would
/// be zero or negative, so other levels are refused with
/// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters"
/// before any pixel is written.
inline constexpr TParameter kHighPassLevel{"level", 1, 20, 10};
struct HighPassParams {
    std::uint8_t Level = kHighPassLevel.Default;
};
Convolve3x3Params HighPassKernel(const HighPassParams& params);
void HighPass(TDibImage& work, const HighPassParams& params, const ProgressFn& progress = {});

/// Edge extraction a (1..20): rows (5 5 5 / 5 a-61 5 / 5 5 5), divisor
/// 21 - a. Flat areas become black. Other levels are refused as edge
/// enhancement refuses them.
inline constexpr TParameter kEdgeDetectionLevel{"level", 1, 20, 10};
struct EdgeDetectionParams {
    std::uint8_t Level = kEdgeDetectionLevel.Default;
};
Convolve3x3Params EdgeDetectionKernel(const EdgeDetectionParams& params);
void EdgeDetection(TDibImage& work, const EdgeDetectionParams& params, const ProgressFn& progress = {});

}  // namespace zelvo::effects
