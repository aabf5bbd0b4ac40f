// Fuzz target for the thumbnail cache reader (_THUMB.DAT and _THUMB.IDX).
//
// Input: the length of the .DAT part (4 bytes, little-endian, cut to what
// follows), the .DAT part, the .IDX part, and an options byte at the end
// (not part of the data):
//   bit 0: the folder asked for ends in "/" (must be read as the same
//          folder).
// Budget: every length and count is checked against the bytes that hold
// it, so the images read are bounded by the input size. A cache that
// parses must hold only plain file names and image indexes inside the
// list, must write out again, and must read back from those bytes with the
// same images and items. Only the program's own exceptions are caught;
// anything else, or a sanitizer report, is a finding.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "FuzzSupport.h"
#include "image/DibImage.h"
#include "library/ThumbnailCache.h"

namespace {

using namespace zelvo;
using zelvo::fuzz::Check;
using zelvo::fuzz::Touch;

bool SameImages(const TThumbnailSet& a, const TThumbnailSet& b) {
    if (a.Images.size() != b.Images.size() || a.ThumbSize != b.ThumbSize) return false;
    const std::size_t row = std::size_t(a.ThumbSize) * 3;
    for (std::size_t i = 0; i < a.Images.size(); ++i)
        for (int y = 0; y < a.ThumbSize; ++y)
            if (std::memcmp(a.Images[i].ScanLineRead(y), b.Images[i].ScanLineRead(y), row) != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Thousands of small pictures: heap storage rather than one mapping each.
    SetDefaultUseFMO(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const unsigned options = data[size - 1];
    const std::size_t rest = size - 5;
    const std::uint32_t datLength = std::uint32_t(data[0]) | (std::uint32_t(data[1]) << 8) |
                                    (std::uint32_t(data[2]) << 16) | (std::uint32_t(data[3]) << 24);
    const std::size_t split = std::min<std::size_t>(datLength, rest);
    const std::span<const std::uint8_t> dat(data + 4, split);
    const std::span<const std::uint8_t> idx(data + 4 + split, rest - split);
    const std::string folder = (options & 1) ? "/pictures/" : "/pictures";
    try {
        const TThumbnailCacheData cache = ParseThumbnailCache(dat, idx, folder);
        Check(cache.Set.Folder == "/pictures");
        for (const TThumbnailItem& item : cache.Set.Items) {
            Check(item.ImageIndex >= 0 && std::size_t(item.ImageIndex) < cache.Set.Images.size());
            Check(!item.Caption.empty() && item.Caption.find('/') == std::string::npos &&
                  item.Caption.find('\0') == std::string::npos && item.Caption != "." && item.Caption != "..");
        }
        for (const TDibImage& image : cache.Set.Images) {
            Check(image.Width() == cache.Set.ThumbSize && image.Height() == cache.Set.ThumbSize);
            for (int y = 0; y < image.Height(); ++y) Touch(image.ScanLineRead(y), std::size_t(image.Width()) * 3);
        }
        const auto dat2 = SerializeThumbnailImageList(cache, 7);
        const auto idx2 = SerializeThumbnailListView(cache, 7);
        const TThumbnailCacheData back = ParseThumbnailCache(dat2, idx2, "/pictures");
        Check(SameImages(back.Set, cache.Set));
        Check(back.Set.Items.size() == cache.Set.Items.size());
        for (std::size_t i = 0; i < back.Set.Items.size(); ++i) {
            Check(back.Set.Items[i].Caption == cache.Set.Items[i].Caption);
            Check(back.Set.Items[i].ImageIndex == cache.Set.Items[i].ImageIndex);
        }
        Check(back.Background == cache.Background && back.Stamp == cache.Stamp);
    } catch (const zelvo::Exception&) {
        // Refused input: the expected outcome for most mutations.
    }
    return 0;
}
