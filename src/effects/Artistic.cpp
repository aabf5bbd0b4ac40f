#include "effects/Artistic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects/EffectChecks.h"
#include "effects/Random.h"
#include "effects/RankFilter.h"
#include "effects/Rounding.h"
#include "image/RowBands.h"

namespace zelvo::effects {
namespace {

enum class TFramePart { Left, Top, Right, Bottom };

std::vector<std::uint8_t*> RowPointers(TDibImage& work) {
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(work.Height()));
    for (int y = 0; y < work.Height(); ++y) rows[std::size_t(y)] = work.ScanLine(y);
    return rows;
}

// Runs `body(row, y)` for every row in bands on the pool (each row is
// worked out from itself alone), then reports row progress in order.
template <class RowFn>
void ForEachRowInBands(TDibImage& work, const ProgressFn& progress, RowFn body) {
    const int height = work.Height();
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    ForEachBand(
        height, 1,
        [&](int begin, int end) {
            for (int y = begin; y < end; ++y) body(rows[std::size_t(y)], y);
        },
        [&](int y) { ReportRowProgress(progress, y, height); });
}

// Runs `pixel(p, x, y, part)` over the mitred frame of width n, rows in
// bands on the pool; row progress in order. Parts are cut so that no pixel
// is visited twice and no bound leaves the picture.
template <class PixelFn>
void ForEachFramePixel(TDibImage& work, int n, const ProgressFn& progress, PixelFn pixel) {
    const int width = work.Width();
    const int height = work.Height();
    ForEachRowInBands(work, progress, [&](std::uint8_t* row, int y) {
        auto run = [&](int from, int to, TFramePart part) {
            for (int x = from; x < to; ++x) pixel(row + x * 3, x, y, part);
        };
        if (y < n || y >= height - n) {
            const bool top = y < n;
            const int side = top ? y : height - y;
            const int leftEnd = std::min(side, width);
            const int rightStart = std::max(width - side, leftEnd);
            run(0, leftEnd, TFramePart::Left);
            run(leftEnd, rightStart, top ? TFramePart::Top : TFramePart::Bottom);
            run(rightStart, width, TFramePart::Right);
        } else {
            const int leftEnd = std::min(n, width);
            run(0, leftEnd, TFramePart::Left);
            run(std::max(width - n, leftEnd), width, TFramePart::Right);
        }
    });
}

inline void AddToChannels(std::uint8_t* p, int delta) {
    for (int c = 0; c < 3; ++c) p[c] = std::uint8_t(std::clamp(p[c] + delta, 0, 255));
}

inline int Avg(const std::uint8_t* bgr) { return (bgr[0] + bgr[1] + bgr[2]) / 3; }

// Row y of the in-place diffusion: per pixel c = Random(spread),
// d = Random(2c), e = Random(2c); the pixel takes the current value at
// (x + c - d, y + c - e) when that lies inside. Reads rows y - spread + 2 ..
// y + spread - 1, writes row y; draws 3 x width numbers from `random`.
void DiffuseRow(const std::vector<std::uint8_t*>& rows, int width, int spread, int y, TRandomStream& random) {
    const int height = int(rows.size());
    std::uint8_t* row = rows[std::size_t(y)];
    for (int x = 0; x < width; ++x) {
        const int c = random.Next(spread);
        const int d = random.Next(2 * c);
        const int e = random.Next(2 * c);
        const int sx = x + c - d, sy = y + c - e;
        if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
        const std::uint8_t* from = rows[std::size_t(sy)] + sx * 3;
        std::uint8_t* to = row + x * 3;
        if (from != to) std::copy(from, from + 3, to);
    }
}

// The whole diffusion on one thread from the process-wide generator;
// `rowDone(y)` after each row.
template <class RowDoneFn>
void DiffuseInPlace(TDibImage& work, int spread, RowDoneFn rowDone) {
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    TRandomStream random{RandSeed()};
    for (int y = 0; y < work.Height(); ++y) {
        DiffuseRow(rows, work.Width(), spread, y, random);
        SetRandSeed(random.Seed);
        rowDone(y);
    }
}

}  // namespace

