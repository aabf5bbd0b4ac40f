/*
 * JPEG XL reader plug-in over libjxl: the first frame of a bare codestream
 * or a container, composed and turned by the file's orientation as libjxl
 * does by default, at 8 bits per channel (deeper and floating-point
 * pictures are converted by libjxl).
 *
 * A picture without alpha comes back at 24 bits; one with alpha at 32 bits
 * (blue, green, red, alpha, not premultiplied), whose colours the host
 * keeps as they are. Grey pictures come back as 24-bit grey. The decoder
 * runs on libjxl's worker threads, one a processor, into the host's own
 * rows (padded as the host pads them), which are then put bottom-up and
 * turned to blue, green, red in place.
 */
#include <stdlib.h>
#include <string.h>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include "../common/spi_plugin.h"

/* Worker threads for the decoder, one a processor. Counted when the
   plug-in is loaded: the C library reads the count from a file, which a
   confined decoder process may not open. */
static size_t gWorkerThreads = 1;

__attribute__((constructor)) static void count_processors(void) {
    spi_prepare_threads();
    gWorkerThreads = JxlThreadParallelRunnerDefaultNumWorkerThreads();
}

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

/* Rows `a` and `b` (may be the same) of `bytes` bytes of RGB(A) pixels
   change places, each turned to blue, green, red (alpha). */
static void swap_rows(uint8_t* a, uint8_t* b, int64_t bytes, int channels) {
    for (int64_t i = 0; i + channels <= bytes; i += channels) {
        const uint8_t pa[4] = {a[i], a[i + 1], a[i + 2], channels == 4 ? a[i + 3] : 0};
        const uint8_t pb[4] = {b[i], b[i + 1], b[i + 2], channels == 4 ? b[i + 3] : 0};
        a[i] = pb[2];
        a[i + 1] = pb[1];
        a[i + 2] = pb[0];
        b[i] = pa[2];
        b[i + 1] = pa[1];
        b[i + 2] = pa[0];
        if (channels == 4) {
            a[i + 3] = pb[3];
            b[i + 3] = pa[3];
        }
    }
}

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    if (!signature_ok(data, length)) return SPI_UNSUPPORTED;
    JxlDecoder* decoder = JxlDecoderCreate(NULL);
    if (!decoder) return SPI_NO_MEMORY;
    /* Without a thread pool (no threads may start) the decoder runs on
       the calling thread. */
    void* runner = JxlThreadParallelRunnerCreate(NULL, gWorkerThreads);
    int32_t result = SPI_BAD_DATA;
    SpiDib dib;
    memset(&dib, 0, sizeof dib);
    int channels = 3;
    JxlBasicInfo info;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        (runner && JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner, runner) != JXL_DEC_SUCCESS) ||
        JxlDecoderSetInput(decoder, (const uint8_t*)data, (size_t)length) != JXL_DEC_SUCCESS) {
        JxlDecoderDestroy(decoder);
        if (runner) JxlThreadParallelRunnerDestroy(runner);
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
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            if (!dib.bits) break;
            /* Rows padded to 4 bytes, as the host's. */
            const JxlPixelFormat format = {(uint32_t)channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
            const size_t rows = (size_t)dib.stride * (size_t)dib.height;
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(decoder, &format, &size) != JXL_DEC_SUCCESS || size > rows ||
                size < rows - (size_t)dib.stride ||
                JxlDecoderSetImageOutBuffer(decoder, &format, SpiBlockData(dib.bits), size) != JXL_DEC_SUCCESS)
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
    if (runner) JxlThreadParallelRunnerDestroy(runner);
    /* The decoded rows are top-down: row y and its mirror change places. */
    uint8_t* rows = dib.bits ? (uint8_t*)SpiBlockData(dib.bits) : NULL;
    for (int32_t y = 0; result == SPI_OK && y < (dib.height + 1) / 2; ++y)
        swap_rows(rows + (int64_t)y * dib.stride, rows + (int64_t)(dib.height - 1 - y) * dib.stride,
                  (int64_t)dib.width * channels, channels);
    if (result == SPI_OK && spi_progress(progress, context, dib.height, dib.height)) result = SPI_ABORTED;
    if (result != SPI_OK) {
        spi_dib_release(&dib);
        return result;
    }
    return spi_dib_hand_over(&dib, bitmapInfo, bits);
}
