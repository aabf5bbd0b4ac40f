// The undo history of TQxImage: which slot of the undo store holds which
// step, the depth, redo, and the view state a step brings back. The
// snapshots themselves are the store's (document/UndoStore.cpp).

#include <algorithm>
#include <exception>

#include "document/QxImage.h"
#include "document/UndoStore.h"
#include "image/ScopeExit.h"

namespace zelvo {

std::filesystem::path TQxImage::UndoFileName() const { return FUndoStore->FileName(); }

const std::filesystem::path& TQxImage::UndoFolder() const { return FUndoStore->Folder(); }

const TUndoEntry& TQxImage::UndoEntry(int index) const { return FUndoStore->Entry(index); }

void TQxImage::SetUndoBuffer(int depth) { FUndoBuffer = std::clamp(depth, 1, kMaxUndoBuffer); }

TUndoEntry TQxImage::SnapshotState() const {
    TUndoEntry state;
    state.Modified = FBitmap->Modified();
    state.ScrollPos = FScrollPos;
    state.Selection = SelectionRect();
    return state;
}

void TQxImage::WriteSnapshot(int index) { FUndoStore->Write(index, *FBitmap, SnapshotState()); }

void TQxImage::SetUndoStore(std::unique_ptr<TUndoStore> store) {
    FUndoStepPending = false;
    FUndoStore = std::move(store);
    ClearUndo();
}

void TQxImage::BeginUndoStep() {
    if (Empty() || !FKeepUndo) return;
    const int undoCount = FUndoCount;
    const int redoCount = FRedoCount;
    const int slot = std::min(FUndoCount, kMaxUndoBuffer);
    FUndoStore->BeginWrite(slot, *FBitmap, SnapshotState());
    FUndoStepPending = true;
    FUndoCountBefore = undoCount;
    FRedoCountBefore = redoCount;
    CountUndoStep(slot);
}

void TQxImage::SettleUndoStep() {
    if (!FUndoStepPending) return;
    FUndoStepPending = false;
    try {
        FUndoStore->FinishWrite();
    } catch (const std::exception&) {
        // The store has put its table back; the counts follow it.
        FUndoCount = FUndoCountBefore;
        FRedoCount = FRedoCountBefore;
        FireChangeCanUndo();
        throw;
    }
}

void TQxImage::SettleUndoStepQuietly() noexcept {
    try {
        SettleUndoStep();
    } catch (const std::exception&) {
        // Dropped: the caller's own failure propagates instead.
    }
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
    WriteSnapshot(slot);
    CountUndoStep(slot);
}

void TQxImage::CountUndoStep(int slot) {
    if (FUndoCount >= FUndoBuffer) {
        FUndoStore->DropOldest(FUndoCount);
        FUndoCount = FUndoBuffer - 1;
    }
    FUndoStore->MoveSlot(slot, FUndoCount);
    ++FUndoCount;
    FRedoCount = 0;
    FireChangeCanUndo();
}

void TQxImage::RestoreSnapshot(int index) {
    TDibImage picture;
    FUndoStore->Read(index, picture);
    FBitmap->Assign(picture);

    const TUndoEntry& entry = FUndoStore->Entry(index);
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
        FRestoring = true;
        TScopeExit restored([this] { FRestoring = false; });
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
        FRestoring = true;
        TScopeExit restored([this] { FRestoring = false; });
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
    FUndoStepPending = false;
    FUndoCount = 0;
    FRedoCount = 0;
    FUndoStore->Clear();
    FireChangeCanUndo();
}

void TQxImage::FireChangeCanUndo() {
    if (OnChangeCanUndo) OnChangeCanUndo(*this, FUndoCount, FRedoCount);
}

}  // namespace zelvo
