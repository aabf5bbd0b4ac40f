#include "formats/PeResources.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "image/ByteReader.h"
#include "image/Exceptions.h"

namespace zelvo {

namespace {

constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupIcon = 14;
constexpr std::uint32_t kResourceDirectory = 2;  // index in the data directory
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kGroupHeaderBytes = 6;
constexpr std::size_t kGroupEntryBytes = 14;
// The loader's own limit on sections.
constexpr std::size_t kMaxSections = 96;

[[noreturn]] void NotPe(const std::string& detail) { throw EInvalidGraphic("Icon image is not valid", detail); }

struct TSection {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawPointer = 0;
};

/// The parts of a portable executable the resource walk needs.
class TPeImage {
public:
    explicit TPeImage(std::span<const std::uint8_t> file) : file_(file) {
        if (!IsPeFile(file)) NotPe("no MZ and PE signatures");
        ByteReader r(file);
        r.Seek(0x3C);
        const std::size_t peHeader = r.Get32LE();
        r.Seek(peHeader + 6);
        const std::uint16_t sectionCount = r.Get16LE();
        r.Skip(12);
        const std::uint16_t optionalSize = r.Get16LE();
        r.Skip(2);
        const std::size_t optional = r.Position();
        const std::uint16_t magic = r.Get16LE();
        if (magic != 0x10B && magic != 0x20B) NotPe("optional header magic " + std::to_string(magic));
        const bool plus = magic == 0x20B;
        r.Seek(optional + 60);
        sizeOfHeaders_ = r.Get32LE();
        // The number of data directory entries and the entries follow the
        // fields that differ in size between the 32- and 64-bit forms.
        r.Seek(optional + (plus ? 108 : 92));
        const std::uint32_t directories = r.Get32LE();
        if (directories > kResourceDirectory && r.Position() + (kResourceDirectory + 1) * 8 <= optional + optionalSize) {
            r.Skip(kResourceDirectory * 8);
            resourceRva_ = r.Get32LE();
        }
        r.Seek(optional + optionalSize);
        // A section table cut short by the file's end keeps the sections
        // that are there.
        for (std::size_t i = 0; i < std::min<std::size_t>(sectionCount, kMaxSections) && r.Remaining() >= 40; ++i) {
            r.Skip(12);  // name, virtual size
            TSection s;
            s.VirtualAddress = r.Get32LE();
            s.RawSize = r.Get32LE();
            s.RawPointer = r.Get32LE();
            r.Skip(16);
            sections_.push_back(s);
        }
    }

    std::uint32_t ResourceRva() const { return resourceRva_; }

    /// The file offset of `length` bytes at virtual address `rva`, when they
    /// lie within the headers or within one section's raw data, and within
    /// the file.
    std::optional<std::size_t> Map(std::uint64_t rva, std::uint64_t length) const {
        const std::uint64_t end = rva + length;
        if (end <= sizeOfHeaders_ && end <= file_.size()) return std::size_t(rva);
        for (const TSection& s : sections_) {
            if (rva < s.VirtualAddress) continue;
            const std::uint64_t within = rva - s.VirtualAddress;
            const std::uint64_t raw = std::min<std::uint64_t>(
                s.RawSize, file_.size() > s.RawPointer ? file_.size() - s.RawPointer : 0);
            if (within + length <= raw) return std::size_t(s.RawPointer + within);
        }
        return std::nullopt;
    }

    /// `length` bytes at `rva`, or an empty span when they cannot be mapped.
    std::span<const std::uint8_t> Bytes(std::uint64_t rva, std::uint64_t length) const {
        const auto at = Map(rva, length);
        if (!at) return {};
        return file_.subspan(*at, std::size_t(length));
    }

private:
    std::span<const std::uint8_t> file_;
    std::vector<TSection> sections_;
    std::uint32_t sizeOfHeaders_ = 0;
    std::uint32_t resourceRva_ = 0;
};

/// One entry of a resource directory.
struct TResEntry {
    bool Named = false;
    std::uint32_t Id = 0;     ///< the number, or the name's offset from the root
    bool Directory = false;
    std::uint32_t Offset = 0; ///< from the root, high bit cleared
};

class TResourceTree {
public:
    TResourceTree(const TPeImage& pe, std::uint32_t root) : pe_(pe), root_(root) {}

    /// The first `limit` entries of the directory at `offset` from the root;
    /// those that cannot be mapped are left out.
    std::vector<TResEntry> Directory(std::uint32_t offset, std::size_t limit = SIZE_MAX) const {
        std::vector<TResEntry> out;
        const auto header = pe_.Bytes(std::uint64_t(root_) + offset, 16);
        if (header.empty()) return out;
        ByteReader h(header);
        h.Seek(12);
        const std::size_t count = std::min(std::size_t(h.Get16LE()) + h.Get16LE(), limit);
        for (std::size_t i = 0; i < count; ++i) {
            const auto bytes = pe_.Bytes(std::uint64_t(root_) + offset + 16 + i * 8, 8);
            if (bytes.empty()) break;
            ByteReader e(bytes);
            const std::uint32_t name = e.Get32LE();
            const std::uint32_t target = e.Get32LE();
            out.push_back({(name & kHighBit) != 0, name & ~kHighBit, (target & kHighBit) != 0, target & ~kHighBit});
        }
        return out;
    }

