#pragma once
// Icon groups of a program or library in the portable executable format
// (".exe", ".dll", ".cpl"; 32- and 64-bit), read from its resource tree.
//
// The tree has three levels (type, name, language) below the root named by
// the resource entry of the optional header's data directory; icon groups
// are type 14, the icons they list type 3. Only these two types are
// visited, each name takes its first language, and nothing below the third
// level is followed, so a tree whose entries point back at their own
// directory cannot loop. Every directory, entry and data block is mapped
// from its virtual address to the file through the section table and must
// lie within one section's raw data and within the file; whatever does not
// is left out. The resource entry's size field is not used (some programs
// leave it 0, and the loader ignores it too).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/IconImage.h"

namespace zelvo {

/// One image of an icon group: the group entry's fields (its ImageOffset
/// set to the file offset of the image data) and where the data is.
struct TPeIconEntry {
    TIconDirEntry Entry;
    std::uint16_t IconId = 0;
    std::size_t Offset = 0;  ///< file offset of the icon's data
    std::size_t Size = 0;    ///< bytes, at least 1
};

/// One icon group resource.
struct TPeIconGroup {
    /// The resource name: its number in decimal ("101") or its text.
    std::string Name;
    /// The group's images in its own order, those whose icon is missing or
    /// unreadable left out.
    std::vector<TPeIconEntry> Icons;
};

/// The most images ReadPeIconGroups returns from one file; groups that
/// share their icons could otherwise list the same data without end.
inline constexpr std::size_t kMaxPeIcons = 16384;

/// Whether `file` starts like a portable executable ("MZ", a new header
/// within the file, "PE\0\0").
bool IsPeFile(std::span<const std::uint8_t> file);

/// The icon groups of `file`, in the order of the resource tree (named
/// groups first, then numbered ones ascending, as the tree stores them);
/// groups left with no image are left out, and reading stops after
/// kMaxPeIcons images. Returns nothing for a file
/// without resources or icon groups. Throws EInvalidGraphic "Icon image is
/// not valid" when the file is not a portable executable or its headers
/// or section table lie outside it.
std::vector<TPeIconGroup> ReadPeIconGroups(std::span<const std::uint8_t> file);

}  // namespace zelvo
