#pragma once
// TRecoveryScheduler: keeps the editor's unsaved picture in its recovery
// file (document/RecoveryFile.h, document/RecoveryFolder.h). After a change
// that leaves the picture modified, once the editor has been idle for
// IdleDelayMs (no edit, no mouse button held, no modal dialog or live
// preview, no tool window), a thread of its own writes the picture. The
// pixels are not copied: the job keeps the picture's storage alive, and an
// edit meanwhile copies it before changing it, as every edit does. A newer
// change cancels a write under way and starts the wait again. Saving,
// reverting and closing remove the file (Discard).

#include <QObject>
#include <QTimer>

#include <atomic>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <type_traits>
#include <vector>

#include "document/RecoveryFolder.h"
#include "platform/IniKeys.h"

namespace zelvo {

class TQxImage;

/// Key "Recovery" of section "Settings": 1 (the default) keeps recovery
/// files, 0 writes and offers none.
struct TRecoverySettings {
    bool Recovery = true;
};

template <class Settings, class Visit>
    requires std::same_as<std::remove_const_t<Settings>, TRecoverySettings>
void EachKey(Settings& s, Visit&& visit) {
    visit(BoolKey("Recovery", s.Recovery));
}

class TRecoveryScheduler : public QObject {
    Q_OBJECT

public:
    /// Watches `doc` (through its OnPictureChange, which the owner
    /// forwards to PictureChanged). Off until SetEnabled(true).
    explicit TRecoveryScheduler(TQxImage& doc, QObject* parent = nullptr);
    /// Stops the wait; a picture whose latest change is not in its file
    /// yet is written now (the editor ends by a signal or a logout, and the
    /// work must survive it); then the lock is released. A file left
    /// stays for the next start.
    ~TRecoveryScheduler() override;

    /// On: takes a name in the recovery folder (RecoveryFolder()); when the
    /// folder cannot be used, recovery stays off. Off: stops and removes
    /// this editor's file.
    void SetEnabled(bool enabled);
    bool Enabled() const { return FSession != nullptr; }

    /// The picture changed: waits IdleDelayMs again; a write under way is
    /// cancelled.
    void PictureChanged();
    /// The picture was saved, reverted, replaced or closed: stops a write
    /// under way (waiting for it) and removes this editor's file.
    void Discard();

    /// Claims what dead editors left (ClaimDeadRecoveryFiles); empty when
    /// off.
    std::vector<TRecoveryOffer> ClaimOffers();
    /// After `offer` was restored into the document: its file becomes this
    /// editor's (no new write is needed until the next change).
    void TakeOver(TRecoveryOffer& offer);

    /// Waits until no write runs (tests, measurements) and handles its end.
    void WaitForWrite();
    /// This editor's recovery file (empty when off).
    std::filesystem::path FilePath() const;

    /// Whether now is a pause in the user's work; set by the owner.
    std::function<bool()> IsIdle;
    /// Fills the save options and names the picture's file; set by the
    /// owner (the document's own fields are used before it).
    std::function<void(TRecoveryInfo& info)> DescribePicture;
    /// Milliseconds of idleness before a write.
    int IdleDelayMs = 2000;
    /// Milliseconds before the idle test is tried again when it failed.
    int RetryDelayMs = 500;

    /// Counts and sizes of the writes so far.
    struct TStats {
        int Written = 0;
        int Cancelled = 0;
        int Failed = 0;
        std::uint64_t LastBytes = 0;
        double LastMilliseconds = 0;
    };
    const TStats& Stats() const { return FStats; }

signals:
    /// A write ended (Written, Cancelled or Failed).
    void WriteEnded();

private:
    struct TJob;
    void TryWrite();
    void StartJob();
    void JobEnded();
    void StopJob();
    /// Writes the picture now on this thread.
    void WriteNow();

    TQxImage& FDoc;
    std::unique_ptr<TRecoverySession> FSession;
    QTimer FTimer;
    bool FDirty = false;
    std::unique_ptr<TJob> FJob;
    std::thread FThread;
    TStats FStats;
};

class TZVfrmMain;
/// Reads the key into the window's RecoverySettings and turns recovery on
/// or off; writes it back.
void ReadRecoverySetting(TZVfrmMain& form, const TIniFile& ini);
void WriteRecoverySetting(TZVfrmMain& form, TIniFile& ini);

}  // namespace zelvo
