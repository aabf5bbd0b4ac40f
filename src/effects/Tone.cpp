#include "effects/Tone.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "effects/Rounding.h"

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

// Value (from the largest component) and saturation (from the largest and
// the smallest) depend on one and two bytes: tables of the literal steps.
struct HSVTables {
    std::array<std::uint8_t, 256> Value{};
    std::array<std::uint8_t, 256 * 256> Saturation{};  // [max * 256 + min]
};

const HSVTables& GetHSVTables() {
    static const auto* tables = [] {
        auto* t = new HSVTables;
        for (int max = 0; max < 256; ++max) {
            const long double mx = max / 255.0L;
            t->Value[std::size_t(max)] = std::uint8_t(int(mx * 100));
            for (int min = 0; min <= max; ++min) {
                const long double delta = mx - min / 255.0L;
                const long double s = mx != 0 ? delta / mx : 0;
                t->Saturation[std::size_t(max * 256 + min)] = std::uint8_t(int(s * 100));
            }
        }
        return t;
    }();
    return *tables;
}

// The hue of a pixel. The exact hue is 60 x num / d for the integers below;
// when that is not a whole number it lies at least 1/d from one, far beyond
// the rounding error of the literal steps, so its floor is the literal
// result. Whole numbers can come out one lower in extended precision; those
// pixels take the literal steps, remembered in a small direct-mapped cache
// because grey and near-grey pixels hit this case all the time.
class HueOf {
public:
    HueOf() : cache_(new std::uint64_t[kCacheSize]()) {}

    int operator()(int red, int green, int blue) {
        const int max = std::max({red, green, blue});
        const int d = max - std::min({red, green, blue});
        if (d == 0) return 0;
        int num;
        if (red == max) {
            num = green - blue;
            if (num == 0) return 0;  // both differences are computed alike: exactly 0
            if (num < 0) num += 6 * d;
        } else if (green == max) {
            num = 2 * d + blue - red;
        } else {
            num = 4 * d + red - green;
        }
        const int scaled = 60 * num;
        const int hue = scaled / d;
        if (hue * d != scaled) return hue;
        const std::uint32_t key = std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
        std::uint64_t& slot = cache_[(key * 2654435761u) >> (32 - kCacheBits)];
        if ((slot >> 32) == key + 1) return int(slot & 0xFFFF);
        const int literal = LiteralRGBToHSV(red, green, blue).H;
        slot = (std::uint64_t(key + 1) << 32) | std::uint32_t(literal);
        return literal;
    }

private:
    static constexpr int kCacheBits = 16;
    static constexpr std::size_t kCacheSize = std::size_t(1) << kCacheBits;
    std::unique_ptr<std::uint64_t[]> cache_;
};

// The back conversion depends on the limited triple only: 360 x 101 x 101
// results, filled in on first use during one call. Zero marks an entry not
// yet computed (results carry a flag in the top byte).
class BackConversion {
public:
    BackConversion()
        : table_(static_cast<std::uint32_t*>(std::calloc(kEntries, sizeof(std::uint32_t))), &std::free) {
        if (!table_) throw std::bad_alloc();
    }

    std::uint32_t operator()(int hue, int saturation, int value) {
        if (hue == 360) hue = 0;
        std::uint32_t& slot = table_.get()[(std::size_t(hue) * 101 + std::size_t(saturation)) * 101 +
                                           std::size_t(value)];
        if (slot == 0) slot = LiteralHSVToRGB(hue, saturation, value) | kFilled;
        return slot;
    }

private:
    static constexpr std::uint32_t kFilled = 0x01000000;
    static constexpr std::size_t kEntries = std::size_t(360) * 101 * 101;
    std::unique_ptr<std::uint32_t, decltype(&std::free)> table_;
};

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
    const HSVTables& tables = GetHSVTables();
    HueOf hueOf;
    BackConversion back;
    const int dh = params.Hue, ds = params.Saturation, dv = params.Value;
    ForEachPixel(work, progress, [&](std::uint8_t* p) {
        const int blue = p[0], green = p[1], red = p[2];
        const int max = std::max({red, green, blue});
        const int min = std::min({red, green, blue});
        const int h = std::clamp(hueOf(red, green, blue) + dh, 0, 360);
        const int s = std::clamp(int(tables.Saturation[std::size_t(max * 256 + min)]) + ds, 0, 100);
        const int v = std::clamp(int(tables.Value[std::size_t(max)]) + dv, 0, 100);
        const std::uint32_t rgb = back(h, s, v);
        p[0] = std::uint8_t(rgb >> 16);
        p[1] = std::uint8_t(rgb >> 8);
        p[2] = std::uint8_t(rgb);
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
