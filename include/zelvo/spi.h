/*
 * Zelvo image plug-ins: the binary interface between the editor and a
 * plug-in library.
 *
 * A plug-in is an ELF shared object whose file name ends in ".spi". The
 * editor loads it with dlopen(RTLD_NOW | RTLD_LOCAL) from its plug-in
 * folders (plugins/ beside the executable, lib/zelvo/plugins of the
 * installation, $XDG_DATA_HOME/zelvo/plugins, and the folder named in
 * registry.ini) and looks the entry points below up by name with dlsym.
 * Every entry point has C linkage and the platform's normal C calling
 * convention; no C++ exception may leave a plug-in.
 *
 * Integers that cross the interface have fixed widths; lengths of data in
 * memory are 64 bits; handles and the host's context value are the size of
 * a pointer. Strings are null-terminated 8-bit text (UTF-8).
 *
 * An image reader (information 0 is "00IN") exports GetPluginInfo,
 * IsSupported, GetPictureInfo and GetPicture. The host also looks up
 * ConfigurationDlg, GetPreview, GetArchiveInfo, GetFileInfo and GetFile but
 * never calls them.
 *
 * plugins/tga and plugins/pcx of the source tree are two complete readers
 * written against this header.
 */
#ifndef ZELVO_SPI_H
#define ZELVO_SPI_H

#include <stdint.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SPI_EXPORT __attribute__((visibility("default")))
#else
#define SPI_EXPORT
#endif

/*
 * Memory handed from a plug-in to the host. A handle points to a block made
 * with malloc (use SpiAllocBlock) that starts with this header; the data
 * follows it. The host reads the data, then releases the whole block with
 * free(). `size` is the number of data bytes and must not exceed what was
 * allocated: the host refuses a block whose size it cannot believe.
 */
typedef struct SpiBlock {
    uint64_t size;     /* data bytes after the header */
    uint64_t reserved; /* 0; keeps the data 16-byte aligned */
} SpiBlock;
typedef SpiBlock* SpiHandle;

/* A zero-filled block of `size` data bytes, or NULL when out of memory. */
static inline SpiHandle SpiAllocBlock(uint64_t size) {
    if (size > (uint64_t)SIZE_MAX - sizeof(SpiBlock)) return NULL;
    SpiHandle block = (SpiHandle)calloc(1, (size_t)size + sizeof(SpiBlock));
    if (block) block->size = size;
    return block;
}

/* The data of a block. */
static inline void* SpiBlockData(SpiHandle block) { return (unsigned char*)block + sizeof(SpiBlock); }

/* Input kinds: the host always passes the file's bytes in memory. */
#define SPI_INPUT_MEMORY 1u

/* The host guarantees this many readable bytes at IsSupported's `head`
   (a shorter file is padded with zeros). */
#define SPI_HEAD_BYTES 2048

/* Results of GetPictureInfo and GetPicture: 0 is success, anything else a
   failure (the host then asks the next plug-in). */
#define SPI_OK 0
#define SPI_ABORTED 1        /* the progress callback asked to stop */
#define SPI_UNSUPPORTED 2    /* not a file of this plug-in */
#define SPI_BAD_DATA 3       /* the file is damaged or truncated */
#define SPI_NO_MEMORY 4      /* an allocation failed */
#define SPI_NOT_IMPLEMENTED -1

/* What GetPictureInfo reports: packed, little-endian, 30 bytes. */
#pragma pack(push, 1)
typedef struct SpiPictureInfo {
    int32_t left;       /* position of the image */
    int32_t top;
    int32_t width;      /* pixels */
    int32_t height;     /* pixels */
    uint16_t xDensity;  /* horizontal density */
    uint16_t yDensity;  /* vertical density */
    int16_t colorDepth; /* bits per pixel */
    SpiHandle info;     /* text information (may be NULL); freed by the host */
} SpiPictureInfo;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(SpiPictureInfo) == 22 + sizeof(void*), "packed picture information");
#else
_Static_assert(sizeof(SpiPictureInfo) == 22 + sizeof(void*), "packed picture information");
#endif

/*
 * Progress while decoding: `number` of `denominator` steps done. Returns 0
 * to go on, non-zero when the user aborted; the plug-in then stops and
 * returns SPI_ABORTED. `context` is the value the host passed to GetPicture.
 */
typedef int32_t (*SpiProgressCallback)(int32_t number, int32_t denominator, intptr_t context);

/*
 * Text number `infoNumber` in `buffer` (at most `bufferSize` bytes including
 * the terminating 0); returns its length, 0 or less when there is no such
 * text. 0: interface version ("00IN" for an image reader); 1: the plug-in's
 * name; 2, 4, 6, ...: file patterns ("*.tga;*.tpic"); 3, 5, 7, ...: the
 * description of the patterns before.
 */
SPI_EXPORT int32_t GetPluginInfo(int32_t infoNumber, char* buffer, int32_t bufferSize);
typedef int32_t (*SpiGetPluginInfoFn)(int32_t, char*, int32_t);

/*
 * Non-zero when the plug-in reads the file: `fileName` is its full name,
 * `head` its first SPI_HEAD_BYTES bytes (zero-padded).
 */
SPI_EXPORT int32_t IsSupported(const char* fileName, const void* head);
typedef int32_t (*SpiIsSupportedFn)(const char*, const void*);

/*
 * Fills `info` for the file of `length` bytes at `data`; `inputKind` is
 * SPI_INPUT_MEMORY. Returns SPI_OK on success.
 */
SPI_EXPORT int32_t GetPictureInfo(const void* data, int64_t length, uint32_t inputKind, SpiPictureInfo* info);
typedef int32_t (*SpiGetPictureInfoFn)(const void*, int64_t, uint32_t, SpiPictureInfo*);

/*
 * Decodes the file of `length` bytes at `data`. On success returns SPI_OK
 * with two blocks: `*bitmapInfo` holds a 40-byte bitmap information header
 * (biSize 40; 1, 4, 8, 16, 24 or 32 bits per pixel; compression 0, or 3
 * with the red, green and blue masks in the 12 bytes after the header for
 * 16 and 32 bits) followed by its colour table (biClrUsed entries of blue,
 * green, red, 0; 0 meaning 2, 16 or 256 for 1, 4 and 8 bits), and `*bits`
 * holds the rows, bottom-up for a positive height, each padded to a
 * multiple of 4 bytes. The host has set both to NULL before the call and
 * takes them over only when the call returns SPI_OK; on failure the plug-in
 * releases what it allocated itself.
 */
SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context);
typedef int32_t (*SpiGetPictureFn)(const void*, int64_t, uint32_t, SpiHandle*, SpiHandle*, SpiProgressCallback,
                                   intptr_t);

#ifdef __cplusplus
}
#endif

#endif /* ZELVO_SPI_H */
