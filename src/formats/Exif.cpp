// The EXIF reader and the in-place patcher: a bounded walk over the TIFF
// structure that never follows an offset outside the data, never visits an
// IFD twice and never trusts a count further than the data reaches.

#include "formats/Exif.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace zelvo {

namespace {

// IFD0, the Exif IFD, the GPS IFD, the interoperability IFD and IFD1 are all
// the program looks at; a chain longer than this is hostile anyway.
constexpr int kMaxIfds = 8;
// TIFF types by number: BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE,
// UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT, DOUBLE, IFD.
constexpr std::array<std::uint8_t, 14> kTypeBytes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeIfd = 13;

/// Bounds-checked reads in the block's byte order; a read outside the data
/// gives false and leaves the value untouched.
class TTiffReader {
public:
    TTiffReader(std::span<const std::uint8_t> data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}

    bool Inside(std::uint64_t offset, std::uint64_t length) const {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    bool Get16(std::uint64_t offset, std::uint16_t& value) const {
        if (!Inside(offset, 2)) return false;
        const std::uint8_t* p = data_.data() + offset;
        value = bigEndian_ ? std::uint16_t((p[0] << 8) | p[1]) : std::uint16_t(p[0] | (p[1] << 8));
        return true;
    }
    bool Get32(std::uint64_t offset, std::uint32_t& value) const {
        if (!Inside(offset, 4)) return false;
        const std::uint8_t* p = data_.data() + offset;
        value = bigEndian_ ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                 (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3])
                           : std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                                 (std::uint32_t(p[3]) << 24);
        return true;
    }
    std::size_t Size() const { return data_.size(); }
    /// The `length` bytes at `offset`; empty when they are not all inside.
    std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t length) const {
        return Inside(offset, length) ? data_.subspan(std::size_t(offset), std::size_t(length))
                                      : std::span<const std::uint8_t>{};
    }

private:
    std::span<const std::uint8_t> data_;
    bool bigEndian_;
};

/// One directory entry as the walk sees it.
struct TEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::size_t ValueOffset = 0;  ///< where the value is (in the entry, or out of line)
    bool ValueInside = false;     ///< the whole value lies inside the data
};

class TExifWalker {
public:
    TExifWalker(std::span<const std::uint8_t> tiff, TExifInfo& info)
        : reader_(tiff, info.BigEndian), info_(info) {}

    // Walks one IFD, calling `onEntry` for each entry whose value lies
    // inside the data. Returns the offset of its next-IFD link (0 when the
    // IFD is refused or has no room for one). `main` IFDs count towards
    // MainDataEnd.
    template <class F>
    std::size_t Walk(std::uint32_t offset, bool main, F&& onEntry) {
        if (offset < 8 || int(visited_.size()) >= kMaxIfds || Seen(offset)) return 0;
        visited_.push_back(offset);
        std::uint16_t count = 0;
        if (!reader_.Get16(offset, count)) return 0;
        // A count beyond the data is cut to the entries that are there.
        const std::uint64_t room = (reader_.Size() - offset - 2) / 12;
        const std::uint64_t entries = std::min<std::uint64_t>(count, room);
        const std::uint64_t linkOffset = std::uint64_t(offset) + 2 + entries * 12;
        const bool hasLink = entries == count && reader_.Inside(linkOffset, 4);
        if (main) Extend(hasLink ? linkOffset + 4 : linkOffset);
        for (std::uint64_t i = 0; i < entries; ++i) {
            const std::size_t at = std::size_t(offset + 2 + i * 12);
            TEntry e;
            std::uint32_t raw = 0;
            reader_.Get16(at, e.Tag);
            reader_.Get16(at + 2, e.Type);
            reader_.Get32(at + 4, e.Count);
            if (e.Type >= kTypeBytes.size() || kTypeBytes[e.Type] == 0) continue;
            const std::uint64_t bytes = std::uint64_t(e.Count) * kTypeBytes[e.Type];
            if (bytes <= 4) {
                e.ValueOffset = at + 8;
                e.ValueInside = true;
            } else {
                reader_.Get32(at + 8, raw);
                e.ValueOffset = raw;
                // Nothing lives inside the 8-byte header.
                e.ValueInside = raw >= 8 && reader_.Inside(raw, bytes);
                if (e.ValueInside && main) Extend(raw + bytes);
            }
            if (e.ValueInside) onEntry(e);
        }
        return hasLink ? std::size_t(linkOffset) : 0;
    }

