#include "effects/Geometry.h"
#include "effects/EffectChecks.h"
#include "image/DibPixelIndex.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "image/ImageLimits.h"
#include "image/RowBands.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZELVO_GEOMETRY_SSSE3 1
#endif

namespace zelvo::effects {
namespace {


// Copies `count` pixels from column sx of one row to column dx of another,
// both of `bits` per pixel. The rows must not overlap.
void CopyPixels(const std::uint8_t* from, int sx, std::uint8_t* to, int dx, int count, int bits) {
    if (count <= 0) return;
    if (bits == 24) {
        std::memcpy(to + std::size_t(dx) * 3, from + std::size_t(sx) * 3, std::size_t(count) * 3);
    } else if (bits == 8) {
        std::memcpy(to + dx, from + sx, std::size_t(count));
    } else if ((sx * bits) % 8 == 0 && (dx * bits) % 8 == 0 && (count * bits) % 8 == 0) {
        std::memcpy(to + dx * bits / 8, from + sx * bits / 8, std::size_t(count * bits / 8));
    } else {
        for (int i = 0; i < count; ++i) DibPutIndex(to, dx + i, bits, DibIndexAt(from, sx + i, bits));
    }
}

// The source in a layout whose rows can be read directly: RLE data is
// decoded to the uncompressed form of its depth on a shared copy.
TDibImage Uncompressed(const TDibImage& source) {
    TDibImage plain(source);
    switch (plain.PixelFormat()) {
        case dibPf4BitRLE: plain.SetPixelFormat(dibPf4Bit); break;
        case dibPf8BitRLE: plain.SetPixelFormat(dibPf8Bit); break;
        default: break;
    }
    return plain;
}

TDibImage As24Bit(const TDibImage& source) {
    TDibImage copy(source);
    if (copy.PixelFormat() != dibPf24Bit) copy.SetPixelFormat(dibPf24Bit);
    return copy;
}

// A zero-filled bottom-up picture of width x height in `like`'s depth, with
// its colour table, resolution and memory kind.
TDibImage NewLike(const TDibImage& like, int width, int height, bool swapResolution = false) {
    if (width <= 0 || height <= 0)
        throw EDibImageInvalidDIBPara(kInvalidParameters,
                                      "size " + std::to_string(width) + " x " + std::to_string(height));
    const int bits = like.BitCount();
    TDibImage result;
    result.ReplaceData(TDibImageData::CreateDIB(width, height, bits == 24 ? 0 : like.ColorsUsed(), bits,
                                                like.GetUseFMO()));
    TDibImageData* data = result.DibData();
    if (bits != 24)
        std::copy_n(like.ColorTable(), 256, data->ColorTable.begin());
    data->Header.biXPelsPerMeter = swapResolution ? like.Header().biYPelsPerMeter : like.Header().biXPelsPerMeter;
    data->Header.biYPelsPerMeter = swapResolution ? like.Header().biXPelsPerMeter : like.Header().biYPelsPerMeter;
    data->ColorTableChanged();
    result.ConvertMode = like.ConvertMode;
    result.MonoColor = like.MonoColor;
    return result;
}

// (done x scale) div total in 64 bits.
inline int Percent(int done, int scale, int total) { return int(std::int64_t(done) * scale / total); }

// Rows of the picture as pointers (row 0 = top), made unique once.
std::vector<std::uint8_t*> RowPointers(TDibImage& image) {
    std::vector<std::uint8_t*> rows(std::size_t(image.Height()));
    for (int y = 0; y < image.Height(); ++y) rows[std::size_t(y)] = image.ScanLine(y);
    return rows;
}

std::vector<const std::uint8_t*> ReadRowPointers(const TDibImage& image) {
    std::vector<const std::uint8_t*> rows(std::size_t(image.Height()));
    for (int y = 0; y < image.Height(); ++y) rows[std::size_t(y)] = image.ScanLineRead(y);
    return rows;
}

// Makes an RLE-coded work image uncompressed, in place.
void DecodeInPlace(TDibImage& work) {
    if (work.PixelFormat() == dibPf4BitRLE) work.SetPixelFormat(dibPf4Bit);
    else if (work.PixelFormat() == dibPf8BitRLE) work.SetPixelFormat(dibPf8Bit);
}

inline int RoundHalfEven(double v) { return int(std::nearbyint(v)); }

#if defined(ZELVO_GEOMETRY_SSSE3)
// Block forms of the quarter turn and the mirror for 8- and 24-bit rows on
// processors with SSSE3 (byte shuffles). They move the same bytes as the
// plain loops, only sixteen or more at a time.

std::atomic<bool> gSimdAllowed{true};

bool UseSimd() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has && gSimdAllowed.load(std::memory_order_relaxed);
}

// The shuffle masks that reverse the order of sixteen 3-byte pixels held in
// three registers: output register r takes from input register q the bytes
// kReverse24[r][q] (-128 where the byte comes from another register).
constexpr std::array<std::array<std::array<signed char, 16>, 3>, 3> MakeReverse24() {
    std::array<std::array<std::array<signed char, 16>, 3>, 3> masks{};
    for (int r = 0; r < 3; ++r)
        for (int q = 0; q < 3; ++q)
            for (int o = 0; o < 16; ++o) {
                const int out = 16 * r + o;
                const int from = 3 * (15 - out / 3) + out % 3;
                masks[std::size_t(r)][std::size_t(q)][std::size_t(o)] =
                    static_cast<signed char>(from / 16 == q ? from % 16 : -128);
            }
    return masks;
}
constexpr auto kReverse24 = MakeReverse24();

__attribute__((target("ssse3"))) inline __m128i Mask(const std::array<signed char, 16>& m) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.data()));
}

