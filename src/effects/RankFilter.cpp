#include "effects/RankFilter.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "effects/EffectChecks.h"
#include "effects/Rounding.h"
#include "image/RowBands.h"

namespace zelvo::effects {
namespace {

using Packed = std::uint32_t;

inline void Store(std::uint8_t* bgr, Packed v) {
    bgr[0] = std::uint8_t(v >> 16);
    bgr[1] = std::uint8_t(v >> 8);
    bgr[2] = std::uint8_t(v);
}

inline void Order(Packed& a, Packed& b) {
    const Packed lo = std::min(a, b);
    b = std::max(a, b);
    a = lo;
}

// Sorts nine values that come as three ascending triples (v[0..2],
// v[3..5], v[6..8]): Batcher's odd-even merge sort for nine inputs, less
// the comparators that never exchange when the triples come sorted. Both
// were checked over every 0-1 input with sorted triples, which by the 0-1
// principle covers every input. Equal values are the same colour, so the
// value at a position does not depend on how ties are ordered.
constexpr std::array<std::array<int, 2>, 21> kMergeTriples = {{{2, 3}, {0, 2}, {1, 2}, {4, 6}, {5, 7}, {5, 6}, {0, 4},
                                                                {2, 6}, {2, 4}, {1, 5}, {3, 7}, {3, 5}, {1, 2}, {3, 4},
                                                                {5, 6}, {4, 8}, {2, 4}, {6, 8}, {3, 4}, {5, 6}, {7, 8}}};

template <std::size_t... I>
inline void MergeTriples(std::array<Packed, 9>& v, std::index_sequence<I...>) {
    (Order(v[std::size_t(kMergeTriples[I][0])], v[std::size_t(kMergeTriples[I][1])]), ...);
}

// The value at 1-based position `rank` of the nine values in ascending
// order, the values given as three ascending triples.
inline Packed SelectFromTriples(std::array<Packed, 9> v, int rank) {
    MergeTriples(v, std::make_index_sequence<kMergeTriples.size()>{});
    return v[std::size_t(rank - 1)];
}

inline Packed Median3(Packed a, Packed b, Packed c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); }

// One row of packed values of the picture as it was.
void PackRow(const std::uint8_t* src, int width, Packed* out) {
    for (int x = 0; x < width; ++x) out[x] = PackedColor(src + x * 3);
}

}  // namespace

void Median(TDibImage& work, const MedianParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Median");
    const int rank = params.Rank;
    if (rank < 1 || rank > 9) return;
    const int width = work.Width();
    const int height = work.Height();
    if (width < 3 || height < 3) return;

    // Three rows of packed values as they were; each column of three is
    // sorted first (low, middle, high), which the three ranks the menus
    // offer need alone: the minimum is the least low, the maximum the
    // greatest high, and the middle the median of the greatest low, the
    // median middle and the least high. Other ranks merge the three sorted
    // columns with a fixed network. Bands of rows run on the pool, each
    // reading the rows next to it as they were before the filter.
    std::vector<std::uint8_t*> outRows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) outRows[std::size_t(y)] = work.ScanLine(y);
    ForEachBandWithHalo(
        work, 1,
        [&](const TBandSource& band) {
            const int first = std::max(1, band.Begin()), last = std::min(height - 1, band.End());
            if (first >= last) return;
            std::array<std::vector<Packed>, 3> rows;
            for (auto& r : rows) r.resize(std::size_t(width));
            std::vector<Packed> lo(static_cast<std::size_t>(width)), mid(lo), hi(lo);
            PackRow(band.Row(first - 1), width, rows[std::size_t(first - 1) % 3].data());
            PackRow(band.Row(first), width, rows[std::size_t(first) % 3].data());
            for (int y = first; y < last; ++y) {
                Packed* above = rows[std::size_t(y - 1) % 3].data();
                Packed* same = rows[std::size_t(y) % 3].data();
                Packed* below = rows[std::size_t(y + 1) % 3].data();
                PackRow(band.Row(y + 1), width, below);
                std::uint8_t* out = outRows[std::size_t(y)];
                for (int x = 0; x < width; ++x) {
                    Packed a = above[x], b = same[x], c = below[x];
                    Order(a, b);
                    Order(b, c);
                    Order(a, b);
                    lo[std::size_t(x)] = a;
                    mid[std::size_t(x)] = b;
                    hi[std::size_t(x)] = c;
                }
                if (rank == 1 || rank == 5 || rank == 9) {
                    for (int x = 1; x < width - 1; ++x) {
                        const std::size_t l = std::size_t(x - 1), m = std::size_t(x), r = std::size_t(x + 1);
                        Packed v;
                        if (rank == 1) {
                            v = std::min({lo[l], lo[m], lo[r]});
                        } else if (rank == 9) {
                            v = std::max({hi[l], hi[m], hi[r]});
                        } else {
                            v = Median3(std::max({lo[l], lo[m], lo[r]}), Median3(mid[l], mid[m], mid[r]),
                                        std::min({hi[l], hi[m], hi[r]}));
                        }
                        Store(out + x * 3, v);
                    }
                } else {
                    for (int x = 1; x < width - 1; ++x) {
                        const std::size_t l = std::size_t(x - 1), m = std::size_t(x), r = std::size_t(x + 1);
                        const std::array<Packed, 9> v = {lo[l], mid[l], hi[l], lo[m], mid[m],
                                                         hi[m], lo[r],  mid[r], hi[r]};
                        Store(out + x * 3, SelectFromTriples(v, rank));
                    }
                }
                band.RowDone(y);
            }
        },
        [&](int y) {
            if (y >= 1 && y < height - 1) ReportRowProgress(progress, y, height);
        });
}

