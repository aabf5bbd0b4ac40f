#include "effects/Histogram.h"

#include <array>
#include <cstdint>

#include "image/Exceptions.h"

namespace zelvo::effects {

void Equalize(TDibImage& work, const ProgressFn& progress) {
    if (work.BitCount() != 24 || work.Header().biCompression != BI_RGB)
        throw EAssertionFailed("Equalize: 24-bit work image required");
    const int w = work.Width();
    const int h = work.Height();

    std::array<std::uint64_t, 256> cumulative{};
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = work.ScanLineRead(y);
        for (int x = 0; x < w; ++x, p += 3) ++cumulative[(unsigned(p[0]) + p[1] + p[2]) / 3];
    }
    for (std::size_t i = 1; i < 256; ++i) cumulative[i] += cumulative[i - 1];
    const std::uint64_t cmin = cumulative[0];
    const std::uint64_t span = std::max<std::uint64_t>(1, cumulative[255] - cmin);
    std::array<std::uint8_t, 256> table{};
    // 64-bit products: (pixel count) x 255 fits for any picture size.
    for (std::size_t i = 0; i < 256; ++i) table[i] = std::uint8_t((cumulative[i] - cmin) * 255 / span);

    const std::size_t rowBytes = std::size_t(w) * 3;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = work.ScanLine(y);
        for (std::size_t i = 0; i < rowBytes; ++i) p[i] = table[p[i]];
        if (progress) progress(y * 100 / h);
    }
}

}  // namespace zelvo::effects
