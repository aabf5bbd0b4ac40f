/*
 * TIFF reader plug-in over libtiff: the first page of a file, in strips or
 * tiles, samples stored together or in separate planes, with any of
 * libtiff's compressions.
 *
 * The plug-in reads the samples itself where the host can keep what the
 * file holds:
 * - grey at 1 to 8 bits and palette pictures at 1, 2, 4 and 8 bits come
 *   back as 1, 4 or 8-bit pictures with their grey ramp or colour map
 *   (min-is-white turns the ramp round, it does not change the indices);
 * - grey at 9 to 16 bits (12-bit scans among them) as an 8-bit grey
 *   picture;
 * - RGB at 1 to 16 bits as 24 bits, or 32 bits (blue, green, red, alpha,
 *   not premultiplied) when the first extra sample is alpha; grey with
 *   alpha likewise as 32 bits. Premultiplied (associated) alpha is taken
 *   out of the colours.
 * Samples of n bits become 8-bit levels by one rule, v x 255 / (2^n - 1)
 * rounded to the nearest (spi_scale_bits). Signed grey and RGB samples
 * (SampleFormat 2) are offset by half the range first, -2^(n-1) becoming
 * 0, as other readers show them.
 *
 * CIE L*a*b* at 8 and 16 bits, and CMYK with an ICC profile, are
 * converted to sRGB through lcms2 (Lab under the file's white point,
 * adapted to D50; CMYK relative colorimetric with black point
 * compensation) and come back at 24 bits. Anything else libtiff's RGBA
 * interface can read (YCbCr, CMYK without a profile) comes back at 24 bits
 * through that interface.
 * Float samples are refused, as is a 16-bit CMYK picture with JPEG
 * compression (JPEG holds at most 12 bits and libtiff reads 8). The
 * orientation tag is not applied (few readers do). libtiff's errors and
 * warnings go to handlers of this plug-in that keep quiet: nothing is
 * printed, a damaged file is refused.
 */
#include <pthread.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <lcms2.h>
#include <tiffio.h>

#include "../common/spi_plugin.h"

static const char* const kTexts[] = {"00IN", "TIFF reader for Zelvo (libtiff)", "*.tif;*.tiff", "TIFF ファイル"};

/* The largest strip row or tile libtiff is asked to decode into memory. */
#define TIFF_MAX_UNIT_BYTES ((int64_t)1 << 28)

/* lcms2 stamps each profile it makes with the time, and the C library
   reads the time zone file the first time it converts one: read it when
   the plug-in is loaded, before a confined decoder process may open no
   file. */
__attribute__((constructor)) static void load_time_zone(void) { tzset(); }

/* Threads that decode strips at once, at most; counted when the plug-in is
   loaded, as the C library reads the processor count from a file a
   confined decoder process may not open. */
#define TIFF_MAX_THREADS 4
static int gStripThreads = 1;

__attribute__((constructor)) static void count_processors(void) {
    spi_prepare_threads();
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    gStripThreads = processors < 1 ? 1 : processors > TIFF_MAX_THREADS ? TIFF_MAX_THREADS : (int)processors;
}

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

typedef enum { kIndexed, kColor, kConverted, kRgbaInterface } PageKind;

typedef struct Page {
    uint32_t width, height;
    uint16_t bits;      /* per sample */
    uint16_t samples;   /* per pixel */
    uint16_t photometric;
    uint16_t planar;
    uint16_t colorSamples; /* 1 grey, 3 RGB or Lab, 4 CMYK */
    unsigned signFlip;     /* the top bit of a signed sample, else 0 */
    int alpha;             /* the first extra sample is alpha */
    int associated;        /* ... premultiplied */
    PageKind kind;
} Page;

/* The ICC profile of a CMYK page that lcms2 can read, or NULL. */
static cmsHPROFILE cmyk_profile(TIFF* tif, cmsContext lcms) {
    uint32_t bytes = 0;
    void* icc = NULL;
    if (!lcms || !TIFFGetField(tif, TIFFTAG_ICCPROFILE, &bytes, &icc) || !icc || bytes == 0) return NULL;
    cmsHPROFILE profile = cmsOpenProfileFromMemTHR(lcms, icc, bytes);
    if (profile && cmsGetColorSpace(profile) != cmsSigCmykData) {
        cmsCloseProfile(profile);
        profile = NULL;
    }
    return profile;
}

