#pragma once
// The slide show as the main window runs it: the window turns into a viewer
// (no menu bar, no toolbars; full screen on black, or windowed with the
// slide-show bar Toolbar8) and steps through the dialog's list by timer,
// key, click or the bar's buttons; ending the show gives the window back
// as it was. One runner per main window, its child; InstallSlideShowCommands
// creates it (TZVfrmMain::SlideShow) and sets the window's slide-show hooks.
//
// Loading a picture is a loop the runner must not re-enter: steps asked
// for while a picture loads are ignored, and ending or closing the window
// meanwhile is deferred until the load has returned.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <filesystem>
#include <functional>
#include <vector>

#include "app/slideshow/SlideShowSettings.h"
#include "image/Types.h"
#include "library/SlideShowList.h"

class QLabel;
class QTimer;

namespace zelvo {

class TZVfrmMain;
class TZVfrmSlideShow;

class TSlideShowRunner : public QObject {
public:
    explicit TSlideShowRunner(TZVfrmMain& form);
    ~TSlideShowRunner() override;

    /// The slide-show command: the dialog (preset to `folder` when given);
    /// after OK and the modified-picture question the show starts.
    void OpenDialog(const QString& folder = {});
    /// Starts a show of `files` with `options`; false for an empty list.
    bool Start(std::vector<std::filesystem::path> files, const TSlideShowSettings& options);
    /// Shows the picture at the current index (only while active).
    void ShowCurrent();
    /// Next (timer, Space, left click, "次の画像"): past the last picture
    /// loops or ends the show. Ignored while a picture loads.
    void Next();
    /// Previous (Backspace, right click, "前の画像"): stays on the first
    /// picture. Ignored while a picture loads.
    void Previous();
    /// Ends the show (Esc, "中止", closing the window, Next past the end);
    /// while a picture loads, the end comes once the load has returned.
    void End();

    bool Active() const { return FActive; }
    bool Loading() const { return FLoading; }
    int Index() const { return FSequence.Index(); }
    const TSlideShowSettings& Options() const { return FOptions; }
    /// The view's place on the screen in a full-screen show.
    QRect FullScreenViewRect() const { return FViewRect; }
    /// Whether the timer runs now.
    bool TimerActive() const;
    /// The green file-name label of a full-screen show.
    QLabel* FileNameLabel() const { return FFileName; }

    /// The screen the full-screen show covers; the primary screen unless
    /// replaced (tests give 1024 x 768).
    std::function<QRect()> ScreenRectHook;
    /// Runs the dialog modally; returns whether it was accepted (tests
    /// script it).
    std::function<bool(TZVfrmSlideShow& dialog)> RunDialogHook;
    /// Called while a picture loads, with the runner's load in progress
    /// (tests send keys and close requests here).
    std::function<void()> WhileLoadingHook;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnterViewer();
    void LeaveViewer();
    void PlaceFullScreenView(int width, int height);

    TZVfrmMain& FForm;
    TSlideShowSequence FSequence;
    TSlideShowSettings FOptions;
    QTimer* FTimer = nullptr;
    QLabel* FFileName = nullptr;
    bool FActive = false;
    bool FLoading = false;
    bool FEndPending = false;
    bool FClosePending = false;
    bool FCursorHidden = false;
    bool FSavedDisplayOnly = false;
    TColor FSavedColor = clGray;
    int FSavedViewFrame = 0;
    QRect FViewRect;
    QPointer<QWidget> FHiddenBrowser;
    QPointer<QWidget> FHiddenAbout;
};

/// The runner of `form`, or nullptr before InstallSlideShowCommands.
TSlideShowRunner* SlideShowRunner(TZVfrmMain& form);

}  // namespace zelvo
