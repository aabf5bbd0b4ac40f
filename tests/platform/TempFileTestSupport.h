#pragma once
// Helpers of the temporary-file tests of several layers: the "_ZV#####.tmp"
// names in a folder, a file system without nameless files, and another
// process holding a file's lock.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "platform/TempFile.h"

namespace zelvo::test {

/// Every "_ZV#####.tmp" name in a folder (none when it cannot be read).
inline std::set<std::string> TempNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (IsTempFileName(entry.path().filename().string())) names.insert(entry.path().filename().string());
    return names;
}

/// A nameless opener of a file system that has no nameless files.
inline int NoNamelessFiles(const std::filesystem::path&) {
    errno = EOPNOTSUPP;
    return -1;
}

/// Replaces the nameless opener for the life of the object.
class NamelessOpenerScope {
public:
    explicit NamelessOpenerScope(TNamelessOpener opener) : old_(SetNamelessOpener(opener)) {}
    ~NamelessOpenerScope() { SetNamelessOpener(old_); }
    NamelessOpenerScope(const NamelessOpenerScope&) = delete;
    NamelessOpenerScope& operator=(const NamelessOpenerScope&) = delete;

private:
    TNamelessOpener old_;
};

/// Another process that holds the lock (flock) of `path` as a living
/// program holds its file's lock, until the object ends.
class LockHolder {
public:
    explicit LockHolder(const std::filesystem::path& path) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR);
            const bool held = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
            if (::write(ready[1], held ? "1" : "0", 1) != 1) ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        char answer = 0;
        held_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == '1';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool Held() const { return held_; }
    /// Ends the holding process, which releases the lock.
    void Release() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

}  // namespace zelvo::test