__attribute__((target("ssse3"))) inline void Reverse48(const std::uint8_t* from, __m128i* out) {
    __m128i in[3];
    for (int q = 0; q < 3; ++q) in[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16 * q));
    for (int r = 0; r < 3; ++r) {
        __m128i v = _mm_setzero_si128();
        for (int q = 0; q < 3; ++q)
            v = _mm_or_si128(v, _mm_shuffle_epi8(in[q], Mask(kReverse24[std::size_t(r)][std::size_t(q)])));
        out[r] = v;
    }
}

// Swaps columns x and width - 1 - x of one row for x in x0 .. x1 - 1 in
// blocks of sixteen pixels, as far as whole blocks on both sides do not
// meet; returns the first column left for the plain loop.
__attribute__((target("ssse3"))) int MirrorBlocks(std::uint8_t* row, int x0, int x1, int width, int bits) {
    int x = x0;
    if (bits == 8) {
        const __m128i reverse = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        for (; x + 16 <= x1 && x + 16 <= width - x - 16; x += 16) {
            std::uint8_t* a = row + x;
            std::uint8_t* b = row + (width - x - 16);
            const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
            const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(a), _mm_shuffle_epi8(right, reverse));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(b), _mm_shuffle_epi8(left, reverse));
        }
    } else {
        for (; x + 16 <= x1 && x + 16 <= width - x - 16; x += 16) {
            std::uint8_t* a = row + std::size_t(x) * 3;
            std::uint8_t* b = row + std::size_t(width - x - 16) * 3;
            __m128i left[3], right[3];
            Reverse48(a, left);
            Reverse48(b, right);
            for (int q = 0; q < 3; ++q) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(a + 16 * q), right[q]);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(b + 16 * q), left[q]);
            }
        }
    }
    return x;
}

// Transposes a block of sixteen rows of sixteen bytes: out[k][r] = in[r][k].
// Four rounds of interleaving rows i and i + 8 each rotate the bits of
// (row, byte) by one place, so after four the row and byte have swapped.
__attribute__((target("ssse3"))) inline void Transpose16(const std::uint8_t* const* in, std::uint8_t* const* out) {
    __m128i v[16];
    for (int r = 0; r < 16; ++r) v[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[r]));
    for (int round = 0; round < 4; ++round) {
        __m128i next[16];
        for (int i = 0; i < 8; ++i) {
            next[2 * i] = _mm_unpacklo_epi8(v[i], v[i + 8]);
            next[2 * i + 1] = _mm_unpackhi_epi8(v[i], v[i + 8]);
        }
        for (int r = 0; r < 16; ++r) v[r] = next[r];
    }
    for (int k = 0; k < 16; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k]), v[k]);
}

