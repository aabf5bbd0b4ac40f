// Edit ▸ Capture: the whole desktop, the active window, or its client
// area, with the main window out of the way while the screen is read.

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include "app/common/EditorContext.h"
#include "app/devices/DeviceCommands.h"
#include "document/QxImage.h"
#include "image/ScopeExit.h"
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
    try {
        if (context.QxImage1().TakeCapture(*picture)) context.PushHistory(undoCaption);
    } catch (const std::exception& error) {
        context.ShowError(error);
    }
    context.UpdateCommandState();
}

}  // namespace zelvo
