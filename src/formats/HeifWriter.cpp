// AVIF and HEIC writing over libheif (AV1 through aom, HEVC through x265).

#include <libheif/heif.h>

#include <algorithm>
#include <string>

#include "formats/EncoderWriters.h"
#include "formats/LazyLibrary.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

// libheif, and the AV1 and HEVC encoders it pulls in, are opened at the
// first save.
TLazyLibrary& Heif() {
    static TLazyLibrary library{"libheif.so." + std::to_string(LIBHEIF_NUMERIC_VERSION >> 24), "libheif.so"};
    return library;
}

#define HEIF(function) ZELVO_LAZY_CALL(Heif(), function)

void Check(const heif_error& error, const char* what) {
    if (error.code != heif_error_Ok) EncoderFailed("libheif", std::string(what) + ": " + error.message);
}

heif_error WriteToVector(heif_context*, const void* data, size_t size, void* target) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(target);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// The HEVC encoder's presets from slowest to fastest; speed 0..9 picks one.
constexpr const char* kHevcPresets[] = {"placebo", "veryslow", "slower",   "slow",      "medium",
                                        "fast",    "faster",   "veryfast", "superfast", "ultrafast"};

}  // namespace

void SaveHeifPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options, bool av1) {
    const TEncoderOptions& o = options.Encoders;
    // The rows go straight into libheif's plane: no picture-sized copy
    // between.
    const TEncoderRows rows(picture, options);
    const int width = rows.Width(), height = rows.Height(), channels = rows.Channels();

    heif_context* context = HEIF(heif_context_alloc)();
    if (!context) EncoderFailed("libheif", "out of memory");
    const TScopeExit freeContext([&] { HEIF(heif_context_free)(context); });
    heif_encoder* encoder = nullptr;
    Check(HEIF(heif_context_get_encoder_for_format)(context, av1 ? heif_compression_AV1 : heif_compression_HEVC,
                                                    &encoder),
          "encoder");
    const TScopeExit releaseEncoder([&] { HEIF(heif_encoder_release)(encoder); });
    Check(HEIF(heif_encoder_set_lossy_quality)(encoder, av1 ? o.AvifQuality : o.HeicQuality), "quality");
    if (av1) {
        Check(HEIF(heif_encoder_set_parameter_integer)(encoder, "speed", o.AvifSpeed), "speed");
    } else {
        const std::size_t preset = std::size_t(std::clamp(o.HeicSpeed, 0, kHeifMaxSpeed));
        Check(HEIF(heif_encoder_set_parameter_string)(encoder, "preset", kHevcPresets[preset]), "preset");
    }

    heif_image* image = nullptr;
    Check(HEIF(heif_image_create)(width, height, heif_colorspace_RGB,
                                  channels == 4 ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image),
          "image");
    const TScopeExit releaseImage([&] { HEIF(heif_image_release)(image); });
    Check(HEIF(heif_image_add_plane)(image, heif_channel_interleaved, width, height, 8), "plane");
    int stride = 0;
    std::uint8_t* plane = HEIF(heif_image_get_plane)(image, heif_channel_interleaved, &stride);
    if (!plane) EncoderFailed("libheif", "plane");
    for (int y = 0; y < height; ++y) rows.Row(y, plane + std::size_t(y) * std::size_t(stride));

    const TPortableMetadata metadata = options.Metadata
                                           ? PortableMetadataForSave(*options.Metadata, width, height)
                                           : TPortableMetadata{};
    if (!metadata.Icc.empty())
        Check(HEIF(heif_image_set_raw_color_profile)(image, "prof", metadata.Icc.data(), metadata.Icc.size()),
              "profile");

    heif_image_handle* handle = nullptr;
    Check(HEIF(heif_context_encode_image)(context, image, encoder, nullptr, &handle), "encode");
    const TScopeExit releaseHandle([&] { HEIF(heif_image_handle_release)(handle); });
    if (!metadata.Exif.empty())
        Check(HEIF(heif_context_add_exif_metadata)(context, handle, metadata.Exif.data(), int(metadata.Exif.size())),
              "exif");
    if (!metadata.Xmp.empty())
        Check(HEIF(heif_context_add_XMP_metadata)(context, handle, metadata.Xmp.data(), int(metadata.Xmp.size())),
              "xmp");

    std::vector<std::uint8_t> file;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = WriteToVector;
    Check(HEIF(heif_context_write)(context, &writer, &file), "write");
    stream.WriteBuffer(file.data(), file.size());
}

}  // namespace zelvo
