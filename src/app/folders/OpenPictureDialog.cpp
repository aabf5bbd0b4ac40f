#include "app/folders/OpenPictureDialog.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QShowEvent>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/common/FileFilters.h"
#include "app/common/EditorContext.h"
#include "app/folders/PreviewDecoder.h"
#include "formats/QxImageIO.h"

namespace zelvo {

namespace {

// The panel below the dialog's controls: border 6, a 150-wide box on the
// left and the three lines 24 pixels apart from 16, the check box under them.
constexpr int kPanelBorder = 6;
constexpr int kBoxPanelWidth = 150;
constexpr int kBoxPanelBorder = 3;
constexpr int kPanelHeight = 150 + 2 * kPanelBorder;
constexpr int kLabelLeft = kPanelBorder + kBoxPanelWidth + 8;
constexpr int kLabelTop = 16;
constexpr int kLabelStep = 24;
constexpr int kLabelHeight = 20;

QColor ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// Date and time in the user's locale, seconds included.
QString ModificationText(const QDateTime& time) {
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    // The long form may name the time zone ("t"); the file list never does.
    timeFormat.remove(QLatin1Char('t'));
    return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           time.time().toString(timeFormat.trimmed());
}

}  // namespace

TRect PreviewFitRect(int width, int height, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
    if (width <= boxWidth && height <= boxHeight)
        return Bounds((boxWidth - width) / 2, (boxHeight - height) / 2, width, height);
    // Full width when the picture is relatively wider than the box
    // (w / h >= boxWidth / boxHeight, cross-multiplied), else full height.
    const std::int64_t w = width;
    const std::int64_t h = height;
    if (w * boxHeight >= h * boxWidth) {
        const int fitHeight = int(std::max<std::int64_t>(1, h * boxWidth / w));
        return Bounds(0, (boxHeight - fitHeight) / 2, boxWidth, fitHeight);
    }
    const int fitWidth = int(std::max<std::int64_t>(1, w * boxHeight / h));
    return Bounds((boxWidth - fitWidth) / 2, 0, fitWidth, boxHeight);
}

QString PreviewDepthName(int bitCount) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 15:
        case 16:
        case 24:
        case 32: return QStringLiteral("%1 bpp").arg(bitCount);
        default: return {};
    }
}

QString PreviewFileSizeText(std::int64_t bytes) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(qlonglong(bytes)) + QStringLiteral(" bytes");
}

// ---------------------------------------------------------------- paint box

TPreviewPaintBox::TPreviewPaintBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox"));
}

void TPreviewPaintBox::SetColor(TColor color) {
    FColor = color;
    update();
}

void TPreviewPaintBox::SetPicture(const QImage& image, int width, int height) {
    FImage = image;
    FWidth = width;
    FHeight = height;
    update();
}

void TPreviewPaintBox::ClearPicture() {
    FImage = QImage();
    FWidth = FHeight = 0;
    update();
}

TRect TPreviewPaintBox::PictureRect() const {
    if (FImage.isNull()) return {};
    return PreviewFitRect(FWidth, FHeight, width(), height());
}

void TPreviewPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(FColor));
    const TRect r = PictureRect();
    if (r.IsEmpty()) return;
    const QRect target(r.Left, r.Top, r.Width(), r.Height());
    if (target.size() != FImage.size()) painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, FImage);
}

// ---------------------------------------------------------------- dialog

