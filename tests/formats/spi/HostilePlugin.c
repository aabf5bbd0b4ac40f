/*
 * Hostile image plug-ins for the decoder process tests, one module per
 * HOSTILE_PLUGIN value. Each claims the files that start with its magic
 * and, in GetPicture, misbehaves:
 *
 *   null   "NULL": writes through a null pointer
 *   loop   "LOOP": loops for ever
 *   hog    "HOGG": allocates 64 MiB after 64 MiB without end, touching each
 *          block and never checking for failure
 *   snoop  "SNOO": the fifth byte 'F' first opens and reads $HOME/.ssh/id_rsa,
 *          'N' first connects to the Unix socket $ZELVO_TEST_SOCKET; when
 *          either works it returns a 1 x 1 picture
 *   fork   "FORK": starts a child process, then returns a 1 x 1 picture
 *
 * None of them may ever run in a test's own process.
 */
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "zelvo/spi.h"

#define NULLWRITE 1
#define LOOP 2
#define HOG 3
#define SNOOP 4
#define FORK 5

#if HOSTILE_PLUGIN == NULLWRITE
static const char* const kTexts[] = {"00IN", "null writer", "*.null", "null"};
static const char kMagic[] = "NULL";
#elif HOSTILE_PLUGIN == LOOP
static const char* const kTexts[] = {"00IN", "endless loop", "*.loop", "loop"};
static const char kMagic[] = "LOOP";
#elif HOSTILE_PLUGIN == HOG
static const char* const kTexts[] = {"00IN", "memory hog", "*.hog", "hog"};
static const char kMagic[] = "HOGG";
#elif HOSTILE_PLUGIN == SNOOP
static const char* const kTexts[] = {"00IN", "snoop", "*.snoop", "snoop"};
static const char kMagic[] = "SNOO";
#elif HOSTILE_PLUGIN == FORK
static const char* const kTexts[] = {"00IN", "fork", "*.fork", "fork"};
static const char kMagic[] = "FORK";
#endif

SPI_EXPORT int32_t GetPluginInfo(int32_t infoNumber, char* buffer, int32_t bufferSize) {
    if (infoNumber < 0 || infoNumber >= (int32_t)(sizeof kTexts / sizeof kTexts[0]) || bufferSize <= 0) return 0;
    strncpy(buffer, kTexts[infoNumber], (size_t)bufferSize - 1);
    buffer[bufferSize - 1] = '\0';
    return (int32_t)strlen(buffer);
}

SPI_EXPORT int32_t IsSupported(const char* fileName, const void* head) {
    (void)fileName;
    return memcmp(head, kMagic, 4) == 0;
}

SPI_EXPORT int32_t GetPictureInfo(const void* data, int64_t length, uint32_t inputKind, SpiPictureInfo* info) {
    (void)inputKind;
    if (length < 4 || memcmp(data, kMagic, 4) != 0) return SPI_UNSUPPORTED;
    memset(info, 0, sizeof *info);
    info->width = 1;
    info->height = 1;
    info->colorDepth = 24;
    return SPI_OK;
}

/* A 1 x 1 black picture: the sign that the plug-in got what it was after. */
static int32_t one_pixel(SpiHandle* bitmapInfo, SpiHandle* bits) {
    SpiHandle info = SpiAllocBlock(40);
    SpiHandle rows = SpiAllocBlock(4);
    if (!info || !rows) {
        free(info);
        free(rows);
        return SPI_NO_MEMORY;
    }
    uint8_t* h = (uint8_t*)SpiBlockData(info);
    h[0] = 40;
    h[4] = 1;
    h[8] = 1;
    h[12] = 1;
    h[14] = 24;
    *bitmapInfo = info;
    *bits = rows;
    return SPI_OK;
}

#if HOSTILE_PLUGIN == SNOOP
static int read_secret(void) {
    const char* home = getenv("HOME");
    if (!home) return 0;
    char path[4096];
    strncpy(path, home, sizeof path - 32);
    path[sizeof path - 32] = '\0';
    strcat(path, "/.ssh/id_rsa");
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return 0;
    char byte;
    const int got = (int)read(fd, &byte, 1);
    close(fd);
    return got == 1;
}

static int call_home(void) {
    const char* name = getenv("ZELVO_TEST_SOCKET");
    if (!name) return 0;
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    struct sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, name, sizeof address.sun_path - 1);
    const int connected = connect(fd, (struct sockaddr*)&address, sizeof address) == 0;
    close(fd);
    return connected;
}
#endif

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    (void)inputKind;
    (void)progress;
    (void)context;
    if (length < 4 || memcmp(data, kMagic, 4) != 0) return SPI_UNSUPPORTED;
#if HOSTILE_PLUGIN == NULLWRITE
    volatile uint8_t* volatile nowhere = NULL;
    *nowhere = 1;
#elif HOSTILE_PLUGIN == LOOP
    for (volatile unsigned spin = 0;; ++spin) {
    }
#elif HOSTILE_PLUGIN == HOG
    for (;;) {
        volatile uint8_t* block = (volatile uint8_t*)malloc((size_t)64 << 20);
        for (size_t at = 0; at < ((size_t)64 << 20); at += (size_t)1 << 20) block[at] = 1;
    }
#elif HOSTILE_PLUGIN == SNOOP
    const int fileFirst = length > 4 && ((const uint8_t*)data)[4] == 'F';
    if (fileFirst ? read_secret() || call_home() : call_home() || read_secret()) return one_pixel(bitmapInfo, bits);
    return SPI_BAD_DATA;
#elif HOSTILE_PLUGIN == FORK
    const pid_t child = fork();
    if (child == 0) _exit(0);
    if (child > 0) {
        waitpid(child, NULL, 0);
        return one_pixel(bitmapInfo, bits);
    }
    return SPI_BAD_DATA;
#endif
    return one_pixel(bitmapInfo, bits);
}
