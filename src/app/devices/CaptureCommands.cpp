// Edit ▸ Capture: the whole desktop, the active window, or its client
// area, with the main window out of the way while the screen is read.

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include "app/common/EditorContext.h"
#include "app/devices/portal/DesktopPortal.h"
#include "app/devices/DeviceCommands.h"
#include "document/QxImage.h"
#include "image/ScopeExit.h"
#include "platform/Bitmap.h"
#include "platform/qt/QImageBridge.h"
#include "platform/qt/WinShot.h"

namespace zelvo {

namespace {

/// Lets other programs repaint what the hidden window uncovered.
void Pause(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (timer.elapsed() < milliseconds);
}

/// How long the portal may take for the whole screen, and for a capture
/// in which the user chooses.
constexpr int kPortalTimeoutMs = 30000;
constexpr int kInteractivePortalTimeoutMs = 600000;

/// Puts a captured picture into the document as one undo step.
void TakePicture(TEditorContext& context, const TDibImage& picture, const std::string& undoCaption) {
    try {
        if (context.QxImage1().TakeCapture(picture)) context.PushHistory(undoCaption);
    } catch (const std::exception& error) {
        context.ShowError(error);
    }
    context.UpdateCommandState();
}

}  // namespace

void Capture(TEditorContext& context, bool activeWindow, bool clientArea, const std::string& undoCaption) {
    if (context.ToolMode()) return;
    QWidget& form = context.Window();
    const TXWindow own = TXWindow(form.winId());
    TScopeExit showAgain([&form] {
        form.show();
        form.raise();
        form.activateWindow();
    });
    form.hide();
    QApplication::processEvents();
    if (activeWindow) TWinShot::ActivateNextWindow(own);
    Pause(context.Options.FCaptureWait);

    TWinShot shot;
    shot.ActiveWindow = activeWindow;
    shot.ClientArea = clientArea;
    shot.IncludeMouseCursor = false;
    const std::optional<TDibImage> picture = shot.Capture(own);
    if (!picture) return;
    TakePicture(context, *picture, undoCaption);
}

void PortalCapture(TEditorContext& context, bool interactive, const std::string& undoCaption) {
    if (context.ToolMode()) return;
    QImage shot;
    TPortalResult result = TPortalResult::Failed;
    {
        QWidget& form = context.Window();
        TScopeExit showAgain([&form, interactive] {
            if (interactive) return;
            form.show();
            form.raise();
            form.activateWindow();
        });
        // The whole screen is taken without the editor on it; when the user
        // chooses, the desktop's dialog comes up over the window.
        if (!interactive) {
            form.hide();
            QApplication::processEvents();
            Pause(context.Options.FCaptureWait);
        }
        result = TDesktopPortal::Screenshot(interactive, shot, interactive ? kInteractivePortalTimeoutMs : kPortalTimeoutMs);
    }
    if (result != TPortalResult::Done) return;
    TBitmap bitmap;
    AssignQImage(bitmap, shot.convertToFormat(QImage::Format_RGB32));
    TakePicture(context, bitmap.ToDibImage(), undoCaption);
}

}  // namespace zelvo