    // The single SHORT or LONG an entry holds, when it holds one.
    bool Number(const TEntry& e, std::uint32_t& value) const {
        if (e.Count != 1) return false;
        if (e.Type == kTypeShort) {
            std::uint16_t v = 0;
            if (!reader_.Get16(e.ValueOffset, v)) return false;
            value = v;
            return true;
        }
        if (e.Type == kTypeLong || e.Type == kTypeIfd) return reader_.Get32(e.ValueOffset, value);
        return false;
    }

    const TTiffReader& Reader() const { return reader_; }
    bool Seen(std::uint32_t offset) const {
        return std::find(visited_.begin(), visited_.end(), offset) != visited_.end();
    }

private:
    void Extend(std::uint64_t end) { info_.MainDataEnd = std::max<std::size_t>(info_.MainDataEnd, std::size_t(end)); }

    TTiffReader reader_;
    TExifInfo& info_;
    std::vector<std::uint32_t> visited_;
};

void Put16(std::vector<std::uint8_t>& data, std::size_t offset, std::uint16_t value, bool bigEndian) {
    if (offset == 0 || offset + 2 > data.size()) return;
    data[offset] = std::uint8_t(bigEndian ? value >> 8 : value);
    data[offset + 1] = std::uint8_t(bigEndian ? value : value >> 8);
}

void Put32(std::vector<std::uint8_t>& data, std::size_t offset, std::uint32_t value, bool bigEndian) {
    if (offset == 0 || offset + 4 > data.size()) return;
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        data[offset + std::size_t(i)] = std::uint8_t(value >> shift);
    }
}

// IFD0 tags whose text a TIFF's own IFD0 holds: ImageDescription, Make,
// Model, Software, DateTime, Artist, Copyright.
constexpr std::array<std::uint16_t, 7> kIfd0TextTags = {0x010E, 0x010F, 0x0110, 0x0131, 0x0132, 0x013B, 0x8298};
// Tags whose values are offsets into the block, which mean nothing once the
// values move: strips, tiles, sub-IFDs, the thumbnail and the IFD pointers.
// The interoperability IFD goes too: it states that the file keeps the
// camera file rules (DCF), which a TIFF written here does not, and libtiff
// does not know its pointer.
constexpr std::array<std::uint16_t, 7> kOffsetTags = {0x0111, 0x0144, 0x014A, kExifTagThumbnailOffset,
                                                      kExifTagExifIfd, kExifTagGpsIfd, kExifTagInteropIfd};

/// An entry a TIFF file gets again, with its value as the block's bytes
/// (or as a LONG of its own).
struct TCarriedEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::span<const std::uint8_t> Value;
    std::uint32_t Long = 0;  ///< the value of a SHORT made a LONG (Value empty)
};

// The entries of the IFD at `offset` that can be carried, in ascending tag
// order, each tag once (the first). Values out of line are taken while they
// fit in `budget`, which they use up.
std::vector<TCarriedEntry> CarriedEntries(TExifWalker& walker, std::uint32_t offset, std::uint64_t& budget) {
    std::vector<TCarriedEntry> found;
    walker.Walk(offset, false, [&](const TEntry& e) {
        std::uint32_t v = 0;
        if (e.Count == 0 || e.Type == kTypeIfd ||
            std::find(kOffsetTags.begin(), kOffsetTags.end(), e.Tag) != kOffsetTags.end())
            return;
        // The pixel dimensions may be SHORTs, but libtiff reads them only
        // as LONGs and drops them otherwise.
        if ((e.Tag == kExifTagPixelXDimension || e.Tag == kExifTagPixelYDimension) && e.Type == kTypeShort &&
            walker.Number(e, v)) {
            found.push_back({e.Tag, kTypeLong, 1, {}, v});
            return;
        }
        found.push_back({e.Tag, e.Type, e.Count,
                         walker.Reader().Bytes(e.ValueOffset, std::uint64_t(e.Count) * kTypeBytes[e.Type])});
    });
    std::stable_sort(found.begin(), found.end(),
                     [](const TCarriedEntry& a, const TCarriedEntry& b) { return a.Tag < b.Tag; });
    std::vector<TCarriedEntry> kept;
    for (const TCarriedEntry& e : found) {
        if (!kept.empty() && kept.back().Tag == e.Tag) continue;
        if (e.Value.size() > 4) {
            if (e.Value.size() > budget) continue;
            budget -= e.Value.size();
        }
        kept.push_back(e);
    }
    return kept;
}

}  // namespace

