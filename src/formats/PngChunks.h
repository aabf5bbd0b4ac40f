#pragma once
// The fixed parts of a PNG file that the decoder and the encoder share: the
// signature, the chunk types the codec knows, and the buffer size both hand
// to zlib. Internal to the PNG codec; other code includes PngImage.h.

#include <cstddef>
#include <cstdint>

namespace zelvo::png {

/// The eight bytes every PNG file starts with.
inline constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
/// zlib works through buffers of this size on both sides.
inline constexpr std::size_t kZBufferSize = 32768;

/// A chunk type as the big-endian number its four letters make.
constexpr std::uint32_t ChunkName(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}
inline constexpr std::uint32_t kIHDR = ChunkName("IHDR");
inline constexpr std::uint32_t kPLTE = ChunkName("PLTE");
inline constexpr std::uint32_t kIDAT = ChunkName("IDAT");
inline constexpr std::uint32_t kIEND = ChunkName("IEND");
inline constexpr std::uint32_t kTRNS = ChunkName("tRNS");
inline constexpr std::uint32_t kBKGD = ChunkName("bKGD");
inline constexpr std::uint32_t kGAMA = ChunkName("gAMA");
inline constexpr std::uint32_t kPHYS = ChunkName("pHYs");
inline constexpr std::uint32_t kOFFS = ChunkName("oFFs");
inline constexpr std::uint32_t kTEXT = ChunkName("tEXt");
inline constexpr std::uint32_t kZTXT = ChunkName("zTXt");
inline constexpr std::uint32_t kITXT = ChunkName("iTXt");
inline constexpr std::uint32_t kICCP = ChunkName("iCCP");

}  // namespace zelvo::png
