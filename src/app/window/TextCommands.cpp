// The text-insertion command: the toggle "文字入れ(&O)..." opens and closes
// the modeless window TZVfrmTextOut, which owns the picture (tool mode)
// while it exists. OK there draws the text as the undo step "文字入れ".

#include <QAction>

#include "app/common/Settings.h"
#include "app/dialogs/ZVfrmTextOut.h"
#include "app/window/CommandHandlers.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/qt/TextRenderQt.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

void ShowTextOutWindow(TZVfrmMain& form) {
    if (!form.Modes.FTextOutWindow) {
        auto* window = new TZVfrmTextOut(form.View(), SettingsPath(), &form);
        form.Modes.FTextOutWindow = window;
        TZVfrmMain* f = &form;
        window->OnApply = [f] {
            f->RunBusy(UndoCaption(&TMainActions::mnuTextOut), [f] { return f->QxImage1().ApplyText(); });
        };
        QObject::connect(window, &TZVfrmTextOut::Finished, f, [f] {
            f->Modes.FTextOutWindow = nullptr;
            f->Actions.mnuTextOut->setChecked(false);
            EnableChange(*f, true);
        });
        EnableChange(form, false);
        // The toggle itself stays usable: switching it off closes the window.
        SetCommandEnabled(form.Actions.mnuTextOut, true);
    }
    form.Actions.mnuTextOut->setChecked(true);
    form.Modes.FTextOutWindow->show();
    form.Modes.FTextOutWindow->raise();
}

}  // namespace

void TextOutClick(TZVfrmMain& form, bool checked) {
    if (form.ImageEmpty()) {
        form.Actions.mnuTextOut->setChecked(false);
        return;
    }
    if (checked) ShowTextOutWindow(form);
    else if (form.Modes.FTextOutWindow) form.Modes.FTextOutWindow->close();
}

void SetUpTextRenderer(TZVfrmMain&) {
    static TQtTextRenderer renderer;
    if (!InstalledTextRenderer()) InstallTextRenderer(&renderer);
}

}  // namespace zelvo
