// The document's two resizes: a nearest-pixel stretch that keeps the pixel
// format, and the filtered resampling that gives a 24-bit picture.

#include <cmath>
#include <string>

#include "document/QxImage.h"
#include "effects/Resample.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "image/ScopeExit.h"

namespace zelvo {
namespace {

constexpr const char* kInvalidParameters = "TDibImageData.CreateDIB: Invalid Parameters";

}  // namespace

void TQxImage::ReplacePicture(const std::function<bool(TDibImage& result)>& make) {
    BeginUndoStep();
    SetCursor(crHourGlass);
    {
        TScopeExit restoreCursor([this] { SetCursor(SavedCursor()); });
        TDibImage result;
        bool replace = false;
        try {
            replace = make(result);
        } catch (const std::exception&) {
            // The step stays, as it does for a bracket whose operation
            // throws.
            SettleUndoStepQuietly();
            throw;
        }
        // The new picture is given only when its undo step is on disk.
        SettleUndoStep();
        // Assigning marks the picture modified and repaints it.
        if (replace) Bitmap().Assign(result);
    }
    ResetViewAfterResize();
}

void TQxImage::ResetViewAfterResize() {
    SetScrollPos(TPoint{});
    ClearSelection();
    UpdateView();
    Invalidate();
}

void TQxImage::StretchResize(int width, int height) {
    if (Empty() || Editing()) return;
    const bool resize = width >= 1 && height >= 1 && (width != Bitmap().Width() || height != Bitmap().Height());
    if (resize) CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, 24, kInvalidParameters);
    // The snapshot comes first, so even an unchanged size is one undo step.
    ReplacePicture([&](TDibImage& result) {
        if (resize) result = effects::StretchResize(Bitmap().Dib(), width, height);
        return resize;
    });
}

void TQxImage::Resample(effects::TResampleFilter filter, int width, int height, float support) {
    if (Empty() || Editing()) return;
    // Everything the resampler would refuse is refused before the bracket
    // opens, so a bad request leaves no undo step behind.
    (void)effects::FilterInfo(filter);
    CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, 24, kInvalidParameters);
    if (!(support > 0.0f) || !std::isfinite(support))
        throw EDibImageInvalidDIBPara(kInvalidParameters, "support " + std::to_string(support));
    {
        TEditBracket edit(*this, /*selectionOnly=*/false, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
        if (!edit) return;
        MakeWork24Bit();
        TDibImage resized = effects::Resample(*WorkImage(), filter, width, height, support, ProgressCallback());
        WorkImage()->Assign(&resized);
    }
    ResetViewAfterResize();
}

void TQxImage::Resample(effects::TResampleFilter filter, int width, int height) {
    if (Empty() || Editing()) return;
    Resample(filter, width, height, effects::FilterInfo(filter).Support);
}

}  // namespace zelvo