TQxOpenPictureDialog::TQxOpenPictureDialog(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("QxOpenPictureDialog"));
    // The panel goes into Qt's own dialog; a desktop's native one has no
    // room for it.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    // Every built-in format until the window gives its own filter.
    setNameFilters(QtNameFilters(QString::fromStdString(BuildWindowFilters(false, {}).OpenFilter)));

    PicturePanel = new QFrame(this);
    PicturePanel->setObjectName(QStringLiteral("PicturePanel"));
    PicturePanel->setFrameShape(QFrame::NoFrame);
    PicturePanel->setFixedHeight(kPanelHeight);

    PaintPanel = new QFrame(PicturePanel);
    PaintPanel->setObjectName(QStringLiteral("PaintPanel"));
    PaintPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PaintPanel->setLineWidth(1);
    PaintPanel->setGeometry(kPanelBorder, kPanelBorder, kBoxPanelWidth, kPanelHeight - 2 * kPanelBorder);
    PaintPanel->setAutoFillBackground(true);
    auto* boxLayout = new QHBoxLayout(PaintPanel);
    boxLayout->setContentsMargins(kBoxPanelBorder + 1, kBoxPanelBorder + 1, kBoxPanelBorder + 1,
                                  kBoxPanelBorder + 1);
    PaintBox = new TPreviewPaintBox(PaintPanel);
    boxLayout->addWidget(PaintBox);

    QLabel** labels[] = {&PictureLabel1, &PictureLabel2, &PictureLabel3};
    for (int i = 0; i < 3; ++i) {
        QLabel* label = new QLabel(PicturePanel);
        label->setObjectName(QStringLiteral("PictureLabel%1").arg(i + 1));
        label->setTextFormat(Qt::PlainText);
        *labels[i] = label;
    }
    PreviewCheckBox = new QCheckBox(PicturePanel);
    PreviewCheckBox->setObjectName(QStringLiteral("PreviewCheckBox"));
    PreviewCheckBox->setText(QCoreApplication::translate("OpenPictureDialog", "プレビュー(&P)"));
    PreviewCheckBox->setChecked(true);
    connect(PreviewCheckBox, &QCheckBox::toggled, this, [this](bool checked) { SetEnablePreview(checked); });
    FitPictureLabels();

    // Below the standard controls, across the whole width.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(PicturePanel, grid->rowCount(), 0, 1, grid->columnCount());
    } else if (layout()) {
        layout()->addWidget(PicturePanel);
    }

    SetPreviewBaseColor(FPreviewBaseColor);
    FRestTimer.setSingleShot(true);
    FRestTimer.setInterval(kRestMilliseconds);
    connect(&FRestTimer, &QTimer::timeout, this, [this] { UpdatePreview(); });
    FSlowTimer.setSingleShot(true);
    FSlowTimer.setInterval(kRestMilliseconds);
    connect(&FSlowTimer, &QTimer::timeout, this, [this] {
        if (!FPending) return;
        ClearPreview();
        ShowFileLines();
    });
    FDecoder = std::make_unique<TPreviewDecoder>(this, [this](const TPreviewResult& result) { ShowDecoded(result); });
    connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) { SelectionChanged(path); });
}

TQxOpenPictureDialog::~TQxOpenPictureDialog() = default;

void TQxOpenPictureDialog::SetEnablePreview(bool enable) {
    if (FEnablePreview == enable && PreviewCheckBox->isChecked() == enable) return;
    FEnablePreview = enable;
    PreviewCheckBox->setChecked(enable);
    if (enable) {
        UpdatePreview();
    } else {
        FRestTimer.stop();
        CancelDecode();
        ClearPreview();
    }
}

void TQxOpenPictureDialog::SetPreviewBaseColor(TColor color) {
    FPreviewBaseColor = color;
    QPalette palette = PaintPanel->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    PaintPanel->setPalette(palette);
    PaintBox->SetColor(color);
}

bool TQxOpenPictureDialog::Execute() { return exec() == QDialog::Accepted && !selectedFiles().isEmpty(); }

void TQxOpenPictureDialog::SelectionChanged(const QString& path) {
    FCurrentPath = path;
    if (FEnablePreview) FRestTimer.start();
}

void TQxOpenPictureDialog::ClearPreview() {
    PictureLabel1->clear();
    PictureLabel2->clear();
    PictureLabel3->clear();
    PaintBox->ClearPicture();
}

void TQxOpenPictureDialog::CancelDecode() {
    ++FRequest;
    FPending = false;
    FSlowTimer.stop();
    FDecoder->Cancel();
}

