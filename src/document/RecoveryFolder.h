#pragma once
// The recovery folder, $XDG_STATE_HOME/zelvo/recovery (mode 0700), shared
// by every editor of the user. Each running editor has a name of its own,
// sixteen hex digits, and keeps there
//   NAME.lock      locked (flock) while the editor runs,
//   NAME.zvr       its unsaved picture (RecoveryFile.h), when it has one,
//   NAME.zvr.tmp   that picture while it is being written.
// A lock that can be taken tells a dead editor from a live one; an editor
// that offers a dead one's picture holds that lock meanwhile, so two
// editors starting together never offer the same picture. Entries that are
// links, not plain files, or another user's, are never opened, followed or
// removed.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document/RecoveryFile.h"

namespace zelvo {

/// Recovery files older than this are removed without asking.
inline constexpr std::chrono::hours kRecoveryMaxAge{24 * 30};

/// $XDG_STATE_HOME/zelvo/recovery, or ~/.local/state/zelvo/recovery when
/// XDG_STATE_HOME is unset, empty or relative. Not created here.
std::filesystem::path RecoveryFolder();

/// Creates `folder` (and its parents) when missing, with mode 0700, and
/// checks that it is a folder of user `uid`, not a link; a folder of ours
/// open to others is closed to them. Throws EFCreateError "Cannot create
/// file \"FOLDER\"" otherwise (the reason in Detail()).
void PrepareRecoveryFolder(const std::filesystem::path& folder, unsigned uid);

/// An exclusive lock on one editor's name (flock on NAME.lock). Moves,
/// does not copy; the destructor releases it.
class TRecoveryLock {
public:
    TRecoveryLock() = default;
    TRecoveryLock(TRecoveryLock&& other) noexcept;
    TRecoveryLock& operator=(TRecoveryLock&& other) noexcept;
    TRecoveryLock(const TRecoveryLock&) = delete;
    TRecoveryLock& operator=(const TRecoveryLock&) = delete;
    ~TRecoveryLock();

    /// Takes the lock of `name` in `folder` without waiting, creating the
    /// lock file (0600, never through a link) when missing. Nothing when
    /// another process holds it, or the lock file is not a plain file of
    /// user `uid`, or it was removed while the lock was taken.
    static std::optional<TRecoveryLock> TryTake(const std::filesystem::path& folder, const std::string& name,
                                                unsigned uid);
    /// Removes the lock file, then releases the lock.
    void RemoveAndRelease();
    bool Held() const { return FFd >= 0; }
    const std::string& Name() const { return FName; }

private:
    int FFd = -1;
    std::filesystem::path FPath;
    std::string FName;
};

/// This editor's place in the recovery folder: a fresh name and its lock,
/// held for the life of the object.
class TRecoverySession {
public:
    /// Prepares `folder` for user `uid` and takes a new name. Throws
    /// EFCreateError when the folder cannot be used or no name can be
    /// locked.
    TRecoverySession(std::filesystem::path folder, unsigned uid);
    /// Removes the lock file and releases the lock; the picture file stays
    /// (for the next start to offer) unless RemoveFile ran.
    ~TRecoverySession();
    TRecoverySession(const TRecoverySession&) = delete;
    TRecoverySession& operator=(const TRecoverySession&) = delete;

    const std::filesystem::path& Folder() const { return FFolder; }
    unsigned Uid() const { return FUid; }
    const std::string& Name() const { return FLock.Name(); }
    /// NAME.zvr, where this editor's picture goes.
    std::filesystem::path FilePath() const;
    /// Removes this editor's picture file (and a temporary one); true
    /// when none is left.
    bool RemoveFile() const;

private:
    std::filesystem::path FFolder;
    unsigned FUid;
    TRecoveryLock FLock;
};

/// A dead editor's picture, claimed: its lock is held until the offer is
/// restored, discarded or left for later.
struct TRecoveryOffer {
    std::filesystem::path File;
    TRecoveryLock Lock;
    TRecoveredPicture Picture;
};

/// Looks through the folder as editor `ownName` at time `now` (seconds
/// since 1970): every picture of a dead editor is claimed; one whose file
/// was last written more than `maxAge` ago is removed, and so are the lock
/// and temporary files dead editors left; a readable one is returned,
/// newest first. An unreadable picture is skipped and stays (until it is
/// too old). Links, non-plain entries, names of another form and other
/// users' entries are left alone.
std::vector<TRecoveryOffer> ClaimDeadRecoveryFiles(const std::filesystem::path& folder, unsigned uid,
                                                   const std::string& ownName, std::int64_t now,
                                                   std::chrono::seconds maxAge = kRecoveryMaxAge);

/// Takes a claimed offer over as editor `session`'s own picture (renames
/// it to session's file) and releases the dead editor's lock. False, with
/// the offer as it was, when the rename fails.
bool AdoptRecoveryOffer(TRecoveryOffer& offer, const TRecoverySession& session);

/// Deletes a claimed offer's file and releases its lock.
void DiscardRecoveryOffer(TRecoveryOffer& offer);

}  // namespace zelvo
