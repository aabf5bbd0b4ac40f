#pragma once
// A BMP file whose parts lie apart, as a plug-in hands over a picture.

#include <cstdint>
#include <span>

#include "image/DibImage.h"

namespace zelvo {

/// Loads into `picture` the BMP file made of `head` (what follows the 14-byte
/// file header: information header and colour table) and `rows` (the pixel
/// data right after them), as TDibImage::LoadFromStream would load that
/// file, with the same checks and errors, without building it.
void LoadBmpFromParts(TDibImage& picture, std::span<const std::uint8_t> head, std::span<const std::uint8_t> rows);

}  // namespace zelvo