void TQxOpenPictureDialog::UpdatePreview() {
    FRestTimer.stop();
    if (!FEnablePreview) return;
    const std::filesystem::path path(FCurrentPath.toStdString());
    std::error_code ec;
    // Only regular files: a folder shows nothing, and a pipe or device would
    // block the decode or never end.
    if (FCurrentPath.isEmpty() || !std::filesystem::is_regular_file(path, ec)) {
        CancelDecode();
        ClearPreview();
        return;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    const QDateTime modified = QFileInfo(FCurrentPath).lastModified();
    // An entry that cannot be read leaves everything as it was.
    if (ec || !modified.isValid()) return;

    ++FPreviewDecodes;
    FFileSize = std::int64_t(size);
    FModified = modified;
    FPending = true;
    const qreal ratio = PaintBox->devicePixelRatioF();
    FDecoder->Start(TPreviewRequest{++FRequest, path, FGifMode, int(PaintBox->width() * ratio),
                                    int(PaintBox->height() * ratio)});
    FSlowTimer.start();
}

void TQxOpenPictureDialog::ShowFileLines() {
    PictureLabel2->setText(QCoreApplication::translate("OpenPictureDialog", "ﾌｧｲﾙｻｲｽﾞ：\t") + PreviewFileSizeText(FFileSize));
    PictureLabel3->setText(QCoreApplication::translate("OpenPictureDialog", "最終更新：\t") + ModificationText(FModified));
    FitPictureLabels();
}

void TQxOpenPictureDialog::ShowDecoded(const TPreviewResult& result) {
    // A result an even newer selection overtook on its way is dropped.
    if (result.Number != FRequest || !FPending) return;
    FPending = false;
    FSlowTimer.stop();
    if (result.Image.isNull()) {
        ClearPreview();
        return;
    }
    PictureLabel1->setText(QCoreApplication::translate("OpenPictureDialog", "画像ｻｲｽﾞ：\t") +
                           QString::asprintf("%d x %d", result.Width, result.Height) +
                           QStringLiteral(" pixels ") + PreviewDepthName(result.BitCount));
    ShowFileLines();
    PaintBox->SetPicture(result.Image, result.Width, result.Height);
}

void TQxOpenPictureDialog::FitPictureLabels() {
    QLabel* labels[] = {PictureLabel1, PictureLabel2, PictureLabel3};
    int height = std::max(kLabelHeight, PictureLabel1->fontMetrics().height() + 4);
    for (const QLabel* label : labels) height = std::max(height, label->sizeHint().height());
    const int step = std::max(kLabelStep, height + 4);
    int right = 0;
    for (int i = 0; i < 3; ++i) {
        const int width = std::max({400, labels[i]->width(), labels[i]->sizeHint().width()});
        labels[i]->setGeometry(kLabelLeft, kLabelTop + i * step, width, height);
        right = std::max(right, kLabelLeft + width);
    }
    const QSize box = PreviewCheckBox->sizeHint();
    PreviewCheckBox->setGeometry(kLabelLeft, kLabelTop + 3 * step + 8, std::max(200, box.width()),
                                 std::max(kLabelHeight + 2, box.height()));
    PicturePanel->setMinimumWidth(std::max(right, PreviewCheckBox->geometry().right() + 1) + kPanelBorder);
    PicturePanel->setFixedHeight(std::max(kPanelHeight, PreviewCheckBox->geometry().bottom() + 1 + kPanelBorder));
}

void TQxOpenPictureDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    if (event->spontaneous()) return;
    PreviewCheckBox->setText(QCoreApplication::translate("OpenPictureDialog", "プレビュー(&P)"));
    ClearPreview();
    // A file selected before showing is previewed once the dialog is laid out.
    if (FEnablePreview && !FCurrentPath.isEmpty()) FRestTimer.start();
}

QString RunOpenPictureDialog(TEditorContext& form, const QString& caption) {
    TQxOpenPictureDialog dialog(&form.Window());
    if (!caption.isEmpty()) dialog.setWindowTitle(caption);
    dialog.setNameFilters(QtNameFilters(form.Filters.FOpenFilter));
    dialog.setDirectory(form.Options.FLastDirectory);
    dialog.selectFile(QString());
    dialog.SetGifMode(form.Options.FGIFMode);
    dialog.SetPreviewBaseColor(form.BackgroundColor());
    dialog.SetEnablePreview(form.Options.FOpenPreview);
    const bool chosen = dialog.Execute();
    form.Options.FOpenPreview = dialog.EnablePreview();
    if (!chosen) return {};
    return dialog.selectedFiles().first();
}

}  // namespace zelvo
