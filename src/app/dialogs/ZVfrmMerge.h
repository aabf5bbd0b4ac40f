#pragma once
// TZVfrmMerge: the merge dialog "イメージの合成". The second picture comes
// from a file or the clipboard (TSecondPictureInput); six ways to merge it
// into the top-left corner of the picture or the selection: overwrite,
// with a transparency (0..100 on a track bar and a spin edit, enabled only
// for this way), lighter pixels first, darker pixels first, add and
// subtract. The way and the transparency are the main window's settings
// "MergeType" and "MergeAlphaChannel" of section "Effects".

#include <QDialog>

#include <memory>
#include <string>

#include "document/QxImage.h"
#include "effects/Composition.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace zelvo {

class TSecondPictureInput;
class TEditorContext;

/// The remembered merge way ("MergeType": 0 overwrite, 1 with the
/// transparency, 2 add, 3 subtract, 4 lighter first, 5 darker first) as
/// the document's blend kind and transparency: overwrite is kind 0 with
/// transparency 0, the transparency way kind 0 with `transparency`, add 3,
/// subtract 4, lighter 1, darker 2.
struct TMergeCall {
    int Kind = 0;
    int Transparency = 0;
};
TMergeCall MergeCallFor(int mergeType, int transparency);

/// The largest "MergeType"; "MergeAlphaChannel" keeps
/// effects::kMergeTransparency.
inline constexpr int kMergeTypeMax = 5;

class TZVfrmMerge : public QDialog {
public:
    /// Builds the dialog over `form`, preset from its remembered values.
    explicit TZVfrmMerge(TEditorContext& form);

    /// The name of the undo step OK records; the command sets it.
    std::string UndoCaption;
    ~TZVfrmMerge() override;

    QLabel* Label1 = nullptr;  ///< "合成する画像ファイル：" (of the second-picture input)
    QLineEdit* Edit1 = nullptr;  ///< the second picture's file name
    QToolButton* SpeedButton1 = nullptr;  ///< "..."
    QCheckBox* CheckBox1 = nullptr;  ///< "クリップボードから入力(&C)"
    QGroupBox* GroupBox1 = nullptr;  ///< "合成方法"
    QRadioButton* chkOverwrite = nullptr;
    QRadioButton* chkNormal = nullptr;
    QRadioButton* chkLight = nullptr;
    QRadioButton* chkDark = nullptr;
    QRadioButton* chkAdd = nullptr;
    QRadioButton* chkSubtract = nullptr;
    QLabel* Label3 = nullptr;  ///< "透明"
    QSlider* TrackBar1 = nullptr;  ///< the transparency, between "透明" and "不透明"
    QLabel* Label4 = nullptr;  ///< "不透明"
    QSpinBox* SpinEdit1 = nullptr;  ///< the transparency, with TrackBar1
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    TSecondPictureInput& Input() { return *FInput; }
    /// The hidden document the second picture is read into.
    TQxImage& QxImage1() { return *FSource; }
    /// The way now chosen, as "MergeType" numbers it.
    int MergeType() const;

    /// OK: reads the second picture (on failure the dialog stays open and
    /// false is returned); then, in the main window's busy state, remembers
    /// the way and the transparency, merges (undo caption "合成") and
    /// closes.
    bool OkClick();

private:
    void UpdateTransparencyEnabled();

    TEditorContext& FForm;
    std::unique_ptr<TQxImage> FSource;
    TSecondPictureInput* FInput = nullptr;
};

}  // namespace zelvo
