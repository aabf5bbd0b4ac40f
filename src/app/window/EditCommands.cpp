// Edit commands of the main window itself: undo and redo through the
// history lists, select all, clearing the undo buffer and the clipboard.

#include <QAction>
#include <QMenu>

#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/Clipboard.h"
#include "view/QxImageView.h"

namespace zelvo {

void InstallEditCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    // Undo and Redo click the first entry of their list; a step the list
    // does not name (an operation that kept no caption) is still one step.
    QObject::connect(form.Actions.mnuUndo, &QAction::triggered, f, [f] {
        if (!f->mnuUndoList->actions().isEmpty()) f->UndoListClick(0);
        else if (f->QxImage1().UndoCount() > 0) {
            f->QxImage1().Undo(1);
            f->UpdateCommandState();
        }
    });
    QObject::connect(form.Actions.mnuRedo, &QAction::triggered, f, [f] {
        if (!f->mnuRedoList->actions().isEmpty()) f->RedoListClick(0);
        else if (f->QxImage1().RedoCount() > 0) {
            f->QxImage1().Redo(1);
            f->UpdateCommandState();
        }
    });
    QObject::connect(form.Actions.mnuSelectAll, &QAction::triggered, f, [f] {
        if (f->ImageEmpty()) return;
        f->View().SelectAll();
        f->ShowSelectionSize();
    });
    QObject::connect(form.Actions.mnuClearUndo, &QAction::triggered, f, [f] { f->QxImage1().ClearUndo(); });
    QObject::connect(form.Actions.mnuClipBoardClear, &QAction::triggered, f, [] {
        if (TClipboard* clipboard = InstalledClipboard()) clipboard->Clear();
    });
}

}  // namespace zelvo
