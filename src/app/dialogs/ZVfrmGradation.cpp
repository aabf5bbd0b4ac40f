#include "app/dialogs/ZVfrmGradation.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "app/common/HelpPages.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "Gradation";
constexpr int kHelpGradation = 95;

constexpr const char* kDirections[kGradationDirectionCount] = {
    QT_TRANSLATE_NOOP("TZVfrmGradation", "左から右"), QT_TRANSLATE_NOOP("TZVfrmGradation", "右から左"), QT_TRANSLATE_NOOP("TZVfrmGradation", "上から下"), QT_TRANSLATE_NOOP("TZVfrmGradation", "下から上"), QT_TRANSLATE_NOOP("TZVfrmGradation", "左上から右下"), QT_TRANSLATE_NOOP("TZVfrmGradation", "右下から左上"), QT_TRANSLATE_NOOP("TZVfrmGradation", "左下から右上"), QT_TRANSLATE_NOOP("TZVfrmGradation", "右上から左下"),
};

void PaintSwatch(QFrame* panel, TColor color) {
    panel->setStyleSheet(QStringLiteral("QFrame#%1 { background-color: %2; border: 1px solid black; }")
                             .arg(panel->objectName(), ColorCss(color)));
}

}  // namespace

namespace {

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(ColorKey("Color1", s.Color1));
    visit(ColorKey("Color2", s.Color2));
    visit(IntKey("Direction", s.Direction, 0, kGradationDirectionCount - 1));
    visit(IntKey("AlphaChannel", s.AlphaChannel, effects::kGradationOpacity.Min, effects::kGradationOpacity.Max));
}

}  // namespace

TGradationSettings ReadGradationSettings(const TIniFile& ini) {
    TGradationSettings s;
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteGradationSettings(const TGradationSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

TZVfrmGradation::TZVfrmGradation(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmGradation"));
    setWindowTitle(QCoreApplication::translate("TZVfrmGradation", "グラデーション"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    setFixedSize(300, 196);

    const TGradationSettings s = ReadGradationSettings(TIniFile(SettingsPath()));
    auto label = [this](const char* name, const char* text, int x, int y, int w) {
        auto* l = new QLabel(QCoreApplication::translate("TZVfrmGradation", text), this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(x, y, w, 22);
        return l;
    };
    auto swatch = [this](const char* name, int y) {
        auto* panel = new QFrame(this);
        panel->setObjectName(QLatin1String(name));
        panel->setGeometry(64, y, 64, 22);
        return panel;
    };
    auto dots = [this](const char* name, int y, int which) {
        auto* button = new QPushButton(QStringLiteral("..."), this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(132, y, 30, 22);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, which] { ColorClick(which); });
        return button;
    };
    Label1 = label("Label1", QT_TRANSLATE_NOOP("TZVfrmGradation", "色１："), 10, 10, 50);
    Panel1 = swatch("Panel1", 10);
    Button1 = dots("Button1", 10, 1);
    Label2 = label("Label2", QT_TRANSLATE_NOOP("TZVfrmGradation", "色２："), 10, 38, 50);
    Panel2 = swatch("Panel2", 38);
    Button2 = dots("Button2", 38, 2);
    SetColor1(s.Color1);
    SetColor2(s.Color2);

    Label3 = label("Label3", QT_TRANSLATE_NOOP("TZVfrmGradation", "不透明度："), 10, 70, 80);
    ScrollBar1 = new QSlider(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setGeometry(90, 68, 140, 26);
    ScrollBar1->setRange(effects::kGradationOpacity.Min, effects::kGradationOpacity.Max);
    ScrollBar1->setValue(s.AlphaChannel);
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", effects::kGradationOpacity.Min, effects::kGradationOpacity.Max, s.AlphaChannel, 56);
    SpinEdit1->setGeometry(234, 70, 56, 22);
    LinkTrackBarAndSpinEdit(ScrollBar1, SpinEdit1);

    Label4 = label("Label4", QT_TRANSLATE_NOOP("TZVfrmGradation", "グラデーションの方向："), 10, 100, 200);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const char* caption : kDirections) ComboBox1->addItem(QCoreApplication::translate("TZVfrmGradation", caption));
    ComboBox1->setGeometry(10, 124, 180, 24);
    ComboBox1->setCurrentIndex(s.Direction);

    // Enter acts as OK: btnOK is the default button.
    MakeOkCancelHelpButtons(*this, 34, 162, {"btnOK", "btnCancel", "btnHelp"}, btnOK, btnCancel, btnHelp,
                            [this] { OkClick(); }, [] { ShowHelpTopic(kHelpGradation); });
    ChooseColor = [this](TColor& color) { return PickColor(this, color); };
}

TGradationSettings TZVfrmGradation::Values() const {
    return {FColor1, FColor2, ComboBox1->currentIndex(), SpinEdit1->value()};
}

void TZVfrmGradation::SetColor1(TColor color) {
    FColor1 = color;
    PaintSwatch(Panel1, color);
}

void TZVfrmGradation::SetColor2(TColor color) {
    FColor2 = color;
    PaintSwatch(Panel2, color);
}

void TZVfrmGradation::ColorClick(int which) {
    TColor color = which == 1 ? FColor1 : FColor2;
    if (!ChooseColor || !ChooseColor(color)) return;
    if (which == 1) SetColor1(color);
    else SetColor2(color);
}

void TZVfrmGradation::OkClick() {
    const TGradationSettings s = Values();
    hide();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            if (FForm.ImageEmpty()) return false;
            FForm.QxImage1().Gradation(s.Color1, s.Color2, s.AlphaChannel, s.Direction + 1);
            return true;
        },
        [this, s] {
            TIniFile ini(SettingsPath());
            WriteGradationSettings(s, ini);
            ini.UpdateFile();
            accept();
        });
}

}  // namespace zelvo
