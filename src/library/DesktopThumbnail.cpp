#include "library/DesktopThumbnail.h"

#include <algorithm>
#include <utility>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

#include "effects/Resample.h"
#include "formats/IconFile.h"
#include "formats/PngChunks.h"
#include "formats/QxImageIO.h"
#include "formats/PhotoCd.h"
#include "formats/PngImage.h"
#include "image/Stream.h"
#include "library/Thumbnails.h"

namespace zelvo {

namespace {

/// A tEXt chunk: the keyword, a zero byte, the text.
TMetadataBlock TextChunk(const std::string& keyword, const std::string& text) {
    TMetadataBlock block;
    block.Type = png::kTEXT;
    block.Data.assign(keyword.begin(), keyword.end());
    block.Data.push_back(0);
    block.Data.insert(block.Data.end(), text.begin(), text.end());
    return block;
}

/// The largest image of an icon file or program that decodes (of two the
/// same size the deeper one), drawn on black.
bool LoadLargestIcon(const std::filesystem::path& path, TDibImage& picture) {
    try {
        TAdvancedIcon icon;
        if (!icon.LoadFromFile(path)) return false;
        std::vector<int> order(std::size_t(icon.Count()));
        for (int i = 0; i < icon.Count(); ++i) order[std::size_t(i)] = i;
        const auto rank = [&icon](int i) {
            const TIconImage& image = *icon.Images(i);
            return std::pair(std::int64_t(image.Width()) * image.Height(), image.BitCount());
        };
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) > rank(b); });
        for (const int i : order) {
            try {
                picture = RenderIconPicture(*icon.Images(i));
                return true;
            } catch (const std::exception&) {
                // A damaged image: the next largest may still draw.
            }
        }
    } catch (const std::exception&) {
        // Not an icon source or not readable: no thumbnail.
    }
    return false;
}

/// A PhotoCD picture at the smallest of its resolutions (192 x 128,
/// 384 x 256, 768 x 512) whose longer side reaches `size`.
bool LoadPhotoCd(const std::filesystem::path& path, int size, TDibImage& picture) {
    try {
        TQxPCD pcd;
        pcd.SetResolution(size <= 192 ? 0 : size <= 384 ? 1 : 2);
        pcd.LoadFromFile(path);
        if (pcd.Empty()) return false;
        picture = pcd.Bitmap();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

/// Reads the picture as the thumbnail needs it: icons at their largest,
/// PhotoCD at a resolution that fills the size, JPEG decoded at a reduced
/// scale, everything else as the editor's secondary loads read it.
bool LoadSource(const std::filesystem::path& path, int size, TDibImage& picture) {
    const std::string extension = DispatchExtension(path);
    if (IsIconSourceExtension(extension)) return LoadLargestIcon(path, picture);
    if (extension == ".pcd") return LoadPhotoCd(path, size, picture);
    return LoadThumbnailSource(path, size, true, picture);
}

}  // namespace

std::string FileUri(const std::filesystem::path& absolute) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : absolute.string()) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                           b == '.' || b == '_' || b == '~' || b == '/';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[b >> 4];
            uri += kHex[b & 15];
        }
    }
    return uri;
}

TDibImage DesktopThumbnail(const TDibImage& picture, int size) {
    const TPoint fit = ThumbnailPictureSize(picture.Width(), picture.Height(), size);
    if (fit.X == picture.Width() && fit.Y == picture.Height()) return picture;
    return effects::Resample(picture, effects::rfBox, fit.X, fit.Y, nullptr);
}

std::vector<std::uint8_t> DesktopThumbnailPng(const TDibImage& image, const std::string& uri, std::int64_t mtime) {
    const TMetadataBlock chunks[] = {TextChunk("Thumb::URI", uri), TextChunk("Thumb::MTime", std::to_string(mtime))};
    TMemoryStream png;
    SavePngPicture(image, png, false, 0, false, chunks);
    return png.Data();
}

void WriteDesktopThumbnail(const std::filesystem::path& input, int size, const std::filesystem::path& output) {
    if (size < 1 || size > kMaxDesktopThumbSize)
        throw std::invalid_argument("--size: expected 1.." + std::to_string(kMaxDesktopThumbSize));
    const std::filesystem::path absolute = std::filesystem::absolute(input).lexically_normal();
    struct stat status {};
    if (::stat(absolute.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        throw std::runtime_error("file not found: " + input.string());
    TDibImage picture;
    if (!LoadSource(absolute, size, picture))
        throw std::runtime_error("cannot read the picture " + input.string());
    const std::vector<std::uint8_t> png =
        DesktopThumbnailPng(DesktopThumbnail(picture, size), FileUri(absolute), std::int64_t(status.st_mtime));
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    if (file) file.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    if (file) file.close();
    if (!file) {
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        throw std::runtime_error("cannot write " + output.string());
    }
}

}  // namespace zelvo
