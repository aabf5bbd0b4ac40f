// The composition commands of the edit menu: merge a second picture into
// the picture, merge-paste the clipboard's picture as a floating selection
// placed with the mouse, and combine two pictures into one.

#include <QDialog>
#include <QSpinBox>

#include "app/dialogs/ZVfrmApplyCancel.h"
#include "app/dialogs/ZVfrmCombine.h"
#include "app/dialogs/ZVfrmMerge.h"
#include "app/window/CommandTable.h"
#include "app/window/GeometryCommands.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

void MergeClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmMerge dialog(form);
    dialog.UndoCaption = UndoCaption(&TMainActions::mnuMerge);
    PictureDialogExec()(dialog);
}

void MergePasteClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) {
        PasteClick(form);
        return;
    }
    TZVfrmApplyCancel* window = form.ShowApplyCancelWindow();
    form.Modes.FMergePastePending = true;
    window->PrepareMergePaste();
    // The picture floats at the scroll position; the view moves it with
    // the mouse, and "位置確定" fixes it (the view's Moved records the
    // undo-list entry "合成貼り付け").
    const bool floating = form.QxImage1().MergePaste();
    form.View().viewport()->update();
    if (floating) window->show();
    else window->close();
}

void CombineClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmCombine dialog(form);
    if (PictureDialogExec()(dialog) != QDialog::Accepted) return;
    const int direction = dialog.Direction();
    const int offset = dialog.SpinEdit2->value();
    const int gap = dialog.SpinEdit1->value();
    form.RunBusy(UndoCaption(&TMainActions::mnuCombine), [&] {
        form.QxImage1().Combine(dialog.QxImage1().Bitmap(), direction, offset, gap);
        return true;
    });
}

}  // namespace zelvo
