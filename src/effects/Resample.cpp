#include "effects/Resample.h"
#include "effects/EffectChecks.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "image/ImageLimits.h"
#include "image/RowBands.h"
#include "image/Text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZELVO_RESAMPLE_AVX2 1
#endif

namespace zelvo::effects {
namespace {

const std::array<TFilterInfo, kResampleFilterCount> kFilters{{
    {"Box", BoxFilter, 0.5f},
    {"Hermite", HermiteFilter, 1.0f},
    {"Triangle", TriangleFilter, 1.0f},
    {"Bell", BellFilter, 1.5f},
    {"Mitchell", MitchellFilter, 2.0f},
    {"BSpline", BSplineFilter, 2.0f},
    {"Lanczos3", Lanczos3Filter, 3.0f},
}};

// Four single-precision lanes; the passes keep one pixel (blue, green, red,
// unused) or four channel values in one.
typedef float V4f __attribute__((vector_size(16)));
typedef int V4i __attribute__((vector_size(16)));
typedef unsigned char V4u8 __attribute__((vector_size(4)));

inline V4f Splat(float v) { return V4f{v, v, v, v}; }

inline V4f LoadFloats(const float* p) {
    V4f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Sixteen bytes as four groups of four single-precision values. The
// compilers turn a plain conversion of four bytes into four scalar
// conversions; unpacking against zero converts sixteen at once.
inline void LoadBytes16(const std::uint8_t* p, V4f* out) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(bytes, zero), hi = _mm_unpackhi_epi8(bytes, zero);
    out[0] = (V4f)_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero));
    out[1] = (V4f)_mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero));
    out[2] = (V4f)_mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero));
    out[3] = (V4f)_mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero));
#else
    for (int k = 0; k < 4; ++k)
        out[k] = V4f{float(p[4 * k]), float(p[4 * k + 1]), float(p[4 * k + 2]), float(p[4 * k + 3])};
#endif
}

// `count` bytes as floats, sixteen at a time while sixteen remain.
void BytesToFloats(const std::uint8_t* in, std::size_t count, float* out) {
    std::size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        V4f v[4];
        LoadBytes16(in + k, v);
        std::memcpy(out + k, v, sizeof v);
    }
    for (; k < count; ++k) out[k] = float(in[k]);
}

// ClampRound for four lanes at once: limits each lane to 0..255 and rounds it
// to the nearest integer, halves to even. Adding and removing 1.5 x 2^23
// rounds a value of 0..255 in the default rounding mode, which gives the
// same result as ClampRound for every single-precision input.
inline V4i ClampRound4(V4f v) {
    const V4f zero = Splat(0.0f), top = Splat(255.0f), magic = Splat(12582912.0f);
    v = v > top ? top : v;
    v = v < zero ? zero : v;
    v = (v + magic) - magic;
    return __builtin_convertvector(v, V4i);
}

