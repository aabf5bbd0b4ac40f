#pragma once
// Where the undo history keeps its snapshots: whole pictures as BMP file
// images appended to one scratch file, and a table of kUndoTableSize slots
// that says where each snapshot starts and what view state went with it.
// Which slot holds which step, the depth and redo are the document's rules
// (document/QxUndo.cpp); the store only keeps what it is given.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "document/UndoEntry.h"

namespace zelvo {

class TBitmap;
class TDibImage;
class TFileStream;
class TStream;

class TUndoStore {
public:
    /// Opens the scratch file: a file without a name (CreateScratchFile:
    /// $TMPDIR, else /var/tmp, then /tmp, then the cache folder), so it
    /// vanishes with the process however that ends. The first store of a
    /// process removes stale undo files of earlier ones
    /// (RemoveStaleTempFilesOnce). Throws EFCreateError when no folder takes
    /// the file.
    TUndoStore();
    /// A store over `stream`, any readable, writable and seekable stream
    /// (a store on another medium, or one that fails on purpose). Without
    /// a file behind it no room is taken before a write (BeginWrite), and
    /// FileName is empty.
    explicit TUndoStore(std::unique_ptr<TStream> stream);
    /// Waits for a write under way, then closes the file, which takes it
    /// off the disk.
    ~TUndoStore();
    TUndoStore(const TUndoStore&) = delete;
    TUndoStore& operator=(const TUndoStore&) = delete;

    /// Appends `picture` after the last snapshot written and records it in
    /// `slot` with the view state of `state` (its Position is set here).
    /// When the write fails, the slot and the write position stay as they
    /// were and the failure propagates.
    void Write(int slot, const TBitmap& picture, const TUndoEntry& state);
    /// Write on a thread of its own, so the snapshot is written while the
    /// caller goes on. The slot and the write position are set at once (as
    /// Write sets them), and before the thread starts the snapshot's bytes
    /// are taken in the file (fallocate), so a full disk or a file size
    /// limit throws here, with nothing changed. The thread writes from
    /// storage it shares with `picture`: writers of that storage unshare it
    /// first (copy-on-write), so the caller may edit and replace the
    /// picture meanwhile. FinishWrite must follow before the table is
    /// trusted; Write, Read and Clear wait for the thread themselves.
    void BeginWrite(int slot, const TBitmap& picture, const TUndoEntry& state);
    /// BeginWrite without the thread: the room is taken, the slot and the
    /// write position set and the picture's storage shared, but writing
    /// waits for StartWrite (FinishWrite, Write, Read and Clear write it on
    /// the calling thread when StartWrite never came). The snapshot can so
    /// be written after the operation instead of beside it.
    void ReserveWrite(int slot, const TBitmap& picture, const TUndoEntry& state);
    /// Starts the thread of a write ReserveWrite took room for (nothing
    /// when none waits); `background` lowers the thread's priority, so what
    /// the user waits for (the repaint, the next operation) goes first.
    /// When no thread can be made, writes on the calling thread; a failure
    /// then stays for FinishWrite as the thread's would.
    void StartWrite(bool background = false);
    /// No write is pending, or its thread has finished: FinishWrite will
    /// not wait.
    bool WriteDone() const;
    /// Waits for the write BeginWrite started. When it failed, the whole
    /// table (slot moves since included) and the write position go back to
    /// what they were before BeginWrite, and the failure propagates.
    /// Nothing when no write is under way.
    void FinishWrite();
    /// A write started by BeginWrite has not been finished yet.
    bool WritePending() const { return FPending != nullptr; }
    /// Reads the snapshot of `slot` into `picture`.
    void Read(int slot, TDibImage& picture) const;
    /// The bookkeeping of `slot` (0..kMaxUndoBuffer).
    const TUndoEntry& Entry(int slot) const { return FTable.at(std::size_t(slot)); }
    /// Slots 1..count-1 move down to 0..count-2: the oldest step is
    /// forgotten (its bytes stay in the file until Clear).
    void DropOldest(int count);
    /// Slot `to` takes over the snapshot of slot `from`.
    void MoveSlot(int from, int to) { FTable.at(std::size_t(to)) = FTable.at(std::size_t(from)); }
    /// Empties the file; the next snapshot is written at its start. Throws
    /// EWriteError when the file cannot be emptied.
    void Clear();

    /// A path that reaches the open file (/proc/self/fd/N: the file has no
    /// name of its own).
    std::filesystem::path FileName() const;
    /// The folder on whose file system the file lives.
    const std::filesystem::path& Folder() const { return FFolder; }

private:
    struct TPendingWrite;
    /// Waits for the writing thread (writes a reserved snapshot that was
    /// never started); its failure stays for FinishWrite.
    void WaitForWrite() const;
    /// Gives back the file's bytes beyond the write position.
    void TrimToWritePos();

    std::array<TUndoEntry, kUndoTableSize> FTable{};
    std::int64_t FWritePos = 0;
    std::filesystem::path FFolder;
    std::unique_ptr<TStream> FStream;
    TFileStream* FFile = nullptr;  ///< FStream when it is a file
    std::unique_ptr<TPendingWrite> FPending;
};

}  // namespace zelvo
