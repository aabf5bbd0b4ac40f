#pragma once
// The recovery file: the unsaved picture of an editor, written in the
// background so that a crash, a power cut or a killed process loses no work.
//
// Layout (little-endian), version 1:
//   header, 48 bytes:
//     0  "ZVRECOV\x1a"      magic
//     8  u32 version        1
//    12  u32 header bytes   48
//    16  i64 saved time     seconds since 1970 (UTC)
//    24  u32 width, u32 height (pixels, at least 1, at most kMaxImagePixels)
//    32  u16 bit count      1, 4, 8 or 24
//    34  u16 colours used   0..256 (0 for 24 bits, 1..2^bits otherwise)
//    36  u32 rows per band  at least 1; a band is at most kMaxRecoveryBandBytes
//    40  u32 info bytes     length of the info block that follows
//    44  u32 band count     ceil(height / rows per band)
//   info block: the colour table (4 bytes per entry, blue green red 0), the
//     save options (u8 JPEG quality, u8 flags: 1 transparent, 2 progressive,
//     4 colour-keyed, 8 pixels changed since the file was read; u32
//     transparent colour 00BBGGRR, u8 transparent index), the metadata (u8
//     source, u8 EXIF orientation), the file name and the format (u32
//     length, UTF-8 bytes each), then u32 metadata block count and per
//     block u32 type, u32 length and the bytes;
//   bands, top to bottom: u32 compressed bytes, then a zlib stream (with
//     its Adler-32) of the band's rows, each row padded to 32 bits as in
//     memory; a 24-bit row is stored as differences to the pixel on its
//     left (byte i minus byte i - 3, modulo 256), which photographs
//     compress much better;
//   nothing after the last band.
//
// The compressor is libdeflate at level 1: a recovery write runs on every
// pause in editing, so speed matters more than the last few per cent of
// size, and the file is only ever read by this program.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "formats/PictureMetadata.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo {

/// The magic and the version a recovery file starts with.
inline constexpr char kRecoveryMagic[8] = {'Z', 'V', 'R', 'E', 'C', 'O', 'V', '\x1a'};
inline constexpr std::uint32_t kRecoveryVersion = 1;
inline constexpr std::uint32_t kRecoveryHeaderBytes = 48;
/// The largest band a file may declare (uncompressed), and the size the
/// writer aims at.
inline constexpr std::uint64_t kMaxRecoveryBandBytes = 16u << 20;
inline constexpr std::uint64_t kRecoveryBandBytes = 1u << 20;
/// The largest info block (names and metadata) a file may declare.
inline constexpr std::uint32_t kMaxRecoveryInfoBytes = 64u << 20;
/// The largest recovery file the reader opens.
inline constexpr std::uint64_t kMaxRecoveryFileBytes = std::uint64_t(2) << 30;

/// What a recovery file keeps besides the pixels: where the picture came
/// from and what a save of it needs.
struct TRecoveryInfo {
    /// The picture's file, a full path in UTF-8; empty for a picture that
    /// never had one (new, pasted, scanned).
    std::string FileName;
    /// The lower-cased extension of that file with its dot (".jpg"); empty
    /// without one.
    std::string Format;
    /// When the file was written, seconds since 1970 (UTC).
    std::int64_t SavedTime = 0;
    std::uint8_t SaveQuality = 80;
    bool SaveTransparent = false;
    bool SaveProgressive = false;
    bool ColorKeyed = false;
    TColor TransparentColor = clBlack;
    std::uint8_t TransparentIndex = 0;
    TPictureMetadata Metadata;
};

/// A picture read back from a recovery file.
struct TRecoveredPicture {
    TRecoveryInfo Info;
    /// 1, 4 or 8 bits with the colour table, or 24 bits.
    TDibImage Pixels;
};

/// The picture as a writer on another thread reads it: sizes, the colour
/// table and where its rows lie, taken once on the thread that owns the
/// picture. The writer touches nothing else of the picture, so the owner
/// only has to keep the storage alive (a TDibImage sharing it) until the
/// write ends; edits meanwhile copy the storage before changing it.
struct TRecoveryRows {
    int Width = 0;
    int Height = 0;
    int BitCount = 24;
    std::vector<TRGBQuad> ColorTable;
    const std::uint8_t* Top = nullptr;  ///< row 0 (the top row)
    std::ptrdiff_t Stride = 0;          ///< bytes from one row to the next one down

    /// The rows of `picture` (uncompressed, 1/4/8/24 bits).
    static TRecoveryRows Of(const TDibImage& picture);
    const std::uint8_t* Row(int y) const { return Top + std::ptrdiff_t(y) * Stride; }
    std::size_t RowBytes() const;
};

/// How a write ended.
enum class TRecoveryWrite { Written, Cancelled, Failed };

/// Writes `info` and `rows` as a recovery file at `target`: into
/// `target` + ".tmp" in the same folder (made anew, mode 0600, never
/// through a link), flushed to the disk, renamed over `target`, and the
/// folder flushed. `cancel`, when given, is polled between bands: set, it
/// ends the write with Cancelled. Cancelled and Failed leave no temporary
/// file and `target` as it was. `bytesWritten` receives the file's size.
/// Never throws.
TRecoveryWrite WriteRecoveryFile(const std::filesystem::path& target, const TRecoveryInfo& info,
                                 const TRecoveryRows& rows, const std::atomic<bool>* cancel = nullptr,
                                 std::uint64_t* bytesWritten = nullptr);

/// The bytes of a recovery file for `info` and `rows` (what
/// WriteRecoveryFile writes; for tests and the fuzz corpus).
std::vector<std::uint8_t> SerializeRecoveryFile(const TRecoveryInfo& info, const TRecoveryRows& rows);

/// Reads the bytes of a recovery file. Every size is checked against the
/// limits above and against what the bytes can hold before anything is
/// allocated. Throws EInvalidGraphic "TRecoveryFile.Read: Invalid Recovery
/// File" (the reason in Detail()) for a wrong magic, version or size, a
/// band that does not inflate to exactly its rows, or bytes after the last
/// band; EReadError "Stream read error" when the bytes end early.
TRecoveredPicture ParseRecoveryFile(std::span<const std::uint8_t> bytes);

/// Opens `path` without following a link, and reads it when it is a plain
/// file of user `ownerUid` of at most kMaxRecoveryFileBytes; otherwise
/// throws EFOpenError "Cannot open file \"PATH\"" with the reason in
/// Detail().
/// Then as ParseRecoveryFile.
TRecoveredPicture ReadRecoveryFile(const std::filesystem::path& path, unsigned ownerUid);

}  // namespace zelvo
