// Edit commands of the main window itself: undo and redo through the
// history lists, select all, clearing the undo buffer and the clipboard.

#include <QMenu>

#include "app/window/CommandHandlers.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/Clipboard.h"
#include "view/QxImageView.h"

namespace zelvo {

void UndoClick(TZVfrmMain& form) {
    if (!form.mnuUndoList->actions().isEmpty()) {
        form.UndoListClick(0);
    } else if (form.QxImage1().UndoCount() > 0) {
        form.QxImage1().Undo(1);
        form.UpdateCommandState();
    }
}

void RedoClick(TZVfrmMain& form) {
    if (!form.mnuRedoList->actions().isEmpty()) {
        form.RedoListClick(0);
    } else if (form.QxImage1().RedoCount() > 0) {
        form.QxImage1().Redo(1);
        form.UpdateCommandState();
    }
}

void SelectAllClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    form.View().SelectAll();
    form.ShowSelectionSize();
}

void ClearUndoClick(TZVfrmMain& form) { form.QxImage1().ClearUndo(); }

void ClipboardClearClick(TZVfrmMain&) {
    if (TClipboard* clipboard = InstalledClipboard()) clipboard->Clear();
}

}  // namespace zelvo
