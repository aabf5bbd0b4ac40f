/*
 * TIFF reader plug-in over libtiff: the first page of a file, in strips or
 * tiles, samples stored together or in separate planes, with any of
 * libtiff's compressions.
 *
 * The plug-in reads the samples itself where the host can keep what the
 * file holds:
 * - grey at 1, 2, 4 and 8 bits and palette pictures at 1, 2, 4 and 8 bits
 *   come back as 1, 4 or 8-bit pictures with their grey ramp or colour map
 *   (min-is-white turns the ramp round, it does not change the indices);
 * - 16-bit grey as an 8-bit grey picture, each value scaled with rounding;
 * - RGB at 8 and 16 bits as 24 bits, or 32 bits (blue, green, red, alpha,
 *   not premultiplied) when the first extra sample is alpha; grey with
 *   alpha likewise as 32 bits.
 * Anything else libtiff's RGBA interface can read (YCbCr, CMYK, CIE Lab,
 * other sample sizes) comes back at 24 bits through that interface. Float
 * and signed samples are refused. The orientation tag is not applied (few
 * readers do). libtiff's errors and warnings go to handlers of this
 * plug-in that keep quiet: nothing is printed, a damaged file is refused.
 */
#include <stdarg.h>
#include <string.h>

#include <tiffio.h>

#include "../common/spi_plugin.h"

static const char* const kTexts[] = {"00IN", "TIFF reader for Zelvo (libtiff)", "*.tif;*.tiff", "TIFF ファイル"};

/* The largest strip row or tile libtiff is asked to decode into memory. */
#define TIFF_MAX_UNIT_BYTES ((int64_t)1 << 28)

/* ---- The file in memory, as libtiff's client procedures see it. ---- */

typedef struct MemoryFile {
    const uint8_t* data;
    int64_t size;
    int64_t pos;
} MemoryFile;

static tmsize_t memory_read(thandle_t handle, void* buffer, tmsize_t count) {
    MemoryFile* file = (MemoryFile*)handle;
    if (count <= 0 || file->pos >= file->size) return 0;
    const int64_t n = count < file->size - file->pos ? (int64_t)count : file->size - file->pos;
    memcpy(buffer, file->data + file->pos, (size_t)n);
    file->pos += n;
    return (tmsize_t)n;
}

static tmsize_t memory_write(thandle_t handle, void* buffer, tmsize_t count) {
    (void)handle;
    (void)buffer;
    (void)count;
    return -1;
}

static toff_t memory_seek(thandle_t handle, toff_t offset, int whence) {
    MemoryFile* file = (MemoryFile*)handle;
    const int64_t base = whence == SEEK_CUR ? file->pos : whence == SEEK_END ? file->size : 0;
    if (offset > (toff_t)INT64_MAX - (toff_t)base) return (toff_t)-1;
    file->pos = base + (int64_t)offset;
    return (toff_t)file->pos;
}

static int memory_close(thandle_t handle) {
    (void)handle;
    return 0;
}

static toff_t memory_size(thandle_t handle) { return (toff_t)((MemoryFile*)handle)->size; }

/* The file is in memory already: libtiff reads uncompressed data in place. */
static int memory_map(thandle_t handle, void** base, toff_t* size) {
    MemoryFile* file = (MemoryFile*)handle;
    *base = (void*)file->data;
    *size = (toff_t)file->size;
    return 1;
}

static void memory_unmap(thandle_t handle, void* base, toff_t size) {
    (void)handle;
    (void)base;
    (void)size;
}

/* libtiff's errors and warnings: handled here by saying nothing. */
static int quiet(TIFF* tif, void* user, const char* module, const char* format, va_list args) {
    (void)tif;
    (void)user;
    (void)module;
    (void)format;
    (void)args;
    return 1;
}

static int is_tiff_signature(const void* data, int64_t length) {
    if (!data || length < 8) return 0;
    const uint8_t* p = (const uint8_t*)data;
    return (p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43));
}

