// The libjpeg managers of the JPEG adapter and the guarded call into the
// library; see JpegManagers.h.

#include "formats/JpegManagers.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include <jerror.h>

#include "formats/Exif.h"
#include "formats/PictureMetadata.h"

namespace zelvo {
namespace jpeg {
namespace {

std::chrono::milliseconds gProgressInterval{500};

[[noreturn]] void Jump(ErrorManager& err, JumpReason reason) {
    err.reason = reason;
    std::longjmp(err.jump, 1);
}

extern "C" void ErrorExit(j_common_ptr cinfo) {
    auto& err = *reinterpret_cast<ErrorManager*>(cinfo->err);
    err.code = err.pub.msg_code;
    err.text[0] = '\0';
    (*err.pub.format_message)(cinfo, err.text);
    Jump(err, JumpReason::LibraryError);
}

extern "C" void EmitMessage(j_common_ptr cinfo, int msgLevel) {
    // Level -1 is a warning (corrupt data the library steps over); higher
    // levels are trace output. Both are only counted or dropped.
    if (msgLevel < 0) ++reinterpret_cast<ErrorManager*>(cinfo->err)->warnings;
}

extern "C" void OutputMessage(j_common_ptr) {}
extern "C" void ResetErrorManager(j_common_ptr) {}

}  // namespace

void InstallErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = OutputMessage;
    err.pub.reset_error_mgr = ResetErrorManager;
    err.reason = JumpReason::None;
    err.code = 0;
    err.text[0] = '\0';
    err.warnings = 0;
}

namespace {

extern "C" void InitSource(j_decompress_ptr) {}

extern "C" boolean FillInputBuffer(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}

extern "C" void SkipInputData(j_decompress_ptr cinfo, long numBytes) {
    if (numBytes <= 0) return;
    jpeg_source_mgr& src = *cinfo->src;
    if (static_cast<unsigned long>(numBytes) > src.bytes_in_buffer) {
        src.next_input_byte += src.bytes_in_buffer;
        src.bytes_in_buffer = 0;
        ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    src.next_input_byte += numBytes;
    src.bytes_in_buffer -= std::size_t(numBytes);
}

extern "C" void TermSource(j_decompress_ptr) {}

}  // namespace

void InstallSource(j_decompress_ptr cinfo, SourceManager& src, std::span<const std::uint8_t> bytes) {
    src.data = bytes.data();
    src.size = bytes.size();
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInputBuffer;
    src.pub.skip_input_data = SkipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
    src.pub.next_input_byte = bytes.data();
    src.pub.bytes_in_buffer = bytes.size();
    cinfo->src = &src.pub;
}

namespace {

// std::bad_alloc is turned into the library's out-of-memory error outside
// the catch block, because a longjmp must not leave a handler.
bool AppendOutput(DestinationManager& dest, std::size_t count) noexcept {
    try {
        dest.out->insert(dest.out->end(), dest.buffer, dest.buffer + count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

extern "C" void InitDestination(j_compress_ptr cinfo) {
    auto& dest = *reinterpret_cast<DestinationManager*>(cinfo->dest);
    dest.out->clear();
    try {
        dest.out->reserve(dest.expected);
    } catch (const std::exception&) {
        // Only a hint: the vector grows as the data arrives.
    }
    dest.pub.next_output_byte = dest.buffer;
    dest.pub.free_in_buffer = DestinationManager::kBufferBytes;
}

extern "C" boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    // Called with the whole buffer full, whatever free_in_buffer says.
    auto& dest = *reinterpret_cast<DestinationManager*>(cinfo->dest);
    if (!AppendOutput(dest, DestinationManager::kBufferBytes)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest.pub.next_output_byte = dest.buffer;
    dest.pub.free_in_buffer = DestinationManager::kBufferBytes;
    return TRUE;
}

extern "C" void TermDestination(j_compress_ptr cinfo) {
    auto& dest = *reinterpret_cast<DestinationManager*>(cinfo->dest);
    if (!AppendOutput(dest, DestinationManager::kBufferBytes - dest.pub.free_in_buffer)) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    }
}

}  // namespace

void InstallDestination(j_compress_ptr cinfo, DestinationManager& dest, std::vector<std::uint8_t>& out,
                        std::size_t expected) {
    dest.out = &out;
    dest.expected = expected;
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
    cinfo->dest = &dest.pub;
}

namespace {

// The stream's exception is parked outside the catch block, because a
// longjmp must not leave a handler.
void WriteToStream(j_compress_ptr cinfo, std::size_t count) {
    auto& dest = *reinterpret_cast<StreamDestinationManager*>(cinfo->dest);
    bool failed = false;
    try {
        dest.stream->WriteBuffer(dest.buffer, count);
    } catch (...) {
        dest.coder->pending = std::current_exception();
        failed = true;
    }
    if (failed) Jump(dest.coder->err, JumpReason::Exception);
}

extern "C" void InitStreamDestination(j_compress_ptr cinfo) {
    auto& dest = *reinterpret_cast<StreamDestinationManager*>(cinfo->dest);
    dest.pub.next_output_byte = dest.buffer;
    dest.pub.free_in_buffer = StreamDestinationManager::kBufferBytes;
}

extern "C" boolean EmptyStreamBuffer(j_compress_ptr cinfo) {
    // Called with the whole buffer full, whatever free_in_buffer says.
    WriteToStream(cinfo, StreamDestinationManager::kBufferBytes);
    auto& dest = *reinterpret_cast<StreamDestinationManager*>(cinfo->dest);
    dest.pub.next_output_byte = dest.buffer;
    dest.pub.free_in_buffer = StreamDestinationManager::kBufferBytes;
    return TRUE;
}

extern "C" void TermStreamDestination(j_compress_ptr cinfo) {
    auto& dest = *reinterpret_cast<StreamDestinationManager*>(cinfo->dest);
    WriteToStream(cinfo, StreamDestinationManager::kBufferBytes - dest.pub.free_in_buffer);
}

}  // namespace

void InstallStreamDestination(j_compress_ptr cinfo, StreamDestinationManager& dest, TStream& stream,
                              CoderBase& coder) {
    dest.stream = &stream;
    dest.coder = &coder;
    dest.pub.init_destination = InitStreamDestination;
    dest.pub.empty_output_buffer = EmptyStreamBuffer;
    dest.pub.term_destination = TermStreamDestination;
    cinfo->dest = &dest.pub;
}

namespace {

// Calls the image's OnProgress from inside a library callback. Returns the
// reason to leave the library, JumpReason::None to go on.
JumpReason CallProgressHandler(CoderBase& coder, TProgressStage stage, int percent, bool redraw,
                               const TRect& rect) noexcept {
    TJPEGImage& image = *coder.image;
    if (!image.OnProgress) return JumpReason::None;
    try {
        image.OnProgress(image, stage, std::uint8_t(percent), redraw, rect, std::string());
        return JumpReason::None;
    } catch (const EAbort&) {
        return JumpReason::Abort;
    } catch (...) {
        coder.pending = std::current_exception();
        return JumpReason::Exception;
    }
}

extern "C" void ProgressMonitor(j_common_ptr cinfo) {
    auto& p = *reinterpret_cast<ProgressManager*>(cinfo->progress);
    CoderBase& coder = *p.coder;
    const auto now = std::chrono::steady_clock::now();
    if (!p.started) {
        // The first callback only starts the clock.
        p.started = true;
        p.last = now;
        return;
    }
    if (now - p.last < gProgressInterval) return;
    p.last = now;
    if (p.pub.pass_limit <= 0 || p.pub.total_passes <= 0) return;
    const double done = double(p.pub.pass_counter) / double(p.pub.pass_limit) + double(p.pub.completed_passes);
    const int percent = int(std::lround(100.0 * done / double(p.pub.total_passes)));
    if (percent == p.lastPercent) return;
    p.lastPercent = percent;

    TRect rect;
    bool redraw = false;
    if (coder.decompressing) {
        // The rows output since the last report; at the start of a new pass
        // the current row is above the last one and the rest of the picture
        // is reported.
        const int row = int(reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline);
        const int bottom = row >= p.lastRow ? row : coder.outputHeight;
        rect = Rect(0, p.lastRow, coder.outputWidth, bottom);
        p.lastRow = row;
        redraw = rect.Height() > 3;
    }
    const JumpReason reason = CallProgressHandler(coder, TProgressStage::psRunning, percent, redraw, rect);
    if (reason != JumpReason::None) Jump(coder.err, reason);
}

}  // namespace

void InstallProgress(CoderBase& coder, j_common_ptr cinfo) {
    coder.progress.pub.progress_monitor = ProgressMonitor;
    coder.progress.coder = &coder;
    coder.progress.started = false;
    coder.progress.lastPercent = -1;
    coder.progress.lastRow = 0;
    cinfo->progress = &coder.progress.pub;
}

[[noreturn]] void ThrowLibraryError(const ErrorManager& err) {
    char message[64];
    std::snprintf(message, sizeof message, "JPEG エラー #%d", err.code);
    throw EJPEG(message, err.text);
}

void SaveWantedMarkers(j_decompress_ptr cinfo) {
    // A segment holds at most 65533 bytes.
    for (int marker = JPEG_APP0; marker <= JPEG_COM; ++marker) {
        if (JpegMarkerWanted(marker)) jpeg_save_markers(cinfo, marker, 0xFFFF);
    }
}

void SetCompressionParameters(j_compress_ptr cinfo, int width, int height, J_COLOR_SPACE inputSpace, int quality,
                              bool grayscale, bool progressive, std::span<const TMetadataBlock> markers) {
    cinfo->image_width = JDIMENSION(width);
    cinfo->image_height = JDIMENSION(height);
    cinfo->input_components = 3;
    cinfo->in_color_space = inputSpace;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    if (grayscale) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    if (progressive) jpeg_simple_progression(cinfo);
    // EXIF leads a camera file; JFIF and EXIF both claim the place right
    // after the start.
    if (!markers.empty() && markers.front().Type == 0xE1 && markers.front().Data.size() >= 6 &&
        std::memcmp(markers.front().Data.data(), kExifSignature, 6) == 0) {
        cinfo->write_JFIF_header = FALSE;
    }
}

void WriteSaveMarkers(j_compress_ptr cinfo, std::span<const TMetadataBlock> markers) {
    for (const TMetadataBlock& m : markers) {
        const bool app = m.Type >= JPEG_APP0 && m.Type <= JPEG_APP0 + 15;
        if ((app || m.Type == JPEG_COM) && m.Data.size() <= 65533) {
            jpeg_write_marker(cinfo, int(m.Type), m.Data.data(), unsigned(m.Data.size()));
        }
    }
}

}  // namespace jpeg

void SetJpegProgressInterval(int milliseconds) { jpeg::gProgressInterval = std::chrono::milliseconds(milliseconds); }

}  // namespace zelvo
