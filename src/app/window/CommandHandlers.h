#pragma once
// The handlers the command table (Commands.def) names that have no header
// of their own family, and the set-up each family needs beyond its rows.
// Every handler does nothing when its command cannot run (no picture, no
// list entry, ...).

namespace zelvo {

class TZVfrmMain;

// ---- File (FileCommands.cpp)
void OpenClick(TZVfrmMain& form);
void ReloadClick(TZVfrmMain& form);
void SaveClick(TZVfrmMain& form);
void SaveAsClick(TZVfrmMain& form);
/// Closes the window, which ends the program.
void CloseClick(TZVfrmMain& form);
/// The progressive/interlaced save flag of the picture; without a picture
/// the check mark goes again.
void ProgressiveClick(TZVfrmMain& form, bool checked);
/// The open and save dialogs behind the window's hooks.
void SetUpFileDialogs(TZVfrmMain& form);
/// The save-option dialogs of WebP, TIFF, AVIF, HEIC and JPEG XL; they
/// need no picture.
void WebpOptionsClick(TZVfrmMain& form);
void TiffOptionsClick(TZVfrmMain& form);
void AvifOptionsClick(TZVfrmMain& form);
void HeicOptionsClick(TZVfrmMain& form);
void JxlOptionsClick(TZVfrmMain& form);

// ---- Edit (EditCommands.cpp, ClipboardCommands.cpp, TextCommands.cpp)
/// Undo and Redo click the first entry of their list; a step the list does
/// not name is still one step.
void UndoClick(TZVfrmMain& form);
void RedoClick(TZVfrmMain& form);
/// Selects the whole picture, or removes the selection.
void SelectAllClick(TZVfrmMain& form);
void ClearUndoClick(TZVfrmMain& form);
void ClipboardClearClick(TZVfrmMain& form);
/// Copies the selection, or the picture, under the hourglass.
void CopyClick(TZVfrmMain& form);
/// The text-insertion toggle: opens the modeless text window (tool mode)
/// or closes it; without a picture the check mark goes again.
void TextOutClick(TZVfrmMain& form, bool checked);
/// Glyphs for the document come from Qt's text rendering.
void SetUpTextRenderer(TZVfrmMain& form);

// ---- View (ViewCommands.cpp)
/// The hidden 100 % and fit shortcuts: the zoom menu's entries.
void ZoomActualClick(TZVfrmMain& form);
void ZoomFitClick(TZVfrmMain& form);
void RefreshClick(TZVfrmMain& form);
/// The zoom and colour-depth pop-ups at the mouse.
void ZoomPopupClick(TZVfrmMain& form);
void ColorBitPopupClick(TZVfrmMain& form);
void ShowStatusBarClick(TZVfrmMain& form, bool shown);
/// The colour dialog for the view's background.
void BackgroundColorClick(TZVfrmMain& form);
/// The zoom menu's entries, and its check mark following every zoom
/// change (Ctrl + wheel included).
void SetUpZoomMenu(TZVfrmMain& form);

// ---- Image (TransparentCommand.cpp)
/// The transparent-colour toggle (GIF mode): on starts the view's colour
/// pick, off clears transparency; the picture counts as modified.
void TransparentClick(TZVfrmMain& form, bool checked);

// ---- Colour and effects (ToneCommands.cpp, EffectCommands.cpp)
/// The posterize button's drop-down entry, 4 levels without the dialog.
void SetUpPosterizeButton(TZVfrmMain& form);
/// The spotlight's point, picked in the view.
void SetUpSpotLight(TZVfrmMain& form);

// ---- Help (HelpCommands.cpp)
void HelpTopicsClick(TZVfrmMain& form);
void HomePageClick(TZVfrmMain& form);
void ProductUpdateClick(TZVfrmMain& form);
void AboutClick(TZVfrmMain& form);
/// F1 opens the main window's topic.
void SetUpHelpKey(TZVfrmMain& form);

// ---- Rooms that wire their own commands
void InstallWallpaperCommands(TZVfrmMain& form);
void InstallPrintCommands(TZVfrmMain& form);
void InstallScannerCommands(TZVfrmMain& form);
void InstallCaptureCommands(TZVfrmMain& form);
void InstallThumbnailCommands(TZVfrmMain& form);
void InstallBatchConvertCommand(TZVfrmMain& form);
void InstallSlideShowCommands(TZVfrmMain& form);

}  // namespace zelvo
