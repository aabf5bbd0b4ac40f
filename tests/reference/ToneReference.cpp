#include "reference/ToneReference.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace zelvo::test {
namespace {

using Real = long double;

template <class Fn>
void EachPixel(TDibImage& image, Fn fn) {
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const TColor c = image.GetPixels(x, y);
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            fn(r, g, b);
            image.SetPixels(x, y, RGB(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)));
        }
    }
}

// Limit to 0..255, then the floating-point unit's default rounding (to
// nearest, halves to even).
int LimitAndRound(Real value) {
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    std::fesetround(FE_TONEAREST);
    return int(std::nearbyint(value));
}

int Avg(int r, int g, int b) { return (r + g + b) / 3; }

Real Power(Real base, Real exponent) { return base == 0 ? 0 : std::pow(base, exponent); }

}  // namespace

void GrayscaleLiteral(TDibImage& image) {
    EachPixel(image, [](int& r, int& g, int& b) { r = g = b = (r * 30 + g * 59 + b * 11) / 100; });
}

void SepiaLiteral(TDibImage& image) {
    EachPixel(image, [](int& r, int& g, int& b) {
        const int i = Avg(r, g, b);
        r = int(std::trunc(255 * Power(i / Real(255), Real(0.75)) + Real(0.5)));
        g = i;
        b = int(std::trunc(255 * Power(i / Real(255), Real(4) / 3) + Real(0.5)));
    });
}

void SingleColorScaleLiteral(TDibImage& image, TColor color) {
    const TColor rgb = ColorToRGB(color);
    EachPixel(image, [rgb](int& r, int& g, int& b) {
        const int a = Avg(r, g, b);
        r = (GetRValue(rgb) * a) >> 8;
        g = (GetGValue(rgb) * a) >> 8;
        b = (GetBValue(rgb) * a) >> 8;
    });
}

void BrightnessLiteral(TDibImage& image, int delta) {
    EachPixel(image, [delta](int& r, int& g, int& b) {
        r = LimitAndRound(Real(r) + delta);
        g = LimitAndRound(Real(g) + delta);
        b = LimitAndRound(Real(b) + delta);
    });
}

void ContrastLiteral(TDibImage& image, int level) {
    // c + (c - 128) x level / 100 in floating point.
    auto f = [level](int c) { return LimitAndRound(c + Real(c - 128) * level / 100); };
    EachPixel(image, [&f](int& r, int& g, int& b) { r = f(r), g = f(g), b = f(b); });
}

void AdjustRGBLiteral(TDibImage& image, int red, int green, int blue) {
    EachPixel(image, [=](int& r, int& g, int& b) {
        r = LimitAndRound(Real(r) + red);
        g = LimitAndRound(Real(g) + green);
        b = LimitAndRound(Real(b) + blue);
    });
}

void PosterizeLiteral(TDibImage& image, int levels) {
    if (levels < 2) return;
    const Real step = Real(255) / (levels - 1);
    // Real arithmetic: c / step + 0.5 is never whole, n x step is whole
    // exactly when (levels - 1) divides n x 255. The small nudge keeps the
    // representation error of step from truncating a whole product downwards.
    const Real nudge = 1e-9L;
    auto f = [&](int c) {
        const Real n = std::trunc(c / step + Real(0.5));
        return LimitAndRound(std::trunc(n * step + nudge));
    };
    EachPixel(image, [&f](int& r, int& g, int& b) { r = f(r), g = f(g), b = f(b); });
}

void SolarizationLiteral(TDibImage& image, int threshold) {
    if (threshold >= 255) return;
    auto f = [threshold](int c) { return threshold == 0 || c >= threshold ? 255 - c : c; };
    EachPixel(image, [&f](int& r, int& g, int& b) { r = f(r), g = f(g), b = f(b); });
}

