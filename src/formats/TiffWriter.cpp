// TIFF writing over libtiff, into memory through client procedures, so the
// stream receives the file only once libtiff has written all of it.
// Compressed strips are coded on the band threads, each into a TIFF of its
// own in memory, and their coded bytes then written in order as the file's
// raw strips: the same bytes as coding them one after the other.
// A picture's EXIF becomes directories of the file itself: the Exif and GPS
// IFDs with their values go right behind the header, before the strips, and
// IFD0 points to them; the file is then written in the EXIF's byte order,
// so that every value (maker notes too) keeps the bytes it had.

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "formats/EncoderWriters.h"
#include "formats/Exif.h"
#include "formats/LazyLibrary.h"
#include "image/RowBands.h"
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

/// The size a strip's samples are given.
constexpr std::size_t kTiffStripBytes = 512 * 1024;

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
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const std::uint64_t end = m->Position + std::uint64_t(size);
    if (m->Position == m->Data.size()) {
        // Appending, as nearly every write does: no zeros written first.
        m->Data.insert(m->Data.end(), bytes, bytes + size);
    } else {
        if (end > m->Data.size()) m->Data.resize(end);
        std::memcpy(m->Data.data() + m->Position, bytes, std::size_t(size));
    }
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

/// A TIFF written into `memory` (`mode` as TIFFClientOpen takes it); throws
/// when libtiff cannot start one.
TIFF* OpenMemory(TTiffMemory& memory, const char* mode = "w") {
    TIFF* tiff = TIFFLIB(TIFFClientOpen)("memory", mode, &memory, MemoryRead, MemoryWrite, MemorySeek, MemoryClose,
                                         MemorySize, MemoryMap, MemoryUnmap);
    if (!tiff) EncoderFailed("libtiff", "open");
    return tiff;
}

/// What decides how a strip's samples are coded.
struct TSampleLayout {
    std::uint32_t Width = 0;
    int Bits = 8;
    int Samples = 3;
    bool Alpha = false;
    int Compression = COMPRESSION_NONE;
    bool Predictor = false;
};

/// Sets the tags of `layout` for pictures of `rows` rows a strip.
void SetLayout(TIFF* tiff, const TSampleLayout& layout, std::uint32_t rows) {
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_IMAGEWIDTH, layout.Width), "width");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG), "planar");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_BITSPERSAMPLE, layout.Bits), "bits");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.Samples), "samples");
    if (layout.Alpha) {
        const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_EXTRASAMPLES, 1, extra), "alpha");
    }
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_COMPRESSION, layout.Compression), "compression");
    if (layout.Predictor) Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL), "predictor");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_ROWSPERSTRIP, rows), "strips");
}

