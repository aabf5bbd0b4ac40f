#include "app/devices/DibPrinter.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

#include "app/devices/DeviceHooks.h"
#include "image/ScopeExit.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

TPrintSize PrintSize(int width, int height, int printerDpi, int screenPpi, int pageWidth, int pageHeight) {
    // A whole-number scale as the screen-to-printer factor; a printer
    // coarser than the screen still prints at one dot a pixel.
    const int scale = std::max(1, screenPpi > 0 ? printerDpi / screenPpi : 1);
    TPrintSize size{width * scale, height * scale};
    if (width <= 0 || height <= 0) return size;
    if (pageWidth < size.Width || size.Height > pageHeight) {
        if (double(pageHeight) / pageWidth > double(height) / width) {
            size.Width = pageWidth;
            size.Height = int(std::lround(double(pageWidth) / width * height));
        } else {
            size.Height = pageHeight;
            size.Width = int(std::lround(double(pageHeight) / height * width));
        }
    }
    return size;
}

TDibPrinter::TDibPrinter() : FPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TDibPrinter::TDibPrinter(const QString& pdfFile) : FPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)), FPdf(true) {
    FPrinter->setOutputFormat(QPrinter::PdfFormat);
    FPrinter->setOutputFileName(pdfFile);
}

TDibPrinter::~TDibPrinter() {
    if (FCanvas && FCanvas->isActive()) FCanvas->end();
}

QPrinter& TDibPrinter::Printer() { return *FPrinter; }

bool TDibPrinter::Exists() const {
    // Without a system printer Qt falls back to PDF output with no file:
    // that is no printer for the program.
    return FPdf || !QPrinterInfo::availablePrinterNames().isEmpty();
}

void TDibPrinter::Check() const {
    if (!Exists()) throw EPrinterError("No Printer");
}

int TDibPrinter::PageWidth() const {
    Check();
    return int(FPrinter->pageRect(QPrinter::DevicePixel).width());
}

int TDibPrinter::PageHeight() const {
    Check();
    return int(FPrinter->pageRect(QPrinter::DevicePixel).height());
}

int TDibPrinter::XDpi() const {
    Check();
    return FPrinter->logicalDpiX();
}

int TDibPrinter::YDpi() const {
    Check();
    return FPrinter->logicalDpiY();
}

void TDibPrinter::BeginDoc(const QString& title) {
    Check();
    FPrinter->setDocName(title);
    FCanvas = std::make_unique<QPainter>();
    if (!FCanvas->begin(FPrinter.get())) {
        FCanvas.reset();
        throw EPrinterError("Printing failed: No Printer", "QPainter::begin on the printer failed");
    }
}

QPainter& TDibPrinter::Canvas() {
    if (!FCanvas) throw EPrinterError("Printing not in progress");
    return *FCanvas;
}

void TDibPrinter::EndDoc() {
    if (FCanvas) FCanvas->end();
    FCanvas.reset();
}

bool TDibPrinter::Setup(QWidget* parent) {
    QPrintDialog dialog(FPrinter.get(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return DeviceHooks().RunPrinterDialog(dialog) == QDialog::Accepted;
}

TDibPrinter& Printer() {
    static TDibPrinter printer;
    return printer;
}

TPrintSize PrintPicture(TDibPrinter& printer, const TBitmap& picture, const QString& title, int screenPpi) {
    const TPrintSize size = PrintSize(picture.Width(), picture.Height(), printer.YDpi(), screenPpi,
                                      printer.PageWidth(), printer.PageHeight());
    const QImage image = ToQImage(picture);
    printer.BeginDoc(title);
    TScopeExit endDoc([&printer] { printer.EndDoc(); });
    // Printer coordinates start at the printable area's top-left.
    QPainter& canvas = printer.Canvas();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.drawImage(QRect(0, 0, size.Width, size.Height), image);
    return size;
}

}  // namespace zelvo
