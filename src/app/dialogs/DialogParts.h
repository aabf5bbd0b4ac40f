// Small pieces the dialogs share: colour swatches, number fields and the
// OK/Cancel row.
#pragma once

#include <QString>

#include <functional>

#include "image/Types.h"

class QDialog;
class QHBoxLayout;
class QPushButton;
class QSpinBox;
class QWidget;

namespace zelvo {

/// "#rrggbb" of a colour (system colours resolved) for style sheets.
QString ColorCss(TColor color);

/// The colour dialog over `parent`, starting at `color`; true and `color`
/// set when the user chose one.
bool PickColor(QWidget* parent, TColor& color);

/// A named spin edit limited to min..max, preset to value (limited too).
QSpinBox* MakeSpinEdit(QWidget* parent, const char* name, int min, int max, int value, int minimumWidth);

/// "OK" (default, runs onOk) and "キャンセル" (rejects; Escape does too),
/// named btnOK and btnCancel, right-aligned in the returned row.
QHBoxLayout* MakeOkCancelRow(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel,
                             const std::function<void()>& onOk);

}  // namespace zelvo
