#include "formats/plugin/SPIs.h"

#include <algorithm>
#include <atomic>
#include <system_error>

#include "image/Text.h"

namespace zelvo {

namespace {

std::atomic<TSPIs*> gInstance{nullptr};

bool SameFileName(const std::filesystem::path& a, const std::filesystem::path& b) {
    return AsciiLower(a.string()) == AsciiLower(b.string());
}

}  // namespace

bool MatchesFilePattern(const std::string& name, const std::string& pattern) {
    // Iterative wildcard match with one backtracking point per "*".
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

TSPIs::TSPIs(bool autoSearch, TSPISearchOptions options, TSPIFolderResolver folders)
    : SearchOptions(std::move(options)), Folders(std::move(folders)) {
    TSPIs* expected = nullptr;
    if (!gInstance.compare_exchange_strong(expected, this)) throw ESPIDupCreateSPIs("TSPIs は複数生成できません");
    if (autoSearch) {
        try {
            Search("*.spi");
        } catch (...) {
            gInstance = nullptr;
            throw;
        }
    }
}

TSPIs::~TSPIs() {
    {
        std::lock_guard lock(FCallLock);
        FFileTypes.clear();
        FItems.clear();
    }
    TSPIs* self = this;
    gInstance.compare_exchange_strong(self, nullptr);
}

TSPIs* TSPIs::Instance() { return gInstance.load(); }

int TSPIs::Search(const std::string& pattern) {
    std::lock_guard lock(FCallLock);
    int added = 0;
    const std::size_t slash = pattern.rfind('/');
    if (slash != std::string::npos) {
        SearchFolder(pattern.substr(0, slash + 1), pattern.substr(slash + 1), added);
        return added;
    }
    for (const TSPISearchOption option : kAllSearchOptions) {
        if (std::find(SearchOptions.begin(), SearchOptions.end(), option) == SearchOptions.end()) continue;
        std::vector<std::filesystem::path> folders;
        if (Folders) {
            folders = Folders(option);
        } else if (option == TSPISearchOption::spsCurrentDir) {
            std::error_code ec;
            folders.push_back(std::filesystem::current_path(ec));
        }
        for (const auto& folder : folders) {
            if (!folder.empty()) SearchFolder(folder, pattern, added);
        }
    }
    return added;
}

void TSPIs::SearchFolder(const std::filesystem::path& folder, const std::string& pattern, int& added) {
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;  // hidden files are not listed
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (MatchesFilePattern(name, pattern)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    for (const auto& file : files) {
        if (IndexOf(file) >= 0) continue;
        bool accept = true;
        if (OnBeforeLoad) OnBeforeLoad(file, accept);
        if (!accept) continue;
        std::unique_ptr<TSPI> plugin;
        try {
            plugin = CreateSPI(file);
        } catch (const ESPIError& error) {
            // A library that cannot be loaded, that is no plug-in, or that
            // lacks an entry point its kind needs: skip it, go on with the
            // next file.
            FSkipped.push_back(error.what());
            continue;
        }
        accept = true;
        try {
            if (OnAfterLoad) OnAfterLoad(*plugin, accept);
        } catch (const std::exception& error) {
            FSkipped.push_back(error.what());
            accept = false;
        }
        if (!accept) continue;
        Register(*plugin);
        FItems.push_back(std::move(plugin));
        ++added;
    }
}

void TSPIs::Register(const TSPI& plugin) {
    if (plugin.Kind() != TSPIKind::In) return;
    for (std::size_t i = 0; i < plugin.Patterns().size(); ++i) {
        for (const std::string& pattern : SplitText(plugin.Patterns()[i], ';')) {
            const std::size_t dot = pattern.find('.');
            if (dot == std::string::npos || dot + 1 >= pattern.size()) continue;
            TSPIFileType type{AsciiLower(pattern.substr(dot + 1)), plugin.Descriptions()[i], &plugin};
            bool accept = true;
            if (OnRegisterFileType) OnRegisterFileType(type, accept);
            if (accept) FFileTypes.push_back(std::move(type));
        }
    }
}

int TSPIs::IndexOf(const std::filesystem::path& fileName) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (SameFileName(FItems[i]->FileName(), fileName)) return int(i);
    }
    return -1;
}

void TSPIs::Remove(int index) {
    std::lock_guard lock(FCallLock);
    const TSPI* plugin = FItems.at(std::size_t(index)).get();
    std::erase_if(FFileTypes, [plugin](const TSPIFileType& type) { return type.Plugin == plugin; });
    FItems.erase(FItems.begin() + index);
}

std::vector<TInSPI*> TSPIs::ImageReaders() const {
    std::vector<TInSPI*> out;
    for (const auto& item : FItems) {
        if (item->Kind() == TSPIKind::In) out.push_back(static_cast<TInSPI*>(item.get()));
    }
    return out;
}

bool TSPIs::HasFileType(std::string extension) const {
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    extension = AsciiLower(extension);
    return std::any_of(FFileTypes.begin(), FFileTypes.end(),
                       [&](const TSPIFileType& type) { return type.Extension == extension; });
}

}  // namespace zelvo
