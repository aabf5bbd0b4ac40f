// The histogram commands of the view menu (equalize, normalize, the
// histogram window) and the colour count of the colour menu.

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>

#include "app/common/AppTitle.h"
#include "app/dialogs/ZVfrmHistgram.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

std::function<int(QDialog& dialog)>& PictureDialogExec() {
    static std::function<int(QDialog&)> exec = [](QDialog& dialog) { return dialog.exec(); };
    return exec;
}

std::function<void(TZVfrmMain& form, const QString& text)>& ColorCountMessage() {
    static std::function<void(TZVfrmMain&, const QString&)> show = [](TZVfrmMain& form, const QString& text) {
        QMessageBox::information(&form, ApplicationTitle(), text);
    };
    return show;
}

void HistogramClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TZVfrmHistgram dialog(form.QxImage1(), &form);
    PictureDialogExec()(dialog);
}

void GetColorCountClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    std::int64_t count = 0;
    // The count changes nothing: the busy bracket reports false, so no
    // undo-list entry is made. A 2 MB bit set that cannot be had ends in
    // the error box and no count.
    form.RunBusy("", [&] {
        count = form.QxImage1().GetColorCount();
        return false;
    });
    if (count <= 0) return;
    ColorCountMessage()(form, QCoreApplication::translate("HistogramCommands", "この画像は %1 色使用されています。").arg(count));
}

}  // namespace zelvo
