/*
 * PCX reader plug-in: 1, 2, 4 and 8 bits per pixel in one plane, 1 bit in
 * 2, 3 or 4 planes, 8 bits in 3 or 4 planes (red, green, blue, alpha),
 * run-length coded or plain.
 *
 * Indexed pictures come back at 1, 4 or 8 bits with their palette: the
 * header's 16 colours, or for 8 bits the 256 colours after the 0x0C marker
 * at the end of the file; one bit in one plane is black and white. An
 * 8-bit file without that palette (a greyscale PCX) comes back with a grey
 * ramp: the marker counts only where the pixel data have ended, so a
 * greyscale file whose data happen to hold 0x0C 769 bytes before the end
 * keeps its greys. Planar RGB comes back as 24 bits, alpha not
 * kept.
 */
#include <string.h>

#include "../common/spi_plugin.h"

static const char* const kTexts[] = {"00IN", "PCX reader for Zelvo", "*.pcx;*.pcc", "PCX ファイル"};

enum { kHeaderBytes = 128, kPaletteBytes = 769 };

typedef struct PcxHeader {
    uint8_t manufacturer;
    uint8_t version;
    uint8_t encoding;
    uint8_t bitsPerPixel;
    uint16_t xMin, yMin, xMax, yMax;
    uint16_t xDpi, yDpi;
    uint8_t palette[48];
    uint8_t planes;
    uint16_t bytesPerLine;
} PcxHeader;

static void read_header(SpiReader* r, PcxHeader* h) {
    h->manufacturer = spi_get8(r);
    h->version = spi_get8(r);
    h->encoding = spi_get8(r);
    h->bitsPerPixel = spi_get8(r);
    h->xMin = spi_get16le(r);
    h->yMin = spi_get16le(r);
    h->xMax = spi_get16le(r);
    h->yMax = spi_get16le(r);
    h->xDpi = spi_get16le(r);
    h->yDpi = spi_get16le(r);
    spi_read(r, h->palette, 48);
    spi_get8(r); /* reserved */
    h->planes = spi_get8(r);
    h->bytesPerLine = spi_get16le(r);
}

/* Bits per pixel over all planes, or 0 for a combination not read. */
static int depth_of(const PcxHeader* h) {
    const int bits = h->bitsPerPixel, planes = h->planes;
    if (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) return bits;
    if (bits == 1 && planes >= 2 && planes <= 4) return planes;
    if (bits == 8 && (planes == 3 || planes == 4)) return 24;
    return 0;
}

static int header_ok(const PcxHeader* h) {
    if (h->manufacturer != 0x0A || h->encoding > 1 || h->version > 5 || h->version == 1) return 0;
    if (h->xMax < h->xMin || h->yMax < h->yMin || !depth_of(h)) return 0;
    const int64_t width = (int64_t)h->xMax - h->xMin + 1;
    /* Each plane's line must hold the picture's width. */
    return (int64_t)h->bytesPerLine * 8 >= width * h->bitsPerPixel;
}

static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    SpiReader r;
    spi_reader_init(&r, data, length);
    PcxHeader h;
    read_header(&r, &h);
    if (r.failed || !header_ok(&h)) return 0;
    if (info) {
        info->left = h.xMin;
        info->top = h.yMin;
        info->width = h.xMax - h.xMin + 1;
        info->height = h.yMax - h.yMin + 1;
        info->xDensity = h.xDpi;
        info->yDensity = h.yDpi;
        info->colorDepth = (int16_t)depth_of(&h);
    }
    return 1;
}

SPI_DEFINE_INFO_ENTRY_POINTS(kTexts, probe)

/* Fills `line` (count bytes) from the run-length coded data; runs may go on
   from one line into the next, so the pending run is kept in `run`. */
