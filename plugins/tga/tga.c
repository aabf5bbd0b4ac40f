/*
 * TGA reader plug-in: colour-mapped, true-colour and grey pictures, stored
 * plain or run-length coded, at 8, 15, 16, 24 and 32 bits per pixel, with
 * the origin in any corner.
 *
 * Colour-mapped pictures whose indices fit 8 bits and whose map fits 256
 * entries come back as 8-bit pictures with that palette, grey pictures as
 * 8-bit pictures over a grey ramp, everything else as 24 bits. Alpha is
 * not kept; 5-bit channels are scaled to 8 bits with rounding.
 */
#include <string.h>

#include "../common/spi_plugin.h"

static const char* const kTexts[] = {"00IN", "TGA reader for Zelvo", "*.tga;*.tpic;*.icb;*.vda;*.vst",
                                     "TGA ファイル"};

/* The 18-byte file header. */
typedef struct TgaHeader {
    uint8_t idLength;
    uint8_t mapType;
    uint8_t imageType;
    uint16_t mapFirst;
    uint16_t mapLength;
    uint8_t mapBits;
    uint16_t width;
    uint16_t height;
    uint8_t pixelBits;
    uint8_t descriptor;
} TgaHeader;

enum { kColorMapped = 1, kTrueColor = 2, kGrey = 3, kRle = 8 };

static void read_header(SpiReader* r, TgaHeader* h) {
    h->idLength = spi_get8(r);
    h->mapType = spi_get8(r);
    h->imageType = spi_get8(r);
    h->mapFirst = spi_get16le(r);
    h->mapLength = spi_get16le(r);
    h->mapBits = spi_get8(r);
    spi_get16le(r); /* x origin */
    spi_get16le(r); /* y origin */
    h->width = spi_get16le(r);
    h->height = spi_get16le(r);
    h->pixelBits = spi_get8(r);
    h->descriptor = spi_get8(r);
}

/* Whether the header describes a picture this plug-in reads. */
static int header_ok(const TgaHeader* h) {
    const int kind = h->imageType & ~kRle;
    if (h->imageType != kind && h->imageType != (kind | kRle)) return 0;
    if (h->mapType > 1 || h->width == 0 || h->height == 0) return 0;
    if (h->descriptor & 0xC0) return 0; /* interleaving is not used by any writer still around */
    const int mapBitsOk = h->mapBits == 15 || h->mapBits == 16 || h->mapBits == 24 || h->mapBits == 32;
    switch (kind) {
        case kColorMapped:
            return h->mapType == 1 && mapBitsOk && h->mapLength > 0 && (h->pixelBits == 8 || h->pixelBits == 16);
        case kTrueColor:
            return (h->mapType == 0 || mapBitsOk) &&
                   (h->pixelBits == 15 || h->pixelBits == 16 || h->pixelBits == 24 || h->pixelBits == 32);
        case kGrey: return (h->mapType == 0 || mapBitsOk) && (h->pixelBits == 8 || h->pixelBits == 16);
        default: return 0;
    }
}

/* A colour of `bits` (15/16: 5-5-5 little-endian, 24: B G R, 32: B G R A). */
static void decode_color(const uint8_t* p, int bits, uint8_t rgb[3]) {
    if (bits == 15 || bits == 16) {
        const unsigned v = (unsigned)p[0] | ((unsigned)p[1] << 8);
        rgb[0] = spi_scale_bits((v >> 10) & 31, 5);
        rgb[1] = spi_scale_bits((v >> 5) & 31, 5);
        rgb[2] = spi_scale_bits(v & 31, 5);
    } else {
        rgb[0] = p[2];
        rgb[1] = p[1];
        rgb[2] = p[0];
    }
}

/* TGA has no signature: the header must make sense. */
static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    SpiReader r;
    spi_reader_init(&r, data, length);
    TgaHeader h;
    read_header(&r, &h);
    if (r.failed || !header_ok(&h)) return 0;
    if (info) {
        info->width = h.width;
        info->height = h.height;
        info->colorDepth = (int16_t)((h.imageType & ~kRle) == kColorMapped ? 8 : h.pixelBits);
    }
    return 1;
}

