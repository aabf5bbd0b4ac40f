#include "library/Thumbnails.h"

#include <algorithm>
#include <cstring>

#include "effects/Picture24.h"
#include "effects/Resample.h"
#include "formats/PictureFormats.h"
#include "formats/QxImageIO.h"
#include "image/Exceptions.h"
#include "image/Text.h"
#include "library/FolderPictures.h"

namespace zelvo {

TPoint ThumbnailPictureSize(int width, int height, int thumbSize) {
    if (width <= thumbSize && height <= thumbSize) return TPoint{width, height};
    const std::int64_t longer = std::max(width, height);
    const std::int64_t shorter = std::min(width, height);
    // Rounded half up; a very thin picture still keeps one pixel.
    const int scaled = int(std::max<std::int64_t>(1, (shorter * thumbSize * 2 + longer) / (longer * 2)));
    return width >= height ? TPoint{thumbSize, scaled} : TPoint{scaled, thumbSize};
}

TDibImage MakeThumbnail(const TDibImage& picture, int thumbSize, TColor background) {
    if (thumbSize < 1 || thumbSize > kMaxThumbSize)
        throw EDibImageInvalidDIBPara(effects::kInvalidParameters, "thumbnail size " + std::to_string(thumbSize));
    const TPoint size = ThumbnailPictureSize(picture.Width(), picture.Height(), thumbSize);
    TDibImage shrunk = (size.X == picture.Width() && size.Y == picture.Height())
                           ? picture
                           : effects::StretchResize(picture, size.X, size.Y);
    TDibImage holder;
    const TDibImage& rows = effects::Read24Bit(shrunk, holder);
    TDibImage square = effects::NewFilled24(thumbSize, thumbSize, background);
    const int left = (thumbSize - size.X) / 2;
    const int top = (thumbSize - size.Y) / 2;
    for (int y = 0; y < size.Y; ++y)
        std::memcpy(square.ScanLine(top + y) + std::size_t(left) * 3, rows.ScanLineRead(y), std::size_t(size.X) * 3);
    return square;
}

bool LoadThumbnailSource(const std::filesystem::path& path, int thumbSize, bool gifMode, TDibImage& picture) {
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    if (!format || !format->ReadThumbnail || !GateOpen(format->SecondaryGate, gifMode))
        return LoadPictureFile(path, picture, gifMode);
    try {
        picture = format->ReadThumbnail(path, thumbSize);
        return true;
    } catch (const std::exception&) {
        // Unreadable pictures are skipped like every secondary load.
        return false;
    }
}

void SortNamesIgnoringCase(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = AsciiLower(a);
        const std::string lb = AsciiLower(b);
        return la != lb ? la < lb : a < b;
    });
}

TThumbnailSet BuildThumbnails(const std::filesystem::path& folder, const std::vector<std::string>& names,
                              int thumbSize, TColor background, bool gifMode, const TThumbnailStep& step,
                              const TThumbnailLoader& loader) {
    TThumbnailSet set;
    set.Folder = StripTrailingSeparator(folder);
    set.ThumbSize = thumbSize;
    set.Images.reserve(names.size());
    set.Items.reserve(names.size());
    const int count = int(names.size());
    for (int i = 0; i < count; ++i) {
        if (step && !step(i, count, names[std::size_t(i)])) break;
        TDibImage picture;
        const std::filesystem::path path = set.Folder / names[std::size_t(i)];
        const bool loaded = loader ? loader(path, thumbSize, gifMode, picture)
                                   : LoadThumbnailSource(path, thumbSize, gifMode, picture);
        if (!loaded) continue;
        TDibImage thumbnail;
        try {
            thumbnail = MakeThumbnail(picture, thumbSize, background);
        } catch (const EDibImageError&) {
            continue;
        }
        set.Items.push_back({names[std::size_t(i)], int(set.Images.size())});
        set.Images.push_back(thumbnail);
    }
    return set;
}

}  // namespace zelvo
