#include "effects/Tone.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "effects/Rounding.h"
#include "image/RowBands.h"

namespace zelvo::effects {
namespace {

using ByteTable = std::array<std::uint8_t, 256>;

void Require24Bit(const TDibImage& work, const char* operation) {
    if (work.BitCount() != 24 || work.Header().biCompression != BI_RGB) {
        throw EDibImageBadDIBType(std::string(operation) + ": Invalid Bitcount",
                                  "bit count " + std::to_string(work.BitCount()) + ", compression " +
                                      std::to_string(work.Header().biCompression));
    }
}

// Runs `pixel(bgr)` on every pixel, row by row from the top.
template <class PixelFn>
void ForEachPixel(TDibImage& work, const ProgressFn& progress, PixelFn pixel) {
    const int width = work.Width();
    const int height = work.Height();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = work.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 3) pixel(p);
        ReportRowProgress(progress, y, height);
    }
}

// ForEachPixel in bands of rows on the pool, for the costlier mappings.
template <class PixelFn>
void ForEachPixelInBands(TDibImage& work, const ProgressFn& progress, PixelFn pixel) {
    const int width = work.Width();
    const int height = work.Height();
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[std::size_t(y)] = work.ScanLine(y);
    ForEachBand(
        height, 1,
        [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                std::uint8_t* p = rows[std::size_t(y)];
                for (int x = 0; x < width; ++x, p += 3) pixel(p);
            }
        },
        [&](int y) { ReportRowProgress(progress, y, height); });
}

// Runs one table over every component byte. The same table serves blue,
// green and red, so a row is one run of width x 3 bytes.
void MapComponents(TDibImage& work, const ByteTable& table, const ProgressFn& progress) {
    const std::size_t bytes = std::size_t(work.Width()) * 3;
    const int height = work.Height();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = work.ScanLine(y);
        for (std::size_t i = 0; i < bytes; ++i) p[i] = table[p[i]];
        ReportRowProgress(progress, y, height);
    }
}

// A table from R + G + B (0..765) to an output pixel, stored blue, green,
// red like the row: the operations that depend only on Avg look the whole
// pixel up at once instead of dividing by 3 per pixel.
struct SumEntry {
    std::uint8_t B, G, R;
};
using SumTable = std::array<SumEntry, 766>;

void MapBySum(TDibImage& work, const SumTable& table, const ProgressFn& progress) {
    ForEachPixel(work, progress, [&table](std::uint8_t* p) {
        const SumEntry& e = table[unsigned(p[0]) + p[1] + p[2]];
        p[0] = e.B;
        p[1] = e.G;
        p[2] = e.R;
    });
}

// Power as the tables define it: a base of 0 gives 0.
long double PowerOf(long double base, long double exponent) {
    if (base == 0) return 0;
    return std::pow(base, exponent);
}

// ---------------------------------------------------------------------------
// HSV in extended precision.
//
// The conversion truncates reals (hue, saturation and value to integers,
// components to bytes), so its result depends on the exact rounding of each
// step. The literal steps below are the definition; the fast path in
// AdjustHSV reproduces them bit for bit.

THSV LiteralRGBToHSV(int red, int green, int blue) {
    const long double r = red / 255.0L, g = green / 255.0L, b = blue / 255.0L;
    const long double max = std::max({r, g, b});
    const long double min = std::min({r, g, b});
    const long double delta = max - min;
    long double rc = 0, gc = 0, bc = 0;
    if (delta != 0) {
        rc = (max - r) / delta;
        gc = (max - g) / delta;
        bc = (max - b) / delta;
    }
    long double h;
    if (r == max) h = bc - gc;
    else if (g == max) h = 2 + rc - bc;
    else h = 4 + gc - rc;
    h = h * 60;
    if (h < 0) h = h + 360;
    const long double s = max != 0 ? delta / max : 0;
    return THSV{int(h), int(s * 100), int(max * 100)};
}

