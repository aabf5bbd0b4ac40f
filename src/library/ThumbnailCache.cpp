#include "library/ThumbnailCache.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "effects/Picture24.h"
#include "image/ByteReader.h"
#include "image/DibImage.h"
#include "library/FolderPictures.h"
#include "platform/DataDirectory.h"
#include "platform/FileWriting.h"

namespace zelvo {

namespace {

constexpr std::uint16_t kResourceType = 10;
constexpr std::uint16_t kMemoryFlags = 0x1030;
constexpr char kImageListResource[] = "TIMAGELIST";
constexpr char kListViewResource[] = "TLISTVIEW";
constexpr char kImageListClass[] = "TImageList";
constexpr char kListViewClass[] = "TListView";
constexpr char kImageListName[] = "ImageList1";
constexpr char kListViewName[] = "ListView1";
constexpr char kBitmapMagic[] = "ZTIL";
constexpr std::uint16_t kBitmapVersion = 1;
/// Bytes of one item of the item block before its caption.
constexpr std::size_t kItemFixedBytes = 5 * 4 + 1;

enum TValueType : std::uint8_t {
    vaNull = 0,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaLString = 12,
    vaNil = 13,
};

[[noreturn]] void Refuse(const std::string& detail) { throw EThumbnailCacheError(kInvalidStreamFormat, detail); }

// ---------------------------------------------------------------- writing

class TWriter {
public:
    std::vector<std::uint8_t> Bytes;

