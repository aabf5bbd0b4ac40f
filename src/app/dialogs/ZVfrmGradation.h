#pragma once
// TZVfrmGradation: the gradation dialog "グラデーション": two colours (each
// a swatch and a "..." button opening the colour dialog), the opacity
// 1..100 (a track bar and a spin edit that follow each other) and one of
// eight directions. OK lays the gradation over the picture or the
// selection (as the command's undo step) and stores the values in
// section "Gradation"; cancel stores nothing.

#include <QDialog>

#include <functional>
#include <string>

#include "effects/Generated.h"
#include "image/Types.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zelvo {

class TIniFile;
class TEditorContext;

/// Section "Gradation".
struct TGradationSettings {
    TColor Color1 = clNavy;
    TColor Color2 = clBlack;
    int Direction = 0;      ///< item of the direction list, 0..7
    int AlphaChannel = effects::kGradationOpacity.Default;  ///< opacity in per cent
};
inline constexpr int kGradationDirectionCount = 8;
/// Reads the section; a direction outside 0..7 or an opacity outside
/// 1..100 reads as its default.
TGradationSettings ReadGradationSettings(const TIniFile& ini);
void WriteGradationSettings(const TGradationSettings& settings, TIniFile& ini);

class TZVfrmGradation : public QDialog {
public:
    explicit TZVfrmGradation(TEditorContext& form);

    /// The name of the undo step OK records; the command sets it.
    std::string UndoCaption;

    QLabel* Label1 = nullptr;  ///< "色１："
    QFrame* Panel1 = nullptr;  ///< colour 1's swatch
    QPushButton* Button1 = nullptr;  ///< "..." of colour 1
    QLabel* Label2 = nullptr;  ///< "色２："
    QFrame* Panel2 = nullptr;  ///< colour 2's swatch
    QPushButton* Button2 = nullptr;  ///< "..." of colour 2
    QLabel* Label3 = nullptr;  ///< "不透明度："
    QSlider* ScrollBar1 = nullptr;  ///< the opacity, 1..100, with SpinEdit1
    QSpinBox* SpinEdit1 = nullptr;  ///< the opacity, 1..100
    QLabel* Label4 = nullptr;  ///< "グラデーションの方向："
    QComboBox* ComboBox1 = nullptr;  ///< the direction
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    TGradationSettings Values() const;
    void SetColor1(TColor color);
    void SetColor2(TColor color);

    /// "...": the colour dialog (ChooseColor) preset with the swatch's
    /// colour; on OK the swatch takes the chosen one.
    void ColorClick(int which);
    /// OK: in the main window's busy state the gradation (direction item
    /// + 1), the undo-list entry, then the settings, and the dialog closes.
    void OkClick();

    /// The colour choice; QColorDialog unless replaced (tests).
    std::function<bool(TColor& color)> ChooseColor;

private:
    TEditorContext& FForm;
    TColor FColor1 = clNavy;
    TColor FColor2 = clBlack;
};

}  // namespace zelvo
