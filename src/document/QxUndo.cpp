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

namespace zelvo {

namespace {

std::filesystem::path TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && *tmp != '\0') return tmp;
    return "/tmp";
}

/// "_ZV" + five digits + ".tmp".
std::string UndoFileNameFor(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "_ZV%05d.tmp", number);
    return name;
}

/// Restores the restoring flag when Undo or Redo ends, also on failure.
struct TRestoringScope {
    explicit TRestoringScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TRestoringScope() { flag_ = false; }
    bool& flag_;
};

}  // namespace

void TQxImage::OpenUndoFile() {
    const std::filesystem::path folder = TempFolder();
    // The first free number from 0 upward. The file is created exclusively
    // (O_EXCL, mode 0600), so a file or link another user placed under the
    // name is never opened or truncated in its place; when all 100 000 names
    // are taken the document cannot be created.
    for (int number = 0; number <= 99999; ++number) {
        const std::filesystem::path candidate = folder / UndoFileNameFor(number);
        struct stat st {};
        std::unique_ptr<TFileStream> stream;
        bool taken = false;
        // A name taken and already removed again by a short-lived document
        // between our look and our create is free once more: try it again,
        // a few times, so that a folder we may not write to still fails.
        for (int attempt = 0; !stream; ++attempt) {
            if (::lstat(candidate.c_str(), &st) == 0) {
                taken = true;
                break;
            }
            try {
                stream = std::make_unique<TFileStream>(candidate, TFileStream::Mode::fmCreateExclusive);
            } catch (const EFOpenError&) {
                if (attempt == 8) throw;
            }
        }
        if (taken) continue;  // another document's name: try the next number
        FUndoStream = std::move(stream);
        FUndoFileName = candidate;
        FWritePos = 0;
        return;
    }
    throw EFCreateError("Cannot create file \"" + (folder / UndoFileNameFor(99999)).string() + "\"",
                        "no free undo file name in " + folder.string());
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
    // Emptied through the open descriptor: the name is never opened again.
    if (FUndoStream && ::ftruncate(FUndoStream->Handle(), 0) != 0)
        throw EWriteError(kSWriteError, "cannot empty the undo file " + FUndoFileName.string());
    FWritePos = 0;
    FireChangeCanUndo();
}

void TQxImage::FireChangeCanUndo() {
    if (OnChangeCanUndo) OnChangeCanUndo(*this, FUndoCount, FRedoCount);
}

}  // namespace zelvo
