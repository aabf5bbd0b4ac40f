#include "effects/Convolution.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "effects/EffectChecks.h"
#include "effects/Rounding.h"
#include "image/RowBands.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelvo::effects {
namespace {

// Three source rows as they were before the filter, each widened by one
// repeated pixel at both ends, so that pixel x's neighbours are bytes
// 3x .. 3x + 8 of the rows above, at and below it. It starts at the band's
// first row.
class TSourceRing {
public:
    TSourceRing(const TBandSource& band, int width, int height) : band_(band), width_(width), height_(height) {
        for (auto& row : rows_) row.resize(std::size_t(width_ + 2) * 3);
        const int y = band.Begin();
        Load(0, std::max(0, y - 1));
        Load(1, y);
        Load(2, std::min(y + 1, height_ - 1));
    }
    const std::uint8_t* Above() const { return rows_[order_[0]].data(); }
    const std::uint8_t* Same() const { return rows_[order_[1]].data(); }
    const std::uint8_t* Below() const { return rows_[order_[2]].data(); }
    // Moves on from row y (already written) to row y + 1.
    void Advance(int y) {
        std::rotate(order_.begin(), order_.begin() + 1, order_.end());
        if (y + 1 < band_.End()) Load(order_[2], std::min(y + 2, height_ - 1));
    }

private:
    void Load(std::size_t slot, int y) {
        std::uint8_t* dst = rows_[slot].data();
        const std::uint8_t* src = band_.Row(y);
        std::memcpy(dst + 3, src, std::size_t(width_) * 3);
        std::memcpy(dst, src, 3);
        std::memcpy(dst + std::size_t(width_ + 1) * 3, src + std::size_t(width_ - 1) * 3, 3);
    }
    const TBandSource& band_;
    int width_, height_;
    std::array<std::vector<std::uint8_t>, 3> rows_;
    std::array<std::size_t, 3> order_{0, 1, 2};
};

// The kernel as integers on a common binary scale: entry i is K[i] x 2^-Shift.
// A float has a 24-bit mantissa and a byte 8 bits, so every product is
// exact; when all scaled entries, the bias and every possible sum stay far
// below 2^62, each partial sum of the extended-precision form is an exact
// multiple of 2^-Shift as well. Then the integer sum S is that form's s, and
// s / d is one rounding of S x 2^-Shift / d, computed below the same way.
struct TExactKernel {
    bool Exact = false;
    int Shift = 0;
    std::array<std::int64_t, 9> K{};
    std::int64_t Bias = 0;
    std::int64_t MinSum = 0, MaxSum = 0;
};

TExactKernel MakeExact(const Convolve3x3Params& params) {
    TExactKernel e;
    int lowest = 0;  // exponent of the lowest set bit over all entries, at most 0
    for (float k : params.Kernel) {
        if (k == 0) continue;
        int exponent = 0;
        const double fraction = std::frexp(double(k), &exponent);
        const auto mantissa = std::uint32_t(std::fabs(std::ldexp(fraction, 24)));
        lowest = std::min(lowest, exponent - 24 + std::countr_zero(mantissa));
    }
    e.Shift = -lowest;
    if (e.Shift > 48) return e;
    for (std::size_t i = 0; i < 9; ++i) {
        const double scaled = std::ldexp(double(params.Kernel[i]), e.Shift);
        if (std::fabs(scaled) >= 0x1p40) return e;
        e.K[i] = std::int64_t(scaled);
        (e.K[i] < 0 ? e.MinSum : e.MaxSum) += e.K[i] * 255;
    }
    e.Bias = params.Bias ? std::int64_t(128) << e.Shift : 0;
    e.MinSum += e.Bias;
    e.MaxSum += e.Bias;
    const std::int64_t divisor = params.Divisor == 0 ? 1 : params.Divisor;
    e.Exact = std::max(-e.MinSum, e.MaxSum) < (std::int64_t(1) << 61) && (divisor << e.Shift) < (std::int64_t(1) << 56);
    return e;
}

// The output byte of an exact sum, by the extended-precision steps.
std::uint8_t OutputOf(std::int64_t sum, int shift, long double divisor) {
    return ClampRound(std::ldexp(static_cast<long double>(sum), -shift) / divisor);
}

// ClampRound(sum x 2^-shift) in integers, for the divisor 1.
std::uint8_t OutputOfShifted(std::int64_t sum, int shift) {
    if (sum <= 0) return 0;
    if (sum >= (std::int64_t(255) << shift)) return 255;
    if (shift == 0) return std::uint8_t(sum);
    std::int64_t whole = sum >> shift;
    const std::int64_t fraction = sum & ((std::int64_t(1) << shift) - 1);
    const std::int64_t half = std::int64_t(1) << (shift - 1);
    if (fraction > half || (fraction == half && (whole & 1))) ++whole;
    return std::uint8_t(whole);
}

#if defined(__SSE2__)
// The table lookup of integer kernels (scale 1) as vector arithmetic, eight
// sums at a time: v = sum - offset limited to 0..255 d, q = v div d by a
// multiply-high, then a half rounded to even. It is used only when it gives
// the table's byte for every index the sums can take, which Make checks.
class TVectorDivide {
public:
    static std::optional<TVectorDivide> Make(const TExactKernel& e, std::uint8_t divisor,
                                             const std::vector<std::uint8_t>& table) {
        if (e.Shift != 0 || e.MinSum > 0) return std::nullopt;
        TVectorDivide v;
        v.offset_ = std::uint16_t(-e.MinSum);
        v.divisor_ = divisor == 0 ? 1 : divisor;
        v.limit_ = std::uint16_t(255 * v.divisor_);
        for (int extra = 0; extra < 16; ++extra) {
            const std::uint32_t magic = std::uint32_t(((std::uint64_t(1) << (16 + extra)) + v.divisor_ - 1) / v.divisor_);
            if (magic > 0xFFFF) break;
            v.magic_ = std::uint16_t(magic);
            v.extra_ = extra;
            bool same = true;
            for (std::size_t u = 0; u < table.size() && same; ++u) same = v.One(std::uint16_t(u)) == table[u];
            if (same) return v;
        }
        return std::nullopt;
    }

