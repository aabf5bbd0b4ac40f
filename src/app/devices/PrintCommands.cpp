// File ▸ Printer set-up and Print.

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

#include "app/devices/DibPrinter.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

/// The screen's pixels per inch as the print scale uses it.
int ScreenPixelsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInchY())) : 96;
}

/// Prints the picture on `printer`; every failure, a missing printer
/// included, ends the command without a message.
void PrintImage(TZVfrmMain& form, TDibPrinter& printer) {
    if (form.ImageEmpty()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        PrintPicture(printer, form.QxImage1().Bitmap(), form.windowTitle(), ScreenPixelsPerInch());
    } catch (const std::exception&) {
        // Printing errors are not reported.
    }
    QGuiApplication::restoreOverrideCursor();
}

void InstallPrintCommands(TZVfrmMain& form) {
    QObject::connect(form.Actions.mnuSetPrinter, &QAction::triggered, &form, [&form] { Printer().Setup(&form); });
    QObject::connect(form.Actions.mnuPrint, &QAction::triggered, &form, [&form] { PrintImage(form, Printer()); });
}

}  // namespace zelvo
