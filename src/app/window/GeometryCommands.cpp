// The image-menu commands that change the picture's geometry: crop, crop by
// coordinates, quarter turns, mirror, flip, rotate by an angle and shift
// (effect dialogs), margins and resize.

#include "app/window/GeometryCommands.h"

#include <QAction>
#include <QDialog>

#include "app/dialogs/ZVfrmCustomTrim.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmResize.h"
#include "app/dialogs/ZVfrmSpacing.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

// A geometry dialog's command: nothing without a picture; otherwise shows
// the dialog, which runs the operation on OK under its undo caption.
template <class Dialog>
void ShowGeometryDialog(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    Dialog dialog(form);
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
    form.FLastOperation = "切り抜き";
    form.RunBusy([&] { return doc.Trim(); });
}

void CustomTrimClick(TZVfrmMain& form) { ShowGeometryDialog<TZVfrmCustomTrim>(form); }

void SpacingClick(TZVfrmMain& form) { ShowGeometryDialog<TZVfrmSpacing>(form); }

void ResizeClick(TZVfrmMain& form) { ShowGeometryDialog<TZVfrmResize>(form); }

void InstallGeometryCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    auto on = [f](QAction* action, std::function<void()> handler) {
        QObject::connect(action, &QAction::triggered, f, [handler] { handler(); });
    };
    on(form.Actions.mnuTriming, [f] { TrimingClick(*f); });
    on(form.Actions.mnuCustomTrim, [f] { CustomTrimClick(*f); });
    on(form.Actions.mnuSpacing, [f] { SpacingClick(*f); });
    on(form.Actions.mnuResize, [f] { ResizeClick(*f); });
    on(form.Actions.mnuRotate270, [f] { f->RunImmediate("左へ90度回転", [f] { f->QxImage1().Rotate90(false); }); });
    on(form.Actions.mnuRotate90, [f] { f->RunImmediate("右へ90度回転", [f] { f->QxImage1().Rotate90(true); }); });
    on(form.Actions.mnuMirror, [f] { f->RunImmediate("ミラー", [f] { f->QxImage1().Mirror(); }); });
    on(form.Actions.mnuFlip, [f] { f->RunImmediate("フリップ", [f] { f->QxImage1().Flip(); }); });
    on(form.Actions.mnuRotate, [f] { ShowPreviewEffect(*f, TPreviewEffectType::Rotate); });
    on(form.Actions.mnuSlideImage, [f] { ShowPreviewEffect(*f, TPreviewEffectType::SlideImage); });
}

}  // namespace zelvo
