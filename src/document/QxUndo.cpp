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
    FUndoWritePending = false;
    FUndoStore = std::move(store);
    ClearUndo();
}

void TQxImage::BeginUndoStep() {
    if (Empty() || !FKeepUndo) return;
    SettleUndoWrite();
    const int undoCount = FUndoCount;
    const int redoCount = FRedoCount;
    const int slot = std::min(FUndoCount, kMaxUndoBuffer);
    const TUndoEntry state = SnapshotState();
    if (FDeferUndoWrite) {
        FUndoStore->ReserveWrite(slot, *FBitmap, state);
        FPictureBefore = FBitmap->ToDibImage();
        FStateBefore = state;
    } else {
        FUndoStore->BeginWrite(slot, *FBitmap, state);
    }
    FUndoStepPending = true;
    FUndoCountBefore = undoCount;
    FRedoCountBefore = redoCount;
    CountUndoStep(slot);
}

void TQxImage::SettleUndoStep() {
    if (!FUndoStepPending) return;
    if (FDeferUndoWrite) {
        // Written from here on, while the result is shown; SettleUndoWrite
        // takes the edit back if that fails.
        FUndoStepPending = false;
        FUndoStore->StartWrite(/*background=*/true);
        FUndoWritePending = true;
        if (OnUndoWritePending) OnUndoWritePending(*this);
        return;
    }
    FinishUndoStep();
}

void TQxImage::FinishUndoStep() {
    FUndoStepPending = false;
    FPictureBefore = TDibImage();
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
    if (!FUndoStepPending) return;
    try {
        // The picture was not replaced, so there is nothing to take back:
        // the step is written now, whichever way it is kept.
        FinishUndoStep();
    } catch (const std::exception&) {
        // Dropped: the caller's own failure propagates instead.
    }
}

bool TQxImage::UndoWriteDone() const { return !FUndoWritePending || FUndoStore->WriteDone(); }

void TQxImage::SettleUndoWrite() {
    if (!FUndoWritePending) return;
    FUndoWritePending = false;
    TDibImage before = std::move(FPictureBefore);
    FPictureBefore = TDibImage();
    try {
        FUndoStore->FinishWrite();
    } catch (const std::exception&) {
        FEditFailure = std::current_exception();
        FUndoCount = FUndoCountBefore;
        FRedoCount = FRedoCountBefore;
        {
            FRestoring = true;
            TScopeExit restored([this] { FRestoring = false; });
            RestorePicture(before, FStateBefore);
        }
        BitmapChanged();
        FireChangeCanUndo();
        throw;
    }
}

void TQxImage::SetKeepUndo(bool keep) {
    if (keep == FKeepUndo) return;
    FKeepUndo = keep;
    if (!keep) ClearUndo();
}

void TQxImage::SaveUndo() {
    if (Empty() || !FKeepUndo) return;
    SettleUndoWrite();
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
    RestorePicture(picture, FUndoStore->Entry(index));
}

void TQxImage::RestorePicture(const TDibImage& picture, const TUndoEntry& entry) {
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
    SettleUndoWrite();
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
    SettleUndoWrite();
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
    // A pending snapshot is forgotten with the rest: no step left to lose.
    FUndoStepPending = false;
    FUndoWritePending = false;
    FPictureBefore = TDibImage();
    FUndoCount = 0;
    FRedoCount = 0;
    FUndoStore->Clear();
    FireChangeCanUndo();
}

void TQxImage::FireChangeCanUndo() {
    if (OnChangeCanUndo) OnChangeCanUndo(*this, FUndoCount, FRedoCount);
}

}  // namespace zelvo
