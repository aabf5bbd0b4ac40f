#pragma once
// TZVfrmSlide: the shared one-slider effect dialog without a preview. An
// effect type (TSlideEffectType) picks the row of the slide table
// (EffectTypes.cpp).

#include <QDialog>

#include <functional>
#include <string>

#include "app/dialogs/EffectTypes.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zelvo {

class TEditorContext;

/// How the dialog is set up for one effect type.
struct TSlideSetup {
    std::string Caption;
    std::string Label;
    int Min = 1, Max = 100, Position = 1;
    int Frequency = 1;  ///< tick frequency; the page size is the same
    std::string Check1;  ///< caption; empty: hidden
    bool Check1Value = false;
    std::string Check2;
    bool Check2Value = false;
    int HelpTopic = 0;
    /// At least one box stays checked: unchecking one while the other is
    /// unchecked checks the other again.
    bool KeepOneChecked = false;
};

/// One row of the slide table.
struct TSlideEffect {
    TSlideEffectType Type{};
    /// The undo caption; empty for settings that do not touch the picture.
    std::string UndoCaption;
    std::function<TSlideSetup(TEditorContext& form)> Setup;
    /// OK: stores the remembered values and runs the operation; true when
    /// it ran (an undo-list entry is then added).
    std::function<bool(TEditorContext& form, int position, bool check1, bool check2)> Apply;
};

class TZVfrmSlide : public QDialog {
public:
    TZVfrmSlide(TEditorContext& form, const TSlideEffect& effect);

    TSlideEffectType EffectType() const { return FEffect.Type; }

    QLabel* Label1 = nullptr;  ///< the slider row's caption
    QSlider* ScrollBar1 = nullptr;  ///< the value, with SpinEdit1
    QSpinBox* SpinEdit1 = nullptr;  ///< the value
    QCheckBox* CheckBox1 = nullptr;  ///< the slider row's first check caption
    QCheckBox* CheckBox2 = nullptr;  ///< the slider row's second check caption
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    void OkClick();
    void HelpClick();

private:
    TEditorContext& FForm;
    TSlideEffect FEffect;
    TSlideSetup FSetup;
};

/// The main window's handler for a slide effect: nothing without a picture
/// (settings rows open without one); names the undo step, shows the dialog
/// modally and destroys it. False for a type without a row.
bool ShowSlideEffect(TEditorContext& form, TSlideEffectType type);

/// The row of slide type `type`, or nullptr while it waits for its
/// operation.
const TSlideEffect* FindSlideEffect(TSlideEffectType type);

}  // namespace zelvo