std::span<const std::uint8_t> ExifTiffData(std::span<const std::uint8_t> app1Payload) {
    if (app1Payload.size() < sizeof kExifSignature ||
        std::memcmp(app1Payload.data(), kExifSignature, sizeof kExifSignature) != 0) {
        return {};
    }
    return app1Payload.subspan(sizeof kExifSignature);
}

TExifInfo ParseExif(std::span<const std::uint8_t> tiff) {
    TExifInfo info;
    if (tiff.size() < 8) return info;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        info.BigEndian = false;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
        info.BigEndian = true;
    } else {
        return info;
    }
    TExifWalker walker(tiff, info);
    std::uint16_t magic = 0;
    std::uint32_t ifd0 = 0;
    walker.Reader().Get16(2, magic);
    walker.Reader().Get32(4, ifd0);
    if (magic != 42 || ifd0 < 8 || !walker.Reader().Inside(ifd0, 2)) return info;
    info.Valid = true;
    info.MainDataEnd = 8;

    std::uint32_t exifIfd = 0, gpsIfd = 0, interopIfd = 0;
    info.Ifd0LinkOffset = walker.Walk(ifd0, true, [&](const TEntry& e) {
        std::uint32_t v = 0;
        if (e.Tag == kExifTagOrientation && e.Type == kTypeShort && e.Count == 1) {
            std::uint16_t o = 0;
            walker.Reader().Get16(e.ValueOffset, o);
            info.OrientationValueOffset = e.ValueOffset;
            info.Orientation = o >= 1 && o <= 8 ? int(o) : 1;
        } else if (e.Tag == kExifTagExifIfd && walker.Number(e, v)) {
            exifIfd = v;
        } else if (e.Tag == kExifTagGpsIfd && walker.Number(e, v)) {
            gpsIfd = v;
        }
    });
    walker.Walk(exifIfd, true, [&](const TEntry& e) {
        std::uint32_t v = 0;
        if (!walker.Number(e, v)) return;
        if (e.Tag == kExifTagPixelXDimension) {
            info.PixelXValueOffset = e.ValueOffset;
            info.PixelXShort = e.Type == kTypeShort;
        } else if (e.Tag == kExifTagPixelYDimension) {
            info.PixelYValueOffset = e.ValueOffset;
            info.PixelYShort = e.Type == kTypeShort;
        } else if (e.Tag == kExifTagInteropIfd) {
            interopIfd = v;
        }
    });
    walker.Walk(gpsIfd, true, [](const TEntry&) {});
    walker.Walk(interopIfd, true, [](const TEntry&) {});

    std::uint32_t ifd1 = 0;
    // IFD1 counts only when it is a directory of its own, not a loop back
    // into one already walked.
    if (info.Ifd0LinkOffset != 0 && walker.Reader().Get32(info.Ifd0LinkOffset, ifd1) && ifd1 >= 8 &&
        walker.Reader().Inside(ifd1, 2) && !walker.Seen(ifd1)) {
        std::uint32_t thumbOffset = 0, thumbLength = 0;
        walker.Walk(ifd1, false, [&](const TEntry& e) {
            std::uint32_t v = 0;
            if (!walker.Number(e, v)) return;
            if (e.Tag == kExifTagThumbnailOffset) thumbOffset = v;
            if (e.Tag == kExifTagThumbnailLength) thumbLength = v;
        });
        info.Ifd1Offset = ifd1;
        if (thumbOffset >= 8 && thumbLength > 0 && walker.Reader().Inside(thumbOffset, thumbLength)) {
            info.ThumbnailOffset = thumbOffset;
            info.ThumbnailLength = thumbLength;
        }
    }
    return info;
}

