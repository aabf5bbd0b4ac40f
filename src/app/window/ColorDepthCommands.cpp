// The colour-depth commands of PopupMenu1: each item converts the picture
// to its depth as one undoable edit named "色解像度の変更". Which item is
// disabled for the current depth is decided by EnableChange.

#include <QAction>

#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

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
