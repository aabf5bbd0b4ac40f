#pragma once
// What the device commands (capture, scanner, printing, wallpaper) ask of
// the user and of the system, as replaceable functions so that tests can
// script them. Defaults show the real dialogs and run the real programs.

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

namespace zelvo {

class TZVfrmScan;
class TZVfrmSelectSource;

/// The result of a desktop command: exit status and standard output.
struct TCommandResult {
    int ExitCode = -1;  ///< -1 when the program could not be started
    QString Output;
};

struct TDeviceHooks {
    /// Shows an error box (caption, text) owned by `parent`.
    std::function<void(QWidget* parent, const QString& caption, const QString& text)> ShowError;
    /// Runs the scan dialog modally; returns its QDialog result.
    std::function<int(TZVfrmScan& dialog)> RunScanDialog;
    /// Runs the source chooser modally; returns its QDialog result.
    std::function<int(TZVfrmSelectSource& dialog)> RunSourceDialog;
    /// Runs the printer set-up dialog modally; returns its QDialog result.
    std::function<int(QDialog& dialog)> RunPrinterDialog;
    /// Runs a desktop program with its arguments and waits for it.
    std::function<TCommandResult(const QString& program, const QStringList& arguments)> RunCommand;
};

/// The hooks in use; tests replace members and put them back.
TDeviceHooks& DeviceHooks();

}  // namespace zelvo
