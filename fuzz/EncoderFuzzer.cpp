// Fuzz target for the writers over outside encoders: the input describes a
// small picture (format, depth, size, options, transparent colour, then
// palette and pixel bytes); the picture is written through the format
// table and our own file decoded again with the format's library. Lossless
// saves (WebP lossless, TIFF, JPEG XL lossless) must give back every
// sample, alpha included; lossy WebP must decode at the picture's size.
// Bytes left after the pixels are the TIFF data of an EXIF block kept with
// the picture, as a JPEG's would be; a TIFF save carrying its Exif or GPS
// IFD must read back through libtiff. A difference aborts, so the fuzzer
// reports it like a crash.
#include <jxl/decode.h>
#include <tiffio.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/EncoderWriters.h"
#include "formats/Exif.h"
#include "formats/PictureFormats.h"
#include "image/Stream.h"

namespace {

using namespace zelvo;

struct TMemory {
    const std::vector<std::uint8_t>* Data;
    std::uint64_t Position = 0;
};

tmsize_t Read(thandle_t h, void* buffer, tmsize_t size) {
    auto* m = static_cast<TMemory*>(h);
    const std::uint64_t left = m->Position < m->Data->size() ? m->Data->size() - m->Position : 0;
    const std::uint64_t n = std::min<std::uint64_t>(left, std::uint64_t(size));
    std::memcpy(buffer, m->Data->data() + m->Position, n);
    m->Position += n;
    return tmsize_t(n);
}
tmsize_t Write(thandle_t, void*, tmsize_t) { return -1; }
toff_t Seek(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<TMemory*>(h);
    m->Position = (whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->Position : m->Data->size()) + offset;
    return m->Position;
}
int Close(thandle_t) { return 0; }
toff_t Size(thandle_t h) { return static_cast<TMemory*>(h)->Data->size(); }
int Map(thandle_t, void**, toff_t*) { return 0; }
void Unmap(thandle_t, void*, toff_t) {}

// The decoded file as top-down RGBA rows; empty when it does not decode.
std::vector<std::uint8_t> DecodeWebp(const std::vector<std::uint8_t>& file, int& width, int& height) {
    std::uint8_t* rgba = WebPDecodeRGBA(file.data(), file.size(), &width, &height);
    if (!rgba) return {};
    std::vector<std::uint8_t> out(rgba, rgba + std::size_t(width) * std::size_t(height) * 4);
    WebPFree(rgba);
    return out;
}

// Empty as well when an Exif or GPS IFD that IFD0 points to does not read.
std::vector<std::uint8_t> DecodeTiff(const std::vector<std::uint8_t>& file, int& width, int& height) {
    TMemory memory{&file};
    TIFF* tiff = TIFFClientOpen("memory", "r", &memory, Read, Write, Seek, Close, Size, Map, Unmap);
    if (!tiff) return {};
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    std::vector<std::uint32_t> raster(std::size_t(w) * h);
    std::vector<std::uint8_t> out;
    if (!raster.empty() && TIFFReadRGBAImageOriented(tiff, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
        for (std::uint32_t p : raster)
            out.insert(out.end(), {std::uint8_t(TIFFGetR(p)), std::uint8_t(TIFFGetG(p)), std::uint8_t(TIFFGetB(p)),
                                   std::uint8_t(TIFFGetA(p))});
    }
    std::uint64_t exifIfd = 0, gpsIfd = 0;
    const bool hasExif = TIFFGetField(tiff, TIFFTAG_EXIFIFD, &exifIfd) == 1;
    const bool hasGps = TIFFGetField(tiff, TIFFTAG_GPSIFD, &gpsIfd) == 1;
    if ((hasExif && !TIFFReadEXIFDirectory(tiff, exifIfd)) || (hasGps && !TIFFReadGPSDirectory(tiff, gpsIfd)))
        out.clear();
    TIFFClose(tiff);
    width = int(w);
    height = int(h);
    return out;
}

std::vector<std::uint8_t> DecodeJxl(const std::vector<std::uint8_t>& file, int& width, int& height) {
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    std::vector<std::uint8_t> out;
    JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(decoder, file.data(), file.size());
    JxlDecoderCloseInput(decoder);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo info;
            JxlDecoderGetBasicInfo(decoder, &info);
            width = int(info.xsize);
            height = int(info.ysize);
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            out.resize(std::size_t(width) * std::size_t(height) * 4);
            JxlDecoderSetImageOutBuffer(decoder, &format, out.data(), out.size());
        } else {
            if (status != JXL_DEC_FULL_IMAGE) out.clear();
            break;
        }
    }
    JxlDecoderDestroy(decoder);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    const int kind = data[0] % 4;  // WebP lossless, TIFF, JPEG XL lossless, WebP lossy
    static const int kDepths[] = {1, 4, 8, 24};
    const int depth = kDepths[data[1] % 4];
    const int width = 1 + data[2] % 48;
    const int height = 1 + data[3] % 48;
    TSaveOptions options;
    options.Transparent = (data[4] & 1) != 0;
    options.TransparentColor = RGB(data[5], data[6], data[7]);
    options.Encoders.WebpLossless = kind == 0;
    options.Encoders.WebpEffort = ((data[4] >> 1) & 7) % 7;
    options.Encoders.TiffCompression = TTiffCompression((data[4] >> 4) % 3);
    options.Encoders.JxlLossless = true;
    options.Encoders.JxlEffort = 1 + (data[4] >> 4) % 3;
    std::size_t at = 8;
    auto next = [&] { return at < size ? data[at++] : std::uint8_t(0); };

