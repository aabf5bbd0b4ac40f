// The document's composition operations: merge, merge-paste and combine.

#include <exception>

#include "document/QxImage.h"
#include "effects/Composition.h"
#include "platform/Clipboard.h"

namespace zelvo {

void TQxImage::Merge(const TBitmap& source, int kind, int transparency) {
    if (source.Empty() || kind < 0 || kind >= effects::kMergeKindCount) return;
    // The source is read before the bracket opens: it may share storage
    // with the picture itself.
    const TDibImage sourcePixels = source.ToDibImage();
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/false, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Merge(*WorkImage(), sourcePixels, effects::TMergeKind(kind), transparency, ProgressCallback());
}

bool TQxImage::MergePaste() {
    if (Empty() || Editing()) return false;
    const TClipboard* clipboard = InstalledClipboard();
    if (!clipboard) return false;
    TDibImage picture;
    try {
        if (!clipboard->GetDib(picture) && !clipboard->GetPicture(picture)) return false;
    } catch (const std::exception&) {
        // Unreadable clipboard data makes no floating selection.
        return false;
    }
    TBitmap pixels;
    pixels.Assign(picture);
    if (pixels.Empty()) return false;
    ClearSelection();
    return StartFloating(pixels, ScrollPos(), /*fromPaste=*/true);
}

void TQxImage::Combine(const TBitmap& other, int direction, int offset, int gap) {
    if (Empty() || other.Empty() || Editing() || direction < 0 || direction > 3) return;
    // The joined picture is made (and a size it cannot have refused) before
    // the snapshot, so a refusal leaves no undo step.
    TDibImage joined = effects::Combine(Bitmap().Dib(), other.Dib(), effects::TCombineDirection(direction), offset,
                                        gap, Color);
    ReplacePicture([&](TDibImage& result) {
        result = joined;
        return true;
    });
}

}  // namespace zelvo
