#pragma once
// Histogram operations on a 24-bit work image. Brightness is the plain
// average of the channels, (R + G + B) div 3.

#include <array>
#include <cstdint>

#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// Histogram equalisation, in place. With c[i] the number of pixels whose
/// brightness is at most i, cmin = c[0] (the count of level 0 itself, not
/// the first non-zero sum) and span = max(1, c[255] - cmin), every channel
/// value v of every pixel becomes (c[v] - cmin) x 255 div span. Progress
/// after each row of the mapping pass: row x 100 div height (row from 0).
/// Throws EAssertionFailed unless `work` is an uncompressed 24-bit picture.
void Equalize(TDibImage& work, const ProgressFn& progress);

/// The ends of the contrast stretch of Normalize, from a brightness
/// histogram of `pixelCount` pixels: with T = pixelCount div 100, Low is the
/// smallest level whose running sum from 0 exceeds T (0 when none does) and
/// High the largest level whose running sum from 255 down exceeds T (255
/// when none does).
struct TNormalizeRange {
    int Low = 0;
    int High = 255;
};
TNormalizeRange NormalizeRange(const std::array<std::uint64_t, 256>& brightness, std::uint64_t pixelCount);

/// Contrast stretch, in place. With Low and High from NormalizeRange,
/// every channel value v becomes 0 below Low, 255 above High and
/// (v - Low) x 254 div (High - Low) between them (so High itself maps to
/// 254). When Low >= High (a flat picture) nothing changes and false is
/// returned; otherwise true. Progress after each row of the mapping pass:
/// row x 100 div height (row from 0). Throws EAssertionFailed unless `work`
/// is an uncompressed 24-bit picture.
bool Normalize(TDibImage& work, const ProgressFn& progress);

/// Four 256-entry histograms of a picture.
struct THistogram {
    std::array<std::uint32_t, 256> Brightness{};  ///< of (R + G + B) div 3
    std::array<std::uint32_t, 256> Red{};
    std::array<std::uint32_t, 256> Green{};
    std::array<std::uint32_t, 256> Blue{};
};

/// Counts the brightness and channel histograms of every pixel of `picture`
/// (any depth: a palette picture is looked up through its colour table).
/// Returns width x height.
std::int64_t CountHistogram(const TDibImage& picture, THistogram& histogram);

/// The number of distinct 24-bit colours of `picture` (any depth; palette
/// pixels count by the colour they show). One bit test and set per pixel on
/// a 2^24-bit set (2 MB, allocated for the call; std::bad_alloc when it
/// cannot be).
std::int64_t CountColors(const TDibImage& picture);

/// Height in pixels of the bar of `count` in a histogram plot `plotHeight`
/// pixels high whose largest count is `maxCount`: Trunc((plotHeight - 1) /
/// maxCount x count), limited to 0..plotHeight - 1. A histogram whose
/// largest count is 0 (an empty or failed histogram) draws no bars.
int HistogramBarHeight(std::uint64_t count, std::uint64_t maxCount, int plotHeight);

}  // namespace zelvo::effects
