#pragma once
// Size arithmetic for pictures that come from outside data. Every decoder
// sizes its buffers through CheckedImageBytes, so an absurd header is refused
// before anything is allocated.

#include <cstdint>
#include <string>

namespace zelvo {

/// The largest picture the program creates from a file, a clipboard block or
/// a plug-in: 2^28 pixels (for example 16 384 x 16 384).
inline constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 28;

/// Bytes of one row of `width` pixels at `bitsPerPixel`, padded to 32 bits.
constexpr std::int64_t DibRowBytes(std::int64_t width, std::int64_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

/// True when a picture of |width| x |height| pixels is within kMaxImagePixels
/// and both sides are at least 1.
bool ImageSizeAllowed(std::int64_t width, std::int64_t height);

/// Bytes of pixel memory for width x |height| pixels at bitsPerPixel with
/// 32-bit row padding, computed in 64 bits. Throws the given exception type
/// with `message` (the caller's defined text) when a side is not positive or
/// the picture is above kMaxImagePixels; the measured values go to Detail().
template <class E>
std::int64_t CheckedImageBytes(std::int64_t width, std::int64_t height, std::int64_t bitsPerPixel,
                               const char* message) {
    if (height < 0) height = -height;
    if (!ImageSizeAllowed(width, height) || bitsPerPixel <= 0 || bitsPerPixel > 64) {
        throw E(message, "width " + std::to_string(width) + ", height " + std::to_string(height) +
                             ", bits " + std::to_string(bitsPerPixel) + ", pixel limit " +
                             std::to_string(kMaxImagePixels));
    }
    return DibRowBytes(width, bitsPerPixel) * height;
}

}  // namespace zelvo
