/*
 * Purpose-built image plug-ins for the plug-in host tests, one module per
 * TEST_PLUGIN value:
 *
 *   good       "*.good": "GOOD", width and height (16 bits each), then RGB
 *              pixels top row first; reports progress; text information
 *   retry      "*.r128": like good with the magic "R128", which it finds
 *              only at the start of the data it is given
 *   claim_a/b  both claim "*.same": a file starting "SAME" gives a 1 x 1
 *              picture, red (a) or green (b)
 *   nopicture  an image reader without GetPicture
 *   badsizes   "*.bad": "BAD" and a case number; returns a picture that
 *              lies about its sizes in the way of that case (case 15 fails
 *              with rubbish left in its outputs)
 *   zerodenom  "*.zd": a file starting "ZD" gives a 2 x 1 picture after
 *              reporting progress with a denominator of 0
 *   chatty     version "ZZZZ": claims 1000 bytes for every text, fills
 *              the whole buffer without a terminator, and never runs out
 *              of texts
 */
#include <stdint.h>
#include <string.h>

#include "zelvo/spi.h"

#define GOOD 1
#define RETRY 2
#define CLAIM_A 3
#define CLAIM_B 4
#define NOPICTURE 5
#define BADSIZES 6
#define ZERODENOM 7
#define CHATTY 8

#if TEST_PLUGIN == GOOD
static const char* const kTexts[] = {"00IN", "good test reader", "*.good", "good test pictures"};
static const char kMagic[] = "GOOD";
#elif TEST_PLUGIN == RETRY
static const char* const kTexts[] = {"00IN", "retry test reader", "*.r128", "pictures after 128 bytes"};
static const char kMagic[] = "R128";
#elif TEST_PLUGIN == CLAIM_A
static const char* const kTexts[] = {"00IN", "claim a", "*.same", "claimed by two"};
#elif TEST_PLUGIN == CLAIM_B
static const char* const kTexts[] = {"00IN", "claim b", "*.SAME", "claimed by two"};
#elif TEST_PLUGIN == NOPICTURE
static const char* const kTexts[] = {"00IN", "reader without GetPicture", "*.nop", "no pictures"};
#elif TEST_PLUGIN == BADSIZES
static const char* const kTexts[] = {"00IN", "lying reader", "*.bad", "bad sizes"};
#elif TEST_PLUGIN == ZERODENOM
static const char* const kTexts[] = {"00IN", "zero denominator", "*.zd", "progress by zero"};
#endif

#if TEST_PLUGIN == CHATTY
SPI_EXPORT int32_t GetPluginInfo(int32_t infoNumber, char* buffer, int32_t bufferSize) {
    (void)infoNumber;
    memset(buffer, 'x', (size_t)bufferSize);
    return 1000;
}
#else
SPI_EXPORT int32_t GetPluginInfo(int32_t infoNumber, char* buffer, int32_t bufferSize) {
    if (infoNumber < 0 || infoNumber >= (int32_t)(sizeof kTexts / sizeof kTexts[0]) || bufferSize <= 0) return 0;
    strncpy(buffer, kTexts[infoNumber], (size_t)bufferSize - 1);
    buffer[bufferSize - 1] = '\0';
    return (int32_t)strlen(buffer);
}

__attribute__((unused)) static void put16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}
__attribute__((unused)) static void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

/* A bitmap information block: 40-byte header with `colors` entries after it
   (plus `extra` bytes). */
__attribute__((unused)) static SpiHandle make_info(int32_t width, int32_t height, int bitCount, uint32_t compression, uint32_t colors,
                           uint64_t extra) {
    SpiHandle block = SpiAllocBlock(40 + 4 * (uint64_t)(colors > 256 ? 256 : colors) + extra);
    if (!block) return NULL;
    uint8_t* h = (uint8_t*)SpiBlockData(block);
    put32(h, 40);
    put32(h + 4, (uint32_t)width);
    put32(h + 8, (uint32_t)height);
    put16(h + 12, 1);
    put16(h + 14, (uint32_t)bitCount);
    put32(h + 16, compression);
    put32(h + 32, colors);
    return block;
}

