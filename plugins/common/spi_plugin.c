#include "spi_plugin.h"

#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

int32_t spi_plugin_info(const char* const* texts, int32_t count, int32_t infoNumber, char* buffer,
                        int32_t bufferSize) {
    if (infoNumber < 0 || infoNumber >= count || !buffer || bufferSize <= 0) return 0;
    size_t length = strlen(texts[infoNumber]);
    if (length > (size_t)bufferSize - 1) length = (size_t)bufferSize - 1;
    memcpy(buffer, texts[infoNumber], length);
    buffer[length] = '\0';
    return (int32_t)length;
}

int32_t spi_is_supported(SpiProbe probe, const void* head) { return head && probe(head, SPI_HEAD_BYTES, NULL); }

int32_t spi_picture_info(SpiProbe probe, const void* data, int64_t length, uint32_t inputKind,
                         SpiPictureInfo* info) {
    if (inputKind != SPI_INPUT_MEMORY || !info) return SPI_UNSUPPORTED;
    memset(info, 0, sizeof *info);
    return probe(data, length, info) ? SPI_OK : SPI_UNSUPPORTED;
}

void spi_reader_init(SpiReader* r, const void* data, int64_t size) {
    r->data = (const uint8_t*)data;
    r->size = data && size > 0 ? size : 0;
    r->pos = 0;
    r->failed = 0;
}

uint8_t spi_get8(SpiReader* r) {
    if (r->pos >= r->size) {
        r->failed = 1;
        return 0;
    }
    return r->data[r->pos++];
}

uint16_t spi_get16le(SpiReader* r) {
    const unsigned low = spi_get8(r);
    return (uint16_t)(low | ((unsigned)spi_get8(r) << 8));
}

void spi_read(SpiReader* r, void* out, int64_t count) {
    const int64_t available = r->size - r->pos;
    const int64_t n = count < available ? count : available;
    if (n > 0) memcpy(out, r->data + r->pos, (size_t)n);
    if (n < count) {
        memset((uint8_t*)out + (n > 0 ? n : 0), 0, (size_t)(count - (n > 0 ? n : 0)));
        r->failed = 1;
    }
    r->pos += n > 0 ? n : 0;
}

void spi_skip(SpiReader* r, int64_t count) {
    if (count < 0 || count > r->size - r->pos) {
        r->pos = r->size;
        r->failed = 1;
        return;
    }
    r->pos += count;
}

static void put16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

static void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

/* Large blocks in huge pages: the rows of a 4000 x 3000 picture otherwise
   take thousands of page faults as they are first written. Advice only;
   the whole 2 MiB pages inside the block. */
static void advise_huge_pages(SpiHandle block, uint64_t bytes) {
    const uintptr_t huge = (uintptr_t)1 << 21;
    if (!block || bytes < 2 * huge) return;
    const uintptr_t start = ((uintptr_t)block + huge - 1) & ~(huge - 1);
    const uintptr_t end = ((uintptr_t)block + (uintptr_t)bytes) & ~(huge - 1);
    if (end > start) madvise((void*)start, end - start, MADV_HUGEPAGE);
}

int32_t spi_dib_create(SpiDib* dib, int64_t width, int64_t height, int bitCount, int colors) {
    memset(dib, 0, sizeof *dib);
    if (width <= 0 || height <= 0 || width > SPI_MAX_PIXELS / height) return SPI_BAD_DATA;
    dib->width = (int32_t)width;
    dib->height = (int32_t)height;
    dib->bitCount = bitCount;
    dib->stride = (width * bitCount + 31) / 32 * 4;
    dib->info = SpiAllocBlock(40 + 4 * (uint64_t)colors);
    dib->bits = SpiAllocBlock((uint64_t)dib->stride * (uint64_t)height);
    if (!dib->info || !dib->bits) {
        spi_dib_release(dib);
        return SPI_NO_MEMORY;
    }
    advise_huge_pages(dib->bits, (uint64_t)dib->stride * (uint64_t)height);
    uint8_t* h = (uint8_t*)SpiBlockData(dib->info);
    put32(h, 40);
    put32(h + 4, (uint32_t)width);
    put32(h + 8, (uint32_t)height);
    put16(h + 12, 1);
    put16(h + 14, (uint32_t)bitCount);
    put32(h + 16, 0);
    put32(h + 20, (uint32_t)(dib->stride * height));
    put32(h + 24, 3780);
    put32(h + 28, 3780);
    put32(h + 32, (uint32_t)colors);
    put32(h + 36, 0);
    return SPI_OK;
}

uint8_t* spi_dib_row(SpiDib* dib, int32_t y) {
    return (uint8_t*)SpiBlockData(dib->bits) + (int64_t)(dib->height - 1 - y) * dib->stride;
}

void spi_dib_set_color(SpiDib* dib, int index, uint8_t red, uint8_t green, uint8_t blue) {
    uint8_t* entry = (uint8_t*)SpiBlockData(dib->info) + 40 + 4 * index;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
    entry[3] = 0;
}

void spi_dib_set_index(SpiDib* dib, int32_t x, int32_t y, unsigned index) {
    uint8_t* row = spi_dib_row(dib, y);
    switch (dib->bitCount) {
        case 1:
            if (index & 1) row[x >> 3] |= (uint8_t)(0x80 >> (x & 7));
            else row[x >> 3] &= (uint8_t)~(0x80 >> (x & 7));
            break;
        case 4:
            if (x & 1) row[x >> 1] = (uint8_t)((row[x >> 1] & 0xF0) | (index & 0x0F));
            else row[x >> 1] = (uint8_t)((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
            break;
        default: row[x] = (uint8_t)index; break;
    }
}

void spi_dib_set_rgb(SpiDib* dib, int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue) {
    uint8_t* p = spi_dib_row(dib, y) + 3 * (int64_t)x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

int32_t spi_dib_hand_over(SpiDib* dib, SpiHandle* info, SpiHandle* bits) {
    *info = dib->info;
    *bits = dib->bits;
    dib->info = NULL;
    dib->bits = NULL;
    return SPI_OK;
}

void spi_dib_release(SpiDib* dib) {
    free(dib->info);
    free(dib->bits);
    dib->info = NULL;
    dib->bits = NULL;
}

int spi_progress(SpiProgressCallback progress, intptr_t context, int32_t done, int32_t total) {
    if (!progress || (done % 64 != 0 && done != total)) return 0;
    return progress(done, total, context) != 0;
}

uint8_t spi_scale_bits(unsigned value, unsigned bits) {
    const unsigned top = (1u << bits) - 1;
    return (uint8_t)((value * 255 + top / 2) / top);
}

/* Pieces each below the size the allocator maps on its own, together above
   what it keeps of a heap when they are freed. */
#define SPI_HEAP_PIECES 8
#define SPI_HEAP_PIECE_BYTES (64 * 1024)

static void* release_heap(void* unused) {
    (void)unused;
    uint8_t* volatile pieces[SPI_HEAP_PIECES];
    for (int i = 0; i < SPI_HEAP_PIECES; ++i) {
        pieces[i] = (uint8_t*)malloc(SPI_HEAP_PIECE_BYTES);
        if (pieces[i]) pieces[i][0] = 1;
    }
    for (int i = SPI_HEAP_PIECES; i-- > 0;) free(pieces[i]);
    return NULL;
}

void spi_prepare_threads(void) {
    pthread_t thread;
    if (pthread_create(&thread, NULL, release_heap, NULL) == 0) pthread_join(thread, NULL);
}
