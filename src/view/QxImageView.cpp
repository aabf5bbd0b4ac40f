#include "view/QxImageView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTransform>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "formats/GifImage.h"
#include "view/QxImageViewCursors.h"
#include "view/QxImageViewRender.h"

namespace zelvo {
namespace {

constexpr int kMinZoom = 10;
constexpr int kMaxZoom = 5000;
constexpr int kLineStep = 5;   // picture pixels per scroll-bar line
constexpr int kPageStep = 10;  // picture pixels per scroll-bar page
constexpr int kEdgeBand = 5;   // viewport units at the border that scroll while dragging
constexpr int kWheelNotch = 120;  // angle delta of one wheel notch (1/8 degree each)

// Handle numbers: the four corners of the normalised selection.
constexpr int kNoHandle = -1;
constexpr int kTopLeft = 0;
constexpr int kTopRight = 1;
constexpr int kBottomLeft = 2;
constexpr int kBottomRight = 3;

QRgb ToQRgb(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// A 64-bit screen coordinate as an int within [lo, hi]. Painting clamps
// to a margin around the painted area, which leaves everything inside the
// area where it was.
int ClampTo(std::int64_t value, int lo, int hi) { return int(std::clamp<std::int64_t>(value, lo, hi)); }

constexpr int kPaintMargin = 16;  // more than a handle reaches past its corner

}  // namespace

TQxImageView::TQxImageView(TQxImage& document, QWidget* parent) : QAbstractScrollArea(parent), FDoc(document) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setMouseTracking(true);
    resize(100, 100);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        const Qt::Orientation orientation = bar == horizontalScrollBar() ? Qt::Horizontal : Qt::Vertical;
        bar->setSingleStep(kLineStep);
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, orientation](int action) { ScrollAction(orientation, action); });
        connect(bar, &QScrollBar::valueChanged, this,
                [this, orientation](int value) { ScrollBarMoved(orientation, value); });
    }
    FDoc.OnInvalidate = [this](TQxImage&) { viewport()->update(); };
    FDoc.OnUpdateView = [this](TQxImage&) {
        Recompute();
        viewport()->update();
    };
    FDoc.OnCursorChange = [this](TQxImage&) { UpdateCursor(); };
    Recompute();
}

TQxImageView::~TQxImageView() {
    FDragFolder.reset();
    FDoc.OnInvalidate = nullptr;
    FDoc.OnUpdateView = nullptr;
    FDoc.OnCursorChange = nullptr;
    FDoc.Visible = false;
}

// ---------------------------------------------------------------------------
// Zoom and scrolling
// ---------------------------------------------------------------------------

int TQxImageView::ZoomValue() const { return std::clamp(FDoc.Zoom(), kMinZoom, kMaxZoom); }

int TQxImageView::Zoom() const { return FDoc.Zoom(); }

void TQxImageView::SetZoom(int zoomPercent) {
    if (zoomPercent < kMinZoom || zoomPercent == FDoc.Zoom()) return;
    zoomPercent = std::min(zoomPercent, kMaxZoom);
    if (zoomPercent == FDoc.Zoom()) return;
    FDoc.SetZoom(zoomPercent);
    Recompute();
    viewport()->update();
    emit ZoomChanged(zoomPercent);
}

const std::array<int, 12>& TQxImageView::ZoomSteps() {
    static const std::array<int, 12> steps = {10, 25, 50, 75, 100, 150, 200, 300, 400, 600, 800, 1000};
    return steps;
}

int TQxImageView::NextZoomStep(int zoomPercent, int steps) {
    const std::array<int, 12>& all = ZoomSteps();
    for (; steps > 0; --steps) {
        const auto next = std::upper_bound(all.begin(), all.end(), zoomPercent);
        if (next == all.end()) break;
        zoomPercent = *next;
    }
    for (; steps < 0; ++steps) {
        const auto next = std::lower_bound(all.begin(), all.end(), zoomPercent);
        if (next == all.begin()) break;
        zoomPercent = *std::prev(next);
    }
    return zoomPercent;
}

void TQxImageView::ZoomAt(QPoint screen, int zoomPercent) {
    if (zoomPercent < kMinZoom) return;
    zoomPercent = std::min(zoomPercent, kMaxZoom);
    if (zoomPercent == FDoc.Zoom()) return;
    // The pixel under the mouse before, and the scroll position that puts
    // it under the mouse again: screen x maps to x * 100 / Zoom + ScrollX.
    const TPoint pixel = RawScreenToPicture(screen);
    FDoc.SetZoom(zoomPercent);
    const int offsetX = int(std::int64_t(screen.x()) * 100 / zoomPercent);
    const int offsetY = int(std::int64_t(screen.y()) * 100 / zoomPercent);
    FDoc.SetScrollPos(TPoint{std::clamp(pixel.X - offsetX, 0, MaxScrollX()),
                             std::clamp(pixel.Y - offsetY, 0, MaxScrollY())});
    Recompute();
    viewport()->update();
    emit ZoomChanged(zoomPercent);
}

