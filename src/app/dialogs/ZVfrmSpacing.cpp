#include "app/dialogs/ZVfrmSpacing.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "effects/Geometry.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "Spacing";

QSpinBox* MarginEdit(QWidget* parent, const char* name, const effects::TParameter& margin, int value) {
    return MakeSpinEdit(parent, name, margin.Min, margin.Max, value, 72);
}

}  // namespace

namespace {

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(IntKey("Top", s.Top, effects::kMarginTop.Min, effects::kMarginTop.Max));
    visit(IntKey("Bottom", s.Bottom, effects::kMarginBottom.Min, effects::kMarginBottom.Max));
    visit(IntKey("Left", s.Left, effects::kMarginLeft.Min, effects::kMarginLeft.Max));
    visit(IntKey("Right", s.Right, effects::kMarginRight.Min, effects::kMarginRight.Max));
    visit(ColorKey("Color", s.Color));
}

}  // namespace

TSpacingSettings ReadSpacingSettings(const TIniFile& ini) {
    TSpacingSettings s;
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteSpacingSettings(const TSpacingSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

TZVfrmSpacing::TZVfrmSpacing(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmSpacing"));
    setWindowTitle(QCoreApplication::translate("TZVfrmSpacing", "余白作成"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    const TSpacingSettings s = ReadSpacingSettings(TIniFile(SettingsPath()));
    SpinEditTop = MarginEdit(this, "SpinEditTop", effects::kMarginTop, s.Top);
    SpinEditBottom = MarginEdit(this, "SpinEditBottom", effects::kMarginBottom, s.Bottom);
    SpinEditLeft = MarginEdit(this, "SpinEditLeft", effects::kMarginLeft, s.Left);
    SpinEditRight = MarginEdit(this, "SpinEditRight", effects::kMarginRight, s.Right);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSpacing", "余白の大きさ（ピクセル単位）"), this), 0, 0, 1, 4);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSpacing", "上の余白："), this), 1, 0);
    grid->addWidget(SpinEditTop, 1, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSpacing", "下の余白："), this), 1, 2);
    grid->addWidget(SpinEditBottom, 1, 3);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSpacing", "左の余白："), this), 2, 0);
    grid->addWidget(SpinEditLeft, 2, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSpacing", "右の余白："), this), 2, 2);
    grid->addWidget(SpinEditRight, 2, 3);

    PanelColor = new QFrame(this);
    PanelColor->setObjectName(QStringLiteral("PanelColor"));
    PanelColor->setFixedSize(60, 22);
    btnColor = new QPushButton(QStringLiteral("..."), this);
    btnColor->setObjectName(QStringLiteral("btnColor"));
    btnColor->setAutoDefault(false);
    btnColor->setFixedWidth(32);
    connect(btnColor, &QPushButton::clicked, this, [this] { ColorClick(); });
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSpacing", "余白の色："), this));
    colorRow->addWidget(PanelColor);
    colorRow->addWidget(btnColor);
    colorRow->addStretch();
    SetColor(s.Color);

    QHBoxLayout* buttons = MakeOkCancelRow(*this, btnOK, btnCancel, [this] { OkClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(colorRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ChooseColor = [this](TColor& color) { return PickColor(this, color); };
}

TSpacingSettings TZVfrmSpacing::Values() const {
    return {SpinEditTop->value(), SpinEditBottom->value(), SpinEditLeft->value(), SpinEditRight->value(), FColor};
}

void TZVfrmSpacing::SetColor(TColor color) {
    FColor = color;
    PanelColor->setStyleSheet(
        QStringLiteral("QFrame#PanelColor { background-color: %1; border: 1px solid black; }").arg(ColorCss(color)));
}

void TZVfrmSpacing::ColorClick() {
    TColor color = FColor;
    if (ChooseColor(color)) SetColor(color);
}

void TZVfrmSpacing::OkClick() {
    const TSpacingSettings s = Values();
    TIniFile ini(SettingsPath());
    WriteSpacingSettings(s, ini);
    ini.UpdateFile();

    hide();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            if (FForm.ImageEmpty()) return false;
            FForm.QxImage1().AddMargins(s.Top, s.Bottom, s.Color, s.Right, s.Left);
            return true;
        },
        [this] { accept(); });
}

}  // namespace zelvo
