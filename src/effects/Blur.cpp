#include "effects/Blur.h"

#include <algorithm>
#include <vector>

#include "effects/EffectChecks.h"
#include "image/RowBands.h"

namespace zelvo::effects {
namespace {

// Columns [x0, x1) of row y of one pass at distance r > 0 over the rows
// `rows` of a picture `width` pixels wide. Column x reads columns up to
// x + r of the rows y - r and y + r (of row y itself at the top and bottom
// edges, where the pass reads what it has just written to the left).
void DiagonalSpan(const std::vector<std::uint8_t*>& rows, int width, int r, int y, int x0, int x1) {
    const int height = int(rows.size());
    // Columns that have both neighbours inside: [r, width - r).
    const int innerBegin = std::clamp(r, x0, x1);
    const int innerEnd = std::clamp(width - r, innerBegin, x1);
    const int y1 = y < r ? y : y - r;
    const int y2 = y > height - 1 - r ? y : y + r;
    std::uint8_t* out = rows[std::size_t(y)];
    const std::uint8_t* p1 = rows[std::size_t(y1)];
    const std::uint8_t* p2 = rows[std::size_t(y2)];
    auto pixel = [&](int x) {
        const int xa = x < r ? x : x - r;
        const int xb = x > width - 1 - r ? x : x + r;
        for (int c = 0; c < 3; ++c) {
            out[x * 3 + c] = std::uint8_t((p1[xa * 3 + c] + p1[xb * 3 + c] + p2[xa * 3 + c] + p2[xb * 3 + c]) >> 2);
        }
    };
    for (int x = x0; x < innerBegin; ++x) pixel(x);
    if (y1 != y && y2 != y) {
        // The neighbour rows are other rows than the one written, so the
        // inner columns are one straight run over their bytes.
        const std::size_t from = std::size_t(innerBegin) * 3, to = std::size_t(innerEnd) * 3;
        const std::size_t step = std::size_t(r) * 3;
        std::uint8_t* __restrict o = out;
        const std::uint8_t* __restrict a = p1;
        const std::uint8_t* __restrict b = p2;
        for (std::size_t i = from; i < to; ++i) {
            o[i] = std::uint8_t((a[i - step] + a[i + step] + b[i - step] + b[i + step]) >> 2);
        }
    } else {
        for (int x = innerBegin; x < innerEnd; ++x) pixel(x);
    }
    for (int x = innerEnd; x < x1; ++x) pixel(x);
}

void DiagonalRow(const std::vector<std::uint8_t*>& rows, int width, int r, int y) {
    DiagonalSpan(rows, width, r, y, 0, width);
}

std::vector<std::uint8_t*> RowPointers(TDibImage& work) {
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(work.Height()));
    for (int y = 0; y < work.Height(); ++y) rows[std::size_t(y)] = work.ScanLine(y);
    return rows;
}

}  // namespace

void GaussianBlur(TDibImage& work, const GaussianBlurParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "GaussianBlur");
    const int n = params.Passes;
    if (n == 0) return;
    const int height = work.Height();
    const std::int64_t total = std::int64_t(n + 1) * height;
    std::int64_t done = 0;
    auto rowDone = [&](int) {
        ++done;
        if (progress) progress(int(done * 100 / total));
    };
    // Row y of a pass reads row y - r as this pass wrote it and rows y and
    // y + r as the pass before left them, so each pass runs in row order on
    // one thread. Passes overlap: pass s may write row y once pass s - 1 (at
    // distance r + 1) has finished every row that reads row y, which are
    // the rows up to y + r + 1; those include what pass s reads.
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    const int width = work.Width();
    RunPasses(
        n, height, [&](int s, int y) { return y + (n - s + 1) + 1; },
        [&](int s, int y) { DiagonalRow(rows, width, n - s, y); }, [&](int, int y) { rowDone(y); });
    // The pass at distance 0 averages each pixel with itself.
    for (int y = 0; y < height; ++y) rowDone(y);
}

void Blur(TDibImage& work, const BlurParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Blur");
    RequireRange(params.Distance, 0, 0x7FFFFFFF, "blur distance");
    if (params.Distance == 0) return;
    const int height = work.Height();
    const int width = work.Width();
    const int r = params.Distance;
    const std::vector<std::uint8_t*> rows = RowPointers(work);
    // Row y reads row y - r as this pass wrote it and row y + r as it was,
    // each up to r columns to the right, so rows follow one another on the
    // pool column block by column block: every row keeps more than r
    // columns behind the row above it, hence (row by row) behind row y - r,
    // and row y + r writes a column only after row y has read it.
    constexpr int kBlock = 256;
    RunWavefront(
        height,
        [&](int y, const TRowGate& gate) {
            for (int x0 = 0; x0 < width; x0 += kBlock) {
                const int x1 = std::min(width, x0 + kBlock);
                gate.WaitAbove(int(std::min<std::int64_t>(width, std::int64_t(x1) + r)));
                DiagonalSpan(rows, width, r, y, x0, x1);
                gate.Publish(x1);
            }
        },
        [&](int y) { ReportRowProgress(progress, y, height); });
}

}  // namespace zelvo::effects
