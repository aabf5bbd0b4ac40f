// Fuzz target for the BMP reader, the packed-DIB reader and the RLE decoders.
//
// The last input byte picks the options (it is not part of the data):
//   bits 0-1: 0 BMP file, 1 packed DIB, 2 raw RLE8 data, 3 raw RLE4 data
//             (for raw data the first 4 bytes are width and height, 16 bits
//             each, little-endian);
//   bit 2:    decode loaded RLE data through SetPixelFormat instead of the
//             decoder functions;
//   bit 3:    re-encode uncompressed 4 and 8-bit results as RLE and check
//             that they decode to the same bytes.
// Every loaded picture of a valid pixel format is also saved and loaded
// again, which must succeed and give the same stored bytes. (Pairs such as
// 1 bit with bit-field compression load as stored but have no pixel format;
// their writing does not keep the masks, so they are not round-tripped.) Only the program's own exceptions are caught;
// anything else, or a sanitizer report, is a finding.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/DibImage.h"
#include "image/DibRle.h"

namespace {

using namespace zelvo;

// Pictures larger than this are not decoded (the reader itself allows 2^28).
constexpr std::int64_t kPixelBudget = std::int64_t(1) << 22;

volatile std::uint8_t gSink;

void Touch(const std::uint8_t* p, std::size_t n) {
    std::uint8_t acc = 0;
    for (std::size_t i = 0; i < n; ++i) acc = std::uint8_t(acc + p[i]);
    gSink = acc;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// Width x height from the information header at `header`, or -1 when it
// cannot be told (the reader will refuse such data itself).
std::int64_t HeaderPixels(const std::uint8_t* data, std::size_t size, std::size_t header) {
    if (size < header + 12) return 0;
    if (Le32(data + header) == 12) {
        return std::int64_t(data[header + 4] | (data[header + 5] << 8)) * (data[header + 6] | (data[header + 7] << 8));
    }
    if (size < header + 16) return 0;
    const std::int64_t w = std::int32_t(Le32(data + header + 4));
    std::int64_t h = std::int32_t(Le32(data + header + 8));
    if (h < 0) h = -h;
    return w > 0 ? w * h : 0;
}

void ExerciseImage(TDibImage& image, unsigned options) {
    const TDibPixelFormat format = image.GetPixelFormat();
    if (format == dibPf8BitRLE || format == dibPf4BitRLE) {
        if (options & 4) {
            image.SetPixelFormat(format == dibPf8BitRLE ? dibPf8Bit : dibPf4Bit);
        } else {
            image.ReplaceData(format == dibPf8BitRLE ? Convert8BitRLETo8BitRGB(*image.DibData())
                                                     : Convert4BitRLETo4BitRGB(*image.DibData()));
        }
    }
    for (int y = 0; y < image.Height(); ++y) Touch(image.ScanLineRead(y), std::size_t(image.RowBytes()));
    Touch(reinterpret_cast<const std::uint8_t*>(image.ColorTable()), 4 * std::size_t(image.ColorsUsed()));

    const int bits = image.BitCount();
    if ((options & 8) && (bits == 8 || bits == 4)) {
        std::unique_ptr<TDibImageData> coded;
        try {
            coded.reset(bits == 8 ? Convert8BitRGBTo8BitRLE(*image.DibData()) : Convert4BitRGBTo4BitRLE(*image.DibData()));
        } catch (const EDibImageCompressionFailed&) {
        }
        if (coded) {
            std::unique_ptr<TDibImageData> back(bits == 8 ? Convert8BitRLETo8BitRGB(*coded)
                                                          : Convert4BitRLETo4BitRGB(*coded));
            // Compare display rows (the coded form is always bottom-up), pixels only.
            const TDibImageData& src = *image.DibData();
            const std::size_t used = bits == 8 ? std::size_t(src.Width) : std::size_t(src.Width) / 2;
            for (int y = 0; y < src.Height; ++y) {
                const int a = src.TopDown() ? src.Height - 1 - y : y;
                Check(std::memcmp(src.Bits + std::size_t(a) * std::size_t(src.RowBytes()),
                                  back->Bits + std::size_t(y) * std::size_t(back->RowBytes()), used) == 0);
            }
        }
    }
}

void SaveAndReload(const TDibImage& image) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    stream.SetPosition(0);
    TDibImage again;
    again.LoadFromStream(stream);
    Check(again.Bits().size() == image.Bits().size());
    Check(std::memcmp(again.Bits().data(), image.Bits().data(), image.Bits().size()) == 0);
    Check(again.Header().biHeight == image.Header().biHeight);
}

void RawRle(const std::uint8_t* data, std::size_t size, int bits) {
    if (size < 4) return;
    const int width = data[0] | (data[1] << 8);
    const int height = data[2] | (data[3] << 8);
    if (width == 0 || height == 0 || std::int64_t(width) * height > kPixelBudget) return;
    TBitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = std::uint16_t(bits);
    h.biCompression = bits == 8 ? BI_RLE8 : BI_RLE4;
    h.biClrUsed = 1u << bits;
    std::unique_ptr<TDibImageData> coded(TDibImageData::CreateRaw(h, std::uint32_t(size - 4), false));
    std::memcpy(coded->Bits, data + 4, size - 4);
    std::unique_ptr<TDibImageData> out(bits == 8 ? Convert8BitRLETo8BitRGB(*coded) : Convert4BitRLETo4BitRGB(*coded));
    Check(out->ImageSize == std::uint32_t(out->RowBytes()) * std::uint32_t(height));
    Touch(out->Bits, out->ImageSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    --size;
    try {
        switch (options & 3) {
            case 0: {
                if (HeaderPixels(data, size, 14) > kPixelBudget) return 0;
                TDibImage image;
                TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
                image.LoadFromStream(stream);
                image.GetPixelFormat();  // throws for pairs without a pixel format
                SaveAndReload(image);
                ExerciseImage(image, options);
                break;
            }
            case 1: {
                if (HeaderPixels(data, size, 0) > kPixelBudget) return 0;
                TDibImage image;
                image.LoadFromClipboardFormat(CF_DIB, std::span(data, size), nullptr);
                image.GetPixelFormat();
                std::uint16_t format = 0;
                HPALETTE palette;
                const auto block = image.SaveToClipboardFormat(format, palette);
                TDibImage again;
                again.LoadFromClipboardFormat(format, block, palette);
                Check(again.Bits().size() == image.Bits().size());
                ExerciseImage(image, options);
                break;
            }
            case 2: RawRle(data, size, 8); break;
            case 3: RawRle(data, size, 4); break;
        }
    } catch (const zelvo::Exception&) {
        // Refused input: the expected outcome for most mutations.
    }
    return 0;
}
