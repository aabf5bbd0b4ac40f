#include "app/dialogs/FullScalePreview.h"

#include <QEvent>
#include <QFrame>

#include <algorithm>

#include "platform/Bitmap.h"
#include "view/QxImageView.h"

namespace zelvo {

TFullScalePreview::TFullScalePreview(QFrame* panel, int size)
    : QObject(panel), FSize(size), FSource(std::make_unique<TQxImage>()), FOverlay(std::make_unique<TQxImage>()) {
    FSourceView = new TQxImageView(*FSource, panel);
    FSourceView->setObjectName(QStringLiteral("QxImage1"));
    FSourceView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FSourceView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FSourceView->setGeometry(0, 0, size, size);
    FOverlayView = new TQxImageView(*FOverlay, panel);
    FOverlayView->setObjectName(QStringLiteral("QxOverlay"));
    FOverlayView->SetDisplayOnly(true);
    FOverlayView->hide();
    connect(FSourceView, &TQxImageView::Scrolled, this, [this] { FOverlayView->hide(); });
    FSourceView->viewport()->installEventFilter(this);
}

TFullScalePreview::~TFullScalePreview() {
    // The views refer to the documents this object owns: they go first.
    delete FOverlayView;
    delete FSourceView;
}

void TFullScalePreview::Load(TQxImage& document) {
    if (document.Empty()) return;
    TBitmap source;
    if (document.HasSelection()) {
        const TRect sel = document.SelectionRect();
        TBitmap area(sel.Width(), sel.Height(), pf24bit);
        area.Canvas().CopyRect(TRect{0, 0, sel.Width(), sel.Height()}, document.Bitmap(), sel);
        source = area;
    } else {
        source = document.Bitmap();
    }
    FSource->SetBitmap(source);
    FSource->ClearUndo();
    FSourceView->Recompute();
    const int width = source.Width(), height = source.Height();
    const QSize visible = FSourceView->viewport()->size();
    if (width < visible.width() && height < visible.height()) {
        // Smaller than the viewing area: the control is centred instead.
        FSourceView->setGeometry((FSize - width) / 2, (FSize - height) / 2, width, height);
    } else {
        // Half of the part that does not fit on each axis.
        FSourceView->SetScrollPos(
            TPoint{std::max(0, (width - visible.width()) / 2), std::max(0, (height - visible.height()) / 2)});
    }
}

bool TFullScalePreview::Refresh(const TEffect& effect) {
    if (FSource->Empty()) return false;
    const TPoint scroll = FSourceView->ScrollPos();
    const QWidget* viewport = FSourceView->viewport();
    const int width = std::min(viewport->width(), FSource->Bitmap().Width() - scroll.X);
    const int height = std::min(viewport->height(), FSource->Bitmap().Height() - scroll.Y);
    if (width <= 0 || height <= 0) return false;
    TBitmap part(width, height, pf24bit);
    part.Canvas().CopyRect(TRect{0, 0, width, height}, FSource->Bitmap(),
                           TRect{scroll.X, scroll.Y, scroll.X + width, scroll.Y + height});
    FOverlay->SetBitmap(part);
    FOverlay->ClearUndo();
    effect(*FOverlay, scroll.Y, scroll.X);
    const QPoint at = FSourceView->geometry().topLeft() + viewport->geometry().topLeft();
    FOverlayView->setGeometry(at.x(), at.y(), width, height);
    FOverlayView->Recompute();
    FOverlayView->show();
    FOverlayView->raise();
    FOverlayView->viewport()->update();
    return true;
}

bool TFullScalePreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FSourceView->viewport() && event->type() == QEvent::MouseButtonRelease && OnRefreshWanted)
        OnRefreshWanted();
    return QObject::eventFilter(watched, event);
}

}  // namespace zelvo
