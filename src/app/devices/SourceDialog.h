#pragma once
// TZVfrmSelectSource: the source chooser. It lists the scanners SANE finds
// and remembers the choice in registry.ini, where the scan command looks
// for it.

#include <QDialog>

#include <string>
#include <vector>

#include "platform/SaneScanner.h"

class QListWidget;
class QPushButton;

namespace zelvo {

/// Where the chosen source is kept in registry.ini.
inline constexpr const char* kScannerKey = "Software\\Zelvo\\Scanner";
inline constexpr const char* kDefaultSourceValue = "DefaultSource";

/// The remembered source ("" when none was chosen).
std::string ChosenScanSource();

class TZVfrmSelectSource : public QDialog {
    Q_OBJECT

public:
    /// Lists `devices`, the remembered one selected (else the first).
    TZVfrmSelectSource(const std::vector<TScanDevice>& devices, QWidget* parent = nullptr);

    QListWidget* lstSources = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    /// The selected source's name; empty when none is selected.
    std::string Selected() const;
    /// Writes the selection to registry.ini; false when nothing is selected
    /// or the file could not be written.
    bool Remember() const;
};

}  // namespace zelvo
