#pragma once
// TZVfrmCustomFilter: the user's own 3 x 3 filter. Nine integer entries as
// they lie on the picture and a divisor; OK runs the convolution on the
// picture and remembers the filter under "CustomFilter" in section
// "Effects"; the filter can be saved to and loaded from a ".flt" file.

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <optional>

#include "effects/CustomFilter.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zelvo {

class TEditorContext;

class TZVfrmCustomFilter : public QDialog {
public:
    /// Preset from "CustomFilter" of the settings file: the nine edits take
    /// the first nine comma-separated items, the spin edit the tenth as an
    /// integer (kept inside 1..255); what the text lacks keeps the default
    /// "1,-2,1,-2,5,-2,1,-2,1,1".
    explicit TZVfrmCustomFilter(TEditorContext& form);

    /// Edit1..Edit9, row by row from the top left.
    std::array<QLineEdit*, 9> Edits{};
    QLabel* Label1 = nullptr;  ///< "除数："
    QSpinBox* SpinEdit1 = nullptr;  ///< the divisor, 1..255
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnSaveFilter = nullptr;
    QPushButton* btnLoadFilter = nullptr;
    QPushButton* btnHelp = nullptr;

    /// The filter the controls hold; throws EConvertError ("'x' is not a
    /// valid integer value") for an edit that holds no integer.
    effects::TCustomFilter Filter() const;
    /// Puts `filter` into the controls.
    void SetFilter(const effects::TCustomFilter& filter);

    /// OK: the filter on the picture as one undo step ("カスタムフィルタ"),
    /// then the setting written. An edit without an integer shows the
    /// conversion error and leaves the dialog open, the picture and the
    /// setting untouched.
    void OkClick();
    /// Save: the file dialog, then a one-line file of the ten values.
    void SaveClick();
    /// Load: the file dialog, then the file's ten values into the
    /// controls; any other text shows "カスタムフィルタが読み込めません" and
    /// leaves the controls as they were. True when a filter was loaded.
    bool LoadClick();

    /// The file choices (empty: cancelled) and the message box; tests
    /// replace them.
    std::function<QString()> OpenFileHook;
    std::function<QString()> SaveFileHook;
    std::function<void(const QString& message)> ErrorHook;

private:
    /// Filter(), or nullopt after showing the conversion error.
    std::optional<effects::TCustomFilter> ShownFilter();

    TEditorContext& FForm;
};

/// The custom-filter command: nothing without a picture; otherwise names
/// the undo step and shows the dialog modally.
void CustomFilterClick(TEditorContext& form);

}  // namespace zelvo
