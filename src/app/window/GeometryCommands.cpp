// The image-menu commands that change the picture's geometry through a
// dialog or a choice: crop, crop by coordinates, margins and resize. The
// quarter turns, mirror, flip, rotation and shift are plain table rows.

#include "app/window/GeometryCommands.h"

#include <QAction>
#include <QDialog>

#include "app/dialogs/ZVfrmCustomTrim.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmResize.h"
#include "app/dialogs/ZVfrmSpacing.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

// A geometry dialog's command: nothing without a picture; otherwise shows
// the dialog, which runs the operation on OK as the command's undo step.
template <class Dialog>
void ShowGeometryDialog(TZVfrmMain& form, QAction* TMainActions::*command) {
    if (form.ImageEmpty()) return;
    Dialog dialog(form);
    dialog.UndoCaption = UndoCaption(command);
    GeometryDialogExec()(dialog);
}

}  // namespace

std::function<int(QDialog& dialog)>& GeometryDialogExec() {
    static std::function<int(QDialog&)> exec = [](QDialog& dialog) { return dialog.exec(); };
    return exec;
}

void TrimingClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TQxImage& doc = form.QxImage1();
    if (!doc.HasSelection()) {
        CustomTrimClick(form);
        return;
    }
    form.RunBusy(UndoCaption(&TMainActions::mnuTriming), [&] { return doc.Trim(); });
}

void CustomTrimClick(TZVfrmMain& form) { ShowGeometryDialog<TZVfrmCustomTrim>(form, &TMainActions::mnuCustomTrim); }

void SpacingClick(TZVfrmMain& form) { ShowGeometryDialog<TZVfrmSpacing>(form, &TMainActions::mnuSpacing); }

void ResizeClick(TZVfrmMain& form) { ShowGeometryDialog<TZVfrmResize>(form, &TMainActions::mnuResize); }

}  // namespace zelvo
