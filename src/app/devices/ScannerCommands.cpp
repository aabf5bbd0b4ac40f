// The scanner commands of the main window: choosing the source and
// acquiring a picture as a new, unnamed picture.

#include <QAction>
#include <QGuiApplication>

#include "app/common/AppTitle.h"
#include "app/devices/DeviceHooks.h"
#include "app/devices/ScanDialog.h"
#include "app/devices/SourceDialog.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/SaneScanner.h"
#include "platform/ScanDib.h"
#include "platform/TempFile.h"

namespace zelvo {

namespace {

const char* const kAcquireFailed = "TWAIN機器からの入力に失敗しました。";

/// The scanner layer's own box first (its caption "TWAIN Error" with the
/// codes for a detailed error), then the command's.
void ShowAcquireFailure(TZVfrmMain& form, const std::exception& error) {
    if (const auto* scanner = dynamic_cast<const EScannerError*>(&error)) {
        const bool detailed = scanner->Detailed();
        DeviceHooks().ShowError(&form, detailed ? QString::fromUtf8(kScannerErrorCaption) : ApplicationTitle(),
                                QString::fromUtf8(scanner->what()) + QStringLiteral("\n") +
                                    QString::fromStdString(scanner->DetailText()));
    }
    DeviceHooks().ShowError(&form, ApplicationTitle(), QString::fromUtf8(kAcquireFailed));
}

void SelectSource(TZVfrmMain& form) {
    // Errors of the chooser are not reported.
    try {
        TSaneScanner scanner;
        TZVfrmSelectSource dialog(scanner.Devices(), &form);
        if (DeviceHooks().RunSourceDialog(dialog) == QDialog::Accepted) dialog.Remember();
    } catch (const std::exception&) {
        return;
    }
}

}  // namespace

/// Runs the scan dialog and opens the scan as a new picture. The question
/// about saving the modified picture comes first; cancelling it, the
/// dialog or the scan leaves the picture, its name and its history alone.
void Acquire(TZVfrmMain& form) {
    if (form.ToolMode() || !form.AskSaveModified()) return;
    std::optional<std::vector<std::uint8_t>> dib;
    try {
        TZVfrmScan dialog(ChosenScanSource(), &form);
        dialog.LoadCapabilities();
        const int result = DeviceHooks().RunScanDialog(dialog);
        if (dialog.Error()) std::rethrow_exception(dialog.Error());
        if (result != QDialog::Accepted) return;
        dib = dialog.Result();
    } catch (const std::exception& error) {
        ShowAcquireFailure(form, error);
        return;
    }
    if (!dib) return;

    TQxImage& doc = form.QxImage1();
    bool loaded = false;
    std::filesystem::path temp;
    try {
        temp = WriteDibToTempFile(*dib);
    } catch (const std::exception&) {
        temp.clear();  // no transfer file: reported as a failed load below
    }
    if (!temp.empty()) {
        // The transfer file is read with the BMP reader whatever its name,
        // and removed on every path.
        const TTempFileRemover remover(temp);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        doc.BeginUpdate();
        loaded = doc.LoadDocumentBmp(temp);
        doc.EndUpdate();
        QGuiApplication::restoreOverrideCursor();
    }
    if (loaded) {
        form.FFileName.clear();
        form.SetTitle();
        form.Actions.mnuProgressive->setChecked(false);
        form.Actions.mnuTransparent->setChecked(false);
        form.UpdateCommandState();
        doc.ClearUndo();
    } else {
        DeviceHooks().ShowError(&form, ApplicationTitle(), QStringLiteral("Unable to aquire image"));
    }
    form.raise();
    form.activateWindow();
}

void InstallScannerCommands(TZVfrmMain& form) {
    QObject::connect(form.Actions.TWAIN1, &QAction::triggered, &form, [&form] { SelectSource(form); });
    QObject::connect(form.Actions.mnuAcquire, &QAction::triggered, &form, [&form] { Acquire(form); });
}

}  // namespace zelvo
