#include "effects/Geometry.h"
#include "image/DibPixelIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "image/ImageLimits.h"

namespace zelvo::effects {
namespace {

constexpr const char* kInvalidParameters = "TDibImageData.CreateDIB: Invalid Parameters";



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

}  // namespace

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
    // tiles of columns, so that the writes down the destination columns stay
    // in the cache.
    constexpr int kBand = 32;
    for (int y0 = 0; y0 < h; y0 += kBand) {
        const int y1 = std::min(h, y0 + kBand);
        if (bits == 24 || bits == 8) {
            const int bpp = bits / 8;
            constexpr int kTile = 64;
            for (int x0 = 0; x0 < w; x0 += kTile) {
                const int x1 = std::min(w, x0 + kTile);
                for (int x = x0; x < x1; ++x) {
                    const int dy = clockwise ? x : w - 1 - x;
                    std::uint8_t* drow = out[std::size_t(dy)];
                    for (int y = y0; y < y1; ++y) {
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
            if (bits == 24) {
                for (int x = x0; x < x1; ++x) {
                    std::uint8_t* a = row + std::size_t(x) * 3;
                    std::uint8_t* b = row + std::size_t(w - 1 - x) * 3;
                    std::swap(a[0], b[0]);
                    std::swap(a[1], b[1]);
                    std::swap(a[2], b[2]);
                }
            } else if (bits == 8) {
                for (int x = x0; x < x1; ++x) std::swap(row[x], row[w - 1 - x]);
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
    for (int y = 0; y < dh; ++y) {
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
        ReportRowProgress(progress, y, dh);
    }
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