static void decode_line(SpiReader* r, int rle, uint8_t* line, int64_t count, int* runLeft, uint8_t* runValue) {
    if (!rle) {
        spi_read(r, line, count);
        return;
    }
    for (int64_t i = 0; i < count; ++i) {
        if (*runLeft == 0) {
            const uint8_t code = spi_get8(r);
            if ((code & 0xC0) == 0xC0) {
                *runLeft = code & 0x3F;
                *runValue = spi_get8(r);
            } else {
                *runLeft = 1;
                *runValue = code;
            }
            if (*runLeft == 0) { /* a run of none: take the next code */
                --i;
                continue;
            }
        }
        line[i] = *runValue;
        --*runLeft;
    }
}

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    SpiReader r;
    spi_reader_init(&r, data, length);
    PcxHeader h;
    read_header(&r, &h);
    if (r.failed || !header_ok(&h)) return SPI_UNSUPPORTED;

    const int depth = depth_of(&h);
    const int outBits = depth == 1 ? 1 : depth <= 4 ? 4 : depth;
    const int colors = depth == 24 ? 0 : 1 << depth;
    SpiDib dib;
    int32_t result = spi_dib_create(&dib, (int64_t)h.xMax - h.xMin + 1, (int64_t)h.yMax - h.yMin + 1, outBits, colors);
    if (result != SPI_OK) return result;

    if (depth == 1) {
        spi_dib_set_color(&dib, 0, 0, 0, 0);
        spi_dib_set_color(&dib, 1, 255, 255, 255);
    } else if (depth <= 4) {
        for (int i = 0; i < colors; ++i)
            spi_dib_set_color(&dib, i, h.palette[3 * i], h.palette[3 * i + 1], h.palette[3 * i + 2]);
    }

    spi_skip(&r, kHeaderBytes - r.pos);
    const int64_t lineBytes = (int64_t)h.bytesPerLine * h.planes;
    uint8_t* line = malloc((size_t)lineBytes);
    if (!line) {
        spi_dib_release(&dib);
        return SPI_NO_MEMORY;
    }
    int runLeft = 0;
    uint8_t runValue = 0;
    for (int32_t y = 0; y < dib.height && result == SPI_OK; ++y) {
        decode_line(&r, h.encoding == 1, line, lineBytes, &runLeft, &runValue);
        if (r.failed) {
            result = SPI_BAD_DATA;
            break;
        }
        for (int32_t x = 0; x < dib.width; ++x) {
            if (depth == 24) {
                spi_dib_set_rgb(&dib, x, y, line[x], line[h.bytesPerLine + x], line[2 * h.bytesPerLine + x]);
            } else if (h.planes == 1) {
                /* Packed pixels, the leftmost in the high bits. */
                const int b = h.bitsPerPixel;
                const int64_t bit = (int64_t)x * b;
                const unsigned index = (line[bit >> 3] >> (8 - b - (bit & 7))) & ((1u << b) - 1);
                spi_dib_set_index(&dib, x, y, index);
            } else {
                /* One bit per plane, plane 0 the lowest bit of the index. */
                unsigned index = 0;
                for (int plane = 0; plane < h.planes; ++plane)
                    index |= (unsigned)((line[plane * h.bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1) << plane;
                spi_dib_set_index(&dib, x, y, index);
            }
        }
        if (spi_progress(progress, context, y + 1, dib.height)) result = SPI_ABORTED;
    }
    free(line);
    if (result == SPI_OK && depth == 8) {
        const uint8_t* bytes = (const uint8_t*)data;
        const int64_t paletteAt = length - kPaletteBytes;
        const int marked = paletteAt >= kHeaderBytes && r.pos <= paletteAt && bytes[paletteAt] == 0x0C;
        for (int i = 0; i < 256; ++i) {
            if (marked) {
                const uint8_t* p = bytes + paletteAt + 1 + 3 * i;
                spi_dib_set_color(&dib, i, p[0], p[1], p[2]);
            } else {
                spi_dib_set_color(&dib, i, (uint8_t)i, (uint8_t)i, (uint8_t)i);
            }
        }
    }
    if (result != SPI_OK) {
        spi_dib_release(&dib);
        return result;
    }
    return spi_dib_hand_over(&dib, bitmapInfo, bits);
}
