/*
 * WebP reader plug-in over libwebp: lossy and lossless still pictures and
 * the first frame of an animation.
 *
 * A picture without alpha comes back at 24 bits; one with alpha at 32 bits
 * (blue, green, red, alpha, not premultiplied), whose colours the host
 * keeps as they are. The first frame of an animation is the one a viewer
 * shows first: composed onto the animation's canvas, which is transparent
 * where the frame does not cover it. Still pictures decode straight into
 * the rows handed to the host, a piece of the file at a time, so that the
 * host's progress bar moves and an abort stops the decoder.
 */
#include <string.h>

#include <webp/decode.h>
#include <webp/demux.h>

#include "../common/spi_plugin.h"

static const char* const kTexts[] = {"00IN", "WebP reader for Zelvo (libwebp)", "*.webp", "WebP ファイル"};

/* Still pictures decode with a worker thread of libwebp's. */
__attribute__((constructor)) static void prepare_threads(void) { spi_prepare_threads(); }

/* Bytes handed to the incremental decoder at a time. */
#define WEBP_PIECE_BYTES ((int64_t)1 << 16)

/* The RIFF signature and the file's features; 0 when it is not WebP, or
   claims a picture of no size or above the pixel limit. */
static int read_features(const void* data, int64_t length, WebPBitstreamFeatures* features) {
    if (!data || length < 12) return 0;
    const uint8_t* p = (const uint8_t*)data;
    if (memcmp(p, "RIFF", 4) != 0 || memcmp(p + 8, "WEBP", 4) != 0) return 0;
    if (!features) return 1;
    if (WebPGetFeatures(p, (size_t)length, features) != VP8_STATUS_OK) return 0;
    const int64_t width = features->width, height = features->height;
    return width > 0 && height > 0 && width <= SPI_MAX_PIXELS / height;
}

static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    if (!info) return read_features(data, length, NULL);
    WebPBitstreamFeatures features;
    if (!read_features(data, length, &features)) return 0;
    info->width = features.width;
    info->height = features.height;
    info->colorDepth = (int16_t)(features.has_alpha ? 32 : 24);
    return 1;
}

SPI_DEFINE_INFO_ENTRY_POINTS(kTexts, probe)

/* A still picture, decoded into the bottom-up rows of `dib`. */
static int32_t decode_still(const uint8_t* data, int64_t length, SpiDib* dib, SpiProgressCallback progress,
                            intptr_t context) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return SPI_UNSUPPORTED;
    config.options.flip = 1; /* the host's rows are bottom-up */
    config.options.use_threads = 1;
    config.output.colorspace = dib->bitCount == 32 ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = (uint8_t*)SpiBlockData(dib->bits);
    config.output.u.RGBA.stride = (int)dib->stride;
    config.output.u.RGBA.size = (size_t)(dib->stride * dib->height);
    WebPIDecoder* decoder = WebPIDecode(NULL, 0, &config);
    if (!decoder) return SPI_NO_MEMORY;
    int32_t result = SPI_BAD_DATA;
    for (int64_t given = 0; given < length;) {
        given += length - given < WEBP_PIECE_BYTES ? length - given : WEBP_PIECE_BYTES;
        const VP8StatusCode status = WebPIUpdate(decoder, data, (size_t)given);
        if (status == VP8_STATUS_OK) {
            result = SPI_OK;
            break;
        }
        if (status != VP8_STATUS_SUSPENDED) {
            result = status == VP8_STATUS_OUT_OF_MEMORY ? SPI_NO_MEMORY : SPI_BAD_DATA;
            break;
        }
        int rows = 0;
        if (progress && WebPIDecGetRGB(decoder, &rows, NULL, NULL, NULL) && progress(rows, dib->height, context)) {
            result = SPI_ABORTED;
            break;
        }
    }
    /* A file that ends before the picture does stays SPI_BAD_DATA. */
    WebPIDelete(decoder);
    WebPFreeDecBuffer(&config.output);
    return result;
}

/* The first frame of an animation on its canvas, copied into `dib`. */
static int32_t decode_first_frame(const uint8_t* data, int64_t length, SpiDib* dib) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return SPI_UNSUPPORTED;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData webp = {data, (size_t)length};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&webp, &options);
    if (!decoder) return SPI_BAD_DATA;
    WebPAnimInfo animation;
    uint8_t* canvas = NULL;
    int timestamp = 0;
    int32_t result = SPI_BAD_DATA;
    if (WebPAnimDecoderGetInfo(decoder, &animation) && (int32_t)animation.canvas_width == dib->width &&
        (int32_t)animation.canvas_height == dib->height && WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) {
        const int channels = dib->bitCount / 8;
        for (int32_t y = 0; y < dib->height; ++y) {
            const uint8_t* from = canvas + (int64_t)y * dib->width * 4;
            uint8_t* to = spi_dib_row(dib, y);
            if (channels == 4) {
                memcpy(to, from, (size_t)dib->width * 4);
            } else {
                for (int32_t x = 0; x < dib->width; ++x, from += 4, to += 3) memcpy(to, from, 3);
            }
        }
        result = SPI_OK;
    }
    WebPAnimDecoderDelete(decoder);
    return result;
}

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    WebPBitstreamFeatures features;
    if (!read_features(data, length, &features)) return SPI_UNSUPPORTED;
    SpiDib dib;
    int32_t result = spi_dib_create(&dib, features.width, features.height, features.has_alpha ? 32 : 24, 0);
    if (result != SPI_OK) return result;
    result = features.has_animation ? decode_first_frame(data, length, &dib)
                                    : decode_still(data, length, &dib, progress, context);
    if (result == SPI_OK && progress && progress(dib.height, dib.height, context)) result = SPI_ABORTED;
    if (result != SPI_OK) {
        spi_dib_release(&dib);
        return result;
    }
    return spi_dib_hand_over(&dib, bitmapInfo, bits);
}
