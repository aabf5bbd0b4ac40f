#pragma once
// The table of picture formats: one row per format the program knows, with
// its extensions, MIME types, description, reader, writer, GIF-mode gates,
// whether it gives a quick preview and its reduced-size readers. The format
// dispatch (document load and save, secondary loads, thumbnails), the open
// and save dialogs' filters, the lists that batch conversion, thumbnails and
// the slide show match files against, the open dialog's preview, zelvo-cli
// (its usage texts and `formats`), the desktop entry's MimeType= and the
// install check all derive from it, so a new format is one row here plus
// its codec files (and its dialog captions in app/common/FileFilters.cpp).
//
// Rows without a reader still list their extensions; their files go where
// files of unknown extensions go (the image plug-ins, which read WebP, TIFF,
// HEIF/AVIF and JPEG XL), and the open dialog leaves their entries to the
// plug-ins. A row's reader and writer are function objects, so a row
// found at run time (an image plug-in) can carry the plug-in it reads
// through.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/PictureMetadata.h"
#include "image/DibImage.h"
#include "image/Stream.h"
#include "image/Types.h"

namespace zelvo {

/// What a document load learns from the file besides the pixels.
struct TPictureFileInfo {
    bool Transparent = false;    ///< the first GIF image is transparent
    bool Progressive = false;    ///< progressive JPEG, interlaced GIF or PNG
    bool HasTransparentIndex = false;
    std::uint8_t TransparentIndex = 0;
    /// The document's ColorKeyed after the load: 0 false, 1 true, -1 kept.
    int ColorKeyed = 0;
    /// The row key of the format the file really has when its extension
    /// names another ("png" for a PNG named .jpg); empty otherwise.
    std::string ActualFormat{};
    /// The file's metadata (JPEG and PNG document loads; Source None
    /// otherwise). The pixels are as stored: turning by the EXIF
    /// orientation is the document's choice.
    TPictureMetadata Metadata;
};

/// How a TIFF save compresses its strips.
enum class TTiffCompression : std::uint8_t { None, Lzw, Deflate };

/// The ranges of the encoders' options.
inline constexpr int kEncoderMaxQuality = 100;   ///< WebP, AVIF, HEIC quality 0..100
inline constexpr int kWebpMaxEffort = 6;         ///< WebP effort 0 (fastest) .. 6
inline constexpr int kHeifMaxSpeed = 9;          ///< AVIF and HEIC speed 0 (slowest) .. 9
inline constexpr int kJxlMinEffort = 1;          ///< JPEG XL effort 1 (fastest) .. 9
inline constexpr int kJxlMaxEffort = 9;
inline constexpr int kJxlMinDistanceTenths = 1;  ///< JPEG XL distance 0.1 .. 25.0, in tenths
inline constexpr int kJxlMaxDistanceTenths = 250;

/// The save options of the formats written through outside encoders (WebP,
/// TIFF, AVIF, HEIC, JPEG XL); every value within the ranges above.
struct TEncoderOptions {
    int WebpQuality = 80;        ///< lossy quality 0..100
    bool WebpLossless = false;   ///< lossless WebP: exact colours, Quality unused
    int WebpEffort = 4;          ///< 0..6, as the encoder's method
    TTiffCompression TiffCompression = TTiffCompression::Lzw;
    int AvifQuality = 60;        ///< 0..100
    int AvifSpeed = 6;           ///< 0..9
    int HeicQuality = 60;        ///< 0..100
    int HeicSpeed = 3;           ///< 0..9, over the encoder's presets (3: "slow")
    int JxlDistanceTenths = 10;  ///< visual distance in tenths (10: 1.0, visually lossless)
    bool JxlLossless = false;    ///< lossless JPEG XL, distance unused
    int JxlEffort = 7;           ///< 1..9
    friend bool operator==(const TEncoderOptions&, const TEncoderOptions&) = default;
};

/// The save options of the document.
struct TSaveOptions {
    int Quality = 80;            ///< JPEG quality 1..100
    bool Progressive = false;    ///< progressive JPEG, interlaced GIF and PNG
    bool Transparent = false;    ///< write transparency (GIF index, PNG colour)
    TColor TransparentColor = clBlack;
    std::uint8_t TransparentIndex = 0;
    bool RLECompress = false;    ///< RLE-code 4- and 8-bit BMP files
    /// The metadata kept with the picture; the JPEG and PNG writers write
    /// what PictureMetadata.h allows of it. nullptr: none.
    const TPictureMetadata* Metadata = nullptr;
    /// WebP, TIFF, AVIF, HEIC and JPEG XL options.
    TEncoderOptions Encoders{};
};

/// Why a picture is read; a reader may trade quality for speed for the
/// secondary uses and the preview.
enum class TReadPurpose : std::uint8_t {
    Document,   ///< the edited picture: full size, best quality
    Secondary,  ///< thumbnails, textures, batch input
    Preview,    ///< the open dialog's preview box
};

/// Whether a row takes part only while GIF mode is on.
enum class TGifGate : std::uint8_t { Always, GifModeOnly };

/// True when a row with `gate` takes part in the given mode.
inline bool GateOpen(TGifGate gate, bool gifMode) { return gate == TGifGate::Always || gifMode; }

/// Reads a picture file; fills `info` (the document's flags after the load)
/// and throws the codec's exception on failure.
using TPictureReader = std::function<TDibImage(const std::filesystem::path& path, TReadPurpose purpose,
                                               TPictureFileInfo& info)>;
/// Writes a picture to a stream with the document's options; `extension` is
/// the target's dispatch extension, for rows whose extensions pick a form.
using TPictureWriter = std::function<void(const TDibImage& picture, TStream& stream, const TSaveOptions& options,
                                          std::string_view extension)>;

/// A reader's form over the file's bytes, positioned at their start: what
/// a decoder process runs on the file's contents (DecoderSandbox.h).
using TPictureStreamReader = std::function<TDibImage(TStream& stream, TReadPurpose purpose, TPictureFileInfo& info)>;
using TPreviewStreamReader =
    std::function<TDibImage(TStream& stream, int boxWidth, int boxHeight, int& width, int& height)>;
using TThumbnailStreamReader = std::function<TDibImage(TStream& stream, int thumbSize)>;

/// Reads a picture for a preview box of `boxWidth` x `boxHeight` pixels,
/// decoding at a reduced size where the format allows it; `width` and
/// `height` receive the picture's size in the file. Throws the codec's
/// exception on failure.
using TPreviewReader = std::function<TDibImage(const std::filesystem::path& path, int boxWidth, int boxHeight,
                                               int& width, int& height)>;

/// Reads a picture for a thumbnail of `thumbSize` pixels square, decoding
/// at a reduced size where the format allows it (never below `thumbSize`
/// on the longer side). Throws the codec's exception on failure.
using TThumbnailReader = std::function<TDibImage(const std::filesystem::path& path, int thumbSize)>;

/// A byte string at an offset of a file's head.
struct TSignaturePart {
    std::size_t Offset = 0;
    std::string Bytes{};
};
/// A file signature: it matches when every part does.
using TSignature = std::vector<TSignaturePart>;

/// The bytes of a file's head that the signatures look at.
inline constexpr std::size_t kSignatureHeadBytes = 32;

/// One row of the table.
struct TPictureFormat {
    /// A stable name the user interface keys its captions by ("bmp", "jpeg").
    std::string Key{};
    /// An English description, for places without a caption of their own.
    std::string Description{};
    /// The extensions, lower case with the dot, in the order of the open
    /// dialog's "all pictures" entry.
    std::vector<std::string> Extensions{};
    /// The open dialog's own entry for this row when its patterns stand in
    /// another order than Extensions ("*.jpg;*.jpeg;*.jpe"); empty: from
    /// Extensions.
    std::string EntryPatterns{};
    /// The extensions a save may name (a subset of Extensions); the first
    /// is the save dialog's. The save dialog lists every listed row that has
    /// them, also while its writer is still missing.
    std::vector<std::string> WriteExtensions{};
    /// The MIME types of the format, for the desktop entry ("image/png");
    /// every row with a reader has at least one.
    std::vector<std::string> MimeTypes{};
    /// The signatures a file of the format starts with (one matching is
    /// enough); empty for a format without one at its head (PhotoCD). A
    /// file whose extension names this row but whose head matches none of
    /// them is read by the row whose signature it has.
    std::vector<TSignature> Signatures{};
    /// Empty when the program cannot read the format itself. The built-in
    /// rows read through their stream form (ReadStream), in the program's
    /// own process, or in a decoder process while
    /// SandboxOptions().AllDecoders is set.
    TPictureReader Read{};
    /// The reader over the file's bytes; empty for a row found at run time.
    TPictureStreamReader ReadStream{};
    /// Empty when the program cannot write the format.
    TPictureWriter Write{};
    /// Listing in the dialogs, document loads and saves.
    TGifGate Gate = TGifGate::Always;
    /// Secondary loads (LoadPictureFile), which differ for PNG and PhotoCD.
    TGifGate SecondaryGate = TGifGate::Always;
    /// Whether the open and save dialogs list the row. Rows reached only by
    /// name (the command line, drops, scripts) are not listed.
    bool Listed = true;
    /// Whether the reader gives the open dialog's preview quickly.
    bool QuickPreview = false;
    /// The document's ColorKeyed after a save (true for PNG only).
    bool ColorKeyedAfterSave = false;
    /// A reader that decodes smaller for the open dialog's preview; empty:
    /// Read with TReadPurpose::Preview at full size.
    TPreviewReader ReadPreview{};
    /// ReadPreview over the file's bytes.
    TPreviewStreamReader PreviewStream{};
    /// A reader that decodes smaller for thumbnails; empty: the secondary
    /// load at full size.
    TThumbnailReader ReadThumbnail{};
    /// ReadThumbnail over the file's bytes.
    TThumbnailStreamReader ThumbnailStream{};
    /// The document opens the file as an icon source (image 0 through its
    /// icon loader, which also knows the file's other images) instead of
    /// through Read.
    bool IconSource = false;
};

/// The built-in rows, in the order of the open dialog's entries.
std::span<const TPictureFormat> PictureFormats();

/// The built-in row whose Key is `key`, or nullptr.
const TPictureFormat* FindPictureFormatByKey(std::string_view key);

/// The row that lists `extension` (lower case, with the dot), or nullptr.
const TPictureFormat* FindPictureFormat(std::string_view extension);

/// Whether `head` (the first bytes of a file, up to kSignatureHeadBytes)
/// matches one of the row's signatures.
bool MatchesSignature(const TPictureFormat& format, std::span<const std::uint8_t> head);

/// The first row whose signature `head` matches, or nullptr.
const TPictureFormat* FindPictureFormatBySignature(std::span<const std::uint8_t> head);

/// Whether the row's writer takes `extension`.
bool WritesExtension(const TPictureFormat& format, std::string_view extension);

/// Whether some row writes `extension` (lower case, with the dot), GIF mode
/// aside: Save writes a picture back to its own file only then.
bool WritableExtension(std::string_view extension);

/// The MIME types of every row, in table order, each once: the rows read
/// by the program itself and those whose files the bundled plug-ins read.
std::vector<std::string> PictureMimeTypes();

}  // namespace zelvo
