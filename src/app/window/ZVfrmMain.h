#pragma once
// TZVfrmMain: the editor's only main window. It owns the document and its
// view, the menu bar, the seven dockable toolbars and the slide-show bar,
// the six-panel status bar with its progress bar, the zoom, colour-depth and
// history pop-ups, and every command. Commands are QActions named as the
// program names its menu items (mnuOpen, mnuSepia, ...), grouped in
// Actions (MainActions.h), one per row of the command table
// (src/app/window/Commands.def). The state the command files share is
// grouped in Options and Filters (the editor context,
// app/common/EditorContext.h) and Modes (MainState.h). Dialogs and the
// folder, slide-show, thumbnail and device rooms see the window only as
// that context.

#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/common/EditorContext.h"
#include "app/window/MainActions.h"
#include "app/window/MainState.h"
#include "app/window/RecoveryScheduler.h"
#include "image/Types.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace zelvo {

class TQxImage;
class TQxImageView;
class TZVStatusBar;
class TZVfrmApplyCancel;
class TZVfrmSelectIcon;
class TZVfrmRecover;
class TFileDrop;
class TIniFile;
class TSPIs;
class TSlideShowRunner;

/// Answers of the modified-picture question, so tests can script them.
enum class TSaveAnswer { Yes, No, Cancel };

class TZVfrmMain : public QMainWindow, public TEditorContext {
    Q_OBJECT

public:
    /// Builds the window, reads the settings and, when `arguments` (the
    /// command line without the program name) name a picture, opens it.
    /// `-DEFPOS` in any case and position keeps the stored bounds unused.
    explicit TZVfrmMain(const QStringList& arguments, QWidget* parent = nullptr);
    ~TZVfrmMain() override;

    // ---- Commands
    /// Every command; created with the window from the command table.
    TMainActions Actions;

    // ---- Components
    QMenu* PopupMenu1 = nullptr;
    QMenu* ZoomMenu = nullptr;
    QMenu* mnuUndoList = nullptr;
    QMenu* mnuRedoList = nullptr;
    QToolBar* Toolbar1 = nullptr;  ///< "基本"
    QToolBar* Toolbar2 = nullptr;  ///< "イメージ"
    QToolBar* Toolbar3 = nullptr;  ///< "カラー"
    QToolBar* Toolbar4 = nullptr;  ///< "ズーム"
    QToolBar* Toolbar5 = nullptr;  ///< "色解像度"
    QToolBar* Toolbar6 = nullptr;  ///< "透過色"
    QToolBar* Toolbar7 = nullptr;  ///< "加工"
    QToolBar* Toolbar8 = nullptr;  ///< "スライドショー"
    TZVStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;  ///< over status panel 0 while busy

    /// The seven dockable toolbars in the order of the toolbar sub-menu,
    /// then Toolbar8.
    QList<QToolBar*> Toolbars() const;

    // ---- Document
    QWidget& Window() override { return *this; }
    TQxImage& QxImage1() override { return *FImage; }
    TQxImageView& View() { return *FView; }
    bool ImageEmpty() const override;
    TEffectSettings& Effects() override { return *FEffectSettings; }

    // ---- State shared with the command files
    std::string FFileName;       ///< full path of the current picture, UTF-8
    TMainModes Modes;

    // ---- Flows
    bool LoadImageFile(const QString& path, bool newWindow, bool* loaded = nullptr) override;
    bool AskSaveModified() override;
    void PictureReplaced() override;
    void mnuOpenClick();
    void mnuSaveClick();
    void mnuSaveAsClick();
    void mnuReloadClick();
    /// Sets the caption: "Zelvo", or "Zelvo - " and the full path.
    void SetTitle();

    // ---- History
    /// Records `caption` at the top of the undo drop-down list.
    void PushHistory(const std::string& caption) override;
    /// Undoes (k + 1) steps, k the 0-based index of the chosen list entry.
    void UndoListClick(int k);
    void RedoListClick(int k);

    // ---- Command state
    /// Re-evaluates the colour-depth entries, transparency and the 24-bit
    /// only commands, then repaints the status bar.
    void UpdateCommandState() override;
    /// Busy bracket of long operations: hourglass, window disabled,
    /// progress bar shown over panel 0.
    void BeginBusy();
    void EndBusy();
    /// Runs an immediate command: nothing without a picture; otherwise
    /// names the undo step, brackets `operation` with BeginBusy/EndBusy
    /// and records the history. Exceptions are shown in a message box.
    void RunImmediate(const std::string& caption, const std::function<void()>& operation);
    /// The busy bracket around `operation`, which returns whether it
    /// changed the picture (then `caption` goes into the history as the
    /// undo step's name). `afterBusy` runs once the bracket is closed,
    /// before an exception's message is shown (a dialog closes itself
    /// there). Returns whether the operation ran and changed the picture.
    bool RunBusy(const std::string& caption, const std::function<bool()>& operation,
                 const std::function<void()>& afterBusy = {}) override;
    /// Shows an exception's message in a box captioned with the title.
    void ShowError(const std::exception& error) override;
    /// Creates (once) and shows the apply/cancel window that places a
    /// floating selection; the window is in tool mode until it closes.
    TZVfrmApplyCancel* ShowApplyCancelWindow();
    /// Tool mode: the apply/cancel or the text-insertion window exists.
    bool ToolMode() const override;

