#pragma once
// TZVfrmCombine: the combine dialog "連結". The second picture comes from a
// file or the clipboard (TSecondPictureInput) and is joined above, below,
// left of or right of the picture, with a space between the two
// (SpinEdit1) and a shift across the joining direction (SpinEdit2), both
// -99..99. OK reads the picture and closes with the result Accepted; the
// main window then joins it (undo caption "連結").

#include <QDialog>

#include <memory>

#include "document/QxImage.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace zelvo {

class TSecondPictureInput;
class TEditorContext;

/// The document's direction for the radio item `item` (0 "上へ", 1 "下へ",
/// 2 "左へ", 3 "右へ"): up 2 (other above), down 3, left 0, right 1.
int CombineDirectionFor(int item);

class TZVfrmCombine : public QDialog {
public:
    explicit TZVfrmCombine(TEditorContext& form);
    ~TZVfrmCombine() override;

    QLabel* Label1 = nullptr;  ///< "連結する画像ファイル：" (of the second-picture input)
    QLineEdit* Edit1 = nullptr;  ///< the second picture's file name
    QToolButton* SpeedButton1 = nullptr;  ///< "..."
    QCheckBox* CheckBox1 = nullptr;  ///< "クリップボードから入力(&C)"
    QGroupBox* RadioGroup1 = nullptr;  ///< "連結方向"
    QRadioButton* Directions[4] = {};  ///< "上へ", "下へ", "左へ", "右へ"
    QLabel* Label2 = nullptr;          ///< "画像間に挿入するスペース："
    QSpinBox* SpinEdit1 = nullptr;     ///< the space, -99..99
    QLabel* Label3 = nullptr;          ///< the shift's caption, after the direction
    QSpinBox* SpinEdit2 = nullptr;     ///< the shift, -99..99
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    TSecondPictureInput& Input() { return *FInput; }
    /// The hidden document the second picture is read into.
    TQxImage& QxImage1() { return *FSource; }
    /// The chosen radio item, 0..3.
    int ItemIndex() const;
    void SetItemIndex(int item);
    /// The chosen direction as the document's Combine takes it.
    int Direction() const { return CombineDirectionFor(ItemIndex()); }

    /// OK: reads the second picture; on failure the dialog stays open and
    /// false is returned, else it closes with Accepted.
    bool OkClick();

private:
    void UpdateShiftCaption();

    std::unique_ptr<TQxImage> FSource;
    TSecondPictureInput* FInput = nullptr;
    QButtonGroup* FGroup = nullptr;
};

}  // namespace zelvo
