#pragma once
// The device commands (capture, scanner, printing, wallpaper) over the
// editor context; the main window wires them to its menu entries.

#include <string>

class QWidget;

namespace zelvo {

class TDibPrinter;
class TEditorContext;

/// One capture command. The picture is read first; only a capture that
/// delivered pixels takes the undo snapshot (with a picture open) and
/// replaces the picture, so a vanished window changes nothing. The main
/// window is hidden while the screen is read and comes back on every path.
/// `undoCaption` names the undo step.
void Capture(TEditorContext& context, bool activeWindow, bool clientArea, const std::string& undoCaption);
/// The capture on a Wayland desktop: the desktop portal takes the picture,
/// the whole screen with the main window out of the way, or with
/// `interactive` what the user picks in the desktop's own dialog. A
/// cancelled or failed request leaves the picture and the history as they
/// were.
void PortalCapture(TEditorContext& context, bool interactive, const std::string& undoCaption);

/// Lets the user choose the scanner source (remembered in the settings);
/// errors of the chooser are not reported.
void SelectScanSource(QWidget& parent);
/// Runs the scan dialog and opens the scan as a new picture. The question
/// about saving the modified picture comes first; cancelling it, the
/// dialog or the scan leaves the picture, its name and its history alone.
void Acquire(TEditorContext& context);

/// The screen's pixels per inch as the print scale uses it.
int ScreenPixelsPerInch();
/// Prints the picture on `printer`; every failure, a missing printer
/// included, ends the command without a message.
void PrintImage(TEditorContext& context, TDibPrinter& printer);

/// Writes the picture to the wallpaper file and shows it on the desktop.
/// The copy changes neither the picture's modified flag nor its save
/// options. A failed save is reported as a save is and leaves the desktop
/// alone; failures of the desktop itself are not reported.
void SetWallpaper(TEditorContext& context, bool tile);
/// Removes the wallpaper from the desktop.
void ClearWallpaper();

}  // namespace zelvo
