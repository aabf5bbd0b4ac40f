// The transparent-colour toggle (GIF mode): switching it on starts the
// view's colour pick, which sets the document's transparent colour (PNG
// pictures) or palette index (the picture's GIF form); switching it off
// clears transparency. Either way the picture counts as modified, since the
// next save writes it differently. The colour-depth entries of PopupMenu1
// are rows of the command table.

#include "app/window/CommandHandlers.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

void TransparentClick(TZVfrmMain& form, bool checked) {
    if (form.ImageEmpty()) return;
    TQxImage& doc = form.QxImage1();
    doc.SaveTransparent = checked;
    if (checked) form.View().StartColorPick();
    doc.SetModified(true);
}

}  // namespace zelvo