void TQxImageView::FitToWindow() {
    if (FDoc.Empty() || width() < 4 || height() < 4) return;
    const double controlW = width() * PixelRatio();
    const double controlH = height() * PixelRatio();
    const double picW = FDoc.Bitmap().Width();
    const double picH = FDoc.Bitmap().Height();
    FDoc.SetScrollPos(TPoint{0, 0});
    int zoom = 0;
    if (controlW / controlH > picW / picH) zoom = int(controlH / picH * 100.0);
    else zoom = int(controlW / picW * 100.0);
    SetZoom(zoom);
    Recompute();
    viewport()->update();
}

void TQxImageView::SetScrollPos(TPoint pos) {
    pos.X = std::clamp(pos.X, 0, std::max(0, FDoc.Bitmap().Width() - 1));
    pos.Y = std::clamp(pos.Y, 0, std::max(0, FDoc.Bitmap().Height() - 1));
    FDoc.SetScrollPos(pos);
    Recompute();
    viewport()->update();
}

int TQxImageView::MaxScrollX() const {
    const int fullyShown = int(std::int64_t(ClientWidth()) * 100 / ZoomValue());
    return std::max(0, FDoc.Bitmap().Width() - fullyShown);
}

int TQxImageView::MaxScrollY() const {
    const int fullyShown = int(std::int64_t(ClientHeight()) * 100 / ZoomValue());
    return std::max(0, FDoc.Bitmap().Height() - fullyShown);
}

void TQxImageView::Recompute() {
    const int zoom = ZoomValue();
    const int picW = FDoc.Bitmap().Width();
    const int picH = FDoc.Bitmap().Height();
    const TPoint scroll = FDoc.ScrollPos();
    FRecomputedRatio = PixelRatio();
    const int clientW = ClientWidth();
    const int clientH = ClientHeight();

    FVisW = int(std::int64_t(clientW) * 100 / zoom) + 1;
    FVisH = int(std::int64_t(clientH) * 100 / zoom) + 1;
    FScreenW = int(std::int64_t(zoom) * FVisW / 100);
    FScreenH = int(std::int64_t(zoom) * FVisH / 100);
    if (picW - scroll.X < FVisW) {
        FVisW = std::max(0, picW - scroll.X);
        FScreenW = int(std::int64_t(FVisW) * zoom / 100);
    }
    if (picH - scroll.Y < FVisH) {
        FVisH = std::max(0, picH - scroll.Y);
        FScreenH = int(std::int64_t(FVisH) * zoom / 100);
    }

    if (FDoc.Restoring() || FDoc.Updating()) return;
    bool showH = false;
    bool showV = false;
    if (!FDoc.DisplayOnly && !FDoc.Empty()) {
        showH = clientW < std::int64_t(picW) * zoom / 100 || scroll.X > 0;
        showV = clientH < std::int64_t(picH) * zoom / 100 || scroll.Y > 0;
    }
    FHBarSize = showH ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;
    FVBarSize = showV ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;

    FSyncingBars = true;
    QScrollBar* hBar = horizontalScrollBar();
    QScrollBar* vBar = verticalScrollBar();
    if (showH) {
        hBar->setRange(0, std::max(MaxScrollX(), scroll.X));
        hBar->setPageStep(std::max(1, FVisW));
        hBar->setValue(scroll.X);
    } else {
        hBar->setRange(0, 0);
    }
    if (showV) {
        vBar->setRange(0, std::max(MaxScrollY(), scroll.Y));
        vBar->setPageStep(std::max(1, FVisH));
        vBar->setValue(scroll.Y);
    } else {
        vBar->setRange(0, 0);
    }
    FSyncingBars = false;

    // Showing or hiding a bar changes the client area, which starts the
    // recomputation again through the resize; the depth guard ends any
    // back-and-forth between the two bars.
    const Qt::ScrollBarPolicy hPolicy = showH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    const Qt::ScrollBarPolicy vPolicy = showV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (FRecomputeDepth < 3 &&
        (horizontalScrollBarPolicy() != hPolicy || verticalScrollBarPolicy() != vPolicy)) {
        ++FRecomputeDepth;
        setHorizontalScrollBarPolicy(hPolicy);
        setVerticalScrollBarPolicy(vPolicy);
        Recompute();
        --FRecomputeDepth;
    }
}

