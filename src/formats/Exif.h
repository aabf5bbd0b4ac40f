#pragma once
// EXIF: the TIFF structure a camera writes into a JPEG's APP1 segment
// ("Exif\0\0" followed by a TIFF header and its image file directories).
// The reader finds the few fields the program acts on: the orientation of
// IFD0 (tag 0x0112), the thumbnail that IFD1 points to (tags 0x0201 and
// 0x0202), and the pixel dimensions of the Exif IFD (0xA002, 0xA003). The
// writer patches those fields in a copy of the bytes and keeps everything
// else as it was, so maker notes and other offset-bearing data stay valid.
//
// Everything here is bounded: an offset outside the data, an IFD chain that
// loops, a count whose values cannot fit, or a field of the wrong type is
// ignored (the field counts as missing); nothing throws and nothing reads
// outside the span given.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace zelvo {

/// The six bytes that open an EXIF APP1 segment's payload.
inline constexpr std::uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};

/// TIFF tags the program reads or patches.
inline constexpr std::uint16_t kExifTagOrientation = 0x0112;
inline constexpr std::uint16_t kExifTagThumbnailOffset = 0x0201;  ///< JPEGInterchangeFormat
inline constexpr std::uint16_t kExifTagThumbnailLength = 0x0202;  ///< JPEGInterchangeFormatLength
inline constexpr std::uint16_t kExifTagExifIfd = 0x8769;
inline constexpr std::uint16_t kExifTagGpsIfd = 0x8825;
inline constexpr std::uint16_t kExifTagInteropIfd = 0xA005;
inline constexpr std::uint16_t kExifTagPixelXDimension = 0xA002;
inline constexpr std::uint16_t kExifTagPixelYDimension = 0xA003;
inline constexpr std::uint16_t kExifTagMakerNote = 0x927C;

/// What ParseExif found. Offsets are byte positions within the TIFF data
/// (the payload after kExifSignature); 0 means "not there", since offset 0
/// always holds the TIFF header.
struct TExifInfo {
    /// A TIFF header ("II*\0" or "MM\0*") with an IFD0 inside the data.
    bool Valid = false;
    bool BigEndian = false;
    /// The orientation 1..8 (1 when missing or outside 1..8): how the stored
    /// rows must be turned to show the picture upright, as the TIFF
    /// standard numbers the eight cases.
    int Orientation = 1;
    /// Where the orientation's SHORT value sits (the entry's value field).
    std::size_t OrientationValueOffset = 0;
    /// Where IFD0's link to the next IFD sits, and the IFD1 it points to.
    std::size_t Ifd0LinkOffset = 0;
    std::size_t Ifd1Offset = 0;
    /// The thumbnail IFD1 points to; only set when it lies inside the data.
    std::size_t ThumbnailOffset = 0;
    std::size_t ThumbnailLength = 0;
    /// The pixel dimensions' value fields and whether each is a SHORT (else
    /// a LONG).
    std::size_t PixelXValueOffset = 0;
    std::size_t PixelYValueOffset = 0;
    bool PixelXShort = false;
    bool PixelYShort = false;
    /// The end of the last byte IFD0, the Exif, GPS and interoperability
    /// IFDs and their out-of-line values use: what must stay when IFD1 and
    /// its thumbnail are cut from the end.
    std::size_t MainDataEnd = 0;

    bool HasThumbnail() const { return ThumbnailLength > 0; }
};

/// The TIFF data of an APP1 payload: the bytes after kExifSignature, or an
/// empty span when the payload does not start with it.
std::span<const std::uint8_t> ExifTiffData(std::span<const std::uint8_t> app1Payload);

/// Reads the TIFF data of an EXIF block. Never throws; malformed parts are
/// skipped as described at the top of this file.
TExifInfo ParseExif(std::span<const std::uint8_t> tiff);

/// What PatchExif changes.
struct TExifPatch {
    /// Write orientation 1 where the block has an orientation tag.
    bool ResetOrientation = true;
    /// Unlink IFD1 and remove its thumbnail: the data is cut after the main
    /// IFDs when IFD1 and the thumbnail lie behind them (the usual layout),
    /// otherwise the thumbnail's bytes are zeroed in place.
    bool DropThumbnail = false;
    /// When both are above 0: the Exif IFD's pixel dimensions become these
    /// (a LONG takes any value, a SHORT only up to 65535).
    int Width = 0;
    int Height = 0;
};

/// A copy of the TIFF data with `patch` applied; every other byte is kept.
/// Data that ParseExif finds not Valid comes back unchanged.
std::vector<std::uint8_t> PatchExif(std::span<const std::uint8_t> tiff, const TExifPatch& patch);

/// An EXIF block as a TIFF file holds it: the Exif IFD and the GPS IFD as
/// directories of the file itself,
/// which IFD0 points to (tags 0x8769 and 0x8825), and the text fields of
/// the block's IFD0 that a TIFF's IFD0 has as ordinary tags.
struct TExifForTiff {
    /// The block's byte order, which Bytes keeps: the file is written in it,
    /// so that every value is the block's own bytes.
    bool BigEndian = false;
    /// The directories and their values, to be written at the file offset
    /// `base` given to ExifForTiff.
    std::vector<std::uint8_t> Bytes;
    /// File offsets of the Exif and GPS IFDs; 0 when not carried.
    std::uint32_t ExifIfd = 0;
    std::uint32_t GpsIfd = 0;
    /// ImageDescription, Make, Model, Software, DateTime, Artist and
    /// Copyright of IFD0 (tag, text up to its first NUL), in tag order;
    /// empty texts are left out.
    std::vector<std::pair<std::uint16_t, std::string>> Ifd0Text;
};

/// The TIFF data of an EXIF block laid out for a TIFF file whose bytes from
/// `base` (an even file offset) on are TExifForTiff::Bytes: each IFD is
/// followed by the values its entries hold out of line, each on an even
/// offset, and the entries of each IFD are in ascending tag order (the
/// first of a tag kept). Every value is copied byte for byte, except that
/// pixel dimensions stored as SHORTs become LONGs, as libtiff reads them.
/// The maker note comes last, at the file offset it had in the block when
/// the rest ends before it (zeros in between), since maker notes may hold
/// offsets from the block's start into themselves.
/// Left out: what ParseExif would skip; entries of unknown types, with no
/// values, or holding offsets into the block (IFD pointers, strip and
/// thumbnail offsets); the interoperability IFD, whose camera file rules
/// the TIFF file does not keep; values once the kept ones add up to more
/// bytes than the block has; IFDs left with no entries. Nothing is left
/// when the block is not Valid. Never throws.
TExifForTiff ExifForTiff(std::span<const std::uint8_t> tiff, std::uint32_t base);

/// Sets the tiff:Orientation of an XMP packet to 1 in place (as an
/// attribute tiff:Orientation="N" or an element
/// <tiff:Orientation>N</tiff:Orientation>, one digit 1..8 either way, so the
/// packet keeps its length). Returns whether a value was changed.
bool ResetXmpOrientation(std::vector<std::uint8_t>& xmp);

}  // namespace zelvo
