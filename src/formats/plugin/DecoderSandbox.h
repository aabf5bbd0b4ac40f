#pragma once
// The editor's side of the decoder process (zelvo-decode).
//
// Every call into an image plug-in runs in a decoder process of its own,
// confined as far as the kernel allows (DecoderProtocol.h lists the steps):
// the file's bytes go to it in a sealed memory file, the picture comes back
// in a memory file the editor maps and checks before reading. A decoder
// that crashes, is stopped by its system-call filter, runs past its time or
// returns a malformed reply is a failed attempt with the reason in words;
// the editor's own state is never at stake.
//
// Each plug-in has a decoder server (zelvo-decode --serve), started once:
// confined, the plug-in loaded, it forks a decoder for each picture. One
// decoder per plug-in waits ready, the next one starting while a picture
// decodes, so a picture waits neither for a program start nor for a
// plug-in to load; each decoder reads one picture and ends, so nothing one
// file leaves behind reaches the next.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/IconImage.h"
#include "formats/PictureFormats.h"
#include "formats/plugin/DecoderProtocol.h"

namespace zelvo {

/// The decoder process cannot be started and plug-ins may not run in the
/// editor itself: "画像デコーダーのプロセスを起動できません".
ZELVO_EXCEPTION(EDecoderUnavailable, EInvalidGraphic);
inline constexpr const char* kSDecoderUnavailable = "画像デコーダーのプロセスを起動できません";
/// No plug-in read the file and at least one decoder process failed
/// (crashed, was stopped, replied nonsense): "認識できない画像形式です"
/// with the reasons in Detail().
ZELVO_EXCEPTION(EDecoderFailed, EInvalidGraphic);

/// How pictures are decoded; one set for the whole program, set at start-up
/// from the settings ([Settings] PluginsInProcess, DecoderSeconds,
/// SandboxAllDecoders) and zelvo-cli --sandbox.
struct TSandboxOptions {
    /// Plug-in calls go through the decoder process.
    bool Plugins = true;
    /// The program's own readers (the format table's rows) run in a decoder
    /// process too; without it they run in the program's own process.
    bool AllDecoders = false;
    /// When the decoder process cannot start, plug-ins run in the editor's
    /// own process instead of being refused.
    bool InProcessFallback = false;
    /// Wall-clock seconds an attempt may take, plus SecondsPerMegapixel for
    /// each million pixels the plug-in announces.
    int TimeLimitSeconds = 10;
    int SecondsPerMegapixel = 2;
    /// Address space of a decoder beyond the file's size; 0 for no limit.
    std::uint64_t AddressSpaceMarginBytes = (std::uint64_t(7) << 29);  // 3.5 GiB
    /// Decoders kept started and waiting for each plug-in (0..8).
    int WarmProcesses = 1;
    /// The decoder program; empty for $ZELVO_DECODE, then zelvo-decode
    /// beside the running program, then ../lib/zelvo/zelvo-decode.
    std::filesystem::path Program;
};

/// The program's options (not thread-safe to change while decoding).
TSandboxOptions& SandboxOptions();

/// How one attempt through the decoder ended.
struct TSandboxAttempt {
    TDecodeStatus Status = TDecodeStatus::Failed;
    /// GetPicture's result code when Status is Failed and the decoder ended
    /// normally.
    std::int32_t Code = 0;
    TSPIPictureInfo Info;
    TDibImage Picture;
    /// Why the attempt failed, in words ("the decoder crashed (signal 11)");
    /// empty when the plug-in merely declined or returned a failure code.
    std::string Reason;
    /// The progress handler asked to stop.
    bool Aborted = false;
    /// The confinement steps that held (TConfinementStep bits).
    std::uint32_t Steps = 0;
    /// A format reader's failure as the reply's details describe it.
    std::vector<std::uint8_t> Failure;
    /// The size of the decoder's reply file.
    std::size_t ReplyBytes = 0;
};

/// Progress from the decoder: `number` of `denominator` steps; returns
/// false to ask the plug-in to stop.
using TSandboxProgress = std::function<bool(std::int32_t number, std::int32_t denominator)>;

/// The open file a picture's bytes came from, and where in it they start.
struct TDecodeSource {
    int Fd = -1;
    std::int64_t Offset = 0;
};

/// Asks the plug-in `plugin` for the `length` bytes at `data` (the file
/// `fileName`) in a decoder process: IsSupported on the zero-padded head,
/// GetPictureInfo, GetPicture. When `source` is the open file the bytes came
/// from, the decoder maps that file instead of a copy of them. Throws
/// EDecoderUnavailable when no decoder process can be started; every
/// failure of the decoder itself is an attempt with Reason set.
TSandboxAttempt DecodeWithPlugin(const std::filesystem::path& plugin, const std::string& fileName,
                                 const std::uint8_t* data, std::int64_t length, const TSandboxProgress& progress,
                                 TDecodeSource source = {});

/// The PhotoCD file `path` at `resolution` (TQxPCD's), read in a decoder
/// process; throws as ReadInDecoder (EReadError for a file too short for
/// the resolution).
TDibImage PhotoCdInDecoder(const std::filesystem::path& path, int resolution);

/// TAdvancedIcon::LoadFromMemory of `file` in a decoder process: whether
/// it is an icon source, its images (decoded there) into `images`. Throws
/// as ReadInDecoder.
bool IconSourceInDecoder(const std::shared_ptr<const std::vector<std::uint8_t>>& file,
                         std::vector<TIconImage>& images);

/// The description of `plugin` (ReadSPIDescription's) read in a decoder
/// process, so that no code of the plug-in runs in this one. Throws
/// EDecoderUnavailable when no decoder process can be started, else as
/// ReadSPIDescription, the decoder's failure as the reason.
TSPIDescription DescribeInDecoder(const std::filesystem::path& plugin);

/// Reads `path` with the reader of the format table's row `key` in a decoder
/// process, as the row's stream reader reads it in process: the same
/// picture and file information, or the reader's exception with its
/// message. Throws EFOpenError when the file cannot be opened or is not a
/// regular file, EDecoderUnavailable when no decoder process can be started
/// and EDecoderFailed (kSUnrecognisedImage, the reason in Detail()) when the
/// file is larger than kMaxPluginFileBytes or the decoder crashed, was
/// stopped (after DecoderSeconds plus SecondsPerMegapixel for each megabyte
/// of the file) or replied nonsense.
TDibImage ReadInDecoder(const std::string& key, const std::filesystem::path& path, TReadPurpose purpose,
                        TPictureFileInfo& info);
/// The row's preview reader, likewise.
TDibImage PreviewInDecoder(const std::string& key, const std::filesystem::path& path, int boxWidth, int boxHeight,
                           int& width, int& height);
/// The row's thumbnail reader, likewise.
TDibImage ThumbnailInDecoder(const std::string& key, const std::filesystem::path& path, int thumbSize);

/// The decoder program the options select, or an empty path when there is
/// none.
std::filesystem::path DecoderProgram();

/// A load failure whose decoder reason follows the message on a line of its
/// own (as TQxImage::LoadDocumentFile gives it) on one line:
/// "message (reason)"; other texts as they are.
std::string FailureOnOneLine(const std::string& failure);

/// Ends the decoder servers and their waiting decoders (new ones start on
/// demand).
void StopWaitingDecoders();

}  // namespace zelvo