TFrameDeltas Button3DDeltas(const Button3DParams& params) {
    const int base = std::clamp(params.Strength, 1, 5) * 32;
    const int dark = params.Smooth ? -105 : -63;
    TFrameDeltas d{base, int(RoundHalfEven(base * 1.3L)), dark, int(RoundHalfEven(dark * 1.3L))};
    if (params.Sunken) {
        std::swap(d.Left, d.Right);
        std::swap(d.Top, d.Bottom);
    }
    return d;
}

void Button3D(TDibImage& work, const Button3DParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Button3D");
    RequireRange(params.Width, 0, 0x7FFFFFFF, "frame width");
    const int n = params.Width;
    if (n == 0) return;
    const TFrameDeltas deltas = Button3DDeltas(params);
    const int width = work.Width();
    const int height = work.Height();
    ForEachFramePixel(work, n, progress, [&](std::uint8_t* p, int x, int y, TFramePart part) {
        int delta = 0, d = 0;
        switch (part) {
            case TFramePart::Left: delta = deltas.Left, d = x; break;
            case TFramePart::Top: delta = deltas.Top, d = y; break;
            case TFramePart::Right: delta = deltas.Right, d = width - 1 - x; break;
            case TFramePart::Bottom: delta = deltas.Bottom, d = height - 1 - y; break;
        }
        if (params.Smooth) delta -= int(std::int64_t(d) * delta / n);
        AddToChannels(p, delta);
    });
}

void FadeOut(TDibImage& work, const FadeOutParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "FadeOut");
    RequireRange(params.Width, 0, 0x7FFFFFFF, "fade-out width");
    const int n = params.Width;
    if (n == 0) return;
    const TColor background = ColorToRGB(params.Background);
    const int bg[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    const long double step = 100.0L / n;
    const int width = work.Width();
    const int height = work.Height();
    ForEachFramePixel(work, n, progress, [&](std::uint8_t* p, int x, int y, TFramePart part) {
        int d = 0;
        switch (part) {
            case TFramePart::Left: d = x; break;
            case TFramePart::Top: d = y; break;
            case TFramePart::Right: d = width - x; break;
            case TFramePart::Bottom: d = height - y; break;
        }
        const int w = int(std::min<long double>(std::trunc(step * d), 100));
        for (int c = 0; c < 3; ++c) p[c] = std::uint8_t(std::clamp((w * p[c] + (100 - w) * bg[c]) / 100, 0, 255));
    });
}

void Noise(TDibImage& work, const NoiseParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Noise");
    const int level = params.Level;
    const int h = level / 2;
    const int width = work.Width();
    const int height = work.Height();
    // Every row draws the same count of numbers, so a band's generator
    // starts where the one-thread run would have it at the band's first row.
    const std::uint64_t rowDraws = std::uint64_t(width) * (params.Color ? 3 : 1);
    const std::uint32_t seed = RandSeed();
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    ForEachBand(
        height, 1,
        [&](int begin, int end) {
            TRandomStream random{RandSeedAfter(seed, rowDraws * std::uint64_t(begin))};
            for (int y = begin; y < end; ++y) {
                std::uint8_t* p = rows[std::size_t(y)];
                for (int x = 0; x < width; ++x, p += 3) {
                    if (params.Color) {
                        for (int c = 2; c >= 0; --c)
                            p[c] = std::uint8_t(std::clamp(p[c] + random.Next(level) - h, 0, 255));
                    } else {
                        AddToChannels(p, random.Next(level) - h);
                    }
                }
            }
        },
        [&](int y) { ReportRowProgress(progress, y, height); });
    SetRandSeed(RandSeedAfter(seed, rowDraws * std::uint64_t(height)));
}