// Back to RGB from a limited triple (hue 0..360, saturation and value
// 0..100), packed as 00BBGGRR.
std::uint32_t LiteralHSVToRGB(int hue, int saturation, int value) {
    if (hue == 360) hue = 0;
    const long double s = saturation / 100.0L, v = value / 100.0L;
    long double r, g, b;
    if (s == 0) {
        r = g = b = v;
    } else {
        const long double hh = hue / 60.0L;
        int i = int(hh);
        if (i < 0) i = 0;
        const long double f = hh - i;
        const long double p = v * (1 - s);
        const long double q = v * (1 - s * f);
        const long double t = v * (1 - s * (1 - f));
        switch (i) {
            case 1: r = q, g = v, b = p; break;
            case 2: r = p, g = v, b = t; break;
            case 3: r = p, g = q, b = v; break;
            case 4: r = t, g = p, b = v; break;
            case 5: r = v, g = p, b = q; break;
            default: r = v, g = t, b = p; break;  // 0 and anything larger
        }
    }
    return std::uint32_t(TruncHalfUp(r * 255)) | (std::uint32_t(TruncHalfUp(g * 255)) << 8) |
           (std::uint32_t(TruncHalfUp(b * 255)) << 16);
}

// The tables of the HSV fast path. Each entry is computed by the literal
// steps (the same extended-precision operations on the same operands), so
// looking it up gives the literal result.
struct HSVTables {
    std::array<std::uint8_t, 256> Value{};              // [max]: Trunc(max / 255 x 100)
    std::array<std::uint8_t, 256 * 256> Saturation{};   // [max * 256 + min]
    std::array<std::uint64_t, 256> Reciprocal{};        // [d]: 2^32 div d + 1
    std::array<long double, 256> Unit{};                // [c]: c / 255
    std::array<std::uint8_t, 101> ValueByte{};          // [V]: Trunc(V / 100 x 255 + 0.5)
    std::array<std::uint8_t, 101 * 101> LowByte{};      // [V * 101 + S]: p = v(1 - s) as a byte
    std::array<long double, 101> S{};                   // [S]: S / 100
    std::array<long double, 101> V{};                   // [V]: V / 100
    std::array<long double, 360> F{};                   // [H]: H / 60 - Trunc(H / 60)
};

const HSVTables& GetHSVTables() {
    static const auto* tables = [] {
        auto* t = new HSVTables;
        for (int c = 0; c < 256; ++c) t->Unit[std::size_t(c)] = c / 255.0L;
        for (int max = 0; max < 256; ++max) {
            const long double mx = max / 255.0L;
            t->Value[std::size_t(max)] = std::uint8_t(int(mx * 100));
            for (int min = 0; min <= max; ++min) {
                const long double delta = mx - min / 255.0L;
                const long double s = mx != 0 ? delta / mx : 0;
                t->Saturation[std::size_t(max * 256 + min)] = std::uint8_t(int(s * 100));
            }
        }
        for (int d = 1; d < 256; ++d) t->Reciprocal[std::size_t(d)] = (std::uint64_t(1) << 32) / unsigned(d) + 1;
        for (int i = 0; i <= 100; ++i) {
            t->S[std::size_t(i)] = i / 100.0L;
            t->V[std::size_t(i)] = i / 100.0L;
            t->ValueByte[std::size_t(i)] = TruncHalfUp(t->V[std::size_t(i)] * 255);
        }
        for (int v = 0; v <= 100; ++v)
            for (int s = 0; s <= 100; ++s)
                t->LowByte[std::size_t(v * 101 + s)] = TruncHalfUp(t->V[std::size_t(v)] * (1 - t->S[std::size_t(s)]) * 255);
        for (int h = 0; h < 360; ++h) {
            const long double hh = h / 60.0L;
            t->F[std::size_t(h)] = hh - int(hh);
        }
        return t;
    }();
    return *tables;
}

