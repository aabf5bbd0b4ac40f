#pragma once
// Small helpers of the operations that bring in a second picture or make a
// new one: a 24-bit view of any picture and a new picture of one colour.

#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/EffectChecks.h"
#include "image/DibImage.h"
#include "image/ImageLimits.h"
#include "image/Types.h"

namespace zelvo::effects {

/// `picture` itself when it is uncompressed 24-bit, else a 24-bit copy kept
/// in `holder` (palette pixels looked up, RLE decoded).
inline const TDibImage& Read24Bit(const TDibImage& picture, TDibImage& holder) {
    if (picture.BitCount() == 24 && picture.Header().biCompression == BI_RGB) return picture;
    holder.Assign(&picture);
    holder.SetPixelFormat(dibPf24Bit);
    return holder;
}

/// A new 24-bit picture of width x height with every pixel `color` (system
/// colours resolved). Throws EDibImageInvalidDIBPara "TDibImageData.
/// CreateDIB: Invalid Parameters" for a side below 1 or a picture above the
/// pixel limit, before allocating.
inline TDibImage NewFilled24(std::int64_t width, std::int64_t height, TColor color) {
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || width < 1 || height < 1)
        throw EDibImageInvalidDIBPara(kInvalidParameters,
                                      "size " + std::to_string(width) + " x " + std::to_string(height));
    CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, 24, kInvalidParameters);
    TDibImage result;
    result.ReplaceData(TDibImageData::CreateDIB(int(width), int(height), 0, 24, DefaultUseFMO()));
    const TColor rgb = ColorToRGB(color);
    std::vector<std::uint8_t> fill(std::size_t(width) * 3);
    for (std::size_t x = 0; x < std::size_t(width); ++x) {
        fill[x * 3] = GetBValue(rgb);
        fill[x * 3 + 1] = GetGValue(rgb);
        fill[x * 3 + 2] = GetRValue(rgb);
    }
    for (int y = 0; y < int(height); ++y) std::memcpy(result.ScanLine(y), fill.data(), fill.size());
    return result;
}

}  // namespace zelvo::effects
