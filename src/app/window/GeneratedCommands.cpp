// The commands that make pictures from parameters: a new blank picture,
// a gradation laid over the picture and a texture that darkens it.

#include <QDialog>

#include "app/dialogs/ZVfrmGradation.h"
#include "app/dialogs/ZVfrmNew.h"
#include "app/dialogs/ZVfrmTexture.h"
#include "app/window/CommandTable.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

void NewClick(TZVfrmMain& form) {
    TZVfrmNew dialog(form);
    PictureDialogExec()(dialog);
}

void GradationClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmGradation dialog(form);
    dialog.UndoCaption = UndoCaption(&TMainActions::mnuGradation);
    PictureDialogExec()(dialog);
}

void TextureClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmTexture dialog(form);
    if (PictureDialogExec()(dialog) != QDialog::Accepted || dialog.TextureBitmap().Empty()) return;
    const int level = dialog.Level();
    form.RunBusy(UndoCaption(&TMainActions::mnuTexture), [&] {
        form.QxImage1().Texture(dialog.TextureBitmap(), level, 0, 0);
        return true;
    });
}

}  // namespace zelvo
