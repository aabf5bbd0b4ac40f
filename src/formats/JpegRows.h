#pragma once
// JPEG files a band of rows at a time, and the conversions between JPEG and
// netpbm built on them, which never hold a whole picture: zelvo-cli's
// decode of a JPEG file to netpbm and its apply of a netpbm file to JPEG
// without operations. Each gives the bytes the whole-picture path gives
// (document load, then save): the decoder decodes as the document's load
// does (accurate transform, block smoothing, full size), the encoder
// compresses as the document's save does (SetCompressionParameters).
//
// Library failures are thrown as EJPEG "JPEG エラー #<code>", as
// TJPEGImage does; the library is always released before an exception
// leaves.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "formats/PictureMetadata.h"
#include "formats/PnmCodec.h"
#include "image/Stream.h"

namespace zelvo {

/// A JPEG file decoded from the top a band of rows at a time.
class TJpegRowDecoder {
public:
    /// Reads the header of `bytes`, which must outlive the decoder. Throws
    /// EJPEG for data the library refuses and EDibImageInvalidDIBPara for a
    /// picture above kMaxImagePixels, as the document's load does.
    explicit TJpegRowDecoder(std::span<const std::uint8_t> bytes);
    ~TJpegRowDecoder();
    TJpegRowDecoder(const TJpegRowDecoder&) = delete;
    TJpegRowDecoder& operator=(const TJpegRowDecoder&) = delete;

    int Width() const;
    int Height() const;
    /// The file holds one grey component.
    bool Grey() const;
    /// The file's metadata segments (JpegMarkerWanted), in file order.
    const std::vector<TMetadataBlock>& Markers() const;

    /// Starts decoding into grey levels (a grey file only) or red, green,
    /// blue samples; CMYK files are converted as the document's load does.
    void Start(bool greyRows);
    /// Decodes the next `count` rows (no more than are left) to `first`,
    /// rows `stride` bytes apart. Throws EJPEG for damaged or truncated
    /// data.
    void ReadRows(std::uint8_t* first, std::size_t stride, int count);
    /// Reads the rest of the file after the last row, as the document's
    /// load does, so a file without its end is refused as it is there.
    void Finish();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

/// A JPEG file compressed from red, green, blue rows given from the top a
/// band at a time, written to a stream as it grows.
class TJpegRowEncoder {
public:
    /// Sets up compression of a `width` x `height` picture at `quality`
    /// 1..100, baseline or progressive, with `markers` right after the
    /// start of the file (see TJPEGImage::SetSaveMarkers), to `stream`.
    /// Throws EJPEG and what the stream throws (here and below).
    TJpegRowEncoder(TStream& stream, int width, int height, int quality, bool progressive,
                    std::span<const TMetadataBlock> markers);
    ~TJpegRowEncoder();
    TJpegRowEncoder(const TJpegRowEncoder&) = delete;
    TJpegRowEncoder& operator=(const TJpegRowEncoder&) = delete;

    /// Compresses the next `count` rows (3 bytes a pixel, `stride` bytes
    /// apart). Throws EJPEG.
    void WriteRows(const std::uint8_t* first, std::size_t stride, int count);
    /// Ends the file once every row was given.
    void Finish();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

/// Writes the picture of `decoder` (header read, not started) to `stream`
/// in netpbm `form` (PnmFormForExtension's choice; RawRgb too): the bytes
/// SavePnmPicture writes for the picture the document's load gives, which
/// is 8-bit grey for a grey file and 24-bit otherwise. Throws as the
/// decoder and EWriteError.
void WriteJpegAsPnm(TJpegRowDecoder& decoder, TStream& stream, TPnmForm form);

/// Compresses the rows of `reader` (header read, Banded) to `stream`: the
/// bytes the document's JPEG save gives for the picture read from the same
/// file, which carries no metadata. Throws as the reader and the encoder,
/// and EWriteError.
void WritePnmAsJpeg(TPnmRowReader& reader, TStream& stream, int quality, bool progressive);

}  // namespace zelvo
