#pragma once
// TSecondPictureInput: the part the merge and combine dialogs share, where
// the user names the second picture: a caption, the file name field Edit1
// with its "..." button (the picture-open dialog) and the check box that
// takes the picture from the clipboard instead; files dropped on the dialog
// put the first dropped name into Edit1. OK is enabled only while a name is
// given or the clipboard is chosen. Load reads the picture into the
// dialog's hidden document, reporting a failure with the stop icon.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zelvo {

class TQxImage;
class TEditorContext;

/// The failure messages of reading the second picture.
inline constexpr const char* kSecondPictureFileError = QT_TRANSLATE_NOOP("SecondPicture", "合成イメージを読み込めません。");
inline constexpr const char* kSecondPictureClipboardError = QT_TRANSLATE_NOOP("SecondPicture", "クリップボードから合成イメージを読み込めません。");

class TSecondPictureInput : public QObject {
public:
    /// Places the controls at the top of `dialog` (8 pixels in, the field
    /// 330 wide): `caption` above the file name, the check box below it.
    /// `ok` is the dialog's OK button, enabled from here.
    TSecondPictureInput(QDialog& dialog, TEditorContext& form, const char* caption, QPushButton* ok);

    QLabel* Label1 = nullptr;  ///< the caller's caption ("合成する画像ファイル：", "連結する画像ファイル：")
    QLineEdit* Edit1 = nullptr;  ///< the second picture's file name
    QToolButton* SpeedButton1 = nullptr;  ///< "..."
    QCheckBox* CheckBox1 = nullptr;       ///< "クリップボードから入力(&C)"

    /// "...": the picture-open dialog (ChooseFile); a chosen name goes into
    /// Edit1.
    void BrowseClick();
    /// Files dropped on the dialog: the first name goes into Edit1.
    void FilesDropped(const QStringList& files);
    /// Reads the second picture into `target`: from the clipboard when the
    /// box is checked, else from the file in Edit1 through the format
    /// dispatch (with the main window's GIF mode). On failure shows the
    /// matching message (ShowStop) and returns false.
    bool Load(TQxImage& target);
    /// Re-applies the enabling: Edit1 and "..." only without the clipboard,
    /// OK with the clipboard or a file name.
    void UpdateEnabled();

    /// The picture-open dialog; RunOpenPictureDialog unless replaced.
    std::function<QString()> ChooseFile;
    /// A message with the stop icon; QMessageBox unless replaced (tests).
    std::function<void(const QString& text)> ShowStop;

private:
    TEditorContext& FForm;
    QPushButton* FOk;
};

}  // namespace zelvo