    // Converts the first sums of the row, a multiple of 8; returns how many.
    std::size_t Run(const std::uint16_t* sums, std::size_t count, std::uint8_t* out) const {
        const __m128i offset = _mm_set1_epi16(short(offset_)), limit = _mm_set1_epi16(short(limit_));
        const __m128i magic = _mm_set1_epi16(short(magic_)), divisor = _mm_set1_epi16(short(divisor_));
        const __m128i one = _mm_set1_epi16(1);
        const __m128i extra = _mm_cvtsi32_si128(extra_);
        std::size_t i = 0;
        for (; i + 8 <= count; i += 8) {
            __m128i v = _mm_subs_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + i)), offset);
            v = _mm_subs_epu16(v, _mm_subs_epu16(v, limit));  // unsigned min(v, limit)
            __m128i q = _mm_srl_epi16(_mm_mulhi_epu16(v, magic), extra);
            const __m128i twice = _mm_slli_epi16(_mm_sub_epi16(v, _mm_mullo_epi16(q, divisor)), 1);
            const __m128i up = _mm_or_si128(_mm_cmpgt_epi16(twice, divisor),
                                            _mm_and_si128(_mm_cmpeq_epi16(twice, divisor),
                                                          _mm_cmpeq_epi16(_mm_and_si128(q, one), one)));
            q = _mm_sub_epi16(q, up);  // up is all ones where rounding up
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(q, q));
        }
        return i;
    }

private:
    // The same steps on one sum.
    std::uint8_t One(std::uint16_t sum) const {
        std::uint32_t v = sum > offset_ ? std::uint32_t(sum - offset_) : 0;
        v = std::min<std::uint32_t>(v, limit_);
        std::uint32_t q = ((v * magic_) >> 16) >> extra_;
        const std::uint32_t twice = 2 * (v - q * divisor_);
        if (twice > divisor_ || (twice == divisor_ && (q & 1))) ++q;
        return q > 255 ? 255 : std::uint8_t(q);
    }

    std::uint16_t offset_ = 0, limit_ = 0, magic_ = 0, divisor_ = 1;
    int extra_ = 0;
};
#endif

