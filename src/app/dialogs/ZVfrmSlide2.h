#pragma once
// TZVfrmSlide2: the two-slider dialog of the block effect (cell width and
// height, frame lines, offset rows, filled cells).

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zelvo {

class TQxImage;
class TEditorContext;

/// The block operation the dialog runs on OK: cell width and height (2..50),
/// offset alternate rows by half, draw frame lines, fill the cells. Empty
/// (the default) runs the document's Block; tests replace it.
using TBlockOperation = std::function<void(TQxImage& doc, int width, int height, bool shift, bool frame, bool fill)>;
TBlockOperation& BlockOperation();

class TZVfrmSlide2 : public QDialog {
public:
    /// Preset from the main window's remembered block values.
    explicit TZVfrmSlide2(TEditorContext& form);

    QLabel* Label1 = nullptr;  ///< "ブロックの幅(2～50)"
    QLabel* Label2 = nullptr;  ///< "ブロックの高さ(2～50)"
    QSlider* ScrollBar1 = nullptr;  ///< the block width, with SpinEdit1
    QSpinBox* SpinEdit1 = nullptr;  ///< the block width
    QSlider* ScrollBar2 = nullptr;  ///< the block height, with SpinEdit2
    QSpinBox* SpinEdit2 = nullptr;  ///< the block height
    QCheckBox* CheckBox1 = nullptr;  ///< frame lines; enabled only while CheckBox3 is checked
    QCheckBox* CheckBox2 = nullptr;  ///< offset alternate rows
    QCheckBox* CheckBox3 = nullptr;  ///< fill cells
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    /// OK: hide, store all five values, busy bracket, the block operation,
    /// the undo-list entry "ブロック", close.
    void OkClick();

private:
    TEditorContext& FForm;
};

}  // namespace zelvo