    // ---- Zoom and status
    /// Chooses a ZoomMenu tag: 999999 fits the picture, others set the zoom.
    void ZoomMenuClick(int tag);
    void RepaintStatusBar();
    /// Text of status panels 0..2 (1 and 2 set by mouse movement).
    void SetPanelText(int panel, const QString& text);
    /// Panel 2 after a keyboard nudge: the selection size, or empty.
    void ShowSelectionSize();

    // ---- Clipboard
    /// Enables Paste, Merge-paste and Clear-clipboard from the clipboard.
    void ClipboardChanged();
    bool ClipboardHasBitmap() const;

    /// The dialog hooks tests replace: the modified-picture question and
    /// the open and save file choices (empty string: cancelled).
    std::function<TSaveAnswer()> AskSaveHook;
    std::function<bool()> AskReloadHook;
    std::function<QString()> OpenFileHook;
    std::function<QString()> SaveFileHook;
    /// Starts a second instance; replaced in tests.
    std::function<bool(const QString& program, const QStringList& arguments)> StartInstanceHook;
    /// Runs the icon chooser modally (QDialog::Accepted or Rejected);
    /// replaced in tests.
    std::function<int(TZVfrmSelectIcon& chooser)> ChooseIconHook;

    // ---- Recovery of unsaved pictures
    /// Key "Recovery" of section "Settings".
    TRecoverySettings RecoverySettings;
    /// Keeps the unsaved picture in this editor's recovery file.
    TRecoveryScheduler* Recovery = nullptr;
    /// Runs once the event loop starts: OfferRecovery; replaced in tests.
    std::function<void()> OfferRecoveryHook;
    /// Runs the recovery dialog modally (QDialog::Accepted: restore the
    /// chosen picture); replaced in tests.
    std::function<int(TZVfrmRecover& dialog)> RecoverDialogHook;
    /// Offers what editors that are gone left unsaved, and restores the
    /// picture chosen.
    void OfferRecovery();
    /// Places a claimed picture as the open one: modified, under its
    /// original file name, so 上書き保存 writes there.
    void RestoreRecovered(TRecoveryOffer& offer);
    /// A pause in the user's work: no edit, busy bracket, mouse button,
    /// modal dialog, pop-up or tool window.
    bool RecoveryIdle() const;

    /// The view's background colour (the user's BackgroundColor).
    TColor BackgroundColor() const override;
    void SetBackgroundColor(TColor color);

    /// Undo depth from the settings, passed on to the document.
    void SetUndoBuffer(int depth);
    /// The status bar and its menu check mark.
    void SetStatusBarShown(bool shown);
    bool StatusBarShown() const;
    /// The slide show's runner, made when its commands are wired.
    TSlideShowRunner* SlideShow = nullptr;
    /// Ends a running slide show; set by the slide show.
    std::function<void()> EndSlideShow;
    /// Steps a running slide show: +1 next, -1 previous.
    std::function<void(int step)> StepSlideShow;
    /// Writes the settings once, when the window closes or is destroyed.
    void WriteSettingsOnce();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolbars();
    void CreateStatusBar();
    void ConnectDocument();
    void BuildFilters();
    void StartUp(const QStringList& arguments);
    void ChangeCanUndo(int undoCount, int redoCount);
    /// Settles the last edit's undo snapshot once written (the document
    /// writes it after the operation); when it failed, the edit is taken
    /// back with its undo list entry and the failure shown.
    void SettleUndoWrite();
    /// Drops the entries of `list` beyond the first `maxCount`, keeping
    /// their captions (newest first) until the next drop from the same list,
    /// so that an edit taken back can restore them.
    void TrimList(QMenu* list, int maxCount);
    void MoveHistoryItems(QMenu* from, QMenu* to, int count);
    /// Undo or redo (`step`) of `count` steps, the history entries moved
    /// from one list to the other, under the hourglass.
    void StepHistory(QMenu* from, QMenu* to, int count, void (TQxImage::*step)(int));
    QAction* NewHistoryItem(QMenu* list, const QString& caption);
    void SaveTo(const QString& path, bool* saved);
    void SyncSaveFlagsFromDocument();
    void FileDropped(const QStringList& files, bool ctrl);
    void ViewMouseMove(int x, int y, QPoint screen);
    void ProgressChanged(int percent);

    std::unique_ptr<TQxImage> FImageOwner;
    /// The image plug-ins (SPIs1), searched at start when UseSusiePlugin is
    /// on and no other collection exists.
    std::unique_ptr<TSPIs> FSPIs;
    /// The effect dialogs' remembered parameters (section "Effects").
    std::unique_ptr<TEffectSettings> FEffectSettings;
    TQxImage* FImage = nullptr;
    /// What TrimList last dropped from the undo and the redo list.
    QStringList FDroppedUndo, FDroppedRedo;
    TQxImageView* FView = nullptr;
    TFileDrop* FFileDrop = nullptr;
    TColor FBackgroundColor = clBtnShadow;
    int FBusyDepth = 0;

    bool FSettingsWritten = false;
    QWidget* Panel1 = nullptr;  ///< the black frame around the view
};

}  // namespace zelvo
