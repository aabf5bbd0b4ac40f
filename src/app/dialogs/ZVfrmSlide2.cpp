#include "app/dialogs/ZVfrmSlide2.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

#include "app/dialogs/DialogParts.h"
#include "app/dialogs/EffectSettings.h"
#include "app/common/HelpPages.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"

namespace zelvo {

TBlockOperation& BlockOperation() {
    static TBlockOperation operation;
    return operation;
}

TZVfrmSlide2::TZVfrmSlide2(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmSlide2"));
    setWindowTitle(QCoreApplication::translate("TZVfrmSlide2", "ブロック"));
    setFixedSize(307, 230);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    const TEffectSettings& settings = EffectSettings(form);

    // A hand-edited file may hold any byte; the tracks keep the parameter's
    // range.
    auto row = [this](int top, const char* caption, const effects::TParameter& parameter, int position,
                      QLabel*& label, QSlider*& track, QSpinBox*& spin, int index) {
        label = new QLabel(QCoreApplication::translate("TZVfrmSlide2", caption), this);
        label->setObjectName(QStringLiteral("Label%1").arg(index));
        label->setGeometry(8, top, 291, 18);
        track = new QSlider(Qt::Horizontal, this);
        track->setObjectName(QStringLiteral("ScrollBar%1").arg(index));
        track->setGeometry(4, top + 20, 220, 26);
        track->setRange(parameter.Min, parameter.Max);
        track->setTickPosition(QSlider::TicksBelow);
        track->setTickInterval(2);
        track->setPageStep(2);
        track->setValue(parameter.Limit(position));
        spin = new QSpinBox(this);
        spin->setObjectName(QStringLiteral("SpinEdit%1").arg(index));
        spin->setGeometry(230, top + 20, 68, 24);
        spin->setRange(parameter.Min, parameter.Max);
        spin->setValue(track->value());
        connect(track, &QSlider::valueChanged, spin, &QSpinBox::setValue);
        connect(spin, &QSpinBox::valueChanged, track, &QSlider::setValue);
    };
    row(8, QT_TRANSLATE_NOOP("TZVfrmSlide2", "ブロックの幅(2～50)"), effects::kBlockWidth, settings.BlockWidth, Label1, ScrollBar1, SpinEdit1, 1);
    row(60, QT_TRANSLATE_NOOP("TZVfrmSlide2", "ブロックの高さ(2～50)"), effects::kBlockHeight, settings.BlockHeight, Label2, ScrollBar2, SpinEdit2, 2);

    CheckBox1 = new QCheckBox(QCoreApplication::translate("TZVfrmSlide2", "枠線を描画する"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 114, 291, 20);
    CheckBox1->setChecked(settings.BlockFrame);
    CheckBox2 = new QCheckBox(QCoreApplication::translate("TZVfrmSlide2", "段と段を半分ずらす"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(8, 138, 291, 20);
    CheckBox2->setChecked(settings.BlockShift);
    CheckBox3 = new QCheckBox(QCoreApplication::translate("TZVfrmSlide2", "ブロックを塗りつぶす"), this);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox3->setGeometry(8, 162, 291, 20);
    CheckBox3->setChecked(settings.BlockFillRect);
    // Frame lines only make sense on filled cells.
    CheckBox1->setEnabled(CheckBox3->isChecked());
    connect(CheckBox3, &QCheckBox::toggled, CheckBox1, &QCheckBox::setEnabled);

    // The block effect names no topic of its own: Help opens the index.
    MakeOkCancelHelpButtons(*this, 36, 194, {"btnOK", "btnCancel", "btnHelp"}, btnOK, btnCancel, btnHelp,
                            [this] { OkClick(); }, [] { ShowHelpTopic(0); });
    FitLabelsToFont(*this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TZVfrmSlide2::OkClick() {
    hide();
    TEffectSettings& settings = EffectSettings(FForm);
    settings.BlockWidth = std::uint8_t(ScrollBar1->value());
    settings.BlockHeight = std::uint8_t(ScrollBar2->value());
    settings.BlockFrame = CheckBox1->isChecked();
    settings.BlockShift = CheckBox2->isChecked();
    settings.BlockFillRect = CheckBox3->isChecked();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            if (BlockOperation())
                BlockOperation()(FForm.QxImage1(), settings.BlockWidth, settings.BlockHeight, settings.BlockShift,
                                 settings.BlockFrame, settings.BlockFillRect);
            else
                FForm.QxImage1().Block(settings.BlockWidth, settings.BlockHeight, settings.BlockShift,
                                       settings.BlockFrame, settings.BlockFillRect);
            return true;
        },
        [this] { accept(); });
}

}  // namespace zelvo
