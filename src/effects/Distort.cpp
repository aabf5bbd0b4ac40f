#include "effects/Distort.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "effects/EffectChecks.h"
#include "effects/Random.h"
#include "effects/Rounding.h"

namespace zelvo::effects {
namespace {

bool Inside(long long x, long long y, int width, int height) { return x >= 0 && y >= 0 && x < width && y < height; }

// Wrap-around of a wave source coordinate.
long long Wrapped(long long c, long long size) {
    if (c < 0) return size - ((-c) % size) - 1;
    if (c >= size) return c % size;
    return c;
}

// Exchanges two pixel values of the picture's own format.
void Exchange(TDibImage& work, int x1, int y1, int x2, int y2) {
    const TColor a = work.GetPixels(x1, y1);
    const TColor b = work.GetPixels(x2, y2);
    work.SetPixels(x1, y1, b);
    work.SetPixels(x2, y2, a);
}

}  // namespace

void Spray(TDibImage& work, const SprayParams& params, const ProgressFn& progress) {
    Uncompress(work);
    const TDibImage source = work;  // shares the storage until the first write
    const int width = work.Width();
    const int height = work.Height();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int c = Random(params.Level);
            const int d = Random(2 * c);
            const int e = Random(2 * c);
            const long long sx = (long long)x + c - d, sy = (long long)y + c - e;
            if (Inside(sx, sy, width, height)) work.SetPixels(x, y, source.GetPixels(int(sx), int(sy)));
        }
        ReportRowProgress(progress, y, height);
    }
}

void Wave(TDibImage& work, const WaveParams& params, const ProgressFn& progress) {
    if (params.PeriodX == 0 || params.PeriodY == 0) return;
    Uncompress(work);
    TDibImage result = work;
    const int width = work.Width();
    const int height = work.Height();
    const long double amplitude = params.Amplitude;
    for (int x = 0; x < width; ++x) {
        const long double shiftY = amplitude * std::sin(static_cast<long double>(x) / params.PeriodX);
        for (int y = 0; y < height; ++y) {
            long long sx = RoundHalfEven(std::sin(static_cast<long double>(y) / params.PeriodY) * amplitude + x);
            long long sy = RoundHalfEven(y + shiftY);
            if (params.Wrap) {
                sx = Wrapped(sx, width);
                sy = Wrapped(sy, height);
            }
            if (Inside(sx, sy, width, height)) result.SetPixels(x, y, work.GetPixels(int(sx), int(sy)));
        }
        ReportRowProgress(progress, x, width);
    }
    work = result;
}

void GlassMosaic(TDibImage& work, const GlassMosaicParams& params, const ProgressFn& progress) {
    RequireRange(params.Mode, 0, 2, "glass mode");
    const int s = params.Size;
    // A band of fewer than 2 rows has nothing to turn (and a size of 0
    // would never move on to the next band).
    if (s < 2) return;
    Uncompress(work);
    const int width = work.Width();
    const int height = work.Height();
    const int h = s / 2;
    auto report = [&](int d, int side) {
        if (progress) progress(int((std::int64_t(d) + s + 1) * 100 / side));
    };
    if (params.Mode == 0 || params.Mode == 1) {
        for (int d = 0; d < height - s; d += s) {
            for (int k = 0; k <= h; ++k)
                for (int x = 0; x < width; ++x) Exchange(work, x, d + k, x, d + s - k - 1);
            report(d, height);
        }
    }
    if (params.Mode == 0 || params.Mode == 2) {
        for (int d = 0; d < width - s; d += s) {
            for (int k = 0; k <= h; ++k)
                for (int y = 0; y < height; ++y) Exchange(work, d + k, y, d + s - k - 1, y);
            report(d, width);
        }
    }
}

void Vortex(TDibImage& work, const VortexParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Vortex");
    const int width = work.Width();
    const int height = work.Height();
    // The centre is the divisor of the normalised distance.
    if (params.Angle == 0 || width < 2 || height < 2) return;
    const TDibImage source = work;
    const float cx = float((width - 1) / 2.0L);
    const float cy = float((height - 1) / 2.0L);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = work.ScanLine(y);
        const long double dy = (y - static_cast<long double>(cy)) / cy;
        for (int x = 0; x < width; ++x) {
            const long double dx = (x - static_cast<long double>(cx)) / cx;
            const long double r = std::sqrt(dx * dx + dy * dy);
            if (r >= 1 || r == 0) continue;
            const long double u = dx / r;
            if (u < -1 || u > 1) continue;
            long double theta = std::acos(u);
            if (y < cy) theta = -theta;
            const long double phi = theta + params.Angle * (1 - r) * (1 - r) / 60;
            const long long sx = std::clamp<long long>(RoundHalfEven(cx + cx * r * std::cos(phi)), 0, width - 1);
            const long long sy = std::clamp<long long>(RoundHalfEven(cy + cy * r * std::sin(phi)), 0, height - 1);
            const std::uint8_t* from = source.ScanLineRead(int(sy)) + sx * 3;
            std::copy(from, from + 3, out + x * 3);
        }
        if (progress) progress(int(std::int64_t(y) * 100 / height));
    }
}

void Explode(TDibImage& work, const ExplodeParams& params, const ProgressFn& progress) {
    Uncompress(work);
    const int width = work.Width();
    const int height = work.Height();
    long double f = params.Strength / 10.0L;
    if (f >= 0) f = f / 10;
    long double k = 1;
    if (height < width) k = static_cast<long double>(width) / height;
    else if (width < height) k = static_cast<long double>(height) / width;
    const long double halfW = width / 2.0L, halfH = height / 2.0L;
    const long double limit = halfW * halfW;
    const long double quarter = std::numbers::pi_v<long double> / 2;
    const TDibImage source = work;
    for (int y = 0; y < height; ++y) {
        const long double oy = k * (y - halfH);
        for (int x = 0; x < width; ++x) {
            const long double ox = x - halfW;
            const long double t = ox * ox + oy * oy;
            if (!(t < limit)) continue;
            const long double u = t == 0 ? 1 : std::pow(std::sin(std::sqrt(t) * quarter / halfW), -f);
            const long double fx = halfW + u * ox, fy = halfH + u * oy / k;
            // A strong pinch reaches beyond the picture near the rim.
            if (!(fx > -1 && fy > -1 && fx < width && fy < height)) continue;
            const long long sx = RoundHalfEven(fx), sy = RoundHalfEven(fy);
            if (Inside(sx, sy, width, height)) work.SetPixels(x, y, source.GetPixels(int(sx), int(sy)));
        }
        ReportRowProgress(progress, y, height);
    }
}

}  // namespace zelvo::effects
