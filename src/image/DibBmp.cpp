// BMP files and packed DIBs: reading and writing for TDibImage.
//
// Both readers share one header parser over a small byte source (the stream
// or the clipboard block). 1, 4, 8 and 24-bit data is kept as stored (RLE
// stays compressed); 16 and 32-bit data is converted to 24 bits row by row.
// Everything is built in a local storage that replaces the image's storage
// only when the whole read succeeded.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/BmpParts.h"
#include "image/DibImage.h"
#include "image/ImageLimits.h"

namespace zelvo {
namespace {

using DataPtr = std::unique_ptr<TDibImageData>;

constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCoreHeaderSize = 12;

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
void Put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}
void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

// Headers that extend the 40-byte one with the three colour masks and more
// (colour space, gamma, profile), which are read as the 40-byte header plus
// the masks; the rest is skipped.
bool ExtendedHeaderSize(std::uint32_t size) { return size == 52 || size == 56 || size == 108 || size == 124; }

// The bytes of a BMP file read from a stream; a short read or a skip past the
// end throws EReadError.
class StreamSource {
public:
    explicit StreamSource(TStream& stream) : stream_(stream) {}
    void Read(void* out, std::size_t count) { stream_.ReadBuffer(out, count); }
    void Skip(std::int64_t count) {
        if (count <= 0) return;
        if (count > stream_.Remaining()) throw EReadError(kSReadError, "skip of " + std::to_string(count));
        stream_.Seek(count, TSeekOrigin::soCurrent);
    }
    std::int64_t Remaining() { return stream_.Remaining(); }

private:
    TStream& stream_;
};

// The bytes of a BMP file after its file header, given as the information
// header with its table and the pixel data that follow it; a short read or
// a skip past the end throws EReadError, as the stream's would.
class PartsSource {
public:
    PartsSource(std::span<const std::uint8_t> head, std::span<const std::uint8_t> rows) : head_(head), rows_(rows) {}
    void Read(void* out, std::size_t count) {
        Need(std::int64_t(count));
        auto* to = static_cast<std::uint8_t*>(out);
        if (pos_ < head_.size()) {
            const std::size_t n = std::min(count, head_.size() - pos_);
            std::memcpy(to, head_.data() + pos_, n);
            to += n;
            count -= n;
            pos_ += n;
        }
        if (count > 0) {
            std::memcpy(to, rows_.data() + (pos_ - head_.size()), count);
            pos_ += count;
        }
    }
    void Skip(std::int64_t count) {
        if (count <= 0) return;
        Need(count);
        pos_ += std::size_t(count);
    }
    std::int64_t Remaining() const { return std::int64_t(head_.size() + rows_.size() - pos_); }

private:
    void Need(std::int64_t count) const {
        if (count > Remaining()) throw EReadError(kSReadError, "read of " + std::to_string(count));
    }
    std::span<const std::uint8_t> head_, rows_;
    std::size_t pos_ = 0;
};

// The bytes of a packed DIB; running past the block is invalid clipboard data.
class BlockSource {
public:
    explicit BlockSource(std::span<const std::uint8_t> block) : block_(block) {}
    void Read(void* out, std::size_t count) {
        Need(std::int64_t(count));
        std::memcpy(out, block_.data() + pos_, count);
        pos_ += count;
    }
    void Skip(std::int64_t count) {
        if (count <= 0) return;
        Need(count);
        pos_ += std::size_t(count);
    }
    std::int64_t Remaining() const { return std::int64_t(block_.size() - pos_); }
    std::size_t Position() const { return pos_; }
    const std::uint8_t* Here() const { return block_.data() + pos_; }

private:
    void Need(std::int64_t count) const {
        if (count > Remaining())
            throw EDibImageInvalidDIB("TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data",
                                      "block of " + std::to_string(block_.size()) + " bytes is too short");
    }
    std::span<const std::uint8_t> block_;
    std::size_t pos_ = 0;
};

// The messages that differ between the file and the clipboard readers.
struct Messages {
    const char* headerSize;
    const char* bitCountInfo;
    const char* bitCountCore;
};
constexpr Messages kFileMessages{"TDibImageData.LoadFromStream: Invalid Bitmap Header Size",
                                 "TDibImageData.LoadFromStream: Invalid BitCout",
                                 "TDibImageData.LoadFromStream: Invalid BitCount"};
constexpr Messages kClipboardMessages{"TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data",
                                      "TDibImageData.LoadFromClipboardFormat: Invalid biBitCount",
                                      "TDibImageData.LoadFromClipboardFormat: Invalid biBitCount"};
constexpr const char* kBadOffset = "TDibImageData.LoadFromFile: bfOffBits is too small";
constexpr const char* kBadSize = "TDibImageData.LoadFromStream: Invalid Width or Height";
constexpr const char* kBadMasks = "TDibImageData.LoadFromStream: Invalid Masks";

// What the header parser found.
struct ParsedInfo {
    TBitmapInfoHeader header;  // biSize 40; colours used clamped to 256
    std::array<TRGBQuad, 256> table{};
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue
    bool masksRead = false;
    std::int64_t consumed = 0;  // bytes of header and table, without the file header
};

// Reads the information header and the colour table. With a file header
// (`dataOffset` >= 0) the offset is checked against header and table and the
// gap up to it is skipped.
template <class Source>
ParsedInfo ParseInfo(Source& src, std::int64_t dataOffset, const Messages& msg) {
    ParsedInfo info;
    TBitmapInfoHeader& h = info.header;
    std::uint8_t buf[124];
    src.Read(buf, 4);
    const std::uint32_t headerSize = Le32(buf);
    const std::int64_t fileHeader = dataOffset >= 0 ? kFileHeaderSize : 0;

    if (headerSize == kInfoHeaderSize || ExtendedHeaderSize(headerSize)) {
        src.Read(buf + 4, headerSize - 4);
        h.biSize = kInfoHeaderSize;
        h.biWidth = std::int32_t(Le32(buf + 4));
        h.biHeight = std::int32_t(Le32(buf + 8));
        h.biPlanes = Le16(buf + 12);
        h.biBitCount = Le16(buf + 14);
        h.biCompression = Le32(buf + 16);
        h.biSizeImage = Le32(buf + 20);
        h.biXPelsPerMeter = std::int32_t(Le32(buf + 24));
        h.biYPelsPerMeter = std::int32_t(Le32(buf + 28));
        h.biClrUsed = Le32(buf + 32);
        h.biClrImportant = Le32(buf + 36);
        if (h.biXPelsPerMeter == 0) h.biXPelsPerMeter = kDefaultPelsPerMeter;
        if (h.biYPelsPerMeter == 0) h.biYPelsPerMeter = kDefaultPelsPerMeter;
        const int bits = h.biBitCount;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            throw EDibImageInvalidDIB(msg.bitCountInfo, "bit count " + std::to_string(bits));
        if (h.biClrUsed == 0 && bits <= 8) h.biClrUsed = 1u << bits;
        const std::int64_t colors = h.biClrUsed;  // unclamped for the checks below
        const std::size_t kept = std::size_t(std::min<std::int64_t>(colors, 256));

        std::int64_t masksInFile = 0;
        if (headerSize != kInfoHeaderSize) {
            // The masks sit inside the longer header.
            info.masks[0] = Le32(buf + 40);
            info.masks[1] = Le32(buf + 44);
            info.masks[2] = Le32(buf + 48);
            info.masksRead = h.biCompression == BI_BITFIELDS;
        } else if (h.biCompression == BI_BITFIELDS) {
            std::uint8_t m[12];
            src.Read(m, 12);
            info.masks[0] = Le32(m);
            info.masks[1] = Le32(m + 4);
            info.masks[2] = Le32(m + 8);
            info.masksRead = true;
            masksInFile = 12;
        }
        src.Read(info.table.data(), kept * 4);
        src.Skip((colors - std::int64_t(kept)) * 4);
        info.consumed = std::int64_t(headerSize) + masksInFile + 4 * colors;
        if (dataOffset >= 0) {
            if (dataOffset < info.consumed + fileHeader)
                throw EDibImageInvalidDIB(kBadOffset, "bfOffBits " + std::to_string(dataOffset) + ", table ends at " +
                                                          std::to_string(info.consumed + fileHeader));
            src.Skip(dataOffset - info.consumed - fileHeader);
        }
        h.biClrUsed = std::uint32_t(kept);
    } else if (headerSize == kCoreHeaderSize) {
        src.Read(buf + 4, 8);
        const int bits = Le16(buf + 10);
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
            throw EDibImageInvalidDIB(msg.bitCountCore, "bit count " + std::to_string(bits));
        const int colors = bits == 24 ? 0 : 1 << bits;
        std::uint8_t rgb[3 * 256];
        src.Read(rgb, std::size_t(3 * colors));
        info.consumed = kCoreHeaderSize + 3 * colors;
        if (dataOffset >= 0) {
            if (dataOffset < info.consumed + fileHeader)
                throw EDibImageInvalidDIB(kBadOffset, "bfOffBits " + std::to_string(dataOffset));
            src.Skip(dataOffset - info.consumed - fileHeader);
        }
        h.biSize = kInfoHeaderSize;
        h.biWidth = Le16(buf + 4);
        h.biHeight = Le16(buf + 6);
        h.biPlanes = Le16(buf + 8);
        h.biBitCount = std::uint16_t(bits);
        h.biCompression = BI_RGB;
        h.biSizeImage = 0;
        h.biXPelsPerMeter = kDefaultPelsPerMeter;
        h.biYPelsPerMeter = kDefaultPelsPerMeter;
        h.biClrUsed = std::uint32_t(colors);
        h.biClrImportant = 0;
        for (int i = 0; i < colors; ++i) {
            info.table[std::size_t(i)] = TRGBQuad{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
        }
    } else {
        throw EDibImageInvalidDIB(msg.headerSize, "header size " + std::to_string(headerSize));
    }
    return info;
}

// Per-channel scaling of a bit-field mask: the channel is
// ((pixel & mask) shifted by `shift`) x 255 div `scaled`, where the shifted
// mask `scaled` lies in 128..255.
struct Channel {
    std::uint32_t mask;
    int shift;  // positive: right, negative: left
    std::uint32_t scaled;
    std::uint8_t Get(std::uint32_t pixel) const {
        const std::uint32_t v = pixel & mask;
        const std::uint32_t s = shift >= 0 ? v >> shift : v << -shift;
        return std::uint8_t(s * 255 / scaled);
    }
};

Channel MakeChannel(std::uint32_t mask) {
    if (mask == 0) throw EDibImageInvalidDIB(kBadMasks, "zero mask");
    std::uint64_t v = mask;
    int shift = 0;
    while (v >= 256) {
        v >>= 1;
        ++shift;
    }
    while (v < 128) {
        v <<= 1;
        --shift;
    }
    return Channel{mask, shift, std::uint32_t(v)};
}

// Converts 16 or 32-bit rows to 24 bits. `readRow(dst, bytes)` delivers the
// next stored source row.
template <class ReadRow>
DataPtr Convert16Or32(const ParsedInfo& info, bool useFMO, ReadRow&& readRow) {
    const TBitmapInfoHeader& h = info.header;
    const int bits = h.biBitCount;
    std::uint32_t masks[3];
    if (h.biCompression == BI_RGB) {
        if (bits == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000;
            masks[1] = 0x00FF00;
            masks[2] = 0x0000FF;
        }
    } else if (info.masksRead) {
        std::copy(std::begin(info.masks), std::end(info.masks), masks);
    } else {
        // A compression that carries no masks (RLE codes, JPEG, PNG) has no
        // meaning for 16 and 32 bits.
        throw EDibImageInvalidDIB(kBadMasks, "compression " + std::to_string(h.biCompression));
    }
    const Channel red = MakeChannel(masks[0]);
    const Channel green = MakeChannel(masks[1]);
    const Channel blue = MakeChannel(masks[2]);

    const std::int64_t width = h.biWidth;
    const std::int64_t height = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
    const std::size_t srcRow = std::size_t(bits == 16 ? (width * 2 + 3) & ~std::int64_t(3) : width * 4);
    const std::size_t dstRow = std::size_t((width * 3 + 3) & ~std::int64_t(3));

    TBitmapInfoHeader out = h;
    out.biBitCount = 24;
    out.biCompression = BI_RGB;
    out.biSizeImage = 0;
    DataPtr data(TDibImageData::CreateRaw(out, std::uint32_t(dstRow * std::size_t(height)), useFMO));
    data->ColorTable = info.table;

    const bool plain32 = bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
    std::vector<std::uint8_t> row(srcRow);
    for (std::int64_t y = 0; y < height; ++y) {
        readRow(row.data(), srcRow);
        std::uint8_t* d = data->Bits + std::size_t(y) * dstRow;
        // Padding is always zero (the last 4 bytes are cleared before filling).
        std::memset(d + dstRow - 4, 0, 4);
        const std::uint8_t* s = row.data();
        if (plain32) {
            // Blue, green, red, unused: the bytes are the channels.
            for (std::int64_t x = 0; x < width; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        } else if (bits == 16) {
            for (std::int64_t x = 0; x < width; ++x, s += 2, d += 3) {
                const std::uint32_t p = Le16(s);
                d[0] = blue.Get(p);
                d[1] = green.Get(p);
                d[2] = red.Get(p);
            }
        } else {
            for (std::int64_t x = 0; x < width; ++x, s += 4, d += 3) {
                const std::uint32_t p = Le32(s);
                d[0] = blue.Get(p);
                d[1] = green.Get(p);
                d[2] = red.Get(p);
            }
        }
    }
    return data;
}

// The checks of width, height and picture size shared by both readers;
// returns the bytes the uncompressed rows need as stored.
std::int64_t CheckSize(const TBitmapInfoHeader& h, int storedBits) {
    if (h.biWidth <= 0 || h.biHeight == 0)
        throw EDibImageInvalidDIB(kBadSize, "width " + std::to_string(h.biWidth) + ", height " +
                                                std::to_string(h.biHeight));
    return CheckedImageBytes<EDibImageInvalidDIB>(h.biWidth, h.biHeight, storedBits, kBadSize);
}

std::int64_t SourceRowBytes(const TBitmapInfoHeader& h) {
    const std::int64_t w = h.biWidth;
    return h.biBitCount == 16 ? (w * 2 + 3) & ~std::int64_t(3) : w * 4;
}

std::int64_t AbsHeight(const TBitmapInfoHeader& h) {
    return h.biHeight < 0 ? -std::int64_t(h.biHeight) : std::int64_t(h.biHeight);
}

// Header and colour table as the writers put them: 40-byte header, size image
// the coded byte count for RLE data and 0 otherwise, colours-used entries.
void WriteInfo(const TDibImageData& d, std::uint8_t* p) {
    const TBitmapInfoHeader& h = d.Header;
    const bool rle = (h.biBitCount == 8 && h.biCompression == BI_RLE8) ||
                     (h.biBitCount == 4 && h.biCompression == BI_RLE4);
    Put32(p, kInfoHeaderSize);
    Put32(p + 4, std::uint32_t(h.biWidth));
    Put32(p + 8, std::uint32_t(h.biHeight));
    Put16(p + 12, h.biPlanes);
    Put16(p + 14, h.biBitCount);
    Put32(p + 16, h.biCompression);
    Put32(p + 20, rle ? d.ImageSize : 0);
    Put32(p + 24, std::uint32_t(h.biXPelsPerMeter));
    Put32(p + 28, std::uint32_t(h.biYPelsPerMeter));
    Put32(p + 32, h.biClrUsed);
    Put32(p + 36, h.biClrImportant);
    std::memcpy(p + kInfoHeaderSize, d.ColorTable.data(), 4 * std::size_t(h.biClrUsed));
}

// Reads the pixels that follow the colour table: 16 and 32-bit rows become
// 24 bits, other depths keep their `readBytes` stored bytes as they are.
template <class Source>
DataPtr ReadPixels(Source& src, const ParsedInfo& info, std::int64_t readBytes, bool useFMO) {
    const int bits = info.header.biBitCount;
    if (bits == 16 || bits == 32)
        return Convert16Or32(info, useFMO, [&](std::uint8_t* row, std::size_t n) { src.Read(row, n); });
    DataPtr data(TDibImageData::CreateRaw(info.header, std::uint32_t(readBytes), useFMO));
    data->ColorTable = info.table;
    src.Read(data->Bits, std::size_t(readBytes));
    return data;
}

}  // namespace

namespace {

// The pixels of a BMP file of `fileSize` bytes whose rows begin at
// `dataOffset`, read from `src` after the file header.
template <class Source>
DataPtr ReadAfterFileHeader(Source& src, std::int64_t fileSize, std::int64_t dataOffset, bool useFMO,
                            TRowsMapping* mapping = nullptr, const std::uint8_t* rowsAt = nullptr) {
    ParsedInfo info = ParseInfo(src, dataOffset, kFileMessages);
    const TBitmapInfoHeader& h = info.header;
    // Declared pixel data; may be negative when the size field is below the
    // data offset (some writers store another value there).
    const std::int64_t dataSize = fileSize - dataOffset;
    const int bits = h.biBitCount;
    const bool convert = bits == 16 || bits == 32;
    const std::int64_t rowsBytes = CheckSize(h, convert ? 24 : bits);
    const bool uncompressed = convert || h.biCompression == BI_RGB;
    const std::int64_t needed = convert ? SourceRowBytes(h) * AbsHeight(h) : rowsBytes;
    const std::int64_t remaining = src.Remaining();
    const std::string sizes = "data offset " + std::to_string(dataOffset) + ", data size " +
                              std::to_string(dataSize) + ", bytes left " + std::to_string(remaining) +
                              ", rows need " + std::to_string(needed);

    // All size checks happen before anything is allocated.
    if (dataSize > remaining) throw EReadError(kSReadError, sizes);
    std::int64_t readBytes = dataSize;
    if (uncompressed) {
        // Uncompressed rows must all be there. When the size field promises
        // fewer bytes than the rows take but the stream holds them, the size
        // field is the one in error.
        if (needed > remaining) throw EReadError(kSReadError, sizes);
        readBytes = needed;
    } else if (dataSize < 0) {
        throw EReadError(kSReadError, sizes);
    }

    DataPtr data(!convert && h.biCompression == BI_RGB && rowsAt
                     ? AdoptRows(h, {rowsAt, std::size_t(readBytes)}, mapping)
                     : nullptr);
    if (data) {
        data->ColorTable = info.table;
        src.Skip(readBytes);
    } else {
        data = ReadPixels(src, info, readBytes, useFMO);
    }
    // Bytes declared beyond the rows (an appended profile, slack) are passed.
    if (dataSize > readBytes) src.Skip(dataSize - readBytes);
    return data;
}

}  // namespace

void TDibImage::LoadFromStream(TStream& stream) {
    StreamSource src(stream);
    std::uint8_t fileHeader[kFileHeaderSize];
    src.Read(fileHeader, sizeof fileHeader);
    if (Le16(fileHeader) != kBitmapType) throw EDibImageInvalidDIBFile("TDibImageData.LoadFromFile: File type is invalid");
    DataPtr data = ReadAfterFileHeader(src, Le32(fileHeader + 2), Le32(fileHeader + 10), GetUseFMO());
    ReplaceData(data.release());
}

TDibImageData* AdoptRows(const TBitmapInfoHeader& header, std::span<const std::uint8_t> rows, TRowsMapping* mapping) {
    if (!mapping || mapping->Taken || rows.empty()) return nullptr;
    const auto* base = static_cast<const std::uint8_t*>(mapping->Base);
    if (rows.data() < base || rows.size() > mapping->Length ||
        std::size_t(rows.data() - base) > mapping->Length - rows.size() ||
        reinterpret_cast<std::uintptr_t>(rows.data()) % 16 != 0)
        return nullptr;
    TDibImageData* data = TDibImageData::AdoptMapping(header, const_cast<std::uint8_t*>(rows.data()),
                                                      std::uint32_t(rows.size()), mapping->Base, mapping->Length);
    mapping->Taken = true;
    return data;
}

void LoadBmpFromParts(TDibImage& picture, std::span<const std::uint8_t> head, std::span<const std::uint8_t> rows,
                      TRowsMapping* mapping) {
    PartsSource src(head, rows);
    const auto dataOffset = std::int64_t(kFileHeaderSize + head.size());
    DataPtr data = ReadAfterFileHeader(src, dataOffset + std::int64_t(rows.size()), dataOffset, picture.GetUseFMO(),
                                       mapping, rows.data());
    picture.ReplaceData(data.release());
}

void TDibImage::SaveToStream(TStream& stream) const {
    const TDibImageData& d = *DibData();
    const std::size_t tableBytes = 4 * std::size_t(d.Header.biClrUsed);
    const std::uint32_t offset = std::uint32_t(kFileHeaderSize + kInfoHeaderSize + tableBytes);
    std::uint8_t head[kFileHeaderSize + kInfoHeaderSize + 1024];
    Put16(head, kBitmapType);
    Put32(head + 2, offset + d.ImageSize);
    Put32(head + 6, 0);
    Put32(head + 10, offset);
    WriteInfo(d, head + kFileHeaderSize);
    stream.WriteBuffer(head, offset);
    stream.WriteBuffer(d.Bits, d.ImageSize);
}

void TDibImage::LoadFromClipboardFormat(std::uint16_t format, std::span<const std::uint8_t> block,
                                        const HPALETTE& /*palette*/) {
    if (format != CF_DIB || block.empty())
        throw EInvalidGraphic("TDibImage.LoadFromClipboardFormat: Invalid Clipboard Format or No Data");
    BlockSource src(block);
    ParsedInfo info = ParseInfo(src, -1, kClipboardMessages);
    const TBitmapInfoHeader& h = info.header;
    const int bits = h.biBitCount;
    const bool convert = bits == 16 || bits == 32;
    const std::int64_t rowsBytes = CheckSize(h, convert ? 24 : bits);
    // The pixels follow the table directly.
    const std::int64_t dataSize = src.Remaining();
    const bool uncompressed = convert || h.biCompression == BI_RGB;
    const std::int64_t needed = convert ? SourceRowBytes(h) * AbsHeight(h) : rowsBytes;
    if (uncompressed && needed > dataSize)
        throw EDibImageInvalidDIB("TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data",
                                  "rows need " + std::to_string(needed) + " bytes, block holds " +
                                      std::to_string(dataSize));
    const std::int64_t readBytes = uncompressed ? needed : dataSize;

    DataPtr data = ReadPixels(src, info, readBytes, GetUseFMO());
    ReplaceData(data.release());
}

std::vector<std::uint8_t> TDibImage::SaveToClipboardFormat(std::uint16_t& format, HPALETTE& palette) const {
    const TDibImageData& d = *DibData();
    const std::size_t infoBytes = kInfoHeaderSize + 4 * std::size_t(d.Header.biClrUsed);
    std::vector<std::uint8_t> block;
    try {
        block.resize(infoBytes + d.ImageSize);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("TDibImageData.SaveToClipboardFormat: Out Of Memory",
                              std::to_string(infoBytes + d.ImageSize) + " bytes");
    }
    WriteInfo(d, block.data());
    std::memcpy(block.data() + infoBytes, d.Bits, d.ImageSize);
    format = CF_DIB;
    palette = nullptr;
    return block;
}

}  // namespace zelvo
