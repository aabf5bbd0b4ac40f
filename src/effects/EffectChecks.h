#pragma once
// Checks the pixel operations run before they write any pixel.

#include <string>

#include "image/DibImage.h"
#include "image/Exceptions.h"

namespace zelvo::effects {

/// The message of a parameter an operation cannot take.
inline constexpr const char* kInvalidParameters = "TDibImageData.CreateDIB: Invalid Parameters";

/// Throws EDibImageBadDIBType "<operation>: Invalid Bitcount" unless `work`
/// is an uncompressed 24-bit picture.
inline void RequireWork24Bit(const TDibImage& work, const char* operation) {
    if (work.BitCount() != 24 || work.Header().biCompression != BI_RGB) {
        throw EDibImageBadDIBType(std::string(operation) + ": Invalid Bitcount",
                                  "bit count " + std::to_string(work.BitCount()) + ", compression " +
                                      std::to_string(work.Header().biCompression));
    }
}

/// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
/// Parameters" unless min <= value <= max; the detail names the parameter.
inline void RequireRange(long long value, long long min, long long max, const char* what) {
    if (value < min || value > max) {
        throw EDibImageInvalidDIBPara(kInvalidParameters, std::string(what) + " " + std::to_string(value) +
                                                              " outside " + std::to_string(min) + ".." +
                                                              std::to_string(max));
    }
}

/// Makes an RLE-coded palette picture uncompressed (same depth and colour
/// table), so that its pixels can be moved one by one.
inline void Uncompress(TDibImage& work) {
    if (work.Header().biCompression == BI_RGB) return;
    work.SetPixelFormat(work.BitCount() == 4 ? dibPf4Bit : dibPf8Bit);
}

}  // namespace zelvo::effects
