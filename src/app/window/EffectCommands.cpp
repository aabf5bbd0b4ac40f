#include "app/window/EffectCommands.h"

#include "app/dialogs/ZVfrmCustomFilter.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide2.h"
#include "app/window/CommandHandlers.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

bool SpotLightPicking(const TZVfrmMain& form) { return form.Modes.FSpotLightPicking; }

void SpotLightClick(TZVfrmMain& form) {
    if (form.ImageEmpty() || SpotLightPicking(form)) return;
    EnableChange(form, false);
    form.Modes.FSpotLightPicking = true;
    form.View().StartPointPick();
}

void SpotLightPointSelected(TZVfrmMain& form, int x, int y) {
    form.Modes.FSpotLightPicking = false;
    EnableChange(form, true);
    ShowPreviewEffect(form, TPreviewEffectType::SpotLight, TPoint{x, y});
}

namespace {

// An effect dialog's command: nothing without a picture; otherwise shows
// the dialog, which records the command's undo step on OK.
template <class Dialog>
void ShowEffectDialog(TZVfrmMain& form, QAction* TMainActions::*command) {
    if (form.ImageEmpty()) return;
    Dialog dialog(form);
    dialog.UndoCaption = UndoCaption(command);
    dialog.exec();
}

}  // namespace

void BlockClick(TZVfrmMain& form) { ShowEffectDialog<TZVfrmSlide2>(form, &TMainActions::mnuBlock); }

void BlindClick(TZVfrmMain& form) { ShowEffectDialog<TZVfrmRegularPreview>(form, &TMainActions::mnuBlind); }

void CustomFilterClick(TZVfrmMain& form) {
    ShowEffectDialog<TZVfrmCustomFilter>(form, &TMainActions::mnuCustomFilter);
}

void SetUpSpotLight(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    QObject::connect(&form.View(), &TQxImageView::SelectPos, f, [f](int x, int y) {
        if (SpotLightPicking(*f)) SpotLightPointSelected(*f, x, y);
    });
}

}  // namespace zelvo
