/*
 * JPEG XL reader plug-in over libjxl: the first frame of a bare codestream
 * or a container, composed and turned by the file's orientation as libjxl
 * does by default, at 8 bits per channel (deeper and floating-point
 * pictures are converted by libjxl).
 *
 * A picture without alpha comes back at 24 bits; one with alpha at 32 bits
 * (blue, green, red, alpha, not premultiplied), whose colours the host
 * keeps as they are. Grey pictures come back as 24-bit grey. The decoder
 * runs on the calling thread: a plug-in may run confined, where starting
 * threads is not allowed.
 */
#include <stdlib.h>
#include <string.h>

#include <jxl/decode.h>

#include "../common/spi_plugin.h"

static const char* const kTexts[] = {"00IN", "JPEG XL reader for Zelvo (libjxl)", "*.jxl", "JPEG XL ファイル"};

/* Whether the bytes start a codestream or a container. */
static int signature_ok(const void* data, int64_t length) {
    if (!data || length < 2) return 0;
    const JxlSignature signature = JxlSignatureCheck((const uint8_t*)data, (size_t)length);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

/* The basic information of the file; 0 when it cannot be read that far, or
   claims a picture of no size or above the pixel limit. */
static int read_basic_info(const void* data, int64_t length, JxlBasicInfo* info) {
    if (!signature_ok(data, length)) return 0;
    JxlDecoder* decoder = JxlDecoderCreate(NULL);
    if (!decoder) return 0;
    int ok = 0;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO) == JXL_DEC_SUCCESS &&
        JxlDecoderSetInput(decoder, (const uint8_t*)data, (size_t)length) == JXL_DEC_SUCCESS) {
        JxlDecoderCloseInput(decoder);
        if (JxlDecoderProcessInput(decoder) == JXL_DEC_BASIC_INFO &&
            JxlDecoderGetBasicInfo(decoder, info) == JXL_DEC_SUCCESS) {
            const int64_t width = info->xsize, height = info->ysize;
            ok = width > 0 && height > 0 && width <= SPI_MAX_PIXELS / height;
        }
    }
    JxlDecoderDestroy(decoder);
    return ok;
}

static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    if (!info) return signature_ok(data, length);
    JxlBasicInfo basic;
    if (!read_basic_info(data, length, &basic)) return 0;
    info->width = (int32_t)basic.xsize;
    info->height = (int32_t)basic.ysize;
    info->colorDepth = (int16_t)(basic.alpha_bits > 0 ? 32 : 24);
    return 1;
}

SPI_DEFINE_INFO_ENTRY_POINTS(kTexts, probe)

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    if (!signature_ok(data, length)) return SPI_UNSUPPORTED;
    JxlDecoder* decoder = JxlDecoderCreate(NULL);
    if (!decoder) return SPI_NO_MEMORY;
    int32_t result = SPI_BAD_DATA;
    SpiDib dib;
    memset(&dib, 0, sizeof dib);
    uint8_t* pixels = NULL;
    int channels = 3;
    JxlBasicInfo info;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder, (const uint8_t*)data, (size_t)length) != JXL_DEC_SUCCESS) {
        JxlDecoderDestroy(decoder);
        return SPI_NO_MEMORY;
    }
    JxlDecoderCloseInput(decoder);
    for (int done = 0; !done;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status == JXL_DEC_BASIC_INFO) {
            if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS) break;
            const int64_t width = info.xsize, height = info.ysize;
            if (width <= 0 || height <= 0 || width > SPI_MAX_PIXELS / height) break;
            channels = info.alpha_bits > 0 ? 4 : 3;
            result = spi_dib_create(&dib, width, height, 8 * channels, 0);
            if (result != SPI_OK) break;
            result = SPI_BAD_DATA;
            pixels = (uint8_t*)malloc((size_t)(width * height * channels));
            if (!pixels) {
                result = SPI_NO_MEMORY;
                break;
            }
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            if (!pixels) break;
            const JxlPixelFormat format = {(uint32_t)channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(decoder, &format, &size) != JXL_DEC_SUCCESS ||
                size != (size_t)dib.width * (size_t)dib.height * (size_t)channels ||
                JxlDecoderSetImageOutBuffer(decoder, &format, pixels, size) != JXL_DEC_SUCCESS)
                break;
        } else if (status == JXL_DEC_FULL_IMAGE) {
            /* The first frame is the picture. */
            result = SPI_OK;
            done = 1;
        } else {
            /* JXL_DEC_ERROR, JXL_DEC_NEED_MORE_INPUT (a file that ends
               early), or a success before any frame. */
            break;
        }
    }
    JxlDecoderDestroy(decoder);
    for (int32_t y = 0; result == SPI_OK && y < dib.height; ++y) {
        const uint8_t* from = pixels + (int64_t)y * dib.width * channels;
        uint8_t* to = spi_dib_row(&dib, y);
        for (int32_t x = 0; x < dib.width; ++x, from += channels, to += channels) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (channels == 4) to[3] = from[3];
        }
        if (spi_progress(progress, context, y + 1, dib.height)) result = SPI_ABORTED;
    }
    free(pixels);
    if (result != SPI_OK) {
        spi_dib_release(&dib);
        return result;
    }
    return spi_dib_hand_over(&dib, bitmapInfo, bits);
}
