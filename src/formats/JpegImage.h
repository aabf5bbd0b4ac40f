#pragma once
// TJPEGImage: the picture class through which the program reads and writes
// JPEG files, over the IJG interface of libjpeg-turbo.
//
// The object keeps the compressed file bytes in a shared, reference-counted
// record and decodes them into a TDibImage only when pixels are first
// needed; a picture assigned to it is compressed only when bytes are first
// needed. Decoded colour rows go straight into the picture's rows (the
// library writes blue, green, red, which is the picture's own order).
//
// Library failures surface as EJPEG "JPEG エラー #<code>", where <code> is the
// library's message code; the library's own text goes to Detail(). The
// library context is always destroyed before an exception leaves this class.
//
// This header is the adapter's public face: JpegImage.cpp decodes and
// compresses, JpegManagers.* hold the library's error, source, destination
// and progress managers and the one guarded call into the library.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/PictureMetadata.h"
#include "image/DibImage.h"
#include "image/DibImageCanvas.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "image/Types.h"

namespace zelvo {

/// A fatal error of the JPEG library: "JPEG エラー #%d" with the library's
/// message code; Detail() holds the library's message text.
ZELVO_EXCEPTION(EJPEG, Exception);

/// The message of EInvalidGraphic when a JPEG picture's size is set.
inline constexpr const char* kJpegSizeCannotChange = "JPEG イメージのサイズは変更できません";
/// The description under which JPEG files are registered ("jpeg", "jpg").
inline constexpr const char* kJpegDescription = "JPEG イメージファイル";

/// Decoding speed: accurate integer transform and two-pass quantisation with
/// Floyd-Steinberg dither, or fast integer transform, one-pass quantisation
/// and ordered dither.
enum class TJPEGPerformance : std::uint8_t { jpBestQuality, jpBestSpeed };
/// Decoded depth for colour files: 24-bit, or 8-bit quantised to 236 colours.
/// Grey output is always 8-bit over a 256-entry grey palette.
enum class TJPEGPixelFormat : std::uint8_t { jf24Bit, jf8Bit };
/// Decoding scale: 1/1, 1/2, 1/4 or 1/8 (the denominator is 2^value).
enum class TJPEGScale : std::uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth };

/// The eight options of a TJPEGImage.
struct TJPEGOptions {
    int CompressionQuality = 90;  ///< 1..100
    bool Grayscale = false;       ///< decode and encode grey only
    TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
    bool ProgressiveDisplay = false;   ///< one output pass per scan of a progressive file
    bool ProgressiveEncoding = false;  ///< write the library's simple progression
    TJPEGScale Scale = TJPEGScale::jsFullSize;
    bool Smoothing = true;  ///< block smoothing of progressive files
};

/// The least time between two running progress reports, 500 ms unless
/// changed (tests shorten it).
void SetJpegProgressInterval(int milliseconds);

/// The process-wide defaults copied into each new TJPEGImage.
TJPEGOptions& JPEGDefaults();

/// The shared compressed record: the file bytes and what the header said.
struct TJPEGData {
    TMemoryStream Data;
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
    /// The APP1, APP2 and COM segments of the file read (JpegMarkerWanted),
    /// in file order, marker code and payload.
    std::vector<TMetadataBlock> Markers;
};

class TJPEGImage;
/// Progress of decoding or compression: stage, percent 0..100, whether the
/// changed rows should be shown now, the rows changed since the last report
/// (empty while compressing) and a message (always empty here). Throwing
/// EAbort from the handler aborts the operation (see Decode and Compress).
using TJPEGProgressEvent = std::function<void(TJPEGImage& sender, TProgressStage stage, std::uint8_t percentDone,
                                              bool redrawNow, const TRect& rect, const std::string& message)>;

