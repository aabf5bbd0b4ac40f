// The document's clipboard operations and the erase of the selection.

#include <exception>

#include "document/QxImage.h"
#include "effects/Geometry.h"
#include "image/DibImageCanvas.h"
#include "platform/Clipboard.h"

namespace zelvo {

void TQxImage::CopyToClipboard() {
    if (Empty()) return;
    // The selected area (or the whole picture) in the picture's own depth
    // and colour table.
    TDibImage copy = HasSelection() ? effects::CropRect(Bitmap().Dib(), SelectionRect()) : Bitmap().ToDibImage();
    if (RLECompress) {
        try {
            if (copy.PixelFormat() == dibPf4Bit) copy.SetPixelFormat(dibPf4BitRLE);
            else if (copy.PixelFormat() == dibPf8Bit) copy.SetPixelFormat(dibPf8BitRLE);
        } catch (const EDibImageError&) {
            // Data that does not get smaller when coded (noise) goes on the
            // clipboard uncompressed; the conversion leaves it untouched.
        }
    }
    if (TClipboard* clipboard = InstalledClipboard()) clipboard->PutDib(copy);
}

bool TQxImage::PasteFromClipboard() {
    if (Editing()) return false;
    SetCursor(crHourGlass);
    bool pasted = false;
    try {
        // Our DIB keeps its depth and colour table (RLE is decoded); any
        // other picture arrives as 24 bits.
        TDibImage picture;
        const TClipboard* clipboard = InstalledClipboard();
        if (clipboard && (clipboard->GetDib(picture) || clipboard->GetPicture(picture))) {
            SaveUndo();
            Bitmap().Assign(picture);
            FMetadata = TPictureMetadata{};
            pasted = true;
        }
    } catch (const std::exception&) {
        // Unreadable clipboard data pastes nothing; the picture keeps what
        // it had (a snapshot already taken stays in the history).
        pasted = false;
    }
    if (pasted) {
        ClearSelection();
        SetScrollPos(TPoint{});
    }
    SetCursor(SavedCursor());
    UpdateView();
    Invalidate();
    return pasted;
}

void TQxImage::CutToClipboard() {
    if (Empty() || !HasSelection() || Editing()) return;
    CopyToClipboard();
    DeleteSelection();
}

void TQxImage::DeleteSelection() {
    if (!HasSelection()) return;
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/true, /*writeBack24Bit=*/false);
    if (!edit) return;
    MakeWork24Bit();
    TDibImage& work = *WorkImage();
    TDibImageCanvas(work).FillRect(TRect{0, 0, work.Width(), work.Height()}, ColorToRGB(Color));
}

}  // namespace zelvo