/* Whether the page is Lab, or CMYK with a profile lcms2 reads, at 8 or 16
   bits, whose colours go through lcms2. */
static int converted_page(TIFF* tif, const Page* page, cmsContext lcms) {
    if (page->bits != 8 && page->bits != 16) return 0;
    if (page->photometric == PHOTOMETRIC_CIELAB) return page->samples >= 3;
    if (page->photometric != PHOTOMETRIC_SEPARATED || page->samples < 4) return 0;
    uint16_t inkSet = INKSET_CMYK, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (inkSet != INKSET_CMYK || (compression == COMPRESSION_JPEG && page->bits != 8)) return 0;
    cmsHPROFILE profile = cmyk_profile(tif, lcms);
    if (!profile) return 0;
    cmsCloseProfile(profile);
    return 1;
}

/* Reads the page's tags; 0 when the page is no picture this plug-in
   reads or is of no size or above the pixel limit. `lcms` (may be NULL:
   no conversions) reads a CMYK page's profile. */
static int read_page(TIFF* tif, Page* page, cmsContext lcms) {
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
    if (page->samples == 0 || page->bits == 0) return 0;
    const int signedSamples = sampleFormat == SAMPLEFORMAT_INT;
    if (sampleFormat != SAMPLEFORMAT_UINT && sampleFormat != SAMPLEFORMAT_VOID && !signedSamples) return 0;

    uint16_t extraCount = 0;
    uint16_t* extraTypes = NULL;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0 && extraTypes) {
        page->alpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA;
        page->associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    const int ownBits = page->bits <= 16;
    const int grey = page->photometric == PHOTOMETRIC_MINISBLACK || page->photometric == PHOTOMETRIC_MINISWHITE;
    const int palette = page->photometric == PHOTOMETRIC_PALETTE &&
                        (page->bits == 1 || page->bits == 2 || page->bits == 4 || page->bits == 8);
    const int rgb = page->photometric == PHOTOMETRIC_RGB;
    page->colorSamples = rgb ? 3 : 1;
    /* Signed samples where they are levels (grey and RGB) or Lab, whose a
       and b are signed whatever the tag says. */
    const int lab = page->photometric == PHOTOMETRIC_CIELAB;
    if (signedSamples && !((grey || rgb) && ownBits) && !lab) return 0;
    if (signedSamples && !lab) page->signFlip = 1u << (page->bits - 1);
    if (ownBits && (grey || palette) && page->samples == 1) {
        page->kind = kIndexed;
        page->alpha = 0; /* an extra sample the pixels do not have */
    } else if (ownBits && (grey || rgb) && page->samples >= page->colorSamples) {
        page->kind = kColor;
        if (page->samples == page->colorSamples) page->alpha = 0;
    } else if (converted_page(tif, page, lcms)) {
        page->kind = kConverted;
        page->colorSamples = page->photometric == PHOTOMETRIC_CIELAB ? 3 : 4;
        page->alpha = 0;
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
    if (page->kind == kIndexed) return (int16_t)(page->bits > 8 ? 8 : page->bits);
    return (int16_t)(page->alpha ? 32 : 24);
}

static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    if (!info) return is_tiff_signature(data, length);
    MemoryFile file;
    TIFF* tif = open_memory(&file, data, length);
    if (!tif) return 0;
    Page page;
    cmsContext lcms = cmsCreateContext(NULL, NULL);
    const int ok = read_page(tif, &page, lcms);
    if (lcms) cmsDeleteContext(lcms);
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
    uint8_t* converted; /* kConverted: the colour samples, rows top first */
    SpiProgressCallback progress;
    intptr_t context;
    int32_t piecesDone; /* rows of strips or tiles delivered */
    int32_t piecesTotal;
    const void* data; /* the file, for the strip threads' own handles */
    int64_t length;
} Reader;

/* Sample `index` of a row of `bits`-bit samples (16 bits: native order;
   other sizes packed from the high bit of each byte on). */
static unsigned sample_at(const uint8_t* row, int64_t index, unsigned bits) {
    if (bits == 8) return row[index];
    if (bits == 16) {
        uint16_t value;
        memcpy(&value, row + 2 * index, 2);
        return value;
    }
    const int64_t first = index * bits;
    const int64_t last = first + bits - 1;
    uint32_t word = 0;
    for (int64_t at = first >> 3; at <= last >> 3; ++at) word = word << 8 | row[at];
    return (word >> (7 - (unsigned)(last & 7))) & ((1u << bits) - 1);
}

