// Small pieces the dialogs share: colour swatches, number fields, the
// OK/Cancel row and the OK/Cancel/Help buttons of the fixed-layout dialogs.
#pragma once

#include <QString>

#include <functional>

#include "image/Types.h"

class QDialog;
class QHBoxLayout;
class QPushButton;
class QSlider;
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

/// Makes a track bar and a spin edit follow each other: moving either sets
/// the other (without echoing back), then runs `changed` when given.
void LinkTrackBarAndSpinEdit(QSlider* trackBar, QSpinBox* spinEdit, const std::function<void()>& changed = {});

/// Fits the shown labels of a fixed-layout dialog to their texts in its
/// font: a label taller than its place pushes everything below it down, and
/// the dialog grows by as much (wider too for a wider label); a push button
/// too narrow for its caption widens and moves the buttons right of it on
/// its row along. Leaves a dialog whose labels and buttons fit as it is.
void FitLabelsToFont(QDialog& dialog);

/// "OK" (default, runs onOk) and "キャンセル" (rejects; Escape does too),
/// named btnOK and btnCancel, right-aligned in the returned row.
QHBoxLayout* MakeOkCancelRow(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel,
                             const std::function<void()>& onOk);

/// The buttons "OK" (default; runs onOk), "キャンセル" (rejects; the Escape
/// key does too) and "ヘルプ" (runs onHelp) of a fixed-layout dialog: each
/// 80 x 26 pixels, 6 pixels apart, the first at (left, top). `names` are
/// their object names in that order (btnOK, btnCancel, btnHelp or
/// Button1..3, as the dialog names its controls).
void MakeOkCancelHelpButtons(QDialog& dialog, int left, int top, const char* const (&names)[3], QPushButton*& ok,
                             QPushButton*& cancel, QPushButton*& help, const std::function<void()>& onOk,
                             const std::function<void()>& onHelp);

}  // namespace zelvo
