#include "app/dialogs/ZVfrmResize.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "effects/Resample.h"

namespace zelvo {
namespace {

int LimitSize(double size) {
    // Also catches sizes far beyond int: the spin edits hold 1..1e9.
    if (!(size >= TResizeModel::kSizeMin)) return TResizeModel::kSizeMin;
    if (size >= TResizeModel::kSizeMax) return TResizeModel::kSizeMax;
    return int(size);
}

int LimitRatio(std::int64_t ratio) { return int(std::clamp<std::int64_t>(ratio, 0, TResizeModel::kRatioMax)); }

QSpinBox* Field(QWidget* parent, const char* name, int min, int max, int value) {
    return MakeSpinEdit(parent, name, min, max, value, 96);
}

}  // namespace

TResizeModel::TResizeModel(int pictureWidth, int pictureHeight)
    : PictureWidth(std::max(1, pictureWidth)),
      PictureHeight(std::max(1, pictureHeight)),
      Width(LimitSize(pictureWidth)),
      Height(LimitSize(pictureHeight)) {}

void TResizeModel::EditWidth(int width) {
    Width = LimitSize(width);
    if (KeepAspect) Height = LimitSize(std::trunc(double(PictureHeight) / double(PictureWidth) * Width + 0.5));
    RatiosFromSizes();
}

void TResizeModel::EditHeight(int height) {
    Height = LimitSize(height);
    if (KeepAspect) Width = LimitSize(std::trunc(double(PictureWidth) / double(PictureHeight) * Height + 0.5));
    RatiosFromSizes();
}

void TResizeModel::EditRatioX(int ratio) {
    RatioX = LimitRatio(ratio);
    if (KeepAspect) RatioY = RatioX;
    SizesFromRatios();
}

void TResizeModel::EditRatioY(int ratio) {
    RatioY = LimitRatio(ratio);
    if (KeepAspect) RatioX = RatioY;
    SizesFromRatios();
}

void TResizeModel::RatiosFromSizes() {
    RatioX = LimitRatio(std::int64_t(Width) * 100 / PictureWidth);
    RatioY = LimitRatio(std::int64_t(Height) * 100 / PictureHeight);
}

void TResizeModel::SizesFromRatios() {
    Width = LimitSize(double(std::int64_t(PictureWidth) * RatioX / 100));
    Height = LimitSize(double(std::int64_t(PictureHeight) * RatioY / 100));
}

int ResizeFilterItem(int remembered, int count) {
    // The list is first put on its last entry; a remembered index that
    // names no entry (a hand-edited file) leaves it there rather than
    // choosing no filter at all.
    return remembered >= 0 && remembered < count ? remembered : count - 1;
}

TZVfrmResize::TZVfrmResize(TEditorContext& form)
    : QDialog(&form.Window()),
      FForm(form),
      FModel(form.ImageEmpty() ? 1 : form.QxImage1().Bitmap().Width(),
             form.ImageEmpty() ? 1 : form.QxImage1().Bitmap().Height()) {
    setObjectName(QStringLiteral("ZVfrmResize"));
    setWindowTitle(QCoreApplication::translate("TZVfrmResize", "リサイズ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    const int width = form.ImageEmpty() ? 0 : form.QxImage1().Bitmap().Width();
    const int height = form.ImageEmpty() ? 0 : form.QxImage1().Bitmap().Height();
    LabelSize = new QLabel(QCoreApplication::translate("TZVfrmResize", "現在のサイズ：") + QStringLiteral("%1 x %2").arg(width).arg(height), this);
    LabelSize->setObjectName(QStringLiteral("LabelSize"));

    rbSize = new QRadioButton(QCoreApplication::translate("TZVfrmResize", "サイズで指定する(&S)"), this);
    rbSize->setObjectName(QStringLiteral("rbSize"));
    rbRatio = new QRadioButton(QCoreApplication::translate("TZVfrmResize", "比率で指定する(&R)"), this);
    rbRatio->setObjectName(QStringLiteral("rbRatio"));
    rbSize->setChecked(true);

    SpinEditWidth = Field(this, "SpinEditWidth", TResizeModel::kSizeMin, TResizeModel::kSizeMax, FModel.Width);
    SpinEditHeight = Field(this, "SpinEditHeight", TResizeModel::kSizeMin, TResizeModel::kSizeMax, FModel.Height);
    SpinEditRatioX = Field(this, "SpinEditRatioX", 0, TResizeModel::kRatioMax, FModel.RatioX);
    SpinEditRatioY = Field(this, "SpinEditRatioY", 0, TResizeModel::kRatioMax, FModel.RatioY);

    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 16);
    grid->addWidget(rbSize, 0, 0, 1, 7);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmResize", "横："), this), 1, 1);
    grid->addWidget(SpinEditWidth, 1, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("×"), this), 1, 3);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmResize", "縦："), this), 1, 4);
    grid->addWidget(SpinEditHeight, 1, 5);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmResize", "ピクセル"), this), 1, 6);
    grid->addWidget(rbRatio, 2, 0, 1, 7);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmResize", "横："), this), 3, 1);
    grid->addWidget(SpinEditRatioX, 3, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("×"), this), 3, 3);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmResize", "縦："), this), 3, 4);
    grid->addWidget(SpinEditRatioY, 3, 5);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmResize", "％"), this), 3, 6);