static uint8_t to8(unsigned value, unsigned bits) { return bits == 8 ? (uint8_t)value : spi_scale_bits(value, bits); }

/* The common 8-bit RGB(A) pixels into 24 or 32-bit ones (`bytes`): red
   and blue change places; alpha, when both have it, is copied. */
static void swap_rgb(uint8_t* restrict to, int bytes, const uint8_t* restrict from, int perPixel, int64_t count) {
    if (bytes == 3 && perPixel == 3) {
        for (int64_t i = 0; i < 3 * count; i += 3) {
            to[i] = from[i + 2];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i];
        }
        return;
    }
    for (int64_t i = 0; i < count; ++i, to += bytes, from += perPixel) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        if (bytes == 4) to[3] = from[3];
    }
}

/* Delivers `count` pixels of picture row `y` from column `x`: all samples
   of each pixel (plane < 0) or only those of sample `plane`. */
static void put_samples(Reader* r, int32_t y, int64_t x, int64_t count, const uint8_t* from, int plane) {
    const Page* page = &r->page;
    const int perPixel = plane < 0 ? page->samples : 1;
    /* Only the colour samples and alpha are looked at; further extra
       samples are passed over. */
    const int wanted = page->kind == kIndexed ? 1 : page->colorSamples + (page->alpha ? 1 : 0);
    const int used = plane < 0 && wanted < perPixel ? wanted : perPixel;
    if (page->kind == kConverted) {
        /* Kept as the file has them, 8 or 16 bits, for lcms2. */
        const int sampleBytes = page->bits / 8;
        uint8_t* to = r->converted + ((int64_t)y * r->dib.width + x) * page->colorSamples * sampleBytes;
        for (int64_t i = 0; i < count; ++i)
            for (int s = 0; s < used; ++s)
                memcpy(to + (i * page->colorSamples + (plane < 0 ? s : plane)) * sampleBytes,
                       from + (i * perPixel + s) * sampleBytes, (size_t)sampleBytes);
        return;
    }
    uint8_t* row = spi_dib_row(&r->dib, y);
    const int bytes = r->dib.bitCount / 8;
    if (page->kind == kColor && page->bits == 8 && plane < 0 && !page->signFlip && page->colorSamples == 3) {
        swap_rgb(row + x * bytes, bytes, from, perPixel, count);
        return;
    }
    if (page->kind == kIndexed && page->bits == r->dib.bitCount && perPixel == 1 && !page->signFlip &&
        (x * page->bits) % 8 == 0) {
        /* Indices packed as the host packs them, leftmost in the high bits:
           whole bytes copied, the pixels of a last part byte set one by
           one, so that what the file leaves in the bits past the row
           stays out of the picture. */
        const int64_t whole = count * page->bits / 8;
        memcpy(row + x * page->bits / 8, from, (size_t)whole);
        for (int64_t i = whole * 8 / page->bits; i < count; ++i)
            spi_dib_set_index(&r->dib, (int32_t)(x + i), y, sample_at(from, i, page->bits));
        return;
    }
    for (int64_t i = 0; i < count; ++i) {
        for (int s = 0; s < used; ++s) {
            const int sample = plane < 0 ? s : plane;
            const unsigned value = sample_at(from, i * perPixel + s, page->bits) ^ page->signFlip;
            if (page->kind == kIndexed) {
                spi_dib_set_index(&r->dib, (int32_t)(x + i), y, page->bits > 8 ? spi_scale_bits(value, page->bits) : value);
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

/* The largest strip decoded whole; larger ones are read a row at a time. */
#define TIFF_MAX_STRIP_BYTES ((int64_t)1 << 26)
/* Pictures of fewer sample bytes decode on the calling thread alone. */
#define TIFF_THREADED_BYTES ((int64_t)1 << 20)

/* One thread's share of the strips of all planes: strips first, first +
   step, ... Each thread has a libtiff handle of its own and a buffer of
   one strip; the rows it delivers are its own. */
typedef struct StripShare {
    Reader* r;
    TIFF* tif;
    int separate;
    int64_t rowBytes;
    int32_t rowsPerStrip;
    int32_t stripsPerPlane;
    int32_t strips;
    int32_t first, step;
    int reports;            /* this thread tells the host the progress */
    atomic_int* rowsDone;   /* rows delivered by all threads */
    atomic_int* stop;       /* a thread failed or the host asked to stop */
    int32_t result;
} StripShare;

static void* decode_share(void* argument) {
    StripShare* w = (StripShare*)argument;
    Reader* r = w->r;
    w->result = SPI_OK;
    int reported = 0;
    uint8_t* buffer = (uint8_t*)malloc((size_t)(w->rowBytes * w->rowsPerStrip));
    if (!buffer) w->result = SPI_NO_MEMORY;
    for (int32_t k = w->first; w->result == SPI_OK && k < w->strips; k += w->step) {
        if (atomic_load(w->stop)) break;
        const int plane = k / w->stripsPerPlane;
        const int32_t top = (k % w->stripsPerPlane) * w->rowsPerStrip;
        const int32_t rows = r->dib.height - top < w->rowsPerStrip ? r->dib.height - top : w->rowsPerStrip;
        const uint32_t strip = TIFFComputeStrip(w->tif, (uint32_t)top, (uint16_t)plane);
        if (TIFFReadEncodedStrip(w->tif, strip, buffer, (tmsize_t)(w->rowBytes * rows)) != w->rowBytes * rows) {
            w->result = SPI_BAD_DATA;
            break;
        }
        for (int32_t i = 0; i < rows; ++i)
            put_samples(r, top + i, 0, r->dib.width, buffer + i * w->rowBytes, w->separate ? plane : -1);
        const int done = atomic_fetch_add(w->rowsDone, rows) + rows;
        /* As spi_progress: about every 64 rows, and at the end. */
        if (w->reports && r->progress && (done - reported >= 64 || done == r->piecesTotal)) {
            reported = done;
            if (r->progress(done, r->piecesTotal, r->context)) w->result = SPI_ABORTED;
        }
    }
    if (w->result != SPI_OK) atomic_store(w->stop, 1);
    free(buffer);
    return NULL;
}

/* Whole strips, shared among up to gStripThreads threads; the calling
   thread reports the progress and decodes the share of any thread that
   cannot start. */
static int32_t read_whole_strips(Reader* r, int planes, int separate, int64_t rowBytes, int32_t rowsPerStrip) {
    const int32_t stripsPerPlane = (r->dib.height + rowsPerStrip - 1) / rowsPerStrip;
    const int32_t strips = planes * stripsPerPlane;
    int threads = rowBytes * r->dib.height * planes < TIFF_THREADED_BYTES ? 1 : gStripThreads;
    if (threads > strips) threads = strips;
    atomic_int rowsDone = 0, stop = 0;
    StripShare shares[TIFF_MAX_THREADS];
    MemoryFile files[TIFF_MAX_THREADS];
    pthread_t ids[TIFF_MAX_THREADS];
    int started[TIFF_MAX_THREADS] = {0};
    for (int t = 0; t < threads; ++t) {
        StripShare* w = &shares[t];
        memset(w, 0, sizeof *w);
        w->r = r;
        w->tif = t == 0 ? r->tif : open_memory(&files[t], r->data, r->length);
        w->separate = separate;
        w->rowBytes = rowBytes;
        w->rowsPerStrip = rowsPerStrip;
        w->stripsPerPlane = stripsPerPlane;
        w->strips = strips;
        w->first = t;
        w->step = threads;
        w->rowsDone = &rowsDone;
        w->stop = &stop;
        w->reports = t == 0;
        if (t > 0 && w->tif) started[t] = pthread_create(&ids[t], NULL, decode_share, w) == 0;
    }
    decode_share(&shares[0]);
    int32_t result = shares[0].result;
    for (int t = 1; t < threads; ++t) {
        StripShare* w = &shares[t];
        if (started[t]) {
            pthread_join(ids[t], NULL);
        } else if (result == SPI_OK) {
            /* On this thread instead, with its handle when the share has none. */
            if (!w->tif) w->tif = r->tif;
            w->reports = 1;
            decode_share(w);
        }
        if (w->tif && w->tif != r->tif) TIFFClose(w->tif);
        if (result == SPI_OK || (result == SPI_ABORTED && w->result != SPI_OK)) result = w->result;
    }
    r->piecesDone = atomic_load(&rowsDone);
    return result;
}

/* Rows of strips, plane by plane when `separate`: whole strips where they
   fit the buffer limit, else row by row as libtiff allows. */
static int32_t read_strips(Reader* r, int planes, int separate) {
    const int64_t rowBytes = (int64_t)TIFFScanlineSize64(r->tif);
    if (rowBytes <= 0 || rowBytes > TIFF_MAX_UNIT_BYTES ||
        rowBytes < row_bytes(&r->page, r->dib.width, separate ? 1 : r->page.samples))
        return SPI_BAD_DATA;
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(r->tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > (uint32_t)r->dib.height) rowsPerStrip = (uint32_t)r->dib.height;
    r->piecesTotal = (int32_t)((int64_t)planes * r->dib.height);
    if (rowBytes * rowsPerStrip <= TIFF_MAX_STRIP_BYTES)
        return read_whole_strips(r, planes, separate, rowBytes, (int32_t)rowsPerStrip);
    uint8_t* buffer = (uint8_t*)malloc((size_t)rowBytes);
    if (!buffer) return SPI_NO_MEMORY;
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
    const int entries = page->bits > 8 ? 256 : 1 << page->bits;
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
            uint8_t level = page->bits > 8 ? (uint8_t)i : to8((unsigned)i, page->bits);
            if (page->photometric == PHOTOMETRIC_MINISWHITE) level = (uint8_t)(255 - level);
            spi_dib_set_color(&r->dib, i, level, level, level);
        }
    }
    return SPI_OK;
}

/* Lab samples of one row as XYZ relative to D50: each pixel's XYZ under
   the file's white point (WhitePoint, D50 when absent as libtiff has it),
   adapted to D50 by `adapt` (Bradford, row by row). */
static void lab_row_to_xyz(const Reader* r, const uint8_t* samples, const cmsCIEXYZ* white, const double adapt[9],
                           double* xyz) {
    for (int32_t x = 0; x < r->dib.width; ++x) {
        cmsCIELab lab;
        if (r->page.bits == 8) {
            lab.L = samples[3 * x] * 100.0 / 255.0;
            lab.a = (int8_t)samples[3 * x + 1];
            lab.b = (int8_t)samples[3 * x + 2];
        } else {
            uint16_t v[3];
            memcpy(v, samples + 6 * (int64_t)x, sizeof v);
            lab.L = v[0] * 100.0 / 65535.0;
            lab.a = (int16_t)v[1] / 256.0;
            lab.b = (int16_t)v[2] / 256.0;
        }
        cmsCIEXYZ under;
        cmsLab2XYZ(white, &under, &lab);
        const double in[3] = {under.X, under.Y, under.Z};
        for (int row = 0; row < 3; ++row)
            xyz[3 * x + row] = adapt[3 * row] * in[0] + adapt[3 * row + 1] * in[1] + adapt[3 * row + 2] * in[2];
    }
}

/* The file's white point as XYZ (Y = 1) and the Bradford adaptation from it
   to D50, a 3 x 3 matrix by rows. */
static void lab_white(TIFF* tif, cmsCIEXYZ* white, double adapt[9]) {
    float* xy = NULL;
    cmsCIExyY whiteXyY = {0.3457, 0.3585, 1.0};
    if (TIFFGetFieldDefaulted(tif, TIFFTAG_WHITEPOINT, &xy) && xy && xy[0] > 0 && xy[1] > 0 && xy[0] + xy[1] < 1) {
        whiteXyY.x = xy[0];
        whiteXyY.y = xy[1];
    }
    cmsxyY2XYZ(white, &whiteXyY);
    for (int column = 0; column < 3; ++column) {
        const cmsCIEXYZ unit = {column == 0, column == 1, column == 2};
        cmsCIEXYZ adapted = unit;
        cmsAdaptToIlluminant(&adapted, white, cmsD50_XYZ(), &unit);
        adapt[column] = adapted.X;
        adapt[3 + column] = adapted.Y;
        adapt[6 + column] = adapted.Z;
    }
}

/* The kept Lab or CMYK samples into sRGB through lcms2. */
static int32_t convert_colours(Reader* r) {
    const Page* page = &r->page;
    cmsContext lcms = cmsCreateContext(NULL, NULL);
    if (!lcms) return SPI_NO_MEMORY;
    const int lab = page->photometric == PHOTOMETRIC_CIELAB;
    cmsHPROFILE from = lab ? cmsCreateXYZProfileTHR(lcms) : cmyk_profile(r->tif, lcms);
    cmsHPROFILE to = cmsCreate_sRGBProfileTHR(lcms);
    cmsHTRANSFORM transform = NULL;
    if (from && to) {
        const cmsUInt32Number format = lab ? TYPE_XYZ_DBL : page->bits == 8 ? TYPE_CMYK_8 : TYPE_CMYK_16;
        /* Relative colorimetric, and for ink the deepest black the profile
           makes becomes the screen's black, as editors show print files. */
        transform = cmsCreateTransformTHR(lcms, from, format, to, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC,
                                          lab ? 0 : cmsFLAGS_BLACKPOINTCOMPENSATION);
    }
    double* xyz = lab ? (double*)malloc((size_t)r->dib.width * 3 * sizeof *xyz) : NULL;
    int32_t result = !transform ? SPI_BAD_DATA : lab && !xyz ? SPI_NO_MEMORY : SPI_OK;
    if (result == SPI_OK) {
        cmsCIEXYZ white;
        double adapt[9];
        if (lab) lab_white(r->tif, &white, adapt);
        const int64_t rowBytes = (int64_t)r->dib.width * page->colorSamples * (page->bits / 8);
        for (int32_t y = 0; y < r->dib.height; ++y) {
            const uint8_t* samples = r->converted + y * rowBytes;
            if (lab) lab_row_to_xyz(r, samples, &white, adapt, xyz);
            cmsDoTransform(transform, lab ? (const void*)xyz : samples, spi_dib_row(&r->dib, y),
                           (cmsUInt32Number)r->dib.width);
        }
    }
    free(xyz);
    if (transform) cmsDeleteTransform(transform);
    if (from) cmsCloseProfile(from);
    if (to) cmsCloseProfile(to);
    cmsDeleteContext(lcms);
    return result;
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
    r.data = data;
    r.length = length;
    r.progress = progress;
    r.context = context;
    cmsContext lcms = cmsCreateContext(NULL, NULL);
    const int readable = read_page(r.tif, &r.page, lcms);
    if (lcms) cmsDeleteContext(lcms);
    if (!readable) {
        TIFFClose(r.tif);
        return SPI_UNSUPPORTED;
    }
    const Page* page = &r.page;
    int bitCount = page->alpha ? 32 : 24;
    int colors = 0;
    if (page->kind == kIndexed) {
        bitCount = page->bits == 1 ? 1 : page->bits <= 4 ? 4 : 8;
        colors = page->bits > 8 ? 256 : 1 << page->bits;
    }
    int32_t result = spi_dib_create(&r.dib, page->width, page->height, bitCount, colors);
    if (result == SPI_OK && page->kind == kIndexed) result = fill_table(&r);
    if (result == SPI_OK && page->kind == kConverted) {
        r.converted = (uint8_t*)malloc((size_t)r.dib.width * (size_t)r.dib.height * page->colorSamples * (page->bits / 8));
        if (!r.converted) result = SPI_NO_MEMORY;
    }
    if (result == SPI_OK) {
        /* Samples in planes: only the planes of the colours and alpha are
           read; otherwise one pass over pixels of all samples. */
        const int separate = page->planar == PLANARCONFIG_SEPARATE;
        const int planes = separate ? (page->alpha ? page->colorSamples + 1 : page->colorSamples) : 1;
        if (page->kind == kRgbaInterface) result = read_rgba(&r);
        else if (TIFFIsTiled(r.tif)) result = read_tiles(&r, planes, separate);
        else result = read_strips(&r, planes, separate);
    }
    if (result == SPI_OK && page->kind == kConverted) result = convert_colours(&r);
    free(r.converted);
    if (result == SPI_OK && page->alpha && page->associated) unpremultiply(&r);
    if (result == SPI_OK && progress && progress(r.dib.height, r.dib.height, context)) result = SPI_ABORTED;
    TIFFClose(r.tif);
    if (result != SPI_OK) {
        spi_dib_release(&r.dib);
        return result;
    }
    return spi_dib_hand_over(&r.dib, bitmapInfo, bits);
}
