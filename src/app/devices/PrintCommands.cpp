// File ▸ Printer set-up and Print.

#include <QWidget>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

#include "app/devices/DibPrinter.h"
#include "app/common/EditorContext.h"
#include "app/devices/DeviceCommands.h"
#include "document/QxImage.h"

namespace zelvo {

int ScreenPixelsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInchY())) : 96;
}

void PrintImage(TEditorContext& form, TDibPrinter& printer) {
    if (form.ImageEmpty()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        PrintPicture(printer, form.QxImage1().Bitmap(), form.Window().windowTitle(), ScreenPixelsPerInch());
    } catch (const std::exception&) {
        // Printing errors are not reported.
    }
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace zelvo
