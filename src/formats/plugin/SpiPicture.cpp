#include "formats/plugin/SpiPicture.h"

#include <malloc.h>

#include <cstring>
#include <vector>

#include "image/BmpParts.h"
#include "image/ByteReader.h"
#include "image/ImageLimits.h"

namespace zelvo {

namespace {

constexpr std::int64_t kFileHeaderBytes = 14;
constexpr std::int64_t kInfoHeaderBytes = 40;
constexpr std::int64_t kMaskBytes = 12;

[[noreturn]] void Refuse(const std::string& why) { throw EInvalidGraphic(kSUnrecognisedImage, why); }

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

std::span<const std::uint8_t> BlockBytes(SpiHandle block, bool* believable) {
    if (believable) *believable = true;
    if (!block) return {};
    // The stated size must fit in what malloc gave the plug-in; a lying
    // size would have us read past the block.
    const std::uint64_t usable = ::malloc_usable_size(block);
    if (usable < sizeof(SpiBlock) || block->size > usable - sizeof(SpiBlock)) {
        if (believable) *believable = false;
        return {};
    }
    return {static_cast<const std::uint8_t*>(SpiBlockData(block)), std::size_t(block->size)};
}

std::string BlockText(SpiHandle block) {
    const auto bytes = BlockBytes(block);
    if (bytes.empty()) return {};
    const auto* text = reinterpret_cast<const char*>(bytes.data());
    return std::string(text, ::strnlen(text, bytes.size()));
}

TDibImage PictureFromPluginBlocks(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                  TRowsMapping* mapping) {
    ByteReader header(info);
    if (std::int64_t(info.size()) < kInfoHeaderBytes)
        Refuse("information block of " + std::to_string(info.size()) + " bytes");
    const std::uint32_t size = header.Get32LE();
    const std::int64_t width = std::int32_t(header.Get32LE());
    const std::int64_t height = std::int32_t(header.Get32LE());
    header.Get16LE();  // planes
    const int bitCount = header.Get16LE();
    const std::uint32_t compression = header.Get32LE();
    const std::uint32_t sizeImage = header.Get32LE();
    header.Skip(8);  // densities
    const std::uint32_t colorsUsed = header.Get32LE();

    if (size != kInfoHeaderBytes) Refuse("header size " + std::to_string(size));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        Refuse("bit count " + std::to_string(bitCount));
    const bool rle = (compression == BI_RLE8 && bitCount == 8) || (compression == BI_RLE4 && bitCount == 4);
    const bool fields = compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32);
    if (compression != BI_RGB && !rle && !fields)
        Refuse("compression " + std::to_string(compression) + " at " + std::to_string(bitCount) + " bits");
    if (width <= 0 || height == 0)
        Refuse("width " + std::to_string(width) + ", height " + std::to_string(height));
    const std::int64_t rowsBytes = CheckedImageBytes<EInvalidGraphic>(width, height, bitCount, kSUnrecognisedImage);

    std::int64_t colors = colorsUsed;
    if (colors == 0 && bitCount <= 8) colors = std::int64_t(1) << bitCount;
    const std::int64_t masks = fields ? kMaskBytes : 0;
    const std::int64_t tableEnd = kInfoHeaderBytes + masks + 4 * colors;
    if (tableEnd > std::int64_t(info.size()))
        Refuse("header, masks and " + std::to_string(colors) + " colours need " + std::to_string(tableEnd) +
               " bytes, information block holds " + std::to_string(info.size()));
    if (fields) {
        header.Seek(std::size_t(kInfoHeaderBytes));
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t mask = header.Get32LE();
            if (mask == 0 || (bitCount == 16 && mask > 0xFFFF)) Refuse("bit-field mask " + std::to_string(mask));
        }
    }

    std::int64_t dataBytes = rowsBytes;
    if (rle) {
        if (sizeImage == 0 || sizeImage > bits.size())
            Refuse("run-length data of " + std::to_string(sizeImage) + " bytes, bits block holds " +
                   std::to_string(bits.size()));
        dataBytes = sizeImage;
    } else if (rowsBytes > std::int64_t(bits.size())) {
        Refuse("rows need " + std::to_string(rowsBytes) + " bytes, bits block holds " + std::to_string(bits.size()));
    }

    // The BMP file that the information block up to the end of its table
    // and the pixel data make, read without building it.
    const std::int64_t offset = kFileHeaderBytes + tableEnd;
    if (offset + dataBytes > std::int64_t(UINT32_MAX))
        Refuse("BMP image of " + std::to_string(offset + dataBytes) + " bytes");
    std::vector<std::uint8_t> head(info.begin(), info.begin() + std::ptrdiff_t(tableEnd));
    if (rle) Put32(head.data() + 20, std::uint32_t(dataBytes));
    TDibImage picture;
    LoadBmpFromParts(picture, head, bits.first(std::size_t(dataBytes)), rle ? nullptr : mapping);
    return picture;
}

}  // namespace zelvo