// Transposes a block of four rows of four 3-byte pixels: out[k] receives
// pixel k of in[0], in[1], in[2] and in[3], in that order. Reads sixteen
// bytes from each input row (four past the block) and writes exactly
// twelve bytes to each output row.
__attribute__((target("ssse3"))) inline void Transpose4x3(const std::uint8_t* const* in, std::uint8_t* const* out) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
    __m128i r[4];
    for (int i = 0; i < 4; ++i)
        r[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in[i])), spread);
    const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]), t1 = _mm_unpackhi_epi32(r[0], r[1]);
    const __m128i t2 = _mm_unpacklo_epi32(r[2], r[3]), t3 = _mm_unpackhi_epi32(r[2], r[3]);
    const __m128i c[4] = {_mm_unpacklo_epi64(t0, t2), _mm_unpackhi_epi64(t0, t2), _mm_unpacklo_epi64(t1, t3),
                          _mm_unpackhi_epi64(t1, t3)};
    for (int k = 0; k < 4; ++k) {
        const __m128i packed = _mm_shuffle_epi8(c[k], pack);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[k]), packed);
        const int last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
        std::memcpy(out[k] + 8, &last, 4);
    }
}

// The quarter turn of source rows y0 .. y1 - 1 in blocks (sixteen by
// sixteen pixels at 8 bits, four by four at 24); returns the first source
// column left for the plain loop. `in` and `out` are the row pointers.
__attribute__((target("ssse3"))) int Rotate90Blocks(const std::vector<const std::uint8_t*>& in,
                                                    const std::vector<std::uint8_t*>& out, int w, int h, int y0,
                                                    int y1, int bits, bool clockwise) {
    const int block = bits == 8 ? 16 : 4;
    const int bpp = bits / 8;
    // A 24-bit block reads four bytes past its last pixel, which must stay
    // inside the source row.
    const int xEnd = bits == 8 ? w : w - 2;
    int x = 0;
    for (; x + block <= xEnd; x += block) {
        for (int yb = y0; yb + block <= y1; yb += block) {
            const std::uint8_t* rows[16];
            std::uint8_t* dest[16];
            for (int r = 0; r < block; ++r) {
                // Clockwise, destination column h - 1 - y runs upwards through the
                // source, so the block's rows are taken bottom first.
                const int y = clockwise ? yb + block - 1 - r : yb + r;
                rows[r] = in[std::size_t(y)] + std::size_t(x) * bpp;
            }
            const int dx = clockwise ? h - block - yb : yb;
            for (int k = 0; k < block; ++k)
                dest[k] = out[std::size_t(clockwise ? x + k : w - 1 - x - k)] + std::size_t(dx) * bpp;
            if (bits == 8) Transpose16(rows, dest);
            else Transpose4x3(rows, dest);
        }
    }
    return x;
}
#endif

}  // namespace

bool SetGeometrySimd(bool enabled) {
#if defined(ZELVO_GEOMETRY_SSSE3)
    return gSimdAllowed.exchange(enabled);
#else
    (void)enabled;
    return false;
#endif
}

TRect ClampCropRect(TPoint p1, TPoint p2, int width, int height) {
    const int x1 = std::clamp(std::min(p1.X, p2.X), 0, std::max(width, 0));
    const int x2 = std::clamp(std::max(p1.X, p2.X), 0, std::max(width, 0));
    const int y1 = std::clamp(std::min(p1.Y, p2.Y), 0, std::max(height, 0));
    const int y2 = std::clamp(std::max(p1.Y, p2.Y), 0, std::max(height, 0));
    return TRect{x1, y1, x2, y2};
}