class TJPEGImage {
public:
    /// An empty picture with a copy of JPEGDefaults().
    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // --- files and streams ----------------------------------------------------
    /// Takes the stream's remaining bytes as the new compressed record and
    /// parses the header (width, height, grey, progressive); the decoded
    /// picture is dropped. Throws EJPEG for a header the library refuses (the
    /// object is then empty) and EReadError when the stream fails.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::filesystem::path& path);
    /// Writes the compressed bytes unchanged, compressing first when there
    /// are none. Throws EJPEG, EWriteError.
    void SaveToStream(TStream& stream);
    void SaveToFile(const std::filesystem::path& path);

    // --- assignment --------------------------------------------------------------
    /// A new empty record and a picture sharing the source's pixels;
    /// compression happens at the next save.
    void Assign(const TDibImage& source);
    /// Shares the source's record and copies its decoded picture, if any.
    void Assign(const TJPEGImage& source);
    /// The target receives the decoded picture (decoding first if needed);
    /// an empty object leaves the target unchanged. Throws as Decode.
    void AssignTo(TDibImage& target);

    // --- coding --------------------------------------------------------------------
    /// Decodes the compressed bytes into the picture when there is none yet.
    /// Throws EJPEG for a fatal library error (including data that ends
    /// before the image does) and EDibImageInvalidDIBPara for a picture
    /// above kMaxImagePixels. An EAbort from OnProgress is swallowed and the
    /// picture keeps the rows decoded so far.
    void Decode();
    /// Compresses the picture when there are no compressed bytes yet (and
    /// the picture is not empty). An EAbort from OnProgress leaves an empty
    /// record and is swallowed; other errors propagate.
    void Compress();
    /// The decoded picture (decoding first); nullptr when the object is
    /// empty.
    const TDibImage* Bitmap();

    // --- size, emptiness, palette --------------------------------------------------
    /// Of the decoded picture when there is one; otherwise the header's
    /// values at full size, or the size a decoder at the current scale gives.
    int Width();
    int Height();
    /// Always throws EInvalidGraphic kJpegSizeCannotChange.
    [[noreturn]] void SetWidth(int width);
    [[noreturn]] void SetHeight(int height);
    /// Stretch-draws the decoded picture (decoding first) into `rect` of the
    /// canvas; an empty object draws nothing. Throws as Decode.
    void Draw(TDibImageCanvas& canvas, const TRect& rect);
    /// No compressed bytes and no decoded picture.
    bool Empty() const;
    /// The decoded picture's palette; else the palette held for decoding;
    /// else none (the screen always shows more than 8 bits per pixel).
    HPALETTE GetPalette();
    /// A palette that 8-bit colour decoding maps into (nullptr: the library
    /// chooses its colours). Drops the decoded picture.
    void SetDecodePalette(HPALETTE palette);
    /// True for an object sharing the same record, or when both hold bytes
    /// and the bytes are equal.
    bool Equals(const TJPEGImage& other) const;

    // --- options ---------------------------------------------------------------------
    const TJPEGOptions& Options() const { return options_; }
    int CompressionQuality() const { return options_.CompressionQuality; }
    /// 1..100; other values are clamped into range.
    void SetCompressionQuality(int quality);
    void SetProgressiveEncoding(bool value) { options_.ProgressiveEncoding = value; }
    bool ProgressiveEncoding() const { return options_.ProgressiveEncoding; }
    /// The options that change decoding drop the decoded picture (when the
    /// compressed bytes can give it again) and fire OnChange.
    void SetGrayscale(bool value);
    void SetPerformance(TJPEGPerformance value);
    void SetPixelFormat(TJPEGPixelFormat value);
    void SetProgressiveDisplay(bool value);
    void SetScale(TJPEGScale value);
    void SetSmoothing(bool value);
    /// The header's grey flag (also set when a grey file was compressed).
    bool GrayscaleFile() const { return data_ ? data_->Grayscale : false; }
    /// The compressed bytes, empty when there are none.
    std::span<const std::uint8_t> CompressedBytes() const;

    /// The metadata segments of the file read (see TJPEGData::Markers).
    const std::vector<TMetadataBlock>& Markers() const { return data_->Markers; }
    /// Segments the next compression writes right after the start of the
    /// file, in order (marker code 0xE0..0xEF or 0xFE and a payload of at
    /// most 65533 bytes; longer ones are left out). When the first is an
    /// EXIF segment no JFIF segment is written, as in camera files.
    void SetSaveMarkers(std::vector<TMetadataBlock> markers) { saveMarkers_ = std::move(markers); }

