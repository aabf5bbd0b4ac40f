#include "app/window/ToneCommands.h"

#include <QAction>
#include <QColorDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/dialogs/EffectSettings.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
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

void Preview(TZVfrmMain& form, QAction* action, int type) {
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
    Immediate(form, form.mnuGrayscale, "グレースケール変換", &TQxImage::Grayscale);
    Immediate(form, form.mnuSepia, "セピア色変換", &TQxImage::Sepia);
    Immediate(form, form.mnuNegative, "ネガポジ反転", &TQxImage::Negative);
    Immediate(form, form.mnuSwapRGB, "RGB交換", &TQxImage::SwapRGB);
    Immediate(form, form.mnuXORConvert, "XORカラー変換", &TQxImage::XORConvert);
    QObject::connect(form.mnuSingleColorScale, &QAction::triggered, f, [f] { SingleColorScaleClick(*f); });

    Preview(form, form.mnuBrightness, 2);
    Preview(form, form.mnuContrast, 3);
    Preview(form, form.mnuGamma, 4);
    Preview(form, form.mnuRGB, 5);
    Preview(form, form.mnuHSV, 6);
    Preview(form, form.mnuMonochrome, 7);
    Preview(form, form.mnuPosterize, 9);
    Preview(form, form.mnuSolarization, 10);

    // The posterize button's drop-down entry posterizes to 4 levels at
    // once, without the dialog.
    if (QToolButton* button = qobject_cast<QToolButton*>(form.Toolbar3->widgetForAction(form.mnuPosterize))) {
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

    // The JPEG quality is the slide dialog's type 6; it replaces the file
    // commands' own dialog.
    QObject::disconnect(form.mnuJpegQuality, &QAction::triggered, f, nullptr);
    QObject::connect(form.mnuJpegQuality, &QAction::triggered, f, [f] { ShowSlideEffect(*f, 6); });
}

}  // namespace zelvo
