#include "app/dialogs/ZVfrmRegularPreview.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

#include "app/dialogs/DialogParts.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/FullScalePreview.h"
#include "app/common/HelpPages.h"
#include "app/common/EditorContext.h"
#include "view/QxImageView.h"
#include "platform/Bitmap.h"

namespace zelvo {
namespace {

constexpr int kPanelSize = 120;
constexpr int kHelpBlind = 111;

}  // namespace

TBlindOperation& BlindOperation() {
    static TBlindOperation operation;
    return operation;
}

TZVfrmRegularPreview::TZVfrmRegularPreview(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmRegularPreview"));
    setWindowTitle(QCoreApplication::translate("TZVfrmRegularPreview", "ブラインド"));
    setFixedSize(330, 200);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    const TEffectSettings& settings = EffectSettings(form);
    FColor = settings.BlindColor;

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, kPanelSize, kPanelSize);
    FPreview = new TFullScalePreview(Panel1, kPanelSize);
    FPreview->OnRefreshWanted = [this] { RefreshPreview(); };

    Label1 = new QLabel(QCoreApplication::translate("TZVfrmRegularPreview", "ブラインドの幅"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(138, 8, 184, 18);
    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(134, 28, 120, 26);
    TrackBar1->setRange(2, 100);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(10);
    TrackBar1->setValue(std::clamp(settings.BlindWidth, 2, 100));
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(258, 28, 64, 24);
    SpinEdit1->setRange(2, 100);
    SpinEdit1->setValue(TrackBar1->value());
    CheckBox1 = new QCheckBox(QCoreApplication::translate("TZVfrmRegularPreview", "水平方向"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(138, 62, 184, 20);
    CheckBox1->setChecked(settings.BlindHorz);
    Label4 = new QLabel(QCoreApplication::translate("TZVfrmRegularPreview", "色："), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(138, 92, 40, 20);
    Panel4 = new QFrame(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setGeometry(180, 90, 40, 24);
    Panel4->setCursor(Qt::PointingHandCursor);
    Panel4->installEventFilter(this);
    SetColor(FColor);

    MakeOkCancelHelpButtons(*this, 70, 164, {"Button1", "Button2", "Button3"}, Button1, Button2, Button3,
                            [this] { OkClick(); }, [] { ShowHelpTopic(kHelpBlind); });
    FitLabelsToFont(*this);

    ChooseColor = [this](TColor& color) { return PickColor(this, color); };

    FPreview->Load(form.QxImage1());

    LinkTrackBarAndSpinEdit(TrackBar1, SpinEdit1, [this] { RefreshPreview(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { RefreshPreview(); });

    RefreshPreview();
}

TZVfrmRegularPreview::~TZVfrmRegularPreview() = default;

TQxImage& TZVfrmRegularPreview::QxImage1() { return FPreview->Source(); }
TQxImage& TZVfrmRegularPreview::Overlay() { return FPreview->Overlay(); }
TQxImageView& TZVfrmRegularPreview::SourceView() { return FPreview->SourceView(); }
TQxImageView& TZVfrmRegularPreview::OverlayView() { return FPreview->OverlayView(); }

void TZVfrmRegularPreview::SetColor(TColor color) {
    FColor = color;
    Panel4->setStyleSheet(QStringLiteral("QFrame#Panel4 { background-color: %1; border: 1px solid black; }").arg(ColorCss(color)));
}

bool TZVfrmRegularPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel4 && event->type() == QEvent::MouseButtonRelease) {
        SwatchClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TZVfrmRegularPreview::SwatchClick() {
    TColor color = FColor;
    if (!ChooseColor || !ChooseColor(color)) return;
    SetColor(color);
    RefreshPreview();
}

void TZVfrmRegularPreview::RefreshPreview() {
    FPreview->Refresh([this](TQxImage& overlay, int offsetY, int offsetX) {
        try {
            RunBlind(overlay, SpinEdit1->value(), offsetY, offsetX, CheckBox1->isChecked());
        } catch (const std::exception& error) {
            FForm.ShowError(error);
        }
    });
}

void TZVfrmRegularPreview::RunBlind(TQxImage& doc, int width, int offsetY, int offsetX, bool horizontal) {
    if (BlindOperation())
        BlindOperation()(doc, width, FColor, offsetY, offsetX, horizontal);
    else
        doc.Blind(width, FColor, offsetY, offsetX, horizontal);
}

void TZVfrmRegularPreview::OkClick() {
    TEffectSettings& settings = EffectSettings(FForm);
    settings.BlindWidth = SpinEdit1->value();
    settings.BlindHorz = CheckBox1->isChecked();
    settings.BlindColor = FColor;
    hide();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            RunBlind(FForm.QxImage1(), settings.BlindWidth, 0, 0, settings.BlindHorz);
            return true;
        },
        [this] { accept(); });
}

}  // namespace zelvo
