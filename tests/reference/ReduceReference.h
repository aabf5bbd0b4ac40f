#pragma once
// Literal form of the "High" colour reduction: the colour set is the list of
// all pixels, each node's statistics are recomputed over its pixels, and
// every pixel is mapped by walking the tree.

#include <cstdint>
#include <vector>

#include "image/DibImage.h"

namespace zelvo::test {

struct ReducedImage {
    std::vector<TRGBQuad> palette;
    std::vector<std::uint8_t> indices;  ///< display order, row by row
    int steps = 0;                      ///< leaves at full depth visited
};

/// Reduces a 24-bit picture to 2^depth colours by the "High" rules.
ReducedImage ReduceHighLiteral(const TDibImage& image, int depth);

}  // namespace zelvo::test
