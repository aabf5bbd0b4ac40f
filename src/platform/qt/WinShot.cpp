#include "platform/qt/WinShot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Bitmap.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

namespace {

/// The first window from `start` downwards that is shown, passing `skip`.
TXWindow FirstShownFrom(const std::vector<TXWindow>& topDown, TXWindow start, TXWindow skip) {
    auto at = std::find(topDown.begin(), topDown.end(), start);
    if (at == topDown.end()) at = topDown.begin();
    for (; at != topDown.end(); ++at)
        if (*at != skip && X11WindowShown(*at)) return *at;
    return 0;
}

/// Draws the current cursor image at its screen position into `image`,
/// whose top-left corner is `origin` on the screen.
void DrawCursor(QImage& image, QPoint origin) {
    xcb_connection_t* c = X11Connection();
    if (!c) return;
    // The extension must be told which version we speak before any request.
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
    xcb_xfixes_get_cursor_image_reply_t* cursor =
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr);
    if (!cursor) return;
    // Premultiplied ARGB, one 32-bit value per pixel.
    const QImage shape(reinterpret_cast<const uchar*>(xcb_xfixes_get_cursor_image_cursor_image(cursor)), cursor->width,
                       cursor->height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.drawImage(QPoint(cursor->x - cursor->xhot, cursor->y - cursor->yhot) - origin, shape);
    painter.end();
    std::free(cursor);
}

}  // namespace

TXWindow TWinShot::Target(TXWindow skip) const {
    if (!ScreenReadable()) return 0;
    if (!ActiveWindow) return X11Root();
    const TXWindow active = X11ActiveWindow();
    if (active && active != skip && X11WindowShown(active)) return active;
    return FirstShownFrom(X11StackingTopDown(), active, skip);
}

QRect TWinShot::SourceRect(TXWindow target) const {
    const QRect desktop = X11DesktopRect();
    if (!target) return {};
    if (!ActiveWindow || target == X11Root()) return desktop;
    const std::optional<QRect> rect = ClientArea ? X11ClientRect(target) : X11WindowRect(target);
    // Parts left of or above the screen are cut off, and so are parts past
    // its right and bottom edges.
    return rect ? rect->intersected(desktop) : QRect();
}

std::optional<TDibImage> TWinShot::Capture(TXWindow skip) const {
    const QRect source = SourceRect(Target(skip));
    if (source.isEmpty()) return std::nullopt;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    // Window 0 is the root window; the coordinates are the screen's own.
    const QPoint origin = screen->geometry().topLeft();
    const QPixmap shot = screen->grabWindow(0, source.x() - origin.x(), source.y() - origin.y(), source.width(),
                                            source.height());
    if (shot.isNull() || shot.width() != source.width() || shot.height() != source.height()) return std::nullopt;
    QImage image = shot.toImage().convertToFormat(QImage::Format_RGB888);
    if (IncludeMouseCursor) DrawCursor(image, source.topLeft());
    TBitmap bitmap;
    AssignQImage(bitmap, image);
    if (bitmap.Empty()) return std::nullopt;
    return bitmap.ToDibImage();
}

void TWinShot::ActivateNextWindow(TXWindow own) {
    if (!ScreenReadable()) return;
    const std::vector<TXWindow> topDown = X11StackingTopDown();
    const TXWindow next = FirstShownFrom(topDown, own, own);
    if (next) X11RequestActivate(next);
}

}  // namespace zelvo
