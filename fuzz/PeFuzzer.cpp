// Fuzz target for the icon groups of programs: the PE headers, the section
// table, the resource tree and the group resources, then the icon list
// built from them and the first images' decoding.
//
// The last input byte picks the options (it is not part of the data):
//   bit 0: decode the first four images listed and draw them.
// Every group entry must point at data inside the file. Only the
// program's own exceptions are caught; anything else, or a sanitizer
// report, is a finding.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "formats/IconFile.h"
#include "formats/PeResources.h"
#include "image/Exceptions.h"

namespace {

using namespace zelvo;
using fuzz::Check;
using fuzz::Touch;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    --size;
    const std::span<const std::uint8_t> file(data, size);
    std::size_t listed = 0;
    try {
        for (const TPeIconGroup& group : ReadPeIconGroups(file)) {
            Check(!group.Icons.empty());
            for (const TPeIconEntry& icon : group.Icons) {
                Check(icon.Size > 0 && icon.Offset <= size && icon.Size <= size - icon.Offset);
                Touch(data + icon.Offset, icon.Size);
                ++listed;
            }
        }
        Check(listed <= kMaxPeIcons);
    } catch (const EInvalidGraphic&) {
        // Not a program, or headers outside the file.
    }

    TAdvancedIcon icon;
    const bool loaded = icon.LoadFromMemory(std::vector<std::uint8_t>(data, data + size));
    if (IsPeFile(file)) Check(loaded == (listed > 0) && std::size_t(icon.Count()) == listed);
    if (!(options & 1)) return 0;
    for (int i = 0; i < icon.Count() && i < 4; ++i) {
        const TIconImage& image = *icon.Images(i);
        if (std::uint64_t(std::max(image.Width(), 0)) * std::uint64_t(std::max(image.Height(), 0)) > (1u << 20))
            continue;
        TDibImage small;
        small.ReplaceData(TDibImageData::CreateDIB(8, 8, 0, 24, false));
        if (image.Draw(small, 0, 0)) Touch(image.Pixels().Bgra.data(), image.Pixels().Bgra.size());
    }
    return 0;
}
