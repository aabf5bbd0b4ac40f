#pragma once
// EnableChange: switches every picture command of the main window on or
// off at once, while a tool window (apply/cancel, text insertion) or the
// spotlight positioning owns the picture.

namespace zelvo {

class TZVfrmMain;

/// With false every picture command is disabled and the shortcuts of Copy,
/// Paste, Cut and Erase are removed (they then reach the tool windows' edit
/// fields). With true the commands are enabled again, except Undo and Redo
/// with an empty list, Paste, Merge-paste and Clear-clipboard without a
/// picture on the clipboard, Cut and Erase without a selection; the four
/// shortcuts are restored and UpdateCommandState runs. Which commands it
/// switches is the table's kToolOff rule; commands unavailable on this
/// system stay disabled.
void EnableChange(TZVfrmMain& form, bool value);

}  // namespace zelvo
