#pragma once
// TZVfrmResize: the resize dialog "リサイズ". The new size is entered either
// as pixels or as percentages of the current size; with "縦横の比率を保持する"
// on, editing one side follows the other. "再サンプリングを行う" chooses a
// filtered resampling with one of the seven filters instead of the fast
// nearest-pixel stretch. The check box and the filter are remembered in the
// main window's "ApplyResample" and "ResampleIndex".

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zelvo {

class TEditorContext;

/// The dialog's numbers and how an edit of one field changes the others.
/// Sizes stay inside 1..1 000 000 000 and ratios inside 0..10000, the
/// ranges of their spin edits.
struct TResizeModel {
    static constexpr int kSizeMin = 1;
    static constexpr int kSizeMax = 1000000000;
    static constexpr int kRatioMax = 10000;

    int PictureWidth = 1;
    int PictureHeight = 1;
    int Width = 1;
    int Height = 1;
    int RatioX = 100;  ///< per cent of PictureWidth
    int RatioY = 100;
    bool KeepAspect = true;

    /// Starts at the picture's size and 100 % each way.
    TResizeModel(int pictureWidth, int pictureHeight);

    /// The width was edited: with KeepAspect the height becomes
    /// Trunc(PictureHeight / PictureWidth x width + 0.5); then both ratios
    /// become size x 100 div picture size.
    void EditWidth(int width);
    /// The height was edited; the width follows likewise.
    void EditHeight(int height);
    /// A ratio was edited: with KeepAspect the other ratio takes the same
    /// value; then both sizes become picture size x ratio div 100.
    void EditRatioX(int ratio);
    void EditRatioY(int ratio);

private:
    void RatiosFromSizes();
    void SizesFromRatios();
};

/// The filter list's item for a remembered index: the last entry (the
/// list's preset) unless `remembered` names an entry.
int ResizeFilterItem(int remembered, int count);

class TZVfrmResize : public QDialog {
public:
    /// Builds the dialog over `form`'s picture, preset from its remembered
    /// values.
    explicit TZVfrmResize(TEditorContext& form);

    QLabel* LabelSize = nullptr;         ///< "現在のサイズ：" and "%d x %d"
    QRadioButton* rbSize = nullptr;      ///< "サイズで指定する(&S)"
    QRadioButton* rbRatio = nullptr;     ///< "比率で指定する(&R)"
    QSpinBox* SpinEditWidth = nullptr;   ///< pixels
    QSpinBox* SpinEditHeight = nullptr;
    QSpinBox* SpinEditRatioX = nullptr;  ///< per cent
    QSpinBox* SpinEditRatioY = nullptr;
    QCheckBox* cbKeepAspect = nullptr;   ///< "縦横の比率を保持する"
    QCheckBox* cbResample = nullptr;     ///< "再サンプリングを行う"
    QComboBox* cbFilter = nullptr;       ///< the seven filters
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    const TResizeModel& Model() const { return FModel; }

    /// Chooses the way of entering the size: the other way's fields are
    /// disabled and the focus goes to the first field of this one.
    void SetRatioMode(bool byRatio);
    /// OK: hourglass, hide, busy state, then Resample with the chosen filter
    /// and its support when resampling is on, otherwise StretchResize;
    /// remembers the check box and the filter; undo-list entry; closes.
    void OkClick();

private:
    /// A spin edit changed; only the focused field drives the others.
    void FieldChanged(QSpinBox* field);
    void ShowModel();

    TEditorContext& FForm;
    TResizeModel FModel;
};

}  // namespace zelvo
