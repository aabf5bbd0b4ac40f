#pragma once
// Small X11 queries over xcb on the connection Qt opened: the root window,
// the window manager's hints (_NET_ACTIVE_WINDOW, _NET_CLIENT_LIST_STACKING,
// _NET_FRAME_EXTENTS, _NET_WM_STATE) and window rectangles in root
// coordinates. Used by the screen capture; all return "nothing" when the
// program does not run on X11.

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace zelvo {

using TXWindow = std::uint32_t;

/// Qt's xcb connection, or nullptr when not on X11.
xcb_connection_t* X11Connection();
/// The root window of the default screen (0 when not on X11).
TXWindow X11Root();
/// The root window's size: the virtual desktop.
QRect X11DesktopRect();
/// An atom by name (created when missing).
std::uint32_t X11Atom(const char* name);

/// _NET_ACTIVE_WINDOW of the root window; 0 when unset.
TXWindow X11ActiveWindow();
/// Top-level windows from the top of the stacking order downwards:
/// _NET_CLIENT_LIST_STACKING when the window manager keeps it, otherwise the
/// root window's children.
std::vector<TXWindow> X11StackingTopDown();
/// Mapped and viewable, and not minimised (_NET_WM_STATE_HIDDEN).
bool X11WindowShown(TXWindow window);
/// The window's inside (client area) in root coordinates; nothing when
/// the window is gone.
std::optional<QRect> X11ClientRect(TXWindow window);
/// The window with its frame in root coordinates: the client rectangle
/// grown by _NET_FRAME_EXTENTS, or the top-level ancestor's rectangle (with
/// its border) when the window manager gives no extents.
std::optional<QRect> X11WindowRect(TXWindow window);
/// Asks the window manager to make `window` the active one (a
/// _NET_ACTIVE_WINDOW message to the root window).
void X11RequestActivate(TXWindow window);

/// Whether the program runs in a Wayland session (Qt's Wayland platform,
/// XDG_SESSION_TYPE=wayland or WAYLAND_DISPLAY set), where no program may
/// read the screen or set the root window's background itself.
bool WaylandSession();

/// Whether the screen can be read: true on X11 outside a Wayland session.
/// Otherwise false with the reason, in the user's words, in `why`.
bool ScreenReadable(QString* why = nullptr);

}  // namespace zelvo
