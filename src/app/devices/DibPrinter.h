#pragma once
// TDibPrinter: the program's printer over Qt Print Support. It wraps one
// QPrinter (the system's default printer, or a PDF file for tests) and
// offers what printing a picture needs: the printable area in device
// pixels, the device resolution, a document with a title, and its canvas.
// Every query checks first that a printer exists and otherwise throws
// EPrinterError "No Printer".

#include <QString>

#include <memory>

#include "image/Exceptions.h"
#include "platform/Bitmap.h"

class QPainter;
class QPrinter;
class QWidget;

namespace zelvo {

/// A printer failure; what() ends in "No Printer" when there is none.
ZELVO_EXCEPTION(EPrinterError, Exception);

/// Target rectangle of a picture on the page, in device pixels from the
/// printable area's top-left corner.
struct TPrintSize {
    int Width = 0;
    int Height = 0;
};

/// Where a w x h picture goes: s = printer dpi / screen ppi (whole number,
/// at least 1 so a coarse printer never gets a blank page), target
/// (w s, h s); shrunk to the page keeping the aspect ratio when it is wider
/// or taller than the printable area.
TPrintSize PrintSize(int width, int height, int printerDpi, int screenPpi, int pageWidth, int pageHeight);

class TDibPrinter {
public:
    /// The system's default printer.
    TDibPrinter();
    /// A printer writing PDF to `pdfFile` (tests, and printing to a file).
    explicit TDibPrinter(const QString& pdfFile);
    ~TDibPrinter();

    /// The wrapped printer, for the set-up dialog and tests.
    QPrinter& Printer();
    /// Whether a printer exists (always for PDF output).
    bool Exists() const;

    /// Printable area in device pixels.
    int PageWidth() const;
    int PageHeight() const;
    /// Device resolution in dots per inch.
    int XDpi() const;
    int YDpi() const;

    /// Starts a document named `title` (the print job's name); the canvas
    /// draws on its first page.
    void BeginDoc(const QString& title);
    QPainter& Canvas();
    /// Ends the document (also after a drawing failure).
    void EndDoc();

    /// Runs the printer set-up dialog (Qt's print dialog in set-up mode)
    /// through DeviceHooks; true after OK.
    bool Setup(QWidget* parent);

private:
    void Check() const;

    std::unique_ptr<QPrinter> FPrinter;
    std::unique_ptr<QPainter> FCanvas;
    bool FPdf = false;
};

/// The program's one printer, created on first use.
TDibPrinter& Printer();

/// Prints `picture` on one page of `printer` as the program does: its size
/// on the screen (`screenPpi`), shrunk to the page when too large, at the
/// top-left of the printable area; the document named `title`. Throws
/// EPrinterError without a printer. Returns the target size.
TPrintSize PrintPicture(TDibPrinter& printer, const TBitmap& picture, const QString& title, int screenPpi);

}  // namespace zelvo