// The hue of a pixel. The exact hue is 60 x num / d for the integers below;
// when that is not a whole number it lies at least 1/d from one, far beyond
// the rounding error of the literal steps, so its floor is the literal
// result. A whole number can come out one lower in extended precision, so
// those pixels take the literal steps. Of the three quotients of the literal
// form only the two the branch uses are computed; the third never affects
// the result.
int HueOf(const HSVTables& t, int red, int green, int blue) {
    const int max = std::max({red, green, blue});
    const int d = max - std::min({red, green, blue});
    if (d == 0) return 0;
    int num;
    if (red == max) {
        num = green - blue;
        if (num == 0) return 0;  // both quotients are computed alike: exactly 0
        if (num < 0) num += 6 * d;
    } else if (green == max) {
        num = 2 * d + blue - red;
    } else {
        num = 4 * d + red - green;
    }
    // scaled < 2^17 and d < 2^8: the reciprocal gives the exact quotient.
    const std::uint32_t scaled = std::uint32_t(60 * num);
    const int hue = int((scaled * t.Reciprocal[std::size_t(d)]) >> 32);
    if (std::uint32_t(hue * d) != scaled) return hue;

    const long double r = t.Unit[std::size_t(red)], g = t.Unit[std::size_t(green)], b = t.Unit[std::size_t(blue)];
    const long double mx = t.Unit[std::size_t(max)];
    const long double delta = mx - t.Unit[std::size_t(max - d)];
    long double h;
    if (red == max) h = (mx - b) / delta - (mx - g) / delta;
    else if (green == max) h = 2 + (mx - r) / delta - (mx - b) / delta;
    else h = 4 + (mx - g) / delta - (mx - r) / delta;
    h = h * 60;
    if (h < 0) h = h + 360;
    // h lies within rounding error of the whole number `hue`: its
    // truncation is `hue` or one less.
    return h < hue ? hue - 1 : hue;
}

// One of the two middle terms of the back conversion as a byte:
// v(1 - s x w) x 255 + 0.5 truncated, with w = f (q) or 1 - f (t) and
// f = j / 60, j = hue mod 60. Exactly that is
// (255 x V x (6000 - S x k) + 300000) / 600000 with k = j or 60 - j; unless
// it is a whole number it lies at least 1/600000 from one and its floor is
// the literal result. Whole numbers take the literal steps.
inline std::uint8_t MiddleByte(const HSVTables& t, int hue, int saturation, int value, int k, bool isQ) {
    // Unsigned: n is below 2^28, and the division by a constant becomes a
    // multiply without sign corrections.
    const unsigned n = 255u * unsigned(value) * unsigned(6000 - saturation * k) + 300000u;
    const unsigned out = n / 600000u;
    if (out * 600000u != n) return std::uint8_t(out);
    const long double f = t.F[std::size_t(hue)];
    const long double s = t.S[std::size_t(saturation)], v = t.V[std::size_t(value)];
    const long double x = v * (1 - s * (isQ ? f : 1 - f)) * 255 + 0.5L;
    return std::uint8_t(x < out ? out - 1 : out);
}

// Back to RGB from a limited triple (hue 0..360, saturation and value
// 0..100) as B, G, R bytes, with the same result as LiteralHSVToRGB.
inline void BackToRGB(const HSVTables& t, int hue, int saturation, int value, std::uint8_t* bgr) {
    if (hue == 360) hue = 0;
    const std::uint8_t v = t.ValueByte[std::size_t(value)];
    if (saturation == 0) {
        bgr[0] = bgr[1] = bgr[2] = v;
        return;
    }
    const std::uint8_t p = t.LowByte[std::size_t(value * 101 + saturation)];
    const int sector = hue / 60, j = hue - sector * 60;
    // Where v, p and the middle term go (0 blue, 1 green, 2 red) in each
    // sector, and whether the middle term is q (odd sectors) or t.
    struct Layout {
        std::uint8_t V, P, Middle;
    };
    static constexpr Layout kLayout[6] = {{2, 0, 1}, {1, 0, 2}, {1, 2, 0}, {0, 2, 1}, {0, 1, 2}, {2, 1, 0}};
    const Layout& layout = kLayout[sector];
    const bool isQ = sector & 1;
    bgr[layout.V] = v;
    bgr[layout.P] = p;
    bgr[layout.Middle] = MiddleByte(t, hue, saturation, value, isQ ? j : 60 - j, isQ);
}

}  // namespace

// ---------------------------------------------------------------------------

void Negative(TDibImage& image, const NegativeParams&, const ProgressFn& progress) {
    if (image.BitCount() == 24) {
        Require24Bit(image, "Negative");
        ByteTable table;
        for (int c = 0; c < 256; ++c) table[std::size_t(c)] = std::uint8_t(255 - c);
        MapComponents(image, table, progress);
        return;
    }
    // Palette pictures invert their colours, not their indices: the indices,
    // the depth and any RLE coding stay as they are.
    int count = image.ColorsUsed();
    if (count == 0) count = 1 << image.BitCount();
    std::array<TRGBQuad, 256> table{};
    std::copy(image.ColorTable(), image.ColorTable() + count, table.begin());
    for (int i = 0; i < count; ++i) {
        TRGBQuad& q = table[std::size_t(i)];
        q.rgbBlue = std::uint8_t(255 - q.rgbBlue);
        q.rgbGreen = std::uint8_t(255 - q.rgbGreen);
        q.rgbRed = std::uint8_t(255 - q.rgbRed);
    }
    image.SetColorTable(std::span<const TRGBQuad>(table.data(), std::size_t(count)));
}

