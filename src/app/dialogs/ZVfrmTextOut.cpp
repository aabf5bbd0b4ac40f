#include "app/dialogs/ZVfrmTextOut.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/common/HelpPages.h"
#include "app/dialogs/DialogParts.h"
#include "platform/IniFile.h"
#include "platform/qt/TextRenderQt.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

constexpr int kHelpTopic = 94;
constexpr int kMinWidth = 460;
constexpr int kMinHeight = 160;

QToolButton* MakeButton(QWidget* parent, const char* name, const char* caption, bool checkable) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QCoreApplication::translate("TZVfrmTextOut", caption));
    button->setCheckable(checkable);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(false);
    // Never narrower than its caption: the row widens the dialog instead
    // of cutting a longer caption (English) short.
    button->setSizePolicy(QSizePolicy::Minimum, button->sizePolicy().verticalPolicy());
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QCoreApplication::translate("TZVfrmTextOut", caption), parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// A small square of the colour with a dark edge, for the colour buttons.
QIcon Swatch(TColor color) {
    const TColor rgb = ColorToRGB(color);
    QPixmap pixmap(14, 14);
    pixmap.fill(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
    QPainter painter(&pixmap);
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

TZVfrmTextOut::TZVfrmTextOut(TQxImageView& view, std::filesystem::path settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FView(&view),
      FSettingsFile(std::move(settingsFile)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("ZVfrmTextOut"));
    setWindowTitle(QCoreApplication::translate("TZVfrmTextOut", "文字入れ"));
    setMinimumSize(kMinWidth, kMinHeight);
    ChooseColor = [this](TColor& color) { return PickColor(this, color); };
    BuildControls();

    FLoading = true;
    ComboBox1->addItems(TQtTextRenderer::FontFamilies());
    // Smoothing and opacity only where the picture holds the colours they
    // make.
    FPicture24 = view.Document().BitCount() == 24;
    for (QWidget* w : {static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(SpinEdit4),
                       static_cast<QWidget*>(Label6), static_cast<QWidget*>(CheckBox1)})
        w->setEnabled(FPicture24);
    TTextOutSettings settings;
    if (!FSettingsFile.empty()) settings = ReadTextOutSettings(TIniFile(FSettingsFile));
    if (!settings.HasPosition) {
        // Centred on the screen.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            settings.Left = area.left() + (area.width() - settings.Width) / 2;
            settings.Top = area.top() + (area.height() - settings.Height) / 2;
            settings.HasPosition = true;
        }
    }
    FLoading = false;
    view.Document().BeginTextMode();
    ApplySettings(settings);
}

TZVfrmTextOut::~TZVfrmTextOut() {
    // Destroyed without closing (the main window went first): text mode
    // still ends.
    if (!FFinished && FView) FView->Document().EndTextMode();
}

void TZVfrmTextOut::BuildControls() {
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Label4 = MakeLabel(this, "Label4", QT_TRANSLATE_NOOP("TZVfrmTextOut", "スタイル"));
    btnBold = MakeButton(this, "btnBold", QT_TRANSLATE_NOOP("TZVfrmTextOut", "太字"), true);
    btnItalic = MakeButton(this, "btnItalic", QT_TRANSLATE_NOOP("TZVfrmTextOut", "斜体"), true);
    btnUnderLine = MakeButton(this, "btnUnderLine", QT_TRANSLATE_NOOP("TZVfrmTextOut", "下線"), true);
    btnColor = MakeButton(this, "btnColor", QT_TRANSLATE_NOOP("TZVfrmTextOut", "文字色"), false);
    btnTransparent = MakeButton(this, "btnTransparent", QT_TRANSLATE_NOOP("TZVfrmTextOut", "透過"), true);
    btnBackColor = MakeButton(this, "btnBackColor", QT_TRANSLATE_NOOP("TZVfrmTextOut", "背景色"), false);
    btnTategaki = MakeButton(this, "btnTategaki", QT_TRANSLATE_NOOP("TZVfrmTextOut", "縦書"), true);
    Label1 = MakeLabel(this, "Label1", QT_TRANSLATE_NOOP("TZVfrmTextOut", "フォント"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(180);
    Label2 = MakeLabel(this, "Label2", QT_TRANSLATE_NOOP("TZVfrmTextOut", "サイズ"));
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", effects::kTextFontSize.Min, effects::kTextFontSize.Max,
                             effects::kTextFontSize.Default, 56);
    btnFrame = MakeButton(this, "btnFrame", QT_TRANSLATE_NOOP("TZVfrmTextOut", "枠線色"), false);
    Label3 = MakeLabel(this, "Label3", QT_TRANSLATE_NOOP("TZVfrmTextOut", "枠太さ："));
    SpinEdit2 = MakeSpinEdit(this, "SpinEdit2", effects::kTextFrameWidth.Min, effects::kTextFrameWidth.Max,
                             effects::kTextFrameWidth.Default, 48);
    Label5 = MakeLabel(this, "Label5", QT_TRANSLATE_NOOP("TZVfrmTextOut", "余白："));
    SpinEdit3 = MakeSpinEdit(this, "SpinEdit3", effects::kTextPadding.Min, effects::kTextPadding.Max,
                             effects::kTextPadding.Default, 48);

    Label6 = MakeLabel(this, "Label6", QT_TRANSLATE_NOOP("TZVfrmTextOut", "不透明率度："));
    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(effects::kTextOpacity.Min, effects::kTextOpacity.Max);
    TrackBar1->setValue(effects::kTextOpacity.Default);
    SpinEdit4 = MakeSpinEdit(this, "SpinEdit4", effects::kTextOpacity.Min, effects::kTextOpacity.Max,
                             effects::kTextOpacity.Default, 52);
    CheckBox1 = new QCheckBox(QCoreApplication::translate("TZVfrmTextOut", "アンチエイリアス"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QCoreApplication::translate("TZVfrmTextOut", "キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3 = new QPushButton(QCoreApplication::translate("TZVfrmTextOut", "ヘルプ"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    for (QPushButton* b : {Button1, Button2, Button3}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
    }

    // Tool panel: styles and colours, the font, the frame.
    auto* styles = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{Label4, btnBold, btnItalic, btnUnderLine, btnColor,
                                                      btnTransparent, btnBackColor, btnTategaki})
        styles->addWidget(w);
    styles->addStretch();
    auto* font = new QHBoxLayout;
    font->addWidget(Label1);
    font->addWidget(ComboBox1, 1);
    font->addWidget(Label2);
    font->addWidget(SpinEdit1);
    auto* frame = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{btnFrame, Label3, SpinEdit2, Label5, SpinEdit3})
        frame->addWidget(w);
    frame->addStretch();
    // Bottom panel: opacity and smoothing, then the buttons.
    auto* opacity = new QHBoxLayout;
    opacity->addWidget(Label6);
    opacity->addWidget(TrackBar1, 1);
    opacity->addWidget(SpinEdit4);
    opacity->addWidget(CheckBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(styles);
    layout->addLayout(font);
    layout->addLayout(frame);
    layout->addWidget(Memo1, 1);
    layout->addLayout(opacity);
    layout->addLayout(buttons);

    const auto changed = [this] { UpdateOverlay(); };
    connect(Memo1, &QPlainTextEdit::textChanged, this, changed);
    for (QToolButton* b : {btnBold, btnItalic, btnUnderLine, btnTransparent, btnTategaki})
        connect(b, &QToolButton::toggled, this, changed);
    connect(btnColor, &QToolButton::clicked, this, [this] { ColorClick(FFontColor); });
    connect(btnBackColor, &QToolButton::clicked, this, [this] { ColorClick(FBackColor); });
    connect(btnFrame, &QToolButton::clicked, this, [this] { ColorClick(FFrameColor); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, changed);
    for (QSpinBox* s : {SpinEdit1, SpinEdit2, SpinEdit3}) connect(s, &QSpinBox::valueChanged, this, changed);
    // The track bar and its spin edit follow each other.
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int value) {
        if (SpinEdit4->value() != value) SpinEdit4->setValue(value);
        UpdateOverlay();
    });
    connect(SpinEdit4, &QSpinBox::valueChanged, this, [this](int value) {
        if (TrackBar1->value() != value) TrackBar1->setValue(value);
        UpdateOverlay();
    });
    connect(CheckBox1, &QCheckBox::toggled, this, changed);
    connect(Button1, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    connect(Button3, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpTopic); });
}

void TZVfrmTextOut::ApplySettings(const TTextOutSettings& s) {
    FLoading = true;
    if (s.HasPosition) move(s.Left, s.Top);
    resize(std::max(s.Width, kMinWidth), std::max(s.Height, kMinHeight));
    const QString wanted = s.FontName.empty() ? QString::fromLatin1(kDefaultTextFace) : QString::fromStdString(s.FontName);
    const int index = ComboBox1->findText(TQtTextRenderer::InstalledFace(wanted));
    ComboBox1->setCurrentIndex(std::max(index, 0));
    SpinEdit1->setValue(s.FontSize);
    btnBold->setChecked(s.FontBold);
    btnItalic->setChecked(s.FontItalic);
    btnUnderLine->setChecked(s.FontUnderLine);
    FFontColor = s.FontColor;
    FBackColor = s.BackColor;
    FFrameColor = s.FrameColor;
    btnTategaki->setChecked(s.Tategaki);
    btnTransparent->setChecked(s.Transparent);
    SpinEdit2->setValue(s.FrameWidth);
    SpinEdit3->setValue(s.Padding);
    CheckBox1->setChecked(s.AntiAlias);
    SpinEdit4->setValue(s.AlphaChannel);
    TrackBar1->setValue(SpinEdit4->value());
    SetLines(s.Text);
    ShowColors();
    FLoading = false;
    UpdateOverlay();
}

TTextOutSettings TZVfrmTextOut::CurrentSettings() const {
    TTextOutSettings s;
    s.HasPosition = true;
    s.Left = pos().x();
    s.Top = pos().y();
    s.Width = width();
    s.Height = height();
    s.FontName = ToUtf8(ComboBox1->currentText());
    s.FontSize = SpinEdit1->value();
    s.FontBold = btnBold->isChecked();
    s.FontItalic = btnItalic->isChecked();
    s.FontUnderLine = btnUnderLine->isChecked();
    s.FontColor = FFontColor;
    s.BackColor = FBackColor;
    s.Tategaki = btnTategaki->isChecked();
    s.Transparent = btnTransparent->isChecked();
    s.FrameWidth = SpinEdit2->value();
    s.FrameColor = FFrameColor;
    s.Padding = SpinEdit3->value();
    s.AntiAlias = CheckBox1->isChecked();
    s.AlphaChannel = SpinEdit4->value();
    s.Text = Lines();
    return s;
}

std::vector<std::string> TZVfrmTextOut::Lines() const {
    QStringList parts = Memo1->toPlainText().split(QLatin1Char('\n'));
    if (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();
    std::vector<std::string> lines;
    lines.reserve(std::size_t(parts.size()));
    for (const QString& part : parts) lines.push_back(ToUtf8(part));
    return lines;
}

void TZVfrmTextOut::SetLines(const std::vector<std::string>& lines) {
    QStringList parts;
    for (const std::string& line : lines) parts.append(QString::fromStdString(line));
    QString text = parts.join(QLatin1Char('\n'));
    // A last empty line needs the line end after it to stay a line.
    if (!lines.empty() && lines.back().empty()) text += QLatin1Char('\n');
    Memo1->setPlainText(text);
}

TTextFont TZVfrmTextOut::CurrentFont() const {
    TTextFont font;
    font.Name = ToUtf8(ComboBox1->currentText());
    font.Size = SpinEdit1->value();
    font.Bold = btnBold->isChecked();
    font.Italic = btnItalic->isChecked();
    font.UnderLine = btnUnderLine->isChecked();
    font.Color = FFontColor;
    return font;
}

void TZVfrmTextOut::UpdateOverlay() {
    if (FLoading || FFinished || !FView) return;
    TQxImage& doc = FView->Document();
    const bool optionsOn = FPicture24;
    doc.SetTextOverlay(doc.TextPos(), Lines(), optionsOn ? std::clamp(SpinEdit4->value(), 0, 100) : 100,
                       optionsOn && CheckBox1->isChecked(), std::clamp(SpinEdit3->value(), 0, 99), FFrameColor,
                       std::clamp(SpinEdit2->value(), 0, 99), btnTategaki->isChecked(), FBackColor,
                       btnTransparent->isChecked(), CurrentFont());
}

void TZVfrmTextOut::OkClick() {
    if (FView && !FFinished) {
        if (OnApply) OnApply();
        else FView->Document().ApplyText();
        FApplied = true;
    }
    close();
}

void TZVfrmTextOut::ColorClick(TColor& color) {
    TColor chosen = color;
    if (!ChooseColor || !ChooseColor(chosen)) return;
    color = chosen;
    ShowColors();
    UpdateOverlay();
}

void TZVfrmTextOut::ShowColors() {
    btnColor->setIcon(Swatch(FFontColor));
    btnBackColor->setIcon(Swatch(FBackColor));
    btnFrame->setIcon(Swatch(FFrameColor));
}

void TZVfrmTextOut::closeEvent(QCloseEvent* event) {
    Finish();
    QWidget::closeEvent(event);
}

void TZVfrmTextOut::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    // The memo takes its own line ends; Enter anywhere else is "OK".
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !Memo1->hasFocus()) {
        OkClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TZVfrmTextOut::Finish() {
    if (FFinished) return;
    if (FView) FView->Document().EndTextMode();
    FFinished = true;
    if (!FSettingsFile.empty()) {
        TIniFile ini(FSettingsFile);
        WriteTextOutSettings(CurrentSettings(), ini);
        ini.UpdateFile();
    }
    emit Finished(FApplied);
}

}  // namespace zelvo
