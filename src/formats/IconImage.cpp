#include "formats/IconImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "formats/PngImage.h"
#include "image/ByteReader.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace zelvo {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr const char* kInvalidIcon = "Icon image is not valid";
constexpr const char* kInvalidPara = "TDibImageData.CreateDIB: Invalid Parameters";
// Deflate cannot expand data by more than this factor, so a PNG whose
// pixel bytes exceed it times the entry's size cannot be valid.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

[[noreturn]] void Invalid(const std::string& detail) { throw EInvalidGraphic(kInvalidIcon, detail); }
[[noreturn]] void Short() { throw EReadError(kSReadError); }

std::uint32_t Be32(std::span<const std::uint8_t> d, std::size_t at) {
    return (std::uint32_t(d[at]) << 24) | (std::uint32_t(d[at + 1]) << 16) | (std::uint32_t(d[at + 2]) << 8) |
           std::uint32_t(d[at + 3]);
}

std::uint32_t Le32(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t(d[at]) | (std::uint32_t(d[at + 1]) << 8) | (std::uint32_t(d[at + 2]) << 16) |
           (std::uint32_t(d[at + 3]) << 24);
}

/// Pixel x of a row of 1-, 2-, 4- or 8-bit indices, leftmost pixel in the
/// high bits.
unsigned PackedIndex(const std::uint8_t* row, int x, int bits) {
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}

/// Samples per pixel of a PNG colour type; 0 for an unknown type.
int PngSamples(std::uint8_t colorType) {
    switch (colorType) {
        case 0: case 3: return 1;
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 0;
    }
}

/// One colour channel described by a bit-field mask, widened to 8 bits.
struct TChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint32_t Max = 0;

    explicit TChannel(std::uint32_t mask) : Mask(mask) {
        if (mask == 0) return;
        Shift = std::countr_zero(mask);
        Max = mask >> Shift;
    }
    std::uint8_t Get(std::uint32_t pixel) const {
        if (Max == 0) return 0;
        const std::uint64_t v = (pixel & Mask) >> Shift;
        return std::uint8_t((v * 255 + Max / 2) / Max);
    }
};

TIconPixels DecodePngEntry(std::span<const std::uint8_t> data) {
    // Refuse sizes the entry could not hold before the codec allocates them.
    if (data.size() >= 26) {
        const std::int64_t width = Be32(data, 16);
        const std::int64_t height = Be32(data, 20);
        const int bits = data[24] * PngSamples(data[25]);
        const std::uint64_t rowBytes = (std::uint64_t(width) * std::uint64_t(bits) + 7) / 8;
        if (width > 0 && height > 0 &&
            (!ImageSizeAllowed(width, height) ||
             rowBytes * std::uint64_t(height) > kMaxDeflateRatio * std::uint64_t(data.size())))
            throw EDibImageInvalidDIBPara(kInvalidPara, "PNG icon " + std::to_string(width) + " x " +
                                                            std::to_string(height) + " in " +
                                                            std::to_string(data.size()) + " bytes");
    }
    TMemoryStream stream(std::vector<std::uint8_t>(data.begin(), data.end()));
    const TPngImage png = DecodePng(stream);

    TIconPixels out;
    out.Width = png.Width();
    out.Height = png.Height();
    out.Alpha = true;
    out.Bgra.resize(std::size_t(out.Width) * std::size_t(out.Height) * 4);
    const int bits = png.BitCount();
    const TRGBQuad* palette = png.Palette();
    const int paletteCount = png.PaletteCount();
    const std::vector<std::uint8_t> alphaTable = bits <= 8 ? png.GetAlphaTable() : std::vector<std::uint8_t>{};
    const TColor transparent = png.GetTransparentColor();
    for (int y = 0; y < out.Height; ++y) {
        const std::uint8_t* row = png.ScanLine(y);
        std::uint8_t* o = out.Bgra.data() + std::size_t(y) * std::size_t(out.Width) * 4;
        for (int x = 0; x < out.Width; ++x, o += 4) {
            if (bits == 32) {
                std::memcpy(o, row + std::size_t(x) * 4, 4);
                continue;
            }
            if (bits == 24) {
                std::memcpy(o, row + std::size_t(x) * 3, 3);
            } else {
                const int index = int(PackedIndex(row, x, bits));
                if (index < paletteCount) {
                    o[0] = palette[index].rgbBlue;
                    o[1] = palette[index].rgbGreen;
                    o[2] = palette[index].rgbRed;
                }
                o[3] = std::size_t(index) < alphaTable.size() ? alphaTable[std::size_t(index)] : 255;
                if (std::size_t(index) < alphaTable.size()) continue;
            }
            o[3] = transparent != kNoColor && RGB(o[2], o[1], o[0]) == transparent ? 0 : 255;
        }
    }
    return out;
}

