#include "app/dialogs/ZVfrmApplyCancel.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "platform/IniFile.h"
#include "platform/IniKeys.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "MoveObject";
// Layout of the window's client area in pixels: a margin, the check box
// row, then the two buttons side by side.
constexpr int kMargin = 8;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kBoxHeight = 22;

}  // namespace

namespace {

// "IsMove" comes last: a window without the check box writes the keys
// before it only.
template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit, bool withIsMove = true) {
    visit(IntKey("Left", s.Left));
    visit(IntKey("Top", s.Top));
    if (withIsMove) visit(BoolKey("IsMove", s.IsMove));
}

}  // namespace

TMoveObjectSettings ReadMoveObjectSettings(const TIniFile& ini) {
    TMoveObjectSettings settings;
    settings.HasPosition = ini.ValueExists(kSection, "Left") && ini.ValueExists(kSection, "Top");
    EachKey(settings, TKeyReader(ini, kSection));
    return settings;
}

void WriteMoveObjectSettings(const TMoveObjectSettings& settings, TIniFile& ini, bool writeIsMove) {
    EachKey(settings, TKeyWriter(ini, kSection), writeIsMove);
}

TZVfrmApplyCancel::TZVfrmApplyCancel(TQxImageView& view, std::filesystem::path settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FView(&view),
      FSettingsFile(std::move(settingsFile)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("TZVfrmApplyCancel", "複写/移動"));

    CheckBox1 = new QCheckBox(QCoreApplication::translate("TZVfrmApplyCancel", "移動する"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(kMargin, kMargin, 2 * kButtonWidth + kMargin, kBoxHeight);
    Button1 = new QPushButton(QCoreApplication::translate("TZVfrmApplyCancel", "位置確定"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(kMargin, 2 * kMargin + kBoxHeight, kButtonWidth, kButtonHeight);
    Button1->setDefault(true);
    Button2 = new QPushButton(QCoreApplication::translate("TZVfrmApplyCancel", "キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(2 * kMargin + kButtonWidth, 2 * kMargin + kBoxHeight, kButtonWidth, kButtonHeight);
    setFixedSize(3 * kMargin + 2 * kButtonWidth, 3 * kMargin + kBoxHeight + kButtonHeight);

    connect(Button1, &QPushButton::clicked, this, [this] {
        FCommitted = true;
        close();
    });
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { SyncCopyMode(); });

    // The default place is the view's top-left corner on the screen.
    move(FView->mapToGlobal(QPoint(0, 0)));
    if (!FSettingsFile.empty()) ReadSettings(TIniFile(FSettingsFile));
    SyncCopyMode();
}

TZVfrmApplyCancel::~TZVfrmApplyCancel() {
    // A window destroyed without closing (its parent went first) still ends
    // the floating selection, as cancelled.
    Finish(false);
}

void TZVfrmApplyCancel::ApplySettings(const TMoveObjectSettings& settings) {
    if (settings.HasPosition) move(settings.Left, settings.Top);
    CheckBox1->setChecked(settings.IsMove);
    SyncCopyMode();
}

TMoveObjectSettings TZVfrmApplyCancel::CurrentSettings() const {
    TMoveObjectSettings settings;
    settings.HasPosition = true;
    settings.Left = pos().x();
    settings.Top = pos().y();
    settings.IsMove = CheckBox1->isChecked();
    return settings;
}

void TZVfrmApplyCancel::ReadSettings(const TIniFile& ini) { ApplySettings(ReadMoveObjectSettings(ini)); }

void TZVfrmApplyCancel::WriteSettings(TIniFile& ini) const {
    WriteMoveObjectSettings(CurrentSettings(), ini, !CheckBox1->isHidden());
}

void TZVfrmApplyCancel::PrepareMergePaste() {
    setWindowTitle(QCoreApplication::translate("TZVfrmApplyCancel", "合成貼り付け"));
    CheckBox1->setChecked(false);
    CheckBox1->hide();
    SyncCopyMode();
    // Client height: the bottom of the buttons plus twice the top margin,
    // with the buttons moved up into the place of the box.
    Button1->move(kMargin, kMargin);
    Button2->move(2 * kMargin + kButtonWidth, kMargin);
    setFixedHeight(Button2->geometry().bottom() + 1 + 2 * kMargin);
}

void TZVfrmApplyCancel::SyncCopyMode() {
    if (FView) FView->SetCopyMode(!CheckBox1->isChecked());
}

void TZVfrmApplyCancel::closeEvent(QCloseEvent* event) {
    Finish(true);
    QWidget::closeEvent(event);
}

void TZVfrmApplyCancel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TZVfrmApplyCancel::Finish(bool closing) {
    if (FFinished) return;
    FFinished = true;
    if (FView) {
        if (FCommitted) FView->ApplyFloating();
        else FView->CancelFloating();
    }
    if (!closing) return;
    if (!FSettingsFile.empty()) {
        TIniFile ini(FSettingsFile);
        WriteSettings(ini);
        ini.UpdateFile();
    }
    emit Finished(FCommitted);
}

}  // namespace zelvo