void RankRowInPlace(const std::vector<std::uint8_t*>& rows, int width, int rank, int y) {
    const std::uint8_t* above = rows[std::size_t(y - 1)];
    std::uint8_t* same = rows[std::size_t(y)];
    const std::uint8_t* below = rows[std::size_t(y + 1)];
    if (rank == 5) {
        // Columns sorted as low, middle, high. Writing pixel x changes
        // only column x, which the next pixel sees as its left column,
        // so that one column is sorted again after each write.
        auto sorted = [&](int x, Packed& lo, Packed& mid, Packed& hi) {
            lo = PackedColor(above + x * 3), mid = PackedColor(same + x * 3), hi = PackedColor(below + x * 3);
            Order(lo, mid);
            Order(mid, hi);
            Order(lo, mid);
        };
        Packed l0, m0, h0, l1, m1, h1, l2, m2, h2;
        sorted(0, l0, m0, h0);
        sorted(1, l1, m1, h1);
        for (int x = 1; x < width - 1; ++x) {
            sorted(x + 1, l2, m2, h2);
            const Packed v = Median3(std::max({l0, l1, l2}), Median3(m0, m1, m2), std::min({h0, h1, h2}));
            Store(same + x * 3, v);
            sorted(x, l0, m0, h0);  // column x with its new middle is the next left column
            l1 = l2, m1 = m2, h1 = h2;
        }
    } else {
        for (int x = 1; x < width - 1; ++x) {
            const int l = (x - 1) * 3, m = x * 3, r = (x + 1) * 3;
            std::array<Packed, 9> v = {PackedColor(above + l), PackedColor(same + l), PackedColor(below + l),
                                       PackedColor(above + m), PackedColor(same + m), PackedColor(below + m),
                                       PackedColor(above + r), PackedColor(same + r), PackedColor(below + r)};
            for (std::size_t c = 0; c < 9; c += 3) {
                Order(v[c], v[c + 1]);
                Order(v[c + 1], v[c + 2]);
                Order(v[c], v[c + 1]);
            }
            Store(same + m, SelectFromTriples(v, rank));
        }
    }
}

void RankInPlace(TDibImage& work, int rank, const std::function<void(int y)>& rowDone) {
    RequireWork24Bit(work, "Median");
    if (rank < 1 || rank > 9) return;
    const int width = work.Width();
    const int height = work.Height();
    if (width < 3 || height < 3) return;
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[std::size_t(y)] = work.ScanLine(y);
    for (int y = 1; y < height - 1; ++y) {
        RankRowInPlace(rows, width, rank, y);
        if (rowDone) rowDone(y);
    }
}

void NoiseReduction(TDibImage& work, const NoiseReductionParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "NoiseReduction");
    const int width = work.Width();
    const int height = work.Height();
    const int level = params.Level;
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[std::size_t(y)] = work.ScanLine(y);
    // Pixel (x, y) reads the rows above up to column x + 2 as already
    // written, so rows run on the pool one after the other, each keeping
    // more than two columns behind the row above; the rows below it are then
    // still as they were where it reads them.
    constexpr int kBlock = 64;
    RunWavefront(
        height,
        [&](int y, const TRowGate& gate) {
            const int top = std::max(0, y - 2), bottom = std::min(height - 1, y + 2);
            std::uint8_t* row = rows[std::size_t(y)];
            for (int x0 = 0; x0 < width; x0 += kBlock) {
                const int x1 = std::min(width, x0 + kBlock);
                gate.WaitAbove(std::min(width, x1 + 2));
                for (int x = x0; x < x1; ++x) {
                    std::uint8_t* p = row + x * 3;
                    const int b0 = p[0], g0 = p[1], r0 = p[2];
                    const int left = std::max(0, x - 2), right = std::min(width - 1, x + 2);
                    int sumB = 0, sumG = 0, sumR = 0, count = 0;
                    for (int wy = top; wy <= bottom; ++wy) {
                        const std::uint8_t* w = rows[std::size_t(wy)];
                        for (int wx = left; wx <= right; ++wx) {
                            const std::uint8_t* q = w + wx * 3;
                            const bool self = wx == x && wy == y;
                            if (self || (q[2] > r0 - level && q[2] < r0 + level && q[1] > g0 - level &&
                                         q[1] < g0 + level && q[0] > b0 - level && q[0] < b0 + level)) {
                                sumB += q[0];
                                sumG += q[1];
                                sumR += q[2];
                                ++count;
                            }
                        }
                    }
                    p[0] = RoundQuotient(sumB, count);
                    p[1] = RoundQuotient(sumG, count);
                    p[2] = RoundQuotient(sumR, count);
                }
                gate.Publish(x1);
            }
        },
        [&](int y) {
            if (params.ReportProgress) ReportRowProgress(progress, y, height);
        });
}

}  // namespace zelvo::effects