/* A 24-bit picture of width x height from RGB bytes, top row first. */
__attribute__((unused)) static int32_t make_rgb(int32_t width, int32_t height, const uint8_t* rgb, SpiHandle* info, SpiHandle* bits,
                        SpiProgressCallback progress, intptr_t context) {
    const int64_t stride = ((int64_t)width * 3 + 3) / 4 * 4;
    *info = make_info(width, height, 24, 0, 0, 0);
    *bits = SpiAllocBlock((uint64_t)(stride * height));
    if (!*info || !*bits) return SPI_NO_MEMORY;
    uint8_t* out = (uint8_t*)SpiBlockData(*bits);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = out + (int64_t)(height - 1 - y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = rgb + 3 * ((int64_t)y * width + x);
            row[3 * x] = p[2];
            row[3 * x + 1] = p[1];
            row[3 * x + 2] = p[0];
        }
        if (progress && progress(y + 1, height, context)) return SPI_ABORTED;
    }
    return SPI_OK;
}

/* make_rgb into the caller's outputs, which are set only on success. */
__attribute__((unused)) static int32_t hand_over_rgb(int32_t width, int32_t height, const uint8_t* rgb,
                                                     SpiHandle* bitmapInfo, SpiHandle* bits,
                                                     SpiProgressCallback progress, intptr_t context) {
    SpiHandle info = NULL, rows = NULL;
    const int32_t result = make_rgb(width, height, rgb, &info, &rows, progress, context);
    if (result != SPI_OK) {
        free(info);
        free(rows);
        return result;
    }
    *bitmapInfo = info;
    *bits = rows;
    return SPI_OK;
}
#endif

#if TEST_PLUGIN == GOOD || TEST_PLUGIN == RETRY
/* For the tests: the sum of the bytes IsSupported was given from offset 100
   to the end of the head, and how many calls there were. */
static unsigned gHeadTailSum;
static int gIsSupportedCalls;
SPI_EXPORT unsigned TestHeadTailSum(void) { return gHeadTailSum; }
SPI_EXPORT int TestIsSupportedCalls(void) { return gIsSupportedCalls; }

SPI_EXPORT int32_t IsSupported(const char* fileName, const void* head) {
    (void)fileName;
    const uint8_t* bytes = (const uint8_t*)head;
    gHeadTailSum = 0;
    for (int i = 100; i < SPI_HEAD_BYTES; ++i) gHeadTailSum += bytes[i];
    ++gIsSupportedCalls;
    return memcmp(head, kMagic, 4) == 0;
}

static int parse(const uint8_t* data, int64_t length, int32_t* width, int32_t* height) {
    if (length < 8 || memcmp(data, kMagic, 4) != 0) return 0;
    *width = data[4] | (data[5] << 8);
    *height = data[6] | (data[7] << 8);
    return *width > 0 && *height > 0 && length >= 8 + 3 * (int64_t)*width * *height;
}

SPI_EXPORT int32_t GetPictureInfo(const void* data, int64_t length, uint32_t inputKind, SpiPictureInfo* info) {
    int32_t width, height;
    if (inputKind != SPI_INPUT_MEMORY || !parse((const uint8_t*)data, length, &width, &height)) return SPI_BAD_DATA;
    info->width = width;
    info->height = height;
    info->colorDepth = 24;
    static const char kText[] = "made by the good test reader";
    info->info = SpiAllocBlock(sizeof kText);
    if (info->info) memcpy(SpiBlockData(info->info), kText, sizeof kText);
    return SPI_OK;
}

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    int32_t width, height;
    if (inputKind != SPI_INPUT_MEMORY || !parse((const uint8_t*)data, length, &width, &height)) return SPI_BAD_DATA;
    return hand_over_rgb(width, height, (const uint8_t*)data + 8, bitmapInfo, bits, progress, context);
}
#endif

#if TEST_PLUGIN == CLAIM_A || TEST_PLUGIN == CLAIM_B || TEST_PLUGIN == ZERODENOM || TEST_PLUGIN == NOPICTURE || \
    TEST_PLUGIN == BADSIZES
SPI_EXPORT int32_t IsSupported(const char* fileName, const void* head) {
    (void)fileName;
#if TEST_PLUGIN == BADSIZES
    return memcmp(head, "BAD", 3) == 0;
#elif TEST_PLUGIN == ZERODENOM
    return memcmp(head, "ZD", 2) == 0;
#else
    return memcmp(head, "SAME", 4) == 0;
#endif
}

