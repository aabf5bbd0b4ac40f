// The document's selection and floating-selection operations.

#include <algorithm>

#include "document/QxImage.h"
#include "image/DibImageCanvas.h"

namespace zelvo {

TPoint TQxImage::ClampPoint(TPoint point) const {
    return TPoint{std::clamp(point.X, 0, Bitmap().Width()), std::clamp(point.Y, 0, Bitmap().Height())};
}

bool TQxImage::MoveSelection(int dx, int dy) {
    if (!HasSelection() || Empty()) return false;
    const TRect sel = SelectionRect();
    int left = std::max(0, sel.Left + dx);
    int top = std::max(0, sel.Top + dy);
    if (left + sel.Width() > Bitmap().Width()) left = Bitmap().Width() - sel.Width();
    if (top + sel.Height() > Bitmap().Height()) top = Bitmap().Height() - sel.Height();
    if (left == sel.Left && top == sel.Top) return false;
    SetSelectionCorners(TPoint{left, top}, TPoint{left + sel.Width(), top + sel.Height()}, true);
    Invalidate();
    return true;
}

bool TQxImage::ResizeSelection(int dx, int dy) {
    if (!HasSelection() || Empty()) return false;
    const TRect sel = SelectionRect();
    const int width = std::max(1, std::min(sel.Width() + dx, Bitmap().Width() - sel.Left));
    const int height = std::max(1, std::min(sel.Height() + dy, Bitmap().Height() - sel.Top));
    if (width == sel.Width() && height == sel.Height()) return false;
    SetSelectionCorners(TPoint{sel.Left, sel.Top}, TPoint{sel.Left + width, sel.Top + height}, true);
    Invalidate();
    return true;
}

void TQxImage::SelectAll() {
    if (HasSelection()) ClearSelection();
    else if (!Empty()) SetSelectionCorners(TPoint{0, 0}, TPoint{Bitmap().Width(), Bitmap().Height()}, true);
    SetCursor(crDefault);
    Invalidate();
}

void TQxImage::SetFloatPos(TPoint pos) {
    FFloat.Pos = pos;
    Invalidate();
}

void TQxImage::SetCopyMode(bool copyMode) {
    if (copyMode == FCopyMode) return;
    FCopyMode = copyMode;
    Invalidate();
}

bool TQxImage::LiftSelection() {
    if (!HasSelection() || Empty() || Editing() || Floating()) return false;
    const TRect sel = SelectionRect();
    if (sel.IsEmpty()) return false;
    TBitmap pixels(sel.Width(), sel.Height(), pf24bit);
    pixels.Canvas().BlockCopy(0, 0, Bitmap(), sel.Left, sel.Top, sel.Width(), sel.Height());
    FFloat.Pixels = pixels;
    FFloat.Pos = TPoint{sel.Left, sel.Top};
    FFloat.Source = sel;
    FFloat.FromPaste = false;
    if (OnMoving) OnMoving(*this);
    FFloat.Floating = true;
    Invalidate();
    return true;
}

bool TQxImage::StartFloating(const TBitmap& pixels, TPoint pos, bool fromPaste) {
    if (pixels.Empty() || Editing()) return false;
    TBitmap copy(pixels);
    copy.SetPixelFormat(pf24bit);
    FFloat.Pixels = copy;
    FFloat.Pos = pos;
    FFloat.Source = TRect{};
    FFloat.FromPaste = fromPaste;
    FFloat.Floating = true;
    Invalidate();
    return true;
}

void TQxImage::ApplyFloating() {
    if (!Floating() || Editing() || Empty()) return;
    if (!FCopyMode && HasSelection()) {
        // Moving: the source area takes the background colour, as the erase
        // command leaves it; the bracket takes the undo snapshot.
        TEditBracket bracket(*this, true, true, false);
        if (!bracket) return;  // the snapshot could not be taken: keep floating
        MakeWork24Bit();
        TDibImageCanvas(*WorkImage()).FillRect(TRect{0, 0, WorkImage()->Width(), WorkImage()->Height()},
                                               ColorToRGB(Color));
        bracket.Close();
    } else {
        // Copying, or moving without a selection to clear: the write below
        // still gets its own undo step.
        SaveUndo();
    }
    if (FFloat.FromPaste) {
        Bitmap().SetPixelFormat(pf24bit);
        Bitmap().ReleasePalette();
    }
    Bitmap().Canvas().Draw(FFloat.Pos.X, FFloat.Pos.Y, FFloat.Pixels);
    const TPoint start = ClampPoint(FFloat.Pos);
    const TPoint end = ClampPoint(TPoint{FFloat.Pos.X + FFloat.Pixels.Width(), FFloat.Pos.Y + FFloat.Pixels.Height()});
    // A selection dropped wholly outside the picture leaves no selection.
    SetSelectionCorners(start, end, start.X != end.X && start.Y != end.Y);
    FFloat = TFloatingSelection{};
    SetModified(true);
    if (OnMoved) OnMoved(*this);
}

void TQxImage::CancelFloating() {
    FFloat = TFloatingSelection{};
    Invalidate();
}

}  // namespace zelvo