void TQxImageView::ScrollAction(Qt::Orientation orientation, int action) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    const TPoint scroll = FDoc.ScrollPos();
    const int current = orientation == Qt::Horizontal ? scroll.X : scroll.Y;
    int delta = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: delta = -kLineStep; break;
    case QAbstractSlider::SliderSingleStepAdd: delta = kLineStep; break;
    case QAbstractSlider::SliderPageStepSub: delta = -kPageStep; break;
    case QAbstractSlider::SliderPageStepAdd: delta = kPageStep; break;
    case QAbstractSlider::SliderMove: delta = bar->sliderPosition() - current; break;
    default: delta = 0; break;
    }
    // The furthest position keeps the last picture column (row) fully in
    // view; the thumb's range ends at the same place.
    const int maxScroll = orientation == Qt::Horizontal ? MaxScrollX() : MaxScrollY();
    const int next = std::clamp(current + delta, 0, std::max(maxScroll, current));
    bar->setSliderPosition(next);
    if (next == current) return;
    ApplyScrollPos(orientation == Qt::Horizontal ? TPoint{next, scroll.Y} : TPoint{scroll.X, next});
    if (FDoc.OnScroll) FDoc.OnScroll(FDoc);
    emit Scrolled(orientation, action, next);
}

void TQxImageView::ScrollBarMoved(Qt::Orientation orientation, int value) {
    if (FSyncingBars) return;
    const TPoint scroll = FDoc.ScrollPos();
    const int current = orientation == Qt::Horizontal ? scroll.X : scroll.Y;
    if (value == current) return;
    // A change that did not come through an action (wheel, keys handled by
    // the bar itself) is taken as a thumb position.
    ApplyScrollPos(orientation == Qt::Horizontal ? TPoint{value, scroll.Y} : TPoint{scroll.X, value});
    if (FDoc.OnScroll) FDoc.OnScroll(FDoc);
    emit Scrolled(orientation, QAbstractSlider::SliderMove, value);
}

void TQxImageView::ApplyScrollPos(TPoint pos) {
    FDoc.SetScrollPos(pos);
    Recompute();
    viewport()->update();
}

void TQxImageView::scrollContentsBy(int, int) {
    // Scrolling is applied through ScrollAction/ScrollBarMoved, which
    // repaint from the new position.
}

// ---------------------------------------------------------------------------
// Coordinates
// ---------------------------------------------------------------------------

void TQxImageView::SetDevicePixels(bool on) {
    if (FDevicePixels == on) return;
    FDevicePixels = on;
    Recompute();
    viewport()->update();
}

qreal TQxImageView::PixelRatio() const { return FDevicePixels ? viewport()->devicePixelRatioF() : 1.0; }

// A viewport of 401 units at a ratio of 1.5 reaches into its 602nd device
// column; the partly covered column counts as the client's.
int TQxImageView::ClientWidth() const { return int(std::ceil(viewport()->width() * PixelRatio() - 1e-9)); }

int TQxImageView::ClientHeight() const { return int(std::ceil(viewport()->height() * PixelRatio() - 1e-9)); }

int TQxImageView::ScreenLength(int viewportUnits) const {
    const int length = int(std::lround(viewportUnits * PixelRatio()));
    return viewportUnits > 0 ? std::max(1, length) : length;
}

QPoint TQxImageView::ScreenPoint(QPointF viewportPos) const {
    const qreal ratio = PixelRatio();
    // The small bias keeps a position that is a whole device pixel after a
    // division by the ratio (3.3333 x 1.5) on that pixel.
    return QPoint(int(std::floor(viewportPos.x() * ratio + 1e-6)), int(std::floor(viewportPos.y() * ratio + 1e-6)));
}

