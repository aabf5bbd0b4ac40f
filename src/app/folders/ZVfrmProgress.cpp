#include "app/folders/ZVfrmProgress.h"

#include <QCoreApplication>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "app/common/AppTitle.h"

namespace zelvo {
namespace {

// Client-area layout in pixels: the two labels on one line, the bar under
// them and the button centred at the bottom.
constexpr int kMargin = 8;
constexpr int kLabelHeight = 16;
constexpr int kCounterWidth = 72;
constexpr int kBarTop = 28;
constexpr int kBarHeight = 18;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kButtonTop = 54;

}  // namespace

TZVfrmProgress::TZVfrmProgress(int kind, QWidget* parent)
    // A title bar without border icons, above every other window.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      FKind(kind) {
    setObjectName(QStringLiteral("ZVfrmProgress"));
    const int width = kClientWidth - 2 * kMargin;
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(kMargin, kMargin, width - kCounterWidth - 4, kLabelHeight);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setGeometry(kClientWidth - kMargin - kCounterWidth, kMargin, kCounterWidth, kLabelHeight);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(kMargin, kBarTop, width, kBarHeight);
    Button1 = new QPushButton(QCoreApplication::translate("TZVfrmProgress", "キャンセル"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry((kClientWidth - kButtonWidth) / 2, kButtonTop, kButtonWidth, kButtonHeight);
    connect(Button1, &QPushButton::clicked, this, [this] { AskCancel(); });
    setFixedSize(kClientWidth, kClientHeight);
}

TZVfrmProgress::~TZVfrmProgress() = default;

QString TZVfrmProgress::CancelQuestion() const {
    return FKind == kThumbnails ? QCoreApplication::translate("TZVfrmProgress", "サムネイル作成を中断してもよろしいですか？")
                                : QCoreApplication::translate("TZVfrmProgress", "変換処理を中断してもよろしいですか？");
}

void TZVfrmProgress::SetCaption(const QString& caption) { setWindowTitle(caption); }

void TZVfrmProgress::SetFileName(const QString& text) { Label1->setText(text); }

void TZVfrmProgress::SetCounter(const QString& text) { Label2->setText(text); }

void TZVfrmProgress::SetMaximum(int maximum) {
    maximum = std::max(maximum, 1);
    ProgressBar1->setRange(0, maximum);
}

int TZVfrmProgress::Maximum() const { return ProgressBar1->maximum(); }

void TZVfrmProgress::SetPosition(int position) { ProgressBar1->setValue(std::clamp(position, 0, Maximum())); }

int TZVfrmProgress::Position() const { return ProgressBar1->value(); }

void TZVfrmProgress::ShowStep(int index, int count, const QString& name) {
    count = std::max(count, 1);
    SetFileName(name);
    SetCounter(QStringLiteral("[%1/%2]").arg(index + 1).arg(count));
    SetPosition(int(std::lround(double(index + 1) / count * Maximum())));
}

void TZVfrmProgress::Start() {
    FCancelled = false;
    FClosing = false;
    setWindowModality(Qt::ApplicationModal);
    if (QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
}

bool TZVfrmProgress::ProcessMessages() {
    QCoreApplication::processEvents();
    return !FCancelled;
}

void TZVfrmProgress::Finish() {
    FClosing = true;
    hide();
}

bool TZVfrmProgress::AskCancel() {
    if (FAsking || FCancelled) return FCancelled;
    FAsking = true;
    bool yes = false;
    if (ConfirmHook()) {
        yes = ConfirmHook()(*this);
    } else {
        QMessageBox box(QMessageBox::Question, ApplicationTitle(), CancelQuestion(),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        box.setDefaultButton(QMessageBox::No);
        yes = box.exec() == QMessageBox::Yes;
    }
    FAsking = false;
    if (!yes) return false;
    FCancelled = true;
    if (OnCancel) OnCancel();
    emit CancelConfirmed();
    Finish();
    return true;
}

std::function<bool(TZVfrmProgress&)>& TZVfrmProgress::ConfirmHook() {
    static std::function<bool(TZVfrmProgress&)> hook;
    return hook;
}

void TZVfrmProgress::reject() {
    // Esc asks as the button does; the loop, not the key, ends the window.
    if (!FClosing) AskCancel();
}

void TZVfrmProgress::closeEvent(QCloseEvent* event) {
    if (FClosing) {
        event->accept();
        return;
    }
    event->ignore();
    AskCancel();
}

}  // namespace zelvo
