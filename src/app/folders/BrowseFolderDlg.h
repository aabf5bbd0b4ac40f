#pragma once
// TQxBrowseFolderDlg: the folder chooser "フォルダの参照". A modal dialog
// with one or two lines of text over a tree of folders (files are not
// shown), a status line with the selected folder, and the buttons "OK" and
// "キャンセル". Batch conversion, the slide show and the
// thumbnail browser pick their folders with it.
//
//     TQxBrowseFolderDlg dialog(this);
//     dialog.SetFolder(Edit1->text());   // preset only when it exists
//     if (dialog.Execute()) Edit1->setText(dialog.Folder());

#include <QCoreApplication>
#include <QDialog>
#include <QString>

#include <functional>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

namespace zelvo {

class TQxBrowseFolderDlg : public QDialog {
    Q_OBJECT

public:
    /// The default caption and text.
    static QString DefaultCaption() { return QCoreApplication::translate("BrowseFolderDlg", "フォルダの参照"); }
    static QString DefaultText() { return QCoreApplication::translate("BrowseFolderDlg", "フォルダを選択してください。"); }

    explicit TQxBrowseFolderDlg(QWidget* parent = nullptr);
    ~TQxBrowseFolderDlg() override;

    /// The window title; "フォルダの参照" until changed.
    void SetCaption(const QString& caption);
    QString Caption() const;
    /// The line above the tree; "フォルダを選択してください。" until changed.
    void SetText(const QString& text);
    QString Text() const;
    /// A second line under the first; none while empty.
    void SetTextLine2(const QString& text);
    QString TextLine2() const { return FTextLine2; }
    /// Whether the status line under the tree shows the selected folder
    /// (on until changed).
    void SetShowSelectDir(bool show);
    bool ShowSelectDir() const { return FShowSelectDir; }

    /// Presets the chosen folder: `folder` without a trailing separator
    /// ("/" or "\"), taken only when it names an existing folder. Returns
    /// whether it was taken (otherwise the choice stays as it was).
    bool SetFolder(const QString& folder);
    /// The chosen folder as an absolute path without a trailing separator
    /// (except the root "/"); empty while none is chosen.
    QString Folder() const;

    /// Shows the dialog modally. True when the user confirmed a folder,
    /// which Folder() then returns. When ExecuteHook is set it runs instead
    /// of the dialog (tests script the choice there).
    bool Execute();
    /// Replaces Execute's modal loop for every chooser while set.
    static std::function<bool(TQxBrowseFolderDlg&)>& ExecuteHook();

    /// The folder text without one trailing separator; "/" stays "/".
    static QString StripTrailingSeparator(const QString& folder);

    QLabel* Label1 = nullptr;          ///< the text
    QTreeView* TreeView1 = nullptr;    ///< the folders
    QLabel* lblStatus = nullptr;       ///< the selected folder
    QDialogButtonBox* Buttons = nullptr;

private:
    void UpdateOkButton();
    void UpdateText();
    void UpdateStatus();

    QFileSystemModel* FModel = nullptr;
    QString FTextLine1;
    QString FTextLine2;
    bool FShowSelectDir = true;
};

}  // namespace zelvo
