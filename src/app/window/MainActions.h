#pragma once
// TMainActions: every command of the main window, as one QAction named as
// the program names its menu item (mnuOpen, mnuSepia, ...): a field for
// each row of Commands.def. The window creates them (ZVfrmMainActions.cpp)
// and owns them; CommandTable.cpp wires them.

#include <QList>

class QAction;

namespace zelvo {

struct TMainActions {
#define ZV_COMMAND(name, ...) QAction* name = nullptr;
#include "app/window/Commands.def"

    // ---- ZoomMenu (radio items; the tag is the action's data())
    QAction* mnuZoomFit = nullptr;
    QAction* mnuZoom100 = nullptr;
    QList<QAction*> ZoomItems;  ///< every ZoomMenu entry in menu order
};

}  // namespace zelvo
