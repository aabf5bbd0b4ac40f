#include "formats/PixelRows.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZELVO_PIXELROWS_X86 1
#endif

namespace zelvo {

namespace {

void SwapRedBlueScalar(const std::uint8_t* source, std::uint8_t* target, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, source += 3, target += 3) {
        const std::uint8_t first = source[0];
        target[0] = source[2];
        target[1] = source[1];
        target[2] = first;
    }
}

#ifdef ZELVO_PIXELROWS_X86
// Five pixels per step: a 16-byte load and store, of which the last byte is
// the first byte of the next step's pixels and is written again there. The
// loop stops while 16 bytes still lie inside both ranges.
__attribute__((target("ssse3"))) void SwapRedBlueSsse3(const std::uint8_t* source, std::uint8_t* target,
                                                       std::size_t pixels) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    std::size_t i = 0;
    for (; i + 6 <= pixels; i += 5) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * i), _mm_shuffle_epi8(v, order));
    }
    SwapRedBlueScalar(source + 3 * i, target + 3 * i, pixels - i);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

void SwapRedBlue(const std::uint8_t* source, std::uint8_t* target, std::size_t pixels) {
#ifdef ZELVO_PIXELROWS_X86
    if (HasSsse3()) {
        SwapRedBlueSsse3(source, target, pixels);
        return;
    }
#endif
    SwapRedBlueScalar(source, target, pixels);
}

void ExpandIndexedRow(const std::uint8_t* source, int bitCount, std::size_t pixels,
                      const std::array<std::array<std::uint8_t, 3>, 256>& colors, std::uint8_t* target) {
    auto put = [&](unsigned index) {
        std::memcpy(target, colors[index].data(), 3);
        target += 3;
    };
    switch (bitCount) {
        case 8:
            for (std::size_t x = 0; x < pixels; ++x) put(source[x]);
            break;
        case 4:
            for (std::size_t x = 0; x < pixels; ++x) put((x & 1) ? source[x / 2] & 0x0F : source[x / 2] >> 4);
            break;
        default:
            for (std::size_t x = 0; x < pixels; ++x) put((source[x / 8] >> (7 - (x & 7))) & 1);
            break;
    }
}

void MapIndexedRow(const std::uint8_t* source, int bitCount, std::size_t pixels,
                   const std::array<std::uint8_t, 256>& levels, std::uint8_t* target) {
    switch (bitCount) {
        case 8:
            for (std::size_t x = 0; x < pixels; ++x) target[x] = levels[source[x]];
            break;
        case 4:
            for (std::size_t x = 0; x < pixels; ++x)
                target[x] = levels[(x & 1) ? source[x / 2] & 0x0F : source[x / 2] >> 4];
            break;
        default:
            for (std::size_t x = 0; x < pixels; ++x) target[x] = levels[(source[x / 8] >> (7 - (x & 7))) & 1];
            break;
    }
}

}  // namespace zelvo