void Grayscale(TDibImage& work, const GrayscaleParams&, const ProgressFn& progress) {
    Require24Bit(work, "Grayscale");
    ForEachPixel(work, progress, [](std::uint8_t* p) {
        const auto y = std::uint8_t((unsigned(p[2]) * 30 + unsigned(p[1]) * 59 + unsigned(p[0]) * 11) / 100);
        p[0] = p[1] = p[2] = y;
    });
}

TColor SepiaColor(std::uint8_t index) {
    const long double base = index / 255.0L;
    const auto red = std::uint8_t(std::trunc(255 * PowerOf(base, 0.75L) + 0.5L));
    const auto blue = std::uint8_t(std::trunc(255 * PowerOf(base, 4.0L / 3.0L) + 0.5L));
    return RGB(red, index, blue);
}

void Sepia(TDibImage& work, const SepiaParams&, const ProgressFn& progress) {
    Require24Bit(work, "Sepia");
    std::array<TColor, 256> colors;
    for (int i = 0; i < 256; ++i) colors[std::size_t(i)] = SepiaColor(std::uint8_t(i));
    SumTable table;
    for (int sum = 0; sum <= 765; ++sum) {
        const TColor c = colors[std::size_t(sum / 3)];
        table[std::size_t(sum)] = SumEntry{GetBValue(c), GetGValue(c), GetRValue(c)};
    }
    MapBySum(work, table, progress);
}

void SingleColorScale(TDibImage& work, const SingleColorScaleParams& params, const ProgressFn& progress) {
    Require24Bit(work, "SingleColorScale");
    const TColor color = ColorToRGB(params.Color);
    const unsigned cr = GetRValue(color), cg = GetGValue(color), cb = GetBValue(color);
    SumTable table;
    for (unsigned sum = 0; sum <= 765; ++sum) {
        const unsigned a = sum / 3;
        table[sum] = SumEntry{std::uint8_t((cb * a) >> 8), std::uint8_t((cg * a) >> 8), std::uint8_t((cr * a) >> 8)};
    }
    MapBySum(work, table, progress);
}

void Brightness(TDibImage& work, const BrightnessParams& params, const ProgressFn& progress) {
    Require24Bit(work, "Brightness");
    ByteTable table;
    for (int c = 0; c < 256; ++c) table[std::size_t(c)] = ClampRound(c + int(params.Delta));
    MapComponents(work, table, progress);
}

void Contrast(TDibImage& work, const ContrastParams& params, const ProgressFn& progress) {
    Require24Bit(work, "Contrast");
    // k = Round(level / 100 x 10000) is level x 100 for every 8-bit level,
    // and the numerator below is an exact integer, so the only rounding is
    // the final one.
    const int k = params.Level * 100;
    ByteTable table;
    for (int c = 0; c < 256; ++c)
        table[std::size_t(c)] = ClampRound(((c - 128) * k + c * 10000) / 10000.0L);
    MapComponents(work, table, progress);
}

void AdjustRGB(TDibImage& work, const AdjustRGBParams& params, const ProgressFn& progress) {
    Require24Bit(work, "AdjustRGB");
    ByteTable red, green, blue;
    for (int c = 0; c < 256; ++c) {
        red[std::size_t(c)] = ClampRound(c + int(params.Red));
        green[std::size_t(c)] = ClampRound(c + int(params.Green));
        blue[std::size_t(c)] = ClampRound(c + int(params.Blue));
    }
    ForEachPixel(work, progress, [&](std::uint8_t* p) {
        p[0] = blue[p[0]];
        p[1] = green[p[1]];
        p[2] = red[p[2]];
    });
}

