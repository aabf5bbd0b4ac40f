#include "app/dialogs/ColorComboBox.h"

#include <QCoreApplication>
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
    {clBlack, QT_TRANSLATE_NOOP("ColorComboBox", "黒")},   {clMaroon, QT_TRANSLATE_NOOP("ColorComboBox", "栗色")},   {clGreen, QT_TRANSLATE_NOOP("ColorComboBox", "緑")},      {clOlive, QT_TRANSLATE_NOOP("ColorComboBox", "オリーブ")},
    {clNavy, QT_TRANSLATE_NOOP("ColorComboBox", "紺")},    {clPurple, QT_TRANSLATE_NOOP("ColorComboBox", "紫")},     {clTeal, QT_TRANSLATE_NOOP("ColorComboBox", "青緑")},     {clGray, QT_TRANSLATE_NOOP("ColorComboBox", "灰色")},
    {clSilver, QT_TRANSLATE_NOOP("ColorComboBox", "銀")},  {clRed, QT_TRANSLATE_NOOP("ColorComboBox", "赤")},        {clLime, QT_TRANSLATE_NOOP("ColorComboBox", "ライム")},   {clYellow, QT_TRANSLATE_NOOP("ColorComboBox", "黄")},
    {clBlue, QT_TRANSLATE_NOOP("ColorComboBox", "青")},    {clFuchsia, QT_TRANSLATE_NOOP("ColorComboBox", "赤紫")},  {clAqua, QT_TRANSLATE_NOOP("ColorComboBox", "水色")},     {clWhite, QT_TRANSLATE_NOOP("ColorComboBox", "白")},
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
    for (const TNamedColor& c : kStandardColors) addItem(Swatch(c.Color), QCoreApplication::translate("ColorComboBox", c.Name), int(c.Color));
    addItem(QCoreApplication::translate("ColorComboBox", "その他..."));
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
