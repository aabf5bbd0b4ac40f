// File commands: open, reload, save, save as, exit, the progressive flag and
// the JPEG quality; and the open and save dialogs.

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/common/AppTitle.h"
#include "app/window/FileFilters.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

namespace {

QString RunOpenDialog(TZVfrmMain& form) {
    QFileDialog dialog(&form);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtNameFilters(form.FOpenFilter));
    dialog.setDirectory(form.FLastDirectory);
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString RunSaveDialog(TZVfrmMain& form) {
    const QStringList suffixes = SaveDialogSuffixes(form.FGIFMode);
    QFileDialog dialog(&form);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = QtNameFilters(form.FSaveFilter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    const int index = form.FSaveFileExt >= 0 && form.FSaveFileExt < filters.size() ? form.FSaveFileExt : 0;
    dialog.selectNameFilter(filters.value(index));
    // The default extension follows the chosen type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const int i = int(filters.indexOf(filter));
        if (i >= 0 && i < suffixes.size()) dialog.setDefaultSuffix(suffixes[i]);
    });
    dialog.setDirectory(form.FLastDirectory);
    const QFileInfo current(QString::fromStdString(form.FFileName));
    dialog.selectFile(current.completeBaseName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    form.FSaveFileExt = int(filters.indexOf(dialog.selectedNameFilter()));
    if (form.FSaveFileExt < 0) form.FSaveFileExt = 0;
    return dialog.selectedFiles().first();
}

// The JPEG quality: one value 1..100 on a slider with a spin box.
void RunJpegQualityDialog(TZVfrmMain& form) {
    QDialog dialog(&form);
    dialog.setWindowTitle(QString::fromUtf8("JPEG品質"));
    auto* label = new QLabel(QString::fromUtf8("品質(1～100)"), &dialog);
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setRange(1, 100);
    slider->setPageStep(10);
    auto* spin = new QSpinBox(&dialog);
    spin->setRange(1, 100);
    const int initial = std::clamp(int(form.FJpegQuality), 1, 100);
    slider->setValue(initial);
    spin->setValue(initial);
    QObject::connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
    QObject::connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(slider, 1);
    row->addWidget(spin);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addLayout(row);
    layout->addWidget(buttons);
    if (dialog.exec() == QDialog::Accepted) form.FJpegQuality = std::uint8_t(slider->value());
}

}  // namespace

void InstallFileCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    form.OpenFileHook = [f] { return RunOpenDialog(*f); };
    form.SaveFileHook = [f] { return RunSaveDialog(*f); };
    QObject::connect(form.mnuOpen, &QAction::triggered, f, [f] { f->mnuOpenClick(); });
    QObject::connect(form.mnuReload, &QAction::triggered, f, [f] { f->mnuReloadClick(); });
    QObject::connect(form.mnuSave, &QAction::triggered, f, [f] { f->mnuSaveClick(); });
    QObject::connect(form.mnuSaveAs, &QAction::triggered, f, [f] { f->mnuSaveAsClick(); });
    QObject::connect(form.mnuClose, &QAction::triggered, f, [f] { f->close(); });
    QObject::connect(form.mnuProgressive, &QAction::triggered, f, [f](bool checked) {
        // No picture, no flag.
        if (f->ImageEmpty()) {
            f->mnuProgressive->setChecked(false);
            return;
        }
        f->QxImage1().SaveProgressive = checked;
    });
    QObject::connect(form.mnuJpegQuality, &QAction::triggered, f, [f] { RunJpegQualityDialog(*f); });
}

}  // namespace zelvo
