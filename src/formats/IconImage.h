#pragma once
// TIconImage: one image of an icon source (an icon file or the icon
// resources of a program), and its decoding into pixels.
//
// An image's data is either an icon resource image (a bitmap information
// header whose height counts the colour image and the AND mask, the colour
// table, the colour bits, then the 1-bit mask bits, rows bottom-up) or a
// whole PNG file, told apart by the PNG signature. Colour bits may be 1, 4
// or 8 bits with a colour table, 16 bits (5-5-5 or bit fields), 24 bits,
// or 32 bits (blue, green, red, alpha, or bit fields).
//
// Drawing follows the icon drawing call: an entry with an alpha channel (a
// PNG, or 32-bit colour bits with at least one non-zero alpha byte) is
// blended over the target; any other entry first ANDs the target with its
// mask and then XORs the colour bits into it, so masked pixels keep the
// target's colour (or invert it, where the colour bits are not 0).

#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/DibImage.h"

namespace zelvo {

/// The 16-byte directory entry of an icon file, as read (0 in the width or
/// height byte means 256). Entries of a program's icon group carry the
/// group entry's fields and the file offset of the image data.
struct TIconDirEntry {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint8_t ColorCount = 0;
    std::uint8_t Reserved = 0;
    std::uint16_t Planes = 0;
    std::uint16_t BitCount = 0;
    std::uint32_t BytesInRes = 0;
    std::uint32_t ImageOffset = 0;
};

/// The decoded pixels of an icon image, rows top-down.
struct TIconPixels {
    int Width = 0;
    int Height = 0;
    /// Blue, green, red, alpha per pixel. Without an alpha channel the alpha
    /// byte is 0 where the mask is set and 255 elsewhere.
    std::vector<std::uint8_t> Bgra;
    /// 1 where the AND mask is set (one byte per pixel); empty when Alpha.
    std::vector<std::uint8_t> Mask;
    /// True when drawing blends with the alpha bytes instead of the mask.
    bool Alpha = false;
};

/// Decodes an icon image's data (icon resource image or PNG). Throws
/// EReadError "Stream read error" when the data is shorter than its header,
/// colour table, colour bits or (for entries without alpha) mask say;
/// EInvalidGraphic "Icon image is not valid" for a header of another size
/// or depth, a compression other than none or bit fields, or a side of 0;
/// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters"
/// for a picture above kMaxImagePixels, or a PNG whose rows could not come
/// out of data this small; and the PNG codec's exceptions.
TIconPixels DecodeIconImage(std::span<const std::uint8_t> data);

/// True when `data` starts with the PNG signature.
bool IsPngIconData(std::span<const std::uint8_t> data);

/// Draws `pixels` with its top-left corner at (x, y) onto a 24-bit picture,
/// clipped to the picture. Throws EInvalidGraphic for another depth.
void DrawIconPixels(const TIconPixels& pixels, TDibImage& target, int x, int y);

/// One image of an icon source. The data is shared with the source it was
/// read from; copies share it too.
class TIconImage {
public:
    /// `file` holds the whole source; the image's data is `size` bytes at
    /// `offset`, already checked to lie within it. `name` identifies the
    /// image within its source ("101/0": group 101, entry 0; empty for an
    /// icon file).
    TIconImage(const TIconDirEntry& entry, std::shared_ptr<const std::vector<std::uint8_t>> file,
               std::size_t offset, std::size_t size, std::string name = {});
    /// An image read elsewhere (in a decoder process): its size, depth and
    /// kind as found there, and its pixels, or why they could not be
    /// decoded (rethrown by Pixels()), as given; nothing of the data is
    /// read here.
    TIconImage(const TIconDirEntry& entry, std::shared_ptr<const std::vector<std::uint8_t>> file,
               std::size_t offset, std::size_t size, std::string name, int width, int height, int bitCount,
               bool png, std::shared_ptr<const TIconPixels> pixels, std::exception_ptr failure);

    /// The directory entry as read.
    const TIconDirEntry& Entry() const { return FEntry; }
    /// The image data, and where it starts in the source.
    std::span<const std::uint8_t> Data() const;
    std::size_t Offset() const { return FOffset; }
    /// Width and height from the image data's own header (PNG: its IHDR;
    /// otherwise the header's width and half its height), or from the
    /// directory entry when the data has no readable header.
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    /// Bits per pixel from the data's own header (PNG: bit depth times
    /// samples per pixel), or the directory entry's.
    int BitCount() const { return FBitCount; }
    bool IsPng() const { return FPng; }
    const std::string& Name() const { return FName; }

    /// The decoded pixels, made on first use and kept; throws as
    /// DecodeIconImage (every time, for data that cannot be decoded).
    const TIconPixels& Pixels() const;
    /// Draws the image at (x, y) on a 24-bit picture. Data that cannot be
    /// decoded draws nothing; returns whether it drew.
    bool Draw(TDibImage& target, int x, int y) const;

private:
    TIconDirEntry FEntry;
    std::shared_ptr<const std::vector<std::uint8_t>> FFile;
    std::size_t FOffset = 0;
    std::size_t FSize = 0;
    std::string FName;
    int FWidth = 0;
    int FHeight = 0;
    int FBitCount = 0;
    bool FPng = false;
    mutable std::shared_ptr<const TIconPixels> FPixels;
    std::exception_ptr FFailure;
};

}  // namespace zelvo
