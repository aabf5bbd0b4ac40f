#pragma once
// The commands that look at or bring in whole pictures: the histogram
// commands (equalize, normalize, the histogram window, the colour count),
// the composition commands (merge, merge-paste, combine) and the generated
// pictures (new picture, gradation, texture). Each family lives in its own
// file (HistogramCommands.cpp, CompositionCommands.cpp,
// GeneratedCommands.cpp); their dialogs are in src/app/dialogs.

#include <QString>

#include <functional>

class QDialog;

namespace zelvo {

class TZVfrmMain;

/// Runs one of these commands' modal dialogs and returns its result
/// (QDialog::Accepted or Rejected). QDialog::exec unless replaced: tests
/// drive the dialog from here and return without showing it.
std::function<int(QDialog& dialog)>& PictureDialogExec();

/// The information box of the colour count ("この画像は %d 色使用されて
/// います。" with the count), captioned with the application title;
/// QMessageBox unless replaced (tests).
std::function<void(TZVfrmMain& form, const QString& text)>& ColorCountMessage();

/// The histogram window, modal; nothing without a picture.
void HistogramClick(TZVfrmMain& form);
/// The colour count: busy state, the count, then its message; nothing
/// without a picture and nothing added to the undo list.
void GetColorCountClick(TZVfrmMain& form);

/// The merge dialog (undo caption "合成"); nothing without a picture.
void MergeClick(TZVfrmMain& form);
/// Merge-paste: without a picture it is Paste; otherwise the clipboard's
/// picture floats at the view's scroll position, to be moved with the
/// mouse and fixed with "位置確定" of the apply/cancel window (undo caption
/// "合成貼り付け"). The window closes again at once when the clipboard holds
/// no picture.
void MergePasteClick(TZVfrmMain& form);
/// The combine dialog; on OK the joined picture (undo caption "連結").
void CombineClick(TZVfrmMain& form);

/// The new-picture dialog; works also without a picture.
void NewClick(TZVfrmMain& form);
/// The gradation dialog (its row's undo caption); nothing without a
/// picture.
void GradationClick(TZVfrmMain& form);
/// The texture dialog; on OK with a texture loaded the texture is laid
/// over the picture (undo caption "テクスチャ"). Nothing without a picture.
void TextureClick(TZVfrmMain& form);

}  // namespace zelvo