TDibImage CropRect(const TDibImage& source, TRect rect) {
    if (rect.Left > rect.Right) std::swap(rect.Left, rect.Right);
    if (rect.Top > rect.Bottom) std::swap(rect.Top, rect.Bottom);
    const TDibImage src = Uncompressed(source);
    TDibImage result = NewLike(src, rect.Width(), rect.Height());
    const int bits = src.BitCount();
    // The part of the rectangle that lies inside the source.
    const int x0 = std::max(rect.Left, 0), x1 = std::min(rect.Right, src.Width());
    const int y0 = std::max(rect.Top, 0), y1 = std::min(rect.Bottom, src.Height());
    for (int y = y0; y < y1; ++y)
        CopyPixels(src.ScanLineRead(y), x0, result.ScanLine(y - rect.Top), x0 - rect.Left, x1 - x0, bits);
    return result;
}

TDibImage Rotate90(const TDibImage& source, bool clockwise, const ProgressFn& progress) {
    const TDibImage src = Uncompressed(source);
    const int w = src.Width(), h = src.Height(), bits = src.BitCount();
    TDibImage result = NewLike(src, h, w, true);
    const auto in = ReadRowPointers(src);
    const auto out = RowPointers(result);
    // Clockwise (x, y) -> (h - 1 - y, x); counter-clockwise (x, y) -> (y, w - 1 - x).
    // The picture is walked in bands of source rows and, within a band, in
    // tiles (or blocks) of columns. A tall band makes each destination row's
    // part of it long (1.5 KB at 24 bits), so that destination lines are
    // filled whole while they are in the cache.
    constexpr int kBand = 512;
    for (int y0 = 0; y0 < h; y0 += kBand) {
        const int y1 = std::min(h, y0 + kBand);
        if (bits == 24 || bits == 8) {
            const int bpp = bits / 8;
            // Whole blocks where the processor allows; the plain loop does the
            // rest: columns from blockX on, and rows from blockY on.
            int blockX = 0, blockY = y0;
#if defined(ZELVO_GEOMETRY_SSSE3)
            if (UseSimd()) {
                const int block = bits == 8 ? 16 : 4;
                blockY = y0 + (y1 - y0) / block * block;
                blockX = blockY > y0 ? Rotate90Blocks(in, out, w, h, y0, y1, bits, clockwise) : 0;
            }
#endif
            constexpr int kTile = 64;
            for (int x0 = 0; x0 < w; x0 += kTile) {
                const int x1 = std::min(w, x0 + kTile);
                for (int x = x0; x < x1; ++x) {
                    const int dy = clockwise ? x : w - 1 - x;
                    std::uint8_t* drow = out[std::size_t(dy)];
                    for (int y = x < blockX ? blockY : y0; y < y1; ++y) {
                        const int dx = clockwise ? h - 1 - y : y;
                        const std::uint8_t* s = in[std::size_t(y)] + std::size_t(x) * bpp;
                        std::uint8_t* d = drow + std::size_t(dx) * bpp;
                        if (bpp == 3) {
                            d[0] = s[0];
                            d[1] = s[1];
                            d[2] = s[2];
                        } else {
                            d[0] = s[0];
                        }
                    }
                }
            }
        } else {
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* srow = in[std::size_t(y)];
                for (int x = 0; x < w; ++x) {
                    const int dx = clockwise ? h - 1 - y : y;
                    const int dy = clockwise ? x : w - 1 - x;
                    DibPutIndex(out[std::size_t(dy)], dx, bits, DibIndexAt(srow, x, bits));
                }
            }
        }
        if (progress)
            for (int y = y0; y < y1; ++y) progress(Percent(y + 1, 100, h));
    }
    return result;
}

