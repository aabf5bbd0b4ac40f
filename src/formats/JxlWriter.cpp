// JPEG XL writing over libjxl, on the library's worker threads.

#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/version.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/EncoderWriters.h"
#include "formats/LazyLibrary.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

// libjxl and its thread pool are opened at the first save; their sonames
// carry the minor version while the major one is 0.
std::string Soname(const char* name) {
    const std::string version =
        JPEGXL_MAJOR_VERSION == 0 ? "0." + std::to_string(JPEGXL_MINOR_VERSION) : std::to_string(JPEGXL_MAJOR_VERSION);
    return std::string(name) + ".so." + version;
}

TLazyLibrary& Jxl() {
    static TLazyLibrary library{Soname("libjxl"), "libjxl.so"};
    return library;
}

TLazyLibrary& JxlThreads() {
    static TLazyLibrary library{Soname("libjxl_threads"), "libjxl_threads.so"};
    return library;
}

#define JXL(function) ZELVO_LAZY_CALL(Jxl(), function)
#define JXL_THREADS(function) ZELVO_LAZY_CALL(JxlThreads(), function)

void Check(JxlEncoderStatus status, const char* what) {
    if (status != JXL_ENC_SUCCESS) EncoderFailed("libjxl", what);
}

// Adds a metadata box; EXIF boxes start with the offset of the TIFF header
// (0: right after the offset).
void AddBox(JxlEncoder* encoder, const char* type, const std::vector<std::uint8_t>& data, bool exif) {
    if (data.empty()) return;
    std::vector<std::uint8_t> box;
    if (exif) box.assign(4, 0);
    box.insert(box.end(), data.begin(), data.end());
    JxlBoxType boxType;
    std::memcpy(boxType, type, 4);
    Check(JXL(JxlEncoderAddBox)(encoder, boxType, box.data(), box.size(), JXL_FALSE), "box");
}

// Whether libjxl takes `icc` as the colour profile of a picture described
// by `info`; a profile it cannot parse leaves the picture in sRGB rather
// than failing the save, as the pixels are what the file is for.
bool ProfileAccepted(const std::vector<std::uint8_t>& icc, const JxlBasicInfo& info) {
    JxlEncoder* trial = JXL(JxlEncoderCreate)(nullptr);
    if (!trial) return false;
    const bool accepted = JXL(JxlEncoderSetBasicInfo)(trial, &info) == JXL_ENC_SUCCESS &&
                          JXL(JxlEncoderSetICCProfile)(trial, icc.data(), icc.size()) == JXL_ENC_SUCCESS;
    JXL(JxlEncoderDestroy)(trial);
    return accepted;
}

}  // namespace

void SaveJxlPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options) {
    const TEncoderOptions& o = options.Encoders;
    const TEncoderPixels pixels = EncoderPixels(picture, options);
    const TPortableMetadata metadata = options.Metadata
                                           ? PortableMetadataForSave(*options.Metadata, pixels.Width, pixels.Height)
                                           : TPortableMetadata{};

    JxlEncoder* encoder = JXL(JxlEncoderCreate)(nullptr);
    if (!encoder) EncoderFailed("libjxl", "out of memory");
    const TScopeExit destroyEncoder([&] { JXL(JxlEncoderDestroy)(encoder); });
    void* runner = JXL_THREADS(JxlThreadParallelRunnerCreate)(
        nullptr, JXL_THREADS(JxlThreadParallelRunnerDefaultNumWorkerThreads)());
    if (!runner) EncoderFailed("libjxl", "threads");
    const TScopeExit destroyRunner([&] { JXL_THREADS(JxlThreadParallelRunnerDestroy)(runner); });
    Check(JXL(JxlEncoderSetParallelRunner)(encoder, JXL_THREADS(JxlThreadParallelRunner), runner), "threads");

    JxlBasicInfo info;
    JXL(JxlEncoderInitBasicInfo)(&info);
    info.xsize = std::uint32_t(pixels.Width);
    info.ysize = std::uint32_t(pixels.Height);
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.num_extra_channels = pixels.Channels == 4 ? 1 : 0;
    info.alpha_bits = pixels.Channels == 4 ? 8 : 0;
    // A lossless file keeps the samples as they are, not converted to the
    // codec's own colour space.
    info.uses_original_profile = o.JxlLossless ? JXL_TRUE : JXL_FALSE;
    Check(JXL(JxlEncoderSetBasicInfo)(encoder, &info), "basic info");
    if (!metadata.Icc.empty() && ProfileAccepted(metadata.Icc, info)) {
        Check(JXL(JxlEncoderSetICCProfile)(encoder, metadata.Icc.data(), metadata.Icc.size()), "profile");
    } else {
        JxlColorEncoding srgb;
        JXL(JxlColorEncodingSetToSRGB)(&srgb, JXL_FALSE);
        Check(JXL(JxlEncoderSetColorEncoding)(encoder, &srgb), "colour encoding");
    }
    if (!metadata.Exif.empty() || !metadata.Xmp.empty()) {
        Check(JXL(JxlEncoderUseBoxes)(encoder), "boxes");
        AddBox(encoder, "Exif", metadata.Exif, true);
        AddBox(encoder, "xml ", metadata.Xmp, false);
        JXL(JxlEncoderCloseBoxes)(encoder);
    }

    JxlEncoderFrameSettings* settings = JXL(JxlEncoderFrameSettingsCreate)(encoder, nullptr);
    if (!settings) EncoderFailed("libjxl", "frame settings");
    Check(JXL(JxlEncoderFrameSettingsSetOption)(settings, JXL_ENC_FRAME_SETTING_EFFORT, o.JxlEffort), "effort");
    if (o.JxlLossless)
        Check(JXL(JxlEncoderSetFrameLossless)(settings, JXL_TRUE), "lossless");
    else
        Check(JXL(JxlEncoderSetFrameDistance)(settings, float(o.JxlDistanceTenths) / 10.0f), "distance");
    const JxlPixelFormat format{std::uint32_t(pixels.Channels), JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    Check(JXL(JxlEncoderAddImageFrame)(settings, &format, pixels.Data.data(), pixels.Data.size()), "frame");
    JXL(JxlEncoderCloseInput)(encoder);

    std::vector<std::uint8_t> file(std::max<std::size_t>(65536, pixels.Data.size() / 4));
    std::size_t used = 0;
    for (;;) {
        std::uint8_t* next = file.data() + used;
        std::size_t avail = file.size() - used;
        const JxlEncoderStatus status = JXL(JxlEncoderProcessOutput)(encoder, &next, &avail);
        used = std::size_t(next - file.data());
        if (status == JXL_ENC_SUCCESS) break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT) EncoderFailed("libjxl", "encode");
        file.resize(file.size() * 2);
    }
    stream.WriteBuffer(file.data(), used);
}

}  // namespace zelvo