// Sixteen sums, limited and rounded as ClampRound4 does, stored as bytes.
inline void StoreBytes16(const V4f* sums, std::uint8_t* d) {
#if defined(__SSE2__)
    // The values are 0..255 already, so the saturating packs keep them.
    const __m128i lo = _mm_packs_epi32((__m128i)ClampRound4(sums[0]), (__m128i)ClampRound4(sums[1]));
    const __m128i hi = _mm_packs_epi32((__m128i)ClampRound4(sums[2]), (__m128i)ClampRound4(sums[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(lo, hi));
#else
    for (int k = 0; k < 4; ++k) {
        const V4i r = ClampRound4(sums[k]);
        for (int lane = 0; lane < 4; ++lane) d[4 * k + lane] = std::uint8_t(r[lane]);
    }
#endif
}

// Mirrors an index that lies outside 0..size - 1 back into the picture: -j
// before the start, 2 size - j - 1 past the end, repeated until it is
// inside (each step shortens the distance, so this ends).
inline int MirrorIndex(int j, int size) {
    while (j < 0 || j >= size) j = j < 0 ? -j : 2 * size - j - 1;
    return j;
}

void CheckSize(int width, int height) {
    if (width < 1 || height < 1)
        throw EDibImageInvalidDIBPara(kInvalidParameters,
                                      "size " + std::to_string(width) + " x " + std::to_string(height));
    CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, 24, kInvalidParameters);
}

TDibImage New24(const TDibImage& like, int width, int height) {
    TDibImage result;
    result.ReplaceData(TDibImageData::CreateDIB(width, height, 0, 24, like.GetUseFMO()));
    result.DibData()->Header.biXPelsPerMeter = like.Header().biXPelsPerMeter;
    result.DibData()->Header.biYPelsPerMeter = like.Header().biYPelsPerMeter;
    return result;
}

// The weighted sum of one destination pixel over its taps in a row of
// channel values (blue, green, red of pixel p at 3p). Each load takes four
// values, the fourth being the next pixel's blue (or the row's zero pad),
// whose lane is never stored.
inline V4f Channels(const float* row, int pixel) { return LoadFloats(row + std::size_t(pixel) * 3); }

inline V4f SumTaps(const TContributors::Tap* t, const TContributors::Tap* end, const float* row) {
    V4f acc = Splat(0.0f);
    for (; t != end; ++t) acc += Splat(t->Weight) * Channels(row, t->Pixel);
    return acc;
}

inline void StorePixel(std::uint8_t* d, V4f acc) {
    const V4i v = ClampRound4(acc);
    d[0] = std::uint8_t(v[0]);
    d[1] = std::uint8_t(v[1]);
    d[2] = std::uint8_t(v[2]);
}

// Horizontal pass over one source row: `values` is the row as floats (three
// per pixel and one zero after the last), `out` the row of the intermediate
// picture.
void HorizontalRow(const TContributors& c, const float* values, std::uint8_t* out, int dw) {
    const TContributors::Tap* taps = c.Taps.data();
    int i = 0;
    // Four destination pixels at a time: the four sums are independent, so
    // their additions overlap; each sum still adds its taps in list order.
    for (; i + 4 <= dw; i += 4) {
        const int s0 = c.Start[std::size_t(i)], s1 = c.Start[std::size_t(i) + 1], s2 = c.Start[std::size_t(i) + 2],
                  s3 = c.Start[std::size_t(i) + 3], s4 = c.Start[std::size_t(i) + 4];
        const int n = std::min({s1 - s0, s2 - s1, s3 - s2, s4 - s3});
        V4f a0 = Splat(0.0f), a1 = a0, a2 = a0, a3 = a0;
        for (int k = 0; k < n; ++k) {
            const auto& t0 = taps[s0 + k];
            const auto& t1 = taps[s1 + k];
            const auto& t2 = taps[s2 + k];
            const auto& t3 = taps[s3 + k];
            a0 += Splat(t0.Weight) * Channels(values, t0.Pixel);
            a1 += Splat(t1.Weight) * Channels(values, t1.Pixel);
            a2 += Splat(t2.Weight) * Channels(values, t2.Pixel);
            a3 += Splat(t3.Weight) * Channels(values, t3.Pixel);
        }
        for (int k = s0 + n; k < s1; ++k) a0 += Splat(taps[k].Weight) * Channels(values, taps[k].Pixel);
        for (int k = s1 + n; k < s2; ++k) a1 += Splat(taps[k].Weight) * Channels(values, taps[k].Pixel);
        for (int k = s2 + n; k < s3; ++k) a2 += Splat(taps[k].Weight) * Channels(values, taps[k].Pixel);
        for (int k = s3 + n; k < s4; ++k) a3 += Splat(taps[k].Weight) * Channels(values, taps[k].Pixel);
        std::uint8_t* d = out + std::size_t(i) * 3;
        StorePixel(d, a0);
        StorePixel(d + 3, a1);
        StorePixel(d + 6, a2);
        StorePixel(d + 9, a3);
    }
    for (; i < dw; ++i)
        StorePixel(out + std::size_t(i) * 3,
                   SumTaps(taps + c.Start[std::size_t(i)], taps + c.Start[std::size_t(i) + 1], values));
}


#if defined(ZELVO_RESAMPLE_AVX2)
// The same sums eight lanes at a time where the processor has AVX2: the
// products and additions are the same single-precision operations in the
// same order (no fused multiply-add), so the bytes are the same.

std::atomic<bool> gAvx2Allowed{true};

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && gAvx2Allowed.load(std::memory_order_relaxed);
}