    /// The resource name of a named entry, in UTF-8; empty when unreadable.
    std::string Name(std::uint32_t offset) const {
        const auto length = pe_.Bytes(std::uint64_t(root_) + offset, 2);
        if (length.empty()) return {};
        const std::size_t units = length[0] | (length[1] << 8);
        const auto text = pe_.Bytes(std::uint64_t(root_) + offset + 2, units * 2);
        std::string out;
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            const unsigned c = text[i] | (text[i + 1] << 8);
            // Code units one by one; a surrogate becomes U+FFFD.
            const unsigned cp = (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c;
            if (cp < 0x80) {
                out += char(cp);
            } else if (cp < 0x800) {
                out += char(0xC0 | (cp >> 6));
                out += char(0x80 | (cp & 0x3F));
            } else {
                out += char(0xE0 | (cp >> 12));
                out += char(0x80 | ((cp >> 6) & 0x3F));
                out += char(0x80 | (cp & 0x3F));
            }
        }
        return out;
    }

    /// The data of a name entry: the data entry of its first language.
    /// Returns the file offset and size, or nothing when the entry is not a
    /// directory of data entries or its data is empty or outside the file.
    std::optional<std::pair<std::size_t, std::size_t>> FirstLanguageData(const TResEntry& name) const {
        if (!name.Directory) return std::nullopt;
        const std::vector<TResEntry> languages = Directory(name.Offset, 1);
        // A fourth level is not followed.
        if (languages.empty() || languages.front().Directory) return std::nullopt;
        const auto entry = pe_.Bytes(std::uint64_t(root_) + languages.front().Offset, 16);
        if (entry.empty()) return std::nullopt;
        ByteReader e(entry);
        const std::uint32_t rva = e.Get32LE();
        const std::uint32_t size = e.Get32LE();
        if (size == 0) return std::nullopt;
        const auto at = pe_.Map(rva, size);
        if (!at) return std::nullopt;
        return std::make_pair(*at, std::size_t(size));
    }

private:
    const TPeImage& pe_;
    std::uint32_t root_;
};

}  // namespace

bool IsPeFile(std::span<const std::uint8_t> file) {
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return false;
    const std::size_t peHeader = file[0x3C] | (file[0x3D] << 8) | (std::size_t(file[0x3E]) << 16) |
                                 (std::size_t(file[0x3F]) << 24);
    return peHeader <= file.size() && file.size() - peHeader >= 4 && file[peHeader] == 'P' &&
           file[peHeader + 1] == 'E' && file[peHeader + 2] == 0 && file[peHeader + 3] == 0;
}

std::vector<TPeIconGroup> ReadPeIconGroups(std::span<const std::uint8_t> file) {
    std::vector<TPeIconGroup> groups;
    std::optional<TPeImage> pe;
    try {
        pe.emplace(file);
    } catch (const EReadError&) {
        NotPe("headers beyond the end of the file");
    }
    if (pe->ResourceRva() == 0) return groups;
    const TResourceTree tree(*pe, pe->ResourceRva());

    // The first directory of each of the two types; later duplicates are
    // ignored.
    std::optional<TResEntry> iconType, groupType;
    for (const TResEntry& type : tree.Directory(0)) {
        if (type.Named || !type.Directory) continue;
        if (type.Id == kRtIcon && !iconType) iconType = type;
        if (type.Id == kRtGroupIcon && !groupType) groupType = type;
    }
    if (!iconType || !groupType) return groups;

    std::map<std::uint16_t, std::pair<std::size_t, std::size_t>> icons;
    for (const TResEntry& name : tree.Directory(iconType->Offset)) {
        if (name.Named || name.Id > 0xFFFF || icons.count(std::uint16_t(name.Id))) continue;
        if (const auto data = tree.FirstLanguageData(name)) icons[std::uint16_t(name.Id)] = *data;
    }

    std::size_t total = 0;
    for (const TResEntry& name : tree.Directory(groupType->Offset)) {
        if (total >= kMaxPeIcons) break;
        const auto data = tree.FirstLanguageData(name);
        if (!data || data->second < kGroupHeaderBytes) continue;
        ByteReader r(file.subspan(data->first, data->second));
        const std::uint16_t reserved = r.Get16LE();
        const std::uint16_t type = r.Get16LE();
        if (reserved != 0 || type != 1) continue;
        // A count beyond the group's size keeps the entries that are there.
        const std::size_t count =
            std::min<std::size_t>(r.Get16LE(), (data->second - kGroupHeaderBytes) / kGroupEntryBytes);
        TPeIconGroup group;
        group.Name = name.Named ? tree.Name(name.Id) : std::to_string(name.Id);
        for (std::size_t i = 0; i < count && total < kMaxPeIcons; ++i) {
            TPeIconEntry icon;
            icon.Entry.Width = r.Get8();
            icon.Entry.Height = r.Get8();
            icon.Entry.ColorCount = r.Get8();
            icon.Entry.Reserved = r.Get8();
            icon.Entry.Planes = r.Get16LE();
            icon.Entry.BitCount = r.Get16LE();
            icon.Entry.BytesInRes = r.Get32LE();
            icon.IconId = r.Get16LE();
            const auto found = icons.find(icon.IconId);
            if (found == icons.end()) continue;
            icon.Offset = found->second.first;
            icon.Size = found->second.second;
            icon.Entry.ImageOffset = std::uint32_t(icon.Offset);
            group.Icons.push_back(icon);
            ++total;
        }
        if (!group.Icons.empty()) groups.push_back(std::move(group));
    }
    return groups;
}

}  // namespace zelvo