    /// Warnings the library reported during the last header parse, decode or
    /// compression (corrupt data it could step over).
    int LastWarningCount() const { return warnings_; }

    TNotifyEvent OnChange;
    TJPEGProgressEvent OnProgress;

private:
    friend struct JpegCoder;
    void NewRecord();
    void DropBitmap();
    void Changed();
    void DecodeOptionChanged();
    void ReportProgress(TProgressStage stage, std::uint8_t percent, const TRect& rect);

    std::shared_ptr<TJPEGData> data_;
    std::unique_ptr<TDibImage> bitmap_;
    HPALETTE decodePalette_;
    TJPEGOptions options_;
    std::vector<TMetadataBlock> saveMarkers_;
    int warnings_ = 0;
};

// --- engine entries for the format dispatch -------------------------------------

/// What a JPEG load reported besides the pixels.
struct TJpegLoadInfo {
    bool Progressive = false;  ///< the file has more than one scan
    int Warnings = 0;          ///< corrupt data the library stepped over
    std::vector<TMetadataBlock> Markers;  ///< the file's metadata segments
};

/// Decodes the stream's remaining bytes into a new picture: 24-bit colour
/// (blue, green, red) or, for a grey file, 8-bit over a 256-entry grey
/// palette; rows bottom-up like every picture of the program. `performance`
/// jpBestQuality is the document's load, jpBestSpeed the fast integer
/// transform used for secondary pictures. Throws EJPEG (refused, damaged or
/// truncated data), EDibImageInvalidDIBPara (above kMaxImagePixels),
/// EReadError.
TDibImage LoadJpegPicture(TStream& stream, TJPEGPerformance performance, TJpegLoadInfo* info = nullptr);
TDibImage LoadJpegPicture(const std::filesystem::path& path, TJPEGPerformance performance,
                          TJpegLoadInfo* info = nullptr);

/// The decoding scale for a preview box of `boxWidth` x `boxHeight` pixels:
/// the smallest of 1/8, 1/4, 1/2 and full size that still gives at least
/// as many pixels as a picture of `width` x `height` fitted into the box
/// (keeping its aspect ratio) shows. Full size when the box is empty or
/// the picture fits into it unscaled. Computed in 64 bits.
TJPEGScale PreviewJpegScale(int width, int height, int boxWidth, int boxHeight);

/// Decodes a JPEG file for a preview box with the fast transform at
/// PreviewJpegScale; `width` and `height` receive the picture's full size
/// from the header. Throws as LoadJpegPicture.
TDibImage LoadJpegPreview(const std::filesystem::path& path, int boxWidth, int boxHeight, int& width,
                          int& height);
/// The same over a stream.
TDibImage LoadJpegPreview(TStream& stream, int boxWidth, int boxHeight, int& width, int& height);

/// Decodes a JPEG file for a thumbnail of `thumbSize` pixels with the fast
/// transform at the smallest scale (1/8, 1/4, 1/2 or full) whose longer
/// side is still at least `thumbSize`. Throws as LoadJpegPicture.
TDibImage LoadJpegThumbnail(const std::filesystem::path& path, int thumbSize);
/// The same over a stream.
TDibImage LoadJpegThumbnail(TStream& stream, int thumbSize);

/// Compresses `picture` (any depth; palette pictures are written as colour)
/// at `quality` 1..100, baseline or progressive, and writes the file to the
/// stream, with `markers` right after its start (see
/// TJPEGImage::SetSaveMarkers). Throws EJPEG, EWriteError, EDibImage* for a
/// picture that cannot be converted to 24 bits.
void SaveJpegPicture(const TDibImage& picture, TStream& stream, int quality, bool progressive,
                     std::span<const TMetadataBlock> markers = {});
void SaveJpegPicture(const TDibImage& picture, const std::filesystem::path& path, int quality, bool progressive);

}  // namespace zelvo