QRect TQxImageView::ViewportRect(const QRect& screen) const {
    const qreal ratio = PixelRatio();
    const int left = int(std::floor(screen.left() / ratio));
    const int top = int(std::floor(screen.top() / ratio));
    const int right = int(std::ceil((screen.right() + 1) / ratio));
    const int bottom = int(std::ceil((screen.bottom() + 1) / ratio));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

TPoint TQxImageView::RawScreenToPicture(QPoint screen) const {
    const int zoom = ZoomValue();
    const TPoint scroll = FDoc.ScrollPos();
    // Trunc(x * 100 / Zoom) truncates towards zero, also left of the view.
    return TPoint{int(std::int64_t(screen.x()) * 100 / zoom) + scroll.X,
                  int(std::int64_t(screen.y()) * 100 / zoom) + scroll.Y};
}

TPoint TQxImageView::ScreenToPicture(QPoint screen) const {
    TPoint p = RawScreenToPicture(screen);
    if (p.X < 0 || p.X > FDoc.Bitmap().Width()) p.X = -1;
    if (p.Y < 0 || p.Y > FDoc.Bitmap().Height()) p.Y = -1;
    return p;
}

void TQxImageView::PictureToScreen64(TPoint picture, std::int64_t& x, std::int64_t& y) const {
    const int zoom = ZoomValue();
    const TPoint scroll = FDoc.ScrollPos();
    x = (std::int64_t(picture.X) - scroll.X) * zoom / 100;
    y = (std::int64_t(picture.Y) - scroll.Y) * zoom / 100;
}

QPoint TQxImageView::PictureToScreen(TPoint picture) const {
    std::int64_t x = 0, y = 0;
    PictureToScreen64(picture, x, y);
    constexpr int kLimit = 1 << 30;
    return QPoint(ClampTo(x, -kLimit, kLimit), ClampTo(y, -kLimit, kLimit));
}

TColor TQxImageView::ColorAt(QPoint screen) const {
    if (FDoc.Empty()) return -1;
    const TPoint p = ScreenToPicture(screen);
    // The exclusive edge (x = width) maps but holds no pixel.
    if (p.X < 0 || p.Y < 0 || p.X >= FDoc.Bitmap().Width() || p.Y >= FDoc.Bitmap().Height()) return -1;
    return FDoc.Bitmap().PixelColor(p.X, p.Y);
}

QString TQxImageView::ColorText(TColor color) {
    if (color < 0) return {};
    return QStringLiteral("#%1%2%3")
        .arg(GetRValue(color), 2, 16, QLatin1Char('0'))
        .arg(GetGValue(color), 2, 16, QLatin1Char('0'))
        .arg(GetBValue(color), 2, 16, QLatin1Char('0'))
        .toUpper();
}

TQxImageView::TScreenRect TQxImageView::SelectionScreenRect() const {
    const TRect sel = FSelecting ? TRect{std::min(FDoc.SelectionStart().X, FDoc.SelectionEnd().X),
                                         std::min(FDoc.SelectionStart().Y, FDoc.SelectionEnd().Y),
                                         std::max(FDoc.SelectionStart().X, FDoc.SelectionEnd().X),
                                         std::max(FDoc.SelectionStart().Y, FDoc.SelectionEnd().Y)}
                                 : FDoc.SelectionRect();
    TScreenRect s;
    PictureToScreen64(TPoint{sel.Left, sel.Top}, s.Left, s.Top);
    PictureToScreen64(TPoint{sel.Right, sel.Bottom}, s.Right, s.Bottom);
    return s;
}

int TQxImageView::HandleAt(QPoint screen) const {
    if (!FDoc.HasSelection()) return kNoHandle;
    const TScreenRect s = SelectionScreenRect();
    const std::int64_t x = screen.x();
    const std::int64_t y = screen.y();
    const int in4 = ScreenLength(4), out6 = ScreenLength(6), in5 = ScreenLength(5);
    const bool nearLeft = s.Left - in4 < x && x < s.Left + out6;
    const bool nearRight = s.Right - in5 < x && x < s.Right + in5;
    const bool nearTop = s.Top - in4 < y && y < s.Top + out6;
    const bool nearBottom = s.Bottom - in5 < y && y < s.Bottom + in5;
    if (nearLeft && nearTop) return kTopLeft;
    if (nearRight && nearTop) return kTopRight;
    if (nearLeft && nearBottom) return kBottomLeft;
    if (nearRight && nearBottom) return kBottomRight;
    return kNoHandle;
}

// ---------------------------------------------------------------------------
// Modes
// ---------------------------------------------------------------------------

void TQxImageView::SetDisplayOnly(bool displayOnly, bool panOnly) {
    FDoc.DisplayOnly = displayOnly;
    FPanOnly = displayOnly && panOnly;
    Recompute();
    UpdateCursor();
    viewport()->update();
}

void TQxImageView::StartPointPick() {
    FColorPick = false;
    FColorPickImage.reset();
    FPointPick = true;
    FCrosshair.reset();
    viewport()->update();
}

void TQxImageView::StartColorPick() {
    if (FDoc.Empty()) return;
    FPointPick = false;
    FCrosshair.reset();
    FColorPick = true;
    if (!FDoc.ColorKeyed) {
        // The picture's GIF form, whose index becomes the transparent
        // index the next GIF save writes.
        FColorPickImage = GifPaletteForm(FDoc.Bitmap().ToDibImage());
    }
    FDoc.SetSavedCursor(crSpoit);
    FDoc.SetCursor(crSpoit);
}

// ---------------------------------------------------------------------------
// Selection and floating selection
// ---------------------------------------------------------------------------

void TQxImageView::NotifySelection() { emit SelectionChanged(); }

void TQxImageView::MoveSelection(int dx, int dy) {
    if (FDoc.MoveSelection(dx, dy)) NotifySelection();
}

void TQxImageView::ResizeSelection(int dx, int dy) {
    if (FDoc.ResizeSelection(dx, dy)) NotifySelection();
}

void TQxImageView::SelectAll() {
    FDoc.SelectAll();
    NotifySelection();
}

void TQxImageView::SetCopyMode(bool copyMode) { FDoc.SetCopyMode(copyMode); }

void TQxImageView::ApplyFloating() {
    if (!FDoc.Floating()) return;
    FDragging = false;
    FDoc.ApplyFloating();
    if (!FDoc.Floating()) {
        emit Moved();
        NotifySelection();
    }
    viewport()->update();
}

void TQxImageView::CancelFloating() {
    FDragging = false;
    FDoc.CancelFloating();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Cursor
// ---------------------------------------------------------------------------

void TQxImageView::UpdateCursor() {
    viewport()->setCursor(ViewCursor(FHideCursor ? crNone : FDoc.Cursor()));
}

// ---------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------

void TQxImageView::mousePressEvent(QMouseEvent* event) {
    const QPoint screen = ScreenPoint(event->position());
    FDragOutPending = false;
    emit MousePressed(event->button(), screen.x(), screen.y());
    if (FDoc.Editing() || FSlideShow || FDoc.Empty()) return;
    const TPoint pic = RawScreenToPicture(screen);
    const bool startPan = FPanOnly || (!FDoc.DisplayOnly && event->button() == Qt::RightButton);
    if (startPan) {
        FPanning = true;
        FPanLast = pic;
        FHideCursor = false;
        FDoc.SetCursor(crNeko);
        return;
    }
    if (FDoc.DisplayOnly || event->button() != Qt::LeftButton) return;
    if (FDoc.TextMode()) {
        TextMousePress(screen);
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) && !FPointPick && !FColorPick && !FDoc.Floating()) {
        // Ctrl + drag takes the picture out; the drag starts once the mouse
        // has moved far enough.
        FDragOutPending = true;
        FDragOutStart = screen;
        return;
    }

    const int picW = FDoc.Bitmap().Width();
    const int picH = FDoc.Bitmap().Height();
    const TPoint inside = ScreenToPicture(screen);
    if (FPointPick) {
        FPointPick = false;
        FCrosshair.reset();
        FHideCursor = false;
        FDoc.SetCursor(FDoc.SavedCursor());
        const int x = inside.X < 0 ? picW : inside.X;
        const int y = inside.Y < 0 ? picH : inside.Y;
        viewport()->update();
        if (FDoc.OnSelectPos) FDoc.OnSelectPos(FDoc, x, y);
        emit SelectPos(x, y);
        return;
    }
    if (FColorPick) {
        if (inside.X >= 0 && inside.Y >= 0 && inside.X < picW && inside.Y < picH) {
            if (FDoc.ColorKeyed) {
                FDoc.TransparentColor = FDoc.Bitmap().PixelColor(inside.X, inside.Y);
            } else if (FColorPickImage) {
                const TColor value = FColorPickImage->GetPixels(inside.X, inside.Y);
                FDoc.TransparentIndex = std::uint8_t(value);
            }
        }
        FColorPick = false;
        FColorPickImage.reset();
        FDoc.SetSavedCursor(crDefault);
        FDoc.SetCursor(crDefault);
        emit ColorPicked();
        return;
    }

    if (FDoc.HasSelection() || FDoc.Floating()) {
        if (FOverSelection) {
            if (!FDoc.Floating()) {
                if (!FDoc.LiftSelection()) return;
                emit Moving();
            }
            const TPoint pos = FDoc.FloatPos();
            FDragOffset = TPoint{pos.X - pic.X, pos.Y - pic.Y};
            FDragging = true;
            viewport()->update();
            return;
        }
        if (FDoc.Floating()) {
            FDoc.SetFloatPos(pic);
            return;
        }
        const int handle = HandleAt(screen);
        if (handle != kNoHandle) {
            const TRect sel = FDoc.SelectionRect();
            const TPoint corners[4] = {{sel.Left, sel.Top}, {sel.Right, sel.Top}, {sel.Left, sel.Bottom},
                                       {sel.Right, sel.Bottom}};
            FDoc.SetSelectionCorners(corners[3 - handle], corners[handle], false);
            FSelecting = true;
            viewport()->update();
            NotifySelection();
            return;
        }
    }
    if (FDoc.Floating()) return;
    const TPoint anchor{inside.X < 0 ? picW : inside.X, inside.Y < 0 ? picH : inside.Y};
    FDoc.SetSelectionCorners(anchor, anchor, false);
    FSelecting = true;
    viewport()->update();
    NotifySelection();
}

void TQxImageView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint screen = ScreenPoint(event->position());
    emit MouseMoved(screen.x(), screen.y());
    if (FDoc.Editing() || FDoc.Empty()) return;
    if (FDragOutPending) {
        if (!(event->buttons() & Qt::LeftButton)) {
            FDragOutPending = false;
        } else if ((screen - FDragOutStart).manhattanLength() >= ScreenLength(QApplication::startDragDistance())) {
            FDragOutPending = false;
            StartDragOut();
        }
        return;
    }
    if (FPanOnly) {
        if (!FPanning) FDoc.SetCursor(crNeko);
        else PanMove(screen);
        return;
    }
    if (FDoc.DisplayOnly || FSlideShow) return;
    if (FDoc.TextMode() && !FPanning) {
        TextMouseMove(screen);
        return;
    }

    if (FPointPick) {
        SetCrosshair(screen);
        if (!FPanning) return;
    }
    if ((FDoc.HasSelection() || FDoc.Floating()) && !FPanning && !FSelecting) {
        if (FDragging) {
            DragMove(screen);
        } else if (!FColorPick) {
            const TPoint pic = RawScreenToPicture(screen);
            const TRect area =
                FDoc.Floating()
                    ? TRect{FDoc.FloatPos().X, FDoc.FloatPos().Y, FDoc.FloatPos().X + FDoc.FloatBitmap().Width(),
                            FDoc.FloatPos().Y + FDoc.FloatBitmap().Height()}
                    : FDoc.SelectionRect();
            const bool inside = pic.X >= area.Left && pic.X < area.Right && pic.Y >= area.Top && pic.Y < area.Bottom;
            FOverSelection = inside && HandleAt(screen) == kNoHandle &&
                             !(event->modifiers() & Qt::ShiftModifier);
            FDoc.SetCursor(FOverSelection ? crSizeAll : crDefault);
        }
    }
    if (FPanning) PanMove(screen);
    if (FSelecting) SelectingMove(screen);
}

