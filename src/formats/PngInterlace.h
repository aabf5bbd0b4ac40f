#pragma once
// The passes of a PNG picture: seven Adam7 passes for an interlaced file,
// one pass over every pixel otherwise. Internal to the PNG codec.

#include <cstddef>
#include <vector>

namespace zelvo::png {

/// First column, first row, column step and row step of a pass.
struct TPassGeometry {
    int X0, Y0, DX, DY;
};
/// The seven Adam7 passes in file order.
inline constexpr TPassGeometry kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
/// The only pass of a file without interlace.
inline constexpr TPassGeometry kSinglePass = {0, 0, 1, 1};

/// One pass that holds pixels: its geometry, its size in pixels and the
/// bytes of one of its rows without the filter byte.
struct TPass {
    TPassGeometry G;
    int Width;
    int Height;
    std::size_t RowBytes;
};

/// The passes of a `width` x `height` picture of `bitsPerPixel` file bits,
/// in file order. Passes without pixels are left out, as they carry no data
/// at all (not even filter bytes).
std::vector<TPass> MakePasses(int width, int height, bool interlaced, int bitsPerPixel);

}  // namespace zelvo::png
