#include "effects/Blur.h"

#include <algorithm>

#include "effects/EffectChecks.h"

namespace zelvo::effects {
namespace {

// One pass at distance r > 0; `rowDone(y)` after each row.
template <class RowDoneFn>
void DiagonalPass(TDibImage& work, int r, RowDoneFn rowDone) {
    const int width = work.Width();
    const int height = work.Height();
    // Columns that have both neighbours inside: [r, width - r).
    const int innerBegin = std::min(r, width);
    const int innerEnd = std::max(innerBegin, width - r);
    for (int y = 0; y < height; ++y) {
        const int y1 = y < r ? y : y - r;
        const int y2 = y > height - 1 - r ? y : y + r;
        std::uint8_t* out = work.ScanLine(y);
        const std::uint8_t* p1 = work.ScanLineRead(y1);
        const std::uint8_t* p2 = work.ScanLineRead(y2);
        auto pixel = [&](int x) {
            const int x1 = x < r ? x : x - r;
            const int x2 = x > width - 1 - r ? x : x + r;
            for (int c = 0; c < 3; ++c) {
                out[x * 3 + c] = std::uint8_t((p1[x1 * 3 + c] + p1[x2 * 3 + c] + p2[x1 * 3 + c] + p2[x2 * 3 + c]) >> 2);
            }
        };
        for (int x = 0; x < innerBegin; ++x) pixel(x);
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
        for (int x = innerEnd; x < width; ++x) pixel(x);
        rowDone(y);
    }
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
    for (int r = n; r > 0; --r) DiagonalPass(work, r, rowDone);
    // The pass at distance 0 averages each pixel with itself.
    for (int y = 0; y < height; ++y) rowDone(y);
}

void Blur(TDibImage& work, const BlurParams& params, const ProgressFn& progress) {
    RequireWork24Bit(work, "Blur");
    RequireRange(params.Distance, 0, 0x7FFFFFFF, "blur distance");
    if (params.Distance == 0) return;
    const int height = work.Height();
    DiagonalPass(work, params.Distance, [&](int y) { ReportRowProgress(progress, y, height); });
}

}  // namespace zelvo::effects
