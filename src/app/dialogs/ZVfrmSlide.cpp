#include "app/dialogs/ZVfrmSlide.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

#include "app/common/Language.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/HelpPages.h"
#include "app/common/EditorContext.h"

namespace zelvo {

TZVfrmSlide::TZVfrmSlide(TEditorContext& form, const TSlideEffect& effect)
    : QDialog(&form.Window()), FForm(form), FEffect(effect) {
    setObjectName(QStringLiteral("ZVfrmSlide"));
    FSetup = FEffect.Setup(form);
    setWindowTitle(EffectText(FSetup.Caption));
    setFixedSize(307, 141);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    Label1 = new QLabel(EffectText(FSetup.Label), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 291, 18);
    ScrollBar1 = new QSlider(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setGeometry(4, 28, 220, 26);
    ScrollBar1->setRange(FSetup.Min, FSetup.Max);
    ScrollBar1->setValue(FSetup.Position);
    ScrollBar1->setTickPosition(QSlider::TicksBelow);
    ScrollBar1->setTickInterval(std::max(1, FSetup.Frequency));
    ScrollBar1->setPageStep(std::max(1, FSetup.Frequency));
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(230, 28, 68, 24);
    SpinEdit1->setRange(FSetup.Min, FSetup.Max);
    SpinEdit1->setValue(FSetup.Position);
    // The spin edit follows the track bar and the track bar the spin edit.
    connect(ScrollBar1, &QSlider::valueChanged, SpinEdit1, &QSpinBox::setValue);
    connect(SpinEdit1, &QSpinBox::valueChanged, ScrollBar1, &QSlider::setValue);

    CheckBox1 = new QCheckBox(EffectText(FSetup.Check1), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 62, 140, 20);
    CheckBox1->setChecked(FSetup.Check1Value);
    CheckBox1->setVisible(!FSetup.Check1.empty());
    CheckBox2 = new QCheckBox(EffectText(FSetup.Check2), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(156, 62, 140, 20);
    CheckBox2->setChecked(FSetup.Check2Value);
    CheckBox2->setVisible(!FSetup.Check2.empty());
    if (FSetup.KeepOneChecked) {
        connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
            if (!on && !CheckBox2->isChecked()) CheckBox2->setChecked(true);
        });
        connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) {
            if (!on && !CheckBox1->isChecked()) CheckBox1->setChecked(true);
        });
    }

    MakeOkCancelHelpButtons(*this, 36, 106, {"btnOK", "btnCancel", "btnHelp"}, btnOK, btnCancel, btnHelp,
                            [this] { OkClick(); }, [this] { HelpClick(); });
    FitLabelsToFont(*this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TZVfrmSlide::OkClick() {
    hide();
    FForm.RunBusy(
        FEffect.UndoCaption,
        [&] { return FEffect.Apply(FForm, ScrollBar1->value(), CheckBox1->isChecked(), CheckBox2->isChecked()); },
        [this] { accept(); });
}

void TZVfrmSlide::HelpClick() { ShowHelpTopic(FSetup.HelpTopic); }

bool ShowSlideEffect(TEditorContext& form, TSlideEffectType type) {
    const TSlideEffect* effect = FindSlideEffect(type);
    if (!effect) return false;
    // A row that only edits a setting (JPEG quality) opens without a picture.
    if (form.ImageEmpty() && !effect->UndoCaption.empty()) return true;
    TZVfrmSlide dialog(form, *effect);
    dialog.exec();
    return true;
}

}  // namespace zelvo
