#pragma once
// The slide show's engine: the list of pictures of one folder in the chosen
// order, the stepping through it, and where a picture goes on the screen in
// a full-screen show. The window runs the show; nothing here touches Qt.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "image/Types.h"

namespace zelvo {

/// The orders of the slide show's "並べ替え" group, in its order.
enum class TSlideSortType : int { Name = 0, Type = 1, Time = 2, Random = 3 };

/// One file while the list is built.
struct TSlideFileRecord {
    std::string Name;       ///< file name without folder
    std::string Extension;  ///< ASCII upper-cased, with the dot (".JPG")
    std::int64_t Time = 0;  ///< modification time, seconds since the epoch
};

/// Orders the records. Name (byte-wise comparison), type (the upper-cased
/// extension) and time are first sorted stably into descending key order,
/// so records with equal keys keep the listing order; `descending` keeps
/// that order, otherwise it is reversed, which gives ascending keys (and
/// reverses equal keys too). Random draws a uniformly random remaining
/// record with effects::Random until none remain; `descending` does not
/// apply to it, and the generator is used from its current state.
std::vector<TSlideFileRecord> OrderSlideFiles(std::vector<TSlideFileRecord> records, TSlideSortType order,
                                              bool descending);

/// Why building the list failed.
enum class TSlideListError {
    None,
    FolderMissing,  ///< "入力フォルダが存在しません。"
    CannotList,     ///< "ファイル名の取得が出来ませんでした。"
    NoFiles,        ///< "対象となる画像ファイルがありません。"
};

struct TSlideList {
    TSlideListError Error = TSlideListError::None;
    std::vector<std::filesystem::path> Files;  ///< folder / name, in showing order
};

/// Builds the list: the folder (trailing "/" stripped) must exist; its
/// files matching `patterns` (see FolderPictures.h) are read with their
/// extension and time and ordered as OrderSlideFiles does. Random order
/// first seeds the program's generator from the clock. `between` runs
/// between directory entries.
TSlideList BuildSlideShowList(const std::filesystem::path& folder, std::string_view patterns, TSlideSortType order,
                              bool descending, const std::function<void()>& between = {});

/// Stepping through the list. Next past the last picture loops to the first
/// when looping, otherwise ends the show; Previous on the first stays there
/// without showing it again.
class TSlideShowSequence {
public:
    enum class TStep { Show, Stay, End };

    TSlideShowSequence() = default;
    TSlideShowSequence(std::vector<std::filesystem::path> files, bool loop)
        : FFiles(std::move(files)), FLoop(loop) {}

    const std::vector<std::filesystem::path>& Files() const { return FFiles; }
    int Count() const { return int(FFiles.size()); }
    int Index() const { return FIndex; }
    bool Loop() const { return FLoop; }
    /// The picture at Index(); empty for an empty list.
    std::filesystem::path Current() const;
    bool AtFirst() const { return FIndex == 0; }
    bool AtLast() const { return FIndex >= Count() - 1; }

    /// Show: Index() moved on. End: the show is over (Index() unchanged).
    TStep Next();
    /// Show: Index() moved back. Stay: already at the first picture.
    TStep Previous();

private:
    std::vector<std::filesystem::path> FFiles;
    bool FLoop = false;
    int FIndex = 0;
};

/// Where a full-screen show places a picture of imageWidth x imageHeight
/// on a screen of screenWidth x screenHeight: the picture's own size, made
/// narrower than the screen by scaling both sides by screen width / image
/// width, then lower than the screen by screen height / image height
/// (integer arithmetic), and centred: left (screen - width) / 2, top
/// (screen - height) / 2. 3000 x 1000 on 1024 x 768 gives 1024 x 341 at
/// (0, 213). Sides below 1 are taken as 1.
TRect FullScreenViewRect(int imageWidth, int imageHeight, int screenWidth, int screenHeight);

}  // namespace zelvo