void TQxImageView::PanMove(QPoint screen) {
    const TPoint pic = RawScreenToPicture(screen);
    const TPoint scroll = FDoc.ScrollPos();
    const int nextX = std::clamp(scroll.X + FPanLast.X - pic.X, 0, std::max(MaxScrollX(), 0));
    const int nextY = std::clamp(scroll.Y + FPanLast.Y - pic.Y, 0, std::max(MaxScrollY(), 0));
    if (nextX != scroll.X || nextY != scroll.Y) {
        // A position set beyond the furthest one (by undo, say) is not
        // pulled back by a pan that moves the other way.
        ApplyScrollPos(TPoint{nextX, nextY});
    }
    FPanLast = RawScreenToPicture(screen);
}

int TQxImageView::EdgeScroll(int screen, int client, int scroll, int picture, int maxScroll) const {
    const int band = ScreenLength(kEdgeBand);
    if (screen < band && scroll > 0) return -std::min(std::max(picture, 0), kEdgeBand);
    if (screen >= client - band) return std::clamp(maxScroll - scroll, 0, kEdgeBand);
    return 0;
}

void TQxImageView::SelectingMove(QPoint screen) {
    const int step = ZoomValue() / 100;
    if (step >= 2) {
        // Whole picture pixels: the corner lands on a pixel boundary.
        screen.setX(screen.x() / step * step);
        screen.setY(screen.y() / step * step);
    }
    screen.setX(std::max(0, screen.x()));
    screen.setY(std::max(0, screen.y()));
    const TPoint pic = RawScreenToPicture(screen);
    const TPoint scroll = FDoc.ScrollPos();
    const int dx = EdgeScroll(screen.x(), ClientWidth(), scroll.X, pic.X, MaxScrollX());
    const int dy = EdgeScroll(screen.y(), ClientHeight(), scroll.Y, pic.Y, MaxScrollY());
    FDoc.SetSelectionCorners(FDoc.SelectionStart(), FDoc.ClampPoint(pic), false);
    if (dx != 0 || dy != 0) ApplyScrollPos(TPoint{scroll.X + dx, scroll.Y + dy});
    else viewport()->update();
    NotifySelection();
}

