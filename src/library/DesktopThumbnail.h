#pragma once
// The thumbnails file managers show: a PNG of the picture shrunk to fit a
// square, carrying the picture's URI and modification time as the text
// keys Thumb::URI and Thumb::MTime, so that the desktop can tell when it is
// out of date. `zelvo-cli thumbnail` writes them for the desktop's
// thumbnailer entry.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/DibImage.h"

namespace zelvo {

/// The largest side a desktop thumbnail may ask for.
inline constexpr int kMaxDesktopThumbSize = 1024;

/// The file: URI of an absolute path: every byte but A-Z, a-z, 0-9, "-",
/// ".", "_", "~" and "/" percent-encoded with capital hex digits
/// ("/tmp/a b.png" gives "file:///tmp/a%20b.png").
std::string FileUri(const std::filesystem::path& absolute);

/// `picture` shrunk to fit size x size keeping its proportions (the longer
/// side becomes size) as a 24-bit picture, or unchanged, in its own depth,
/// when it fits already.
TDibImage DesktopThumbnail(const TDibImage& picture, int size);

/// The PNG file of the thumbnail `image` of the picture at `uri`, whose
/// modification time is `mtime` (seconds since 1970).
std::vector<std::uint8_t> DesktopThumbnailPng(const TDibImage& image, const std::string& uri, std::int64_t mtime);

/// Reads `input` (every type the editor opens, GIF and PhotoCD included,
/// plug-in types when plug-ins are loaded) and writes its thumbnail of
/// `size` (1..kMaxDesktopThumbSize) to `output` as PNG. Throws
/// std::invalid_argument for a size out of range and std::runtime_error
/// when the picture cannot be read or the file not written; a failed write
/// leaves no file behind.
void WriteDesktopThumbnail(const std::filesystem::path& input, int size, const std::filesystem::path& output);

}  // namespace zelvo
