#include "app/dialogs/ZVfrmRegularPreview.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

#include "app/dialogs/DialogParts.h"
#include "app/dialogs/EffectSettings.h"
#include "app/common/HelpPages.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImageView.h"
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

TZVfrmRegularPreview::TZVfrmRegularPreview(TZVfrmMain& form)
    : QDialog(&form), FForm(form), FSource(std::make_unique<TQxImage>()), FOverlay(std::make_unique<TQxImage>()) {
    setObjectName(QStringLiteral("ZVfrmRegularPreview"));
    setWindowTitle(QString::fromUtf8("ブラインド"));
    setFixedSize(330, 200);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    const TEffectSettings& settings = EffectSettings(form);
    FColor = settings.BlindColor;

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, kPanelSize, kPanelSize);
    FSourceView = new TQxImageView(*FSource, Panel1);
    FSourceView->setObjectName(QStringLiteral("QxImage1"));
    FSourceView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FSourceView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FSourceView->setGeometry(0, 0, kPanelSize, kPanelSize);
    FOverlayView = new TQxImageView(*FOverlay, Panel1);
    FOverlayView->setObjectName(QStringLiteral("QxOverlay"));
    FOverlayView->SetDisplayOnly(true);
    FOverlayView->hide();

    Label1 = new QLabel(QString::fromUtf8("ブラインドの幅"), this);
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
    CheckBox1 = new QCheckBox(QString::fromUtf8("水平方向"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(138, 62, 184, 20);
    CheckBox1->setChecked(settings.BlindHorz);
    Label4 = new QLabel(QString::fromUtf8("色："), this);
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

    ChooseColor = [this](TColor& color) { return PickColor(this, color); };

    // The source: the selection copied into a 24-bit picture, or the whole.
    TQxImage& doc = form.QxImage1();
    if (!doc.Empty()) {
        TBitmap source;
        if (doc.HasSelection()) {
            const TRect sel = doc.SelectionRect();
            TBitmap area(sel.Width(), sel.Height(), pf24bit);
            area.Canvas().CopyRect(TRect{0, 0, sel.Width(), sel.Height()}, doc.Bitmap(), sel);
            source = area;
        } else {
            source = doc.Bitmap();
        }
        FSource->SetBitmap(source);
        FSource->ClearUndo();
        FSourceView->Recompute();
        const int width = source.Width(), height = source.Height();
        const QSize visible = FSourceView->viewport()->size();
        if (width < visible.width() && height < visible.height()) {
            // Smaller than the viewing area: the control is centred instead.
            FSourceView->setGeometry((kPanelSize - width) / 2, (kPanelSize - height) / 2, width, height);
        } else {
            // Half of the part that does not fit on each axis.
            FSourceView->SetScrollPos(
                TPoint{std::max(0, (width - visible.width()) / 2), std::max(0, (height - visible.height()) / 2)});
        }
    }

    connect(TrackBar1, &QSlider::valueChanged, this, [this](int position) {
        const QSignalBlocker block(SpinEdit1);
        SpinEdit1->setValue(position);
        RefreshPreview();
    });
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this](int value) {
        const QSignalBlocker block(TrackBar1);
        TrackBar1->setValue(value);
        RefreshPreview();
    });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { RefreshPreview(); });
    connect(FSourceView, &TQxImageView::Scrolled, this, [this] { FOverlayView->hide(); });
    FSourceView->viewport()->installEventFilter(this);

    RefreshPreview();
}

TZVfrmRegularPreview::~TZVfrmRegularPreview() {
    delete FOverlayView;
    delete FSourceView;
}

void TZVfrmRegularPreview::SetColor(TColor color) {
    FColor = color;
    Panel4->setStyleSheet(QStringLiteral("QFrame#Panel4 { background-color: %1; border: 1px solid black; }").arg(ColorCss(color)));
}

bool TZVfrmRegularPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel4 && event->type() == QEvent::MouseButtonRelease) {
        SwatchClick();
        return true;
    }
    if (watched == FSourceView->viewport() && event->type() == QEvent::MouseButtonRelease) RefreshPreview();
    return QDialog::eventFilter(watched, event);
}

void TZVfrmRegularPreview::SwatchClick() {
    TColor color = FColor;
    if (!ChooseColor || !ChooseColor(color)) return;
    SetColor(color);
    RefreshPreview();
}

void TZVfrmRegularPreview::RefreshPreview() {
    if (FSource->Empty()) return;
    const TPoint scroll = FSourceView->ScrollPos();
    const QWidget* viewport = FSourceView->viewport();
    const int width = std::min(viewport->width(), FSource->Bitmap().Width() - scroll.X);
    const int height = std::min(viewport->height(), FSource->Bitmap().Height() - scroll.Y);
    if (width <= 0 || height <= 0) return;
    TBitmap part(width, height, pf24bit);
    part.Canvas().CopyRect(TRect{0, 0, width, height}, FSource->Bitmap(),
                           TRect{scroll.X, scroll.Y, scroll.X + width, scroll.Y + height});
    FOverlay->SetBitmap(part);
    FOverlay->ClearUndo();
    try {
        RunBlind(*FOverlay, SpinEdit1->value(), scroll.Y, scroll.X, CheckBox1->isChecked());
    } catch (const std::exception& error) {
        FForm.ShowError(error);
    }
    const QPoint at = FSourceView->geometry().topLeft() + viewport->geometry().topLeft();
    FOverlayView->setGeometry(at.x(), at.y(), width, height);
    FOverlayView->Recompute();
    FOverlayView->show();
    FOverlayView->raise();
    FOverlayView->viewport()->update();
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
    FForm.FLastOperation = "ブラインド";
    hide();
    FForm.RunBusy(
        [&] {
            RunBlind(FForm.QxImage1(), settings.BlindWidth, 0, 0, settings.BlindHorz);
            return true;
        },
        [this] { accept(); });
}

}  // namespace zelvo