    TDibImage picture;
    picture.SetWidth(width);
    picture.SetHeight(height);
    picture.SetBitCount(depth);
    if (depth < 24) {
        std::vector<TRGBQuad> table(std::size_t(1) << depth);
        for (TRGBQuad& q : table) q = {next(), next(), next(), 0};
        picture.SetColorTable(table);
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int i = 0; i < picture.RowBytes(); ++i) row[i] = next();
    }

    TPictureMetadata metadata;
    if (at < size) {
        TMetadataBlock exif{0xE1, std::vector<std::uint8_t>(kExifSignature, kExifSignature + 6)};
        exif.Data.insert(exif.Data.end(), data + at, data + size);
        metadata = JpegMetadata({std::move(exif)});
        options.Metadata = &metadata;
    }

    static const char* const kExtensions[] = {".webp", ".tif", ".jxl", ".webp"};
    const TPictureFormat* format = FindPictureFormat(kExtensions[kind]);
    TMemoryStream stream;
    format->Write(picture, stream, options, kExtensions[kind]);
    const std::vector<std::uint8_t>& file = stream.Data();

    int decodedWidth = 0, decodedHeight = 0;
    const std::vector<std::uint8_t> decoded = kind == 1   ? DecodeTiff(file, decodedWidth, decodedHeight)
                                              : kind == 2 ? DecodeJxl(file, decodedWidth, decodedHeight)
                                                          : DecodeWebp(file, decodedWidth, decodedHeight);
    if (decoded.empty() || decodedWidth != width || decodedHeight != height) std::abort();
    if (kind == 3) return 0;
    const TEncoderPixels want = EncoderPixels(picture, options);
    for (std::size_t p = 0; p < std::size_t(width) * std::size_t(height); ++p) {
        const std::uint8_t* w = want.Data.data() + p * std::size_t(want.Channels);
        const std::uint8_t* g = decoded.data() + p * 4;
        const std::uint8_t alpha = want.Channels == 4 ? w[3] : 255;
        if (g[3] != alpha) std::abort();
        // libtiff's RGBA reader premultiplies unassociated alpha, so a
        // transparent pixel's colour is not compared there.
        if ((alpha == 255 || kind != 1) && std::memcmp(g, w, 3) != 0) std::abort();
    }
    return 0;
}