// ClampRound4 for eight lanes.
__attribute__((target("avx2"))) inline __m256i ClampRound8(__m256 v) {
    v = _mm256_min_ps(v, _mm256_set1_ps(255.0f));
    v = _mm256_max_ps(v, _mm256_setzero_ps());
    const __m256 magic = _mm256_set1_ps(12582912.0f);
    v = _mm256_sub_ps(_mm256_add_ps(v, magic), magic);
    return _mm256_cvttps_epi32(v);
}

// Two source rows of `width` pixels as floats, interleaved by pixel: eight
// values per pixel, blue, green, red and 0 of row a, then the same of row b.
__attribute__((target("avx2"))) void InterleaveRows2(const std::uint8_t* a, const std::uint8_t* b, int width,
                                                     float* out) {
    // Four pixels (twelve bytes) of a row spread to four lanes each, the
    // fourth lane zero.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    int p = 0;
    // Each step reads sixteen bytes; the last steps stay inside the row.
    for (; 3 * p + 16 <= 3 * width; p += 4) {
        const __m128i ra = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 3 * p)), spread);
        const __m128i rb = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 3 * p)), spread);
        const __m256 a01 = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(ra));
        const __m256 a23 = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(ra, 8)));
        const __m256 b01 = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(rb));
        const __m256 b23 = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(rb, 8)));
        float* o = out + std::size_t(p) * 8;
        _mm256_storeu_ps(o, _mm256_permute2f128_ps(a01, b01, 0x20));
        _mm256_storeu_ps(o + 8, _mm256_permute2f128_ps(a01, b01, 0x31));
        _mm256_storeu_ps(o + 16, _mm256_permute2f128_ps(a23, b23, 0x20));
        _mm256_storeu_ps(o + 24, _mm256_permute2f128_ps(a23, b23, 0x31));
    }
    for (; p < width; ++p) {
        float* o = out + std::size_t(p) * 8;
        for (int c = 0; c < 3; ++c) {
            o[c] = float(a[3 * p + c]);
            o[4 + c] = float(b[3 * p + c]);
        }
        o[3] = o[7] = 0.0f;
    }
}

// Pixel p of both interleaved rows.
__attribute__((target("avx2"))) inline __m256 Channels2(const float* pairs, int pixel) {
    return _mm256_loadu_ps(pairs + std::size_t(pixel) * 8);
}

__attribute__((target("avx2"))) inline void StorePixel2(std::uint8_t* a, std::uint8_t* b, __m256 acc) {
    alignas(32) int r[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(r), ClampRound8(acc));
    a[0] = std::uint8_t(r[0]);
    a[1] = std::uint8_t(r[1]);
    a[2] = std::uint8_t(r[2]);
    b[0] = std::uint8_t(r[4]);
    b[1] = std::uint8_t(r[5]);
    b[2] = std::uint8_t(r[6]);
}

