// The main window's wiring of the commands whose work lives in the folder,
// thumbnail and device rooms; those rooms see the window only as the
// editor context.

#include <QAction>

#include "app/devices/portal/DesktopPortal.h"
#include "app/devices/DeviceCommands.h"
#include "app/devices/DibPrinter.h"
#include "app/folders/ZVfrmConvert.h"
#include "app/thumbnails/ZVfrmThumbNail.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "platform/qt/WinShot.h"

namespace zelvo {

void InstallBatchConvertCommand(TZVfrmMain& form) {
    QObject::connect(form.Actions.mnuBatchConvert, &QAction::triggered, &form, [&form] { RunBatchConvertDialog(form); });
}

void InstallThumbnailCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    QObject::connect(form.Actions.mnuThumbNail, &QAction::triggered, f, [f] {
        // Off while the browser is being made, so it is not asked for twice.
        struct TBack {
            QAction* Command;
            ~TBack() { SetCommandEnabled(Command, true); }
        } back{f->Actions.mnuThumbNail};
        SetCommandEnabled(back.Command, false);
        ShowThumbnailBrowser(*f);
    });
}

void InstallWallpaperCommands(TZVfrmMain& form) {
    QObject::connect(form.Actions.mnuWallPaperCenter, &QAction::triggered, &form, [&form] { SetWallpaper(form, false); });
    QObject::connect(form.Actions.mnuWallPaperTile, &QAction::triggered, &form, [&form] { SetWallpaper(form, true); });
    QObject::connect(form.Actions.mnuClearWallpaper, &QAction::triggered, &form, [] { ClearWallpaper(); });
}

void InstallPrintCommands(TZVfrmMain& form) {
    QObject::connect(form.Actions.mnuSetPrinter, &QAction::triggered, &form, [&form] { Printer().Setup(&form); });
    QObject::connect(form.Actions.mnuPrint, &QAction::triggered, &form, [&form] { PrintImage(form, Printer()); });
}

void InstallScannerCommands(TZVfrmMain& form) {
    QObject::connect(form.Actions.TWAIN1, &QAction::triggered, &form, [&form] { SelectScanSource(form); });
    QObject::connect(form.Actions.mnuAcquire, &QAction::triggered, &form, [&form] { Acquire(form); });
}

void InstallCaptureCommands(TZVfrmMain& form) {
    QString why;
    const bool readable = ScreenReadable(&why);
    if (!readable && WaylandSession() && TDesktopPortal::Offers(QStringLiteral("org.freedesktop.portal.Screenshot"))) {
        // Wayland: the desktop portal takes the picture; for a window the
        // desktop lets the user point at it.
        const auto wire = [&form](QAction* TMainActions::*command, bool interactive) {
            QObject::connect(form.Actions.*command, &QAction::triggered, &form, [&form, command, interactive] {
                PortalCapture(form, interactive, UndoCaption(command));
            });
        };
        wire(&TMainActions::mnuCaptureDesktop, false);
        wire(&TMainActions::mnuCaptureActiveWindow, true);
        wire(&TMainActions::mnuCaptureClientArea, true);
        return;
    }
    if (!readable) {
        // Reading the screen is not possible here: the commands stay off,
        // and their hint says why.
        for (QAction* a : {form.Actions.mnuCapture, form.Actions.mnuCaptureDesktop, form.Actions.mnuCaptureActiveWindow,
                           form.Actions.mnuCaptureClientArea}) {
            SetCommandUnavailable(form, a);
            a->setStatusTip(why);
            a->setToolTip(why);
        }
        return;
    }
    const auto wire = [&form](QAction* TMainActions::*command, bool activeWindow, bool clientArea) {
        QObject::connect(form.Actions.*command, &QAction::triggered, &form, [&form, command, activeWindow, clientArea] {
            Capture(form, activeWindow, clientArea, UndoCaption(command));
        });
    };
    wire(&TMainActions::mnuCaptureDesktop, false, false);
    wire(&TMainActions::mnuCaptureActiveWindow, true, false);
    wire(&TMainActions::mnuCaptureClientArea, true, true);
}

}  // namespace zelvo
