#include "app/dialogs/ZVfrmMerge.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

#include "app/common/HelpPages.h"
#include "app/dialogs/DialogParts.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/SecondPicture.h"
#include "app/common/EditorContext.h"

namespace zelvo {
namespace {

constexpr int kHelpMerge = 24;

}  // namespace

TMergeCall MergeCallFor(int mergeType, int transparency) {
    switch (mergeType) {
        case 1: return {0, effects::kMergeTransparency.Limit(transparency)};
        case 2: return {3, 0};
        case 3: return {4, 0};
        case 4: return {1, 0};
        case 5: return {2, 0};
        default: return {0, 0};
    }
}

TZVfrmMerge::TZVfrmMerge(TEditorContext& form) : QDialog(&form.Window()), FForm(form), FSource(std::make_unique<TQxImage>()) {
    setObjectName(QStringLiteral("ZVfrmMerge"));
    setWindowTitle(QCoreApplication::translate("TZVfrmMerge", "イメージの合成"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    setFixedSize(379, 296);

    MakeOkCancelHelpButtons(*this, 119, 262, {"btnOK", "btnCancel", "btnHelp"}, btnOK, btnCancel, btnHelp,
                            [this] { OkClick(); }, [] { ShowHelpTopic(kHelpMerge); });
    FInput = new TSecondPictureInput(*this, form, QT_TRANSLATE_NOOP("SecondPicture", "合成する画像ファイル："), btnOK);
    Label1 = FInput->Label1;
    Edit1 = FInput->Edit1;
    SpeedButton1 = FInput->SpeedButton1;
    CheckBox1 = FInput->CheckBox1;

    GroupBox1 = new QGroupBox(QCoreApplication::translate("TZVfrmMerge", "合成方法"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 84, 363, 168);
    auto radio = [this](const char* name, const char* caption, int x, int y, int w) {
        auto* r = new QRadioButton(QCoreApplication::translate("TZVfrmMerge", caption), GroupBox1);
        r->setObjectName(QLatin1String(name));
        r->setGeometry(x, y, w, 20);
        connect(r, &QRadioButton::clicked, this, [this] { UpdateTransparencyEnabled(); });
        return r;
    };
    chkOverwrite = radio("chkOverwrite", QT_TRANSLATE_NOOP("TZVfrmMerge", "上書き(&O)"), 12, 24, 330);
    chkNormal = radio("chkNormal", QT_TRANSLATE_NOOP("TZVfrmMerge", "透明度を指定して合成(&M)"), 12, 48, 330);
    Label3 = new QLabel(QCoreApplication::translate("TZVfrmMerge", "透明"), GroupBox1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(30, 76, 40, 20);
    TrackBar1 = new QSlider(Qt::Horizontal, GroupBox1);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(70, 72, 170, 28);
    TrackBar1->setRange(effects::kMergeTransparency.Min, effects::kMergeTransparency.Max);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(10);
    Label4 = new QLabel(QCoreApplication::translate("TZVfrmMerge", "不透明"), GroupBox1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(244, 76, 50, 20);
    SpinEdit1 = MakeSpinEdit(GroupBox1, "SpinEdit1", effects::kMergeTransparency.Min, effects::kMergeTransparency.Max, 0, 56);
    SpinEdit1->setGeometry(296, 74, 56, 24);
    chkLight = radio("chkLight", QT_TRANSLATE_NOOP("TZVfrmMerge", "明るい画素優先(&L)"), 12, 108, 170);
    chkDark = radio("chkDark", QT_TRANSLATE_NOOP("TZVfrmMerge", "暗い画素優先(&D)"), 186, 108, 170);
    chkAdd = radio("chkAdd", QT_TRANSLATE_NOOP("TZVfrmMerge", "加算(&A)"), 12, 136, 170);
    chkSubtract = radio("chkSubtract", QT_TRANSLATE_NOOP("TZVfrmMerge", "減算(&S)"), 186, 136, 170);

    const TEffectSettings& settings = EffectSettings(form);
    QRadioButton* byType[] = {chkOverwrite, chkNormal, chkAdd, chkSubtract, chkLight, chkDark};
    byType[settings.MergeType <= kMergeTypeMax ? settings.MergeType : 0]->setChecked(true);
    const int alpha = effects::kMergeTransparency.Limit(settings.MergeAlphaChannel);
    TrackBar1->setValue(alpha);
    SpinEdit1->setValue(alpha);
    LinkTrackBarAndSpinEdit(TrackBar1, SpinEdit1);
    UpdateTransparencyEnabled();
}

TZVfrmMerge::~TZVfrmMerge() = default;

int TZVfrmMerge::MergeType() const {
    const QRadioButton* byType[] = {chkOverwrite, chkNormal, chkAdd, chkSubtract, chkLight, chkDark};
    for (int type = 0; type <= kMergeTypeMax; ++type)
        if (byType[type]->isChecked()) return type;
    return 0;
}

void TZVfrmMerge::UpdateTransparencyEnabled() {
    const bool on = chkNormal->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(SpinEdit1),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4)})
        w->setEnabled(on);
}

bool TZVfrmMerge::OkClick() {
    if (!FInput->Load(*FSource)) return false;
    const int type = MergeType();
    const int transparency = SpinEdit1->value();
    hide();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            TEffectSettings& settings = EffectSettings(FForm);
            settings.MergeAlphaChannel = std::uint8_t(transparency);
            settings.MergeType = std::uint8_t(type);
            const TMergeCall call = MergeCallFor(type, transparency);
            FForm.QxImage1().Merge(FSource->Bitmap(), call.Kind, call.Transparency);
            return true;
        },
        [this] { accept(); });
    return true;
}

}  // namespace zelvo
