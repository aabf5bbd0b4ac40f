#pragma once
// TWinShot: a copy of the screen (the whole desktop, the active window with
// its frame, or the active window's client area) as a 24-bit picture. X11
// through Qt's screen grab; the target window and its rectangles come from
// the window manager's hints (X11Windows.h).

#include <optional>

#include "image/DibImage.h"
#include "platform/qt/X11Windows.h"

namespace zelvo {

class TWinShot {
public:
    /// Capture the active window instead of the desktop.
    bool ActiveWindow = false;
    /// With ActiveWindow, only its client area.
    bool ClientArea = false;
    /// Draw the mouse cursor into the capture (the capture commands turn
    /// it off).
    bool IncludeMouseCursor = true;

    /// The target: with ActiveWindow the active window, or the next window
    /// down the stacking order that is shown and not minimised (`skip`, the
    /// program's own hidden window, is passed over); otherwise the root
    /// window. 0 when there is none.
    TXWindow Target(TXWindow skip = 0) const;
    /// The rectangle to copy in root coordinates: the target's window (or
    /// client) rectangle cut to the virtual desktop. Empty when nothing of
    /// it is on the screen.
    QRect SourceRect(TXWindow target) const;
    /// Captures. Nothing when there is no target, it lies wholly off the
    /// screen, the screen cannot be read, or the grab failed.
    std::optional<TDibImage> Capture(TXWindow skip = 0) const;

    /// Makes the window below `own` in the stacking order that is shown and
    /// not minimised the active one, as the active-window commands do
    /// before they wait.
    static void ActivateNextWindow(TXWindow own);
};

}  // namespace zelvo