    cbKeepAspect = new QCheckBox(QCoreApplication::translate("TZVfrmResize", "縦横の比率を保持する"), this);
    cbKeepAspect->setObjectName(QStringLiteral("cbKeepAspect"));
    cbKeepAspect->setChecked(true);
    connect(cbKeepAspect, &QCheckBox::toggled, this, [this](bool on) { FModel.KeepAspect = on; });

    const TEffectSettings& settings = EffectSettings(form);
    cbResample = new QCheckBox(QCoreApplication::translate("TZVfrmResize", "再サンプリングを行う"), this);
    cbResample->setObjectName(QStringLiteral("cbResample"));
    cbFilter = new QComboBox(this);
    cbFilter->setObjectName(QStringLiteral("cbFilter"));
    for (int i = 0; i < effects::kResampleFilterCount; ++i)
        cbFilter->addItem(QString::fromLatin1(effects::FilterInfo(effects::TResampleFilter(i)).Name));
    cbFilter->setCurrentIndex(ResizeFilterItem(settings.ResampleIndex, cbFilter->count()));
    cbResample->setChecked(settings.ApplyResample);
    cbFilter->setEnabled(settings.ApplyResample);
    connect(cbResample, &QCheckBox::toggled, cbFilter, &QComboBox::setEnabled);
    auto* resampleRow = new QHBoxLayout;
    resampleRow->addWidget(cbResample);
    resampleRow->addWidget(cbFilter);
    resampleRow->addStretch();

    QHBoxLayout* buttons = MakeOkCancelRow(*this, btnOK, btnCancel, [this] { OkClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelSize);
    layout->addLayout(grid);
    layout->addWidget(cbKeepAspect);
    layout->addLayout(resampleRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QSpinBox* field : {SpinEditWidth, SpinEditHeight, SpinEditRatioX, SpinEditRatioY})
        connect(field, &QSpinBox::valueChanged, this, [this, field] { FieldChanged(field); });
    connect(rbRatio, &QRadioButton::toggled, this, [this](bool on) { SetRatioMode(on); });
    SetRatioMode(false);
}

void TZVfrmResize::SetRatioMode(bool byRatio) {
    if (rbRatio->isChecked() != byRatio) {
        // The toggle handler comes back here with the new state.
        (byRatio ? rbRatio : rbSize)->setChecked(true);
        return;
    }
    SpinEditWidth->setEnabled(!byRatio);
    SpinEditHeight->setEnabled(!byRatio);
    SpinEditRatioX->setEnabled(byRatio);
    SpinEditRatioY->setEnabled(byRatio);
    (byRatio ? SpinEditRatioX : SpinEditWidth)->setFocus();
}

void TZVfrmResize::FieldChanged(QSpinBox* field) {
    const int value = field->value();
    if (!field->hasFocus()) {
        // A change the user did not type (the other fields being updated,
        // or a program setting the value) takes part without driving.
        if (field == SpinEditWidth) FModel.Width = value;
        else if (field == SpinEditHeight) FModel.Height = value;
        else if (field == SpinEditRatioX) FModel.RatioX = value;
        else FModel.RatioY = value;
        return;
    }
    if (field == SpinEditWidth) FModel.EditWidth(value);
    else if (field == SpinEditHeight) FModel.EditHeight(value);
    else if (field == SpinEditRatioX) FModel.EditRatioX(value);
    else FModel.EditRatioY(value);
    ShowModel();
}

void TZVfrmResize::ShowModel() {
    const std::pair<QSpinBox*, int> fields[] = {{SpinEditWidth, FModel.Width},
                                                {SpinEditHeight, FModel.Height},
                                                {SpinEditRatioX, FModel.RatioX},
                                                {SpinEditRatioY, FModel.RatioY}};
    for (const auto& [field, value] : fields) {
        if (field->hasFocus()) continue;  // the user is typing there
        const QSignalBlocker block(field);
        field->setValue(value);
    }
}

void TZVfrmResize::OkClick() {
    const int width = SpinEditWidth->value();
    const int height = SpinEditHeight->value();
    const bool resample = cbResample->isChecked();
    const int filter = cbFilter->currentIndex();

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    hide();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            if (FForm.ImageEmpty()) return false;
            if (resample) FForm.QxImage1().Resample(effects::TResampleFilter(filter), width, height);
            else FForm.QxImage1().StretchResize(width, height);
            return true;
        },
        [&] {
            // Remembered whether or not the resize succeeded.
            TEffectSettings& settings = EffectSettings(FForm);
            settings.ApplyResample = resample;
            settings.ResampleIndex = std::uint8_t(filter);
            QGuiApplication::restoreOverrideCursor();
            accept();
        });
}

}  // namespace zelvo
