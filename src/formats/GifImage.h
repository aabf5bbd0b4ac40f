#pragma once
// GIF files (87a and 89a): TGIFImage reads every block of a file, decodes
// the pixels of its first image and renders that image for the document;
// it writes one image with a single global colour map.
//
// Reading:
// - the signature "GIF" is compared without regard to case; when it is not
//   at the start it is looked for once more 4 bytes in;
// - blocks are extensions ("!") and images (","), separated by any number
//   of 0 bytes, up to the trailer ";" (a missing trailer is accepted); a
//   byte other than "!" or "," ends the blocks;
// - graphic control extensions are read by their sub-block length; text,
//   comment and application extensions keep their sub-blocks; any other
//   label is refused ("Unknown extension type");
// - a frame width or height of 0 takes the logical screen's;
// - LZW codes are read least significant bit first across sub-blocks; the
//   first image is decoded into one index byte per pixel, the others are
//   skipped by their sub-block lengths (their Pixels stay empty);
// - decoding stops at the end of the data, at a code above the next free
//   one, at a table code without a previous code, or at the frame's last
//   pixel; pixels that got no code keep the transparent index (transparent
//   frame) or 0, so a file cut short keeps the rows decoded so far;
// - interlaced frames fill rows 0, 8, 16...; 4, 12...; 2, 6...; 1, 3, 5....
//
// Refused files: GIFException "Invalid GIF signature", "Unknown extension
// type", "Circular decoder table entry"; EReadError "Stream read error" for
// a file that ends inside its header or descriptor or holds no image at
// all; EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
// Parameters" for a 0 x 0 logical screen, a minimum code size outside
// 2..11, or a screen or frame above kMaxImagePixels. Measured values go to
// Detail().

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "formats/ColorQuantizer.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace zelvo {

/// Failures of the GIF codec.
ZELVO_EXCEPTION(GIFException, EInvalidGraphic);

/// A colour map: up to 256 entries and whether it is sorted by use.
struct TGIFColorMap {
    std::vector<TQuantColor> Colors;
    bool Optimized = false;
    int Count() const { return int(Colors.size()); }
    /// Bits to index every entry: 1..8 (2 << (bits - 1) entries on disk).
    int BitsPerPixel() const;
};
using TGIFGlobalColorMap = TGIFColorMap;
using TGIFLocalColorMap = TGIFColorMap;

/// The logical screen descriptor and the global colour map.
struct TGIFHeader {
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t Packed = 0;
    std::uint8_t BackgroundIndex = 0;
    std::uint8_t AspectRatio = 0;
    TGIFGlobalColorMap GlobalMap;
};

/// The graphic control extension: packed (bits 4-2 disposal, bit 1 user
/// input, bit 0 transparent), delay in hundredths of a second, index.
struct TGIFGraphicControlExtension {
    std::uint8_t Packed = 0;
    std::uint16_t Delay = 0;
    std::uint8_t TransparentIndex = 0;
    bool Transparent() const { return (Packed & 1) != 0; }
};

/// A text (0x01), comment (0xFE) or application (0xFF) extension, kept as
/// the concatenated bytes of its sub-blocks.
struct TGIFExtension {
    std::uint8_t Label = 0;
    std::vector<std::uint8_t> Data;
};

/// One image: descriptor, local map, extensions before it, pixel indices.
struct TGIFSubImage {
    std::uint16_t Left = 0;
    std::uint16_t Top = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t Packed = 0;  ///< bit 7 local map, bit 6 interlaced, bit 5 sorted
    TGIFLocalColorMap LocalMap;
    std::vector<TGIFExtension> Extensions;
    std::optional<TGIFGraphicControlExtension> GraphicControl;
    bool Transparent = false;
    /// Width x Height indices, rows top to bottom (empty for images after
    /// the first when read from a file).
    std::vector<std::uint8_t> Pixels;

    bool Interlaced() const { return (Packed & 0x40) != 0; }
    void SetInterlaced(bool on) { Packed = std::uint8_t(on ? Packed | 0x40 : Packed & ~0x40); }
    std::uint8_t TransparentIndex() const { return GraphicControl ? GraphicControl->TransparentIndex : 0; }
};

/// The colour reduction defaults copied into each new TGIFImage: method 6
/// (fixed 216 colours) until the first GIF save sets 7 (octree), 8 bits,
/// dither mode 0.
struct TGIFReductionDefaults {
    int Method = 6;
    int Bits = 8;
    int DitherMode = 0;
};
TGIFReductionDefaults& GIFDefaultReduction();

/// The largest side a GIF file can hold.
inline constexpr int kMaxGifSide = 65535;

class TGIFImage {
public:
    TGIFImage();

    /// Reads a whole file from the stream's position; throws as listed
    /// above with the stream put back where reading began.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::filesystem::path& path);
    /// Writes the header, every image and the trailer. Throws GIFException
    /// "Unsupported GIF version" without images, "Color not in color table"
    /// for an index beyond its map.
    void SaveToStream(TStream& stream) const;

    /// Makes the one image from a picture: 1-, 4- and 8-bit pictures as
    /// they are, others reduced by this object's reduction settings. Throws
    /// EDibImageInvalidDIBPara for a side above 65535.
    void Assign(const TDibImage& picture);
    /// The first image rendered on the logical screen as an 8-bit picture
    /// (see the codec notes). Throws EReadError without images.
    TDibImage ToDibImage() const;

    /// Sets or clears transparency of the first image; `index` at or beyond
    /// its non-empty active map becomes 0.
    void SetTransparent(bool on, std::uint8_t index);
    /// Remaps the colours of every image onto one global map sorted by use
    /// (at most 256 entries, the transparent entry last), as the writer
    /// wants it.
    void OptimizeColorMaps();

    /// The map an image's indices refer to: its local map or the global one.
    const TGIFColorMap& ActiveMap(const TGIFSubImage& image) const;

    TGIFHeader Header;
    std::vector<TGIFSubImage> Images;
    int ReductionMethod;
    int ReductionBits;
    int DitherMode;
};

/// The picture as a GIF object made now would hold it (1-, 4- and 8-bit
/// pictures as they are, others reduced by the current defaults: the fixed
/// 216 colours before the first GIF save, the octree palette after), so
/// that a palette index picked on it is the index the next save means.
TDibImage GifPaletteForm(const TDibImage& picture);

/// The document's GIF save: the reduction defaults become octree (7) and
/// nearest colour, the picture is assigned, the first image gets a graphic
/// control extension (transparent, index) and the interlace flag, the maps
/// are optimised and the file written.
void SaveGifPicture(const TDibImage& picture, TStream& stream, bool transparent, std::uint8_t transparentIndex,
                    bool interlaced);

}  // namespace zelvo
