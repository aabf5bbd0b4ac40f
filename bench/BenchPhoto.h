#pragma once
// The 4000 x 3000 test photo shared by the codec benchmarks: a real photo
// from the corpus enlarged with bilinear interpolation, plus sensor-like
// grain, so that it has a photograph's statistics (smooth areas, edges and
// noise) rather than a synthetic pattern's.

#include <algorithm>
#include <filesystem>
#include <random>

#include "formats/JpegImage.h"
#include "image/DibImage.h"

namespace zelvo::bench {

inline constexpr int kPhotoWidth = 4000;
inline constexpr int kPhotoHeight = 3000;

inline TDibImage MakePhoto() {
    const TDibImage small =
        LoadJpegPicture(std::filesystem::path(ZELVO_CORPUS_DIR) / "jpeg/pillow/flower.jpg",
                        TJPEGPerformance::jpBestQuality);
    TDibImage photo;
    photo.SetBitCount(24);
    photo.SetWidth(kPhotoWidth);
    photo.SetHeight(kPhotoHeight);
    std::mt19937 rng(5);
    const double sx = double(small.Width() - 1) / (kPhotoWidth - 1);
    const double sy = double(small.Height() - 1) / (kPhotoHeight - 1);
    for (int y = 0; y < kPhotoHeight; ++y) {
        const double fy = y * sy;
        const int y0 = int(fy);
        const int y1 = std::min(y0 + 1, small.Height() - 1);
        const double wy = fy - y0;
        const std::uint8_t* r0 = small.ScanLineRead(y0);
        const std::uint8_t* r1 = small.ScanLineRead(y1);
        std::uint8_t* out = photo.ScanLine(y);
        for (int x = 0; x < kPhotoWidth; ++x) {
            const double fx = x * sx;
            const int x0 = int(fx);
            const int x1 = std::min(x0 + 1, small.Width() - 1);
            const double wx = fx - x0;
            const int grain = int(rng() % 7) - 3;
            for (int c = 0; c < 3; ++c) {
                const double top = r0[3 * x0 + c] * (1 - wx) + r0[3 * x1 + c] * wx;
                const double bottom = r1[3 * x0 + c] * (1 - wx) + r1[3 * x1 + c] * wx;
                out[3 * x + c] = std::uint8_t(std::clamp(int(top * (1 - wy) + bottom * wy + 0.5) + grain, 0, 255));
            }
        }
    }
    return photo;
}

/// The photo, made once per process.
inline const TDibImage& Photo() {
    static const TDibImage photo = MakePhoto();
    return photo;
}

}  // namespace zelvo::bench
