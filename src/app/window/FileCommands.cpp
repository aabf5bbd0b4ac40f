// File commands: open, reload, save, save as, exit, the progressive flag and
// the JPEG quality; and the open and save dialogs.

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>

#include "app/common/AppTitle.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/common/FileFilters.h"
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

void InstallFileCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    form.OpenFileHook = [f] { return RunOpenPictureDialog(*f); };
    form.SaveFileHook = [f] { return RunSaveDialog(*f); };
    QObject::connect(form.Actions.mnuOpen, &QAction::triggered, f, [f] { f->mnuOpenClick(); });
    QObject::connect(form.Actions.mnuReload, &QAction::triggered, f, [f] { f->mnuReloadClick(); });
    QObject::connect(form.Actions.mnuSave, &QAction::triggered, f, [f] { f->mnuSaveClick(); });
    QObject::connect(form.Actions.mnuSaveAs, &QAction::triggered, f, [f] { f->mnuSaveAsClick(); });
    QObject::connect(form.Actions.mnuClose, &QAction::triggered, f, [f] { f->close(); });
    QObject::connect(form.Actions.mnuProgressive, &QAction::triggered, f, [f](bool checked) {
        // No picture, no flag.
        if (f->ImageEmpty()) {
            f->Actions.mnuProgressive->setChecked(false);
            return;
        }
        f->QxImage1().SaveProgressive = checked;
    });
    // The JPEG quality is a setting kept through the slide dialog.
    QObject::connect(form.Actions.mnuJpegQuality, &QAction::triggered, f,
                     [f] { ShowSlideEffect(*f, TSlideEffectType::JpegQuality); });
}

}  // namespace zelvo
