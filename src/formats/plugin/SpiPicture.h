#pragma once
// The picture a plug-in returns, checked before anything is built from it.
//
// A plug-in hands back two malloc blocks (zelvo/spi.h): a bitmap
// information block (the 40-byte header, the three masks for bit-field
// data, the colour table) and the pixel bits. Nothing in them is trusted:
// the header fields, colour count, masks and run-length sizes are checked in
// 64 bits against the sizes of both blocks and the program's pixel limit
// before a BMP image is assembled from them and read with the standard
// bitmap reader.

#include <cstdint>
#include <span>
#include <string>

#include "image/BmpParts.h"
#include "image/DibImage.h"
#include "zelvo/spi.h"

namespace zelvo {

/// "認識できない画像形式です": no plug-in (nor the BMP reader) read the file,
/// or a plug-in's picture failed the checks.
inline constexpr const char* kSUnrecognisedImage = "認識できない画像形式です";

/// The data bytes of a plug-in's block. A block whose stated size is larger
/// than the memory actually allocated for it gives an empty span with
/// `believable` false; a null handle an empty span with `believable` true.
std::span<const std::uint8_t> BlockBytes(SpiHandle block, bool* believable = nullptr);

/// The text of a block up to its first 0 byte or its size, whichever comes
/// first; empty for a null or unbelievable block.
std::string BlockText(SpiHandle block);

/// Builds the picture from a plug-in's information block and bits block.
/// The header must be the 40-byte one with 1, 4, 8, 16, 24 or 32 bits,
/// compression 0, run-length (8 bits RLE8, 4 bits RLE4, with a data size of
/// 1 byte up to the bits block) or bit fields (16 and 32 bits, three
/// non-zero masks after the header); width positive, height non-zero, the
/// picture within kMaxImagePixels; the colour table (colours used, or 2,
/// 16, 256 for 1, 4 and 8 bits when 0) inside the information block and
/// the rows inside the bits block. Throws EInvalidGraphic
/// (kSUnrecognisedImage, with the measured values in Detail()) when a check
/// fails, or the bitmap reader's exception. With `mapping` (the private
/// mapping `bits` lies in) the picture may keep uncompressed rows where they
/// are; see LoadBmpFromParts.
TDibImage PictureFromPluginBlocks(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                  TRowsMapping* mapping = nullptr);

}  // namespace zelvo
