#include "app/window/ToneCommands.h"

#include <QAction>
#include <QColorDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/dialogs/EffectSettings.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

QColor ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

void Immediate(TZVfrmMain& form, QAction* action, const char* caption, void (TQxImage::*operation)()) {
    TZVfrmMain* f = &form;
    QObject::connect(action, &QAction::triggered, f,
                     [f, caption, operation] { f->RunImmediate(caption, [f, operation] { (f->QxImage1().*operation)(); }); });
}

void Preview(TZVfrmMain& form, QAction* action, TPreviewEffectType type) {
    TZVfrmMain* f = &form;
    QObject::connect(action, &QAction::triggered, f, [f, type] { ShowPreviewEffect(*f, type); });
}

}  // namespace

std::function<std::optional<TColor>(TZVfrmMain& form, TColor initial)>& SingleColorDialog() {
    static std::function<std::optional<TColor>(TZVfrmMain&, TColor)> dialog =
        [](TZVfrmMain& form, TColor initial) -> std::optional<TColor> {
        const QColor chosen = QColorDialog::getColor(ToQColor(initial), &form);
        if (!chosen.isValid()) return std::nullopt;
        return RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue()));
    };
    return dialog;
}

void SingleColorScaleClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    TEffectSettings& settings = EffectSettings(form);
    const std::optional<TColor> color = SingleColorDialog()(form, settings.SingleColorScale);
    if (!color) return;
    settings.SingleColorScale = *color;
    const TColor chosen = *color;
    form.RunImmediate("単色カラースケール", [&form, chosen] { form.QxImage1().SingleColorScale(chosen); });
}

void InstallToneCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    Immediate(form, form.Actions.mnuGrayscale, "グレースケール変換", &TQxImage::Grayscale);
    Immediate(form, form.Actions.mnuSepia, "セピア色変換", &TQxImage::Sepia);
    Immediate(form, form.Actions.mnuNegative, "ネガポジ反転", &TQxImage::Negative);
    Immediate(form, form.Actions.mnuSwapRGB, "RGB交換", &TQxImage::SwapRGB);
    Immediate(form, form.Actions.mnuXORConvert, "XORカラー変換", &TQxImage::XORConvert);
    QObject::connect(form.Actions.mnuSingleColorScale, &QAction::triggered, f, [f] { SingleColorScaleClick(*f); });

    Preview(form, form.Actions.mnuBrightness, TPreviewEffectType::Brightness);
    Preview(form, form.Actions.mnuContrast, TPreviewEffectType::Contrast);
    Preview(form, form.Actions.mnuGamma, TPreviewEffectType::Gamma);
    Preview(form, form.Actions.mnuRGB, TPreviewEffectType::RGB);
    Preview(form, form.Actions.mnuHSV, TPreviewEffectType::HSV);
    Preview(form, form.Actions.mnuMonochrome, TPreviewEffectType::Monochrome);
    Preview(form, form.Actions.mnuPosterize, TPreviewEffectType::Posterize);
    Preview(form, form.Actions.mnuSolarization, TPreviewEffectType::Solarization);

    // The posterize button's drop-down entry posterizes to 4 levels at
    // once, without the dialog.
    if (QToolButton* button = qobject_cast<QToolButton*>(form.Toolbar3->widgetForAction(form.Actions.mnuPosterize))) {
        auto* menu = new QMenu(button);
        menu->setObjectName(QStringLiteral("PosterizePopup"));
        QAction* four = menu->addAction(QString::fromUtf8("ポスタライズ"));
        four->setObjectName(QStringLiteral("mnuPosterize4"));
        QObject::connect(four, &QAction::triggered, f, [f] {
            f->RunImmediate("ポスタライズ", [f] { f->QxImage1().Posterize(4); });
        });
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

}  // namespace zelvo
