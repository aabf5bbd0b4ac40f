#include "effects/Generated.h"

#include <algorithm>
#include <array>
#include <vector>

#include "effects/EffectChecks.h"
#include "effects/Picture24.h"

namespace zelvo::effects {

namespace {

constexpr int kRampSize = 256;

/// Rounds numerator / 100 (numerator >= 0) to the nearest integer, a half
/// going to the even neighbour: ClampRound of the quotient in integers.
std::uint8_t RoundPercent(int numerator) {
    int quotient = numerator / 100;
    const int remainder = numerator % 100;
    if (remainder > 50 || (remainder == 50 && (quotient & 1))) ++quotient;
    return std::uint8_t(std::min(quotient, 255));
}

}  // namespace

TDibImage NewImage(int width, int height, int bitCount, TColor color) {
    TDibPixelFormat format = dibPf24Bit;
    switch (bitCount) {
    case 24: format = dibPf24Bit; break;
    case 8: format = dibPf8Bit; break;
    case 4: format = dibPf4Bit; break;
    case 1: format = dibPf1Bit; break;
    default: RequireRange(bitCount, 24, 24, "bit count");
    }
    TDibImage picture = NewFilled24(width, height, color);
    if (format != dibPf24Bit) {
        picture.ConvertMode = 1;
        picture.SetPixelFormat(format);
    }
    return picture;
}

TDibImage GradationRamp(TColor color1, TColor color2, int direction) {
    RequireRange(direction, 1, 8, "gradation direction");
    const bool odd = direction % 2 == 1;
    const TColor start = ColorToRGB(odd ? color1 : color2);
    const TColor end = ColorToRGB(odd ? color2 : color1);
    const int n = direction <= 4 ? 256 : 512;
    // Colours of the lines 0..n, B, G, R.
    std::vector<std::array<std::uint8_t, 3>> lines(std::size_t(n) + 1);
    const int s[3] = {GetBValue(start), GetGValue(start), GetRValue(start)};
    const int e[3] = {GetBValue(end), GetGValue(end), GetRValue(end)};
    for (int k = 0; k <= n; ++k) {
        // The colour changes only after a line is drawn: lines 0 and 1 both
        // take the start colour.
        const int step = std::max(0, k - 1);
        for (int c = 0; c < 3; ++c) lines[std::size_t(k)][std::size_t(c)] = std::uint8_t(s[c] + step * (e[c] - s[c]) / n);
    }
    TDibImage ramp = NewFilled24(kRampSize, kRampSize, clBlack);
    for (int y = 0; y < kRampSize; ++y) {
        std::uint8_t* row = ramp.ScanLine(y);
        for (int x = 0; x < kRampSize; ++x) {
            int k = 0;
            switch (direction) {
            case 1: case 2: k = x; break;
            case 3: case 4: k = y; break;
            case 5: case 6: k = x + y; break;
            default: k = kRampSize - y + x; break;
            }
            std::copy_n(lines[std::size_t(k)].begin(), 3, row + std::size_t(x) * 3);
        }
    }
    return ramp;
}

void Gradation(TDibImage& work, const GradationParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Gradation");
    RequireRange(params.Opacity, 1, 100, "gradation opacity");
    const TDibImage ramp = GradationRamp(params.Color1, params.Color2, params.Direction);
    const int w = work.Width(), h = work.Height();
    std::vector<std::size_t> column(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) column[std::size_t(x)] = std::size_t(std::int64_t(x) * kRampSize / w) * 3;
    const int a = params.Opacity;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* r = ramp.ScanLineRead(int(std::int64_t(y) * kRampSize / h));
        std::uint8_t* d = work.ScanLine(y);
        for (int x = 0; x < w; ++x, d += 3) {
            const std::uint8_t* p = r + column[std::size_t(x)];
            if (a == 100) {
                std::copy_n(p, 3, d);
            } else {
                for (int c = 0; c < 3; ++c) d[c] = RoundPercent((100 - a) * d[c] + a * p[c]);
            }
        }
        if (a != 100) ReportRowProgress(progress, y, h);
    }
}

void Texture(TDibImage& work, const TDibImage& texture, const TextureParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Texture");
    RequireRange(params.Level, 1, 100, "texture level");
    TDibImage holder;
    const TDibImage& tex = Read24Bit(texture, holder);
    const int tw = tex.Width(), th = tex.Height();
    // A true modulo, so that any offset (also a negative one) lands inside
    // the texture.
    const int startX = (params.OffsetX % tw + tw) % tw;
    int ty = (params.OffsetY % th + th) % th;
    // The darkening k of every texture brightness.
    std::array<int, 256> darken{};
    for (int g = 0; g < 256; ++g) darken[std::size_t(g)] = (255 - g) * params.Level;
    const int w = work.Width(), h = work.Height();
    for (int y = 0; y < h; ++y) {
        std::uint8_t* d = work.ScanLine(y);
        const std::uint8_t* t = tex.ScanLineRead(ty);
        int tx = startX;
        for (int x = 0; x < w; ++x, d += 3) {
            const std::uint8_t* p = t + std::size_t(tx) * 3;
            const int k = darken[(unsigned(p[0]) + p[1] + p[2]) / 3];
            // Division truncates toward zero; what falls below 0 is 0.
            for (int c = 0; c < 3; ++c) d[c] = std::uint8_t(std::clamp((d[c] * 100 - k) / 100, 0, 255));
            if (++tx == tw) tx = 0;
        }
        if (++ty == th) ty = 0;
        if (progress) progress(y * 100 / h);
    }
}

}  // namespace zelvo::effects
