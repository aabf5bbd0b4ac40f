// File commands: open, reload, save, save as, exit and the progressive
// flag; and the open and save dialogs.

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>

#include "app/common/AppTitle.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/window/CommandHandlers.h"
#include "app/common/FileFilters.h"
#include "app/dialogs/ZVfrmEncoderOptions.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

namespace {

QString RunSaveDialog(TZVfrmMain& form) {
    const QStringList suffixes = SaveDialogSuffixes(form.Options.FGIFMode);
    QFileDialog dialog(&form);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = QtNameFilters(form.Filters.FSaveFilter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    const int saved = form.Options.FSaveFileExt;
    const int index = saved >= 0 && saved < filters.size() ? saved : 0;
    dialog.selectNameFilter(filters.value(index));
    // The default extension follows the chosen type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const int i = int(filters.indexOf(filter));
        if (i >= 0 && i < suffixes.size()) dialog.setDefaultSuffix(suffixes[i]);
    });
    dialog.setDirectory(form.Options.FLastDirectory);
    const QFileInfo current(QString::fromStdString(form.FFileName));
    dialog.selectFile(current.completeBaseName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    form.Options.FSaveFileExt = int(filters.indexOf(dialog.selectedNameFilter()));
    if (form.Options.FSaveFileExt < 0) form.Options.FSaveFileExt = 0;
    return dialog.selectedFiles().first();
}

}  // namespace

void SetUpFileDialogs(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    form.OpenFileHook = [f] { return RunOpenPictureDialog(*f); };
    form.SaveFileHook = [f] { return RunSaveDialog(*f); };
}

namespace {

void ShowEncoderOptions(TZVfrmMain& form, TEncoderFormat format) {
    TZVfrmEncoderOptions dialog(form, format);
    dialog.exec();
}

}  // namespace

void WebpOptionsClick(TZVfrmMain& form) { ShowEncoderOptions(form, TEncoderFormat::Webp); }
void TiffOptionsClick(TZVfrmMain& form) { ShowEncoderOptions(form, TEncoderFormat::Tiff); }
void AvifOptionsClick(TZVfrmMain& form) { ShowEncoderOptions(form, TEncoderFormat::Avif); }
void HeicOptionsClick(TZVfrmMain& form) { ShowEncoderOptions(form, TEncoderFormat::Heic); }
void JxlOptionsClick(TZVfrmMain& form) { ShowEncoderOptions(form, TEncoderFormat::Jxl); }

void OpenClick(TZVfrmMain& form) { form.mnuOpenClick(); }

void ReloadClick(TZVfrmMain& form) { form.mnuReloadClick(); }

void SaveClick(TZVfrmMain& form) { form.mnuSaveClick(); }

void SaveAsClick(TZVfrmMain& form) { form.mnuSaveAsClick(); }

void CloseClick(TZVfrmMain& form) { form.close(); }

void ProgressiveClick(TZVfrmMain& form, bool checked) {
    // No picture, no flag.
    if (form.ImageEmpty()) {
        form.Actions.mnuProgressive->setChecked(false);
        return;
    }
    form.QxImage1().SaveProgressive = checked;
}

}  // namespace zelvo
