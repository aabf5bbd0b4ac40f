#pragma once
// Helpers of the tests of the document's pixel operations.

#include <functional>

#include "document/QxImage.h"
#include "image/DibImage.h"

namespace zelvo::test {

/// Places `picture` in `doc` as a freshly opened picture: unmodified, no
/// undo steps.
inline void LoadPicture(TQxImage& doc, const TDibImage& picture) {
    TBitmap bitmap;
    bitmap.Assign(picture);
    doc.SetBitmap(bitmap);
    doc.SetModified(false);
    doc.ClearUndo();
}

/// `picture` (24-bit) with `effect` applied to `area` only: the area is
/// copied out pixel by pixel, processed and copied back.
inline TDibImage ExpectedInArea(const TDibImage& picture, const TRect& area,
                                const std::function<void(TDibImage&)>& effect) {
    TDibImage part;
    part.SetBitCount(24);
    part.SetWidth(area.Width());
    part.SetHeight(area.Height());
    for (int y = 0; y < area.Height(); ++y)
        for (int x = 0; x < area.Width(); ++x) part.SetPixels(x, y, picture.GetPixels(area.Left + x, area.Top + y));
    effect(part);
    TDibImage result(picture);
    for (int y = 0; y < area.Height(); ++y)
        for (int x = 0; x < area.Width(); ++x) result.SetPixels(area.Left + x, area.Top + y, part.GetPixels(x, y));
    return result;
}

}  // namespace zelvo::test
