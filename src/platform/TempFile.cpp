#include "platform/TempFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <utility>

#include "image/Exceptions.h"
#include "platform/DataDirectory.h"

namespace zelvo {

namespace {

constexpr int kTempFileNumbers = 100000;

/// Closes a descriptor when the scope ends unless it was released.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

int OpenWithoutName(const std::filesystem::path& folder) {
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

TNamelessOpener gNamelessOpener = &OpenWithoutName;

/// A file created exclusively under the first free name of a folder, with
/// its lock held; or, when the folder refuses it, the errno why.
struct TCreated {
    int Fd = -1;
    std::filesystem::path Path;
    int Error = 0;
};

TCreated CreateFirstFreeName(const std::filesystem::path& folder) {
    for (int number = 0; number < kTempFileNumbers; ++number) {
        const std::filesystem::path candidate = folder / TempFileNameFor(number);
        // O_EXCL with O_CREAT also refuses a link of any kind under the name,
        // so nobody's file is ever opened or truncated in place of ours.
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {-1, candidate, errno};
        }
        // The lock fails only when a sweep of stale files took this brand-new
        // file for one and is removing it: leave it to that and go on.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        return {fd, candidate, 0};
    }
    return {-1, folder / TempFileNameFor(kTempFileNumbers - 1), EEXIST};
}

std::string CreateFailure(const std::filesystem::path& path, int error) {
    if (error == EEXIST) return "no free temporary file name in " + path.parent_path().string();
    return std::strerror(error);
}

/// A stream on the file behind `fd`, opened anew through the descriptor's
/// /proc entry, which reaches files without a name too; `fd` is closed.
std::unique_ptr<TFileStream> StreamOn(int fd) {
    const TDescriptor owned(fd);
    return std::make_unique<TFileStream>(std::filesystem::path("/proc/self/fd") / std::to_string(fd),
                                         TFileStream::Mode::fmOpenReadWrite);
}

/// Same file: device and inode equal.
bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

/// Opens a scratch file in one folder, or returns the errno why not.
std::optional<TScratchFile> ScratchFileIn(const std::filesystem::path& folder, int& error) {
    const int nameless = gNamelessOpener(folder);
    if (nameless >= 0) {
        TScratchFile file;
        file.Stream = StreamOn(nameless);
        file.Folder = folder;
        return file;
    }
    error = errno;
    // Only a file system (or kernel) without nameless files is worth a named
    // try; a missing, read-only or full folder refuses that as well.
    if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL) return std::nullopt;

    TCreated created = CreateFirstFreeName(folder);
    if (created.Fd < 0) {
        error = created.Error;
        return std::nullopt;
    }
    TDescriptor fd(created.Fd);
    // The file is used through its descriptor only, so its name goes at
    // once. We hold its lock, so no sweep removes the name meanwhile; the
    // name is still ours unless a sweep took the file before we locked it,
    // and then it is gone already or belongs to someone else now.
    struct stat mine {}, named {};
    if (::fstat(fd.Get(), &mine) == 0 && ::lstat(created.Path.c_str(), &named) == 0 && SameFile(mine, named))
        ::unlink(created.Path.c_str());
    TScratchFile file;
    file.Stream = StreamOn(fd.Release());
    file.Folder = folder;
    file.BriefName = std::move(created.Path);
    return file;
}

std::filesystem::path CacheFolder() { return XdgBaseDirectory("XDG_CACHE_HOME", ".cache") / "zelvo"; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::filesystem::path TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && *tmp != '\0') return tmp;
    return "/tmp";
}

std::string TempFileNameFor(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "_ZV%05d.tmp", number);
    return name;
}

bool IsTempFileName(const std::string& name) {
    return name.size() == 12 && name.starts_with("_ZV") && name.ends_with(".tmp") &&
           std::all_of(name.begin() + 3, name.begin() + 8, IsDigit);
}

TTempFile CreateTempFile() {
    const std::filesystem::path folder = TempFolder();
    TCreated created = CreateFirstFreeName(folder);
    if (created.Fd < 0)
        throw EFCreateError("Cannot create file \"" + created.Path.string() + "\". " +
                                CreateFailure(created.Path, created.Error),
                            "temporary file in " + folder.string());
    TTempFile file{std::move(created.Path), StreamOn(created.Fd)};
    // The lock goes with the descriptor it was taken on: take it again on
    // the stream's own, for as long as the stream is open.
    ::flock(file.Stream->Handle(), LOCK_EX | LOCK_NB);
    return file;
}

TTempFileRemover::~TTempFileRemover() {
    std::error_code ec;
    std::filesystem::remove(FPath, ec);
}

// --- scratch files ----------------------------------------------------------------

std::vector<std::filesystem::path> ScratchFolders() {
    std::vector<std::filesystem::path> folders;
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && *tmp != '\0') folders.emplace_back(tmp);
    for (const std::filesystem::path& folder : {std::filesystem::path("/var/tmp"), std::filesystem::path("/tmp"),
                                                CacheFolder()}) {
        const bool listed = std::any_of(folders.begin(), folders.end(), [&](const std::filesystem::path& f) {
            return (f / "").lexically_normal() == (folder / "").lexically_normal();
        });
        if (!listed) folders.push_back(folder);
    }
    return folders;
}

TScratchFile CreateScratchFile(const std::vector<std::filesystem::path>& folders) {
    const std::filesystem::path cache = CacheFolder();
    std::filesystem::path lastFolder;
    int lastError = ENOENT;
    for (const std::filesystem::path& folder : folders) {
        if (folder == cache) {
            // The program's own folder, the last resort, may not exist yet.
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
        }
        int error = 0;
        if (auto file = ScratchFileIn(folder, error)) return std::move(*file);
        lastFolder = folder;
        lastError = error;
    }
    const std::filesystem::path where = lastFolder.empty() ? TempFolder() : lastFolder;
    throw EFCreateError("Cannot create file \"" + (where / TempFileNameFor(0)).string() + "\". " +
                            CreateFailure(where / TempFileNameFor(0), lastError),
                        "no folder of " + std::to_string(folders.size()) + " takes a scratch file");
}

TNamelessOpener SetNamelessOpener(TNamelessOpener opener) {
    return std::exchange(gNamelessOpener, opener != nullptr ? opener : &OpenWithoutName);
}

int RemoveStaleTempFiles(const std::filesystem::path& folder, std::chrono::seconds minimumAge) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return 0;
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return 0;
    }
    const uid_t me = ::geteuid();
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsTempFileName(name)) continue;
        // Opened without following a link and without blocking on a FIFO;
        // everything is checked on the opened file itself.
        TDescriptor fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd.Get() < 0) continue;
        struct stat st {};
        if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me || st.st_nlink != 1) continue;
        if (now - st.st_mtime < minimumAge.count()) continue;
        // A living process holds the lock of its file; holding it ourselves
        // while removing keeps a process from taking the file meanwhile.
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) continue;
        struct stat named {};
        if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(st, named)) continue;
        if (::unlinkat(dirFd, name.c_str(), 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

void RemoveStaleTempFilesOnce() {
    static std::once_flag once;
    // The scratch folders include TempFolder(), where named files are made.
    std::call_once(once, [] {
        for (const std::filesystem::path& folder : ScratchFolders()) RemoveStaleTempFiles(folder);
    });
}

}  // namespace zelvo
