// The image-menu commands that change the picture's geometry: crop, crop by
// coordinates, quarter turns, mirror, flip, rotate by an angle and shift
// (the effect dialog's types 8 and 13), margins and resize.

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

void CustomTrimClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    form.FLastOperation = "座標指定切り抜き";
    TZVfrmCustomTrim dialog(form);
    GeometryDialogExec()(dialog);
}

void SpacingClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    form.FLastOperation = "余白作成";
    TZVfrmSpacing dialog(form);
    GeometryDialogExec()(dialog);
}

void ResizeClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    form.FLastOperation = "リサイズ";
    TZVfrmResize dialog(form);
    GeometryDialogExec()(dialog);
}

void InstallGeometryCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    auto on = [f](QAction* action, std::function<void()> handler) {
        QObject::connect(action, &QAction::triggered, f, [handler] { handler(); });
    };
    on(form.mnuTriming, [f] { TrimingClick(*f); });
    on(form.mnuCustomTrim, [f] { CustomTrimClick(*f); });
    on(form.mnuSpacing, [f] { SpacingClick(*f); });
    on(form.mnuResize, [f] { ResizeClick(*f); });
    on(form.mnuRotate270, [f] { f->RunImmediate("左へ90度回転", [f] { f->QxImage1().Rotate90(false); }); });
    on(form.mnuRotate90, [f] { f->RunImmediate("右へ90度回転", [f] { f->QxImage1().Rotate90(true); }); });
    on(form.mnuMirror, [f] { f->RunImmediate("ミラー", [f] { f->QxImage1().Mirror(); }); });
    on(form.mnuFlip, [f] { f->RunImmediate("フリップ", [f] { f->QxImage1().Flip(); }); });
    on(form.mnuRotate, [f] { ShowPreviewEffect(*f, 8); });
    on(form.mnuSlideImage, [f] { ShowPreviewEffect(*f, 13); });
}

}  // namespace zelvo
