#include "app/window/ToneCommands.h"

#include <QCoreApplication>
#include <QAction>
#include <QColorDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/dialogs/EffectSettings.h"
#include "app/window/CommandHandlers.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

QColor ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
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
    form.RunImmediate(UndoCaption(&TMainActions::mnuSingleColorScale), [&form, chosen] { form.QxImage1().SingleColorScale(chosen); });
}

void SetUpPosterizeButton(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    // The posterize button's drop-down entry posterizes to 4 levels at
    // once, without the dialog.
    if (QToolButton* button = qobject_cast<QToolButton*>(form.Toolbar3->widgetForAction(form.Actions.mnuPosterize))) {
        auto* menu = new QMenu(button);
        menu->setObjectName(QStringLiteral("PosterizePopup"));
        QAction* four = menu->addAction(QCoreApplication::translate("ToneCommands", "ポスタライズ"));
        four->setObjectName(QStringLiteral("mnuPosterize4"));
        QObject::connect(four, &QAction::triggered, f, [f] {
            f->RunImmediate(QT_TRANSLATE_NOOP("undo", "ポスタライズ"), [f] { f->QxImage1().Posterize(4); });
        });
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

}  // namespace zelvo