// Runs `row(above, same, below, out, scratch)` for each row, in bands of
// rows on the pool; `scratch` holds one 16-bit value per channel byte of a
// row and belongs to the band.
template <class RowFn>
void ForEachRow(TDibImage& work, const ProgressFn& progress, RowFn row) {
    const int width = work.Width(), height = work.Height();
    std::vector<std::uint8_t*> out(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) out[std::size_t(y)] = work.ScanLine(y);
    ForEachBandWithHalo(
        work, 1,
        [&](const TBandSource& band) {
            TSourceRing ring(band, width, height);
            std::vector<std::uint16_t> scratch(std::size_t(width) * 3);
            for (int y = band.Begin(); y < band.End(); ++y) {
                row(ring.Above(), ring.Same(), ring.Below(), out[std::size_t(y)], scratch.data());
                ring.Advance(y);
                band.RowDone(y);
            }
        },
        [&](int y) { ReportRowProgress(progress, y, height); });
}

// The edge kernels: eight entries `ring` (-5 or 5) around a centre that
// makes the kernel sum 21 - level (enhancement) or level - 21 (extraction);
// divisor 21 - level.
Convolve3x3Params EdgeKernel(int level, float ring, const TParameter& range, const char* what) {
    range.Require(level, what);
    const float a = float(level);
    const float centre = ring < 0 ? 61 - a : a - 61;
    Convolve3x3Params p;
    p.Kernel = KernelFromRows({ring, ring, ring, ring, centre, ring, ring, ring, ring});
    p.Divisor = std::uint8_t(21 - level);
    return p;
}

}  // namespace

TKernel3x3 KernelFromRows(const std::array<float, 9>& rows) {
    TKernel3x3 k{};
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t column = 0; column < 3; ++column) k[column * 3 + row] = rows[row * 3 + column];
    return k;
}

void Convolve3x3(TDibImage& work, const Convolve3x3Params& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Convolve3x3");
    for (float k : params.Kernel) {
        if (!std::isfinite(k)) throw EDibImageInvalidDIBPara(kInvalidParameters, "kernel entry not finite");
    }
    const std::size_t bytes = std::size_t(work.Width()) * 3;
    const long double divisor = params.Divisor == 0 ? 1 : params.Divisor;
    const TExactKernel e = MakeExact(params);

    if (e.Exact && e.MaxSum - e.MinSum < (1 << 16)) {
        // Small integer sums: one table from sum to output byte.
        std::vector<std::uint8_t> table(std::size_t(e.MaxSum - e.MinSum + 1));
        for (std::int64_t s = e.MinSum; s <= e.MaxSum; ++s) table[std::size_t(s - e.MinSum)] = OutputOf(s, e.Shift, divisor);
        // The table index lies in 0..65535, so the sums can be formed in
        // 16-bit arithmetic: wrapping on the way does not change the result
        // modulo 2^16, and eight of them fit one vector register.
        std::array<std::uint16_t, 9> k{};
        for (std::size_t i = 0; i < 9; ++i) k[i] = std::uint16_t(e.K[i]);
        const auto bias = std::uint16_t(e.Bias - e.MinSum);  // sums start at table index 0
#if defined(__SSE2__)
        const std::optional<TVectorDivide> divide = TVectorDivide::Make(e, params.Divisor, table);
#endif
        ForEachRow(work, progress, [&](const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
                                       std::uint16_t* sums) {
            std::uint16_t* __restrict s = sums;
            for (std::size_t i = 0; i < bytes; ++i) {
                s[i] = std::uint16_t(k[0] * a[i] + k[1] * b[i] + k[2] * c[i] + k[3] * a[i + 3] + k[4] * b[i + 3] +
                                     k[5] * c[i + 3] + k[6] * a[i + 6] + k[7] * b[i + 6] + k[8] * c[i + 6] + bias);
            }
            std::size_t i = 0;
#if defined(__SSE2__)
            if (divide) i = divide->Run(s, bytes, out);
#endif
            for (; i < bytes; ++i) out[i] = table[s[i]];
        });
        return;
    }
    if (e.Exact) {
        // Fine fractions (emboss): 64-bit integer sums, rounded exactly.
        const bool shifted = params.Divisor <= 1;
        ForEachRow(work, progress, [&](const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
                                       std::uint16_t*) {
            for (std::size_t i = 0; i < bytes; ++i) {
                const std::int64_t s = e.K[0] * a[i] + e.K[1] * b[i] + e.K[2] * c[i] + e.K[3] * a[i + 3] +
                                       e.K[4] * b[i + 3] + e.K[5] * c[i + 3] + e.K[6] * a[i + 6] + e.K[7] * b[i + 6] +
                                       e.K[8] * c[i + 6] + e.Bias;
                out[i] = shifted ? OutputOfShifted(s, e.Shift) : OutputOf(s, e.Shift, divisor);
            }
        });
        return;
    }
    // Entries too far apart for an exact sum: the steps as they stand.
    const auto& k = params.Kernel;
    ForEachRow(work, progress, [&](const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
                                       std::uint16_t*) {
        for (std::size_t i = 0; i < bytes; ++i) {
            long double s = 0;
            for (std::size_t column = 0; column < 3; ++column) {
                const std::size_t at = i + column * 3;
                s += static_cast<long double>(k[column * 3]) * a[at];
                s += static_cast<long double>(k[column * 3 + 1]) * b[at];
                s += static_cast<long double>(k[column * 3 + 2]) * c[at];
            }
            if (params.Bias) s += 128;
            out[i] = ClampRound(s / divisor);
        }
    });
}

