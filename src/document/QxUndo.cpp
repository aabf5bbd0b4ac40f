// The undo history of TQxImage: whole-picture snapshots as BMP file images
// appended to one temporary file, with a table of 101 entries that says
// where each snapshot starts and what view state went with it.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "document/QxImage.h"
#include "image/Exceptions.h"
#include "platform/TempFile.h"

namespace zelvo {

namespace {

/// Restores the restoring flag when Undo or Redo ends, also on failure.
struct TRestoringScope {
    explicit TRestoringScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TRestoringScope() { flag_ = false; }
    bool& flag_;
};

}  // namespace

void TQxImage::OpenUndoFile() {
    RemoveStaleTempFilesOnce();
    TScratchFile file = CreateScratchFile();
    FUndoStream = std::move(file.Stream);
    FUndoFolder = std::move(file.Folder);
    FWritePos = 0;
}

std::filesystem::path TQxImage::UndoFileName() const {
    return std::filesystem::path("/proc/self/fd") / std::to_string(FUndoStream->Handle());
}

void TQxImage::SetUndoBuffer(int depth) { FUndoBuffer = std::clamp(depth, 1, kMaxUndoBuffer); }

void TQxImage::WriteSnapshot(int index) {
    TUndoEntry entry;
    entry.Position = FWritePos;
    FUndoStream->SetPosition(FWritePos);
    FBitmap->SaveToStream(*FUndoStream);
    entry.Modified = FBitmap->Modified();
    entry.ScrollPos = FScrollPos;
    entry.Selection = SelectionRect();
    FWritePos = FUndoStream->Position();
    FUndoTable[std::size_t(index)] = entry;
}

void TQxImage::SetKeepUndo(bool keep) {
    if (keep == FKeepUndo) return;
    FKeepUndo = keep;
    if (!keep) ClearUndo();
}

void TQxImage::SaveUndo() {
    if (Empty() || !FKeepUndo) return;
    // The snapshot is written before the oldest step is dropped, so a failed
    // write leaves the history as it was.
    const int slot = std::min(FUndoCount, kMaxUndoBuffer);
    const TUndoEntry previous = FUndoTable[std::size_t(slot)];
    const std::int64_t previousWritePos = FWritePos;
    try {
        WriteSnapshot(slot);
    } catch (...) {
        FUndoTable[std::size_t(slot)] = previous;
        FWritePos = previousWritePos;
        throw;
    }
    const TUndoEntry fresh = FUndoTable[std::size_t(slot)];
    if (FUndoCount >= FUndoBuffer) {
        std::copy(FUndoTable.begin() + 1, FUndoTable.begin() + FUndoCount, FUndoTable.begin());
        FUndoCount = FUndoBuffer - 1;
    }
    FUndoTable[std::size_t(FUndoCount)] = fresh;
    ++FUndoCount;
    FRedoCount = 0;
    FireChangeCanUndo();
}

void TQxImage::RestoreSnapshot(int index) {
    const TUndoEntry& entry = FUndoTable[std::size_t(index)];
    FUndoStream->SetPosition(entry.Position);
    TDibImage picture;
    picture.LoadFromStream(*FUndoStream);
    FBitmap->Assign(picture);

    const int maxX = std::max(0, FBitmap->Width() - 1);
    const int maxY = std::max(0, FBitmap->Height() - 1);
    FScrollPos = TPoint{std::clamp(entry.ScrollPos.X, 0, maxX), std::clamp(entry.ScrollPos.Y, 0, maxY)};
    UpdateView();

    FBitmap->SetModified(entry.Modified);
    const TRect& sel = entry.Selection;
    const bool selected = sel.Left != 0 || sel.Top != 0 || sel.Right != 0 || sel.Bottom != 0;
    SetSelectionCorners(TPoint{sel.Left, sel.Top}, TPoint{sel.Right, sel.Bottom}, selected);
}

void TQxImage::Undo(int count) {
    if (FUndoCount == 0 || count < 1) return;
    {
        TRestoringScope restoring(FRestoring);
        // The present picture becomes the step a later redo returns to.
        if (FRedoCount == 0) WriteSnapshot(FUndoCount);
        count = std::min(count, FUndoCount);
        const int target = FUndoCount - count;
        RestoreSnapshot(target);
        FUndoCount = target;
        FRedoCount += count;
    }
    // Measure the depth and repaint without touching the restored
    // modified flag.
    BitmapChanged();
    FireChangeCanUndo();
}

void TQxImage::Redo(int count) {
    if (FRedoCount == 0 || count < 1) return;
    {
        TRestoringScope restoring(FRestoring);
        count = std::min(count, FRedoCount);
        // Every redo step lies directly above the undo steps in the table
        // (UndoCount + RedoCount never exceeds 100), also after the depth
        // was lowered.
        const int target = FUndoCount + count;
        RestoreSnapshot(target);
        FUndoCount += count;
        FRedoCount -= count;
    }
    BitmapChanged();
    FireChangeCanUndo();
}

void TQxImage::ClearUndo() {
    FUndoCount = 0;
    FRedoCount = 0;
    // Emptied through the open descriptor: the file has no name to reopen.
    if (FUndoStream && ::ftruncate(FUndoStream->Handle(), 0) != 0)
        throw EWriteError(kSWriteError, "cannot empty the undo file in " + FUndoFolder.string());
    FWritePos = 0;
    FireChangeCanUndo();
}

void TQxImage::FireChangeCanUndo() {
    if (OnChangeCanUndo) OnChangeCanUndo(*this, FUndoCount, FRedoCount);
}

}  // namespace zelvo
