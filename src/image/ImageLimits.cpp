#include "image/ImageLimits.h"

namespace zelvo {

bool ImageSizeAllowed(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) return false;
    if (width > kMaxImagePixels || height > kMaxImagePixels) return false;
    return width * height <= kMaxImagePixels;
}

}  // namespace zelvo