// HorizontalRow for two source rows at once (interleaved by
// InterleaveRows2), which share every tap, into the intermediate rows
// `outA` and `outB`.
__attribute__((target("avx2"))) void HorizontalRows2(const TContributors& c, const float* pairs,
                                                     std::uint8_t* outA, std::uint8_t* outB, int dw) {
    const TContributors::Tap* taps = c.Taps.data();
    const int* start = c.Start.data();
    int i = 0;
    for (; i + 4 <= dw; i += 4) {
        const int s0 = start[i], s1 = start[i + 1], s2 = start[i + 2], s3 = start[i + 3], s4 = start[i + 4];
        const int n = std::min({s1 - s0, s2 - s1, s3 - s2, s4 - s3});
        __m256 a0 = _mm256_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
        for (int k = 0; k < n; ++k) {
            const auto& t0 = taps[s0 + k];
            const auto& t1 = taps[s1 + k];
            const auto& t2 = taps[s2 + k];
            const auto& t3 = taps[s3 + k];
            a0 = _mm256_add_ps(a0, _mm256_mul_ps(_mm256_set1_ps(t0.Weight), Channels2(pairs, t0.Pixel)));
            a1 = _mm256_add_ps(a1, _mm256_mul_ps(_mm256_set1_ps(t1.Weight), Channels2(pairs, t1.Pixel)));
            a2 = _mm256_add_ps(a2, _mm256_mul_ps(_mm256_set1_ps(t2.Weight), Channels2(pairs, t2.Pixel)));
            a3 = _mm256_add_ps(a3, _mm256_mul_ps(_mm256_set1_ps(t3.Weight), Channels2(pairs, t3.Pixel)));
        }
        for (int k = s0 + n; k < s1; ++k)
            a0 = _mm256_add_ps(a0, _mm256_mul_ps(_mm256_set1_ps(taps[k].Weight), Channels2(pairs, taps[k].Pixel)));
        for (int k = s1 + n; k < s2; ++k)
            a1 = _mm256_add_ps(a1, _mm256_mul_ps(_mm256_set1_ps(taps[k].Weight), Channels2(pairs, taps[k].Pixel)));
        for (int k = s2 + n; k < s3; ++k)
            a2 = _mm256_add_ps(a2, _mm256_mul_ps(_mm256_set1_ps(taps[k].Weight), Channels2(pairs, taps[k].Pixel)));
        for (int k = s3 + n; k < s4; ++k)
            a3 = _mm256_add_ps(a3, _mm256_mul_ps(_mm256_set1_ps(taps[k].Weight), Channels2(pairs, taps[k].Pixel)));
        const std::size_t d = std::size_t(i) * 3;
        StorePixel2(outA + d, outB + d, a0);
        StorePixel2(outA + d + 3, outB + d + 3, a1);
        StorePixel2(outA + d + 6, outB + d + 6, a2);
        StorePixel2(outA + d + 9, outB + d + 9, a3);
    }
    for (; i < dw; ++i) {
        __m256 acc = _mm256_setzero_ps();
        for (int k = start[i]; k < start[i + 1]; ++k)
            acc = _mm256_add_ps(acc, _mm256_mul_ps(_mm256_set1_ps(taps[k].Weight), Channels2(pairs, taps[k].Pixel)));
        StorePixel2(outA + std::size_t(i) * 3, outB + std::size_t(i) * 3, acc);
    }
}

// Thirty-two bytes as four groups of eight single-precision values.
__attribute__((target("avx2"))) inline void LoadBytes32(const std::uint8_t* p, __m256* out) {
    for (int k = 0; k < 4; ++k)
        out[k] = _mm256_cvtepi32_ps(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 8 * k))));
}

// One destination row of a vertical strip: `values` channel values from
// `base` (the strip's first value in intermediate row 0), rows `stride`
// bytes apart, summed over the taps first .. last into `d`. Blocks of
// thirty-two values; a last shorter block reads on into the spare bytes and
// stores only what belongs to the strip.
__attribute__((target("avx2"))) void VerticalRowAvx2(const TContributors::Tap* first, const TContributors::Tap* last,
                                                     const std::uint8_t* base, std::size_t stride, int values,
                                                     std::uint8_t* d) {
    for (int k = 0; k < values; k += 32) {
        __m256 acc[4] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
        for (const TContributors::Tap* t = first; t != last; ++t) {
            const __m256 w = _mm256_set1_ps(t->Weight);
            __m256 v[4];
            LoadBytes32(base + stride * std::size_t(t->Pixel) + k, v);
            acc[0] = _mm256_add_ps(acc[0], _mm256_mul_ps(w, v[0]));
            acc[1] = _mm256_add_ps(acc[1], _mm256_mul_ps(w, v[1]));
            acc[2] = _mm256_add_ps(acc[2], _mm256_mul_ps(w, v[2]));
            acc[3] = _mm256_add_ps(acc[3], _mm256_mul_ps(w, v[3]));
        }
        // Values 0..255 survive the saturating packs; the packs work per
        // 128-bit half, which the permute puts back in order.
        const __m256i lo = _mm256_packs_epi32(ClampRound8(acc[0]), ClampRound8(acc[1]));
        const __m256i hi = _mm256_packs_epi32(ClampRound8(acc[2]), ClampRound8(acc[3]));
        const __m256i bytes =
            _mm256_permutevar8x32_epi32(_mm256_packus_epi16(lo, hi), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        if (k + 32 <= values) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + k), bytes);
        } else {
            alignas(32) std::uint8_t tail[32];
            _mm256_store_si256(reinterpret_cast<__m256i*>(tail), bytes);
            std::memcpy(d + k, tail, std::size_t(values - k));
        }
    }
}
#endif

}  // namespace

