#include "document/RecoveryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "image/ByteReader.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

constexpr const char* kInvalidFile = "TRecoveryFile.Read: Invalid Recovery File";
constexpr int kCompressionLevel = 1;
// The largest ratio deflate reaches (258 bytes from every 2 bits of a
// long match), so a band's compressed bytes bound what it can inflate to.
constexpr std::uint64_t kMaxInflateRatio = 1032;

enum : std::uint8_t { kFlagTransparent = 1, kFlagProgressive = 2, kFlagColorKeyed = 4, kFlagPictureChanged = 8 };

[[noreturn]] void Invalid(const std::string& detail) { throw EInvalidGraphic(kInvalidFile, detail); }

class TByteWriter {
public:
    void Put8(std::uint8_t v) { bytes.push_back(v); }
    void Put16(std::uint16_t v) {
        Put8(std::uint8_t(v));
        Put8(std::uint8_t(v >> 8));
    }
    void Put32(std::uint32_t v) {
        Put16(std::uint16_t(v));
        Put16(std::uint16_t(v >> 16));
    }
    void Put64(std::uint64_t v) {
        Put32(std::uint32_t(v));
        Put32(std::uint32_t(v >> 32));
    }
    void PutBytes(std::span<const std::uint8_t> data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    void PutString(const std::string& text) {
        Put32(std::uint32_t(text.size()));
        PutBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    std::vector<std::uint8_t> bytes;
};

int RowsPerBand(std::size_t rowBytes) {
    return int(std::max<std::uint64_t>(1, kRecoveryBandBytes / std::max<std::size_t>(rowBytes, 1)));
}

// The header and the info block.
std::vector<std::uint8_t> Preamble(const TRecoveryInfo& info, const TRecoveryRows& rows) {
    TByteWriter block;
    for (const TRGBQuad& q : rows.ColorTable) {
        block.Put8(q.rgbBlue);
        block.Put8(q.rgbGreen);
        block.Put8(q.rgbRed);
        block.Put8(0);
    }
    block.Put8(info.SaveQuality);
    block.Put8(std::uint8_t((info.SaveTransparent ? kFlagTransparent : 0) |
                            (info.SaveProgressive ? kFlagProgressive : 0) | (info.ColorKeyed ? kFlagColorKeyed : 0) |
                            (info.Metadata.PictureChanged ? kFlagPictureChanged : 0)));
    block.Put32(std::uint32_t(info.TransparentColor));
    block.Put8(info.TransparentIndex);
    block.Put8(std::uint8_t(info.Metadata.Source));
    block.Put8(std::uint8_t(info.Metadata.Orientation));
    block.PutString(info.FileName);
    block.PutString(info.Format);
    block.Put32(std::uint32_t(info.Metadata.Blocks.size()));
    for (const TMetadataBlock& b : info.Metadata.Blocks) {
        block.Put32(b.Type);
        block.Put32(std::uint32_t(b.Data.size()));
        block.PutBytes(b.Data);
    }

    const int rowsPerBand = RowsPerBand(rows.RowBytes());
    TByteWriter out;
    out.PutBytes(std::span(reinterpret_cast<const std::uint8_t*>(kRecoveryMagic), sizeof kRecoveryMagic));
    out.Put32(kRecoveryVersion);
    out.Put32(kRecoveryHeaderBytes);
    out.Put64(std::uint64_t(info.SavedTime));
    out.Put32(std::uint32_t(rows.Width));
    out.Put32(std::uint32_t(rows.Height));
    out.Put16(std::uint16_t(rows.BitCount));
    out.Put16(std::uint16_t(rows.ColorTable.size()));
    out.Put32(std::uint32_t(rowsPerBand));
    out.Put32(std::uint32_t(block.bytes.size()));
    out.Put32(std::uint32_t((rows.Height + rowsPerBand - 1) / rowsPerBand));
    out.PutBytes(block.bytes);
    return std::move(out.bytes);
}

// Compresses the bands one by one and hands each (its length word and
// stream) to `sink`; false from `sink` or a set `cancel` stops early.
// Returns whether every band went out.
bool ForEachBand(const TRecoveryRows& rows, const std::atomic<bool>* cancel,
                 const std::function<bool(std::span<const std::uint8_t>)>& sink) {
    const std::size_t rowBytes = rows.RowBytes();
    const int rowsPerBand = RowsPerBand(rowBytes);
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
        libdeflate_alloc_compressor(kCompressionLevel), libdeflate_free_compressor);
    if (!compressor) return false;
    std::vector<std::uint8_t> plain(rowBytes * std::size_t(rowsPerBand));
    std::vector<std::uint8_t> packed(4 + libdeflate_zlib_compress_bound(compressor.get(), plain.size()));
    for (int top = 0; top < rows.Height; top += rowsPerBand) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        const int count = std::min(rowsPerBand, rows.Height - top);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* src = rows.Row(top + i);
            std::uint8_t* dst = plain.data() + std::size_t(i) * rowBytes;
            if (rows.BitCount == 24) {
                const std::size_t n = std::min<std::size_t>(3, rowBytes);
                std::memcpy(dst, src, n);
                for (std::size_t x = 3; x < rowBytes; ++x) dst[x] = std::uint8_t(src[x] - src[x - 3]);
            } else {
                std::memcpy(dst, src, rowBytes);
            }
        }
        const std::size_t size = libdeflate_zlib_compress(compressor.get(), plain.data(), rowBytes * std::size_t(count),
                                                          packed.data() + 4, packed.size() - 4);
        if (size == 0) return false;
        for (int b = 0; b < 4; ++b) packed[std::size_t(b)] = std::uint8_t(size >> (8 * b));
        if (!sink(std::span(packed.data(), size + 4))) return false;
    }
    return true;
}

