#include "document/RecoveryFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <set>
#include <utility>

#include "image/Exceptions.h"
#include "image/ScopeExit.h"
#include "platform/DataDirectory.h"

namespace zelvo {

namespace {

constexpr const char* kPictureSuffix = ".zvr";
constexpr const char* kTempSuffix = ".zvr.tmp";
constexpr const char* kLockSuffix = ".lock";
constexpr std::size_t kNameLength = 16;

bool IsEditorName(const std::string& name) {
    return name.size() == kNameLength &&
           std::all_of(name.begin(), name.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The editor name of a folder entry and which of its files it is; false
// for any other name.
bool SplitEntry(const std::string& entry, std::string& name, std::string& suffix) {
    for (const char* s : {kTempSuffix, kPictureSuffix, kLockSuffix}) {
        const std::string tail = s;
        if (entry.size() == kNameLength + tail.size() && entry.ends_with(tail)) {
            name = entry.substr(0, kNameLength);
            suffix = tail;
            return IsEditorName(name);
        }
    }
    return false;
}

std::string NewEditorName() {
    std::random_device random;
    std::uint64_t value = (std::uint64_t(random()) << 32) ^ random() ^ std::uint64_t(::getpid());
    static const char* const kHex = "0123456789abcdef";
    std::string name(kNameLength, '0');
    for (std::size_t i = 0; i < kNameLength; ++i) {
        name[kNameLength - 1 - i] = kHex[value & 15];
        value >>= 4;
    }
    return name;
}

}  // namespace

std::filesystem::path RecoveryFolder() { return XdgBaseDirectory("XDG_STATE_HOME", ".local/state") / "zelvo" / "recovery"; }

void PrepareRecoveryFolder(const std::filesystem::path& folder, unsigned uid) {
    const std::string message = "Cannot create file \"" + folder.string() + "\"";
    std::error_code ec;
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw EFCreateError(message, std::strerror(errno));
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) throw EFCreateError(message, std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) throw EFCreateError(message, "not a folder");
    if (st.st_uid != uid) throw EFCreateError(message, "owned by user " + std::to_string(st.st_uid));
    if ((st.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        throw EFCreateError(message, std::strerror(errno));
}

// --- locks -------------------------------------------------------------------------------

TRecoveryLock::TRecoveryLock(TRecoveryLock&& other) noexcept
    : FFd(std::exchange(other.FFd, -1)), FPath(std::move(other.FPath)), FName(std::move(other.FName)) {}

TRecoveryLock& TRecoveryLock::operator=(TRecoveryLock&& other) noexcept {
    if (this != &other) {
        if (FFd >= 0) ::close(FFd);
        FFd = std::exchange(other.FFd, -1);
        FPath = std::move(other.FPath);
        FName = std::move(other.FName);
    }
    return *this;
}

TRecoveryLock::~TRecoveryLock() {
    if (FFd >= 0) ::close(FFd);
}

std::optional<TRecoveryLock> TRecoveryLock::TryTake(const std::filesystem::path& folder, const std::string& name,
                                                    unsigned uid) {
    TRecoveryLock lock;
    lock.FPath = folder / (name + kLockSuffix);
    lock.FName = name;
    lock.FFd = ::open(lock.FPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (lock.FFd < 0) return std::nullopt;
    struct stat held {};
    if (::fstat(lock.FFd, &held) != 0 || !S_ISREG(held.st_mode) || held.st_uid != uid) return std::nullopt;
    if (::flock(lock.FFd, LOCK_EX | LOCK_NB) != 0) return std::nullopt;
    // The holder before us may have removed the file between our open and
    // our lock: a lock on a file without that name guards nothing.
    struct stat named {};
    if (::lstat(lock.FPath.c_str(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev)
        return std::nullopt;
    return lock;
}

void TRecoveryLock::RemoveAndRelease() {
    if (FFd < 0) return;
    ::unlink(FPath.c_str());
    ::close(FFd);
    FFd = -1;
}

// --- the session ---------------------------------------------------------------------------

TRecoverySession::TRecoverySession(std::filesystem::path folder, unsigned uid) : FFolder(std::move(folder)), FUid(uid) {
    PrepareRecoveryFolder(FFolder, uid);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = NewEditorName();
        std::error_code ec;
        // A name some editor used before stays with its picture.
        if (std::filesystem::exists(FFolder / (name + kPictureSuffix), ec)) continue;
        if (auto lock = TRecoveryLock::TryTake(FFolder, name, uid)) {
            FLock = std::move(*lock);
            return;
        }
    }
    throw EFCreateError("Cannot create file \"" + FFolder.string() + "\"", "no editor name could be locked");
}

TRecoverySession::~TRecoverySession() {
    std::error_code ec;
    std::filesystem::remove(FFolder / (Name() + kTempSuffix), ec);
    FLock.RemoveAndRelease();
}

std::filesystem::path TRecoverySession::FilePath() const { return FFolder / (Name() + kPictureSuffix); }

bool TRecoverySession::RemoveFile() const {
    std::error_code ec;
    std::filesystem::remove(FFolder / (Name() + kTempSuffix), ec);
    std::filesystem::remove(FilePath(), ec);
    return !std::filesystem::exists(FilePath(), ec) && !ec;
}

// --- dead editors ------------------------------------------------------------------------------

std::vector<TRecoveryOffer> ClaimDeadRecoveryFiles(const std::filesystem::path& folder, unsigned uid,
                                                   const std::string& ownName, std::int64_t now,
                                                   std::chrono::seconds maxAge) {
    std::vector<TRecoveryOffer> offers;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return offers;
    // Our own entries of each dead editor, by name; the folder is read
    // whole before anything in it changes.
    std::set<std::string> names;
    std::set<std::string> pictures;
    {
        TScopeExit closeDir([dir] { ::closedir(dir); });
        while (const dirent* entry = ::readdir(dir)) {
            std::string name;
            std::string suffix;
            if (!SplitEntry(entry->d_name, name, suffix) || name == ownName) continue;
            struct stat st {};
            if (::lstat((folder / entry->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != uid)
                continue;
            names.insert(name);
            if (suffix == kPictureSuffix) pictures.insert(name);
        }
    }
    for (const std::string& name : names) {
        auto lock = TRecoveryLock::TryTake(folder, name, uid);
        if (!lock) continue;  // a live editor, or another one offering it
        std::error_code ec;
        std::filesystem::remove(folder / (name + kTempSuffix), ec);
        const std::filesystem::path file = folder / (name + kPictureSuffix);
        struct stat st {};
        const bool plain = pictures.count(name) && ::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                           st.st_uid == uid;
        if (!plain) {
            // Only a lock (and perhaps a temporary file) was left.
            if (::lstat(file.c_str(), &st) != 0 && errno == ENOENT) lock->RemoveAndRelease();
            continue;
        }
        if (now - std::int64_t(st.st_mtime) > maxAge.count()) {
            std::filesystem::remove(file, ec);
            lock->RemoveAndRelease();
            continue;
        }
        try {
            TRecoveryOffer offer{file, std::move(*lock), ReadRecoveryFile(file, uid)};
            offers.push_back(std::move(offer));
        } catch (const Exception&) {
            // Unreadable: skipped, left until it is too old.
        } catch (const std::bad_alloc&) {
            // Too large to read now: skipped the same way.
        }
    }
    std::stable_sort(offers.begin(), offers.end(), [](const TRecoveryOffer& a, const TRecoveryOffer& b) {
        return a.Picture.Info.SavedTime > b.Picture.Info.SavedTime;
    });
    return offers;
}

bool AdoptRecoveryOffer(TRecoveryOffer& offer, const TRecoverySession& session) {
    if (::rename(offer.File.c_str(), session.FilePath().c_str()) != 0) return false;
    offer.File = session.FilePath();
    offer.Lock.RemoveAndRelease();
    return true;
}

void DiscardRecoveryOffer(TRecoveryOffer& offer) {
    std::error_code ec;
    std::filesystem::remove(offer.File, ec);
    offer.Lock.RemoveAndRelease();
}

}  // namespace zelvo