SPI_DEFINE_INFO_ENTRY_POINTS(kTexts, probe)

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    SpiReader r;
    spi_reader_init(&r, data, length);
    TgaHeader h;
    read_header(&r, &h);
    if (r.failed || !header_ok(&h)) return SPI_UNSUPPORTED;
    spi_skip(&r, h.idLength);

    /* The colour map, as RGB triples. */
    const int kind = h.imageType & ~kRle;
    const int mapBytes = (h.mapBits + 1) / 8;
    uint8_t (*map)[3] = NULL;
    if (h.mapType == 1) {
        if (kind == kColorMapped) {
            map = calloc(h.mapLength, sizeof *map);
            if (!map) return SPI_NO_MEMORY;
            for (unsigned i = 0; i < h.mapLength; ++i) {
                uint8_t entry[4];
                spi_read(&r, entry, mapBytes);
                decode_color(entry, h.mapBits, map[i]);
            }
        } else {
            spi_skip(&r, (int64_t)mapBytes * h.mapLength);
        }
    }
    if (r.failed) {
        free(map);
        return SPI_BAD_DATA;
    }

    const int paletted = (kind == kColorMapped && h.pixelBits == 8 && h.mapFirst + h.mapLength <= 256) || kind == kGrey;
    SpiDib dib;
    int32_t result = spi_dib_create(&dib, h.width, h.height, paletted ? 8 : 24,
                                    kind == kGrey ? 256 : paletted ? h.mapFirst + h.mapLength : 0);
    if (result != SPI_OK) {
        free(map);
        return result;
    }
    if (kind == kGrey) {
        for (int i = 0; i < 256; ++i) spi_dib_set_color(&dib, i, (uint8_t)i, (uint8_t)i, (uint8_t)i);
    } else if (paletted) {
        for (unsigned i = 0; i < h.mapLength; ++i)
            spi_dib_set_color(&dib, (int)(h.mapFirst + i), map[i][0], map[i][1], map[i][2]);
    }

    const int pixelBytes = (h.pixelBits + 1) / 8;
    const int rightToLeft = (h.descriptor & 0x10) != 0;
    const int topDown = (h.descriptor & 0x20) != 0;
    int runLeft = 0;     /* pixels left in the current packet */
    int runRepeats = 0;  /* whether the packet repeats one pixel */
    uint8_t pixel[4] = {0, 0, 0, 0};
    for (int32_t fileRow = 0; fileRow < dib.height && result == SPI_OK; ++fileRow) {
        const int32_t y = topDown ? fileRow : dib.height - 1 - fileRow;
        for (int32_t fileColumn = 0; fileColumn < dib.width; ++fileColumn) {
            if (h.imageType & kRle) {
                /* Packets may run on from one row into the next. */
                if (runLeft == 0) {
                    const uint8_t packet = spi_get8(&r);
                    runLeft = (packet & 0x7F) + 1;
                    runRepeats = (packet & 0x80) != 0;
                    if (runRepeats) spi_read(&r, pixel, pixelBytes);
                }
                if (!runRepeats) spi_read(&r, pixel, pixelBytes);
                --runLeft;
            } else {
                spi_read(&r, pixel, pixelBytes);
            }
            if (r.failed) {
                result = SPI_BAD_DATA;
                break;
            }
            const int32_t x = rightToLeft ? dib.width - 1 - fileColumn : fileColumn;
            if (kind == kGrey) {
                spi_dib_set_index(&dib, x, y, pixel[0] /* a second byte is alpha */);
            } else if (kind == kColorMapped) {
                unsigned index = pixel[0] | (pixelBytes == 2 ? (unsigned)pixel[1] << 8 : 0u);
                if (paletted) {
                    spi_dib_set_index(&dib, x, y, index);
                } else {
                    /* Indices outside the map are black. */
                    static const uint8_t kBlack[3] = {0, 0, 0};
                    const uint8_t* rgb = index >= h.mapFirst && index - h.mapFirst < h.mapLength
                                             ? map[index - h.mapFirst]
                                             : kBlack;
                    spi_dib_set_rgb(&dib, x, y, rgb[0], rgb[1], rgb[2]);
                }
            } else {
                uint8_t rgb[3];
                decode_color(pixel, h.pixelBits, rgb);
                spi_dib_set_rgb(&dib, x, y, rgb[0], rgb[1], rgb[2]);
            }
        }
        if (result == SPI_OK && spi_progress(progress, context, fileRow + 1, dib.height)) result = SPI_ABORTED;
    }
    free(map);
    if (result != SPI_OK) {
        spi_dib_release(&dib);
        return result;
    }
    return spi_dib_hand_over(&dib, bitmapInfo, bits);
}
