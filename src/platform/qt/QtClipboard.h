#pragma once
// TQtClipboard: the system clipboard over QClipboard, as the editor installs
// it for the document (see platform/Clipboard.h).
//
// Our pictures go on the clipboard twice: as the packed DIB under a private
// MIME type, and as a plain image that other programs can paste. Reading
// prefers our DIB, then DIB bytes offered as "image/bmp", then any other
// image the clipboard offers. Files copied in a file manager arrive as
// "text/uri-list" (or GNOME's "x-special/gnome-copied-files": "copy" or
// "cut", then one URL a line); their local paths are GetFiles.
//
// Without a running QGuiApplication there is no system clipboard: it holds
// nothing and writing to it does nothing.

#include <QImage>
#include <QObject>
#include <QStringList>

#include <filesystem>
#include <vector>

#include "image/DibImage.h"
#include "platform/Clipboard.h"

class QMimeData;

namespace zelvo {

/// The MIME type of our packed DIB.
inline constexpr const char* kDibMimeType = "application/x-zelvo-dib";
/// The MIME type under which other programs may offer BMP data.
inline constexpr const char* kBmpMimeType = "image/bmp";

/// The MIME type of GNOME's copied files: "copy" or "cut", then one URL a
/// line.
inline constexpr const char* kGnomeCopiedFilesMimeType = "x-special/gnome-copied-files";

/// The local file paths of a clipboard's or a drop's data, in order: the
/// file URLs of "text/uri-list", or when there are none those of
/// kGnomeCopiedFilesMimeType. URLs of other schemes are left out.
QStringList MimeLocalFiles(const QMimeData& data);

class TQtClipboard : public QObject, public TClipboard {
    Q_OBJECT

public:
    /// A watcher: Changed follows every change of the system clipboard
    /// (the main window enables paste, merge-paste and clearing from it).
    explicit TQtClipboard(QObject* parent = nullptr);
    /// Uninstalls the clipboard when it is the one installed.
    ~TQtClipboard() override;

    /// Whether the system clipboard can be reached (a QGuiApplication runs).
    static bool Available();

    /// Our DIB, BMP data or any image another program put there.
    bool HasBitmap() const override;
    /// Our DIB or "image/bmp" data.
    bool HasDib() const override;
    /// Puts the packed DIB under kDibMimeType and the picture as a plain
    /// image (RLE data decoded for it).
    bool PutDib(const TDibImage& image) override;
    /// Our packed DIB first, then "image/bmp" bytes (a BMP file, or a
    /// packed DIB without the file header).
    bool GetDib(TDibImage& image) const override;
    /// GetImage as a 24-bit picture.
    bool GetPicture(TDibImage& picture) const override;
    /// MimeLocalFiles of the clipboard's contents.
    std::vector<std::filesystem::path> GetFiles() const override;
    void Clear() override;

    /// Any image the clipboard offers, drawn over black as a 24-bit picture
    /// of its size (Format_RGB888); a null image when none is offered.
    /// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
    /// Parameters" for an image above the pixel limit.
    QImage GetImage() const;

signals:
    /// The clipboard's contents changed (in this or another program).
    void Changed();
};

}  // namespace zelvo