void TQxImageView::DragMove(QPoint screen) {
    const TPoint pic = RawScreenToPicture(screen);
    const TPoint scroll = FDoc.ScrollPos();
    const int dx = EdgeScroll(screen.x(), ClientWidth(), scroll.X, pic.X, MaxScrollX());
    const int dy = EdgeScroll(screen.y(), ClientHeight(), scroll.Y, pic.Y, MaxScrollY());
    FDoc.SetFloatPos(TPoint{pic.X + FDragOffset.X, pic.Y + FDragOffset.Y});
    if (dx != 0 || dy != 0) ApplyScrollPos(TPoint{scroll.X + dx, scroll.Y + dy});
}

void TQxImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FDragOutPending = false;
    if (event->button() == Qt::LeftButton && (FDragging || FTextDragging)) {
        FDragging = false;
        FTextDragging = false;
        viewport()->update();
    }
    if (FPanning && (FPanOnly || event->button() == Qt::RightButton)) {
        FPanning = false;
        FHideCursor = FPointPick;
        FDoc.SetCursor(FDoc.SavedCursor());
        UpdateCursor();
    }
    if (FSelecting && event->button() == Qt::LeftButton) {
        FSelecting = false;
        const TPoint a = FDoc.SelectionStart();
        const TPoint b = FDoc.SelectionEnd();
        const bool selected = a.X != b.X && a.Y != b.Y;
        FDoc.SetSelectionCorners(a, b, selected);
        viewport()->update();
        NotifySelection();
        if (selected) {
            if (FDoc.OnSelected) FDoc.OnSelected(FDoc);
            emit Selected();
        }
    }
}

void TQxImageView::SetCrosshair(std::optional<QPoint> pos) {
    const QRect bounds(0, 0, ClientWidth(), ClientHeight());
    auto lines = [this, &bounds](QPoint p) {
        QRegion region(ViewportRect(QRect(bounds.left(), p.y(), bounds.width(), 1)));
        return region.united(ViewportRect(QRect(p.x(), bounds.top(), 1, bounds.height())));
    };
    QRegion dirty;
    if (FCrosshair) dirty += lines(*FCrosshair);
    FCrosshair = pos;
    if (FCrosshair) dirty += lines(*FCrosshair);
    viewport()->update(dirty);
}

