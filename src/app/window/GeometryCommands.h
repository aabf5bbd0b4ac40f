#pragma once
// The image-menu commands that change the picture's geometry (crop, crop by
// coordinates, quarter turns, mirror, flip, rotate by angle, shift, margins,
// resize) and the clipboard commands of the edit menu (copy, paste, cut,
// erase, clearing the clipboard).

#include <QString>

#include <functional>

class QDialog;

namespace zelvo {

class TZVfrmMain;

/// Runs one of the geometry dialogs modally and returns its result
/// (QDialog::Accepted or Rejected). QDialog::exec unless replaced: tests
/// drive the dialog from here and return without showing it.
std::function<int(QDialog& dialog)>& GeometryDialogExec();

/// The crop command: with a selection it crops to it (undo caption
/// "切り抜き", recorded only when the crop happened); without one it is the
/// crop-by-coordinates command.
void TrimingClick(TZVfrmMain& form);
/// The crop-by-coordinates dialog (undo caption "座標指定切り抜き").
void CustomTrimClick(TZVfrmMain& form);
/// The margin dialog (undo caption "余白作成").
void SpacingClick(TZVfrmMain& form);
/// The resize dialog (undo caption "リサイズ").
void ResizeClick(TZVfrmMain& form);

/// Paste: hourglass, update lock, zoom lowered to 1000 % when higher, the
/// clipboard's picture as the new picture (undo caption "貼り付け"). Also
/// with no picture open. When the clipboard holds no picture but a file
/// manager's copied files, the first picture file among them
/// (ClipboardPictureFile) is opened as a dropped file is: through
/// LoadImageFile, which asks about a modified picture and reads the file
/// with the format table and the plug-ins.
void PasteClick(TZVfrmMain& form);
/// The first of the clipboard's files that can be opened as a picture: a
/// regular, readable file whose extension the open dialog's "all
/// pictures" entry lists (GIF mode and plug-ins included); empty when
/// there is none.
QString ClipboardPictureFile(const TZVfrmMain& form);
/// Whether Paste has something to paste: a picture or a picture file.
bool ClipboardCanPaste(const TZVfrmMain& form);
/// Cut, only with a picture and a selection: busy bracket, copy, erase the
/// selection (undo caption "切り取り").
void CutClick(TZVfrmMain& form);
/// Erase, only with a selection: fills it with the background colour (undo
/// caption "選択範囲消去").
void DeleteClick(TZVfrmMain& form);

}  // namespace zelvo
