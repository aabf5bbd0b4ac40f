#pragma once
// TZVfrmThumbNail: the thumbnail browser, a tool window beside the editor
// showing the pictures of one folder as square thumbnails with their file
// names. From it a picture opens in the editor or in a new instance, opens
// with the desktop's associated program, or goes to the trash; the folder
// opens in the file manager or as a slide show. The thumbnails of each
// folder are kept in the thumbnail cache (ThumbnailCache.h), so opening a
// folder again shows them without reading the pictures.
//
// Generation runs in the user-interface thread with a progress window that
// can cancel; closing the browser meanwhile only asks the loop to stop, and
// the window goes away once the loop has returned.

#include <QMainWindow>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

#include "app/thumbnails/ThumbNailSettings.h"
#include "image/Types.h"
#include "library/Thumbnails.h"

class QAction;
class QListWidget;
class QMenu;
class QToolBar;

namespace zelvo {

class TEditorContext;

class TZVfrmThumbNail : public QMainWindow {
public:
    /// Creates the browser for `form` (its parent): reads section
    /// "ThumbNail", places the window, stays on top as stored, and restores
    /// the toolbar layout. Nothing is listed yet.
    explicit TZVfrmThumbNail(TEditorContext& form);
    ~TZVfrmThumbNail() override;

    QListWidget* ListView1 = nullptr;
    QToolBar* tbThumbNail = nullptr;  ///< "サムネイル"
    QMenu* mnuFile = nullptr;         ///< "ファイル(&F)"
    QMenu* mnuView = nullptr;         ///< "表示(&V)"
    QMenu* PopupMenu1 = nullptr;      ///< the list's context menu
    QAction* mnuOpen = nullptr;       ///< "Zelvoで開く(&O)"
    QAction* mnuOpenNew = nullptr;    ///< "新しいZelvoで開く(&N)"
    QAction* mnuShellOpen = nullptr;  ///< "関連づけに従って開く(&S)"
    QAction* mnuDelete = nullptr;     ///< "このファイルを削除する(&E)"
    QAction* mnuOpenFolder = nullptr; ///< "このフォルダを開く(&M)"
    QAction* mnuSlideShow = nullptr;  ///< "このフォルダでスライドショー(&W)..."
    QAction* mnuStayOnTop = nullptr;  ///< "常に前面に表示(&T)"
    QAction* mnuClose = nullptr;      ///< "閉じる(&X)"
    QAction* mnuChangeFolder = nullptr;  ///< "フォルダ変更(&D)..."
    QAction* mnuRefresh = nullptr;       ///< "最新の状態に更新(&R)"
    QAction* mnuToolbar = nullptr;       ///< "ツールバー(&T)"
    QMenu* mnuThumbSize = nullptr;       ///< "サムネイルのサイズ(&S)"
    QAction* mnuBackground = nullptr;    ///< "背景色(&B)..."

    /// Lists `folder`: nothing unless it exists and differs from the
    /// current folder or the window is hidden. The file commands and the
    /// refresh are disabled meanwhile and enabled again on every path.
    void BuildThumbnails(const QString& folder);
    /// Shows the cached thumbnails of the stored folder; false when there
    /// is no usable cache (missing, refused, or the folder changed since).
    bool LoadCache();
    /// Writes the cache of the current folder; on failure both files are
    /// removed and false returned.
    bool SaveCache();
    /// The current folder (no trailing "/") and the selected file in it.
    QString Folder() const { return FFolder; }
    /// The folder of section "ThumbNail" (the last one shown).
    QString StoredFolder() const { return QString::fromStdString(FSettings.Directory); }
    QString SelectedFile() const;
    /// The thumbnails as shown: one image per item made, in the list's
    /// order of making; items keep their image index after a delete.
    const TThumbnailSet& Thumbnails() const { return FSet; }
    int ThumbSize() const { return FSettings.ThumbSize; }
    /// The browser has been closed and is about to go.
    bool Closing() const { return FClosing; }

    // ---- commands
    void OpenSelected(bool newInstance);
    void ShellOpenSelected();
    void DeleteSelected();
    void OpenFolder();
    void SlideShowHere();
    void ChangeFolder();
    /// F5: makes the thumbnails of the current folder again.
    void Refresh();
    /// A new thumbnail size or background colour makes them again too.
    void SetThumbSize(int size);
    void SetListColor(TColor color);
    void SetStayOnTop(bool on);
    /// Sets the cancel flag (the progress window's cancel does too).
    void Cancel() { FCancel = true; }

    // ---- replaceable for tests
    /// Chooses a folder starting at `initial`; empty when cancelled.
    std::function<QString(const QString& initial)> BrowseFolderHook;
    /// Asks before a file goes to the trash.
    std::function<bool(const QString& path)> ConfirmDeleteHook;
    /// Moves a file to the trash (the desktop's home trash).
    std::function<bool(const QString& path)> TrashHook;
    /// Lets the desktop open a file or folder.
    std::function<bool(const QUrl& url)> OpenUrlHook;
    /// Shows a message box.
    std::function<void(const QString& text)> ShowMessageHook;
    /// Chooses a colour.
    std::function<bool(TColor& color)> ChooseColorHook;
    /// Reads one picture (tests count the loads); new browsers start with
    /// DefaultLoader().
    TThumbnailLoader Loader;
    /// The loader every new browser starts with; empty: LoadThumbnailSource.
    static TThumbnailLoader& DefaultLoader();
    /// Called after each file has been announced (tests cancel or close here).
    std::function<void(int index)> StepHook;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void SetFileCommandsEnabled(bool enabled);
    void UpdateFileMenu();
    void UpdatePopupMenu();
    void ShowSet();
    void AppendItem(const TThumbnailItem& item);
    void WriteOwnSettings();
    std::string PatternString() const;

    TEditorContext& FForm;
    TThumbNailSettings FSettings;
    TThumbnailSet FSet;
    QString FFolder;
    std::string FStamp;  ///< the folder's stamp when its thumbnails were made
    bool FGenerated = false;
    bool FGenerating = false;
    bool FCancel = false;
    bool FClosePending = false;
    bool FClosing = false;
};

/// The browser of `form`, or nullptr when none is open.
TZVfrmThumbNail* ThumbnailBrowser(TEditorContext& form);
/// The main window's thumbnail command: creates the browser (showing the
/// cached folder when the cache is good) or asks for a folder and lists it.
void ShowThumbnailBrowser(TEditorContext& form);

}  // namespace zelvo