void TQxImageView::keyPressEvent(QKeyEvent* event) {
    const bool arrow = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right ||
                       event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
        // Selection nudges belong to the main window.
        event->ignore();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TQxImageView::wheelEvent(QWheelEvent* event) {
    const bool zoomable = !FDoc.Empty() && !FDoc.DisplayOnly && !FSlideShow && !FDoc.Editing();
    if (!(event->modifiers() & Qt::ControlModifier) || !zoomable) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    // A fine-grained wheel (a touchpad) sends parts of a notch: they add up
    // to whole steps; turning back drops what was gathered the other way.
    const int angle = event->angleDelta().y();
    if ((angle > 0 && FWheelZoomAngle < 0) || (angle < 0 && FWheelZoomAngle > 0)) FWheelZoomAngle = 0;
    FWheelZoomAngle += angle;
    const int steps = FWheelZoomAngle / kWheelNotch;
    FWheelZoomAngle -= steps * kWheelNotch;
    if (steps != 0) ZoomAt(ScreenPoint(event->position()), NextZoomStep(FDoc.Zoom(), steps));
}

// ---------------------------------------------------------------------------
// Size, visibility and painting
// ---------------------------------------------------------------------------

bool TQxImageView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        Recompute();
        viewport()->update();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TQxImageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Recompute();
    viewport()->update();
    if (FDoc.OnResize) FDoc.OnResize(FDoc);
    emit Resized();
}

void TQxImageView::showEvent(QShowEvent* event) {
    FDoc.Visible = true;
    QAbstractScrollArea::showEvent(event);
    Recompute();
    UpdateCursor();
}

void TQxImageView::hideEvent(QHideEvent* event) {
    FDoc.Visible = false;
    QAbstractScrollArea::hideEvent(event);
}

void TQxImageView::paintEvent(QPaintEvent* event) {
    if (FDoc.Restoring() || FDoc.Updating()) return;
    const qreal ratio = PixelRatio();
    // The window moved to a screen of another scale: the cached geometry
    // is in the old screen pixels.
    if (ratio != FRecomputedRatio) Recompute();
    QPainter painter(viewport());
    // Screen pixels are painted 1:1: the painter's own scale to device
    // pixels is undone.
    if (ratio != 1.0) painter.setWorldTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
    for (const QRect& rect : event->region()) {
        // The back buffer covers only this part and is gone after it.
        const QRect area(QPoint(int(std::floor(rect.left() * ratio)), int(std::floor(rect.top() * ratio))),
                         QPoint(int(std::ceil((rect.right() + 1) * ratio)) - 1,
                                int(std::ceil((rect.bottom() + 1) * ratio)) - 1));
        QImage buffer(area.size(), QImage::Format_RGB32);
        PaintArea(buffer, area);
        painter.drawImage(area.topLeft(), buffer);
    }
    painter.end();
    if (FDoc.OnPaint) FDoc.OnPaint(FDoc);
    emit Painted();
}

