#pragma once
// The writers over outside encoders: WebP (libwebp), TIFF (libtiff), AVIF
// and HEIC (libheif with its AV1 and HEVC encoders) and JPEG XL (libjxl).
// Each writes one picture with the options of TSaveOptions::Encoders and
// the portable metadata of TSaveOptions::Metadata (EXIF, XMP, colour
// profile; see PictureMetadata.h) where the format holds it. A picture
// saved with Transparent gets an alpha channel where the format has one:
// the pixels of TransparentColor are fully transparent, all others opaque.
// Every encoder failure throws EWriteError "Stream write error" with the
// library's message as the detail, before anything reaches the stream.

#include <array>
#include <cstdint>
#include <vector>

#include "formats/PictureFormats.h"
#include "image/DibImage.h"
#include "image/Stream.h"

namespace zelvo {

/// The picture as top-down interleaved 8-bit red, green, blue (and alpha)
/// rows without padding, for the encoders that take such rows.
struct TEncoderPixels {
    int Width = 0;
    int Height = 0;
    int Channels = 3;  ///< 3, or 4 when the save makes a colour transparent
    std::vector<std::uint8_t> Data;
};

/// The rows of TEncoderPixels one at a time, for writers that take the
/// picture a piece at a time.
class TEncoderRows {
public:
    /// `picture` (any depth, RLE included) as RGB, with alpha when
    /// `options.Transparent`.
    TEncoderRows(const TDibImage& picture, const TSaveOptions& options);
    int Width() const { return FPicture.Width(); }
    int Height() const { return FPicture.Height(); }
    int Channels() const { return FChannels; }
    /// Row `y` (0 at the top) into `out`, Width() x Channels() bytes. Rows
    /// may be asked for from several threads at once.
    void Row(int y, std::uint8_t* out) const;

private:
    TDibImage FPicture;
    int FChannels = 3;
    std::array<std::array<std::uint8_t, 3>, 256> FColors{};
    std::array<std::uint8_t, 3> FKey{};
};

/// `picture` (any depth, RLE included) expanded to RGB, with alpha when
/// `options.Transparent`.
TEncoderPixels EncoderPixels(const TDibImage& picture, const TSaveOptions& options);

/// WebP: lossy at WebpQuality or lossless (exact colours, also under
/// transparent pixels), the encoder's method WebpEffort.
void SaveWebpPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options);

/// TIFF in strips of about 512 KiB, compressed ones coded on the band
/// threads (the same file for any number): 1-, 4- and 8-bit pictures as palette
/// pictures of their depth (1-bit black and white as a bilevel picture),
/// 24-bit ones as RGB (RGBA with unassociated alpha when transparent).
/// TiffCompression picks none, LZW or Deflate; RGB rows are coded with
/// the horizontal predictor when compressed. The EXIF goes in as the file's
/// own Exif and GPS IFDs and IFD0 texts (ExifForTiff), the file then in the
/// EXIF's byte order; without them the file is in libtiff's own order.
void SaveTiffPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options);

/// AVIF (`av1`) or HEIC: 8-bit 4:2:0 at AvifQuality/HeicQuality with the
/// encoder's speed AvifSpeed/HeicSpeed.
void SaveHeifPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options, bool av1);

/// JPEG XL: lossless or at JxlDistanceTenths / 10, effort JxlEffort; the
/// metadata in boxes of the container.
void SaveJxlPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options);

/// Throws EWriteError "Stream write error" with `library` and `detail`.
[[noreturn]] void EncoderFailed(const char* library, const std::string& detail);

}  // namespace zelvo
