#pragma once
// TQxImageView: the control that shows one TQxImage and carries its mouse
// tools.
//
// For the main window (embedding):
//   auto* view = new TQxImageView(doc, panel);   // doc outlives the view
//   view->SetZoom(p) / FitToWindow() / Zoom()   -> signal ZoomChanged(int)
//   doc.Color (background) then view->viewport()->update()
//   MouseMoved(x, y)     screen point; use ScreenToPicture() and ColorAt()
//                        (the "#RRGGBB" text is ColorText()) for panels 1, 2
//   SelectionChanged()   the selection rectangle changed (panel 2: size)
//   Selected(), Moving(), Moved(), SelectPos(x, y), ColorPicked(),
//   Scrolled(code, pos), Painted(), Resized()
//                        mirror the document's OnSelected, OnMoving, ...;
//                        the document's callbacks are fired as well, so
//                        connect to one or the other, not both
//   MousePressed(button, x, y)  every press (slide show steps with these)
//   Ctrl/Shift + arrow keys are left to the parent: call MoveSelection /
//   ResizeSelection on the view (or the document) from the main window.
//   Lifting a selection fires Moving(): create TZVfrmApplyCancel then; it
//   calls ApplyFloating / CancelFloating and SetCopyMode on this view.
//   StartPointPick(), StartColorPick(): one-shot pick modes.
//   SetDisplayOnly(on, panOnly) for previews; SetSlideShow(on).
//
// Geometry (all integers): Zoom 10..5000 percent; ScrollPos is the picture
// pixel at the top-left corner; VisW x VisH picture pixels are visible and
// cover ScreenW x ScreenH screen pixels. A line step scrolls 5 picture
// pixels, a page step 10. Picture x = screen x * 100 / Zoom + ScrollX.
//
// Screen pixels: with SetDevicePixels(true) (the main window's view) a
// screen pixel is a device pixel of the viewport, so at 100 % one picture
// pixel covers one device pixel also on a scaled screen (200 % shows a
// 640 x 480 picture on 320 x 240 viewport units). Otherwise (dialog
// previews) a screen pixel is a viewport unit, as Qt scales it. Every
// "screen" point and size of this class (ScreenToPicture, MouseMoved,
// ScreenW, ClientWidth, PaintArea) is in screen pixels; ScreenPoint turns a
// viewport position into one. The selection handles and the edge-scroll
// band keep their size in viewport units (device pixels x the ratio).
//
// The wheel scrolls; Ctrl + wheel steps the zoom through ZoomSteps() around
// the mouse: the picture pixel under the mouse stays under it.
//
// Ctrl + left-button drag (outside text and pick modes, nothing floating)
// drags the picture out to other programs as a PNG: the selection when
// there is one, otherwise the whole picture (what Copy would copy), as
// "image/png" data and as a file URL ("text/uri-list") to a PNG in a
// temporary folder of the view. A Ctrl + click without a drag does nothing;
// plain left drags select as always.
//
// Painting goes through a back buffer the size of the repainted area,
// filled by a nearest-pixel stretch of only the visible picture pixels and
// released after each paint; everything outside the picture is filled with
// the document's Color. The selection frame, its four handles, the
// floating selection's dotted outline and the point-pick crosshair invert
// the pixels beneath them.

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "document/QxImage.h"

class QDrag;
class QMimeData;
class QTemporaryDir;

namespace zelvo {

class TQxImageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    /// Shows `document`, which must outlive the view. Hooks the document's
    /// view notifications (OnInvalidate, OnUpdateView, OnCursorChange).
    explicit TQxImageView(TQxImage& document, QWidget* parent = nullptr);
    ~TQxImageView() override;

    TQxImage& Document() { return FDoc; }
    const TQxImage& Document() const { return FDoc; }

    // ---- zoom and scrolling ---------------------------------------------------
    int Zoom() const;
    /// Values below 10 and the current value are ignored; above 5000 gives
    /// 5000. Recomputes and repaints.
    void SetZoom(int zoomPercent);
    /// Fits the picture into the control (its size including the scroll
    /// bars): ScrollPos (0, 0) and the zoom from the tighter side, through
    /// SetZoom. Nothing for an empty picture or a control under 4 x 4.
    void FitToWindow();
    TPoint ScrollPos() const { return FDoc.ScrollPos(); }
    /// Clamps to 0..width - 1 and 0..height - 1, recomputes and repaints.
    void SetScrollPos(TPoint pos);
    /// The zoom steps of the zoom menu (percent), smallest first; Ctrl +
    /// wheel moves through them.
    static const std::array<int, 12>& ZoomSteps();
    /// The zoom `steps` steps of ZoomSteps() above (steps > 0) or below
    /// (steps < 0) `zoomPercent`, which need not be a step itself (a fitted
    /// zoom); stops at the first and last step.
    static int NextZoomStep(int zoomPercent, int steps);
    /// Sets the zoom (as SetZoom: below 10 ignored, above 5000 gives 5000)
    /// and scrolls so that the picture pixel under `screen` stays under it,
    /// as far as the scroll range allows. Emits ZoomChanged.
    void ZoomAt(QPoint screen, int zoomPercent);
    /// The furthest scroll position that still fills the client area (the
    /// scroll bars' maximum): width - client width * 100 / Zoom, at least 0.
    int MaxScrollX() const;
    int MaxScrollY() const;

