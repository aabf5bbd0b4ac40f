#include "effects/Resample.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "image/ImageLimits.h"

namespace zelvo::effects {
namespace {

constexpr const char* kInvalidParameters = "TDibImageData.CreateDIB: Invalid Parameters";

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

inline V4f LoadBytes(const std::uint8_t* p) {
    V4u8 b;
    std::memcpy(&b, p, 4);
    return __builtin_convertvector(b, V4f);
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

inline std::uint8_t ClampRoundByte(float v) {
    if (v > 255.0f) return 255;
    if (v < 0.0f) return 0;
    return std::uint8_t(int((v + 12582912.0f) - 12582912.0f));
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
// pixels expanded to four lanes.
inline V4f SumTaps(const TContributors::Tap* t, const TContributors::Tap* end, const V4f* row) {
    V4f acc = Splat(0.0f);
    for (; t != end; ++t) acc += Splat(t->Weight) * row[t->Pixel];
    return acc;
}

inline void StorePixel(std::uint8_t* d, V4f acc) {
    const V4i v = ClampRound4(acc);
    d[0] = std::uint8_t(v[0]);
    d[1] = std::uint8_t(v[1]);
    d[2] = std::uint8_t(v[2]);
}

// Horizontal pass over one source row: `expanded` is the row as (b, g, r, 0)
// lanes, `out` the row of the intermediate picture.
void HorizontalRow(const TContributors& c, const V4f* expanded, std::uint8_t* out, int dw) {
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
            a0 += Splat(t0.Weight) * expanded[t0.Pixel];
            a1 += Splat(t1.Weight) * expanded[t1.Pixel];
            a2 += Splat(t2.Weight) * expanded[t2.Pixel];
            a3 += Splat(t3.Weight) * expanded[t3.Pixel];
        }
        for (int k = s0 + n; k < s1; ++k) a0 += Splat(taps[k].Weight) * expanded[taps[k].Pixel];
        for (int k = s1 + n; k < s2; ++k) a1 += Splat(taps[k].Weight) * expanded[taps[k].Pixel];
        for (int k = s2 + n; k < s3; ++k) a2 += Splat(taps[k].Weight) * expanded[taps[k].Pixel];
        for (int k = s3 + n; k < s4; ++k) a3 += Splat(taps[k].Weight) * expanded[taps[k].Pixel];
        std::uint8_t* d = out + std::size_t(i) * 3;
        StorePixel(d, a0);
        StorePixel(d + 3, a1);
        StorePixel(d + 6, a2);
        StorePixel(d + 9, a3);
    }
    for (; i < dw; ++i)
        StorePixel(out + std::size_t(i) * 3,
                   SumTaps(taps + c.Start[std::size_t(i)], taps + c.Start[std::size_t(i) + 1], expanded));
}

}  // namespace

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
        const std::string_view candidate = kFilters[std::size_t(i)].Name;
        if (candidate.size() == name.size() &&
            std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return TResampleFilter(i);
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
    // Three spare bytes let the vertical pass read whole groups of four.
    std::vector<std::uint8_t> work(workStride * std::size_t(sh) + 4);
    {
        std::vector<V4f> expanded(static_cast<std::size_t>(sw));
        for (int y = 0; y < sh; ++y) {
            const std::uint8_t* in = src.ScanLineRead(y);
            for (int x = 0; x < sw; ++x)
                expanded[std::size_t(x)] = V4f{float(in[x * 3]), float(in[x * 3 + 1]), float(in[x * 3 + 2]), 0.0f};
            HorizontalRow(horizontal, expanded.data(), work.data() + workStride * std::size_t(y), dw);
            if (progress) progress(int((std::int64_t(y) + 1) * 100 / sh) / 2);
        }
    }

    // Vertical pass, in strips of columns: within a strip every destination
    // row is the weighted sum of whole intermediate rows, four channel values
    // at a time, each value adding its taps in list order.
    const TContributors vertical = BuildContributors(dh, sh, info.Kernel, support);
    std::vector<std::uint8_t*> outRows(static_cast<std::size_t>(dh));
    for (int y = 0; y < dh; ++y) outRows[std::size_t(y)] = dst.ScanLine(y);
    constexpr int kStripPixels = 256;
    constexpr int kStripValues = kStripPixels * 3;
    std::array<V4f, kStripValues / 4> acc;
    for (int c0 = 0; c0 < dw; c0 += kStripPixels) {
        const int c1 = std::min(dw, c0 + kStripPixels);
        const int v0 = c0 * 3, values = (c1 - c0) * 3;
        const int groups = (values + 3) / 4;
        for (int y = 0; y < dh; ++y) {
            std::fill_n(acc.begin(), groups, Splat(0.0f));
            for (int t = vertical.Start[std::size_t(y)]; t < vertical.Start[std::size_t(y) + 1]; ++t) {
                const TContributors::Tap& tap = vertical.Taps[std::size_t(t)];
                const V4f w = Splat(tap.Weight);
                const std::uint8_t* s = work.data() + workStride * std::size_t(tap.Pixel) + v0;
                for (int g = 0; g < groups; ++g) acc[std::size_t(g)] += w * LoadBytes(s + g * 4);
            }
            std::uint8_t* d = outRows[std::size_t(y)] + v0;
            const int whole = values / 4;
            for (int g = 0; g < whole; ++g) {
                const V4i r = ClampRound4(acc[std::size_t(g)]);
                d[g * 4] = std::uint8_t(r[0]);
                d[g * 4 + 1] = std::uint8_t(r[1]);
                d[g * 4 + 2] = std::uint8_t(r[2]);
                d[g * 4 + 3] = std::uint8_t(r[3]);
            }
            for (int k = whole * 4; k < values; ++k) d[k] = ClampRoundByte(acc[std::size_t(k / 4)][k % 4]);
        }
        if (progress)
            for (int x = c0; x < c1; ++x) progress(50 + int((std::int64_t(x) + 1) * 100 / dw) / 2);
    }
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
