// WebP writing over libwebp, with the metadata in a container of libwebpmux.

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>

#include "formats/EncoderWriters.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

// Adds one chunk to `mux` (copied) when `data` is not empty.
void SetChunk(WebPMux* mux, const char* fourcc, const std::vector<std::uint8_t>& data) {
    if (data.empty()) return;
    const WebPData chunk{data.data(), data.size()};
    if (WebPMuxSetChunk(mux, fourcc, &chunk, 1) != WEBP_MUX_OK) EncoderFailed("libwebpmux", fourcc);
}

}  // namespace

void SaveWebpPicture(const TDibImage& picture, TStream& stream, const TSaveOptions& options) {
    const TEncoderOptions& o = options.Encoders;
    // A 24-bit picture goes to the encoder as its rows stand (blue, green,
    // red, bottom row first: a negative stride); other pictures through
    // RGB(A) rows of their own.
    const bool asStored = picture.BitCount() == 24 && !options.Transparent;
    const TEncoderPixels pixels = asStored ? TEncoderPixels{} : EncoderPixels(picture, options);
    WebPConfig config;
    if (!WebPConfigInit(&config)) EncoderFailed("libwebp", "version mismatch");
    config.method = o.WebpEffort;
    if (!o.WebpLossless) config.quality = float(o.WebpQuality);
    if (o.WebpLossless) {
        // The quality stays the encoder's own (its effort for lossless
        // files, which the method already sets).
        config.lossless = 1;
        // Transparent pixels keep their colour, so the file decodes to the
        // very picture saved.
        config.exact = 1;
    }
    if (!WebPValidateConfig(&config)) EncoderFailed("libwebp", "options out of range");

    WebPPicture webp;
    if (!WebPPictureInit(&webp)) EncoderFailed("libwebp", "version mismatch");
    const TScopeExit freePicture([&] { WebPPictureFree(&webp); });
    webp.width = picture.Width();
    webp.height = picture.Height();
    webp.use_argb = o.WebpLossless ? 1 : 0;
    int imported = 0;
    if (asStored) {
        const std::uint8_t* top = picture.ScanLineRead(0);
        const std::ptrdiff_t stride =
            picture.Height() > 1 ? picture.ScanLineRead(1) - top : std::ptrdiff_t(picture.Width()) * 3;
        imported = WebPPictureImportBGR(&webp, top, int(stride));
    } else {
        const int stride = pixels.Width * pixels.Channels;
        imported = pixels.Channels == 4 ? WebPPictureImportRGBA(&webp, pixels.Data.data(), stride)
                                        : WebPPictureImportRGB(&webp, pixels.Data.data(), stride);
    }
    if (!imported) EncoderFailed("libwebp", "out of memory");
    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    const TScopeExit freeMemory([&] { WebPMemoryWriterClear(&memory); });
    webp.writer = WebPMemoryWrite;
    webp.custom_ptr = &memory;
    if (!WebPEncode(&config, &webp)) EncoderFailed("libwebp", "error " + std::to_string(int(webp.error_code)));

    const TPortableMetadata metadata = options.Metadata
                                           ? PortableMetadataForSave(*options.Metadata, picture.Width(), picture.Height())
                                           : TPortableMetadata{};
    if (metadata.Empty()) {
        stream.WriteBuffer(memory.mem, memory.size);
        return;
    }
    WebPMux* mux = WebPMuxNew();
    if (!mux) EncoderFailed("libwebpmux", "out of memory");
    const TScopeExit deleteMux([&] { WebPMuxDelete(mux); });
    const WebPData bitstream{memory.mem, memory.size};
    if (WebPMuxSetImage(mux, &bitstream, 1) != WEBP_MUX_OK) EncoderFailed("libwebpmux", "image");
    SetChunk(mux, "ICCP", metadata.Icc);
    SetChunk(mux, "EXIF", metadata.Exif);
    SetChunk(mux, "XMP ", metadata.Xmp);
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux, &assembled) != WEBP_MUX_OK) EncoderFailed("libwebpmux", "assemble");
    const TScopeExit clearAssembled([&] { WebPDataClear(&assembled); });
    stream.WriteBuffer(assembled.bytes, assembled.size);
}

}  // namespace zelvo