void Posterize(TDibImage& work, const PosterizeParams& params, const ProgressFn& progress) {
    Require24Bit(work, "Posterize");
    const int levels = params.Levels;
    if (levels < 2) return;
    // With step = 255 / (levels - 1): level n = Trunc(c / step + 0.5) and the
    // output Trunc(n x step), both in exact arithmetic. c / step + 0.5 is
    // never a whole number, and n x step is one exactly when it should be,
    // so the top level is always 255 (floating point gives 254 for 28
    // levels and others).
    ByteTable table;
    for (int c = 0; c < 256; ++c) {
        const int n = (2 * c * (levels - 1) + 255) / 510;
        table[std::size_t(c)] = std::uint8_t(n * 255 / (levels - 1));
    }
    MapComponents(work, table, progress);
}

void Solarization(TDibImage& work, const SolarizationParams& params, const ProgressFn& progress) {
    Require24Bit(work, "Solarization");
    if (params.Threshold == 255) return;
    ByteTable table;
    for (int c = 0; c < 256; ++c) table[std::size_t(c)] = std::uint8_t(c >= params.Threshold ? 255 - c : c);
    MapComponents(work, table, progress);
}

bool GammaInRange(double gamma) { return gamma >= 0.01 && gamma <= 6.99 && gamma != 1.0; }

void Gamma(TDibImage& work, const GammaParams& params, const ProgressFn&) {
    Require24Bit(work, "Gamma");
    if (!GammaInRange(params.Gamma)) return;
    const long double exponent = 1.0L / params.Gamma;
    ByteTable table;
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = std::uint8_t(std::trunc(255 * PowerOf(i / 255.0L, exponent) + 0.5L));
    MapComponents(work, table, {});
}

THSV RGBToHSV(TColor color) { return LiteralRGBToHSV(GetRValue(color), GetGValue(color), GetBValue(color)); }

TColor HSVToRGB(THSV hsv) {
    return TColor(LiteralHSVToRGB(std::clamp(hsv.H, 0, 360), std::clamp(hsv.S, 0, 100), std::clamp(hsv.V, 0, 100)));
}

void AdjustHSV(TDibImage& work, const AdjustHSVParams& params, const ProgressFn& progress) {
    Require24Bit(work, "AdjustHSV");
    const HSVTables& t = GetHSVTables();
    const int dh = params.Hue, ds = params.Saturation, dv = params.Value;
    ForEachPixelInBands(work, progress, [&](std::uint8_t* p) {
        const int blue = p[0], green = p[1], red = p[2];
        const int max = std::max({red, green, blue});
        const int min = std::min({red, green, blue});
        const int h = std::clamp(HueOf(t, red, green, blue) + dh, 0, 360);
        const int s = std::clamp(int(t.Saturation[std::size_t(max * 256 + min)]) + ds, 0, 100);
        const int v = std::clamp(int(t.Value[std::size_t(max)]) + dv, 0, 100);
        BackToRGB(t, h, s, v, p);
    });
}

void Monochrome(TDibImage& work, const MonochromeParams& params, const ProgressFn& progress) {
    Require24Bit(work, "Monochrome");
    // Avg >= threshold exactly when R + G + B >= 3 x threshold.
    const std::int64_t limit = std::int64_t(params.Threshold) * 3;
    SumTable table;
    for (int sum = 0; sum <= 765; ++sum) {
        const std::uint8_t c = sum >= limit ? 255 : 0;
        table[std::size_t(sum)] = SumEntry{c, c, c};
    }
    MapBySum(work, table, params.ReportProgress ? progress : ProgressFn{});
}

void SwapRGB(TDibImage& work, const SwapRGBParams&, const ProgressFn& progress) {
    Require24Bit(work, "SwapRGB");
    ForEachPixel(work, progress, [](std::uint8_t* p) {
        const std::uint8_t blue = p[0], green = p[1], red = p[2];
        p[0] = red;    // new B = old R
        p[1] = blue;   // new G = old B
        p[2] = green;  // new R = old G
    });
}

void XORConvert(TDibImage& work, const XORConvertParams&, const ProgressFn& progress) {
    Require24Bit(work, "XORConvert");
    const std::size_t bytes = std::size_t(work.Width()) * 3;
    const int height = work.Height();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = work.ScanLine(y);
        for (std::size_t i = 0; i < bytes; ++i) p[i] ^= 0x80;
        ReportRowProgress(progress, y, height);
    }
}

}  // namespace zelvo::effects
