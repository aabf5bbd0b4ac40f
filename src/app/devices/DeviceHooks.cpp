#include "app/devices/DeviceHooks.h"

#include <QDialog>
#include <QMessageBox>
#include <QProcess>

#include "app/devices/ScanDialog.h"
#include "app/devices/SourceDialog.h"

namespace zelvo {

namespace {

TDeviceHooks MakeDefaults() {
    TDeviceHooks hooks;
    hooks.ShowError = [](QWidget* parent, const QString& caption, const QString& text) {
        QMessageBox::critical(parent, caption, text);
    };
    hooks.RunScanDialog = [](TZVfrmScan& dialog) { return dialog.exec(); };
    hooks.RunSourceDialog = [](TZVfrmSelectSource& dialog) { return dialog.exec(); };
    hooks.RunPrinterDialog = [](QDialog& dialog) { return dialog.exec(); };
    hooks.RunCommand = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        TCommandResult result;
        if (!process.waitForStarted(5000)) return result;
        process.waitForFinished(30000);
        result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.Output = QString::fromUtf8(process.readAllStandardOutput());
        return result;
    };
    return hooks;
}

}  // namespace

TDeviceHooks& DeviceHooks() {
    static TDeviceHooks hooks = MakeDefaults();
    return hooks;
}

}  // namespace zelvo
