#pragma once
// TAdvancedIcon: every image of an icon source, which is either an icon file
// (".ico") or a program or library whose icon group resources hold icons
// (".exe", ".dll", ".cpl"); the two are told apart by their contents.
//
// Icon file layout (little-endian): a 6-byte header (reserved 0, type 1,
// image count), then one 16-byte directory entry per image (width, height,
// colour count, reserved, planes, bit count, data size, data offset from
// the file start), then the images' data (IconImage.h).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/IconImage.h"

namespace zelvo {

/// The largest icon source read: larger files are refused before they are
/// read.
inline constexpr std::uint64_t kMaxIconSourceBytes = std::uint64_t(256) << 20;

class TAdvancedIcon {
public:
    /// Reads the icon source; returns true when it is an icon file (a valid
    /// header, even with no image) or a program with at least one icon, the
    /// images then being in the list in file order (for programs: group by
    /// group in the order of the resource tree, each group's images in its
    /// order). An entry whose data offset lies beyond the file keeps no
    /// data, one whose data runs past the end keeps the bytes there; such
    /// entries are listed but draw nothing. A directory cut short by the
    /// file's end keeps the entries that are whole. Anything else returns
    /// false with an empty list. Throws EFOpenError when the file cannot be
    /// opened, is not a regular file or is larger than kMaxIconSourceBytes,
    /// and EReadError when reading fails.
    bool LoadFromFile(const std::filesystem::path& path);
    /// The same over bytes already in memory.
    bool LoadFromMemory(std::vector<std::uint8_t> file);

    /// Empties the list.
    void Clear() { FImages.clear(); }
    int Count() const { return int(FImages.size()); }
    /// Image `index`, or nullptr for an index outside 0..Count()-1.
    const TIconImage* Images(int index) const;
    /// The index of the image named `name` (TIconImage::Name(), "101/0"), or
    /// -1.
    int IndexOfName(std::string_view name) const;

private:
    std::vector<TIconImage> FImages;
};

/// Whether the main window offers the icon chooser for a file with this
/// dispatch extension (lower case, with the dot): ".ico", ".exe", ".dll",
/// ".cpl".
bool IsIconSourceExtension(std::string_view extension);

/// The chooser's line for image `index` (0-based): the 1-based number in 3
/// characters, ": ", width in 3, " x ", height in 3, bit count in 4, " bpp"
/// ("  1:  32 x  32   4 bpp").
std::string IconChooserLine(int index, const TIconImage& image);

/// `image` drawn at (0, 0) on a new 24-bit picture of its width and height,
/// which starts black, so that transparent areas stay black. Throws
/// DecodeIconImage's exceptions when the image data cannot be decoded.
TDibImage RenderIconPicture(const TIconImage& image);

/// Image `index` of the icon source drawn at (0, 0) on a new 24-bit picture
/// of its width and height, which starts black, so that transparent areas
/// stay black. Throws EInvalidGraphic "Icon image is not valid" when the
/// file is not an icon source or has no image `index`, EFOpenError or
/// EReadError when it cannot be read, and DecodeIconImage's exceptions when
/// the image data cannot be decoded.
TDibImage LoadIconPicture(const std::filesystem::path& path, int index);
/// The same over the bytes of an icon source.
TDibImage LoadIconPicture(std::vector<std::uint8_t> bytes, int index);

}  // namespace zelvo
