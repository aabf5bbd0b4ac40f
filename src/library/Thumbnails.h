#pragma once
// Thumbnails of the pictures of one folder: each picture shrunk so that its
// longer side is the thumbnail size (smaller pictures keep their size),
// centred on a square of the list's background colour, in 24 bits. The
// thumbnail window runs the loop and shows the progress; the cache
// (ThumbnailCache.h) keeps the result between sessions.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo {

/// The thumbnail sizes a cache or the settings may hold.
inline constexpr int kMinThumbSize = 16;
inline constexpr int kMaxThumbSize = 255;
inline constexpr int kDefaultThumbSize = 64;

/// The size a picture of width x height is shrunk to: unchanged when it
/// fits into thumbSize x thumbSize; otherwise the longer side becomes
/// thumbSize and the shorter round(shorter x thumbSize / longer), at least
/// 1 (a 10000 x 1 picture gives 64 x 1). 640 x 480 gives 64 x 48.
TPoint ThumbnailPictureSize(int width, int height, int thumbSize);

/// The thumbnail of `picture`: a thumbSize square filled with `background`
/// (system colours resolved), the picture shrunk as ThumbnailPictureSize
/// says with the nearest pixel in its own depth and palette, drawn at
/// ((square - width) / 2, (square - height) / 2), truncated; 24-bit.
/// thumbSize 1..kMaxThumbSize. Throws EDibImageInvalidDIBPara for a size
/// out of range.
TDibImage MakeThumbnail(const TDibImage& picture, int thumbSize, TColor background);

/// Reads a picture for a thumbnail of thumbSize: JPEG files are decoded at
/// the smallest scale of 1/8, 1/4, 1/2 that still gives a longer side of at
/// least thumbSize (so the shrink is the same as from the full picture);
/// every other file as the program's secondary loads read it
/// (LoadPictureFile). Never throws; false when the file cannot be read.
bool LoadThumbnailSource(const std::filesystem::path& path, int thumbSize, bool gifMode, TDibImage& picture);

/// One entry of the list: a file name and the index of its image.
struct TThumbnailItem {
    std::string Caption;  ///< file name without folder
    int ImageIndex = 0;
};

/// A folder's thumbnails as the list shows them.
struct TThumbnailSet {
    std::filesystem::path Folder;  ///< without trailing "/"
    int ThumbSize = kDefaultThumbSize;
    std::vector<TDibImage> Images;  ///< 24-bit ThumbSize squares, in item order when built
    std::vector<TThumbnailItem> Items;
};

/// Sorts file names ignoring ASCII letter case ("a.jpg" < "B.jpg" <
/// "c.jpg"); names equal but for case keep byte order.
void SortNamesIgnoringCase(std::vector<std::string>& names);

/// Reads one file into a picture; LoadThumbnailSource unless replaced (tests
/// count the loads). Called from the loading threads, several at once.
using TThumbnailLoader =
    std::function<bool(const std::filesystem::path& path, int thumbSize, bool gifMode, TDibImage& picture)>;

/// Called before file i (0-based) of n with its name; returns false to stop
/// (the cancel flag).
using TThumbnailStep = std::function<bool(int index, int count, const std::string& name)>;

/// Builds the thumbnails of `names` (already sorted) in `folder`: before
/// each file `step` is asked whether to go on; an unreadable file is
/// skipped (no item). The set holds what was made until a stop, in file
/// order. The files load on WorkerThreads() threads at once (the same
/// thumbnails on any count); `step` runs on the calling thread, in file
/// order, and no file is read before its step said to go on.
TThumbnailSet BuildThumbnails(const std::filesystem::path& folder, const std::vector<std::string>& names,
                              int thumbSize, TColor background, bool gifMode, const TThumbnailStep& step,
                              const TThumbnailLoader& loader = {});

}  // namespace zelvo