/* Opens the file at its first directory, or NULL. */
static TIFF* open_memory(MemoryFile* file, const void* data, int64_t length) {
    if (!is_tiff_signature(data, length)) return NULL;
    file->data = (const uint8_t*)data;
    file->size = length;
    file->pos = 0;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return NULL;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, NULL);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, NULL);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, (tmsize_t)TIFF_MAX_UNIT_BYTES);
    TIFF* tif = TIFFClientOpenExt("memory", "r", (thandle_t)file, memory_read, memory_write, memory_seek,
                                  memory_close, memory_size, memory_map, memory_unmap, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

/* ---- What the first page holds and how it comes back. ---- */

typedef enum { kIndexed, kColor, kRgbaInterface } PageKind;

typedef struct Page {
    uint32_t width, height;
    uint16_t bits;      /* per sample */
    uint16_t samples;   /* per pixel */
    uint16_t photometric;
    uint16_t planar;
    uint16_t colorSamples; /* 1 grey, 3 RGB */
    int alpha;             /* the first extra sample is alpha */
    int associated;        /* ... premultiplied */
    PageKind kind;
} Page;

/* Reads the page's tags; 0 when the page is no picture this plug-in
   reads or is of no size or above the pixel limit. */
static int read_page(TIFF* tif, Page* page) {
    memset(page, 0, sizeof *page);
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page->width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page->height))
        return 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page->bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page->samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &page->planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page->photometric)) return 0;
    const int64_t width = page->width, height = page->height;
    if (width <= 0 || height <= 0 || width > SPI_MAX_PIXELS / height) return 0;
    if (sampleFormat != SAMPLEFORMAT_UINT && sampleFormat != SAMPLEFORMAT_VOID) return 0;
    if (page->samples == 0) return 0;

    uint16_t extraCount = 0;
    uint16_t* extraTypes = NULL;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0 && extraTypes) {
        page->alpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA;
        page->associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    const int ownBits = page->bits == 1 || page->bits == 2 || page->bits == 4 || page->bits == 8 || page->bits == 16;
    const int grey = page->photometric == PHOTOMETRIC_MINISBLACK || page->photometric == PHOTOMETRIC_MINISWHITE;
    const int palette = page->photometric == PHOTOMETRIC_PALETTE;
    const int rgb = page->photometric == PHOTOMETRIC_RGB;
    page->colorSamples = rgb ? 3 : 1;
    if (ownBits && (grey || palette) && page->samples == 1 && !(palette && page->bits == 16)) {
        page->kind = kIndexed;
        page->alpha = 0; /* an extra sample the pixels do not have */
    } else if (ownBits && (grey || rgb) && page->samples >= page->colorSamples) {
        page->kind = kColor;
        if (page->samples == page->colorSamples) page->alpha = 0;
    } else {
        char message[1024];
        if (!TIFFRGBAImageOK(tif, message)) return 0;
        page->kind = kRgbaInterface;
        page->alpha = 0;
    }
    if (!page->alpha) page->associated = 0;
    return 1;
}

static int16_t color_depth(const Page* page) {
    if (page->kind == kIndexed) return (int16_t)(page->bits == 16 ? 8 : page->bits);
    return (int16_t)(page->alpha ? 32 : 24);
}

static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    if (!info) return is_tiff_signature(data, length);
    MemoryFile file;
    TIFF* tif = open_memory(&file, data, length);
    if (!tif) return 0;
    Page page;
    const int ok = read_page(tif, &page);
    if (ok) {
        float xResolution = 0, yResolution = 0;
        info->width = (int32_t)page.width;
        info->height = (int32_t)page.height;
        info->colorDepth = color_depth(&page);
        if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xResolution) && xResolution > 0 && xResolution < 65536)
            info->xDensity = (uint16_t)xResolution;
        if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yResolution) && yResolution > 0 && yResolution < 65536)
            info->yDensity = (uint16_t)yResolution;
    }
    TIFFClose(tif);
    return ok;
}

SPI_DEFINE_INFO_ENTRY_POINTS(kTexts, probe)

/* ---- Samples into the picture. ---- */

