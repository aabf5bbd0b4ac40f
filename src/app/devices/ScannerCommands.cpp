// The scanner commands of the main window: choosing the source and
// acquiring a picture as a new, unnamed picture.

#include <QCoreApplication>
#include <QGuiApplication>

#include "app/common/AppTitle.h"
#include "app/common/Language.h"
#include "app/devices/DeviceHooks.h"
#include "app/devices/ScanDialog.h"
#include "app/devices/SourceDialog.h"
#include "app/common/EditorContext.h"
#include "app/devices/DeviceCommands.h"
#include "document/QxImage.h"
#include "platform/SaneScanner.h"
#include "platform/ScanDib.h"
#include "platform/TempFile.h"

namespace zelvo {

namespace {

const char* const kAcquireFailed = QT_TRANSLATE_NOOP("ScannerCommands", "TWAIN機器からの入力に失敗しました。");

/// The scanner layer's own box first (its caption "TWAIN Error" with the
/// codes for a detailed error), then the command's.
void ShowAcquireFailure(QWidget& form, const std::exception& error) {
    if (const auto* scanner = dynamic_cast<const EScannerError*>(&error)) {
        const bool detailed = scanner->Detailed();
        DeviceHooks().ShowError(&form, detailed ? QString::fromUtf8(kScannerErrorCaption) : ApplicationTitle(),
                                EngineMessage(scanner->what()) + QStringLiteral("\n") +
                                    QString::fromStdString(scanner->DetailText()));
    }
    DeviceHooks().ShowError(&form, ApplicationTitle(), QCoreApplication::translate("ScannerCommands", kAcquireFailed));
}

}  // namespace

void SelectScanSource(QWidget& form) {
    // Errors of the chooser are not reported.
    try {
        TSaneScanner scanner;
        TZVfrmSelectSource dialog(scanner.Devices(), &form);
        if (DeviceHooks().RunSourceDialog(dialog) == QDialog::Accepted) dialog.Remember();
    } catch (const std::exception&) {
        return;
    }
}

void Acquire(TEditorContext& context) {
    if (context.ToolMode() || !context.AskSaveModified()) return;
    QWidget& form = context.Window();
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

    TQxImage& doc = context.QxImage1();
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
        context.PictureReplaced();
        doc.ClearUndo();
    } else {
        DeviceHooks().ShowError(&form, ApplicationTitle(), QStringLiteral("Unable to aquire image"));
    }
    form.raise();
    form.activateWindow();
}

}  // namespace zelvo