bool WriteAll(int fd, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

}  // namespace

TRecoveryRows TRecoveryRows::Of(const TDibImage& picture) {
    TRecoveryRows rows;
    rows.Width = picture.Width();
    rows.Height = picture.Height();
    rows.BitCount = picture.BitCount();
    if (rows.BitCount != 24) rows.ColorTable.assign(picture.ColorTable(), picture.ColorTable() + picture.ColorsUsed());
    rows.Top = picture.ScanLineRead(0);
    rows.Stride = rows.Height > 1 ? picture.ScanLineRead(1) - rows.Top : std::ptrdiff_t(picture.RowBytes());
    return rows;
}

std::size_t TRecoveryRows::RowBytes() const { return std::size_t(DibRowBytes(Width, BitCount)); }

std::vector<std::uint8_t> SerializeRecoveryFile(const TRecoveryInfo& info, const TRecoveryRows& rows) {
    std::vector<std::uint8_t> bytes = Preamble(info, rows);
    ForEachBand(rows, nullptr, [&](std::span<const std::uint8_t> band) {
        bytes.insert(bytes.end(), band.begin(), band.end());
        return true;
    });
    return bytes;
}

TRecoveryWrite WriteRecoveryFile(const std::filesystem::path& target, const TRecoveryInfo& info,
                                 const TRecoveryRows& rows, const std::atomic<bool>* cancel,
                                 std::uint64_t* bytesWritten) {
    if (bytesWritten) *bytesWritten = 0;
    const std::string temp = target.string() + ".tmp";
    // Only this editor writes under its name; whatever lies there (a
    // left-over, a link) goes, and O_EXCL makes a fresh file or nothing.
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return TRecoveryWrite::Failed;
    bool renamed = false;
    TScopeExit cleanUp([&] {
        if (!renamed) ::unlink(temp.c_str());
    });
    std::uint64_t total = 0;
    bool ok = false;
    bool cancelled = false;
    try {
        const std::vector<std::uint8_t> preamble = Preamble(info, rows);
        ok = WriteAll(fd, preamble);
        total = preamble.size();
        if (ok) {
            ok = ForEachBand(rows, cancel, [&](std::span<const std::uint8_t> band) {
                total += band.size();
                return WriteAll(fd, band);
            });
            cancelled = !ok && cancel && cancel->load();
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) return cancelled ? TRecoveryWrite::Cancelled : TRecoveryWrite::Failed;
    if (cancel && cancel->load()) return TRecoveryWrite::Cancelled;
    if (::rename(temp.c_str(), target.c_str()) != 0) return TRecoveryWrite::Failed;
    renamed = true;
    // The rename itself reaches the disk with the folder.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    if (bytesWritten) *bytesWritten = total;
    return TRecoveryWrite::Written;
}

TRecoveredPicture ParseRecoveryFile(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    char magic[sizeof kRecoveryMagic];
    in.Read(magic, sizeof magic);
    if (std::memcmp(magic, kRecoveryMagic, sizeof magic) != 0) Invalid("magic");
    const std::uint32_t version = in.Get32LE();
    if (version != kRecoveryVersion) Invalid("version " + std::to_string(version));
    const std::uint32_t headerBytes = in.Get32LE();
    if (headerBytes != kRecoveryHeaderBytes) Invalid("header bytes " + std::to_string(headerBytes));
    const std::uint64_t savedLow = in.Get32LE();
    const std::uint64_t savedTime = savedLow | (std::uint64_t(in.Get32LE()) << 32);
    const std::uint32_t width = in.Get32LE();
    const std::uint32_t height = in.Get32LE();
    const std::uint16_t bitCount = in.Get16LE();
    const std::uint16_t colors = in.Get16LE();
    const std::uint32_t rowsPerBand = in.Get32LE();
    const std::uint32_t infoBytes = in.Get32LE();
    const std::uint32_t bandCount = in.Get32LE();

    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) Invalid("bit count " + std::to_string(bitCount));
    const std::uint32_t maxColors = bitCount == 24 ? 0 : 1u << bitCount;
    if ((bitCount == 24 && colors != 0) || (bitCount != 24 && (colors == 0 || colors > maxColors)))
        Invalid("colours " + std::to_string(colors) + " at " + std::to_string(bitCount) + " bits");
    const std::int64_t pixelBytes = CheckedImageBytes<EInvalidGraphic>(width, height, bitCount, kInvalidFile);
    const std::uint64_t rowBytes = std::uint64_t(DibRowBytes(width, bitCount));
    if (rowsPerBand == 0 || rowBytes * rowsPerBand > kMaxRecoveryBandBytes)
        Invalid("rows per band " + std::to_string(rowsPerBand) + " of " + std::to_string(rowBytes) + " bytes");
    if (bandCount != (std::uint64_t(height) + rowsPerBand - 1) / rowsPerBand)
        Invalid("band count " + std::to_string(bandCount) + " for " + std::to_string(height) + " rows");
    if (infoBytes > kMaxRecoveryInfoBytes || infoBytes > in.Remaining())
        Invalid("info bytes " + std::to_string(infoBytes));
    // Every band needs its length word and a zlib stream of at least 8
    // bytes, and inflates to at most kMaxInflateRatio times its size: a
    // picture the rest of the bytes cannot hold is refused before its
    // pixels are allocated.
    const std::uint64_t rest = in.Remaining() - infoBytes;
    if (std::uint64_t(bandCount) * 12 > rest || std::uint64_t(pixelBytes) > rest * kMaxInflateRatio)
        Invalid("a picture of " + std::to_string(pixelBytes) + " bytes in " + std::to_string(rest) + " bytes");

    TRecoveredPicture result;
    TRecoveryInfo& info = result.Info;
    info.SavedTime = std::int64_t(savedTime);
    ByteReader block(in.Take(infoBytes));
    std::vector<TRGBQuad> table(colors);
    for (TRGBQuad& q : table) {
        q.rgbBlue = block.Get8();
        q.rgbGreen = block.Get8();
        q.rgbRed = block.Get8();
        block.Get8();
    }
    info.SaveQuality = block.Get8();
    if (info.SaveQuality < 1 || info.SaveQuality > 100) Invalid("quality " + std::to_string(info.SaveQuality));
    const std::uint8_t flags = block.Get8();
    info.SaveTransparent = flags & kFlagTransparent;
    info.SaveProgressive = flags & kFlagProgressive;
    info.ColorKeyed = flags & kFlagColorKeyed;
    info.Metadata.PictureChanged = flags & kFlagPictureChanged;
    info.TransparentColor = TColor(block.Get32LE() & 0xFFFFFF);
    info.TransparentIndex = block.Get8();
    const std::uint8_t source = block.Get8();
    if (source > std::uint8_t(TMetadataSource::Png)) Invalid("metadata source " + std::to_string(source));
    info.Metadata.Source = TMetadataSource(source);
    info.Metadata.Orientation = block.Get8();
    if (info.Metadata.Orientation < 1 || info.Metadata.Orientation > 8)
        Invalid("orientation " + std::to_string(info.Metadata.Orientation));
    auto readString = [&block] {
        const std::uint32_t length = block.Get32LE();
        const auto text = block.Take(length);
        return std::string(text.begin(), text.end());
    };
    info.FileName = readString();
    info.Format = readString();
    if (info.FileName.find('\0') != std::string::npos || info.Format.find('\0') != std::string::npos)
        Invalid("a NUL in a name");
    const std::uint32_t blockCount = block.Get32LE();
    // Each block takes at least its two words.
    if (std::uint64_t(blockCount) * 8 > block.Remaining()) Invalid("metadata blocks " + std::to_string(blockCount));
    info.Metadata.Blocks.resize(blockCount);
    for (TMetadataBlock& b : info.Metadata.Blocks) {
        b.Type = block.Get32LE();
        const auto data = block.Take(block.Get32LE());
        b.Data.assign(data.begin(), data.end());
    }
    if (!block.AtEnd()) Invalid("bytes after the metadata");

    TDibImage& pixels = result.Pixels;
    // Heap storage, rows bottom-up as the readers of picture files make them.
    pixels.ReplaceData(TDibImageData::CreateDIB(int(width), int(height), colors, bitCount, false));
    if (colors) pixels.SetColorTable(table);
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!decompressor) throw EOutOfResources("TRecoveryFile.Read: Out of Memory");
    std::vector<std::uint8_t> plain(std::size_t(rowBytes) * std::min(rowsPerBand, height));
    for (std::uint32_t band = 0; band < bandCount; ++band) {
        const std::uint32_t top = band * rowsPerBand;
        const std::uint32_t count = std::min(rowsPerBand, height - top);
        const std::uint32_t packedBytes = in.Get32LE();
        const auto packed = in.Take(packedBytes);
        const std::size_t want = std::size_t(rowBytes) * count;
        std::size_t used = 0;
        if (libdeflate_zlib_decompress_ex(decompressor.get(), packed.data(), packed.size(), plain.data(), want,
                                          &used, nullptr) != LIBDEFLATE_SUCCESS ||
            used != packed.size())
            Invalid("band " + std::to_string(band) + " does not inflate to its " + std::to_string(want) + " bytes");
        for (std::uint32_t r = 0; r < count; ++r) {
            const std::uint8_t* src = plain.data() + std::size_t(r) * rowBytes;
            std::uint8_t* row = pixels.ScanLine(int(top + r));
            std::memcpy(row, src, std::size_t(rowBytes));
            if (bitCount == 24)
                for (std::size_t x = 3; x < rowBytes; ++x) row[x] = std::uint8_t(row[x] + row[x - 3]);
        }
    }
    if (!in.AtEnd()) Invalid(std::to_string(in.Remaining()) + " bytes after the last band");
    return result;
}

TRecoveredPicture ReadRecoveryFile(const std::filesystem::path& path, unsigned ownerUid) {
    const std::string message = "Cannot open file \"" + path.string() + "\"";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw EFOpenError(message, std::strerror(errno));
    TScopeExit closeFile([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw EFOpenError(message, std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw EFOpenError(message, "not a regular file");
    if (st.st_uid != ownerUid) throw EFOpenError(message, "owned by user " + std::to_string(st.st_uid));
    if (std::uint64_t(st.st_size) > kMaxRecoveryFileBytes)
        throw EFOpenError(message, std::to_string(st.st_size) + " bytes");
    std::vector<std::uint8_t> bytes(std::size_t(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    bytes.resize(done);
    return ParseRecoveryFile(bytes);
}

}  // namespace zelvo
