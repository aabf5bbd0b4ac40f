// Edit ▸ Capture: the whole desktop, the active window, or its client
// area, with the main window out of the way while the screen is read.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
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

/// One capture command. The picture is read first; only a capture that
/// delivered pixels takes the undo snapshot (with a picture open) and
/// replaces the picture, so a vanished window changes nothing. The main
/// window comes back on every path.
void Capture(TZVfrmMain& form, bool activeWindow, bool clientArea) {
    if (form.ToolMode()) return;
    const TXWindow own = TXWindow(form.winId());
    TScopeExit showAgain([&form] {
        form.show();
        form.raise();
        form.activateWindow();
    });
    form.hide();
    QApplication::processEvents();
    if (activeWindow) TWinShot::ActivateNextWindow(own);
    Pause(form.Options.FCaptureWait);

    TWinShot shot;
    shot.ActiveWindow = activeWindow;
    shot.ClientArea = clientArea;
    shot.IncludeMouseCursor = false;
    const std::optional<TDibImage> picture = shot.Capture(own);
    if (!picture) return;
    try {
        form.FLastOperation = "キャプチャ";
        if (form.QxImage1().TakeCapture(*picture)) form.PushHistory();
    } catch (const std::exception& error) {
        form.ShowError(error);
    }
    form.UpdateCommandState();
}

void InstallCaptureCommands(TZVfrmMain& form) {
    QString why;
    if (!ScreenReadable(&why)) {
        // Reading the screen is not possible here: the commands stay off,
        // and their hint says why.
        for (QAction* a : {form.Actions.mnuCapture, form.Actions.mnuCaptureDesktop, form.Actions.mnuCaptureActiveWindow,
                           form.Actions.mnuCaptureClientArea}) {
            SetCommandWired(a, false);
            a->setEnabled(false);
            a->setStatusTip(why);
            a->setToolTip(why);
        }
        return;
    }
    QObject::connect(form.Actions.mnuCaptureDesktop, &QAction::triggered, &form, [&form] { Capture(form, false, false); });
    QObject::connect(form.Actions.mnuCaptureActiveWindow, &QAction::triggered, &form,
                     [&form] { Capture(form, true, false); });
    QObject::connect(form.Actions.mnuCaptureClientArea, &QAction::triggered, &form,
                     [&form] { Capture(form, true, true); });
}

}  // namespace zelvo