void Mirror(TDibImage& work, const ProgressFn& progress) {
    DecodeInPlace(work);
    const int w = work.Width(), h = work.Height(), bits = work.BitCount();
    const auto rows = RowPointers(work);
    const int half = (w + 1) / 2;
    // Columns are swapped in bands, every row for each band, so that progress
    // can be reported per column as the swaps complete.
    constexpr int kBand = 512;
    for (int x0 = 0; x0 < half; x0 += kBand) {
        const int x1 = std::min(half, x0 + kBand);
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = rows[std::size_t(y)];
            int first = x0;
#if defined(ZELVO_GEOMETRY_SSSE3)
            if ((bits == 24 || bits == 8) && UseSimd()) first = MirrorBlocks(row, x0, x1, w, bits);
#endif
            if (bits == 24) {
                for (int x = first; x < x1; ++x) {
                    std::uint8_t* a = row + std::size_t(x) * 3;
                    std::uint8_t* b = row + std::size_t(w - 1 - x) * 3;
                    std::swap(a[0], b[0]);
                    std::swap(a[1], b[1]);
                    std::swap(a[2], b[2]);
                }
            } else if (bits == 8) {
                for (int x = first; x < x1; ++x) std::swap(row[x], row[w - 1 - x]);
            } else {
                for (int x = x0; x < x1; ++x) {
                    const unsigned a = DibIndexAt(row, x, bits), b = DibIndexAt(row, w - 1 - x, bits);
                    DibPutIndex(row, x, bits, b);
                    DibPutIndex(row, w - 1 - x, bits, a);
                }
            }
        }
        // For an odd width the last swapped column would report more than
        // 100 %; the report is limited to 100.
        if (progress)
            for (int x = x0; x < x1; ++x) progress(std::min(100, Percent(x + 1, 200, w)));
    }
    work.Changed();
}

void Flip(TDibImage& work, const ProgressFn& progress) {
    DecodeInPlace(work);
    const int w = work.Width(), h = work.Height(), bits = work.BitCount();
    const auto rows = RowPointers(work);
    // Whole bytes of a row: padding bits are swapped with the pixels, which
    // leaves every pixel value where it belongs.
    const int rowBytes = work.RowBytes();
    // Bands of columns (as byte ranges) keep the per-column progress exact.
    constexpr int kBandPixels = 1024;
    for (int x0 = 0; x0 < w; x0 += kBandPixels) {
        const int x1 = std::min(w, x0 + kBandPixels);
        const int b0 = int(std::int64_t(x0) * bits / 8);
        const int b1 = x1 == w ? rowBytes : int(std::int64_t(x1) * bits / 8);
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(rows[std::size_t(y)] + b0, rows[std::size_t(y)] + b1, rows[std::size_t(h - 1 - y)] + b0);
        if (progress)
            for (int x = x0; x < x1; ++x) progress(Percent(x + 1, 100, w));
    }
    work.Changed();
}

void ShiftImage(TDibImage& work, int dx, int dy) {
    DecodeInPlace(work);
    const int w = work.Width(), h = work.Height(), bits = work.BitCount();
    const int sx = ((dx % w) + w) % w, sy = ((dy % h) + h) % h;
    if (sx == 0 && sy == 0) return;
    const TDibImage src(work);  // shares the storage until the result is written
    TDibImage result = NewLike(src, w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = src.ScanLineRead(y);
        std::uint8_t* out = result.ScanLine((y + sy) % h);
        // Source columns 0..w-sx-1 move right by sx; the last sx wrap to the left.
        CopyPixels(in, 0, out, sx, w - sx, bits);
        CopyPixels(in, w - sx, out, 0, sx, bits);
    }
    const TDibImage moved(result);
    work.Assign(&moved);
}

TSize RotatedSize(int width, int height, int angleTenths, bool enlarge) {
    if (!enlarge) return TSize{width, height};
    const double theta = angleTenths * std::numbers::pi / 1800.0;
    const double c = std::cos(theta), s = std::sin(theta);
    return TSize{RoundHalfEven(std::fabs(height * s) + std::fabs(width * c)),
                 RoundHalfEven(std::fabs(height * c) + std::fabs(width * s))};
}

