#pragma once
// TClipboard: the system clipboard as the program uses it, over QClipboard.
//
// Our pictures go on the clipboard twice: as the packed DIB of the picture
// (header, colour table, pixels, exactly as TDibImage writes it, so 1-, 4-
// and 8-bit pictures, their colour tables and RLE data come back unchanged)
// under a private MIME type, and as a plain image that other programs can
// paste. Reading prefers our DIB, then DIB bytes offered as "image/bmp",
// then any other image the clipboard offers.
//
// Without a running QGuiApplication (zelvo-cli) there is no clipboard: it
// holds nothing and writing to it does nothing.

#include <QImage>
#include <QObject>

#include "image/DibImage.h"

namespace zelvo {

/// The MIME type of our packed DIB.
inline constexpr const char* kDibMimeType = "application/x-zelvo-dib";
/// The MIME type under which other programs may offer BMP data.
inline constexpr const char* kBmpMimeType = "image/bmp";

class TClipboard : public QObject {
    Q_OBJECT

public:
    /// A watcher: Changed follows every change of the system clipboard
    /// (the main window enables paste, merge-paste and clearing from it).
    explicit TClipboard(QObject* parent = nullptr);

    /// Whether the system clipboard can be reached (a QGuiApplication runs).
    static bool Available();
    /// Whether the clipboard holds a picture: our DIB, BMP data or any
    /// image another program put there.
    static bool HasBitmap();
    /// Whether the clipboard holds DIB data (ours or "image/bmp").
    static bool HasDib();
    /// Replaces the clipboard's contents with `image`: its packed DIB under
    /// kDibMimeType and the picture as a plain image. Returns false, doing
    /// nothing, when there is no clipboard. Throws what
    /// TDibImage::SaveToClipboardFormat throws.
    static bool PutDib(const TDibImage& image);
    /// Reads DIB data into `image`: our packed DIB first, then "image/bmp"
    /// bytes (a BMP file, or a packed DIB without the file header). Returns
    /// false, leaving `image` as it was, when neither is offered. Throws the
    /// BMP reader's exceptions for bad data.
    static bool GetDib(TDibImage& image);
    /// Any image the clipboard offers, drawn over black as a 24-bit picture
    /// of its size (Format_RGB888); a null image when none is offered.
    /// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
    /// Parameters" for an image above the pixel limit.
    static QImage GetImage();
    /// Empties the clipboard.
    static void Clear();

signals:
    /// The clipboard's contents changed (in this or another program).
    void Changed();
};

}  // namespace zelvo
