#include "app/window/EffectCommands.h"

#include <QVariant>

#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide2.h"
#include "app/window/CommandHandlers.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "document/QxImageView.h"

namespace zelvo {
namespace {

// Set on the window while the view waits for the spotlight's point.
constexpr const char* kSpotLightPicking = "zelvoSpotLightPicking";

}  // namespace

bool SpotLightPicking(const TZVfrmMain& form) { return form.property(kSpotLightPicking).toBool(); }

void SpotLightClick(TZVfrmMain& form) {
    if (form.ImageEmpty() || SpotLightPicking(form)) return;
    EnableChange(form, false);
    form.setProperty(kSpotLightPicking, true);
    form.View().StartPointPick();
}

void SpotLightPointSelected(TZVfrmMain& form, int x, int y) {
    form.setProperty(kSpotLightPicking, false);
    EnableChange(form, true);
    ShowPreviewEffect(form, TPreviewEffectType::SpotLight, TPoint{x, y});
}

void BlockClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmSlide2 dialog(form);
    dialog.exec();
}

void BlindClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmRegularPreview dialog(form);
    dialog.exec();
}

void SetUpSpotLight(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    QObject::connect(&form.View(), &TQxImageView::SelectPos, f, [f](int x, int y) {
        if (SpotLightPicking(*f)) SpotLightPointSelected(*f, x, y);
    });
}

}  // namespace zelvo