TDibImage RotateAngle(const TDibImage& source, const RotateAngleParams& params, const ProgressFn& progress) {
    const TDibImage src = As24Bit(source);
    const int w = src.Width(), h = src.Height();
    const TSize size = RotatedSize(w, h, params.AngleTenths, params.Enlarge);
    CheckedImageBytes<EDibImageInvalidDIBPara>(size.Width, size.Height, 24, kInvalidParameters);
    const int dw = size.Width, dh = size.Height;

    TDibImage result;
    if (params.StartContent) {
        const TDibImage& start = *params.StartContent;
        if (start.Width() != dw || start.Height() != dh || start.PixelFormat() != dibPf24Bit)
            throw EDibImageInvalidDIBPara(kInvalidParameters, "start content is not " + std::to_string(dw) +
                                                                  " x " + std::to_string(dh) + " at 24 bits");
        result = start;
        result.UniqueDIB();
    } else {
        result = NewLike(src, dw, dh);
        const TColor bg = ColorToRGB(params.Background);
        const std::uint8_t b = GetBValue(bg), g = GetGValue(bg), r = GetRValue(bg);
        std::uint8_t* first = result.ScanLine(0);
        for (int x = 0; x < dw; ++x) {
            first[x * 3] = b;
            first[x * 3 + 1] = g;
            first[x * 3 + 2] = r;
        }
        for (int y = 1; y < dh; ++y) std::memcpy(result.ScanLine(y), first, std::size_t(dw) * 3);
    }

    const auto in = ReadRowPointers(src);
    const auto out = RowPointers(result);
    const double theta = params.AngleTenths * std::numbers::pi / 1800.0;
    const double cosA = std::cos(theta), sinA = std::sin(theta);
    const double halfW = w / 2.0, halfH = h / 2.0;
    const double u0 = 0.0 - (dw / 2.0 - 0.5);
    // Each destination row starts from its own position, so bands of rows
    // run on the pool.
    ForEachBand(
        dh, 1,
        [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                const double v = y - (dh / 2.0 - 0.5);
                double sx = halfW + u0 * cosA + v * sinA;
                double sy = halfH - u0 * sinA + v * cosA;
                std::uint8_t* d = out[std::size_t(y)];
                for (int x = 0; x < dw; ++x, d += 3, sx += cosA, sy -= sinA) {
                    // 0 <= s < size is the same test as 0 <= Floor(s) < size, and
                    // truncation equals Floor for the non-negative values that pass.
                    if (sx >= 0.0 && sx < w && sy >= 0.0 && sy < h) {
                        const std::uint8_t* s = in[std::size_t(int(sy))] + std::size_t(int(sx)) * 3;
                        d[0] = s[0];
                        d[1] = s[1];
                        d[2] = s[2];
                    }
                }
            }
        },
        [&](int y) { ReportRowProgress(progress, y, dh); });
    return result;
}

TDibImage AddMargins(const TDibImage& source, const MarginParams& params, const ProgressFn& progress) {
    if (params.Top < 0 || params.Bottom < 0 || params.Left < 0 || params.Right < 0)
        throw EDibImageInvalidDIBPara(kInvalidParameters, "negative margin");
    const TDibImage src = As24Bit(source);
    const std::int64_t w64 = std::int64_t(src.Width()) + params.Left + params.Right;
    const std::int64_t h64 = std::int64_t(src.Height()) + params.Top + params.Bottom;
    if (w64 > 0x7FFFFFFF || h64 > 0x7FFFFFFF)
        throw EDibImageInvalidDIBPara(kInvalidParameters, "margins too large");
    const int w = int(w64), h = int(h64);
    CheckedImageBytes<EDibImageInvalidDIBPara>(w, h, 24, kInvalidParameters);
    TDibImage result = NewLike(src, w, h);
    const TColor rgb = ColorToRGB(params.Color);
    std::vector<std::uint8_t> fill(std::size_t(w) * 3);
    for (int x = 0; x < w; ++x) {
        fill[std::size_t(x) * 3] = GetBValue(rgb);
        fill[std::size_t(x) * 3 + 1] = GetGValue(rgb);
        fill[std::size_t(x) * 3 + 2] = GetRValue(rgb);
    }
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = result.ScanLine(y);
        std::memcpy(row, fill.data(), fill.size());
        const int sy = y - params.Top;
        if (sy >= 0 && sy < src.Height())
            std::memcpy(row + std::size_t(params.Left) * 3, src.ScanLineRead(sy), std::size_t(src.Width()) * 3);
        ReportRowProgress(progress, y, h);
    }
    return result;
}

}  // namespace zelvo::effects
