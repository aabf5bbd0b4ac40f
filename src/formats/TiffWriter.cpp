// TIFF writing over libtiff, into memory through client procedures, so the
// stream receives the file only once libtiff has written all of it.

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "formats/EncoderWriters.h"
#include "formats/LazyLibrary.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

// libtiff, and the compression libraries it pulls in, are opened at the
// first save; the functions used here are the same in both sonames.
TLazyLibrary& Tiff() {
    static TLazyLibrary library{"libtiff.so.6", "libtiff.so.5", "libtiff.so"};
    return library;
}

#define TIFFLIB(function) ZELVO_LAZY_CALL(Tiff(), function)

/// The file in memory, as libtiff's client procedures see it.
struct TTiffMemory {
    std::vector<std::uint8_t> Data;
    std::uint64_t Position = 0;
};

tmsize_t MemoryRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* m = static_cast<TTiffMemory*>(handle);
    if (size < 0 || m->Position >= m->Data.size()) return 0;
    const std::uint64_t count = std::min<std::uint64_t>(std::uint64_t(size), m->Data.size() - m->Position);
    std::memcpy(buffer, m->Data.data() + m->Position, count);
    m->Position += count;
    return tmsize_t(count);
}

tmsize_t MemoryWrite(thandle_t handle, void* buffer, tmsize_t size) {
    auto* m = static_cast<TTiffMemory*>(handle);
    if (size < 0) return -1;
    const std::uint64_t end = m->Position + std::uint64_t(size);
    if (end > m->Data.size()) m->Data.resize(end);
    std::memcpy(m->Data.data() + m->Position, buffer, std::size_t(size));
    m->Position = end;
    return size;
}

toff_t MemorySeek(thandle_t handle, toff_t offset, int whence) {
    auto* m = static_cast<TTiffMemory*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = m->Position;
    if (whence == SEEK_END) base = m->Data.size();
    m->Position = base + offset;
    return m->Position;
}

int MemoryClose(thandle_t) { return 0; }
toff_t MemorySize(thandle_t handle) { return static_cast<TTiffMemory*>(handle)->Data.size(); }
int MemoryMap(thandle_t, void**, toff_t*) { return 0; }
void MemoryUnmap(thandle_t, void*, toff_t) {}

void Set(bool ok, const char* what) {
    if (!ok) EncoderFailed("libtiff", what);
}

/// Whether a 1-bit picture's table is black then white.
bool IsBlackWhite(const TDibImage& picture) {
    if (picture.ColorsUsed() < 2) return false;
    const TRGBQuad* t = picture.ColorTable();
    return t[0].rgbRed == 0 && t[0].rgbGreen == 0 && t[0].rgbBlue == 0 && t[1].rgbRed == 255 &&
           t[1].rgbGreen == 255 && t[1].rgbBlue == 255;
}

}  // namespace

void SaveTiffPicture(const TDibImage& source, TStream& stream, const TSaveOptions& options) {
    TDibImage picture(source);
    if (picture.PixelFormat() == dibPf4BitRLE) picture.SetPixelFormat(dibPf4Bit);
    if (picture.PixelFormat() == dibPf8BitRLE) picture.SetPixelFormat(dibPf8Bit);
    const int bits = picture.BitCount();
    // A transparent colour needs alpha, which only the RGB form carries.
    const bool rgb = bits == 24 || options.Transparent;
    const TEncoderPixels pixels = rgb ? EncoderPixels(picture, options) : TEncoderPixels{};
    const int width = picture.Width();
    const int height = picture.Height();

    TTiffMemory memory;
    TIFF* tiff = TIFFLIB(TIFFClientOpen)("memory", "w", &memory, MemoryRead, MemoryWrite, MemorySeek, MemoryClose,
                                MemorySize, MemoryMap, MemoryUnmap);
    if (!tiff) EncoderFailed("libtiff", "open");
    const TScopeExit closeTiff([&] {
        if (tiff) TIFFLIB(TIFFClose)(tiff);
    });

    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(width)), "width");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(height)), "height");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG), "planar");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT), "orientation");
    int compression = COMPRESSION_NONE;
    if (options.Encoders.TiffCompression == TTiffCompression::Lzw) compression = COMPRESSION_LZW;
    if (options.Encoders.TiffCompression == TTiffCompression::Deflate) compression = COMPRESSION_ADOBE_DEFLATE;
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_COMPRESSION, compression), "compression");

    std::size_t rowBytes = 0;
    if (rgb) {
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB), "photometric");
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_BITSPERSAMPLE, 8), "bits");
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_SAMPLESPERPIXEL, pixels.Channels), "samples");
        if (pixels.Channels == 4) {
            const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
            Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_EXTRASAMPLES, 1, extra), "alpha");
        }
        if (compression != COMPRESSION_NONE)
            Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL), "predictor");
        rowBytes = std::size_t(width) * std::size_t(pixels.Channels);
    } else {
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_BITSPERSAMPLE, bits), "bits");
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_SAMPLESPERPIXEL, 1), "samples");
        if (bits == 1 && IsBlackWhite(picture)) {
            Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK), "photometric");
        } else {
            Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE), "photometric");
            // The table has 2^bits entries of 16 bits a channel; unused ones are black.
            const std::size_t entries = std::size_t(1) << bits;
            std::vector<std::uint16_t> red(entries), green(entries), blue(entries);
            for (int i = 0; i < std::min<int>(picture.ColorsUsed(), int(entries)); ++i) {
                const TRGBQuad& q = picture.ColorTable()[i];
                red[std::size_t(i)] = std::uint16_t(q.rgbRed * 257);
                green[std::size_t(i)] = std::uint16_t(q.rgbGreen * 257);
                blue[std::size_t(i)] = std::uint16_t(q.rgbBlue * 257);
            }
            Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data()), "palette");
        }
        rowBytes = (std::size_t(width) * std::size_t(bits) + 7) / 8;
    }
    const std::uint32_t rowsPerStrip =
        std::uint32_t(std::max<std::size_t>(1, 65536 / std::max<std::size_t>(rowBytes, 1)));
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip), "strips");

    const TPortableMetadata metadata =
        options.Metadata ? PortableMetadataForSave(*options.Metadata, width, height) : TPortableMetadata{};
    if (!metadata.Icc.empty())
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_ICCPROFILE, std::uint32_t(metadata.Icc.size()), metadata.Icc.data()),
            "icc");
    if (!metadata.Xmp.empty())
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_XMLPACKET, std::uint32_t(metadata.Xmp.size()), metadata.Xmp.data()),
            "xmp");

    std::vector<std::uint8_t> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        if (rgb) {
            std::memcpy(row.data(), pixels.Data.data() + std::size_t(y) * rowBytes, rowBytes);
        } else {
            // Palette rows are stored as the picture keeps them: leftmost
            // pixel in the high bits, which is TIFF's fill order 1.
            std::memcpy(row.data(), picture.ScanLineRead(y), rowBytes);
        }
        if (TIFFLIB(TIFFWriteScanline)(tiff, row.data(), std::uint32_t(y), 0) < 0) EncoderFailed("libtiff", "row");
    }
    if (!TIFFLIB(TIFFWriteDirectory)(tiff)) EncoderFailed("libtiff", "directory");
    if (!TIFFLIB(TIFFFlush)(tiff)) EncoderFailed("libtiff", "flush");
    TIFFLIB(TIFFClose)(tiff);
    tiff = nullptr;
    stream.WriteBuffer(memory.Data.data(), memory.Data.size());
}

}  // namespace zelvo
