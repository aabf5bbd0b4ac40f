#pragma once
// The modes that tool windows and pending commands put the main window in.
// The options and the file filters are the editor context's
// (app/common/EditorContext.h).

#include <QList>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class QAction;

namespace zelvo {

/// The modes the window can be in besides plain editing.
struct TMainModes {
    bool FMergePastePending = false;
    /// Tool windows whose existence puts the window into tool mode.
    QPointer<QWidget> FApplyCancelWindow;
    QPointer<QWidget> FTextOutWindow;
    bool FSlideShowMode = false;
    /// The about box while it is open.
    QPointer<QWidget> FAboutBox;
    /// Commands this system cannot run (screen capture without X11); they
    /// stay disabled (SetCommandUnavailable).
    QList<const QAction*> FUnavailable;
    /// The spotlight command waits for a click on the picture.
    bool FSpotLightPicking = false;
};

}  // namespace zelvo