typedef struct Reader {
    TIFF* tif;
    Page page;
    SpiDib dib;
    SpiProgressCallback progress;
    intptr_t context;
    int32_t piecesDone; /* rows of strips or tiles delivered */
    int32_t piecesTotal;
} Reader;

/* Sample `index` of a row of `bits`-bit samples (16 bits: native order). */
static unsigned sample_at(const uint8_t* row, int64_t index, unsigned bits) {
    if (bits == 8) return row[index];
    if (bits == 16) {
        uint16_t value;
        memcpy(&value, row + 2 * index, 2);
        return value;
    }
    const int64_t bit = index * bits;
    return (row[bit >> 3] >> (8 - bits - (unsigned)(bit & 7))) & ((1u << bits) - 1);
}

static uint8_t to8(unsigned value, unsigned bits) { return bits == 8 ? (uint8_t)value : spi_scale_bits(value, bits); }

/* Delivers `count` pixels of picture row `y` from column `x`: all samples
   of each pixel (plane < 0) or only those of sample `plane`. */
static void put_samples(Reader* r, int32_t y, int64_t x, int64_t count, const uint8_t* from, int plane) {
    const Page* page = &r->page;
    const int perPixel = plane < 0 ? page->samples : 1;
    /* Only the colour samples and alpha are looked at; further extra
       samples are passed over. */
    const int wanted = page->kind == kIndexed ? 1 : page->colorSamples + (page->alpha ? 1 : 0);
    const int used = plane < 0 && wanted < perPixel ? wanted : perPixel;
    uint8_t* row = spi_dib_row(&r->dib, y);
    const int bytes = r->dib.bitCount / 8;
    for (int64_t i = 0; i < count; ++i) {
        for (int s = 0; s < used; ++s) {
            const int sample = plane < 0 ? s : plane;
            const unsigned value = sample_at(from, i * perPixel + s, page->bits);
            if (page->kind == kIndexed) {
                spi_dib_set_index(&r->dib, (int32_t)(x + i), y, page->bits == 16 ? spi_scale_bits(value, 16) : value);
                continue;
            }
            uint8_t* pixel = row + (x + i) * bytes;
            if (sample < page->colorSamples) {
                uint8_t level = to8(value, page->bits);
                if (page->photometric == PHOTOMETRIC_MINISWHITE) level = (uint8_t)(255 - level);
                if (page->colorSamples == 1) pixel[0] = pixel[1] = pixel[2] = level;
                else pixel[2 - sample] = level;
            } else if (sample == page->colorSamples && page->alpha) {
                pixel[3] = to8(value, page->bits);
            }
        }
    }
}

/* Counts one delivered row of a strip or tile; non-zero when aborted. */
static int delivered(Reader* r) {
    ++r->piecesDone;
    return spi_progress(r->progress, r->context, r->piecesDone, r->piecesTotal);
}

/* The bytes of `pixels` pixels of `perPixel` samples. */
static int64_t row_bytes(const Page* page, int64_t pixels, int perPixel) {
    return (pixels * perPixel * page->bits + 7) / 8;
}

/* Rows of strips, plane by plane when `separate`. */
static int32_t read_strips(Reader* r, int planes, int separate) {
    const int64_t rowBytes = (int64_t)TIFFScanlineSize64(r->tif);
    if (rowBytes <= 0 || rowBytes > TIFF_MAX_UNIT_BYTES ||
        rowBytes < row_bytes(&r->page, r->dib.width, separate ? 1 : r->page.samples))
        return SPI_BAD_DATA;
    uint8_t* buffer = (uint8_t*)malloc((size_t)rowBytes);
    if (!buffer) return SPI_NO_MEMORY;
    r->piecesTotal = (int32_t)((int64_t)planes * r->dib.height);
    int32_t result = SPI_OK;
    /* Plane by plane, each top to bottom: libtiff decodes strips in order. */
    for (int plane = 0; plane < planes && result == SPI_OK; ++plane) {
        for (int32_t y = 0; y < r->dib.height; ++y) {
            if (TIFFReadScanline(r->tif, buffer, (uint32_t)y, (uint16_t)plane) < 0) {
                result = SPI_BAD_DATA;
                break;
            }
            put_samples(r, y, 0, r->dib.width, buffer, separate ? plane : -1);
            if (delivered(r)) {
                result = SPI_ABORTED;
                break;
            }
        }
    }
    free(buffer);
    return result;
}

