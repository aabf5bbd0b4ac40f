// The colour-depth commands of PopupMenu1: each item converts the picture
// to its depth as one undoable edit named "色解像度の変更". Which item is
// disabled for the current depth is decided by EnableChange.
//
// The transparent-colour toggle (GIF mode): switching it on starts the
// view's colour pick, which sets the document's transparent colour (PNG
// pictures) or palette index (the picture's GIF form); switching it off
// clears transparency. Either way the picture counts as modified, since the
// next save writes it differently.

#include <QAction>

#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

void InstallTransparentCommand(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    QObject::connect(form.Actions.mnuTransparent, &QAction::triggered, f, [f](bool checked) {
        if (f->ImageEmpty()) return;
        TQxImage& doc = f->QxImage1();
        doc.SaveTransparent = checked;
        if (checked) f->View().StartColorPick();
        doc.SetModified(true);
    });
}

void InstallColorDepthCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    const struct {
        QAction* Action;
        TColorDepth Depth;
    } items[] = {
        {form.Actions.mnuColorBit24, TColorDepth::Bits24}, {form.Actions.mnuColorBit8, TColorDepth::Bits8},
        {form.Actions.mnuColorBit4, TColorDepth::Bits4},   {form.Actions.mnuColorBit1, TColorDepth::Bits1},
        {form.Actions.mnuColorBitHalftone, TColorDepth::HalftoneBW},
    };
    for (const auto& item : items) {
        const TColorDepth depth = item.Depth;
        QObject::connect(item.Action, &QAction::triggered, f, [f, depth] {
            f->RunImmediate(kColorDepthCaption, [f, depth] { f->QxImage1().ColorDepth(depth); });
        });
    }
}

}  // namespace zelvo
