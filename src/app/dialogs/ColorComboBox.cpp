#include "app/dialogs/ColorComboBox.h"

#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

#include "app/dialogs/DialogParts.h"

namespace zelvo {
namespace {

struct TNamedColor {
    TColor Color;
    const char* Name;
};

constexpr TNamedColor kStandardColors[] = {
    {clBlack, "黒"},   {clMaroon, "栗色"},   {clGreen, "緑"},      {clOlive, "オリーブ"},
    {clNavy, "紺"},    {clPurple, "紫"},     {clTeal, "青緑"},     {clGray, "灰色"},
    {clSilver, "銀"},  {clRed, "赤"},        {clLime, "ライム"},   {clYellow, "黄"},
    {clBlue, "青"},    {clFuchsia, "赤紫"},  {clAqua, "水色"},     {clWhite, "白"},
};

QIcon Swatch(TColor color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(QColor(ColorCss(color)));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

}  // namespace

TColorComboBox::TColorComboBox(QWidget* parent) : QComboBox(parent) {
    for (const TNamedColor& c : kStandardColors) addItem(Swatch(c.Color), QString::fromUtf8(c.Name), int(c.Color));
    addItem(QString::fromUtf8("その他..."));
    ChooseColor = [this](TColor& color) { return PickColor(this, color); };
    connect(this, &QComboBox::activated, this, [this](int index) { Activated(index); });
    SetSelected(clBlack);
}

TColor TColorComboBox::Selected() const { return FLast; }

void TColorComboBox::SetSelected(TColor color) {
    const TColor rgb = ColorToRGB(color);
    const QSignalBlocker block(this);
    int index = findData(int(rgb));
    if (index < 0) {
        index = OtherIndex();
        insertItem(index, Swatch(rgb), ColorCss(rgb), int(rgb));
    }
    setCurrentIndex(index);
    FLast = rgb;
}

void TColorComboBox::Activated(int index) {
    if (index != OtherIndex()) {
        FLast = TColor(itemData(index).toInt());
        return;
    }
    TColor color = FLast;
    if (ChooseColor && ChooseColor(color)) SetSelected(color);
    else SetSelected(FLast);  // back to the colour chosen before
}

}  // namespace zelvo
