#pragma once
// Batch conversion: every picture of one folder, optionally resized
// (by width, height, box or scale), resampled with a filter or stretched,
// changed in colour depth, saved into another folder in one output type.
// The batch dialog and `zelvo-cli batch` share this engine; it shows
// nothing and keeps no text for the user, reporting through callbacks and
// the outcome of each file.
//
// Each file goes through a document of its own (TQxImage without undo
// history): the document's load, its resize, resample and colour-depth
// operations, and its save, which writes a temporary file beside the
// target and renames it over the target only once written. A file that is
// stopped or fails therefore never leaves a partial output behind.
//
// Before anything is converted the plan (PlanBatch) finds the outputs that
// would destroy something: an output that another input of the batch is
// (output folder = input folder, "a.bmp" -> "a.png" beside an input
// "a.png"), and an output claimed by two inputs ("a.bmp" and "a.jpg" both
// -> "a.png"). Those inputs are skipped. A file converted onto itself in
// its own type ("a.png" -> "a.png") is allowed.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/QxImage.h"
#include "effects/Resample.h"

namespace zelvo {

/// Output types, numbered as the dialog lists them (the first
/// kBatchOutputTypeCount); Gif only in GIF mode. The types after them are
/// written by zelvo-cli only.
enum class TBatchOutputType : int { Bmp = 0, Jpeg = 1, Png = 2, Gif = 3, Webp = 4, Tiff = 5, Avif = 6, Heic = 7, Jxl = 8 };
inline constexpr int kBatchOutputTypeCount = 4;
inline constexpr int kBatchAllOutputTypeCount = 9;
/// ".bmp", ".jpg", ".png", ".gif", ".webp", ".tif", ".avif", ".heic" or ".jxl".
std::string_view BatchOutputExtension(TBatchOutputType type);

/// How the target size is given, numbered as the dialog's buttons.
enum class TBatchResizeMode : int {
    Width = 0,   ///< given width, height by the aspect ratio
    Height = 1,  ///< given height, width by the aspect ratio
    Size = 2,    ///< given width and height
    Scale = 3,   ///< both sides in percent
};

/// The colour-depth targets, numbered as the dialog's list: 24, 8, 4 and
/// 1 bits, and two colours by halftoning.
inline constexpr TColorDepth kBatchColorDepths[] = {TColorDepth::Bits24, TColorDepth::Bits8, TColorDepth::Bits4,
                                                     TColorDepth::Bits1, TColorDepth::HalftoneBW};
inline constexpr int kBatchColorDepthCount = 5;

/// The ranges of the size fields.
inline constexpr int kBatchMinSide = 1;
inline constexpr int kBatchMaxSide = 99999;
inline constexpr int kBatchMinScale = 10;
inline constexpr int kBatchMaxScale = 1000;

/// Everything that decides how one file is converted.
struct TBatchOptions {
    bool Resize = false;
    TBatchResizeMode ResizeMode = TBatchResizeMode::Width;
    int Width = 200;         ///< modes Width and Size, 1..99999
    int Height = 200;        ///< modes Height and Size, 1..99999
    int ScalePercent = 50;   ///< mode Scale, 10..1000
    /// Resample with Filter (at its own support) instead of the
    /// nearest-pixel stretch. A resampled picture is 24-bit.
    bool Resample = false;
    effects::TResampleFilter Filter = effects::kDefaultResampleFilter;
    /// Change the colour depth to kBatchColorDepths[DepthIndex] (after the
    /// resize).
    bool ChangeDepth = false;
    int DepthIndex = 0;
    TBatchOutputType OutputType = TBatchOutputType::Bmp;
    /// Progressive JPEG, interlaced PNG and GIF.
    bool Progressive = false;
    std::uint8_t Quality = 80;  ///< JPEG quality 1..100
    /// The WebP, TIFF, AVIF, HEIC and JPEG XL options.
    TEncoderOptions Encoders{};
    /// GIF and PhotoCD inputs are read, and GIF written, only in GIF mode.
    bool GifMode = false;
};

/// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
/// Parameters" for a value outside the ranges above, an unknown filter,
/// mode, depth or output type, a quality outside 1..100, or GIF output
/// without GIF mode.
void CheckBatchOptions(const TBatchOptions& options);

/// A target size, in 64 bits so no product of the rules can overflow.
struct TBatchSize {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
};

/// The size a width x height picture (both at least 1) is converted to.
/// Without Resize its own size. Width and Height modes give one side and
/// the other becomes round(own other side / own given side x given side),
/// a half going to the even neighbour, so the aspect ratio is kept; Size
/// mode gives both; Scale mode takes each side x percent div 100. Every
/// side is at least 1. The result may be above the pixel limit (the file
/// is then skipped).
TBatchSize BatchTargetSize(std::int64_t width, std::int64_t height, const TBatchOptions& options);

/// The names of the files in `folder` whose lower-cased extension, with
/// its dot and a blank after it, occurs in `patterns` (a pattern string:
/// "*.bmp *.dib " and so on). Hidden files count; folders and anything
/// that is not a regular file (a FIFO would block the reader) are left
/// out; links count by what they point to. The order is the file system's.
/// `onEntry`, when set, runs after each entry (the dialog processes its
/// messages there). A folder that cannot be read gives no names.
std::vector<std::string> ListFolderFiles(const std::filesystem::path& folder, std::string_view patterns,
                                         const std::function<void()>& onEntry = {});

/// What became of one input.
enum class TBatchOutcome : std::uint8_t {
    Pending,            ///< not reached (the batch was cancelled first)
    Converted,          ///< written
    OutputIsInput,      ///< skipped: the output would replace another input
    OutputClaimedTwice, ///< skipped: another input has the same output
    Unreadable,         ///< skipped: no reader, or the reader failed
    TooLarge,           ///< skipped: the target size is above the pixel limit
    Failed,             ///< the conversion or the save failed
    Cancelled,          ///< stopped while this file was converted; nothing written
};

/// True for the outcomes that count as skipped.
bool IsBatchSkip(TBatchOutcome outcome);

/// One input of the batch and where it goes.
struct TBatchItem {
    std::string Name;               ///< the input's file name
    std::filesystem::path Input;    ///< input folder / Name
    std::filesystem::path Output;   ///< output folder / Name with the output extension
    /// OutputIsInput or OutputClaimedTwice when the plan skips it,
    /// Pending otherwise.
    TBatchOutcome Skip = TBatchOutcome::Pending;
    /// For a skipped item: the other input's name (the first other one).
    std::string Other;
};

/// Pairs every name with its output and marks the items the plan skips.
/// Outputs are compared with inputs by file identity (device and inode),
/// so an output folder that is the input folder by another path (a link)
/// is recognised.
std::vector<TBatchItem> PlanBatch(const std::filesystem::path& inputFolder,
                                  const std::filesystem::path& outputFolder, const std::vector<std::string>& names,
                                  TBatchOutputType outputType);

/// The result of one item.
struct TBatchFileResult {
    TBatchOutcome Outcome = TBatchOutcome::Pending;
    /// For Unreadable and Failed: the reader's, operation's or writer's
    /// message (empty when no reader or writer takes the extension); for
    /// TooLarge the target size as "W x H"; for the plan's skips the other
    /// input's name.
    std::string Detail;
    int Width = 0;   ///< the size written (Converted only)
    int Height = 0;
};

/// Polled before each file and between the steps of a file; true stops the
/// batch there. It may process messages (the dialog's progress window).
using TBatchCancelFn = std::function<bool()>;

/// Converts one planned item with `doc` (whose undo history should be off;
/// its picture is replaced). Never throws for a failure of the file.
TBatchFileResult ConvertBatchFile(TQxImage& doc, const TBatchItem& item, const TBatchOptions& options,
                                  const TBatchCancelFn& cancelled);

/// Callbacks of RunBatch. With more than one job they are called from the
/// worker threads, one call at a time.
struct TBatchCallbacks {
    TBatchCancelFn Cancelled;
    /// Item `index` of `count` is about to be converted.
    std::function<void(int index, int count, const TBatchItem& item)> OnFileStart;
    /// Item `index` is done (also for items the plan skipped).
    std::function<void(int index, const TBatchItem& item, const TBatchFileResult& result)> OnFileDone;
};

/// Totals of a run, and each item's result in plan order.
struct TBatchSummary {
    int Converted = 0;
    int Skipped = 0;
    int Failed = 0;
    bool Cancelled = false;
    std::vector<TBatchFileResult> Results;
};

/// Converts the plan with `jobs` files at once (values below 1 count as 1;
/// a job is a thread with its own document). Every file's bytes are the
/// same whatever the number of jobs. Throws what CheckBatchOptions throws,
/// before anything is written.
TBatchSummary RunBatch(const std::vector<TBatchItem>& plan, const TBatchOptions& options,
                       const TBatchCallbacks& callbacks, int jobs = 1);

}  // namespace zelvo
