#pragma once
// Rank filters over the 3 x 3 neighbourhood, and the edge-preserving noise
// reduction.
//
// The rank filters order the nine pixels by their packed colour value
// red + green x 256 + blue x 65536, so blue decides first, then green, then
// red: the minimum rank of (255, 255, 0) and (0, 0, 1) is (255, 255, 0).
// Only inner pixels (x = 1..width - 2, y = 1..height - 2) are written; the
// border keeps its values, and a picture under 3 rows or 3 columns is left
// as it is.
//
// A work image that is not an uncompressed 24-bit picture is refused with
// EDibImageBadDIBType "<operation>: Invalid Bitcount" before any pixel is
// written.

#include <cstdint>
#include <functional>
#include <vector>

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// Rank 1..9 (1 minimum, 5 middle, 9 maximum). Reads come from the picture
/// as it was before the filter. Progress after each inner row y:
/// (y + 1) x 100 div height. A rank of 0 or above 9 changes nothing.
struct MedianParams {
    std::uint8_t Rank = 5;
};
void Median(TDibImage& work, const MedianParams& params, const ProgressFn& progress = {});

/// The rank filter in place, as the oil paint uses it: pixels already
/// written are read again by later ones. `rowDone(y)` runs after each inner
/// row y. A rank of 0 or above 9 changes nothing.
void RankInPlace(TDibImage& work, int rank, const std::function<void(int y)>& rowDone);

/// Row y (1..height - 2) of RankInPlace over the rows `rows` of a picture
/// `width` (at least 3) pixels wide: reads rows y - 1 (as already written),
/// y and y + 1, writes row y.
void RankRowInPlace(const std::vector<std::uint8_t*>& rows, int width, int rank, int y);

/// The packed colour value the rank filters order by.
inline std::uint32_t PackedColor(const std::uint8_t* bgr) {
    return std::uint32_t(bgr[2]) | (std::uint32_t(bgr[1]) << 8) | (std::uint32_t(bgr[0]) << 16);
}

/// Noise reduction, in place (later pixels see values already written):
/// each channel of pixel (x, y) with channels (R, G, B) becomes
/// ClampRound(sum / count) over the pixels (r, g, b) of the 5 x 5 window
/// cut at the picture's edges with R - Level < r < R + Level, and likewise
/// for green and blue; the pixel itself always counts. Level 1 counts only
/// exact matches and so changes nothing. Progress after each row when
/// ReportProgress is set.
inline constexpr TParameter kNoiseReductionLevel{"level", 1, 100, 15};
struct NoiseReductionParams {
    int Level = kNoiseReductionLevel.Default;
    bool ReportProgress = true;
};
void NoiseReduction(TDibImage& work, const NoiseReductionParams& params, const ProgressFn& progress = {});

}  // namespace zelvo::effects