TIconPixels DecodeBitmapEntry(std::span<const std::uint8_t> data) {
    ByteReader r(data);
    const std::uint32_t headerSize = r.Get32LE();
    if (headerSize < 40) Invalid("header size " + std::to_string(headerSize));
    const std::int32_t width = std::int32_t(r.Get32LE());
    const std::int32_t doubleHeight = std::int32_t(r.Get32LE());
    r.Get16LE();  // planes
    const int bitCount = r.Get16LE();
    const std::uint32_t compression = r.Get32LE();
    r.Skip(12);  // image size, resolution
    const std::uint32_t colorsUsed = r.Get32LE();
    if (width <= 0 || doubleHeight < 2)
        Invalid("width " + std::to_string(width) + ", height " + std::to_string(doubleHeight));
    const int height = doubleHeight / 2;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        Invalid("bit count " + std::to_string(bitCount));
    const bool fields = compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32);
    if (compression != BI_RGB && !fields) Invalid("compression " + std::to_string(compression));
    const std::int64_t colorBytes =
        CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, bitCount, kInvalidPara);
    const std::int64_t maskBytes = DibRowBytes(width, 1) * height;

    // Bit-field masks sit in a longer header, or follow a 40-byte one.
    std::uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};
    if (bitCount == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
        masks[3] = 0xFF000000;
    }
    std::size_t pos = headerSize;
    if (fields) {
        r.Seek(40);
        masks[0] = r.Get32LE();
        masks[1] = r.Get32LE();
        masks[2] = r.Get32LE();
        masks[3] = headerSize >= 56 ? r.Get32LE() : 0;
        if (headerSize == 40) pos += 12;
    }
    if (pos > data.size()) Short();
    r.Seek(pos);

    std::vector<TRGBQuad> table;
    if (bitCount <= 8) {
        const std::uint32_t stored = colorsUsed ? colorsUsed : (1u << bitCount);
        if (std::uint64_t(stored) * 4 > r.Remaining()) Short();
        table.resize(std::min<std::uint32_t>(stored, 256));
        for (auto& q : table) r.Read(&q, 4);
        r.Skip(std::size_t(stored - table.size()) * 4);
    }
    const std::span<const std::uint8_t> bits = r.Take(std::size_t(colorBytes));

    TIconPixels out;
    out.Width = width;
    out.Height = height;
    out.Bgra.resize(std::size_t(width) * std::size_t(height) * 4);
    const std::size_t rowBytes = std::size_t(DibRowBytes(width, bitCount));
    const TChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bits.data() + std::size_t(height - 1 - y) * rowBytes;
        std::uint8_t* o = out.Bgra.data() + std::size_t(y) * std::size_t(width) * 4;
        for (int x = 0; x < width; ++x, o += 4) {
            if (bitCount <= 8) {
                const std::size_t index = PackedIndex(row, x, bitCount);
                if (index < table.size()) std::memcpy(o, &table[index], 3);
            } else if (bitCount == 24) {
                std::memcpy(o, row + std::size_t(x) * 3, 3);
            } else {
                const std::uint32_t v = bitCount == 16 ? std::uint32_t(row[x * 2] | (row[x * 2 + 1] << 8))
                                                       : Le32({row, rowBytes}, std::size_t(x) * 4);
                o[0] = blue.Get(v);
                o[1] = green.Get(v);
                o[2] = red.Get(v);
                o[3] = alpha.Get(v);
                anyAlpha = anyAlpha || o[3] != 0;
            }
        }
    }

    // 32-bit entries whose alpha channel is in use need no mask, and some
    // files leave it short; every other entry needs all of it.
    out.Alpha = anyAlpha;
    if (out.Alpha) return out;
    if (std::uint64_t(maskBytes) > r.Remaining()) Short();
    const std::span<const std::uint8_t> mask = r.Take(std::size_t(maskBytes));
    const std::size_t maskRow = std::size_t(DibRowBytes(width, 1));
    out.Mask.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = mask.data() + std::size_t(height - 1 - y) * maskRow;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
            out.Mask[i] = std::uint8_t(PackedIndex(row, x, 1));
            out.Bgra[i * 4 + 3] = out.Mask[i] ? 0 : 255;
        }
    }
    return out;
}

}  // namespace

