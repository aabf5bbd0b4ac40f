#include "formats/PngInterlace.h"

namespace zelvo::png {

std::vector<TPass> MakePasses(int width, int height, bool interlaced, int bitsPerPixel) {
    std::vector<TPass> passes;
    const int count = interlaced ? 7 : 1;
    for (int p = 0; p < count; ++p) {
        const TPassGeometry g = interlaced ? kAdam7[p] : kSinglePass;
        const int w = width > g.X0 ? (width - g.X0 + g.DX - 1) / g.DX : 0;
        const int h = height > g.Y0 ? (height - g.Y0 + g.DY - 1) / g.DY : 0;
        if (w == 0 || h == 0) continue;
        passes.push_back({g, w, h, (std::size_t(w) * std::size_t(bitsPerPixel) + 7) / 8});
    }
    return passes;
}

}  // namespace zelvo::png
