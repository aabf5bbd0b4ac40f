#include "app/folders/OpenPictureDialog.h"

#include <QDialog>
#include <QFileDialog>

#include "app/window/FileFilters.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo {

QString RunOpenPictureDialog(TZVfrmMain& form, const QString& caption) {
    QFileDialog dialog(&form);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!caption.isEmpty()) dialog.setWindowTitle(caption);
    dialog.setNameFilters(QtNameFilters(form.Filters.FOpenFilter));
    dialog.setDirectory(form.Options.FLastDirectory);
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace zelvo
