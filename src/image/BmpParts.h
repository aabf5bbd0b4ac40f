#pragma once
// A BMP file whose parts lie apart, as a plug-in hands over a picture.

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/DibImage.h"

namespace zelvo {

/// A private mapping (mmap MAP_PRIVATE) that holds a picture's rows and that
/// the picture may take over instead of copying them.
struct TRowsMapping {
    void* Base = nullptr;
    std::size_t Length = 0;
    /// Set when a picture took the mapping: it is the picture's storage
    /// from then on and unmapped with it; the owner must not unmap it.
    bool Taken = false;
};

/// Storage for a picture of `header` whose uncompressed rows are `rows`,
/// taken over from `mapping` where the rows lie inside it, 16-byte aligned,
/// and nobody took it yet (then Taken is set); nullptr when they cannot be,
/// and the caller copies the rows. Throws as TDibImageData::CreateRaw.
TDibImageData* AdoptRows(const TBitmapInfoHeader& header, std::span<const std::uint8_t> rows, TRowsMapping* mapping);

/// Loads into `picture` the BMP file made of `head` (what follows the 14-byte
/// file header: information header and colour table) and `rows` (the pixel
/// data right after them), as TDibImage::LoadFromStream would load that
/// file, with the same checks and errors, without building it. With
/// `mapping`, rows stored as they are kept (1, 4, 8 and 24 bits,
/// uncompressed) and aligned to 16 bytes inside it stay where they are: the
/// picture takes the mapping over, and its pages are copied only when the
/// picture is changed.
void LoadBmpFromParts(TDibImage& picture, std::span<const std::uint8_t> head, std::span<const std::uint8_t> rows,
                      TRowsMapping* mapping = nullptr);

}  // namespace zelvo