    /// The view recomputation: visible extent, scroll-bar sizes and ranges.
    void Recompute();
    /// The client (viewport) size in screen pixels.
    int ClientWidth() const;
    int ClientHeight() const;
    int VisW() const { return FVisW; }
    int VisH() const { return FVisH; }
    int ScreenW() const { return FScreenW; }
    int ScreenH() const { return FScreenH; }
    /// 0 when the bar is hidden, else its thickness.
    int HBarSize() const { return FHBarSize; }
    int VBarSize() const { return FVBarSize; }

    // ---- coordinates ---------------------------------------------------------
    /// Device pixels: a screen pixel is a device pixel (see the top of this
    /// file). Off by default.
    void SetDevicePixels(bool on);
    bool DevicePixels() const { return FDevicePixels; }
    /// Screen pixels per viewport unit: the device pixel ratio with
    /// DevicePixels, otherwise 1.
    qreal PixelRatio() const;
    /// A viewport position (a mouse event's) as the screen pixel it lies in.
    QPoint ScreenPoint(QPointF viewportPos) const;
    /// The viewport units covering a rectangle of screen pixels.
    QRect ViewportRect(const QRect& screen) const;
    /// Screen (viewport) point to picture point; a coordinate below 0 or
    /// above the picture's width (height) becomes -1 (the width itself is
    /// kept, as the exclusive right edge).
    TPoint ScreenToPicture(QPoint screen) const;
    /// Picture point to screen point: (x - ScrollX) * Zoom / 100 (limited
    /// to +-2^30 for points far outside the view).
    QPoint PictureToScreen(TPoint picture) const;
    /// The RGB colour (00BBGGRR) of the picture pixel under a screen point,
    /// or -1 when the point is outside the picture.
    TColor ColorAt(QPoint screen) const;
    /// "#" and red, green, blue as two upper-case hex digits each; empty
    /// for -1.
    static QString ColorText(TColor color);

    // ---- modes -------------------------------------------------------------
    /// Display-only: no scroll bars, no mouse tools. The pan-only variant
    /// lets any button drag the picture. Both flags switch together.
    void SetDisplayOnly(bool displayOnly, bool panOnly = false);
    bool DisplayOnly() const { return FDoc.DisplayOnly; }
    bool PanOnly() const { return FPanOnly; }
    /// Slide-show mode: the mouse tools are off (clicks still report
    /// MousePressed).
    void SetSlideShow(bool on) { FSlideShow = on; }
    bool SlideShow() const { return FSlideShow; }
    /// The next left click reports its picture point through SelectPos /
    /// OnSelectPos; a crosshair follows the mouse until then.
    void StartPointPick();
    bool PointPicking() const { return FPointPick; }
    /// The next left click on the picture picks the transparent colour:
    /// TransparentColor for a colour-keyed picture, otherwise
    /// TransparentIndex (the pixel's index in the picture's 8-bit form).
    void StartColorPick();
    bool ColorPicking() const { return FColorPick; }

    // ---- selection and floating selection -------------------------------------
    /// Keyboard nudge and resize (dx, dy in -1..1); see the document.
    void MoveSelection(int dx, int dy);
    void ResizeSelection(int dx, int dy);
    /// Select all / none: toggles, resets the cursor and repaints.
    void SelectAll();
    void SetCopyMode(bool copyMode);
    bool CopyMode() const { return FDoc.CopyMode(); }
    /// Fixes the floating selection into the picture (emits Moved).
    void ApplyFloating();
    /// Drops the floating selection; the picture is untouched.
    void CancelFloating();
    /// The text box is being dragged (text mode).
    bool TextDragging() const { return FTextDragging; }
    bool Dragging() const { return FDragging; }
    bool Panning() const { return FPanning; }

