#pragma once
// The steps of TDibImage::SetPixelFormat, each a function from one storage
// to a new one (RefCount 1, the source's memory kind, height sign and
// resolution). A step given a source of the wrong kind throws
// EDibImageBadDIBType with its own name in the message; through
// SetPixelFormat that cannot happen.

#include <functional>
#include <memory>

#include "image/DibImage.h"

namespace zelvo {

/// Called once per palette entry slot (leaf) produced by a reduction.
using ReductionStepFn = std::function<void()>;

using DibDataPtr = std::unique_ptr<TDibImageData>;

// Expansion and colour look-up.
DibDataPtr Convert1BitRGBTo4BitRGB(const TDibImageData& src);
DibDataPtr Convert1BitRGBTo8BitRGB(const TDibImageData& src);
DibDataPtr Convert4BitRGBTo8BitRGB(const TDibImageData& src);
/// 1, 4 or 8 bits to 24 bits through the colour table.
DibDataPtr ConvertPaletteToTrueColor(const TDibImageData& src);

// Reduction to 1 bit: index 1 for the pixels whose colour is exactly
// `monoColor`, index 0 for the rest; the table is black, white.
DibDataPtr ConvertTrueColorTo1BitRGB(const TDibImageData& src, TColor monoColor);
DibDataPtr Convert8BitTo1BitRGB(const TDibImageData& src, TColor monoColor);
DibDataPtr Convert4BitRGBTo1BitRGB(const TDibImageData& src, TColor monoColor);

// Reduction of 24-bit pixels to 16 (depth 4) or 256 (depth 8) colours by
// recursive variance splits. "Low" works on a 32 x 64 x 32 histogram, "High"
// on every pixel. `step` runs once per leaf at full depth.
DibDataPtr ConvertTrueColorTo8BitRGBLow(const TDibImageData& src, const ReductionStepFn& step);
DibDataPtr ConvertTrueColorTo8BitRGBHigh(const TDibImageData& src, const ReductionStepFn& step);
DibDataPtr ConvertTrueColorTo4BitRGBLow(const TDibImageData& src, const ReductionStepFn& step);
DibDataPtr ConvertTrueColorTo4BitRGBHigh(const TDibImageData& src, const ReductionStepFn& step);
/// 8-bit to 16 colours: the used table entries weighted by their pixel
/// counts, split with the "Low" rules.
DibDataPtr Convert8BitRGBTo4BitRGB(const TDibImageData& src, const ReductionStepFn& step);

/// Serpentine error diffusion to black and white over an uncompressed 1, 4,
/// 8 or 24-bit source.
DibDataPtr ConvertToHalfToneBW(const TDibImageData& src);
/// 8 bits over the 215-entry colour halftone palette (ordered dither).
DibDataPtr ConvertToHalfTone(const TDibImageData& src);

}  // namespace zelvo
