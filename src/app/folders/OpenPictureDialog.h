#pragma once
// The picture-open dialog: every place that lets the user pick a picture
// to open (File > Open, the merge source, ...) goes through here.
//
// TQxOpenPictureDialog is Qt's own (non-native) file dialog with a panel
// below its controls: a box showing the selected picture fitted and
// centred on the view's background colour, three lines of information
// (size and depth, file size, last modification time) and the check box
// that switches the preview on and off. The preview decodes only once the
// selection has rested for a moment, only regular files, and JPEG files at
// a reduced scale, on a thread of its own (PreviewDecoder.h): the dialog
// goes on answering while a large picture decodes, and a newer selection
// cancels the older decode.

#include <QDateTime>
#include <QFileDialog>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

#include "image/Types.h"

class QCheckBox;
class QFrame;
class QLabel;

namespace zelvo {

class TEditorContext;
class TPreviewDecoder;
struct TPreviewResult;

/// Where a picture of `width` x `height` pixels is drawn in a box of
/// `boxWidth` x `boxHeight`: unscaled and centred ((box - picture) / 2,
/// truncated) when it fits; otherwise scaled to fit keeping its aspect
/// ratio, taking the whole width or the whole height of the box, whichever
/// the picture reaches first, centred on the other axis, at least 1 pixel
/// a side. Computed in 64 bits, so any picture size is safe. An empty
/// rectangle for a picture or box without pixels.
TRect PreviewFitRect(int width, int height, int boxWidth, int boxHeight);

/// The preview's name of a colour depth: "1 bpp", "4 bpp", "8 bpp",
/// "15 bpp", "16 bpp", "24 bpp", "32 bpp"; empty for any other bit count.
QString PreviewDepthName(int bitCount);

/// A file size as the preview shows it: the number with thousands
/// separators, then " bytes" ("1,234,567 bytes").
QString PreviewFileSizeText(std::int64_t bytes);

/// The paint box of the preview: fills itself with its colour and, with a
/// picture, draws it where PreviewFitRect puts a picture of the file's
/// size (the held image may be a reduced decode of it).
class TPreviewPaintBox : public QWidget {
public:
    explicit TPreviewPaintBox(QWidget* parent);

    void SetColor(TColor color);
    /// Shows `image`, a picture of `width` x `height` pixels in its file.
    void SetPicture(const QImage& image, int width, int height);
    void ClearPicture();
    bool HasPicture() const { return !FImage.isNull(); }
    /// The rectangle the picture is drawn into (empty without one).
    TRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor FColor = clTeal;
    QImage FImage;
    int FWidth = 0;
    int FHeight = 0;
};

class TQxOpenPictureDialog : public QFileDialog {
public:
    /// Time the selection must rest before the preview decodes it.
    static constexpr int kRestMilliseconds = 150;

    explicit TQxOpenPictureDialog(QWidget* parent = nullptr);
    ~TQxOpenPictureDialog() override;

    /// Whether the preview is shown; setting it also sets the check box.
    /// Turning it off clears the labels and the picture; turning it on
    /// previews the current selection again.
    bool EnablePreview() const { return FEnablePreview; }
    void SetEnablePreview(bool enable);
    /// The background of the preview box.
    TColor PreviewBaseColor() const { return FPreviewBaseColor; }
    void SetPreviewBaseColor(TColor color);
    /// GIF mode gates the GIF and PhotoCD readers as for the document.
    void SetGifMode(bool gifMode) { FGifMode = gifMode; }

    /// Shows the dialog modally; true when a file was chosen.
    bool Execute();

    /// The selection-change notification: remembers `path` and previews it
    /// once no further change came for kRestMilliseconds.
    void SelectionChanged(const QString& path);
    /// Previews the remembered selection now: a regular file starts its
    /// decode on the preview's thread, and once decoded a file the picture
    /// formats can read shows its picture and the three lines; anything
    /// else (a folder, an unreadable or unknown file) clears them. A decode
    /// still running after kRestMilliseconds clears the picture and shows
    /// the file's size and time meanwhile.
    void UpdatePreview();
    /// How many decodes the preview has started so far.
    int PreviewDecodes() const { return FPreviewDecodes; }
    /// Whether a decode is under way whose result the preview will show.
    bool PreviewPending() const { return FPending; }

    QFrame* PicturePanel = nullptr;
    QLabel* PictureLabel1 = nullptr;
    QLabel* PictureLabel2 = nullptr;
    QLabel* PictureLabel3 = nullptr;
    QCheckBox* PreviewCheckBox = nullptr;
    QFrame* PaintPanel = nullptr;
    TPreviewPaintBox* PaintBox = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ClearPreview();
    /// Drops the decode under way: its result will not be shown.
    void CancelDecode();
    /// Shows a decoded result of the newest request.
    void ShowDecoded(const TPreviewResult& result);
    /// The file size and time lines of the file being decoded.
    void ShowFileLines();
    /// Sizes the three labels and the check box for their texts in the
    /// dialog's font (never below the classic 400 x 20, 24 apart) and the
    /// panel around them.
    void FitPictureLabels();

    bool FEnablePreview = true;
    TColor FPreviewBaseColor = clTeal;
    bool FGifMode = false;
    QString FCurrentPath;
    QTimer FRestTimer;
    QTimer FSlowTimer;
    int FPreviewDecodes = 0;
    std::unique_ptr<TPreviewDecoder> FDecoder;
    /// The newest request's number, and what the lines show of its file.
    int FRequest = 0;
    bool FPending = false;
    std::int64_t FFileSize = 0;
    QDateTime FModified;
};

/// Shows the open dialog over `form` in its last folder with the open
/// filter of the format table and the window's preview setting and
/// background colour; returns the chosen file, or an empty string when the
/// user cancelled. The preview switch goes back into the window's options
/// either way. `caption` replaces the dialog's title when set.
QString RunOpenPictureDialog(TEditorContext& form, const QString& caption = {});

}  // namespace zelvo
