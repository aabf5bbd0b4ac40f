#include "library/SlideShowList.h"

#include <algorithm>
#include <chrono>
#include <sys/stat.h>

#include "effects/Random.h"
#include "library/FolderPictures.h"

namespace zelvo {

namespace {

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
}

std::int64_t ModificationSeconds(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return std::int64_t(info.st_mtime);
}

}  // namespace

std::vector<TSlideFileRecord> OrderSlideFiles(std::vector<TSlideFileRecord> records, TSlideSortType order,
                                              bool descending) {
    if (order == TSlideSortType::Random) {
        std::vector<TSlideFileRecord> shuffled;
        shuffled.reserve(records.size());
        while (!records.empty()) {
            const int pick = effects::Random(int(records.size()));
            shuffled.push_back(std::move(records[std::size_t(pick)]));
            records.erase(records.begin() + pick);
        }
        return shuffled;
    }
    auto greater = [order](const TSlideFileRecord& a, const TSlideFileRecord& b) {
        switch (order) {
            case TSlideSortType::Type: return a.Extension > b.Extension;
            case TSlideSortType::Time: return a.Time > b.Time;
            default: return a.Name > b.Name;
        }
    };
    std::stable_sort(records.begin(), records.end(), greater);
    // Ascending order comes from putting each record of the descending
    // sequence in front of the ones before it.
    if (!descending) std::reverse(records.begin(), records.end());
    return records;
}

TSlideList BuildSlideShowList(const std::filesystem::path& folderIn, std::string_view patterns, TSlideSortType order,
                              bool descending, const std::function<void()>& between) {
    TSlideList result;
    const std::filesystem::path folder = StripTrailingSeparator(folderIn);
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        result.Error = TSlideListError::FolderMissing;
        return result;
    }
    const auto names = ListFolderPictures(folder, patterns, between);
    if (!names) {
        result.Error = TSlideListError::CannotList;
        return result;
    }
    if (names->empty()) {
        result.Error = TSlideListError::NoFiles;
        return result;
    }
    std::vector<TSlideFileRecord> records;
    records.reserve(names->size());
    for (const std::string& name : *names) {
        const std::size_t dot = name.rfind('.');
        records.push_back({name, AsciiUpper(name.substr(dot)), ModificationSeconds(folder / name)});
    }
    if (order == TSlideSortType::Random) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        effects::SetRandSeed(std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
    }
    for (TSlideFileRecord& record : OrderSlideFiles(std::move(records), order, descending))
        result.Files.push_back(folder / record.Name);
    return result;
}

std::filesystem::path TSlideShowSequence::Current() const {
    if (FIndex < 0 || FIndex >= Count()) return {};
    return FFiles[std::size_t(FIndex)];
}

TSlideShowSequence::TStep TSlideShowSequence::Next() {
    if (FIndex + 1 < Count()) {
        ++FIndex;
        return TStep::Show;
    }
    if (FLoop && Count() > 0) {
        FIndex = 0;
        return TStep::Show;
    }
    return TStep::End;
}

TSlideShowSequence::TStep TSlideShowSequence::Previous() {
    if (FIndex <= 0) return TStep::Stay;
    --FIndex;
    return TStep::Show;
}

TRect FullScreenViewRect(int imageWidth, int imageHeight, int screenWidth, int screenHeight) {
    std::int64_t w = std::max(imageWidth, 1);
    std::int64_t h = std::max(imageHeight, 1);
    const std::int64_t sw = std::max(screenWidth, 1);
    const std::int64_t sh = std::max(screenHeight, 1);
    if (w > sw) {
        h = std::max<std::int64_t>(1, h * sw / w);
        w = sw;
    }
    if (h > sh) {
        w = std::max<std::int64_t>(1, w * sh / h);
        h = sh;
    }
    const int left = int((sw - w) / 2);
    const int top = int((sh - h) / 2);
    return Bounds(left, top, int(w), int(h));
}

}  // namespace zelvo
