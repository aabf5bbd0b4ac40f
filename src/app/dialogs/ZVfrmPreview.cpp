#include "app/dialogs/ZVfrmPreview.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

#include "app/common/Language.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/HelpPages.h"
#include "app/common/EditorContext.h"
#include "view/QxImageView.h"
#include "platform/Bitmap.h"

namespace zelvo {
namespace {

// Layout of the 446 x 226 client area: the 160 x 160 preview panel on the
// left, three parameter rows on the right, check boxes and buttons below.
constexpr int kClientWidth = 446;
constexpr int kClientHeight = 226;
constexpr int kPanelSize = 160;
constexpr int kRowLeft = 180;
constexpr int kRowTop = 8;
constexpr int kRowPitch = 52;
constexpr int kTrackWidth = 180;
constexpr int kSpinLeft = 366;
constexpr int kSpinWidth = 72;

}  // namespace

TZVfrmPreview::TZVfrmPreview(TEditorContext& form, const TPreviewEffect& effect, TPoint center)
    : QDialog(&form.Window()), FForm(form), FEffect(effect), FPreview(std::make_unique<TQxImage>()), FCenter(center) {
    setObjectName(QStringLiteral("ZVfrmPreview"));
    FSetup = FEffect.Setup(form);
    setWindowTitle(EffectText(FSetup.Caption));
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    FPreview->SetUndoBuffer(1);
    FPreview->SetZoom(100);
    FPreview->Color = form.BackgroundColor();
    BuildControls(FSetup);
    BuildPreview();
    if (FEffect.DragCenter) {
        FPreviewView->viewport()->installEventFilter(this);
        FPreviewView->viewport()->setCursor(Qt::CrossCursor);
    }

    // The idle handler: a zero-interval timer fires whenever the event loop
    // has nothing else to do.
    FIdle.setInterval(0);
    connect(&FIdle, &QTimer::timeout, this, [this] { IdleTick(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));

    if (FEffect.PreviewAtOnce) RefreshPreview();
}

TZVfrmPreview::~TZVfrmPreview() {
    FIdle.stop();
    // The view refers to the preview document; it goes first.
    delete FPreviewView;
    FPreviewView = nullptr;
}

void TZVfrmPreview::BuildControls(const TPreviewSetup& setup) {
    PrevBase = new QFrame(this);
    PrevBase->setObjectName(QStringLiteral("PrevBase"));
    PrevBase->setGeometry(8, 8, kPanelSize, kPanelSize);
    // A single border in the document's background colour.
    const QString background = ColorCss(FForm.BackgroundColor());
    PrevBase->setStyleSheet(QStringLiteral("QFrame#PrevBase { border: 1px solid %1; background-color: %1; }")
                                .arg(background));
    PrevBase->setContentsMargins(1, 1, 1, 1);

    for (int i = 0; i < 3; ++i) {
        const TPreviewRow& row = setup.Rows[std::size_t(i)];
        const int top = kRowTop + i * kRowPitch;
        auto* label = new QLabel(EffectText(row.Label), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setGeometry(kRowLeft, top, kClientWidth - kRowLeft - 8, 18);
        auto* track = new QSlider(Qt::Horizontal, this);
        track->setObjectName(QStringLiteral("ScrollBar%1").arg(i + 1));
        track->setGeometry(kRowLeft - 4, top + 20, kTrackWidth, 26);
        track->setRange(row.Min, row.Max);
        track->setValue(row.Position);
        track->setTickPosition(QSlider::TicksBelow);
        track->setTickInterval(std::max(1, row.Frequency));
        track->setPageStep(std::max(1, row.Page));
        track->setSingleStep(1);
        auto* spin = new QDoubleSpinBox(this);
        spin->setObjectName(QStringLiteral("SpinEdit%1").arg(i + 1));
        spin->setGeometry(kSpinLeft, top + 20, kSpinWidth, 24);
        spin->setDecimals(row.Decimals);
        spin->setSingleStep(row.SpinStep);
        const double divisor = std::max(1, row.Divisor);
        spin->setRange(row.Min / divisor, row.Max / divisor);
        spin->setValue(row.Position / divisor);
        label->setVisible(row.Shown && row.LabelShown);
        track->setVisible(row.Shown);
        spin->setVisible(row.Shown);
        Labels[std::size_t(i)] = label;
        ScrollBars[std::size_t(i)] = track;
        SpinEdits[std::size_t(i)] = spin;
        connect(track, &QSlider::valueChanged, this, [this, i] { TrackChanged(i); });
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, i] { SpinChanged(i); });
    }

    CheckBox1 = new QCheckBox(EffectText(setup.Check1), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(kRowLeft, 166, 130, 20);
    CheckBox1->setChecked(setup.Check1Value);
    CheckBox1->setVisible(!setup.Check1.empty());
    CheckBox2 = new QCheckBox(EffectText(setup.Check2), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(kRowLeft + 134, 166, 120, 20);
    CheckBox2->setChecked(setup.Check2Value);
    CheckBox2->setVisible(!setup.Check2.empty());
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { RefreshPreview(); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { RefreshPreview(); });

    MakeOkCancelHelpButtons(*this, kRowLeft, 192, {"btnOK", "btnCancel", "btnHelp"}, btnOK, btnCancel, btnHelp,
                            [this] { OkClick(); }, [this] { HelpClick(); });
    FitLabelsToFont(*this);
}

void TZVfrmPreview::BuildPreview() {
    FPreviewView = new TQxImageView(*FPreview, PrevBase);
    FPreviewView->setObjectName(QStringLiteral("QxPreview"));
    FPreviewView->SetDisplayOnly(true);
    TQxImage& doc = FForm.QxImage1();
    if (doc.Empty()) return;
    const TBitmap& picture = doc.Bitmap();
    const TRect source = FEffect.PreviewSelection && doc.HasSelection()
                             ? doc.SelectionRect()
                             : TRect{0, 0, picture.Width(), picture.Height()};
    FSource = source;
    const QRect client = PrevBase->contentsRect();
    const double aspect = double(source.Width()) / double(source.Height());
    int width, height;
    if (aspect > 1) {
        width = client.width();
        height = int(std::trunc(width / aspect));
    } else {
        height = client.height();
        width = int(std::trunc(aspect * height));
    }
    // A very long, thin picture keeps a one-pixel preview rather than none.
    width = std::max(1, width);
    height = std::max(1, height);
    FPreviewView->setGeometry(client.x() + (client.width() - width) / 2, client.y() + (client.height() - height) / 2,
                              width, height);
    // Nearest-pixel stretch: rows and columns are dropped, not blended.
    TBitmap thumbnail(width, height, pf24bit);
    thumbnail.Canvas().CopyRect(TRect{0, 0, width, height}, picture, source);
    FPreview->SetBitmap(thumbnail);
    FPreview->ClearUndo();
    FPreviewView->Recompute();
    FPreviewScale = std::max(1, int(std::int64_t(width) * 10000 / picture.Width()));
}

TPreviewValues TZVfrmPreview::Values() const {
    TPreviewValues values;
    for (std::size_t i = 0; i < 3; ++i) {
        values.Position[i] = ScrollBars[i]->value();
        values.Spin[i] = SpinEdits[i]->value();
    }
    values.Check1 = CheckBox1->isChecked();
    values.Check2 = CheckBox2->isChecked();
    values.SourceWidth = FSource.Width();
    values.SourceHeight = FSource.Height();
    values.Center = FCenter;
    values.Scale = FPreviewScale;
    return values;
}

void TZVfrmPreview::SetCenterFromPreview(int x, int y) {
    FCenter = {int(std::int64_t(x) * 10000 / FPreviewScale), int(std::int64_t(y) * 10000 / FPreviewScale)};
    RefreshPreview();
}

bool TZVfrmPreview::eventFilter(QObject* watched, QEvent* event) {
    if (FEffect.DragCenter && FPreviewView && watched == FPreviewView->viewport()) {
        // The thumbnail is shown at 100 %, so viewport points are thumbnail
        // pixels.
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) break;
            FDragging = true;
            SetCenterFromPreview(mouse->position().toPoint().x(), mouse->position().toPoint().y());
            return true;
        }
        case QEvent::MouseMove:
            if (FDragging) {
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                SetCenterFromPreview(at.x(), at.y());
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (FDragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                FDragging = false;
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TZVfrmPreview::TrackChanged(int row) {
    // The track bar only sets its spin edit; the spin edit's change runs
    // the refresh.
    const TPreviewRow& setup = FSetup.Rows[std::size_t(row)];
    SpinEdits[std::size_t(row)]->setValue(ScrollBars[std::size_t(row)]->value() / double(std::max(1, setup.Divisor)));
}

void TZVfrmPreview::SpinChanged(int row) {
    const TPreviewRow& setup = FSetup.Rows[std::size_t(row)];
    const double value = SpinEdits[std::size_t(row)]->value();
    if (value > setup.SpinSyncAbove) {
        // Trunc(value x divisor); the nudge away from zero keeps 1.15 x 100
        // from landing on 114, and -12.3 x 10 on -122, through binary
        // rounding.
        const double scaled = value * std::max(1, setup.Divisor);
        const int position = int(std::trunc(scaled + (scaled < 0 ? -1e-9 : 1e-9)));
        const QSignalBlocker block(ScrollBars[std::size_t(row)]);
        ScrollBars[std::size_t(row)]->setValue(position);
    }
    RefreshPreview();
}

void TZVfrmPreview::RefreshPreview() {
    if (FRefreshBusy) {
        if (!FIdle.isActive()) FIdle.start();
        return;
    }
    FRefreshBusy = true;
    FPreview->BeginUpdate();
    try {
        // The preview's undo depth is 1, so this brings back the unprocessed
        // thumbnail; the effect then takes the new snapshot itself.
        FPreview->Undo(1);
        FEffect.Preview(*FPreview, Values());
    } catch (const std::exception& error) {
        FPreview->EndUpdate();
        FRefreshBusy = false;
        FForm.ShowError(error);
        return;
    }
    FPreview->EndUpdate();
    FPreviewView->viewport()->update();
    FRefreshBusy = false;
    ++FRefreshCount;
}

void TZVfrmPreview::IdleTick() {
    // Keep asking while the refresh runs; then one refresh with the values
    // the controls hold by now.
    if (FRefreshBusy) return;
    FIdle.stop();
    RefreshPreview();
}

void TZVfrmPreview::OkClick() {
    FIdle.stop();
    hide();
    FForm.RunBusy(FEffect.UndoCaption, [&] { return FEffect.Apply(FForm, Values()); }, [this] { accept(); });
}

void TZVfrmPreview::HelpClick() { ShowHelpTopic(FSetup.HelpTopic); }

bool ShowPreviewEffect(TEditorContext& form, TPreviewEffectType type, TPoint center) {
    const TPreviewEffect* effect = FindPreviewEffect(type);
    if (!effect) return false;
    if (form.ImageEmpty()) return true;
    TZVfrmPreview dialog(form, *effect, center);
    dialog.exec();
    return true;
}

}  // namespace zelvo