void GammaLiteral(TDibImage& image, double gamma) {
    if (gamma == 1.0 || !(gamma >= 0.01 && gamma <= 6.99)) return;
    auto f = [gamma](int c) { return int(std::trunc(255 * Power(c / Real(255), 1 / Real(gamma)) + Real(0.5))); };
    EachPixel(image, [&f](int& r, int& g, int& b) { r = f(r), g = f(g), b = f(b); });
}

// The HSV conversions run for every colour in the tests; SSE3's truncating
// store converts long doubles without switching the x87 rounding mode.
#if defined(__x86_64__) || defined(__i386__)
#define ZELVO_FAST_TRUNC __attribute__((target("sse3")))
#else
#define ZELVO_FAST_TRUNC
#endif

ZELVO_FAST_TRUNC LiteralHSV RGBToHSVLiteral(int red, int green, int blue) {
    const Real r = red / Real(255), g = green / Real(255), b = blue / Real(255);
    const Real max = std::max(r, std::max(g, b));
    const Real min = std::min(r, std::min(g, b));
    const Real delta = max - min;
    Real rc = 0, gc = 0, bc = 0;
    if (delta != 0) {
        rc = (max - r) / delta;
        gc = (max - g) / delta;
        bc = (max - b) / delta;
    }
    Real h;
    if (r == max) h = bc - gc;
    else if (g == max) h = 2 + rc - bc;
    else h = 4 + gc - rc;
    h = h * 60;
    if (h < 0) h = h + 360;
    const Real s = max != 0 ? delta / max : 0;
    // Trunc of non-negative values.
    return LiteralHSV{int(h), int(s * 100), int(max * 100)};
}

ZELVO_FAST_TRUNC TColor HSVToRGBLiteral(int hue, int saturation, int value) {
    if (hue == 360) hue = 0;
    const Real s = saturation / Real(100), v = value / Real(100);
    Real r, g, b;
    if (s == 0) {
        r = g = b = v;
    } else {
        const Real hh = hue / Real(60);
        int i = int(hh);
        if (i < 0) i = 0;
        const Real f = hh - i;
        const Real p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
        if (i == 0) r = v, g = t, b = p;
        else if (i == 1) r = q, g = v, b = p;
        else if (i == 2) r = p, g = v, b = t;
        else if (i == 3) r = p, g = q, b = v;
        else if (i == 4) r = t, g = p, b = v;
        else if (i == 5) r = v, g = p, b = q;
        else r = v, g = t, b = p;
    }
    return RGB(std::uint8_t(int(r * 255 + Real(0.5))), std::uint8_t(int(g * 255 + Real(0.5))),
               std::uint8_t(int(b * 255 + Real(0.5))));
}

void AdjustHSVLiteral(TDibImage& image, int dh, int ds, int dv) {
    EachPixel(image, [=](int& r, int& g, int& b) {
        const LiteralHSV hsv = RGBToHSVLiteral(r, g, b);
        const int h = std::clamp(hsv.H + dh, 0, 360);
        const int s = std::clamp(hsv.S + ds, 0, 100);
        const int v = std::clamp(hsv.V + dv, 0, 100);
        const TColor c = HSVToRGBLiteral(h, s, v);
        r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    });
}

void MonochromeLiteral(TDibImage& image, int threshold) {
    EachPixel(image, [threshold](int& r, int& g, int& b) { r = g = b = Avg(r, g, b) >= threshold ? 255 : 0; });
}

void SwapRGBLiteral(TDibImage& image) {
    EachPixel(image, [](int& r, int& g, int& b) {
        const int oldR = r, oldG = g, oldB = b;
        r = oldG, g = oldB, b = oldR;
    });
}

void XORConvertLiteral(TDibImage& image) {
    EachPixel(image, [](int& r, int& g, int& b) { r = (r + 128) % 256, g = (g + 128) % 256, b = (b + 128) % 256; });
}

void NegativeLiteral(TDibImage& image) {
    EachPixel(image, [](int& r, int& g, int& b) { r = 255 - r, g = 255 - g, b = 255 - b; });
}

}  // namespace zelvo::test
