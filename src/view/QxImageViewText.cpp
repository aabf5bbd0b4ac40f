// The view's side of the text tool: placing and dragging the text with the
// left button, the cursor over the text box, and painting the overlay.

#include <QImage>

#include "view/QxImageView.h"
#include "view/QxImageViewRender.h"

namespace zelvo {
namespace {

bool Contains(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }

}  // namespace

void TQxImageView::TextMousePress(QPoint screen) {
    const TPoint pic = RawScreenToPicture(screen);
    if (FDoc.HasTextOverlay() && Contains(FDoc.TextHitBox(), pic)) {
        const TPoint pos = FDoc.TextPos();
        FTextDragOffset = TPoint{pos.X - pic.X, pos.Y - pic.Y};
        FTextDragging = true;
        return;
    }
    if (!Contains(Rect(0, 0, FDoc.Bitmap().Width(), FDoc.Bitmap().Height()), pic)) return;
    FDoc.SetTextPos(pic);
    if (FDoc.OnSelectTextPos) FDoc.OnSelectTextPos(FDoc);
    emit SelectTextPos();
    viewport()->update();
}

void TQxImageView::TextMouseMove(QPoint screen) {
    const TPoint pic = RawScreenToPicture(screen);
    if (!FTextDragging) {
        const bool over = FDoc.HasTextOverlay() && Contains(FDoc.TextHitBox(), pic);
        FDoc.SetCursor(over ? crSizeAll : crFont);
        return;
    }
    // Dragging near an edge of the view scrolls it, as for a floating
    // selection.
    const TPoint scroll = FDoc.ScrollPos();
    const int dx = EdgeScroll(screen.x(), ClientWidth(), scroll.X, pic.X, MaxScrollX());
    const int dy = EdgeScroll(screen.y(), ClientHeight(), scroll.Y, pic.Y, MaxScrollY());
    FDoc.SetTextPos(TPoint{pic.X + FTextDragOffset.X, pic.Y + FTextDragOffset.Y});
    if (FDoc.OnSelectTextPos) FDoc.OnSelectTextPos(FDoc);
    emit SelectTextPos();
    if (dx != 0 || dy != 0) ApplyScrollPos(TPoint{scroll.X + dx, scroll.Y + dy});
    else viewport()->update();
}

void TQxImageView::PaintTextOverlay(QImage& target, const QRect& area, QPoint at) const {
    // The overlay is shown exactly as it will be drawn into the picture
    // (box, glyphs, smoothing and opacity), stretched with the picture.
    TDibImage preview;
    TRect part;
    if (!FDoc.TextPreview(preview, part)) return;
    std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    PictureToScreen64(TPoint{part.Left, part.Top}, x0, y0);
    PictureToScreen64(TPoint{part.Right, part.Bottom}, x1, y1);
    StretchToImage(preview, Rect(0, 0, part.Width(), part.Height()), x1 - x0, y1 - y0, TScreenOrigin{x0, y0}, area,
                   target, at);
}

}  // namespace zelvo
