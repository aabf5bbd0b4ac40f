#include "app/dialogs/ZVfrmCombine.h"

#include <QCoreApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

#include "app/common/HelpPages.h"
#include "app/dialogs/DialogParts.h"
#include "effects/Composition.h"
#include "app/dialogs/SecondPicture.h"
#include "app/common/EditorContext.h"

namespace zelvo {
namespace {

constexpr int kHelpCombine = 82;

}  // namespace

int CombineDirectionFor(int item) {
    constexpr int kDirections[] = {2, 3, 0, 1};
    return kDirections[std::clamp(item, 0, 3)];
}

TZVfrmCombine::TZVfrmCombine(TEditorContext& form) : QDialog(&form.Window()), FSource(std::make_unique<TQxImage>()) {
    setObjectName(QStringLiteral("ZVfrmCombine"));
    setWindowTitle(QCoreApplication::translate("TZVfrmCombine", "連結"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    setFixedSize(379, 238);

    MakeOkCancelHelpButtons(*this, 119, 204, {"btnOK", "btnCancel", "btnHelp"}, btnOK, btnCancel, btnHelp,
                            [this] { OkClick(); }, [] { ShowHelpTopic(kHelpCombine); });
    FInput = new TSecondPictureInput(*this, form, QT_TRANSLATE_NOOP("SecondPicture", "連結する画像ファイル："), btnOK);
    Label1 = FInput->Label1;
    Edit1 = FInput->Edit1;
    SpeedButton1 = FInput->SpeedButton1;
    CheckBox1 = FInput->CheckBox1;

    RadioGroup1 = new QGroupBox(QCoreApplication::translate("TZVfrmCombine", "連結方向"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 84, 363, 52);
    FGroup = new QButtonGroup(this);
    const char* captions[] = {QT_TRANSLATE_NOOP("TZVfrmCombine", "上へ"), QT_TRANSLATE_NOOP("TZVfrmCombine", "下へ"), QT_TRANSLATE_NOOP("TZVfrmCombine", "左へ"), QT_TRANSLATE_NOOP("TZVfrmCombine", "右へ")};
    for (int i = 0; i < 4; ++i) {
        Directions[i] = new QRadioButton(QCoreApplication::translate("TZVfrmCombine", captions[i]), RadioGroup1);
        Directions[i]->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        Directions[i]->setGeometry(12 + i * 88, 22, 84, 20);
        FGroup->addButton(Directions[i], i);
    }
    Directions[0]->setChecked(true);
    connect(FGroup, &QButtonGroup::idClicked, this, [this] { UpdateShiftCaption(); });

    Label2 = new QLabel(QCoreApplication::translate("TZVfrmCombine", "画像間に挿入するスペース："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 148, 250, 20);
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", effects::kCombineGap.Min, effects::kCombineGap.Max,
                             effects::kCombineGap.Default, 64);
    SpinEdit1->setGeometry(262, 146, 64, 24);
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(8, 176, 250, 20);
    SpinEdit2 = MakeSpinEdit(this, "SpinEdit2", effects::kCombineOffset.Min, effects::kCombineOffset.Max,
                             effects::kCombineOffset.Default, 64);
    SpinEdit2->setGeometry(262, 174, 64, 24);
    UpdateShiftCaption();
}

TZVfrmCombine::~TZVfrmCombine() = default;

int TZVfrmCombine::ItemIndex() const { return std::max(0, FGroup->checkedId()); }

void TZVfrmCombine::SetItemIndex(int item) {
    Directions[std::clamp(item, 0, 3)]->setChecked(true);
    UpdateShiftCaption();
}

void TZVfrmCombine::UpdateShiftCaption() {
    // Joined above or below, the shift runs from the left edge; joined
    // beside, from the top edge.
    Label3->setText(QCoreApplication::translate("TZVfrmCombine", ItemIndex() <= 1 ? QT_TRANSLATE_NOOP("TZVfrmCombine", "連結時に左端からずらす量：") : QT_TRANSLATE_NOOP("TZVfrmCombine", "連結時に上端からずらす量：")));
}

bool TZVfrmCombine::OkClick() {
    if (!FInput->Load(*FSource)) return false;
    accept();
    return true;
}

}  // namespace zelvo
