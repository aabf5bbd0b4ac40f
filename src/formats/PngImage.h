#pragma once
// TPngImage: PNG reading and writing over zlib, on top of TDibContainer.
//
// Reading converts every colour type and depth into the container:
//   grey 1, 4, 8 bits        -> same depth, grey ramp palette
//   grey 2, palette 2 bits   -> 4 bits, each 2-bit value widened to a nibble
//   grey 16 bits             -> 8 bits, high byte of each sample
//   grey + alpha 8/16 bits   -> 32 bits: grey, grey, grey, alpha
//   palette 1, 4, 8 bits     -> same depth with the file's palette
//   RGB 8/16 bits            -> 24 bits blue, green, red
//   RGBA 8/16 bits           -> 32 bits blue, green, red, alpha
// (16-bit samples always keep their high byte). CRCs are read but not
// checked. tRNS, bKGD, gAMA, pHYs, oFFs, tEXt and zTXt fill the container's
// attributes; each text chunk is appended to the comment as
// "$#" keyword CR LF text.
//
// Writing takes the container's bit count: 1, 4, 8 as palette images, 24 as
// RGB, 32 as RGBA when the alpha flag is set and RGB otherwise. Rows are
// filtered adaptively (each of the five filters is tried, the one with the
// lowest sum of signed byte magnitudes wins, the lower number on ties) and
// deflated at zlib's default level into IDAT chunks of 32768 bytes.
//
// This header is the codec's public face. The decoder is PngDecoder.cpp, the
// encoder PngEncoder.cpp; the row filters (PngRowFilters), the Adam7 passes
// (PngInterlace) and the chunk types (PngChunks.h) are shared by both.

#include <cstdint>
#include <filesystem>

#include "formats/DibContainer.h"
#include "formats/PictureMetadata.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace zelvo {

/// Base of the PNG codec's failures.
ZELVO_EXCEPTION(EPngError, Exception);
/// A file could not be read; the message names the fault ("PNG LoadStream:
/// Not PNG Format", "PNG LoadStream: zlib error", ...).
ZELVO_EXCEPTION(EPngLoadError, EPngError);
/// A picture could not be written ("PNG SaveStream: error ZLIB",
/// "PNG SaveStream: support BitCount").
ZELVO_EXCEPTION(EPngSaveError, EPngError);

/// The largest comment a file may give (all tEXt and zTXt chunks together,
/// after decompression). A zTXt chunk that inflates beyond it is left out
/// (the picture loads without that text), so a compressed text cannot
/// exhaust memory; a tEXt chunk beyond it is refused with "PNG LoadStream:
/// error tEXt".
inline constexpr std::size_t kMaxPngCommentBytes = std::size_t(4) << 20;

class TPngImage : public TDibContainer {
public:
    TPngImage() = default;

    /// Reads a PNG file from the stream's position (a file preceded by
    /// exactly 256 bytes of other data is found too). On success the picture
    /// and its attributes replace this object's; on failure this object is
    /// unchanged. Throws:
    /// - EPngLoadError with the message of the fault found;
    /// - EReadError "Stream read error" for a file that ends early (a chunk
    ///   whose length claims more than the stream holds is refused before it
    ///   is read);
    /// - EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
    ///   Parameters" for a side of 0 or a picture above kMaxImagePixels,
    ///   before any pixel memory is allocated;
    /// - EOutOfResources when zlib has no memory.
    void LoadFromStream(TStream& stream);
    /// LoadFromStream over the file; EFOpenError when it cannot be opened.
    void LoadFromFile(const std::filesystem::path& path);

    /// Writes the picture as PNG at the stream's position. Throws
    /// EDibContainerError "TPngImage.SaveToStream: not Image" when empty,
    /// EPngSaveError for another bit count or a deflate failure, EWriteError
    /// when the stream takes fewer bytes.
    void SaveToStream(TStream& stream) const;
    /// SaveToStream into a new or truncated file.
    void SaveToFile(const std::filesystem::path& path) const;
    /// Writes only `rect` (clipped to the picture) with the same attributes.
    /// An empty intersection throws EDibContainerError
    /// "TPngImage.SaveRectToStream: not Image".
    void SaveRectToStream(TStream& stream, const TRect& rect) const;

    /// True when the file read used Adam7 interlace; set before saving to
    /// write an interlaced file.
    bool Interlaced() const { return FInterlaced; }
    void SetInterlaced(bool interlaced) { FInterlaced = interlaced; }

    /// The file's iCCP, tEXt, zTXt, iTXt and pHYs chunks as they were (type
    /// and data, file order), kept so a save can write them back; at most
    /// kMaxPngKeptChunkBytes in all, later ones are not kept. The text and
    /// density chunks also fill the attributes as before.
    const std::vector<TMetadataBlock>& KeptChunks() const { return FKeptChunks; }
    void SetKeptChunks(std::vector<TMetadataBlock> chunks) { FKeptChunks = std::move(chunks); }

private:
    bool FInterlaced = false;
    std::vector<TMetadataBlock> FKeptChunks;
};

/// The most chunk data a TPngImage keeps for writing back.
inline constexpr std::size_t kMaxPngKeptChunkBytes = std::size_t(16) << 20;

/// Decodes one PNG file from the stream's position into a new object; the
/// function keeps no state. Throws as TPngImage::LoadFromStream.
TPngImage DecodePng(TStream& stream);

/// Encodes `image` as PNG into the stream (interlaced when `interlaced`).
/// `chunks` are written as they are: iCCP right after IHDR, the others
/// just before the image data; a pHYs among them replaces the one of the
/// image's physical size. Throws as TPngImage::SaveToStream.
void EncodePng(const TDibContainer& image, bool interlaced, TStream& stream,
               std::span<const TMetadataBlock> chunks = {});

// --- entries for the format dispatch -----------------------------------------

/// Reads a PNG file from the stream into `picture`, which is replaced only
/// when the whole file was read (an alpha channel is dropped, colours kept;
/// see TDibContainer::AssignTo). Returns the file's interlace flag. Throws as
/// TPngImage::LoadFromStream. `metadata`, when given, receives the kept
/// chunks (Source Png).
bool LoadPngPicture(TStream& stream, TDibImage& picture, TPictureMetadata* metadata = nullptr);
/// LoadPngPicture over a file.
bool LoadPngPictureFile(const std::filesystem::path& path, TDibImage& picture,
                        TPictureMetadata* metadata = nullptr);

/// Writes `picture` (any format; run-length data is expanded) as PNG. With
/// `transparent`, `transparentColor` (00BBGGRR) becomes the transparent
/// colour: a tRNS chunk with that RGB value for 24 bits, and for palette
/// pictures one that makes the palette entry nearest to it transparent.
/// `interlaced` writes Adam7; `chunks` as EncodePng writes them. Throws as
/// TPngImage::SaveToStream.
void SavePngPicture(const TDibImage& picture, TStream& stream, bool transparent, TColor transparentColor,
                    bool interlaced, std::span<const TMetadataBlock> chunks = {});

/// Index of the palette entry nearest to `color`: the smallest sum of
/// absolute red, green and blue differences, the lowest index on ties.
/// Returns -1 for an empty palette.
int NearestPaletteIndex(const TRGBQuad* palette, int count, TColor color);

}  // namespace zelvo
