// Which metadata blocks are kept, and what a save writes of them.

#include "formats/PictureMetadata.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "formats/Exif.h"
#include "formats/PngChunks.h"
#include "formats/ZStream.h"

namespace zelvo {

namespace {

constexpr std::uint32_t kApp1 = 0xE1;
constexpr std::uint32_t kApp2 = 0xE2;
constexpr std::uint32_t kCom = 0xFE;

constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kXmpExtensionSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::string_view kIccSignature{"ICC_PROFILE\0", 12};
// ICC_PROFILE, then the chunk's sequence number (from 1) and the count.
constexpr std::size_t kIccChunkHeader = 14;

bool StartsWith(const std::vector<std::uint8_t>& data, std::string_view prefix) {
    return data.size() >= prefix.size() && std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

bool IsExif(const TMetadataBlock& b) {
    return b.Type == kApp1 && StartsWith(b.Data, {reinterpret_cast<const char*>(kExifSignature), 6});
}
bool IsXmp(const TMetadataBlock& b) {
    return b.Type == kApp1 && (StartsWith(b.Data, kXmpSignature) || StartsWith(b.Data, kXmpExtensionSignature));
}
bool IsIcc(const TMetadataBlock& b) { return b.Type == kApp2 && StartsWith(b.Data, kIccSignature); }

std::span<const std::uint8_t> ExifOf(const TMetadataBlock& b) { return ExifTiffData(b.Data); }

// The first bytes of the profile an iCCP chunk holds (keyword, 0, method 0,
// then the zlib stream): enough for its header. Empty when it cannot be
// inflated that far.
std::vector<std::uint8_t> IccpHead(const std::vector<std::uint8_t>& data, std::size_t bytes) {
    const auto nul = std::find(data.begin(), data.end(), std::uint8_t(0));
    if (nul == data.end() || data.end() - nul < 3 || nul[1] != 0) return {};
    TZStream z(false);
    if (z.StartInflate() != Z_OK) return {};
    std::vector<std::uint8_t> out(bytes);
    const std::size_t start = std::size_t(nul - data.begin()) + 2;
    z->next_in = const_cast<Bytef*>(data.data() + start);
    z->avail_in = uInt(data.size() - start);
    z->next_out = out.data();
    z->avail_out = uInt(out.size());
    const int r = inflate(z.get(), Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END) return {};
    out.resize(out.size() - z->avail_out);
    return out;
}

}  // namespace

std::vector<std::string> TPictureMetadata::Kinds() const {
    std::vector<std::string> kinds;
    auto add = [&](const char* kind, bool present) {
        if (present) kinds.emplace_back(kind);
    };
    auto any = [&](auto&& test) { return std::any_of(Blocks.begin(), Blocks.end(), test); };
    if (Source == TMetadataSource::Jpeg) {
        add("EXIF", any(IsExif));
        add("EXIF-thumbnail", any([](const TMetadataBlock& b) {
                return IsExif(b) && ParseExif(ExifOf(b)).HasThumbnail();
            }));
        add("XMP", any(IsXmp));
        add("ICC", any(IsIcc));
        add("comment", any([](const TMetadataBlock& b) { return b.Type == kCom; }));
    } else if (Source == TMetadataSource::Png) {
        for (std::string_view name : {"iCCP", "tEXt", "zTXt", "iTXt", "pHYs"}) {
            std::uint32_t type = 0;
            for (char c : name) type = (type << 8) | std::uint8_t(c);
            add(name.data(), any([type](const TMetadataBlock& b) { return b.Type == type; }));
        }
    }
    return kinds;
}

bool JpegMarkerWanted(int marker) { return marker == int(kApp1) || marker == int(kApp2) || marker == int(kCom); }

TPictureMetadata JpegMetadata(std::vector<TMetadataBlock> markers) {
    TPictureMetadata metadata;
    metadata.Source = TMetadataSource::Jpeg;
    for (TMetadataBlock& b : markers) {
        if (!(IsExif(b) || IsXmp(b) || IsIcc(b) || b.Type == kCom)) continue;
        if (IsExif(b) && metadata.Orientation == 1 &&
            std::none_of(metadata.Blocks.begin(), metadata.Blocks.end(), IsExif)) {
            metadata.Orientation = ParseExif(ExifOf(b)).Orientation;
        }
        metadata.Blocks.push_back(std::move(b));
    }
    return metadata;
}

std::vector<TMetadataBlock> JpegMetadataForSave(const TPictureMetadata& metadata, int width, int height) {
    std::vector<TMetadataBlock> out;
    if (metadata.Source != TMetadataSource::Jpeg) return out;
    // The profile's header is in chunk 1.
    bool rgbProfile = false;
    for (const TMetadataBlock& b : metadata.Blocks) {
        if (IsIcc(b) && b.Data.size() > kIccChunkHeader && b.Data[12] == 1) {
            rgbProfile = IccColorSpace(std::span(b.Data).subspan(kIccChunkHeader)) == "RGB ";
        }
    }
    // EXIF leads, as in camera files; only the first EXIF block is one.
    bool exifDone = false;
    for (const TMetadataBlock& b : metadata.Blocks) {
        if (!IsExif(b) || exifDone) continue;
        exifDone = true;
        TExifPatch patch;
        patch.ResetOrientation = true;
        patch.DropThumbnail = metadata.PictureChanged;
        patch.Width = width;
        patch.Height = height;
        const std::vector<std::uint8_t> tiff = PatchExif(ExifOf(b), patch);
        TMetadataBlock exif{kApp1, std::vector<std::uint8_t>(kExifSignature, kExifSignature + 6)};
        exif.Data.insert(exif.Data.end(), tiff.begin(), tiff.end());
        out.push_back(std::move(exif));
    }
    for (const TMetadataBlock& b : metadata.Blocks) {
        if (IsExif(b)) continue;
        if (IsIcc(b) && !rgbProfile) continue;
        TMetadataBlock copy = b;
        if (IsXmp(b)) ResetXmpOrientation(copy.Data);
        out.push_back(std::move(copy));
    }
    return out;
}

bool PngChunkKept(std::uint32_t type) {
    using namespace png;
    return type == kICCP || type == kTEXT || type == kZTXT || type == kITXT ||
           type == kPHYS;
}

std::vector<TMetadataBlock> PngMetadataForSave(const TPictureMetadata& metadata) {
    std::vector<TMetadataBlock> out;
    if (metadata.Source != TMetadataSource::Png) return out;
    for (const TMetadataBlock& b : metadata.Blocks) {
        if (b.Type == png::kICCP && IccColorSpace(IccpHead(b.Data, 20)) != "RGB ") continue;
        if (b.Type == png::kPHYS && metadata.PictureChanged) {
            const bool square = b.Data.size() == 9 && std::equal(b.Data.begin(), b.Data.begin() + 4, b.Data.begin() + 4);
            if (!square) continue;
        }
        out.push_back(b);
    }
    return out;
}

namespace {

// The largest colour profile a PNG's iCCP chunk may inflate to.
constexpr std::size_t kMaxIccBytes = std::size_t(64) << 20;

// The whole profile of an iCCP chunk; empty when it does not inflate.
std::vector<std::uint8_t> IccpProfile(const std::vector<std::uint8_t>& data) {
    const auto nul = std::find(data.begin(), data.end(), std::uint8_t(0));
    if (nul == data.end() || data.end() - nul < 3 || nul[1] != 0) return {};
    TZStream z(false);
    if (z.StartInflate() != Z_OK) return {};
    const std::size_t start = std::size_t(nul - data.begin()) + 2;
    z->next_in = const_cast<Bytef*>(data.data() + start);
    z->avail_in = uInt(data.size() - start);
    std::vector<std::uint8_t> out;
    for (;;) {
        const std::size_t done = out.size();
        if (done >= kMaxIccBytes) return {};
        out.resize(std::min(kMaxIccBytes, std::max<std::size_t>(4096, done * 2)));
        z->next_out = out.data() + done;
        z->avail_out = uInt(out.size() - done);
        const int r = inflate(z.get(), Z_NO_FLUSH);
        out.resize(out.size() - z->avail_out);
        if (r == Z_STREAM_END) return out;
        if (r != Z_OK) return {};
    }
}

// The text of an uncompressed iTXt chunk with `keyword`; empty otherwise.
std::vector<std::uint8_t> ITxtText(const std::vector<std::uint8_t>& data, std::string_view keyword) {
    if (data.size() < keyword.size() + 3 || std::memcmp(data.data(), keyword.data(), keyword.size()) != 0 ||
        data[keyword.size()] != 0 || data[keyword.size() + 1] != 0)
        return {};
    // Keyword, 0, compression flag, method, language tag, 0, translated keyword, 0, text.
    auto at = data.begin() + std::ptrdiff_t(keyword.size() + 3);
    for (int field = 0; field < 2; ++field) {
        at = std::find(at, data.end(), std::uint8_t(0));
        if (at == data.end()) return {};
        ++at;
    }
    return {at, data.end()};
}

}  // namespace

TPortableMetadata PortableMetadataForSave(const TPictureMetadata& metadata, int width, int height) {
    TPortableMetadata out;
    if (metadata.Source == TMetadataSource::Jpeg) {
        const std::vector<TMetadataBlock> blocks = JpegMetadataForSave(metadata, width, height);
        std::vector<const TMetadataBlock*> icc;
        for (const TMetadataBlock& b : blocks) {
            if (IsExif(b) && out.Exif.empty()) {
                const auto tiff = ExifOf(b);
                out.Exif.assign(tiff.begin(), tiff.end());
            } else if (b.Type == kApp1 && StartsWith(b.Data, kXmpSignature) && out.Xmp.empty()) {
                out.Xmp.assign(b.Data.begin() + std::ptrdiff_t(kXmpSignature.size()), b.Data.end());
            } else if (IsIcc(b) && b.Data.size() > kIccChunkHeader) {
                icc.push_back(&b);
            }
        }
        // The profile's chunks in the order of their sequence numbers.
        std::stable_sort(icc.begin(), icc.end(),
                         [](const TMetadataBlock* a, const TMetadataBlock* b) { return a->Data[12] < b->Data[12]; });
        for (const TMetadataBlock* b : icc)
            out.Icc.insert(out.Icc.end(), b->Data.begin() + std::ptrdiff_t(kIccChunkHeader), b->Data.end());
    } else if (metadata.Source == TMetadataSource::Png) {
        for (const TMetadataBlock& b : PngMetadataForSave(metadata)) {
            if (b.Type == png::kICCP && out.Icc.empty()) {
                out.Icc = IccpProfile(b.Data);
            } else if (b.Type == png::kITXT && out.Xmp.empty()) {
                out.Xmp = ITxtText(b.Data, "XML:com.adobe.xmp");
                if (!out.Xmp.empty()) ResetXmpOrientation(out.Xmp);
            }
        }
    }
    return out;
}

std::string IccColorSpace(std::span<const std::uint8_t> profile) {
    if (profile.size() < 20) return {};
    return std::string(reinterpret_cast<const char*>(profile.data()) + 16, 4);
}

}  // namespace zelvo