/* Tiles, plane by plane when `separate`. */
static int32_t read_tiles(Reader* r, int planes, int separate) {
    uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(r->tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(r->tif, TIFFTAG_TILELENGTH, &tileLength);
    const int64_t tileBytes = (int64_t)TIFFTileSize64(r->tif);
    const int64_t tileRowBytes = (int64_t)TIFFTileRowSize64(r->tif);
    if (tileWidth == 0 || tileLength == 0 || tileBytes <= 0 || tileBytes > TIFF_MAX_UNIT_BYTES ||
        tileRowBytes < row_bytes(&r->page, tileWidth, separate ? 1 : r->page.samples) ||
        tileRowBytes * (int64_t)tileLength > tileBytes)
        return SPI_BAD_DATA;
    uint8_t* buffer = (uint8_t*)malloc((size_t)tileBytes);
    if (!buffer) return SPI_NO_MEMORY;
    const int64_t across = ((int64_t)r->dib.width + tileWidth - 1) / tileWidth;
    r->piecesTotal = (int32_t)((int64_t)planes * r->dib.height * across > INT32_MAX
                                   ? INT32_MAX
                                   : (int64_t)planes * r->dib.height * across);
    int32_t result = SPI_OK;
    for (int plane = 0; plane < planes && result == SPI_OK; ++plane) {
        for (int64_t top = 0; top < r->dib.height && result == SPI_OK; top += tileLength) {
            for (int64_t left = 0; left < r->dib.width && result == SPI_OK; left += tileWidth) {
                if (TIFFReadTile(r->tif, buffer, (uint32_t)left, (uint32_t)top, 0, (uint16_t)plane) < 0) {
                    result = SPI_BAD_DATA;
                    break;
                }
                const int64_t columns = r->dib.width - left < tileWidth ? r->dib.width - left : tileWidth;
                const int64_t rows = r->dib.height - top < tileLength ? r->dib.height - top : tileLength;
                for (int64_t i = 0; i < rows; ++i) {
                    put_samples(r, (int32_t)(top + i), left, columns, buffer + i * tileRowBytes,
                                separate ? plane : -1);
                    if (delivered(r)) {
                        result = SPI_ABORTED;
                        break;
                    }
                }
            }
        }
    }
    free(buffer);
    return result;
}

/* Through libtiff's RGBA interface, bottom row first like the host's. */
static int32_t read_rgba(Reader* r) {
    const int64_t pixels = (int64_t)r->dib.width * r->dib.height;
    uint32_t* raster = (uint32_t*)malloc((size_t)pixels * sizeof *raster);
    if (!raster) return SPI_NO_MEMORY;
    int32_t result = SPI_BAD_DATA;
    if (TIFFReadRGBAImageOriented(r->tif, (uint32_t)r->dib.width, (uint32_t)r->dib.height, raster,
                                  ORIENTATION_BOTLEFT, 0)) {
        for (int32_t y = 0; y < r->dib.height; ++y) {
            const uint32_t* from = raster + (int64_t)(r->dib.height - 1 - y) * r->dib.width;
            for (int32_t x = 0; x < r->dib.width; ++x) {
                /* The interface premultiplies alpha; colours come back as
                   they were before. */
                const unsigned alpha = TIFFGetA(from[x]);
                unsigned channel[3] = {TIFFGetR(from[x]), TIFFGetG(from[x]), TIFFGetB(from[x])};
                for (int c = 0; c < 3 && alpha > 0 && alpha < 255; ++c) {
                    channel[c] = (channel[c] * 255 + alpha / 2) / alpha;
                    if (channel[c] > 255) channel[c] = 255;
                }
                spi_dib_set_rgb(&r->dib, x, y, (uint8_t)channel[0], (uint8_t)channel[1], (uint8_t)channel[2]);
            }
        }
        result = SPI_OK;
    }
    free(raster);
    return result;
}

/* The table of an indexed picture: its colour map or grey ramp. */
static int32_t fill_table(Reader* r) {
    const Page* page = &r->page;
    const int entries = page->bits == 16 ? 256 : 1 << page->bits;
    if (page->photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red = NULL, *green = NULL, *blue = NULL;
        if (!TIFFGetField(r->tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
            return SPI_BAD_DATA;
        /* Old writers stored 8-bit values in the 16-bit map. */
        unsigned shift = 0;
        for (int i = 0; i < entries; ++i)
            if (red[i] > 255 || green[i] > 255 || blue[i] > 255) shift = 16;
        for (int i = 0; i < entries; ++i) {
            if (shift) {
                spi_dib_set_color(&r->dib, i, spi_scale_bits(red[i], 16), spi_scale_bits(green[i], 16),
                                  spi_scale_bits(blue[i], 16));
            } else {
                spi_dib_set_color(&r->dib, i, (uint8_t)red[i], (uint8_t)green[i], (uint8_t)blue[i]);
            }
        }
    } else {
        for (int i = 0; i < entries; ++i) {
            uint8_t level = page->bits == 16 ? (uint8_t)i : to8((unsigned)i, page->bits);
            if (page->photometric == PHOTOMETRIC_MINISWHITE) level = (uint8_t)(255 - level);
            spi_dib_set_color(&r->dib, i, level, level, level);
        }
    }
    return SPI_OK;
}

/* Alpha the file stored premultiplied, taken out of the colours. */
static void unpremultiply(Reader* r) {
    for (int32_t y = 0; y < r->dib.height; ++y) {
        uint8_t* p = spi_dib_row(&r->dib, y);
        for (int32_t x = 0; x < r->dib.width; ++x, p += 4) {
            const unsigned alpha = p[3];
            if (alpha == 0 || alpha == 255) continue;
            for (int c = 0; c < 3; ++c) {
                const unsigned value = (p[c] * 255u + alpha / 2) / alpha;
                p[c] = (uint8_t)(value > 255 ? 255 : value);
            }
        }
    }
}

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    MemoryFile file;
    Reader r;
    memset(&r, 0, sizeof r);
    r.tif = open_memory(&file, data, length);
    if (!r.tif) return SPI_UNSUPPORTED;
    r.progress = progress;
    r.context = context;
    if (!read_page(r.tif, &r.page)) {
        TIFFClose(r.tif);
        return SPI_UNSUPPORTED;
    }
    const Page* page = &r.page;
    int bitCount = page->alpha ? 32 : 24;
    int colors = 0;
    if (page->kind == kIndexed) {
        bitCount = page->bits == 1 ? 1 : page->bits <= 4 ? 4 : 8;
        colors = page->bits == 16 ? 256 : 1 << page->bits;
    }
    int32_t result = spi_dib_create(&r.dib, page->width, page->height, bitCount, colors);
    if (result == SPI_OK && page->kind == kIndexed) result = fill_table(&r);
    if (result == SPI_OK) {
        /* Samples in planes: only the planes of the colours and alpha are
           read; otherwise one pass over pixels of all samples. */
        const int separate = page->planar == PLANARCONFIG_SEPARATE;
        const int planes = separate ? (page->alpha ? page->colorSamples + 1 : page->colorSamples) : 1;
        if (page->kind == kRgbaInterface) result = read_rgba(&r);
        else if (TIFFIsTiled(r.tif)) result = read_tiles(&r, planes, separate);
        else result = read_strips(&r, planes, separate);
    }
    if (result == SPI_OK && page->alpha && page->associated) unpremultiply(&r);
    if (result == SPI_OK && progress && progress(r.dib.height, r.dib.height, context)) result = SPI_ABORTED;
    TIFFClose(r.tif);
    if (result != SPI_OK) {
        spi_dib_release(&r.dib);
        return result;
    }
    return spi_dib_hand_over(&r.dib, bitmapInfo, bits);
}
