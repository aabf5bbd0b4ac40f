#pragma once
// TZVfrmScan: the scan dialog of the program, in place of a source's own
// dialog: the source's name, the picture kind (colour, grey, black and
// white), the resolution, Scan and Cancel, and a progress bar. The scan
// runs in a worker thread so the window keeps painting; Cancel stops it
// (sane_cancel) and closes the dialog.

#include <QDialog>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/SaneScanner.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;

namespace zelvo {

class TZVfrmScan : public QDialog {
    Q_OBJECT

public:
    /// A dialog for `device` (empty: the first source). Call
    /// LoadCapabilities before showing it.
    TZVfrmScan(std::string device, QWidget* parent = nullptr);
    ~TZVfrmScan() override;

    /// Reads what the source offers into the controls; throws EScannerError
    /// when the source cannot be opened.
    void LoadCapabilities();

    QLabel* lblDevice = nullptr;
    QComboBox* cmbMode = nullptr;  ///< TScanMode order: colour, grey, black and white
    QSpinBox* spnResolution = nullptr;
    QProgressBar* ProgressBar1 = nullptr;  ///< the scan's progress
    QPushButton* btnScan = nullptr;
    QPushButton* btnCancel = nullptr;

    /// The request the controls describe.
    TScanRequest Request() const;
    /// Further source options for the next scan (tests slow the source down).
    std::vector<std::pair<std::string, std::string>> ExtraOptions;

    /// Starts the scan in the worker; the dialog accepts when a picture
    /// arrived and rejects when it was cancelled or failed.
    void StartScan();
    bool Scanning() const { return FWorker != nullptr; }
    /// The packed DIB of an accepted scan.
    const std::optional<std::vector<std::uint8_t>>& Result() const { return FResult; }
    /// The failure of a rejected scan, or null.
    std::exception_ptr Error() const { return FError; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ScanFinished();

    std::string FDevice;
    TSaneScanner FScanner;
    QThread* FWorker = nullptr;
    std::optional<std::vector<std::uint8_t>> FResult;
    std::exception_ptr FError;
    bool FCancelRequested = false;
};

}  // namespace zelvo
