#include "reference/ResampleReference.h"

#include <cmath>
#include <utility>
#include <vector>

#include "effects/Resample.h"
#include "effects/Rounding.h"

namespace zelvo::test {
namespace {

using List = std::vector<std::pair<int, float>>;

int Mirror(int j, int size) {
    if (j < 0) return Mirror(-j, size);
    if (j >= size) return Mirror(2 * size - j - 1, size);
    return j;
}

std::vector<List> Contributors(int dst, int src, float (*kernel)(float), float support) {
    float scale;
    if (src == 1 || dst == 1) scale = float(dst) / float(src);
    else scale = float(dst - 1) / float(src - 1);
    std::vector<List> lists(static_cast<std::size_t>(dst));
    for (int i = 0; i < dst; ++i) {
        if (scale >= 1) {
            const float centre = float(i) / scale;
            for (int j = int(std::floor(centre - support)); j <= int(std::ceil(centre + support)); ++j) {
                const float weight = kernel(centre - float(j));
                if (weight != 0) lists[std::size_t(i)].push_back({Mirror(j, src), weight});
            }
        } else {
            const float width = support / scale;
            const float centre = float(i) / scale;
            for (int j = int(std::floor(centre - width)); j <= int(std::ceil(centre + width)); ++j) {
                const float weight = kernel((centre - float(j)) * scale) * scale;
                if (weight != 0) lists[std::size_t(i)].push_back({Mirror(j, src), weight});
            }
        }
        if (kernel == effects::BoxFilter) {
            float sum = 0;
            for (const auto& tap : lists[std::size_t(i)]) sum += tap.second;
            for (auto& tap : lists[std::size_t(i)]) tap.second = tap.second / sum;
        }
    }
    return lists;
}

}  // namespace

TDibImage ResampleLiteral(const TDibImage& source, float (*kernel)(float), float support, int width, int height) {
    const int sw = source.Width(), sh = source.Height();
    TDibImage work;
    work.SetBitCount(24);
    work.SetWidth(width);
    work.SetHeight(sh);
    TDibImage dst;
    dst.SetBitCount(24);
    dst.SetWidth(width);
    dst.SetHeight(height);

    const auto horizontal = Contributors(width, sw, kernel, support);
    for (int y = 0; y < sh; ++y) {
        const std::uint8_t* in = source.ScanLineRead(y);
        std::uint8_t* out = work.ScanLine(y);
        for (int i = 0; i < width; ++i)
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (const auto& [pixel, weight] : horizontal[std::size_t(i)]) sum += weight * float(in[pixel * 3 + c]);
                out[i * 3 + c] = effects::ClampRound(sum);
            }
    }
    const auto vertical = Contributors(height, sh, kernel, support);
    for (int x = 0; x < width; ++x)
        for (int i = 0; i < height; ++i)
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (const auto& [row, weight] : vertical[std::size_t(i)])
                    sum += weight * float(work.ScanLineRead(row)[x * 3 + c]);
                dst.ScanLine(i)[x * 3 + c] = effects::ClampRound(sum);
            }
    return dst;
}

}  // namespace zelvo::test