void TQxImageView::PaintArea(QImage& target, const QRect& area, QPoint at) const {
    // Everything below works in viewport coordinates; `toTarget` moves a
    // viewport rectangle into the target, clipped to the painted part.
    const QPoint shift = at - area.topLeft();
    const QRect clip = QRect(at, area.size()).intersected(target.rect());
    auto fill = [&](const QRect& r, QRgb color) {
        const QRect t = r.translated(shift).intersected(clip);
        for (int y = t.top(); y <= t.bottom(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(target.scanLine(y));
            std::fill(row + t.left(), row + t.right() + 1, color);
        }
    };
    auto invert = [&](const QRect& r) {
        const QRect t = r.translated(shift).intersected(clip);
        for (int y = t.top(); y <= t.bottom(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(target.scanLine(y));
            for (int x = t.left(); x <= t.right(); ++x) row[x] ^= 0x00FFFFFFu;
        }
    };
    const QRgb background = ToQRgb(FDoc.Color);
    if (FDoc.Empty()) {
        fill(area, background);
        return;
    }
    const int zoom = ZoomValue();
    // Erasing: only the bands right of and below the picture.
    const int picRight = int(std::int64_t(FVisW) * zoom / 100);
    const int picBottom = int(std::int64_t(FVisH) * zoom / 100);
    fill(QRect(QPoint(std::max(picRight, area.left()), area.top()), area.bottomRight()), background);
    fill(QRect(QPoint(area.left(), std::max(picBottom, area.top())), area.bottomRight()), background);

    const TPoint scroll = FDoc.ScrollPos();
    const TRect source{scroll.X, scroll.Y, scroll.X + FVisW, scroll.Y + FVisH};
    StretchToImage(FDoc.Bitmap().Dib(), source, FScreenW, FScreenH, TScreenOrigin{}, area, target, at);

    // Rectangles reaching far outside the area are clamped to this margin.
    const int margin = kPaintMargin * std::max(1, int(std::ceil(PixelRatio())));
    const QRect bounds = area.adjusted(-margin, -margin, margin, margin);
    auto screenRect = [&bounds](std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
        // [left, right) x [top, bottom) as a QRect within the bounds.
        return QRect(QPoint(ClampTo(left, bounds.left(), bounds.right() + 1),
                            ClampTo(top, bounds.top(), bounds.bottom() + 1)),
                     QPoint(ClampTo(right, bounds.left(), bounds.right() + 1) - 1,
                            ClampTo(bottom, bounds.top(), bounds.bottom() + 1) - 1));
    };

    if (FDoc.Floating()) {
        if (!FDoc.CopyMode() && !FDoc.FloatSource().IsEmpty()) {
            const TRect src = FDoc.FloatSource();
            std::int64_t l = 0, t = 0, r = 0, b = 0;
            PictureToScreen64(TPoint{src.Left, src.Top}, l, t);
            PictureToScreen64(TPoint{src.Right, src.Bottom}, r, b);
            fill(screenRect(l, t, r, b), background);
        }
        const TBitmap& pixels = FDoc.FloatBitmap();
        std::int64_t x0 = 0, y0 = 0;
        PictureToScreen64(FDoc.FloatPos(), x0, y0);
        const std::int64_t w = std::int64_t(pixels.Width()) * zoom / 100;
        const std::int64_t h = std::int64_t(pixels.Height()) * zoom / 100;
        StretchToImage(pixels.Dib(), TRect{0, 0, pixels.Width(), pixels.Height()}, w, h, TScreenOrigin{x0, y0},
                       area, target, at);
        if (!FDragging && w > 0 && h > 0) {
            // Dotted outline: every other pixel along each edge, counted
            // from the rectangle's top-left; each pixel inverted once.
            const std::int64_t x1 = x0 + w - 1, y1 = y0 + h - 1;
            const auto dot = [&](std::int64_t x, std::int64_t y) {
                if (area.contains(int(x), int(y))) invert(QRect(int(x), int(y), 1, 1));
            };
            const std::int64_t fromX = std::max<std::int64_t>(x0, area.left());
            const std::int64_t toX = std::min<std::int64_t>(x1, area.right());
            for (std::int64_t x = fromX; x <= toX; ++x) {
                if ((x - x0) % 2 != 0) continue;
                if (y0 >= area.top() && y0 <= area.bottom()) dot(x, y0);
                if (y1 != y0 && y1 >= area.top() && y1 <= area.bottom()) dot(x, y1);
            }
            const std::int64_t fromY = std::max<std::int64_t>(y0 + 1, area.top());
            const std::int64_t toY = std::min<std::int64_t>(y1 - 1, area.bottom());
            for (std::int64_t y = fromY; y <= toY; ++y) {
                if ((y - y0) % 2 != 0) continue;
                if (x0 >= area.left() && x0 <= area.right()) dot(x0, y);
                if (x1 != x0 && x1 >= area.left() && x1 <= area.right()) dot(x1, y);
            }
        }
    }

    if (FDoc.HasTextOverlay()) PaintTextOverlay(target, area, at);

    if (FPointPick) {
        // Two full-length lines; where they cross the pixel is inverted twice.
        if (FCrosshair) {
            invert(QRect(area.left(), FCrosshair->y(), area.width(), 1));
            invert(QRect(FCrosshair->x(), area.top(), 1, area.height()));
        }
    } else if (FDoc.HasSelection() || (FSelecting && !FDoc.Floating())) {
        // The frame (each pixel once), then the four handle squares over it:
        // top-left L - 4..L + 6 x T - 4..T + 6, top-right R - 5..R + 5 x
        // T - 4..T + 6, and so on, right and bottom exclusive.
        const TScreenRect s = SelectionScreenRect();
        // On a scaled screen the frame and the handles keep their size in
        // viewport units.
        const int line = ScreenLength(1), in4 = ScreenLength(4), out6 = ScreenLength(6), in5 = ScreenLength(5);
        if (s.Right > s.Left && s.Bottom > s.Top) {
            QRegion frame(screenRect(s.Left, s.Top, s.Right, s.Top + line));
            frame += screenRect(s.Left, s.Bottom - line, s.Right, s.Bottom);
            frame += screenRect(s.Left, s.Top, s.Left + line, s.Bottom);
            frame += screenRect(s.Right - line, s.Top, s.Right, s.Bottom);
            for (const QRect& r : frame) invert(r);
        }
        invert(screenRect(s.Left - in4, s.Top - in4, s.Left + out6, s.Top + out6));
        invert(screenRect(s.Right - in5, s.Top - in4, s.Right + in5, s.Top + out6));
        invert(screenRect(s.Left - in4, s.Bottom - in5, s.Left + out6, s.Bottom + in5));
        invert(screenRect(s.Right - in5, s.Bottom - in5, s.Right + in5, s.Bottom + in5));
    }
}

}  // namespace zelvo
