#include "app/window/ZVEnableChange.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "app/window/CommandTable.h"
#include "app/window/GeometryCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

void EnableChange(TZVfrmMain& f, bool value) {
    const TMainActions& a = f.Actions;
    // Every picture command the table marks, toolbar buttons and menu items
    // together (a button and its menu item are one action).
    const bool selection = value && f.QxImage1().HasSelection();
    for (const TCommand& command : Commands()) {
        if (command.Has(kToolOff)) SetCommandEnabled(f.Actions.*command.Action, command.Has(kSelection) ? selection : value);
    }
    // These also follow their lists and the clipboard.
    SetCommandEnabled(a.mnuUndo, value && !f.mnuUndoList->actions().isEmpty());
    SetCommandEnabled(a.mnuRedo, value && !f.mnuRedoList->actions().isEmpty());
    const bool paste = value && f.ClipboardHasBitmap();
    SetCommandEnabled(a.mnuPaste, value && ClipboardCanPaste(f));
    SetCommandEnabled(a.mnuMergePaste, paste);
    SetCommandEnabled(a.mnuClipBoardClear, paste);

    // Without them the edit keys reach the tool windows' edit fields.
    for (QAction* action : {a.mnuCopy, a.mnuPaste, a.mnuCut, a.mnuDelete}) {
        const TCommand* command = FindCommand(action->objectName().toLatin1().constData());
        action->setShortcut(value && command && command->Shortcut ? QKeySequence(QString::fromLatin1(command->Shortcut))
                                                                  : QKeySequence());
    }
    if (!value) return;
    f.UpdateCommandState();
}

}  // namespace zelvo
