#pragma once
// TZVfrmNew: the new-picture dialog "新規作成": width and height
// (1..9999 pixels) and the canvas colour. OK asks the main window whether
// to save a modified picture, then replaces the picture by a 24-bit one of
// that size in that colour, with an empty history and no file name. The
// values come from section "NewImage" when the dialog is made and go back
// there whenever it closes, also on cancel.

#include <QDialog>

#include "effects/Generated.h"
#include "image/Types.h"

class QLabel;
class QPushButton;
class QSpinBox;

namespace zelvo {

class TColorComboBox;
class TIniFile;
class TEditorContext;

/// Section "NewImage".
struct TNewImageSettings {
    int Width = effects::kNewImageWidth.Default;
    int Height = effects::kNewImageHeight.Default;
    TColor BGColor = clWhite;
};
/// Reads the section; a size outside the declared range reads as its default.
TNewImageSettings ReadNewImageSettings(const TIniFile& ini);
void WriteNewImageSettings(const TNewImageSettings& settings, TIniFile& ini);

class TZVfrmNew : public QDialog {
public:
    explicit TZVfrmNew(TEditorContext& form);

    QLabel* Label3 = nullptr;     ///< "画像横サイズ："
    QSpinBox* SpinEdit1 = nullptr;  ///< "画像横サイズ："
    QLabel* Label4 = nullptr;     ///< "画像縦サイズ："
    QSpinBox* SpinEdit2 = nullptr;  ///< "画像縦サイズ："
    QLabel* Label5 = nullptr;     ///< "キャンバスの色："
    TColorComboBox* ColorBox1 = nullptr;
    QPushButton* Button1 = nullptr;  ///< "OK"
    QPushButton* Button2 = nullptr;  ///< "キャンセル"
    QPushButton* Button3 = nullptr;  ///< "ヘルプ"

    TNewImageSettings Values() const;

    /// OK: the main window's save question (a cancel, or a save that leaves
    /// the picture modified, keeps the dialog open and returns false); then
    /// the new picture, the progressive and transparency toggles off, no
    /// file name, the plain title, and the dialog closes. A picture that
    /// cannot be made is reported and the old one stays.
    bool OkClick();

    /// Writes the settings, then closes as QDialog does.
    void done(int result) override;

private:
    TEditorContext& FForm;
};

}  // namespace zelvo