    void U8(std::uint8_t v) { Bytes.push_back(v); }
    void U16(std::uint16_t v) {
        U8(std::uint8_t(v));
        U8(std::uint8_t(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(std::uint8_t(v >> (8 * i)));
    }
    void Raw(std::string_view text) { Bytes.insert(Bytes.end(), text.begin(), text.end()); }
    void Raw(std::span<const std::uint8_t> data) { Bytes.insert(Bytes.end(), data.begin(), data.end()); }
    /// A length byte and the characters; longer texts are the caller's fault.
    void Short(std::string_view text) {
        U8(std::uint8_t(text.size()));
        Raw(text);
    }
    void Integer(std::string_view name, std::int32_t value) {
        Short(name);
        if (value >= -128 && value <= 127) {
            U8(vaInt8);
            U8(std::uint8_t(std::int8_t(value)));
        } else if (value >= -32768 && value <= 32767) {
            U8(vaInt16);
            U16(std::uint16_t(std::int16_t(value)));
        } else {
            U8(vaInt32);
            U32(std::uint32_t(value));
        }
    }
    void String(std::string_view name, std::string_view value) {
        Short(name);
        if (value.size() <= 255) {
            U8(vaString);
            Short(value);
        } else {
            U8(vaLString);
            U32(std::uint32_t(value.size()));
            Raw(value);
        }
    }
    void LongString(std::string_view name, std::string_view value) {
        Short(name);
        U8(vaLString);
        U32(std::uint32_t(value.size()));
        Raw(value);
    }
    void Binary(std::string_view name, std::span<const std::uint8_t> data) {
        Short(name);
        U8(vaBinary);
        U32(std::uint32_t(data.size()));
        Raw(data);
    }
};

/// The resource header and the component stream around `properties`.
std::vector<std::uint8_t> Wrap(const char* resource, const char* className, const char* name,
                               const std::vector<std::uint8_t>& properties) {
    TWriter stream;
    stream.Raw("TPF0");
    stream.Short(className);
    stream.Short(name);
    stream.Raw(properties);
    stream.U8(0);  // end of the properties
    stream.U8(0);  // end of the children
    TWriter file;
    file.U8(0xFF);
    file.U16(kResourceType);
    file.Raw(resource);
    file.U8(0);
    file.U16(kMemoryFlags);
    file.U32(std::uint32_t(stream.Bytes.size()));
    file.Raw(stream.Bytes);
    return file.Bytes;
}

std::string FolderText(const std::filesystem::path& folder) { return StripTrailingSeparator(folder).string(); }

// ---------------------------------------------------------------- reading

/// One property as read: its name, type and data.
struct TProperty {
    std::string Name;
    std::uint8_t Type = vaNull;
    std::int64_t Integer = 0;
    std::string Text;                       ///< strings and identifiers
    std::span<const std::uint8_t> Binary;  ///< binary data, inside the file
};

std::string ReadShort(ByteReader& in) {
    const std::uint8_t length = in.Get8();
    const auto bytes = in.Take(length);
    return std::string(bytes.begin(), bytes.end());
}

TProperty ReadValue(ByteReader& in, std::string name) {
    TProperty p;
    p.Name = std::move(name);
    p.Type = in.Get8();
    switch (p.Type) {
        case vaNull:
        case vaFalse:
        case vaTrue:
        case vaNil: break;
        case vaInt8: p.Integer = std::int8_t(in.Get8()); break;
        case vaInt16: p.Integer = std::int16_t(in.Get16LE()); break;
        case vaInt32: p.Integer = std::int32_t(in.Get32LE()); break;
        case vaString:
        case vaIdent: p.Text = ReadShort(in); break;
        case vaLString: {
            const std::uint32_t length = in.Get32LE();
            if (length > in.Remaining()) Refuse("string of " + std::to_string(length) + " bytes");
            const auto bytes = in.Take(length);
            p.Text.assign(bytes.begin(), bytes.end());
            break;
        }
        case vaBinary: {
            const std::uint32_t length = in.Get32LE();
            if (length > in.Remaining()) Refuse("binary of " + std::to_string(length) + " bytes");
            p.Binary = in.Take(length);
            break;
        }
        default: Refuse("value type " + std::to_string(p.Type));
    }
    return p;
}

/// The properties of the component in `file`, after checking the resource
/// header, the stream size, the class and the component name, and that
/// nothing follows the end of the children.
std::vector<TProperty> ReadComponent(std::span<const std::uint8_t> file, std::string_view resource,
                                     std::string_view className, std::string_view name) {
    ByteReader in(file);
    if (in.Get8() != 0xFF) Refuse("first byte");
    if (in.Get16LE() != kResourceType) Refuse("resource type");
    std::string readName;
    for (;;) {
        const std::uint8_t c = in.Get8();
        if (c == 0) break;
        if (readName.size() >= 63) Refuse("resource name too long");
        readName.push_back(char(c));
    }
    if (readName != resource) Refuse("resource name " + readName);
    if (in.Get16LE() != kMemoryFlags) Refuse("memory flags");
    const std::uint32_t streamSize = in.Get32LE();
    if (streamSize != in.Remaining())
        Refuse("stream size " + std::to_string(streamSize) + ", " + std::to_string(in.Remaining()) + " bytes left");
    const auto signature = in.Take(4);
    if (std::memcmp(signature.data(), "TPF0", 4) != 0) Refuse("signature");
    if (ReadShort(in) != className) Refuse("class name");
    if (ReadShort(in) != name) Refuse("component name");
    std::vector<TProperty> properties;
    for (;;) {
        std::string propertyName = ReadShort(in);
        if (propertyName.empty()) break;
        properties.push_back(ReadValue(in, std::move(propertyName)));
    }
    if (in.Get8() != 0) Refuse("child components");
    if (!in.AtEnd()) Refuse("bytes after the component");
    return properties;
}

const TProperty* Find(const std::vector<TProperty>& properties, std::string_view name) {
    for (const TProperty& p : properties)
        if (p.Name == name) return &p;
    return nullptr;
}

const TProperty& Need(const std::vector<TProperty>& properties, std::string_view name, std::uint8_t type) {
    const TProperty* p = Find(properties, name);
    if (p == nullptr) Refuse("no " + std::string(name));
    const bool integer = p->Type == vaInt8 || p->Type == vaInt16 || p->Type == vaInt32;
    if (type == vaInt32 ? !integer : p->Type != type) Refuse(std::string(name) + " of type " + std::to_string(p->Type));
    return *p;
}

bool PlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::vector<TDibImage> ReadImages(std::span<const std::uint8_t> data, int thumbSize) {
    ByteReader in(data);
    const auto magic = in.Take(4);
    if (std::memcmp(magic.data(), kBitmapMagic, 4) != 0) Refuse("bitmap signature");
    if (in.Get16LE() != kBitmapVersion) Refuse("bitmap version");
    const int width = in.Get16LE();
    const int height = in.Get16LE();
    if (width != thumbSize || height != thumbSize) Refuse("image size " + std::to_string(width));
    const std::uint32_t count = in.Get32LE();
    const std::uint64_t rowBytes = std::uint64_t(width) * 3;
    const std::uint64_t imageBytes = rowBytes * std::uint64_t(height);
    if (std::uint64_t(count) * imageBytes != in.Remaining())
        Refuse(std::to_string(count) + " images in " + std::to_string(in.Remaining()) + " bytes");
    std::vector<TDibImage> images;
    images.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        TDibImage image = effects::NewFilled24(width, height, clBlack);
        for (int y = 0; y < height; ++y) in.Read(image.ScanLine(y), std::size_t(rowBytes));
        images.push_back(image);
    }
    return images;
}

std::vector<TThumbnailItem> ReadItems(std::span<const std::uint8_t> data, std::size_t imageCount) {
    ByteReader in(data);
    const std::uint32_t total = in.Get32LE();
    if (total != data.size()) Refuse("item block of " + std::to_string(total) + " bytes");
    const std::uint32_t count = in.Get32LE();
    if (count > in.Remaining() / kItemFixedBytes) Refuse(std::to_string(count) + " items");
    std::vector<TThumbnailItem> items;
    items.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int32_t index = std::int32_t(in.Get32LE());
        const std::int32_t state = std::int32_t(in.Get32LE());
        const std::int32_t overlay = std::int32_t(in.Get32LE());
        const std::int32_t subItems = std::int32_t(in.Get32LE());
        in.Get32LE();  // user data
        if (index < 0 || std::size_t(index) >= imageCount) Refuse("image index " + std::to_string(index));
        if (state != -1 || overlay != -1) Refuse("state or overlay index");
        if (subItems != 0) Refuse("sub-items");
        std::string caption = ReadShort(in);
        if (!PlainFileName(caption)) Refuse("caption is not a plain file name");
        items.push_back({std::move(caption), index});
    }
    if (!in.AtEnd()) Refuse("bytes after the items");
    return items;
}

std::string Hex64(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::uint64_t Fnv1a(std::uint64_t hash, std::string_view bytes) {
    for (const unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}
constexpr std::uint64_t kFnvBasis = 14695981039346656037ull;

std::uint32_t NewTag() {
    std::random_device device;
    const auto clock = std::uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
    return device() ^ clock;
}

}  // namespace

std::filesystem::path ThumbnailCacheDirectory() { return XdgBaseDirectory("XDG_CACHE_HOME", ".cache") / "zelvo"; }

TThumbnailCacheFiles ThumbnailCacheFiles(const std::filesystem::path& folder,
                                         const std::filesystem::path& cacheDirectory) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    if (ec) absolute = folder;
    const std::string key = FolderText(absolute.lexically_normal());
    const std::filesystem::path pair = cacheDirectory / Hex64(Fnv1a(kFnvBasis, key));
    return {pair / "_THUMB.DAT", pair / "_THUMB.IDX"};
}

std::string FolderStamp(const std::filesystem::path& folder, std::string_view patterns) {
    auto names = ListFolderPictures(folder, patterns);
    if (!names) return {};
    std::sort(names->begin(), names->end());
    std::uint64_t hash = kFnvBasis;
    for (const std::string& name : *names) {
        struct stat info {};
        const std::string path = (folder / name).string();
        if (::stat(path.c_str(), &info) != 0) info = {};
        const std::string entry = name + '\0' + std::to_string(info.st_size) + ':' +
                                  std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec) +
                                  '\0';
        hash = Fnv1a(hash, entry);
    }
    return Hex64(hash);
}

std::vector<std::uint8_t> SerializeThumbnailImageList(const TThumbnailCacheData& data, std::uint32_t tag) {
    const TThumbnailSet& set = data.Set;
    const int size = set.ThumbSize;
    TWriter bitmap;
    bitmap.Raw(kBitmapMagic);
    bitmap.U16(kBitmapVersion);
    bitmap.U16(std::uint16_t(size));
    bitmap.U16(std::uint16_t(size));
    bitmap.U32(std::uint32_t(set.Images.size()));
    for (const TDibImage& image : set.Images) {
        TDibImage holder;
        const TDibImage& rows = effects::Read24Bit(image, holder);
        if (rows.Width() != size || rows.Height() != size)
            throw EThumbnailCacheError(kInvalidStreamFormat, "image of another size");
        for (int y = 0; y < size; ++y) bitmap.Raw(std::span(rows.ScanLineRead(y), std::size_t(size) * 3));
    }
    TWriter properties;
    properties.Integer("Tag", std::int32_t(tag));
    properties.LongString("Folder", FolderText(set.Folder));
    properties.Integer("BkColor", std::int32_t(data.Background));
    properties.Integer("Height", size);
    properties.Integer("Width", size);
    properties.Binary("Bitmap", bitmap.Bytes);
    return Wrap(kImageListResource, kImageListClass, kImageListName, properties.Bytes);
}

std::vector<std::uint8_t> SerializeThumbnailListView(const TThumbnailCacheData& data, std::uint32_t tag) {
    TWriter block;
    block.U32(0);  // total size, set below
    block.U32(std::uint32_t(data.Set.Items.size()));
    for (const TThumbnailItem& item : data.Set.Items) {
        block.U32(std::uint32_t(item.ImageIndex));
        block.U32(0xFFFFFFFFu);
        block.U32(0xFFFFFFFFu);
        block.U32(0);
        block.U32(0);
        if (item.Caption.size() > 255) throw EThumbnailCacheError(kInvalidStreamFormat, "caption too long");
        block.Short(item.Caption);
    }
    const auto total = std::uint32_t(block.Bytes.size());
    for (int i = 0; i < 4; ++i) block.Bytes[std::size_t(i)] = std::uint8_t(total >> (8 * i));
    TWriter properties;
    properties.Integer("Tag", std::int32_t(tag));
    properties.LongString("Folder", FolderText(data.Set.Folder));
    properties.String("Stamp", data.Stamp);
    properties.Binary("Items.Data", block.Bytes);
    return Wrap(kListViewResource, kListViewClass, kListViewName, properties.Bytes);
}

TThumbnailCacheData ParseThumbnailCache(std::span<const std::uint8_t> dat, std::span<const std::uint8_t> idx,
                                        const std::filesystem::path& folder) {
    const auto images = ReadComponent(dat, kImageListResource, kImageListClass, kImageListName);
    const auto list = ReadComponent(idx, kListViewResource, kListViewClass, kListViewName);
    const std::string expected = FolderText(folder);

    const TProperty& imageTag = Need(images, "Tag", vaInt32);
    const TProperty& listTag = Need(list, "Tag", vaInt32);
    if (imageTag.Integer != listTag.Integer) Refuse("the two files were not written together");
    if (Need(images, "Folder", vaLString).Text != expected || Need(list, "Folder", vaLString).Text != expected)
        Refuse("another folder");

    const std::int64_t height = Need(images, "Height", vaInt32).Integer;
    const std::int64_t width = Need(images, "Width", vaInt32).Integer;
    if (width != height || width < 1 || width > kMaxThumbSize) Refuse("thumbnail size " + std::to_string(width));

    TThumbnailCacheData data;
    data.Set.Folder = expected;
    data.Set.ThumbSize = int(width);
    data.Background = TColor(Need(images, "BkColor", vaInt32).Integer);
    data.Set.Images = ReadImages(Need(images, "Bitmap", vaBinary).Binary, int(width));
    data.Set.Items = ReadItems(Need(list, "Items.Data", vaBinary).Binary, data.Set.Images.size());
    const TProperty* stamp = Find(list, "Stamp");
    if (stamp != nullptr) {
        if (stamp->Type != vaString) Refuse("stamp");
        data.Stamp = stamp->Text;
    }
    return data;
}

bool SaveThumbnailCache(const TThumbnailCacheFiles& files, const TThumbnailCacheData& data) {
    std::error_code ec;
    const std::filesystem::path folder = files.Dat.parent_path();
    std::filesystem::create_directories(folder, ec);
    ::chmod(folder.c_str(), 0700);
    bool ok = false;
    try {
        const std::uint32_t tag = NewTag();
        ok = ReplaceFileContents(files.Dat, SerializeThumbnailImageList(data, tag)) &&
             ReplaceFileContents(files.Idx, SerializeThumbnailListView(data, tag));
    } catch (const Exception&) {
        ok = false;
    }
    if (!ok) {
        std::filesystem::remove(files.Dat, ec);
        std::filesystem::remove(files.Idx, ec);
    }
    return ok;
}

std::optional<TThumbnailCacheData> LoadThumbnailCache(const TThumbnailCacheFiles& files,
                                                      const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(files.Dat, ec) || !std::filesystem::is_regular_file(files.Idx, ec))
        return std::nullopt;
    try {
        const std::vector<std::uint8_t> dat = ReadWholeFile(files.Dat);
        const std::vector<std::uint8_t> idx = ReadWholeFile(files.Idx);
        return ParseThumbnailCache(dat, idx, folder);
    } catch (const Exception&) {
        // A refused or unreadable cache is built again.
        return std::nullopt;
    }
}

}  // namespace zelvo
