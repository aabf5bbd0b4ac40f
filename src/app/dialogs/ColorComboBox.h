#pragma once
// TColorComboBox: a drop-down list of colours, each item a swatch and a
// name: the sixteen standard colours, then "その他..." which asks for any
// colour with the colour dialog. A colour that is not one of the sixteen
// gets an item of its own (its "#rrggbb") above "その他...".

#include <QComboBox>

#include <functional>

#include "image/Types.h"

namespace zelvo {

class TColorComboBox : public QComboBox {
public:
    explicit TColorComboBox(QWidget* parent = nullptr);

    /// The chosen colour.
    TColor Selected() const;
    /// Selects `color`'s item, adding one for a colour outside the list.
    void SetSelected(TColor color);

    /// The colour choice of "その他..."; the colour dialog unless replaced
    /// (tests). Returns false when cancelled.
    std::function<bool(TColor& color)> ChooseColor;

private:
    void Activated(int index);
    int OtherIndex() const { return count() - 1; }

    TColor FLast = clBlack;
};

}  // namespace zelvo