void Block(TDibImage& work, const BlockParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Block");
    const int bw = params.Width, bh = params.Height;
    if (bw < 2 || bh < 2) return;
    const int width = work.Width();
    const int rows = work.Height() / bh;
    const int perRow = width / bw;
    const bool lastEdges = params.Frame || !params.Fill;
    // Each row of blocks reads and writes its own picture rows only, so
    // the rows of blocks run in bands on the pool.
    const std::vector<std::uint8_t*> lines = RowPointers(work);
    auto blockRow = [&](int by) {
        const bool staggered = params.Offset && (by & 1);
        const int blocks = staggered ? perRow + 1 : perRow;
        const int top = by * bh;
        int left = 0;
        for (int b = 0; b < blocks; ++b) {
            int w = bw;
            if (staggered && b == 0) w = bw / 2;
            else if (staggered && b == blocks - 1) w = bw - bw / 2;
            if (params.Fill) {
                std::int64_t sum[3] = {0, 0, 0};
                for (int y = top; y < top + bh; ++y) {
                    const std::uint8_t* p = lines[std::size_t(y)] + left * 3;
                    for (int i = 0; i < w * 3; i += 3)
                        for (int c = 0; c < 3; ++c) sum[c] += p[i + c];
                }
                const long double count = static_cast<long double>(w) * bh;
                std::uint8_t mean[3];
                for (int c = 0; c < 3; ++c) mean[c] = ClampRound(sum[c] / count);
                for (int y = top; y < top + bh; ++y) {
                    std::uint8_t* p = lines[std::size_t(y)] + left * 3;
                    for (int i = 0; i < w * 3; i += 3) std::copy(mean, mean + 3, p + i);
                }
            }
            for (int y = top; y < top + bh; ++y) {
                std::uint8_t* p = lines[std::size_t(y)] + left * 3;
                for (int x = 0; x < w; ++x) {
                    if (lastEdges && (y == top + bh - 1 || x == w - 1)) AddToChannels(p + x * 3, -30);
                    else if (!lastEdges && (y == top || x == 0)) AddToChannels(p + x * 3, 30);
                }
            }
            left += w;
        }
    };
    ForEachBand(
        rows, 1,
        [&](int begin, int end) {
            for (int by = begin; by < end; ++by) blockRow(by);
        },
        [&](int by) {
            if (progress) progress(int((std::int64_t(by) + 1) * 100 / rows));
        });
}

void Scetch(TDibImage& work, const ScetchParams&, const ProgressFn& progress) {
    RequireWork24Bit(work, "Scetch");
    const int width = work.Width();
    const int height = work.Height();
    const TDibImage source = work;
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    ForEachBand(
        height, 1,
        [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                const std::uint8_t* above = source.ScanLineRead(std::max(y - 1, 0));
                const std::uint8_t* below = source.ScanLineRead(std::min(y + 1, height - 1));
                std::uint8_t* out = rows[std::size_t(y)];
                for (int x = 0; x < width; ++x) {
                    const int a = Avg(above + std::max(x - 1, 0) * 3);
                    const int b = Avg(below + std::min(x + 1, width - 1) * 3);
                    const auto v = std::uint8_t(std::clamp(255 - 3 * std::abs(b - a), 0, 255));
                    out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = v;
                }
            }
        },
        [&](int y) {
            if (progress) progress(int((std::int64_t(y) + 1) * 100 / height) / 2);
        });
    DiffuseInPlace(work, 3, [&](int y) {
        if (progress) progress(int((std::int64_t(y) + 1) * 100 / height) / 2 + 50);
    });
}

