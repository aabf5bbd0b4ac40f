// The PNG decoder: chunk by chunk, every header field checked, the image
// data inflated and unfiltered row by row into the container.

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "formats/PngChunks.h"
#include "formats/PngImage.h"
#include "formats/PngInterlace.h"
#include "formats/PngRowFilters.h"
#include "formats/ZStream.h"
#include "image/ByteReader.h"
#include "image/ImageLimits.h"
#include "image/ReadCancel.h"

namespace zelvo {
namespace {

using namespace png;

// Deflate cannot expand one input byte into more than about 1032 output
// bytes; a picture that would need more than this from the bytes left in
// the file cannot be there.
constexpr std::int64_t kMaxInflateRatio = 1040;
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

std::string ChunkLabel(std::uint32_t type) {
    std::string s(4, '?');
    for (int i = 0; i < 4; ++i) {
        const char c = char((type >> (24 - 8 * i)) & 0xFF);
        if (c >= 32 && c < 127) s[std::size_t(i)] = c;
    }
    return s;
}

[[noreturn]] void LoadError(const char* message, std::string detail = {}) {
    throw EPngLoadError(message, std::move(detail));
}

// How one file row becomes one container row.
enum class TRowKind {
    Copy1, Widen2, Copy4, Copy8, Grey16, GreyAlpha8, GreyAlpha16, Rgb8, Rgb16, Rgba8, Rgba16
};

// Writes `count` pixels of the unfiltered file row `src` into the container
// row `dst` at columns x0, x0 + dx, ... The container starts zero-filled and
// every pixel is written once, so sub-byte pixels are ORed in.
void StoreRow(TRowKind kind, const std::uint8_t* src, int count, int x0, int dx, std::uint8_t* dst) {
    const std::size_t n = std::size_t(count);
    switch (kind) {
        case TRowKind::Copy1:
            if (dx == 1) {
                std::memcpy(dst, src, (n + 7) / 8);
                if (n % 8) dst[n / 8] &= std::uint8_t(0xFF00 >> (n % 8));
            } else {
                for (std::size_t i = 0; i < n; ++i) {
                    if ((src[i >> 3] >> (7 - (i & 7))) & 1) {
                        const std::size_t x = std::size_t(x0) + i * std::size_t(dx);
                        dst[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
                    }
                }
            }
            return;
        case TRowKind::Widen2:
            for (std::size_t i = 0; i < n; ++i) {
                const int v = (src[i >> 2] >> (6 - 2 * (i & 3))) & 3;
                const std::size_t x = std::size_t(x0) + i * std::size_t(dx);
                dst[x >> 1] |= std::uint8_t((x & 1) ? v : v << 4);
            }
            return;
        case TRowKind::Copy4:
            if (dx == 1) {
                std::memcpy(dst, src, (n + 1) / 2);
                if (n % 2) dst[n / 2] &= 0xF0;
            } else {
                for (std::size_t i = 0; i < n; ++i) {
                    const int v = (i & 1) ? src[i >> 1] & 15 : src[i >> 1] >> 4;
                    const std::size_t x = std::size_t(x0) + i * std::size_t(dx);
                    dst[x >> 1] |= std::uint8_t((x & 1) ? v : v << 4);
                }
            }
            return;
        case TRowKind::Copy8:
            if (dx == 1) {
                std::memcpy(dst, src, n);
            } else {
                for (std::size_t i = 0; i < n; ++i) dst[std::size_t(x0) + i * std::size_t(dx)] = src[i];
            }
            return;
        case TRowKind::Grey16:
            for (std::size_t i = 0; i < n; ++i) dst[std::size_t(x0) + i * std::size_t(dx)] = src[2 * i];
            return;
        default: break;
    }
    // Whole-byte pixels of 3 or 4 container bytes.
    const std::size_t step = std::size_t(dx);
    switch (kind) {
        case TRowKind::GreyAlpha8: {
            std::uint8_t* d = dst + 4 * std::size_t(x0);
            for (std::size_t i = 0; i < n; ++i, d += 4 * step) {
                d[0] = d[1] = d[2] = src[2 * i];
                d[3] = src[2 * i + 1];
            }
            return;
        }
        case TRowKind::GreyAlpha16: {
            std::uint8_t* d = dst + 4 * std::size_t(x0);
            for (std::size_t i = 0; i < n; ++i, d += 4 * step) {
                d[0] = d[1] = d[2] = src[4 * i];
                d[3] = src[4 * i + 2];
            }
            return;
        }
        case TRowKind::Rgb8: {
            std::uint8_t* d = dst + 3 * std::size_t(x0);
            const std::uint8_t* s = src;
            for (std::size_t i = 0; i < n; ++i, d += 3 * step, s += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
            return;
        }
        case TRowKind::Rgb16: {
            std::uint8_t* d = dst + 3 * std::size_t(x0);
            const std::uint8_t* s = src;
            for (std::size_t i = 0; i < n; ++i, d += 3 * step, s += 6) {
                d[0] = s[4];
                d[1] = s[2];
                d[2] = s[0];
            }
            return;
        }
        case TRowKind::Rgba8: {
            std::uint8_t* d = dst + 4 * std::size_t(x0);
            const std::uint8_t* s = src;
            for (std::size_t i = 0; i < n; ++i, d += 4 * step, s += 4) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                d[3] = s[3];
            }
            return;
        }
        case TRowKind::Rgba16: {
            std::uint8_t* d = dst + 4 * std::size_t(x0);
            const std::uint8_t* s = src;
            for (std::size_t i = 0; i < n; ++i, d += 4 * step, s += 8) {
                d[0] = s[4];
                d[1] = s[2];
                d[2] = s[0];
                d[3] = s[6];
            }
            return;
        }
        default: return;
    }
}

// Everything the chunks before and around the image data say.
struct TPngHeader {
    bool Seen = false;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint8_t BitDepth = 0;
    std::uint8_t ColorType = 0;
    std::uint8_t Interlace = 0;
    bool HasAlpha() const { return (ColorType & 4) != 0; }
    bool Paletted() const { return ColorType == 3; }
    int Channels() const {
        switch (ColorType) {
            case 0: case 3: return 1;
            case 4: return 2;
            case 2: return 3;
            default: return 4;
        }
    }
    int BitsPerPixel() const { return Channels() * BitDepth; }
};

// One decoding run. Builds everything in locals and hands back a finished
// TPngImage; nothing outside is touched before it returns.
class TPngDecoder {
public:
    explicit TPngDecoder(TStream& stream) : stream_(stream) {}
    TPngImage Run();

private:
    void CheckSignature();
    bool ReadChunkHeader(std::uint32_t& length, std::uint32_t& type);
    std::vector<std::uint8_t> ReadChunkData(std::uint32_t length);
    void SkipBytes(std::uint32_t length);
    void ReadCrc() { std::uint8_t crc[4]; stream_.ReadBuffer(crc, 4); }
    void CheckLength(std::uint32_t length, std::uint32_t type);

    void OnIHDR(std::span<const std::uint8_t> data);
    void OnPLTE(std::span<const std::uint8_t> data);
    void OnTRNS(std::span<const std::uint8_t> data);
    void OnBKGD(std::span<const std::uint8_t> data);
    void OnGAMA(std::span<const std::uint8_t> data);
    void OnPHYS(std::span<const std::uint8_t> data);
    void OnOFFS(std::span<const std::uint8_t> data);
    void OnTEXT(std::span<const std::uint8_t> data);
    void OnZTXT(std::span<const std::uint8_t> data);
    void AppendText(std::string_view keyword, std::string_view text, const char* message);
    void ReadImage(std::uint32_t firstLength);
    void Inflate(std::uint8_t* out, std::size_t count);
    void RefillInput();
    // A grey sample of the file's depth as an 8-bit value.
    std::uint8_t GreyLevel(std::uint16_t sample) const;
    std::uint8_t SampleByte(std::uint16_t sample) const {
        return header_.BitDepth == 16 ? std::uint8_t(sample >> 8) : std::uint8_t(sample);
    }

    TStream& stream_;
    TPngHeader header_;
    std::vector<TRGBQuad> palette_;
    bool paletteSeen_ = false;
    std::vector<std::uint8_t> alphaTable_;
    bool trnsSeen_ = false, bkgdSeen_ = false, gamaSeen_ = false, physSeen_ = false, offsSeen_ = false;
    TColor transparent_ = kNoColor;
    TColor background_ = kNoColor;
    std::uint32_t gamma_ = 0;
    TPhysicalSize physical_;
    TPoint offset_;
    std::string comment_;
    std::vector<TMetadataBlock> kept_;
    std::size_t keptBytes_ = 0;

    TPngImage image_;
    bool imageRead_ = false;

    // Image data state: the inflate stream and the IDAT bytes not yet read.
    TZStream inflater_{false};
    std::vector<std::uint8_t> input_;
    std::uint32_t idatLeft_ = 0;
    bool streamEnded_ = false;
};

void TPngDecoder::CheckSignature() {
    std::uint8_t sig[8];
    auto readSig = [&] { return stream_.Read(sig, 8) == 8 && std::memcmp(sig, kSignature, 8) == 0; };
    if (readSig()) return;
    // A file may carry a 256-byte block of other data in front of it.
    std::uint8_t skip[248];
    if (stream_.Read(skip, sizeof skip) == sizeof skip && readSig()) return;
    LoadError("PNG LoadStream: Not PNG Format");
}

bool TPngDecoder::ReadChunkHeader(std::uint32_t& length, std::uint32_t& type) {
    std::uint8_t raw[8];
    stream_.ReadBuffer(raw, 8);
    ByteReader r(raw);
    length = r.Get32BE();
    type = r.Get32BE();
    return true;
}

void TPngDecoder::CheckLength(std::uint32_t length, std::uint32_t type) {
    // Refuse a length the file cannot hold before anything is allocated or
    // read for it.
    const std::int64_t left = stream_.Remaining();
    if (length > kMaxChunkLength || std::int64_t(length) > left) {
        throw EReadError(kSReadError, "chunk " + ChunkLabel(type) + " length " + std::to_string(length) + ", " +
                                          std::to_string(left) + " bytes left");
    }
}

std::vector<std::uint8_t> TPngDecoder::ReadChunkData(std::uint32_t length) {
    std::vector<std::uint8_t> data(length);
    if (length > 0) stream_.ReadBuffer(data.data(), length);
    return data;
}

void TPngDecoder::SkipBytes(std::uint32_t length) {
    if (length > 0) stream_.Seek(std::int64_t(length), TSeekOrigin::soCurrent);
}

void TPngDecoder::OnIHDR(std::span<const std::uint8_t> data) {
    if (header_.Seen) LoadError("PNG LoadStream: appear two IHDR");
    ByteReader r(data);
    TPngHeader h;
    h.Width = r.Get32BE();
    h.Height = r.Get32BE();
    h.BitDepth = r.Get8();
    h.ColorType = r.Get8();
    const std::uint8_t compression = r.Get8();
    const std::uint8_t filter = r.Get8();
    h.Interlace = r.Get8();
    h.Seen = true;

    const std::string detail = "colour type " + std::to_string(h.ColorType) + ", depth " + std::to_string(h.BitDepth);
    const int type = h.ColorType & 7;
    if (type == 1 || type == 5 || type == 7) LoadError("PNG LoadStream: Error ColorType", detail);
    h.ColorType = std::uint8_t(type);
    const int d = h.BitDepth;
    switch (type) {
        case 0:
        case 4:
            if (d != 1 && d != 2 && d != 4 && d != 8 && d != 16) LoadError("PNG LoadStream: Error Bitdepth", detail);
            if (type == 4 && d < 8) LoadError("PNG LoadStream: not Use AlphaChannel", detail);
            break;
        case 2:
        case 6:
            if (d != 8 && d != 16) LoadError("PNG LoadStream: Error Bitdepth", detail);
            break;
        default:  // 3
            if (d != 1 && d != 2 && d != 4 && d != 8) LoadError("PNG LoadStream: Error BitDepth", detail);
            break;
    }
    if (compression != 0) LoadError("PNG LoadStream: not support Compression");
    if (filter != 0) LoadError("PNG LoadStream: not supprt Filter");
    if (h.Interlace > 1) LoadError("PNG LoadStream: not interlace type");
    // The picture must fit the program's pixel limit; refused here, long
    // before any pixel memory exists.
    CheckedImageBytes<EDibImageInvalidDIBPara>(std::int64_t(h.Width), std::int64_t(h.Height), 32,
                                               "TDibImageData.CreateDIB: Invalid Parameters");
    header_ = h;
}

void TPngDecoder::OnPLTE(std::span<const std::uint8_t> data) {
    if (!header_.Seen || paletteSeen_) LoadError("PNG LoadStream: Error PLTE");
    paletteSeen_ = true;
    if (data.size() % 3 != 0) LoadError("PNG LoadStream: palettesize error");
    if (data.size() / 3 > 256) LoadError("PNG LoadStream: palette length over");
    palette_.clear();
    for (std::size_t i = 0; i + 2 < data.size(); i += 3) {
        palette_.push_back(TRGBQuad{data[i + 2], data[i + 1], data[i], 0});
    }
}

std::uint8_t TPngDecoder::GreyLevel(std::uint16_t sample) const {
    switch (header_.BitDepth) {
        case 1: return (sample & 1) ? 255 : 0;
        case 2: return std::uint8_t((sample & 3) * 85);
        case 4: return std::uint8_t((sample & 15) * 17);
        case 8: return std::uint8_t(sample);
        default: return std::uint8_t(sample >> 8);
    }
}

void TPngDecoder::OnTRNS(std::span<const std::uint8_t> data) {
    if (!header_.Seen || imageRead_ || trnsSeen_) LoadError("PNG LoadStream: error tRNS");
    trnsSeen_ = true;
    if (header_.HasAlpha()) return;  // the alpha channel already says it all
    ByteReader r(data);
    switch (header_.ColorType) {
        case 0: {
            if (data.size() != 2) LoadError("PNG LoadStream: error TransColor");
            const std::uint8_t g = GreyLevel(r.Get16BE());
            transparent_ = RGB(g, g, g);
            break;
        }
        case 2: {
            if (data.size() != 6) LoadError("PNG LoadStream: error TransColor");
            const std::uint8_t red = SampleByte(r.Get16BE());
            const std::uint8_t green = SampleByte(r.Get16BE());
            const std::uint8_t blue = SampleByte(r.Get16BE());
            transparent_ = RGB(red, green, blue);
            break;
        }
        default:
            if (data.size() > palette_.size()) LoadError("PNG LoadStream: error TransColor");
            alphaTable_.assign(data.begin(), data.end());
            break;
    }
}

void TPngDecoder::OnBKGD(std::span<const std::uint8_t> data) {
    if (!header_.Seen || imageRead_ || bkgdSeen_) LoadError("PNG LoadStream: error bKGD");
    bkgdSeen_ = true;
    ByteReader r(data);
    switch (header_.ColorType) {
        case 3: {
            if (data.size() != 1 || data[0] >= palette_.size()) LoadError("PNG LoadStream: error BGColor");
            const TRGBQuad& q = palette_[data[0]];
            background_ = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
            break;
        }
        case 0:
        case 4: {
            if (data.size() != 2) LoadError("PNG LoadStream: error BGColor");
            const std::uint8_t g = GreyLevel(r.Get16BE());
            background_ = RGB(g, g, g);
            break;
        }
        default: {
            if (data.size() != 6) LoadError("PNG LoadStream: error BGColor");
            const std::uint8_t red = SampleByte(r.Get16BE());
            const std::uint8_t green = SampleByte(r.Get16BE());
            const std::uint8_t blue = SampleByte(r.Get16BE());
            background_ = RGB(red, green, blue);
            break;
        }
    }
}

void TPngDecoder::OnGAMA(std::span<const std::uint8_t> data) {
    if (!header_.Seen || imageRead_ || gamaSeen_ || data.size() != 4) LoadError("PNG LoadStream: error gAMA");
    gamaSeen_ = true;
    ByteReader r(data);
    gamma_ = r.Get32BE();
}

void TPngDecoder::OnPHYS(std::span<const std::uint8_t> data) {
    if (!header_.Seen || imageRead_ || physSeen_ || data.size() != 9) LoadError("PNG LoadStream: error pHYs");
    physSeen_ = true;
    ByteReader r(data);
    physical_.PixelsPerUnitX = r.Get32BE();
    physical_.PixelsPerUnitY = r.Get32BE();
    physical_.Unit = r.Get8() == 1 ? TPhysicalUnit::puMeter : TPhysicalUnit::puAspect;
}

void TPngDecoder::OnOFFS(std::span<const std::uint8_t> data) {
    if (!header_.Seen || imageRead_ || offsSeen_ || data.size() != 9) LoadError("PNG LoadStream: error oFFs");
    offsSeen_ = true;
    ByteReader r(data);
    offset_.X = std::int32_t(r.Get32BE());
    offset_.Y = std::int32_t(r.Get32BE());
}

void TPngDecoder::AppendText(std::string_view keyword, std::string_view text, const char* message) {
    if (keyword.empty() || keyword.size() > 79) LoadError("PNG LoadStream: error textkey");
    const std::size_t added = 2 + keyword.size() + 2 + text.size();
    if (comment_.size() + added > kMaxPngCommentBytes) {
        LoadError(message, "comment above " + std::to_string(kMaxPngCommentBytes) + " bytes");
    }
    comment_ += "$#";
    comment_ += keyword;
    comment_ += "\r\n";
    comment_ += text;
}

void TPngDecoder::OnTEXT(std::span<const std::uint8_t> data) {
    const auto* chars = reinterpret_cast<const char*>(data.data());
    const std::string_view all(chars, data.size());
    const std::size_t nul = all.find('\0');
    if (nul == std::string_view::npos) LoadError("PNG LoadStream: error tEXt");
    AppendText(all.substr(0, nul), all.substr(nul + 1), "PNG LoadStream: error tEXt");
}

void TPngDecoder::OnZTXT(std::span<const std::uint8_t> data) {
    const auto* chars = reinterpret_cast<const char*>(data.data());
    const std::string_view all(chars, data.size());
    const std::size_t nul = all.find('\0');
    if (nul == std::string_view::npos || nul + 1 >= all.size()) LoadError("PNG LoadStream: error zEXt");
    if (data[nul + 1] != 0) LoadError("PNG LoadStream: not support Compression");
    const std::string_view keyword = all.substr(0, nul);
    if (keyword.empty() || keyword.size() > 79) LoadError("PNG LoadStream: error textkey");

    // Inflate in steps, never beyond what the comment may still take; a
    // text that would go beyond it is left out, and the picture still
    // loads: the limit guards memory, not the pixels.
    const std::size_t room = kMaxPngCommentBytes - std::min(kMaxPngCommentBytes, comment_.size() + 4 + nul);
    TZStream z(false);
    const int init = z.StartInflate();
    if (init == Z_MEM_ERROR) ZlibOutOfMemory("zTXt inflateInit");
    if (init != Z_OK) LoadError("PNG LoadStream: ZLIB Error");
    z->next_in = const_cast<Bytef*>(data.data() + nul + 2);
    z->avail_in = uInt(data.size() - nul - 2);
    std::string text;
    for (;;) {
        if (text.size() >= room) return;
        const std::size_t old = text.size();
        const std::size_t step = std::min(kZBufferSize, room - old);
        text.resize(old + step);
        z->next_out = reinterpret_cast<Bytef*>(text.data() + old);
        z->avail_out = uInt(step);
        const int r = inflate(z.get(), Z_NO_FLUSH);
        text.resize(old + step - z->avail_out);
        if (r == Z_STREAM_END) break;
        if (r == Z_MEM_ERROR) ZlibOutOfMemory("zTXt inflate");
        if (r != Z_OK) LoadError("PNG LoadStream: error zEXt", "inflate returned " + std::to_string(r));
        if (z->avail_in == 0 && z->avail_out != 0) LoadError("PNG LoadStream: error zEXt", "compressed text ends early");
    }
    AppendText(keyword, text, "PNG LoadStream: error zEXt");
}

void TPngDecoder::RefillInput() {
    while (idatLeft_ == 0) {
        // This IDAT is used up: the next chunk must carry on the data.
        ReadCrc();
        std::uint32_t length = 0, type = 0;
        ReadChunkHeader(length, type);
        if (type != kIDAT) throw EPngLoadError("not next IDAT Chunk", "next chunk " + ChunkLabel(type));
        CheckLength(length, type);
        idatLeft_ = length;
    }
    const std::size_t n = std::min<std::size_t>(idatLeft_, input_.size());
    stream_.ReadBuffer(input_.data(), n);
    idatLeft_ -= std::uint32_t(n);
    inflater_->next_in = input_.data();
    inflater_->avail_in = uInt(n);
}

void TPngDecoder::Inflate(std::uint8_t* out, std::size_t count) {
    z_stream* z = inflater_.get();
    z->next_out = out;
    z->avail_out = uInt(count);
    while (z->avail_out > 0) {
        if (streamEnded_) LoadError("PNG LoadStream: zlib error", "image data ends early");
        if (z->avail_in == 0) RefillInput();
        const int r = inflate(z, Z_NO_FLUSH);
        if (r == Z_STREAM_END) {
            streamEnded_ = true;
        } else if (r == Z_MEM_ERROR) {
            ZlibOutOfMemory("IDAT inflate");
        } else if (r != Z_OK && r != Z_BUF_ERROR) {
            LoadError("PNG LoadStream: zlib error", z->msg ? z->msg : "inflate returned " + std::to_string(r));
        }
    }
}

void TPngDecoder::ReadImage(std::uint32_t firstLength) {
    const TPngHeader& h = header_;
    if (!h.Seen) {
        throw EDibImageInvalidDIBPara("TDibImageData.CreateDIB: Invalid Parameters", "image data before IHDR");
    }
    if (h.Paletted() && (palette_.empty() || palette_.size() > 256)) {
        LoadError("PNG Loadstream: error palette length");
    }
    const int width = int(h.Width);
    const int height = int(h.Height);
    const int fileBits = h.BitsPerPixel();
    const std::vector<TPass> passes = MakePasses(width, height, h.Interlace == 1, fileBits);

    // The image data must be able to come out of what is left of the file.
    std::int64_t rawBytes = 0;
    std::size_t maxRow = 0;
    for (const TPass& p : passes) {
        rawBytes += std::int64_t(p.Height) * std::int64_t(p.RowBytes + 1);
        maxRow = std::max(maxRow, p.RowBytes);
    }
    const std::int64_t left = stream_.Remaining();
    if (rawBytes > (left + 64) * kMaxInflateRatio) {
        LoadError("PNG LoadStream: zlib error", "picture needs " + std::to_string(rawBytes) + " bytes, file has " +
                                                     std::to_string(left) + " bytes left");
    }

    TRowKind kind = TRowKind::Copy8;
    int bitCount = 8;
    std::vector<TRGBQuad> palette;
    auto greyRamp = [&](int entries) {
        const int step = 255 / (entries - 1);
        for (int i = 0; i < entries; ++i) {
            const auto v = std::uint8_t(i * step);
            palette.push_back(TRGBQuad{v, v, v, 0});
        }
    };
    switch (h.ColorType) {
        case 0:
            switch (h.BitDepth) {
                case 1: kind = TRowKind::Copy1; bitCount = 1; greyRamp(2); break;
                case 2: kind = TRowKind::Widen2; bitCount = 4; greyRamp(4); break;
                case 4: kind = TRowKind::Copy4; bitCount = 4; greyRamp(16); break;
                case 8: kind = TRowKind::Copy8; bitCount = 8; greyRamp(256); break;
                default: kind = TRowKind::Grey16; bitCount = 8; greyRamp(256); break;
            }
            break;
        case 3:
            palette = palette_;
            switch (h.BitDepth) {
                case 1: kind = TRowKind::Copy1; bitCount = 1; break;
                case 2: kind = TRowKind::Widen2; bitCount = 4; break;
                case 4: kind = TRowKind::Copy4; bitCount = 4; break;
                default: kind = TRowKind::Copy8; bitCount = 8; break;
            }
            break;
        case 4: kind = h.BitDepth == 16 ? TRowKind::GreyAlpha16 : TRowKind::GreyAlpha8; bitCount = 32; break;
        case 2: kind = h.BitDepth == 16 ? TRowKind::Rgb16 : TRowKind::Rgb8; bitCount = 24; break;
        default: kind = h.BitDepth == 16 ? TRowKind::Rgba16 : TRowKind::Rgba8; bitCount = 32; break;
    }

    input_.resize(kZBufferSize);
    const int init = inflater_.StartInflate();
    if (init == Z_MEM_ERROR) ZlibOutOfMemory("inflateInit");
    if (init != Z_OK) LoadError("PNG LoadStream: ZLIB Error");
    idatLeft_ = firstLength;

    TPngImage image;
    image.NewImage(width, height, bitCount, int(palette.size()));
    if (!palette.empty()) image.SetPalette(palette);

    const std::size_t bpp = std::max(1, fileBits / 8);
    std::vector<std::uint8_t> bufA(kRowPad + maxRow, 0), bufB(kRowPad + maxRow, 0);
    for (const TPass& p : passes) {
        std::uint8_t* cur = bufA.data() + kRowPad;
        std::uint8_t* prev = bufB.data() + kRowPad;
        std::memset(prev, 0, p.RowBytes);  // the row above the first is zero
        for (int r = 0; r < p.Height; ++r) {
            // A well-compressed picture reads its file rarely.
            ThrowIfReadCancelled();
            std::uint8_t filter = 0;
            Inflate(&filter, 1);
            Inflate(cur, p.RowBytes);
            Unfilter(filter, cur, prev, p.RowBytes, bpp);
            StoreRow(kind, cur, p.Width, p.G.X0, p.G.DX, image.ScanLine(p.G.Y0 + r * p.G.DY));
            std::swap(cur, prev);
        }
    }
    image.SetInterlaced(h.Interlace == 1);
    image_ = std::move(image);
    imageRead_ = true;
}

TPngImage TPngDecoder::Run() {
    CheckSignature();
    bool afterIdat = false;  // the previous chunk was IDAT
    for (;;) {
        std::uint32_t length = 0, type = 0;
        ReadChunkHeader(length, type);
        CheckLength(length, type);
        if (type == kIDAT) {
            if (!imageRead_) {
                ReadImage(length);
                // Rest of the zlib stream (its check value, or data beyond
                // the last row) is not needed.
                SkipBytes(idatLeft_);
                idatLeft_ = 0;
            } else if (afterIdat) {
                SkipBytes(length);  // the image data's tail spread over more IDATs
            } else {
                LoadError("PNG LoadStream: appear two IDAT");
            }
            ReadCrc();
            afterIdat = true;
            continue;
        }
        afterIdat = false;
        if (type == kIEND) {
            if (length != 0) LoadError("PNG LoadStream: error IEND size");
            if (!imageRead_) throw EPngLoadError("not next IDAT Chunk", "IEND before the image data");
            break;  // the CRC of IEND is not needed
        }
        const bool known = type == kIHDR || type == kPLTE || type == kTRNS || type == kBKGD || type == kGAMA ||
                           type == kPHYS || type == kOFFS || type == kTEXT || type == kZTXT;
        const bool kept = PngChunkKept(type) && keptBytes_ + length <= kMaxPngKeptChunkBytes;
        if (!known && !kept) {
            SkipBytes(length);
            ReadCrc();
            continue;
        }
        std::vector<std::uint8_t> data = ReadChunkData(length);
        if (kept) {
            keptBytes_ += length;
            kept_.push_back(TMetadataBlock{type, data});
        }
        if (!known) {
            ReadCrc();
            continue;
        }
        switch (type) {
            case kIHDR: OnIHDR(data); break;
            case kPLTE: OnPLTE(data); break;
            case kTRNS: OnTRNS(data); break;
            case kBKGD: OnBKGD(data); break;
            case kGAMA: OnGAMA(data); break;
            case kPHYS: OnPHYS(data); break;
            case kOFFS: OnOFFS(data); break;
            case kTEXT: OnTEXT(data); break;
            default: OnZTXT(data); break;
        }
        ReadCrc();
    }
    image_.SetAlpha(header_.HasAlpha() || !alphaTable_.empty());
    image_.SetAlphaTable(alphaTable_);
    image_.SetTransparentColor(transparent_);
    image_.SetBackgroundColor(background_);
    image_.SetGamma(gamma_);
    image_.SetPhysicalSize(physical_);
    image_.SetOffset(offset_);
    image_.SetComment(std::move(comment_));
    image_.SetKeptChunks(std::move(kept_));
    return std::move(image_);
}

}  // namespace

TPngImage DecodePng(TStream& stream) {
    TPngDecoder decoder(stream);
    return decoder.Run();
}

}  // namespace zelvo
