#include "library/FolderPictures.h"

#include "image/Text.h"

namespace zelvo {

bool MatchesPatternString(std::string_view patterns, std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot + 1 >= fileName.size()) return false;
    const std::string needle = AsciiLower(std::string(fileName.substr(dot))) + " ";
    return patterns.find(needle) != std::string_view::npos;
}

std::optional<std::vector<std::string>> ListFolderPictures(const std::filesystem::path& folder,
                                                           std::string_view patterns,
                                                           const std::function<void()>& between) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    std::vector<std::string> names;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (between) between();
        std::error_code typeError;
        // Links count by what they point to; folders, devices and FIFOs (a
        // FIFO would block the reader) stay out.
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (MatchesPatternString(patterns, name)) names.push_back(name);
    }
    return names;
}

std::filesystem::path StripTrailingSeparator(const std::filesystem::path& folder) {
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

}  // namespace zelvo