bool IsPngIconData(std::span<const std::uint8_t> data) {
    return data.size() >= sizeof kPngSignature && std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0;
}

TIconPixels DecodeIconImage(std::span<const std::uint8_t> data) {
    return IsPngIconData(data) ? DecodePngEntry(data) : DecodeBitmapEntry(data);
}

void DrawIconPixels(const TIconPixels& pixels, TDibImage& target, int x, int y) {
    if (target.BitCount() != 24) Invalid("target bit count " + std::to_string(target.BitCount()));
    const int left = std::max(0, -x);
    const int right = std::min(pixels.Width, target.Width() - x);
    const int top = std::max(0, -y);
    const int bottom = std::min(pixels.Height, target.Height() - y);
    for (int row = top; row < bottom; ++row) {
        std::uint8_t* out = target.ScanLine(y + row) + std::size_t(x + left) * 3;
        const std::size_t first = std::size_t(row) * std::size_t(pixels.Width) + std::size_t(left);
        const std::uint8_t* in = pixels.Bgra.data() + first * 4;
        for (int col = left; col < right; ++col, out += 3, in += 4) {
            if (pixels.Alpha) {
                const unsigned a = in[3];
                for (int c = 0; c < 3; ++c) out[c] = std::uint8_t((in[c] * a + out[c] * (255 - a) + 127) / 255);
            } else {
                const bool masked = pixels.Mask[first + std::size_t(col - left)] != 0;
                for (int c = 0; c < 3; ++c) out[c] = std::uint8_t((masked ? out[c] : 0) ^ in[c]);
            }
        }
    }
}

TIconImage::TIconImage(const TIconDirEntry& entry, std::shared_ptr<const std::vector<std::uint8_t>> file,
                       std::size_t offset, std::size_t size, std::string name)
    : FEntry(entry), FFile(std::move(file)), FOffset(offset), FSize(size), FName(std::move(name)) {
    FWidth = entry.Width ? entry.Width : 256;
    FHeight = entry.Height ? entry.Height : 256;
    FBitCount = entry.BitCount;
    const std::span<const std::uint8_t> data = Data();
    FPng = IsPngIconData(data);
    constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();
    if (FPng && data.size() >= 26) {
        FWidth = int(std::min<std::int64_t>(Be32(data, 16), kIntMax));
        FHeight = int(std::min<std::int64_t>(Be32(data, 20), kIntMax));
        FBitCount = data[24] * PngSamples(data[25]);
    } else if (!FPng && data.size() >= 16) {
        FWidth = std::int32_t(Le32(data, 4));
        FHeight = std::int32_t(Le32(data, 8)) / 2;
        FBitCount = data[14] | (data[15] << 8);
    }
}

TIconImage::TIconImage(const TIconDirEntry& entry, std::shared_ptr<const std::vector<std::uint8_t>> file,
                       std::size_t offset, std::size_t size, std::string name, int width, int height, int bitCount,
                       bool png, std::shared_ptr<const TIconPixels> pixels, std::exception_ptr failure)
    : FEntry(entry),
      FFile(std::move(file)),
      FOffset(offset),
      FSize(size),
      FName(std::move(name)),
      FWidth(width),
      FHeight(height),
      FBitCount(bitCount),
      FPng(png),
      FPixels(std::move(pixels)),
      FFailure(std::move(failure)) {}

std::span<const std::uint8_t> TIconImage::Data() const {
    return std::span<const std::uint8_t>(*FFile).subspan(FOffset, FSize);
}

const TIconPixels& TIconImage::Pixels() const {
    if (FFailure) std::rethrow_exception(FFailure);
    if (!FPixels) FPixels = std::make_shared<const TIconPixels>(DecodeIconImage(Data()));
    return *FPixels;
}

bool TIconImage::Draw(TDibImage& target, int x, int y) const {
    try {
        DrawIconPixels(Pixels(), target, x, y);
        return true;
    } catch (const Exception&) {
        // Data that cannot be turned into an icon draws nothing.
        return false;
    }
}

}  // namespace zelvo