SPI_EXPORT int32_t GetPictureInfo(const void* data, int64_t length, uint32_t inputKind, SpiPictureInfo* info) {
    (void)data;
    (void)length;
    (void)inputKind;
    info->width = 1;
    info->height = 1;
    return SPI_OK;
}
#endif

#if TEST_PLUGIN == CLAIM_A || TEST_PLUGIN == CLAIM_B || TEST_PLUGIN == ZERODENOM
SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    (void)data;
    (void)length;
    (void)inputKind;
#if TEST_PLUGIN == CLAIM_A
    static const uint8_t kRgb[] = {255, 0, 0};
    const int32_t width = 1;
#elif TEST_PLUGIN == CLAIM_B
    static const uint8_t kRgb[] = {0, 255, 0};
    const int32_t width = 1;
#else
    static const uint8_t kRgb[] = {1, 2, 3, 4, 5, 6};
    const int32_t width = 2;
    if (progress(5, 0, context)) return SPI_ABORTED;
    if (progress(0, 0, context)) return SPI_ABORTED;
    if (progress(-3, 0, context)) return SPI_ABORTED;
#endif
    return hand_over_rgb(width, 1, kRgb, bitmapInfo, bits, progress, context);
}
#endif

#if TEST_PLUGIN == BADSIZES
/* Case numbers: the byte after "BAD". Each case's picture is wrong in one
   way; case 0 is a correct 2 x 2 24-bit picture, to show the others are
   refused for their fault alone. */
SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    (void)inputKind;
    (void)progress;
    (void)context;
    const int kase = length > 3 ? ((const uint8_t*)data)[3] : 0;
    if (kase == 15) {
        /* A failure that leaves rubbish in the outputs: the host must not
           take (or free) them. */
        *bitmapInfo = (SpiHandle)(uintptr_t)0x10;
        *bits = (SpiHandle)(uintptr_t)0x20;
        return SPI_BAD_DATA;
    }
    int32_t width = 2, height = 2;
    int bitCount = 24;
    uint32_t compression = 0, colors = 0, sizeImage = 0;
    uint64_t extra = 0, bitsBytes = 16, claimedInfo = 0, claimedBits = 0;
    switch (kase) {
        case 1: width = 0x40000; height = 0x40000; break;         /* far above the pixel limit */
        case 2: width = -2; break;                                /* negative width */
        case 3: height = 0; break;                                /* no rows */
        case 4: bitsBytes = 15; break;                            /* bits block one byte short */
        case 5: bitCount = 8; colors = 0x40000000; break;         /* colour table far beyond the block */
        case 6: bitCount = 8; colors = 0; break;                  /* 256 implied entries, none there */
        case 7: bitCount = 7; break;                              /* no such depth */
        case 8: bitCount = 16; compression = 3; extra = 12; break; /* bit fields with zero masks */
        case 9: bitCount = 16; compression = 3; break;            /* bit fields without masks */
        case 10: bitCount = 8; compression = 1; colors = 2; sizeImage = 17; break; /* RLE longer than the block */
        case 11: claimedBits = 1u << 20; break;                   /* bits block claims more than it has */
        case 12: claimedInfo = 4096; break;                       /* information block claims more */
        case 13: bitCount = 32; compression = 1; break;           /* RLE at 32 bits */
        case 14: width = 0x7FFFFFFF; height = -0x7FFFFFFF - 1; break; /* extremes of the fields */
        default: break;
    }
    SpiHandle info = make_info(width, height, bitCount, compression, colors, extra);
    SpiHandle rows = SpiAllocBlock(bitsBytes);
    if (!info || !rows) {
        free(info);
        free(rows);
        return SPI_NO_MEMORY;
    }
    uint8_t* h = (uint8_t*)SpiBlockData(info);
    put32(h + 20, sizeImage);
    if (kase == 6) info->size = 40;
    if (claimedInfo) info->size = claimedInfo;
    if (claimedBits) rows->size = claimedBits;
    memset(SpiBlockData(rows), 0x7F, (size_t)bitsBytes);
    *bitmapInfo = info;
    *bits = rows;
    return SPI_OK;
}
#endif