bool SetResampleAvx2(bool enabled) {
#if defined(ZELVO_RESAMPLE_AVX2)
    return gAvx2Allowed.exchange(enabled);
#else
    (void)enabled;
    return false;
#endif
}

float BoxFilter(float x) { return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

float HermiteFilter(float x) {
    const float a = std::fabs(x);
    return a < 1.0f ? (2.0f * a - 3.0f) * a * a + 1.0f : 0.0f;
}

float TriangleFilter(float x) {
    const float a = std::fabs(x);
    return a < 1.0f ? 1.0f - a : 0.0f;
}

float BellFilter(float x) {
    const float a = std::fabs(x);
    if (a < 0.5f) return 0.75f - a * a;
    if (a < 1.5f) {
        const float t = a - 1.5f;
        return 0.5f * t * t;
    }
    return 0.0f;
}

float MitchellFilter(float x) {
    const float a = std::fabs(x);
    const float aa = a * a;
    if (a < 1.0f) return (7.0f * (a * aa) - 12.0f * aa + 16.0f / 3.0f) / 6.0f;
    if (a < 2.0f) return (-(7.0f / 3.0f) * (a * aa) + 12.0f * aa - 20.0f * a + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

float BSplineFilter(float x) {
    const float a = std::fabs(x);
    if (a < 1.0f) return 0.5f * (a * a * a) - a * a + 2.0f / 3.0f;
    if (a < 2.0f) {
        const float t = 2.0f - a;
        return t * t * t / 6.0f;
    }
    return 0.0f;
}

float SinC(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = x * std::numbers::pi_v<float>;
    return std::sin(px) / px;
}

float Lanczos3Filter(float x) {
    return std::fabs(x) < 3.0f ? SinC(x) * SinC(x / 3.0f) : 0.0f;
}

const TFilterInfo& FilterInfo(TResampleFilter filter) {
    if (int(filter) < 0 || int(filter) >= kResampleFilterCount)
        throw EDibImageInvalidDIBPara(kInvalidParameters, "filter " + std::to_string(int(filter)));
    return kFilters[std::size_t(filter)];
}

std::optional<TResampleFilter> FilterFromName(std::string_view name) {
    for (int i = 0; i < kResampleFilterCount; ++i) {
        if (EqualsIgnoreCase(kFilters[std::size_t(i)].Name, name)) return TResampleFilter(i);
    }
    return std::nullopt;
}

float ResampleScale(int destSize, int sourceSize) {
    // A single destination pixel would give a scale of 0 and an endless
    // filter radius; it is treated like a single source pixel.
    if (sourceSize == 1 || destSize == 1) return float(destSize) / float(sourceSize);
    return float(destSize - 1) / float(sourceSize - 1);
}

TContributors BuildContributors(int destSize, int sourceSize, float (*kernel)(float), float support) {
    TContributors c;
    c.Start.reserve(std::size_t(destSize) + 1);
    const float scale = ResampleScale(destSize, sourceSize);
    const float radius = scale >= 1.0f ? support : support / scale;
    c.Taps.reserve(std::size_t(destSize) * std::size_t(std::max(1.0f, std::trunc(2.0f * radius + 1.0f))));
    for (int i = 0; i < destSize; ++i) {
        c.Start.push_back(int(c.Taps.size()));
        const float centre = float(i) / scale;
        const int left = int(std::floor(centre - radius));
        const int right = int(std::ceil(centre + radius));
        for (int j = left; j <= right; ++j) {
            const float weight =
                scale >= 1.0f ? kernel(centre - float(j)) : kernel((centre - float(j)) * scale) * scale;
            if (weight == 0.0f) continue;
            c.Taps.push_back(TContributors::Tap{MirrorIndex(j, sourceSize), weight});
        }
        if (kernel == BoxFilter) {
            // Minifying, the box is (SW - 1) / (DW - 1) pixels wide, a little
            // more than the SW / DW pixels each destination pixel stands for,
            // so where a pixel centre falls on the destination centre (the
            // first and the last always) it catches one pixel more: unscaled,
            // those columns and rows would come out up to 1.5 times as
            // bright. Each list is made the plain average of what it caught.
            float sum = 0.0f;
            for (std::size_t t = std::size_t(c.Start.back()); t < c.Taps.size(); ++t) sum += c.Taps[t].Weight;
            for (std::size_t t = std::size_t(c.Start.back()); t < c.Taps.size(); ++t) c.Taps[t].Weight /= sum;
        }
    }
    c.Start.push_back(int(c.Taps.size()));
    return c;
}

TDibImage Resample(const TDibImage& source, TResampleFilter filter, int width, int height,
                   const ProgressFn& progress) {
    return Resample(source, filter, width, height, FilterInfo(filter).Support, progress);
}

TDibImage Resample(const TDibImage& source, TResampleFilter filter, int width, int height, float support,
                   const ProgressFn& progress) {
    const TFilterInfo& info = FilterInfo(filter);
    CheckSize(width, height);
    if (!(support > 0.0f) || !std::isfinite(support))
        throw EDibImageInvalidDIBPara(kInvalidParameters, "support " + std::to_string(support));
    const int sw = source.Width(), sh = source.Height();
    const int dw = width, dh = height;
    CheckSize(dw, sh);  // the intermediate picture

    TDibImage src(source);
    if (src.PixelFormat() != dibPf24Bit) src.SetPixelFormat(dibPf24Bit);
    TDibImage dst = New24(src, dw, dh);

    // Horizontal pass: source rows -> intermediate rows of the destination width.
    const TContributors horizontal = BuildContributors(dw, sw, info.Kernel, support);
    const std::size_t workStride = std::size_t(dw) * 3;
    // Spare bytes let the vertical pass read whole blocks of 16 (or 32) values.
    std::vector<std::uint8_t> work(workStride * std::size_t(sh) + 32);
    // Source rows are independent, so bands of them run on the pool; pairs
    // of rows stay pairs (bands start at even rows).
    ForEachBand(
        sh, 2,
        [&](int begin, int end) {
            const std::size_t rowValues = std::size_t(sw) * 3;
            std::vector<float> values(rowValues + 1, 0.0f);
            int y = begin;
#if defined(ZELVO_RESAMPLE_AVX2)
            if (HasAvx2()) {
                std::vector<float> pairs(std::size_t(sw) * 8);
                for (; y + 2 <= end; y += 2) {
                    InterleaveRows2(src.ScanLineRead(y), src.ScanLineRead(y + 1), sw, pairs.data());
                    HorizontalRows2(horizontal, pairs.data(), work.data() + workStride * std::size_t(y),
                                    work.data() + workStride * std::size_t(y + 1), dw);
                }
            }
#endif
            for (; y < end; ++y) {
                BytesToFloats(src.ScanLineRead(y), rowValues, values.data());
                HorizontalRow(horizontal, values.data(), work.data() + workStride * std::size_t(y), dw);
            }
        },
        [&](int y) {
            if (progress) progress(int((std::int64_t(y) + 1) * 100 / sh) / 2);
        });

    // Vertical pass, in strips of columns: within a strip every destination
    // row is the weighted sum of whole intermediate rows, sixteen channel
    // values at a time held in registers over all taps, each value adding
    // its taps in list order.
    const TContributors vertical = BuildContributors(dh, sh, info.Kernel, support);
    constexpr int kStripPixels = 256;
    const int strips = (dw + kStripPixels - 1) / kStripPixels;
    std::vector<std::uint8_t*> dstRows(static_cast<std::size_t>(dh));
    for (int y = 0; y < dh; ++y) dstRows[std::size_t(y)] = dst.ScanLine(y);
    // Unit u is destination row u mod DH of strip u div DH: every unit is
    // independent, and the strips come one after the other as before.
    auto unit = [&](int u) {
        const int strip = u / dh, y = u % dh;
        const int c0 = strip * kStripPixels;
        const int c1 = std::min(dw, c0 + kStripPixels);
        const int v0 = c0 * 3, values = (c1 - c0) * 3;
        const TContributors::Tap* first = vertical.Taps.data() + vertical.Start[std::size_t(y)];
        const TContributors::Tap* last = vertical.Taps.data() + vertical.Start[std::size_t(y) + 1];
        std::uint8_t* d = dstRows[std::size_t(y)] + v0;
        const std::uint8_t* base = work.data() + v0;
#if defined(ZELVO_RESAMPLE_AVX2)
        if (HasAvx2()) {
            VerticalRowAvx2(first, last, base, workStride, values, d);
            return;
        }
#endif
        for (int k = 0; k < values; k += 16) {
            // The last block may reach past the strip (into the next
            // strip or the spare bytes); those sums are not stored.
            V4f acc[4] = {Splat(0.0f), Splat(0.0f), Splat(0.0f), Splat(0.0f)};
            for (const TContributors::Tap* t = first; t != last; ++t) {
                const V4f w = Splat(t->Weight);
                V4f v[4];
                LoadBytes16(base + workStride * std::size_t(t->Pixel) + k, v);
                acc[0] += w * v[0];
                acc[1] += w * v[1];
                acc[2] += w * v[2];
                acc[3] += w * v[3];
            }
            if (k + 16 <= values) {
                StoreBytes16(acc, d + k);
            } else {
                std::uint8_t tail[16];
                StoreBytes16(acc, tail);
                std::memcpy(d + k, tail, std::size_t(values - k));
            }
        }
    };
    ForEachBand(
        strips * dh, 1,
        [&](int begin, int end) {
            for (int u = begin; u < end; ++u) unit(u);
        },
        [&](int u) {
            if (!progress || u % dh != dh - 1) return;
            const int c0 = (u / dh) * kStripPixels;
            const int c1 = std::min(dw, c0 + kStripPixels);
            for (int x = c0; x < c1; ++x) progress(50 + int((std::int64_t(x) + 1) * 100 / dw) / 2);
        });
    return dst;
}

TDibImage StretchResize(const TDibImage& source, int width, int height) {
    CheckSize(width, height);
    TDibImage src(source);
    if (src.PixelFormat() == dibPf4BitRLE) src.SetPixelFormat(dibPf4Bit);
    else if (src.PixelFormat() == dibPf8BitRLE) src.SetPixelFormat(dibPf8Bit);
    const int sw = src.Width(), sh = src.Height(), bits = src.BitCount();
    TDibImage result;
    result.ReplaceData(TDibImageData::CreateDIB(width, height, bits == 24 ? 0 : src.ColorsUsed(), bits,
                                                src.GetUseFMO()));
    TDibImageData* data = result.DibData();
    if (bits != 24) std::copy_n(src.ColorTable(), 256, data->ColorTable.begin());
    data->Header.biXPelsPerMeter = src.Header().biXPelsPerMeter;
    data->Header.biYPelsPerMeter = src.Header().biYPelsPerMeter;
    data->ColorTableChanged();
    result.ConvertMode = src.ConvertMode;
    result.MonoColor = src.MonoColor;

    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) columns[std::size_t(x)] = int(std::int64_t(x) * sw / width);
    const std::uint8_t* previous = nullptr;
    int previousY = -1;
    for (int y = 0; y < height; ++y) {
        const int sy = int(std::int64_t(y) * sh / height);
        std::uint8_t* out = result.ScanLine(y);
        if (sy == previousY) {
            std::memcpy(out, previous, std::size_t(result.RowBytes()));
            continue;
        }
        const std::uint8_t* in = src.ScanLineRead(sy);
        switch (bits) {
            case 24:
                for (int x = 0; x < width; ++x) std::memcpy(out + x * 3, in + columns[std::size_t(x)] * 3, 3);
                break;
            case 8:
                for (int x = 0; x < width; ++x) out[x] = in[columns[std::size_t(x)]];
                break;
            case 4:
                for (int x = 0; x < width; ++x) {
                    const int s = columns[std::size_t(x)];
                    const unsigned v = (s & 1) ? (in[s >> 1] & 0x0Fu) : (in[s >> 1] >> 4);
                    if (x & 1) out[x >> 1] = std::uint8_t((out[x >> 1] & 0xF0) | v);
                    else out[x >> 1] = std::uint8_t((out[x >> 1] & 0x0F) | (v << 4));
                }
                break;
            default:
                for (int x = 0; x < width; ++x) {
                    const int s = columns[std::size_t(x)];
                    if ((in[s >> 3] >> (7 - (s & 7))) & 1) out[x >> 3] = std::uint8_t(out[x >> 3] | (0x80 >> (x & 7)));
                }
                break;
        }
        previous = out;
        previousY = sy;
    }
    return result;
}

}  // namespace zelvo::effects
