#include "effects/Histogram.h"

#include <algorithm>
#include <memory>

#include "effects/Picture24.h"
#include "image/Exceptions.h"

namespace zelvo::effects {

namespace {

void Require24Bit(const TDibImage& work, const char* operation) {
    if (work.BitCount() != 24 || work.Header().biCompression != BI_RGB)
        throw EAssertionFailed(std::string(operation) + ": 24-bit work image required");
}

std::array<std::uint64_t, 256> BrightnessCounts(const TDibImage& work) {
    std::array<std::uint64_t, 256> counts{};
    const int w = work.Width();
    for (int y = 0; y < work.Height(); ++y) {
        const std::uint8_t* p = work.ScanLineRead(y);
        for (int x = 0; x < w; ++x, p += 3) ++counts[(unsigned(p[0]) + p[1] + p[2]) / 3];
    }
    return counts;
}

/// Every channel of every row through `table`, with the histogram
/// operations' progress (row x 100 div height).
void MapChannels(TDibImage& work, const std::array<std::uint8_t, 256>& table, const ProgressFn& progress) {
    const int h = work.Height();
    const std::size_t rowBytes = std::size_t(work.Width()) * 3;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = work.ScanLine(y);
        for (std::size_t i = 0; i < rowBytes; ++i) p[i] = table[p[i]];
        if (progress) progress(y * 100 / h);
    }
}

}  // namespace

void Equalize(TDibImage& work, const ProgressFn& progress) {
    Require24Bit(work, "Equalize");
    std::array<std::uint64_t, 256> cumulative = BrightnessCounts(work);
    for (std::size_t i = 1; i < 256; ++i) cumulative[i] += cumulative[i - 1];
    const std::uint64_t cmin = cumulative[0];
    const std::uint64_t span = std::max<std::uint64_t>(1, cumulative[255] - cmin);
    std::array<std::uint8_t, 256> table{};
    // 64-bit products: (pixel count) x 255 fits for any picture size.
    for (std::size_t i = 0; i < 256; ++i) table[i] = std::uint8_t((cumulative[i] - cmin) * 255 / span);
    MapChannels(work, table, progress);
}

TNormalizeRange NormalizeRange(const std::array<std::uint64_t, 256>& brightness, std::uint64_t pixelCount) {
    const std::uint64_t threshold = pixelCount / 100;
    TNormalizeRange range;
    std::uint64_t sum = 0;
    for (int i = 0; i < 256; ++i) {
        sum += brightness[std::size_t(i)];
        if (sum > threshold) {
            range.Low = i;
            break;
        }
    }
    sum = 0;
    for (int i = 255; i >= 0; --i) {
        sum += brightness[std::size_t(i)];
        if (sum > threshold) {
            range.High = i;
            break;
        }
    }
    return range;
}

bool Normalize(TDibImage& work, const ProgressFn& progress) {
    Require24Bit(work, "Normalize");
    const TNormalizeRange range =
        NormalizeRange(BrightnessCounts(work), std::uint64_t(work.Width()) * std::uint64_t(work.Height()));
    if (range.Low >= range.High) return false;
    std::array<std::uint8_t, 256> table{};
    for (int j = 0; j < 256; ++j) {
        if (j < range.Low) table[std::size_t(j)] = 0;
        else if (j > range.High) table[std::size_t(j)] = 255;
        else table[std::size_t(j)] = std::uint8_t((j - range.Low) * 254 / (range.High - range.Low));
    }
    MapChannels(work, table, progress);
    return true;
}

std::int64_t CountHistogram(const TDibImage& picture, THistogram& histogram) {
    histogram = THistogram{};
    TDibImage holder;
    const TDibImage& pixels = Read24Bit(picture, holder);
    const int w = pixels.Width();
    for (int y = 0; y < pixels.Height(); ++y) {
        const std::uint8_t* p = pixels.ScanLineRead(y);
        for (int x = 0; x < w; ++x, p += 3) {
            ++histogram.Brightness[(unsigned(p[0]) + p[1] + p[2]) / 3];
            ++histogram.Blue[p[0]];
            ++histogram.Green[p[1]];
            ++histogram.Red[p[2]];
        }
    }
    return std::int64_t(w) * pixels.Height();
}

std::int64_t CountColors(const TDibImage& picture) {
    TDibImage holder;
    const TDibImage& pixels = Read24Bit(picture, holder);
    // One bit per colour red + green x 256 + blue x 65536.
    const auto seen = std::make_unique<std::uint64_t[]>(std::size_t(1) << 18);
    std::int64_t count = 0;
    const int w = pixels.Width();
    for (int y = 0; y < pixels.Height(); ++y) {
        const std::uint8_t* p = pixels.ScanLineRead(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const std::uint32_t colour = std::uint32_t(p[2]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[0]) << 16;
            std::uint64_t& word = seen[colour >> 6];
            const std::uint64_t bit = std::uint64_t(1) << (colour & 63);
            count += (word & bit) == 0;
            word |= bit;
        }
    }
    return count;
}

int HistogramBarHeight(std::uint64_t count, std::uint64_t maxCount, int plotHeight) {
    if (maxCount == 0 || plotHeight <= 1) return 0;
    const double height = double(plotHeight - 1) / double(maxCount) * double(count);
    return std::clamp(int(std::min(height, double(plotHeight - 1))), 0, plotHeight - 1);
}

}  // namespace zelvo::effects
