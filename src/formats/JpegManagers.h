#pragma once
// The glue between TJPEGImage and the IJG interface of libjpeg-turbo: the
// error, source, destination and progress managers, the one guarded call
// into the library, and the state a decode or compression keeps while the
// library runs. Internal to the JPEG adapter; other code includes
// JpegImage.h.
//
// Fatal library errors leave through longjmp. The only function that calls
// setjmp is RunGuarded; every function that can be active between it and a
// longjmp (the coding steps and the callbacks) keeps only trivially
// destructible locals, and no C++ exception ever passes through a library
// frame: callbacks catch what our handlers throw, park it in the coder and
// leave through the same longjmp.

#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <span>
#include <type_traits>
#include <vector>

#include <jpeglib.h>

#include "formats/JpegImage.h"

namespace zelvo::jpeg {

/// Why the library was left through longjmp.
enum class JumpReason : int { None = 0, LibraryError, Abort, Exception };

/// The error manager: fatal errors jump back to RunGuarded with the
/// library's message code and text; warnings are only counted.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    JumpReason reason;
    int code;  ///< message code of the fatal error
    char text[JMSG_LENGTH_MAX];
    int warnings;
};

/// The source manager: reads a byte span in place.
struct SourceManager {
    jpeg_source_mgr pub;
    const std::uint8_t* data;
    std::size_t size;
};

/// The destination manager: the library writes into a small buffer that
/// stays in the cache, whose contents are appended to one vector.
struct DestinationManager {
    static constexpr std::size_t kBufferBytes = 16 * 1024;
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* out;
    std::size_t expected;
    std::uint8_t buffer[kBufferBytes];
};

struct CoderBase;

/// The destination manager of banded compression: the library writes into a
/// buffer whose contents go to a stream each time it fills, so the file is
/// on its way while the rows are still being compressed.
struct StreamDestinationManager {
    static constexpr std::size_t kBufferBytes = 64 * 1024;
    jpeg_destination_mgr pub;
    TStream* stream;
    CoderBase* coder;
    std::uint8_t buffer[kBufferBytes];
};

/// The progress manager: reports to the image's OnProgress at most once per
/// progress interval (SetJpegProgressInterval).
struct ProgressManager {
    jpeg_progress_mgr pub;
    CoderBase* coder;
    bool started;
    std::chrono::steady_clock::time_point last;
    int lastPercent;
    int lastRow;
};

static_assert(std::is_trivially_destructible_v<ErrorManager>);
static_assert(std::is_trivially_destructible_v<SourceManager>);
static_assert(std::is_trivially_destructible_v<DestinationManager>);
static_assert(std::is_trivially_destructible_v<StreamDestinationManager>);
static_assert(std::is_trivially_destructible_v<ProgressManager>);

/// Everything a decode or compression keeps while the library runs. It lives
/// in the caller's frame, outside the guarded region, so its non-trivial
/// members are destroyed normally.
struct CoderBase {
    TJPEGImage* image = nullptr;
    ErrorManager err{};
    ProgressManager progress{};
    std::exception_ptr pending;  ///< a foreign exception thrown by our handler
    bool decompressing = false;
    int outputHeight = 0;
    int outputWidth = 0;
};

/// Installs our error callbacks over the library's standard ones and clears
/// the reason, code, text and warning count.
void InstallErrorManager(ErrorManager& err);

/// Makes `bytes` the whole input of `cinfo`. Data that ends before the
/// library is done is refused with the library's own "premature end of
/// input" code instead of being padded with a made-up end marker, so a
/// damaged picture never passes for a good one.
void InstallSource(j_decompress_ptr cinfo, SourceManager& src, std::span<const std::uint8_t> bytes);

/// Makes `out` the output of `cinfo`; it holds exactly the compressed bytes
/// once the compression has finished. `expected` bytes are reserved first
/// (address space only: pages are touched as the data arrives), so output up
/// to that size is never copied; a failed reservation is ignored. Out of
/// memory while growing is the library's JERR_OUT_OF_MEMORY.
void InstallDestination(j_compress_ptr cinfo, DestinationManager& dest, std::vector<std::uint8_t>& out,
                        std::size_t expected);

/// Makes `stream` the output of `cinfo`. A failure of the stream is parked
/// in coder.pending and leaves the library with JumpReason::Exception.
void InstallStreamDestination(j_compress_ptr cinfo, StreamDestinationManager& dest, TStream& stream,
                              CoderBase& coder);

/// Installs the progress monitor of `coder` on `cinfo`. While decoding it
/// also reports the rows output since the last report. An EAbort from the
/// handler leaves with JumpReason::Abort, any other exception is parked in
/// coder.pending and leaves with JumpReason::Exception.
void InstallProgress(CoderBase& coder, j_common_ptr cinfo);

/// The one place that calls setjmp. `step` runs the library; when the library
/// (or one of our callbacks) leaves through longjmp, RunGuarded returns false
/// and err.reason says why. C++ exceptions thrown by `step` itself, outside any
/// library frame, pass through unchanged.
template <class Context>
[[gnu::noinline]] bool RunGuarded(ErrorManager& err, void (*step)(Context&), Context& context) {
    if (setjmp(err.jump) != 0) return false;
    step(context);
    return true;
}

/// Throws EJPEG "JPEG エラー #<code>" with the library's text as the detail.
[[noreturn]] void ThrowLibraryError(const ErrorManager& err);

/// One colour sample of an Adobe CMYK pixel as stored (inverted: 255 is no
/// ink), rounded as the library's own PPM writer does.
inline std::uint8_t CmykChannel(unsigned ink, unsigned black) {
    return std::uint8_t(double(ink) * double(black) / 255.0 + 0.5);
}

/// Asks the library to keep the metadata segments (JpegMarkerWanted) whole
/// while it reads the header.
void SaveWantedMarkers(j_decompress_ptr cinfo);

/// The compression parameters of every JPEG file the program writes: the
/// library's defaults at `quality`, grey or colour, baseline or the simple
/// progression, and no JFIF segment when the first of `markers` is EXIF
/// (camera files lead with it). `inputSpace` only says how the rows given
/// are laid out. Runs inside RunGuarded.
void SetCompressionParameters(j_compress_ptr cinfo, int width, int height, J_COLOR_SPACE inputSpace, int quality,
                              bool grayscale, bool progressive, std::span<const TMetadataBlock> markers);

/// Writes `markers` right after the start of the file (APPn and COM
/// segments of at most 65533 bytes; others are left out). Runs inside
/// RunGuarded, after jpeg_start_compress.
void WriteSaveMarkers(j_compress_ptr cinfo, std::span<const TMetadataBlock> markers);

}  // namespace zelvo::jpeg
