#pragma once
// TZVfrmRegularPreview: the effect dialog with a preview at full scale (the
// blind effect). The source is shown at 100 % with scroll bars; each
// refresh runs the effect on an overlay holding exactly the visible part,
// with offsets that line its stripes up with those of the final picture.

#include <QDialog>

#include <functional>
#include <string>

#include "document/QxImage.h"
#include "image/Types.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zelvo {

class TFullScalePreview;
class TQxImageView;
class TEditorContext;

/// The blind operation: slat width, colour, vertical and horizontal offset
/// of the stripes, horizontal slats. Empty (the default) runs the
/// document's Blind; tests replace it.
using TBlindOperation =
    std::function<void(TQxImage& doc, int width, TColor color, int offsetY, int offsetX, bool horizontal)>;
TBlindOperation& BlindOperation();

class TZVfrmRegularPreview : public QDialog {
public:
    /// Loads the selection (as 24 bits) or the whole picture of `form` into
    /// the source view, scrolled so that its centre is visible, and shows
    /// the first preview.
    explicit TZVfrmRegularPreview(TEditorContext& form);
    ~TZVfrmRegularPreview() override;

    /// The name of the undo step OK records; the command sets it.
    std::string UndoCaption;

    QLabel* Label1 = nullptr;  ///< "ブラインドの幅"
    QSlider* TrackBar1 = nullptr;  ///< the blind's width, with SpinEdit1
    QSpinBox* SpinEdit1 = nullptr;  ///< the blind's width
    QCheckBox* CheckBox1 = nullptr;  ///< "水平方向"
    QLabel* Label4 = nullptr;  ///< "色："
    QFrame* Panel4 = nullptr;  ///< the colour swatch
    QFrame* Panel1 = nullptr;  ///< 120 x 120, holds the source and the overlay
    QPushButton* Button1 = nullptr;  ///< "OK"
    QPushButton* Button2 = nullptr;  ///< "キャンセル"
    QPushButton* Button3 = nullptr;  ///< "ヘルプ"

    TQxImage& QxImage1();
    TQxImage& Overlay();
    TQxImageView& SourceView();
    TQxImageView& OverlayView();
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

    /// The refresh: the visible part of the source into the overlay, the
    /// effect on it, the overlay shown.
    void RefreshPreview();
    /// Clicking the swatch: the colour dialog (ChooseColor) and, on OK, the
    /// new colour and a refresh.
    void SwatchClick();
    /// OK: stores width, direction and colour, runs the effect on the
    /// document and adds the undo-list entry UndoCaption.
    void OkClick();
    /// The colour choice; QColorDialog unless replaced (tests).
    std::function<bool(TColor& color)> ChooseColor;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunBlind(TQxImage& doc, int width, int offsetY, int offsetX, bool horizontal);

    TEditorContext& FForm;
    TFullScalePreview* FPreview = nullptr;
    TColor FColor = clBlack;
};

}  // namespace zelvo
