#pragma once
// TSPIs: the collection of loaded image plug-ins. At most one exists in the
// running program; the format dispatch reads plug-in formats through it.
//
// Searching a pattern ("*.spi") lists the matching regular files of a
// folder in name order and loads each one not loaded yet: the before-load
// event may refuse the file, the library is loaded as the kind its version
// selects, the after-load event may refuse the plug-in, and an accepted one
// is appended, its file types registered. A library that cannot be loaded,
// is no plug-in or lacks an entry point its kind needs is skipped, its
// message kept in SkippedMessages(); the search goes on with the next file.
//
// Calls into the plug-ins are serialised by the collection's lock.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "formats/plugin/Spi.h"

namespace zelvo {

/// The places a bare pattern is searched in, in this order.
enum class TSPISearchOption : std::uint8_t {
    spsSusieDir,    ///< the folder named in the registry stand-in
    spsAppDir,      ///< the program's own plug-in folders
    spsCurrentDir,  ///< the current folder
    spsSystemDir,   ///< the system's plug-in folder
    spsWindowsDir,  ///< the per-user data folder
};
inline constexpr TSPISearchOption kAllSearchOptions[] = {
    TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir, TSPISearchOption::spsCurrentDir,
    TSPISearchOption::spsSystemDir, TSPISearchOption::spsWindowsDir};

/// A set of search options.
using TSPISearchOptions = std::vector<TSPISearchOption>;

/// The folders of one search option. The engine knows only the current
/// folder; the platform layer supplies the rest (PluginFolders.h).
using TSPIFolderResolver = std::function<std::vector<std::filesystem::path>(TSPISearchOption)>;

/// A file type a plug-in registered: extension without the dot, lower case.
struct TSPIFileType {
    std::string Extension;
    std::string Description;
    const TSPI* Plugin = nullptr;
};

class TSPIs {
public:
    /// Creates the collection; with `autoSearch` it searches "*.spi" at
    /// once. Throws ESPIDupCreateSPIs when another collection exists.
    explicit TSPIs(bool autoSearch = true,
                   TSPISearchOptions options = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir},
                   TSPIFolderResolver folders = {});
    /// Releases every plug-in and frees its library.
    ~TSPIs();
    TSPIs(const TSPIs&) = delete;
    TSPIs& operator=(const TSPIs&) = delete;

    /// The collection of the running program, or nullptr.
    static TSPIs* Instance();

    /// Before a found file is loaded; set `accept` false to skip it.
    std::function<void(const std::filesystem::path& fileName, bool& accept)> OnBeforeLoad;
    /// After a plug-in is loaded; set `accept` false to release it. An
    /// exception from the handler releases the plug-in too.
    std::function<void(TSPI& plugin, bool& accept)> OnAfterLoad;
    /// When a file type is registered; set `accept` false to keep the type
    /// off the dispatch.
    std::function<void(const TSPIFileType& type, bool& accept)> OnRegisterFileType;

    TSPISearchOptions SearchOptions;
    TSPIFolderResolver Folders;

    /// Searches `pattern`: in its own folder when it names one
    /// ("/some/folder/*.spi"), otherwise in the folders of each search
    /// option in the table's order. Returns the number of plug-ins added.
    int Search(const std::string& pattern = "*.spi");

    int Count() const { return int(FItems.size()); }
    TSPI& Item(int index) const { return *FItems.at(std::size_t(index)); }
    /// Index of the plug-in loaded from `fileName` (compared without regard
    /// to case), or -1.
    int IndexOf(const std::filesystem::path& fileName) const;
    /// Releases the plug-in at `index`, unregistering its types.
    void Remove(int index);
    /// Every image reader in collection order.
    std::vector<TInSPI*> ImageReaders() const;
    /// Whether a registered file type has `extension` (with or without the
    /// dot, any case).
    bool HasFileType(std::string extension) const;
    /// Messages of the libraries the searches skipped.
    const std::vector<std::string>& SkippedMessages() const { return FSkipped; }

    /// The lock every call into a plug-in holds.
    std::recursive_mutex& CallLock() const { return FCallLock; }

private:
    void SearchFolder(const std::filesystem::path& folder, const std::string& pattern, int& added);
    void Register(const TSPI& plugin);

    std::vector<std::unique_ptr<TSPI>> FItems;
    std::vector<TSPIFileType> FFileTypes;
    std::vector<std::string> FSkipped;
    mutable std::recursive_mutex FCallLock;
};

/// Whether `name` matches `pattern` with "*" and "?" wildcards, compared
/// without regard to ASCII case.
bool MatchesFilePattern(const std::string& name, const std::string& pattern);

}  // namespace zelvo
