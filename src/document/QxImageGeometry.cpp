// The document's geometry operations: crop, quarter turns, rotation by an
// angle, mirror, flip, wrap-around shift and margins.

#include <algorithm>
#include <string>

#include "document/QxImage.h"
#include "effects/Geometry.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace zelvo {
namespace {

// Scope arguments of BeginEdit.
constexpr bool kSelection = true;
constexpr bool kWhole = false;

constexpr const char* kInvalidParameters = "TDibImageData.CreateDIB: Invalid Parameters";

}  // namespace

void TQxImage::CropRect(int x1, int y1, int x2, int y2) {
    if (Empty() || Editing()) return;
    // Corners beyond the picture would add black area (or ask for a huge
    // picture); the crop keeps to what is there, as the crop dialog does.
    const TRect rect = effects::ClampCropRect(TPoint{x1, y1}, TPoint{x2, y2}, Bitmap().Width(), Bitmap().Height());
    if (rect.IsEmpty()) return;
    ReplacePicture([&](TDibImage& result) {
        result = effects::CropRect(Bitmap().Dib(), rect);
        return true;
    });
}

bool TQxImage::Trim() {
    if (!HasSelection()) return false;
    const TRect sel = SelectionRect();
    CropRect(sel.Left, sel.Top, sel.Right, sel.Bottom);
    return true;
}

void TQxImage::Rotate90(bool clockwise) {
    {
        TEditBracket edit(*this, kWhole, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
        if (!edit) return;
        TDibImage turned = effects::Rotate90(*WorkImage(), clockwise, ProgressCallback());
        WorkImage()->Assign(&turned);
        ClearSelection();
    }
    // Width and height swap: keep the scroll position inside the picture.
    const TPoint scroll = ScrollPos();
    SetScrollPos(TPoint{std::clamp(scroll.X, 0, std::max(0, Bitmap().Width() - 1)),
                        std::clamp(scroll.Y, 0, std::max(0, Bitmap().Height() - 1))});
    UpdateView();
    Invalidate();
}

void TQxImage::RotateAngle(int angleTenths, bool enlarge) {
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    TDibImage& work = *WorkImage();
    effects::RotateAngleParams params;
    params.AngleTenths = angleTenths;
    params.Enlarge = enlarge;
    params.Background = Color;
    TDibImage start;
    if (HasSelection()) {
        // The destination starts as the picture under it, placed over the
        // selection exactly where EndEdit will write it back (centred when
        // larger), so pixels outside the turned area keep what was there.
        const effects::TSize size = effects::RotatedSize(work.Width(), work.Height(), angleTenths, enlarge);
        CheckedImageBytes<EDibImageInvalidDIBPara>(size.Width, size.Height, 24, kInvalidParameters);
        const TRect sel = SelectionRect();
        int left = sel.Left, top = sel.Top;
        if (size.Width > sel.Width()) left -= (size.Width - sel.Width()) / 2;
        if (size.Height > sel.Height()) top -= (size.Height - sel.Height()) / 2;
        // Cut out in the picture's own depth, then widened: only the area
        // is converted. Parts outside the picture are never written back.
        start = effects::CropRect(Bitmap().Dib(), Bounds(left, top, size.Width, size.Height));
        if (start.PixelFormat() != dibPf24Bit) start.SetPixelFormat(dibPf24Bit);
        params.StartContent = &start;
    }
    TDibImage turned = effects::RotateAngle(work, params, ProgressCallback());
    work.Assign(&turned);
}

void TQxImage::Mirror() {
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
    if (!edit) return;
    effects::Mirror(*WorkImage(), ProgressCallback());
}

void TQxImage::Flip() {
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
    if (!edit) return;
    effects::Flip(*WorkImage(), ProgressCallback());
}

void TQxImage::ShiftImage(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
    if (!edit) return;
    // The shift keeps the work image's own depth and colour table, so a
    // palette picture stays a palette picture with every index kept.
    effects::ShiftImage(*WorkImage(), dx, dy);
}

void TQxImage::AddMargins(int top, int bottom, TColor color, int right, int left) {
    if (Empty() || Editing()) return;
    if (top < 0 || bottom < 0 || right < 0 || left < 0)
        throw EDibImageInvalidDIBPara(kInvalidParameters, "negative margin");
    const std::int64_t width = std::int64_t(Bitmap().Width()) + left + right;
    const std::int64_t height = std::int64_t(Bitmap().Height()) + top + bottom;
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        throw EDibImageInvalidDIBPara(kInvalidParameters, "margins too large");
    CheckedImageBytes<EDibImageInvalidDIBPara>(int(width), int(height), 24, kInvalidParameters);

    TEditBracket edit(*this, kWhole, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::MarginParams params;
    params.Top = top;
    params.Bottom = bottom;
    params.Left = left;
    params.Right = right;
    params.Color = color;
    TDibImage padded = effects::AddMargins(*WorkImage(), params, ProgressCallback());
    WorkImage()->Assign(&padded);
}

}  // namespace zelvo