/// `rows` rows of samples (`bytes` bytes, changed by the predictor) coded
/// as one strip, through a TIFF of their own.
std::vector<std::uint8_t> CodeStrip(const TSampleLayout& layout, std::uint32_t rows, std::uint8_t* samples,
                                    std::size_t bytes) {
    TTiffMemory memory;
    TIFF* tiff = OpenMemory(memory);
    const TScopeExit cleanup([&] { TIFFLIB(TIFFCleanup)(tiff); });
    SetLayout(tiff, layout, rows);
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_IMAGELENGTH, rows), "height");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PHOTOMETRIC,
                              layout.Samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK),
        "photometric");
    if (TIFFLIB(TIFFWriteEncodedStrip)(tiff, 0, samples, tmsize_t(bytes)) < 0) EncoderFailed("libtiff", "strip");
    const std::uint64_t offset = TIFFLIB(TIFFGetStrileOffset)(tiff, 0);
    const std::uint64_t count = TIFFLIB(TIFFGetStrileByteCount)(tiff, 0);
    if (offset > memory.Data.size() || count > memory.Data.size() - offset) EncoderFailed("libtiff", "strip");
    return std::vector<std::uint8_t>(memory.Data.begin() + std::ptrdiff_t(offset),
                                     memory.Data.begin() + std::ptrdiff_t(offset + count));
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
    const int width = picture.Width();
    const int height = picture.Height();

    TSampleLayout layout;
    layout.Width = std::uint32_t(width);
    if (options.Encoders.TiffCompression == TTiffCompression::Lzw) layout.Compression = COMPRESSION_LZW;
    if (options.Encoders.TiffCompression == TTiffCompression::Deflate) layout.Compression = COMPRESSION_ADOBE_DEFLATE;
    std::optional<TEncoderRows> rgbRows;
    if (rgb) {
        rgbRows.emplace(picture, options);
        layout.Samples = rgbRows->Channels();
        layout.Alpha = layout.Samples == 4;
        layout.Predictor = layout.Compression != COMPRESSION_NONE;
    } else {
        layout.Bits = bits;
        layout.Samples = 1;
    }
    const std::size_t rowBytes = (std::size_t(width) * std::size_t(layout.Samples * layout.Bits) + 7) / 8;
    // Strips of about 512 KiB: few enough that each costs libtiff little,
    // enough to share among the band threads.
    const std::uint32_t rowsPerStrip = std::uint32_t(
        std::clamp<std::size_t>(kTiffStripBytes / std::max<std::size_t>(rowBytes, 1), 1, std::size_t(height)));
    const int strips = int((std::uint32_t(height) + rowsPerStrip - 1) / rowsPerStrip);
    // Strip `strip`'s rows into `samples`, as the file stores them; returns
    // its row count.
    auto fillStrip = [&](int strip, std::uint8_t* samples) {
        const int first = strip * int(rowsPerStrip);
        const int rows = std::min(int(rowsPerStrip), height - first);
        for (int i = 0; i < rows; ++i) {
            std::uint8_t* row = samples + std::size_t(i) * rowBytes;
            // Palette rows are stored as the picture keeps them: leftmost
            // pixel in the high bits, which is TIFF's fill order 1.
            if (rgb) rgbRows->Row(first + i, row);
            else std::memcpy(row, picture.ScanLineRead(first + i), rowBytes);
        }
        return std::uint32_t(rows);
    };

    const TPortableMetadata metadata =
        options.Metadata ? PortableMetadataForSave(*options.Metadata, width, height) : TPortableMetadata{};
    // libtiff writes the 8-byte header when it opens the file; the EXIF
    // directories follow it.
    constexpr std::uint32_t kHeaderBytes = 8;
    const TExifForTiff exif = ExifForTiff(metadata.Exif, kHeaderBytes);

    TTiffMemory memory;
    // Room for an uncompressed file (up to 256 MiB), so that the file in
    // memory seldom moves as it grows.
    memory.Data.reserve(std::min<std::size_t>(rowBytes * std::size_t(height) + 65536, std::size_t(1) << 28));
    // Without EXIF directories the file keeps libtiff's own byte order.
    TIFF* tiff = OpenMemory(memory, exif.Bytes.empty() ? "w" : exif.BigEndian ? "wb" : "wl");
    const TScopeExit closeTiff([&] {
        if (tiff) TIFFLIB(TIFFClose)(tiff);
    });
    // libtiff appends every strip and directory at the end of the file, so
    // it writes around what is put there now.
    const bool exifDirectories = !exif.Bytes.empty() && memory.Data.size() == kHeaderBytes;
    if (exifDirectories) {
        memory.Data.insert(memory.Data.end(), exif.Bytes.begin(), exif.Bytes.end());
        memory.Position = memory.Data.size();
        if (exif.ExifIfd != 0)
            Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_EXIFIFD, std::uint64_t(exif.ExifIfd)), "exif");
        if (exif.GpsIfd != 0) Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_GPSIFD, std::uint64_t(exif.GpsIfd)), "gps");
    }
    // Texts libtiff refused would only be missing, so the save goes on.
    for (const auto& [tag, text] : exif.Ifd0Text) TIFFLIB(TIFFSetField)(tiff, std::uint32_t(tag), text.c_str());
    SetLayout(tiff, layout, rowsPerStrip);
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(height)), "height");
    Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT), "orientation");
    if (rgb) {
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB), "photometric");
    } else if (bits == 1 && IsBlackWhite(picture)) {
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

    if (!metadata.Icc.empty())
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_ICCPROFILE, std::uint32_t(metadata.Icc.size()), metadata.Icc.data()),
            "icc");
    if (!metadata.Xmp.empty())
        Set(TIFFLIB(TIFFSetField)(tiff, TIFFTAG_XMLPACKET, std::uint32_t(metadata.Xmp.size()), metadata.Xmp.data()),
            "xmp");

    if (layout.Compression == COMPRESSION_NONE) {
        std::vector<std::uint8_t> samples(rowBytes * rowsPerStrip);
        for (int strip = 0; strip < strips; ++strip) {
            const std::uint32_t rows = fillStrip(strip, samples.data());
            if (TIFFLIB(TIFFWriteRawStrip)(tiff, std::uint32_t(strip), samples.data(), tmsize_t(rows * rowBytes)) < 0)
                EncoderFailed("libtiff", "strip");
        }
    } else {
        std::vector<std::vector<std::uint8_t>> coded(static_cast<std::size_t>(strips));
        ForEachBand(
            strips, 1,
            [&](int begin, int end) {
                std::vector<std::uint8_t> samples(rowBytes * rowsPerStrip);
                for (int strip = begin; strip < end; ++strip) {
                    const std::uint32_t rows = fillStrip(strip, samples.data());
                    coded[std::size_t(strip)] = CodeStrip(layout, rows, samples.data(), rows * rowBytes);
                }
            },
            [&](int strip) {
                std::vector<std::uint8_t>& bytes = coded[std::size_t(strip)];
                if (TIFFLIB(TIFFWriteRawStrip)(tiff, std::uint32_t(strip), bytes.data(), tmsize_t(bytes.size())) < 0)
                    EncoderFailed("libtiff", "strip");
                std::vector<std::uint8_t>().swap(bytes);
            });
    }
    // The first strip comes behind the EXIF directories, else libtiff wrote
    // over them.
    if (exifDirectories && TIFFLIB(TIFFGetStrileOffset)(tiff, 0) < kHeaderBytes + exif.Bytes.size())
        EncoderFailed("libtiff", "exif");
    if (!TIFFLIB(TIFFWriteDirectory)(tiff)) EncoderFailed("libtiff", "directory");
    if (!TIFFLIB(TIFFFlush)(tiff)) EncoderFailed("libtiff", "flush");
    TIFFLIB(TIFFClose)(tiff);
    tiff = nullptr;
    stream.WriteBuffer(memory.Data.data(), memory.Data.size());
}

}  // namespace zelvo
