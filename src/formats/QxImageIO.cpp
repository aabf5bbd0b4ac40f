#include "formats/QxImageIO.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/JpegImage.h"
#include "formats/PngImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "image/Text.h"

namespace zelvo {

namespace {

bool IsBmp(const std::string& ext) { return ext == ".bmp" || ext == ".dib"; }
bool IsJpeg(const std::string& ext) { return ext == ".jpg" || ext == ".jpe" || ext == ".jpeg"; }

/// Plain 4- or 8-bit form of an RLE picture; other pictures as they are.
void DecodeRle(TDibImage& picture) {
    const TDibPixelFormat format = picture.PixelFormat();
    if (format == dibPf4BitRLE) picture.SetPixelFormat(dibPf4Bit);
    if (format == dibPf8BitRLE) picture.SetPixelFormat(dibPf8Bit);
}

TDibImage ReadBmp(const std::filesystem::path& path) {
    TDibImage picture;
    picture.LoadFromFile(path);
    DecodeRle(picture);
    return picture;
}

/// Runs `writer` on a temporary file in the target's folder and renames it
/// over the target only when the writer returned; otherwise removes it and
/// lets the failure propagate. The new file keeps the permissions of the file
/// it replaces (or the usual ones of a new file).
void WriteReplacing(const std::filesystem::path& target, const std::function<void(TStream&)>& writer) {
    std::filesystem::path destination = target;
    std::error_code ec;
    // Replace the file a symbolic link points to, not the link itself.
    if (std::filesystem::is_symlink(destination, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(destination, ec);
        if (!ec) destination = resolved;
    }
    std::filesystem::path folder = destination.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + destination.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) throw EFCreateError("Cannot create file \"" + target.string() + "\"", std::strerror(errno));
    const std::filesystem::path temp(name.data());

    mode_t mode = 0;
    struct stat existing {};
    if (::stat(destination.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::close(fd);

    try {
        TFileStream stream(temp, TFileStream::Mode::fmOpenReadWrite);
        writer(stream);
        stream.Sync();
    } catch (...) {
        std::filesystem::remove(temp, ec);
        throw;
    }
    if (::rename(temp.c_str(), destination.c_str()) != 0) {
        const int error = errno;
        std::filesystem::remove(temp, ec);
        throw EFCreateError("Cannot create file \"" + target.string() + "\"", std::strerror(error));
    }
}

}  // namespace

std::string DispatchExtension(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return AsciiLower(name.substr(dot));
}

bool ReadDocumentPicture(const std::filesystem::path& path, bool gifMode, TDibImage& picture,
                         TPictureFileInfo& info) {
    const std::string ext = DispatchExtension(path);
    TPictureFileInfo read;
    if (IsBmp(ext)) {
        TDibImage loaded = ReadBmp(path);
        picture = loaded;
        info = read;
        return true;
    }
    if (IsJpeg(ext)) {
        // Full size, best quality, 24 bits (8 for grey files); Progressive =
        // the file has more than one scan; ColorKeyed false.
        TJpegLoadInfo jpeg;
        TDibImage loaded = LoadJpegPicture(path, TJPEGPerformance::jpBestQuality, &jpeg);
        read.Progressive = jpeg.Progressive;
        picture = loaded;
        info = read;
        return true;
    }
    if (ext == ".png") {
        // PNG reader, in and outside GIF mode: Progressive = interlaced,
        // Transparent false, ColorKeyed true.
        TDibImage loaded;
        read.Progressive = LoadPngPictureFile(path, loaded);
        read.ColorKeyed = 1;
        picture = loaded;
        info = read;
        return true;
    }
    if (ext == ".gif" && gifMode) {
        // GIF reader: first image on the logical screen. Not wired yet.
        return false;
    }
    if (ext == ".pcd" && gifMode) {
        // PhotoCD reader at resolution 2 (768 x 512). Not wired yet.
        return false;
    }
    // Every other extension, and .gif/.pcd outside GIF mode, belongs to the
    // image plug-ins, which the program does not load yet.
    return false;
}

bool WriteDocumentPicture(const std::filesystem::path& path, const TDibImage& picture, const TSaveOptions& options,
                          bool gifMode, bool& colorKeyed) {
    const std::string ext = DispatchExtension(path);
    if (ext == ".bmp") {
        TDibImage out(picture);
        DecodeRle(out);
        if (options.RLECompress) {
            try {
                if (out.PixelFormat() == dibPf4Bit) out.SetPixelFormat(dibPf4BitRLE);
                if (out.PixelFormat() == dibPf8Bit) out.SetPixelFormat(dibPf8BitRLE);
            } catch (const EDibImageError&) {
                // A picture RLE cannot represent is written uncompressed.
                out = picture;
                DecodeRle(out);
            }
        }
        WriteReplacing(path, [&](TStream& stream) { out.SaveToStream(stream); });
        colorKeyed = false;
        return true;
    }
    if (IsJpeg(ext)) {
        WriteReplacing(path, [&](TStream& stream) {
            SaveJpegPicture(picture, stream, options.Quality, options.Progressive);
        });
        colorKeyed = false;
        return true;
    }
    if (ext == ".png") {
        // PNG writer: transparency = options.Transparent with
        // options.TransparentColor, interlace = options.Progressive;
        // ColorKeyed true.
        WriteReplacing(path, [&](TStream& stream) {
            SavePngPicture(picture, stream, options.Transparent, options.TransparentColor, options.Progressive);
        });
        colorKeyed = true;
        return true;
    }
    if (ext == ".gif" && gifMode) {
        // GIF writer (octree reduction, nearest colour). Not wired yet.
        return false;
    }
    return false;
}

bool LoadPictureFile(const std::filesystem::path& path, TDibImage& picture, bool gifMode) {
    const std::string ext = DispatchExtension(path);
    try {
        if (IsBmp(ext)) {
            TDibImage loaded = ReadBmp(path);
            picture = loaded;
            return true;
        }
        if (IsJpeg(ext)) {
            TDibImage loaded = LoadJpegPicture(path, TJPEGPerformance::jpBestSpeed);
            picture = loaded;
            return true;
        }
        if (ext == ".png" && gifMode) {
            TDibImage loaded;
            LoadPngPictureFile(path, loaded);
            picture = loaded;
            return true;
        }
        if (ext == ".gif" && gifMode) {
            // GIF reader. Not wired yet.
            return false;
        }
        if (ext == ".pcd") {
            // PhotoCD reader at resolution 0 (192 x 128), in any mode. Not
            // wired yet.
            return false;
        }
        if (ext == ".ico") {
            // Icon reader: image 0 at its own size in 24 bits. Not wired yet.
            return false;
        }
        // Image plug-ins.
        return false;
    } catch (const std::exception&) {
        // Secondary loads (thumbnails, textures) skip unreadable files.
        return false;
    }
}

TFormatFilters BuildFormatFilters(bool gifMode, const std::vector<TPluginFormat>& plugins) {
    TFormatFilters result;
    result.KnownExtensions = {".jpg", ".jpe", ".jpeg", ".bmp", ".dib", ".png", ".ico"};
    if (gifMode) {
        result.KnownExtensions.push_back(".gif");
        result.KnownExtensions.push_back(".pcd");
    }
    std::string filter;
    result.AllPatterns = "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png;*.ico";
    if (gifMode) result.AllPatterns += ";*.gif;*.pcd";

    for (const auto& plugin : plugins) {
        const std::string patterns = AsciiLower(plugin.Patterns);
        bool added = false;
        for (const auto& pattern : SplitText(patterns, ';')) {
            const std::size_t dot = pattern.find('.');
            const std::string ext = dot == std::string::npos ? pattern : pattern.substr(dot);
            auto& known = result.KnownExtensions;
            if (std::find(known.begin(), known.end(), ext) == known.end()) {
                known.push_back(ext);
                added = true;
            }
        }
        result.PluginAccepted.push_back(added);
        if (added) {
            filter += "|" + plugin.Description + "|" + patterns;
            result.AllPatterns += ";" + patterns;
        }
    }

    result.SaveFilter = "ビットマップファイル(*.bmp)|*.bmp|JPEG ファイル(*.jpg)|*.jpg|PNG ファイル(*.png)|*.png";
    if (gifMode) {
        filter = "|GIF ファイル(*.gif)|*.gif|PCD ファイル(*.pcd)|*.pcd" + filter;
        result.SaveFilter += "|GIF ファイル(*.gif)|*.gif";
    }
    result.OpenFilter = "全ての画像ファイル|" + result.AllPatterns + "|ビットマップファイル(*.bmp;*.dib)|*.bmp;*.dib" +
                        "|JPEG ファイル (*.jpg;*.jpeg;*.jpe)|*.jpg;*.jpeg;*.jpe" + "|PNG ファイル(*.png)|*.png" +
                        "|アイコン ファイル(*.ico)|*.ico" + filter;

    const auto parts = SplitText(result.OpenFilter, '|');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i % 2 == 0) {
            result.DescriptionList.push_back(parts[i]);
        } else {
            std::string list;
            for (const auto& pattern : SplitText(parts[i], ';')) list += pattern + " ";
            result.PatternList.push_back(list);
        }
    }
    return result;
}

}  // namespace zelvo
