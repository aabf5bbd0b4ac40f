#pragma once
// Helpers for the view tests: one offscreen application, pictures with
// known pixels, synthetic mouse events and a painted copy of the view.

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>

#include "document/QxImage.h"
#include "view/QxImageView.h"
#include "platform/Bitmap.h"
#include "TestSupport.h"

namespace zelvo::test {

/// The application all view tests share (offscreen unless a platform is
/// set). Made on first use and destroyed when the test run ends, before
/// Qt's own globals go.
QApplication& App();

/// A 24-bit picture whose pixel (x, y) is RGB(x mod 256, y mod 256, 0x40).
inline TBitmap GradientBitmap(int width, int height) {
    TBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = 0x40;             // blue
            row[3 * x + 1] = std::uint8_t(y);  // green
            row[3 * x + 2] = std::uint8_t(x);  // red
        }
    }
    return bitmap;
}

/// The colour GradientBitmap has at (x, y), as QImage shows it.
inline QRgb GradientRgb(int x, int y) { return qRgb(x & 0xFF, y & 0xFF, 0x40); }

/// Sends one mouse event to the view's viewport.
inline void SendMouse(TQxImageView& view, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = view.viewport();
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, buttons, modifiers);
    QCoreApplication::sendEvent(target, &event);
}

/// A left-button drag: move to `from`, press, move to `to`, release.
inline void DragLeft(TQxImageView& view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    SendMouse(view, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton, modifiers);
    SendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
    SendMouse(view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
    SendMouse(view, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
}

/// The whole viewport as the view paints it.
inline QImage Painted(const TQxImageView& view) {
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    view.PaintArea(image, QRect(QPoint(0, 0), view.viewport()->size()));
    return image;
}

/// A document with a picture and a shown view of the given client size.
struct TViewFixture {
    bool appReady = (App(), true);  // before any widget
    TQxImage doc;
    TQxImageView view{doc};
    TViewFixture(const TBitmap& picture, int width, int height) {
        doc.SetBitmap(picture);
        view.resize(width, height);
        view.show();
        view.Recompute();
    }
};

inline QRgb Inverted(QRgb c) { return c ^ 0x00FFFFFFu; }

}  // namespace zelvo::test