void OilPaint(TDibImage& work, const OilPaintParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "OilPaint");
    const int n = params.Level;
    if (n <= 0) return;
    const int width = work.Width(), height = work.Height();
    const std::int64_t total = std::int64_t(2) * n * height;
    std::int64_t counter = 0;
    auto rowDone = [&] {
        if (progress) progress(int((counter + 1) * 100 / total));
        ++counter;
    };
    // Pass i is two stages, the diffusion 2i and the middle rank 2i + 1,
    // each in row order on one thread; stages overlap on the pool. Each
    // diffusion draws 3 x width x height numbers, so its generator starts
    // where the one-thread run would have it.
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    const std::uint64_t draws = std::uint64_t(3) * std::uint64_t(width) * std::uint64_t(height);
    std::vector<TRandomStream> streams(static_cast<std::size_t>(n));
    std::uint32_t seed = RandSeed();
    for (auto& stream : streams) {
        stream.Seed = seed;
        seed = RandSeedAfter(seed, draws);
    }
    const bool ranked = width >= 3 && height >= 3;  // RankInPlace leaves smaller pictures
    auto spread = [](int stage) { return 2 * (stage / 2) + 2; };
    RunPasses(
        2 * n, height,
        // A rank stage reads rows y - 1 .. y + 1 of its diffusion, which
        // reads rows up to y + spread - 1; the next diffusion reads rows up
        // to y + spread - 1 of the rank stage, which reads rows y - 1 .. y + 1.
        [&](int stage, int y) { return y + std::max(3, spread(stage % 2 == 0 ? stage : stage - 1)); },
        [&](int stage, int y) {
            if (stage % 2 == 0) DiffuseRow(rows, width, spread(stage), y, streams[std::size_t(stage / 2)]);
            else if (ranked && y >= 1 && y < height - 1) RankRowInPlace(rows, width, 5, y);
        },
        [&](int stage, int y) {
            if (stage % 2 == 0 || (ranked && y >= 1 && y < height - 1)) rowDone();
        });
    SetRandSeed(seed);
}

void SpotLight(TDibImage& work, const SpotLightParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "SpotLight");
    const long double k = params.FallOff;
    if (!(k >= 0 && k <= 10)) return;
    const int width = work.Width();
    const int height = work.Height();
    const long double radius = std::trunc(static_cast<long double>(params.Size) * std::max(width, height) / 100 + 0.5L);
    if (radius <= 0) return;
    ForEachRowInBands(work, progress, [&](std::uint8_t* p, int y) {
        const long double dy = static_cast<long double>(y) - params.CenterY;
        for (int x = 0; x < width; ++x, p += 3) {
            const long double dx = static_cast<long double>(x) - params.CenterX;
            const long double h = std::sqrt(dx * dx + dy * dy) / radius;
            if (h >= 1) {
                p[0] = p[1] = p[2] = 0;
                continue;
            }
            const long double power = std::pow(h, k);
            const long double loss = power * power * 255;
            for (int c = 0; c < 3; ++c) p[c] = ClampRound(p[c] - loss);
        }
    });
}

void Blind(TDibImage& work, const BlindParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Blind");
    RequireRange(params.OffsetX, 0, 0x7FFFFFFF, "blind x offset");
    RequireRange(params.OffsetY, 0, 0x7FFFFFFF, "blind y offset");
    const int wd = params.Width;
    if (wd < 2) return;
    const TColor color = ColorToRGB(params.Color);
    const int key[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
    const int width = work.Width();
    const int height = work.Height();
    auto weightOf = [&](int offset, int i) {
        return int(ClampRound(255.0L / wd * int((std::int64_t(offset) + i) % wd)));
    };
    auto blend = [&](std::uint8_t* p, int w) {
        for (int c = 0; c < 3; ++c) p[c] = ClampRound(static_cast<long double>((255 - w) * p[c] + w * key[c]) / 255);
    };
    if (params.Horizontal) {
        ForEachRowInBands(work, progress, [&](std::uint8_t* p, int y) {
            const int w = weightOf(params.OffsetY, y);
            for (int x = 0; x < width; ++x) blend(p + x * 3, w);
        });
    } else {
        // Bands of columns, so that progress still follows the columns.
        const std::vector<std::uint8_t*> rows = RowPointers(work);
        ForEachBand(
            width, 1,
            [&](int begin, int end) {
                std::vector<int> weights(static_cast<std::size_t>(end - begin));
                for (int x = begin; x < end; ++x) weights[std::size_t(x - begin)] = weightOf(params.OffsetX, x);
                for (int y = 0; y < height; ++y) {
                    std::uint8_t* row = rows[std::size_t(y)];
                    for (int x = begin; x < end; ++x) blend(row + x * 3, weights[std::size_t(x - begin)]);
                }
            },
            [&](int x) { ReportRowProgress(progress, x, width); });
    }
}

}  // namespace zelvo::effects
