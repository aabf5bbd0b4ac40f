#pragma once
// TZVfrmSpacing: the margin dialog "余白作成". Four spin edits 0..999 for the
// top, bottom, left and right margins in pixels and the margin colour as a
// swatch with a "..." button that opens the colour dialog. The values come
// from section "Spacing" when the dialog is created and go back there after
// OK, which adds the margins to the picture.

#include <QDialog>

#include <functional>
#include <string>

#include "effects/Geometry.h"
#include "image/Types.h"

class QFrame;
class QPushButton;
class QSpinBox;

namespace zelvo {

class TIniFile;
class TEditorContext;

/// Section "Spacing": margins in pixels and their colour.
struct TSpacingSettings {
    int Top = effects::kMarginTop.Default;
    int Bottom = effects::kMarginBottom.Default;
    int Left = effects::kMarginLeft.Default;
    int Right = effects::kMarginRight.Default;
    TColor Color = clBlack;
};
TSpacingSettings ReadSpacingSettings(const TIniFile& ini);
void WriteSpacingSettings(const TSpacingSettings& settings, TIniFile& ini);

class TZVfrmSpacing : public QDialog {
public:
    explicit TZVfrmSpacing(TEditorContext& form);

    /// The name of the undo step OK records; the command sets it.
    std::string UndoCaption;

    QSpinBox* SpinEditTop = nullptr;
    QSpinBox* SpinEditBottom = nullptr;
    QSpinBox* SpinEditLeft = nullptr;
    QSpinBox* SpinEditRight = nullptr;
    QFrame* PanelColor = nullptr;  ///< the colour swatch
    QPushButton* btnColor = nullptr;  ///< "..."
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    /// The dialog's current values.
    TSpacingSettings Values() const;
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

    /// "...": the colour dialog preset with the swatch's colour; on OK the
    /// swatch takes the chosen one.
    void ColorClick();
    /// OK: stores the values, adds the margins inside the main window's
    /// busy state, adds the undo-list entry and closes.
    void OkClick();

    /// The colour choice; QColorDialog unless replaced (tests).
    std::function<bool(TColor& color)> ChooseColor;

private:
    TEditorContext& FForm;
    TColor FColor = clBlack;
};

}  // namespace zelvo
