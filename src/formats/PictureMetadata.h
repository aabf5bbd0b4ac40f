#pragma once
// The metadata a picture file carries besides its pixels, kept with the
// picture from load to save: a JPEG's EXIF, XMP and colour-profile segments
// (and comments), a PNG's colour profile, text and density chunks. The bytes
// are kept as the file had them; what a save writes back is decided here
// (JpegMetadataForSave, PngMetadataForSave), so every writer follows the
// same rules:
//
// - Orientation. The document holds the picture as it is shown, so a save
//   writes EXIF (and XMP) orientation 1: the file then looks everywhere as
//   it looked in the editor, also when turning on open was switched off.
// - EXIF thumbnail. Stale as soon as the pixels changed in any way: dropped
//   then (a crop keeps the EXIF block but not its thumbnail). The EXIF pixel
//   dimensions are set to the saved picture's size.
// - Colour profile. Pixel operations keep the colour space they work in, and
//   a palette reduction picks its colours from the same space, so the
//   profile stays across every edit. Both writers always write RGB-based
//   files (JPEG with three components, PNG as RGB or palette), so only a
//   profile whose data colour space is RGB is written; a grey or CMYK
//   profile would describe another file than the one written and is left
//   out.
// - Density (PNG pHYs). Resolution in pixels per unit survives a crop, a
//   resize keeps the resolution as other editors do, and square pixels stay
//   square under every turn: square densities are always kept. Non-square
//   ones are kept only while the pixels are unchanged (a quarter turn would
//   have to swap them).
// - Text (tEXt, zTXt, iTXt, JPEG comments, XMP) describes the picture, not
//   its pixels, and is always kept.
// - Metadata belongs to its format: a JPEG's segments go only into a JPEG,
//   a PNG's chunks only into a PNG.
// Everything else of a file (JFIF and Adobe segments, which the encoder
// writes itself, multi-picture data whose offsets a new file breaks,
// unknown chunks) is not kept.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelvo {

/// The format whose metadata a TPictureMetadata holds.
enum class TMetadataSource : std::uint8_t { None, Jpeg, Png };

/// One kept segment or chunk: a JPEG marker code (0xE1 APP1, 0xE2 APP2,
/// 0xFE COM) with its payload, or a PNG chunk type (four letters as a
/// big-endian number) with its data.
struct TMetadataBlock {
    std::uint32_t Type = 0;
    std::vector<std::uint8_t> Data;
    friend bool operator==(const TMetadataBlock&, const TMetadataBlock&) = default;
};

/// The kept metadata of one picture.
struct TPictureMetadata {
    TMetadataSource Source = TMetadataSource::None;
    /// The blocks in file order.
    std::vector<TMetadataBlock> Blocks;
    /// The EXIF orientation the file gave (1..8; 1 without one).
    int Orientation = 1;
    /// Set by the document once the pixels changed after the load.
    bool PictureChanged = false;

    bool Empty() const { return Blocks.empty(); }
    /// The kinds of block present, in a fixed order, each once: "EXIF",
    /// "EXIF-thumbnail", "XMP", "ICC", "comment" (JPEG); "iCCP", "tEXt",
    /// "zTXt", "iTXt", "pHYs" (PNG).
    std::vector<std::string> Kinds() const;
};

/// The kept blocks of a JPEG's markers (as the decoder saved them, in file
/// order): APP1 EXIF and XMP (also extended XMP), APP2 ICC_PROFILE, COM.
/// Orientation comes from the first EXIF block. Source is Jpeg even when
/// nothing was kept.
TPictureMetadata JpegMetadata(std::vector<TMetadataBlock> markers);

/// Whether the JPEG decoder should hand over markers of this code.
bool JpegMarkerWanted(int marker);

/// The segments a JPEG save of a `width` x `height` picture writes (empty
/// unless `metadata` came from a JPEG), by the rules at the top of this
/// file. When it starts with EXIF, the encoder writes no JFIF segment
/// before it, as cameras do.
std::vector<TMetadataBlock> JpegMetadataForSave(const TPictureMetadata& metadata, int width, int height);

/// The PNG chunk types kept: iCCP, tEXt, zTXt, iTXt, pHYs.
bool PngChunkKept(std::uint32_t type);

/// The chunks a PNG save writes (empty unless `metadata` came from a PNG),
/// by the rules at the top of this file.
std::vector<TMetadataBlock> PngMetadataForSave(const TPictureMetadata& metadata);

/// The metadata a WebP, TIFF, HEIF/AVIF or JPEG XL save carries, taken
/// from a JPEG's or PNG's kept blocks by the rules at the top of this file
/// (EXIF with orientation 1 and its size set, XMP with orientation 1, an
/// RGB colour profile): these formats hold the same three kinds, so they
/// travel from JPEG and PNG into them. Each part is empty when absent.
struct TPortableMetadata {
    std::vector<std::uint8_t> Exif;  ///< EXIF from its TIFF header on
    std::vector<std::uint8_t> Xmp;   ///< the XMP packet
    std::vector<std::uint8_t> Icc;   ///< the whole colour profile
    bool Empty() const { return Exif.empty() && Xmp.empty() && Icc.empty(); }
};

/// The portable metadata of a `width` x `height` save of `metadata`. A PNG
/// profile that does not inflate (or inflates beyond 64 MiB) is left out.
TPortableMetadata PortableMetadataForSave(const TPictureMetadata& metadata, int width, int height);

/// The data colour space of an ICC profile's header (bytes 16..19, such as
/// "RGB ", "GRAY", "CMYK"); empty when the header is shorter.
std::string IccColorSpace(std::span<const std::uint8_t> profile);

}  // namespace zelvo