std::vector<std::uint8_t> PatchExif(std::span<const std::uint8_t> tiff, const TExifPatch& patch) {
    std::vector<std::uint8_t> out(tiff.begin(), tiff.end());
    const TExifInfo info = ParseExif(tiff);
    if (!info.Valid) return out;
    const bool be = info.BigEndian;
    if (patch.ResetOrientation) Put16(out, info.OrientationValueOffset, 1, be);
    if (patch.Width > 0 && patch.Height > 0) {
        auto putDimension = [&](std::size_t offset, bool isShort, int value) {
            if (!isShort) {
                Put32(out, offset, std::uint32_t(value), be);
            } else if (value <= 0xFFFF) {
                Put16(out, offset, std::uint16_t(value), be);
            }
        };
        putDimension(info.PixelXValueOffset, info.PixelXShort, patch.Width);
        putDimension(info.PixelYValueOffset, info.PixelYShort, patch.Height);
    }
    if (patch.DropThumbnail && info.Ifd1Offset != 0) {
        Put32(out, info.Ifd0LinkOffset, 0, be);
        if (info.HasThumbnail()) {
            const std::size_t thumbEnd = info.ThumbnailOffset + info.ThumbnailLength;
            // The usual layout puts IFD1, its values and the thumbnail behind
            // everything else: then the block simply ends earlier. Anything
            // between the main IFDs' data and IFD1 stays, since maker notes
            // may point there without saying so.
            if (thumbEnd == out.size() && info.ThumbnailOffset >= info.MainDataEnd) {
                std::size_t cut = info.ThumbnailOffset;
                if (info.Ifd1Offset >= info.MainDataEnd && info.Ifd1Offset < cut) cut = info.Ifd1Offset;
                out.resize(cut);
            } else {
                std::fill_n(out.begin() + std::ptrdiff_t(info.ThumbnailOffset), info.ThumbnailLength, 0);
            }
        }
    }
    return out;
}