Convolve3x3Params SoftKernel(const SoftParams&) {
    Convolve3x3Params p;
    p.Kernel.fill(1.0f);
    p.Divisor = 9;
    return p;
}

void Soft(TDibImage& work, const SoftParams& params, const ProgressFn& progress) {
    Convolve3x3(work, SoftKernel(params), progress);
}

Convolve3x3Params SharpenKernel(const SharpenParams& params) {
    const float a = params.Level;
    Convolve3x3Params p;
    p.Kernel = KernelFromRows({0, -a, 0, -a, 4 * a + 10, -a, 0, -a, 0});
    p.Divisor = 10;
    return p;
}

void Sharpen(TDibImage& work, const SharpenParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Sharpen");
    if (params.Level == 0) return;
    Convolve3x3(work, SharpenKernel(params), progress);
}

Convolve3x3Params EmbossKernel(const EmbossParams& params) {
    float t = float(params.Level) / 10.0f;
    if (params.Inverted) t = -t;
    const float c = params.Colored ? 1.0f : 0.0f;
    Convolve3x3Params p;
    p.Kernel = KernelFromRows({-t, -t, -t, 0, c, 0, t, t, t});
    p.Divisor = 1;
    p.Bias = !params.Colored;
    return p;
}

void Emboss(TDibImage& work, const EmbossParams& params, const ProgressFn& progress) {
    Convolve3x3(work, EmbossKernel(params), progress);
}

Convolve3x3Params HighPassKernel(const HighPassParams& params) {
    return EdgeKernel(params.Level, -5, kHighPassLevel, "edge enhancement level");
}

void HighPass(TDibImage& work, const HighPassParams& params, const ProgressFn& progress) {
    Convolve3x3(work, HighPassKernel(params), progress);
}

Convolve3x3Params EdgeDetectionKernel(const EdgeDetectionParams& params) {
    return EdgeKernel(params.Level, 5, kEdgeDetectionLevel, "edge extraction level");
}

void EdgeDetection(TDibImage& work, const EdgeDetectionParams& params, const ProgressFn& progress) {
    Convolve3x3(work, EdgeDetectionKernel(params), progress);
}

}  // namespace zelvo::effects
