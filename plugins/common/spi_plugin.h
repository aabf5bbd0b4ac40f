/*
 * What the image plug-ins of this folder share: answering GetPluginInfo
 * from a table of texts, a bounds-checked byte reader, and the output
 * picture (bitmap information block and bits block) built row by row.
 */
#ifndef ZELVO_SPI_PLUGIN_H
#define ZELVO_SPI_PLUGIN_H

#include <stdint.h>

#include "zelvo/spi.h"

/* The largest picture a plug-in decodes: 2^28 pixels, as the host. The
   fuzz targets build the plug-ins with a smaller limit, so that a few
   bytes claiming a huge picture cannot spend the fuzzer's time and memory
   on decoding it. */
#ifndef SPI_MAX_PIXELS
#define SPI_MAX_PIXELS ((int64_t)1 << 28)
#endif

/* GetPluginInfo over `texts` (count entries: version, name, then pattern
   and description pairs): copies text `infoNumber` into `buffer`, cut to
   bufferSize - 1 bytes and terminated; returns its length, 0 beyond the
   table or for a buffer of no size. */
int32_t spi_plugin_info(const char* const* texts, int32_t count, int32_t infoNumber, char* buffer,
                        int32_t bufferSize);

/* A plug-in's look at a file's header: non-zero when the plug-in reads the
   file of `length` bytes at `data`; fills `info` (when not NULL) then. */
typedef int (*SpiProbe)(const void* data, int64_t length, SpiPictureInfo* info);

/* IsSupported over a probe: the head's SPI_HEAD_BYTES bytes. */
int32_t spi_is_supported(SpiProbe probe, const void* head);

/* GetPictureInfo over a probe: SPI_UNSUPPORTED for input not in memory or
   a file the probe refuses, otherwise SPI_OK with `info` filled. */
int32_t spi_picture_info(SpiProbe probe, const void* data, int64_t length, uint32_t inputKind,
                         SpiPictureInfo* info);

/* Defines a plug-in's GetPluginInfo, IsSupported and GetPictureInfo from
   its table of texts (an array) and its probe; the plug-in writes
   GetPicture itself. */
#define SPI_DEFINE_INFO_ENTRY_POINTS(texts, probe)                                                       \
    SPI_EXPORT int32_t GetPluginInfo(int32_t infoNumber, char* buffer, int32_t bufferSize) {             \
        return spi_plugin_info(texts, (int32_t)(sizeof texts / sizeof texts[0]), infoNumber, buffer,      \
                               bufferSize);                                                              \
    }                                                                                                    \
    SPI_EXPORT int32_t IsSupported(const char* fileName, const void* head) {                             \
        (void)fileName;                                                                                  \
        return spi_is_supported(probe, head);                                                            \
    }                                                                                                    \
    SPI_EXPORT int32_t GetPictureInfo(const void* data, int64_t length, uint32_t inputKind,              \
                                      SpiPictureInfo* info) {                                            \
        return spi_picture_info(probe, data, length, inputKind, info);                                   \
    }

/* Bounds-checked reading over a file in memory. A read past the end gives
   zeros and sets `failed`. */
typedef struct SpiReader {
    const uint8_t* data;
    int64_t size;
    int64_t pos;
    int failed;
} SpiReader;

void spi_reader_init(SpiReader* r, const void* data, int64_t size);
uint8_t spi_get8(SpiReader* r);
uint16_t spi_get16le(SpiReader* r);
/* Copies `count` bytes to `out` (zeros past the end). */
void spi_read(SpiReader* r, void* out, int64_t count);
void spi_skip(SpiReader* r, int64_t count);

/* The picture being built: a bitmap information block (40-byte header and
   the colour table) and a bits block of bottom-up rows padded to 4 bytes. */
typedef struct SpiDib {
    SpiHandle info;
    SpiHandle bits;
    int32_t width;
    int32_t height;
    int bitCount;
    int64_t stride;
} SpiDib;

/* Allocates both blocks for width x height at bitCount (1, 4, 8, 24 or 32:
   blue, green, red, alpha) with
   `colors` table entries (all black). Returns SPI_OK, SPI_BAD_DATA for a
   size of 0 or above SPI_MAX_PIXELS, SPI_NO_MEMORY. */
int32_t spi_dib_create(SpiDib* dib, int64_t width, int64_t height, int bitCount, int colors);
/* Row `y` counted from the top of the picture. */
uint8_t* spi_dib_row(SpiDib* dib, int32_t y);
/* Sets table entry `index`. */
void spi_dib_set_color(SpiDib* dib, int index, uint8_t red, uint8_t green, uint8_t blue);
/* Sets pixel (x, y) of a 1, 4 or 8-bit picture to `index`. */
void spi_dib_set_index(SpiDib* dib, int32_t x, int32_t y, unsigned index);
/* Sets pixel (x, y) of a 24-bit picture. */
void spi_dib_set_rgb(SpiDib* dib, int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue);
/* Gives both blocks to the host and returns SPI_OK. */
int32_t spi_dib_hand_over(SpiDib* dib, SpiHandle* info, SpiHandle* bits);
/* Frees both blocks (after a failure). */
void spi_dib_release(SpiDib* dib);

/* Reports `done` of `total` rows every 64 rows and at the end; returns
   non-zero when the host asks to stop. */
int spi_progress(SpiProgressCallback progress, intptr_t context, int32_t done, int32_t total);

/* For plug-ins that decode on threads; called when the plug-in is loaded.
   The C library's allocator, the first time it hands memory of a thread's
   own heap back to the system, reads a setting from /proc, which a
   confined decoder process may not open: a passing thread does that here,
   before any confinement, and the setting read stays known. */
void spi_prepare_threads(void);

/* An n-bit channel value (0 .. 2^n - 1) scaled to 0 .. 255, rounded. */
uint8_t spi_scale_bits(unsigned value, unsigned bits);

#endif