TExifForTiff ExifForTiff(std::span<const std::uint8_t> tiff, std::uint32_t base) {
    TExifForTiff out;
    const TExifInfo info = ParseExif(tiff);
    if (!info.Valid) return out;
    const bool be = info.BigEndian;
    out.BigEndian = be;
    TExifInfo scratch;
    scratch.BigEndian = be;
    TExifWalker walker(tiff, scratch);
    std::uint32_t ifd0 = 0, exifIfd = 0, gpsIfd = 0;
    walker.Reader().Get32(4, ifd0);
    walker.Walk(ifd0, false, [&](const TEntry& e) {
        std::uint32_t v = 0;
        if (e.Tag == kExifTagExifIfd && exifIfd == 0 && walker.Number(e, v)) {
            exifIfd = v;
        } else if (e.Tag == kExifTagGpsIfd && gpsIfd == 0 && walker.Number(e, v)) {
            gpsIfd = v;
        } else if (e.Type == kTypeAscii && e.Count > 0 &&
                   std::find(kIfd0TextTags.begin(), kIfd0TextTags.end(), e.Tag) != kIfd0TextTags.end() &&
                   std::none_of(out.Ifd0Text.begin(), out.Ifd0Text.end(),
                                [&](const auto& t) { return t.first == e.Tag; })) {
            const std::span<const std::uint8_t> text = walker.Reader().Bytes(e.ValueOffset, e.Count);
            const auto end = std::find(text.begin(), text.end(), std::uint8_t(0));
            if (end != text.begin()) out.Ifd0Text.emplace_back(e.Tag, std::string(text.begin(), end));
        }
    });
    std::stable_sort(out.Ifd0Text.begin(), out.Ifd0Text.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    // A sound block never holds more value bytes than its own size; a block
    // whose entries share their values cannot grow the file beyond that.
    std::uint64_t budget = tiff.size();
    const std::vector<TCarriedEntry> exif = CarriedEntries(walker, exifIfd, budget);
    const std::vector<TCarriedEntry> gps = CarriedEntries(walker, gpsIfd, budget);

    std::vector<std::uint8_t>& bytes = out.Bytes;
    auto set32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = std::uint8_t(value >> (be ? 24 - 8 * i : 8 * i));
    };
    auto append = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (be ? 8 * (size - 1 - i) : 8 * i)));
    };
    // The file offset of the next byte, on a word boundary.
    auto align = [&] {
        if (bytes.size() % 2 != 0) bytes.push_back(0);
        return std::uint64_t(base) + bytes.size();
    };
    std::size_t makerNoteField = 0;
    std::span<const std::uint8_t> makerNote;
    // Writes an IFD with no next IFD, then its values; returns its offset.
    auto writeIfd = [&](const std::vector<TCarriedEntry>& entries) {
        const std::uint64_t at = align();
        append(std::uint32_t(entries.size()), 2);
        const std::size_t first = bytes.size();
        for (const TCarriedEntry& e : entries) {
            append(e.Tag, 2);
            append(e.Type, 2);
            append(e.Count, 4);
            append(0, 4);
        }
        append(0, 4);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const TCarriedEntry& e = entries[i];
            const std::size_t field = first + i * 12 + 8;
            if (e.Value.empty()) {
                set32(field, e.Long);
            } else if (e.Tag == kExifTagMakerNote && e.Value.size() > 4) {
                makerNoteField = field;
                makerNote = e.Value;
            } else if (e.Value.size() <= 4) {
                std::copy(e.Value.begin(), e.Value.end(), bytes.begin() + std::ptrdiff_t(field));
            } else {
                set32(field, std::uint32_t(align()));
                bytes.insert(bytes.end(), e.Value.begin(), e.Value.end());
            }
        }
        return std::uint32_t(at);
    };
    if (!exif.empty()) out.ExifIfd = writeIfd(exif);
    if (!gps.empty()) out.GpsIfd = writeIfd(gps);
    if (!makerNote.empty()) {
        // Maker notes often point into themselves from the block's start:
        // they stay readable at the very offset they had, when the file
        // has not reached it yet.
        const std::uint64_t was = std::uint64_t(makerNote.data() - tiff.data());
        if (was % 2 == 0 && was >= align()) bytes.resize(std::size_t(was - base));
        set32(makerNoteField, std::uint32_t(align()));
        bytes.insert(bytes.end(), makerNote.begin(), makerNote.end());
    }
    // Classic TIFF offsets have 32 bits.
    if (std::uint64_t(base) + bytes.size() > 0xFFFFFFFFu) {
        bytes.clear();
        out.ExifIfd = out.GpsIfd = 0;
    }
    return out;
}

bool ResetXmpOrientation(std::vector<std::uint8_t>& xmp) {
    static constexpr std::string_view kName = "tiff:Orientation";
    const std::string_view text(reinterpret_cast<const char*>(xmp.data()), xmp.size());
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    bool changed = false;
    for (std::size_t at = text.find(kName); at != std::string_view::npos; at = text.find(kName, at + 1)) {
        std::size_t p = at + kName.size();
        while (p < text.size() && isSpace(text[p])) ++p;
        if (p >= text.size()) break;
        if (text[p] == '=') {
            ++p;
            while (p < text.size() && isSpace(text[p])) ++p;
            if (p >= text.size() || (text[p] != '"' && text[p] != '\'')) continue;
            ++p;
        } else if (text[p] == '>') {
            ++p;
            while (p < text.size() && isSpace(text[p])) ++p;
        } else {
            continue;
        }
        if (p + 1 < text.size() && text[p] >= '1' && text[p] <= '8' && !(text[p + 1] >= '0' && text[p + 1] <= '9')) {
            if (xmp[p] != '1') changed = true;
            xmp[p] = '1';
        }
    }
    return changed;
}

}  // namespace zelvo