    // ---- painting -------------------------------------------------------------
    /// Paints `area` (viewport coordinates) of the view into `target` with
    /// area's top-left at `at`, exactly as the screen shows it. Used by
    /// paintEvent and by tests and benchmarks.
    void PaintArea(QImage& target, const QRect& area, QPoint at = QPoint(0, 0)) const;

    // ---- drag-out --------------------------------------------------------------
    /// The data a drag out of the view offers: the selection (or the whole
    /// picture) as "image/png" bytes and as a file URL to the same bytes in
    /// <DragFileStem>.png inside the view's temporary folder. The files of
    /// earlier drags are removed first; the folder goes with the view.
    /// nullptr for an empty picture. Throws the PNG writer's exceptions.
    std::unique_ptr<QMimeData> MakeDragData();
    /// The file name (without ".png") a drag-out offers; "picture" unless
    /// set (the main window sets the open file's name).
    void SetDragFileStem(const QString& stem) { FDragFileStem = stem; }
    /// Runs a drag-out; QDrag::exec with the copy action unless replaced
    /// (tests look at the drag's data here instead).
    std::function<void(QDrag& drag)> DragExecHook;

signals:
    void ZoomChanged(int zoomPercent);
    void SelectionChanged();
    void MouseMoved(int x, int y);
    void MousePressed(Qt::MouseButton button, int x, int y);
    void Selected();
    void Moving();
    void Moved();
    void SelectPos(int x, int y);
    void SelectTextPos();
    void ColorPicked();
    /// The view scrolled: the scroll-bar action (QAbstractSlider's
    /// SliderAction) and the new ScrollX or ScrollY.
    void Scrolled(Qt::Orientation orientation, int action, int position);
    void Painted();
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    /// Screen coordinates in 64 bits: a picture corner far outside the
    /// view at a high zoom does not fit an int.
    struct TScreenRect {
        std::int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    };
    int ZoomValue() const;
    TPoint RawScreenToPicture(QPoint screen) const;
    void PictureToScreen64(TPoint picture, std::int64_t& x, std::int64_t& y) const;
    TScreenRect SelectionScreenRect() const;
    int HandleAt(QPoint screen) const;
    void ScrollAction(Qt::Orientation orientation, int action);
    void ScrollBarMoved(Qt::Orientation orientation, int value);
    void ApplyScrollPos(TPoint pos);
    void UpdateCursor();
    void NotifySelection();
    void SelectingMove(QPoint screen);
    void DragMove(QPoint screen);
    void PanMove(QPoint screen);
    void SetCrosshair(std::optional<QPoint> pos);
    int EdgeScroll(int screen, int client, int scroll, int picture, int maxScroll) const;
    // Text mode (QxImageViewText.cpp): a left press grabs the text box or
    // places the text; moves drag it or set the cursor.
    void TextMousePress(QPoint screen);
    void TextMouseMove(QPoint screen);
    void PaintTextOverlay(QImage& target, const QRect& area, QPoint at) const;
    /// A length in viewport units as screen pixels (rounded, at least 1
    /// for a positive length).
    int ScreenLength(int viewportUnits) const;
    /// Builds the drag data and runs the drag (QxImageViewDrag.cpp).
    void StartDragOut();

    TQxImage& FDoc;
    bool FDevicePixels = false;
    qreal FRecomputedRatio = 1.0;  ///< the PixelRatio the cached geometry was computed with
    int FWheelZoomAngle = 0;       ///< Ctrl + wheel rotation not yet turned into zoom steps (1/8 degree)
    bool FDragOutPending = false;  ///< a Ctrl + left press waits to become a drag-out
    QPoint FDragOutStart;
    QString FDragFileStem = QStringLiteral("picture");
    std::unique_ptr<QTemporaryDir> FDragFolder;
    int FVisW = 0;
    int FVisH = 0;
    int FScreenW = 0;
    int FScreenH = 0;
    int FHBarSize = 0;
    int FVBarSize = 0;
    int FRecomputeDepth = 0;
    bool FSyncingBars = false;

    bool FPanOnly = false;
    bool FSlideShow = false;
    bool FPointPick = false;
    std::optional<QPoint> FCrosshair;
    bool FColorPick = false;
    std::optional<TDibImage> FColorPickImage;  ///< the 8-bit form made when the pick starts

    bool FSelecting = false;
    bool FDragging = false;
    TPoint FDragOffset;
    bool FOverSelection = false;
    bool FPanning = false;
    TPoint FPanLast;
    bool FHideCursor = false;
    bool FTextDragging = false;
    TPoint FTextDragOffset;  ///< text position minus the picture point where the drag began
};

}  // namespace zelvo
