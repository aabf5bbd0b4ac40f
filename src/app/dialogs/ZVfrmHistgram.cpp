#include "app/dialogs/ZVfrmHistgram.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <functional>

#include "app/common/HelpPages.h"
#include "document/QxImage.h"
#include "effects/Histogram.h"

namespace zelvo {
namespace {

constexpr int kHelpHistogram = 84;
constexpr int kPlotWidth = 258;
constexpr int kPlotHeight = 125;
constexpr int kScaleHeight = 10;

// A picture shown 1:1 that reports the mouse's x while it moves over it
// (the cross cursor of the plot and the strip).
class TPictureBox : public QWidget {
public:
    TPictureBox(QWidget* parent, const QImage& picture, std::function<void(int x)> onMouseX)
        : QWidget(parent), FPicture(picture), FOnMouseX(std::move(onMouseX)) {
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, FPicture);
    }
    void mouseMoveEvent(QMouseEvent* event) override { FOnMouseX(event->position().toPoint().x()); }

private:
    const QImage& FPicture;
    std::function<void(int)> FOnMouseX;
};

// Pixels of a 32-bit picture, set one by one: the lines are a pixel wide
// and axis-parallel, so no painter (and no anti-aliasing) is needed.
void VLine(QImage& image, int x, int fromY, int toY, QRgb color) {
    if (x < 0 || x >= image.width()) return;
    for (int y = std::max(0, fromY); y <= std::min(toY, image.height() - 1); ++y) image.setPixel(x, y, color);
}

void Frame(QImage& image, int top, QRgb color) {
    const int right = image.width() - 1, bottom = image.height() - 1;
    if (right < 0 || bottom < top) return;
    for (int x = 0; x <= right; ++x) {
        image.setPixel(x, top, color);
        image.setPixel(x, bottom, color);
    }
    VLine(image, 0, top, bottom, color);
    VLine(image, right, top, bottom, color);
}

}  // namespace

QColor HistogramPen(THistogramChannel channel) {
    switch (channel) {
        case THistogramChannel::Red: return QColor(255, 0, 0);
        case THistogramChannel::Green: return QColor(0, 128, 0);
        case THistogramChannel::Blue: return QColor(0, 0, 255);
        case THistogramChannel::Brightness: break;
    }
    return QColor(0, 0, 0);
}

int HistogramLevelAt(int x) { return std::clamp(x - 1, 0, 255); }

QImage DrawHistogramPlot(const THistogramCounts& counts, QColor pen, int width, int height) {
    QImage plot(width, height, QImage::Format_RGB32);
    plot.fill(Qt::white);
    const std::uint32_t maxCount = *std::max_element(counts.begin(), counts.end());
    // An empty or failed histogram (largest count 0) draws no bars at all.
    if (maxCount != 0) {
        for (int j = 0; j < 256; ++j) {
            if (counts[std::size_t(j)] == 0) continue;
            const int b = effects::HistogramBarHeight(counts[std::size_t(j)], maxCount, height);
            VLine(plot, j + 1, height - b - 2, height - 1, pen.rgb());
        }
    }
    Frame(plot, 0, qRgb(0, 0, 0));
    return plot;
}

QImage DrawHistogramScale(THistogramChannel channel, int width, int height) {
    QImage scale(width, height, QImage::Format_RGB32);
    scale.fill(Qt::white);
    Frame(scale, 2, qRgb(0, 0, 0));
    for (int k = 0; k < 256; ++k) {
        const QRgb shade = channel == THistogramChannel::Red     ? qRgb(k, 0, 0)
                           : channel == THistogramChannel::Green ? qRgb(0, k, 0)
                           : channel == THistogramChannel::Blue  ? qRgb(0, 0, k)
                                                                 : qRgb(k, k, k);
        VLine(scale, k + 1, 3, height - 1, shade);
    }
    return scale;
}

TZVfrmHistgram::TZVfrmHistgram(TQxImage& document, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ZVfrmHistgram"));
    setWindowTitle(QCoreApplication::translate("TZVfrmHistgram", "ヒストグラム"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(QCoreApplication::translate("TZVfrmHistgram", text), this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    // The top panel: three readouts on the left, the channel and the
    // buttons on the right.
    Label1 = label("Label1", QT_TRANSLATE_NOOP("TZVfrmHistgram", "レベル："));
    lblLevel = label("lblLevel", "");
    Label2 = label("Label2", QT_TRANSLATE_NOOP("TZVfrmHistgram", "画素数："));
    lblCount = label("lblCount", "");
    Label4 = label("Label4", QT_TRANSLATE_NOOP("TZVfrmHistgram", "全画素数："));
    lblAllCount = label("lblAllCount", "");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QCoreApplication::translate("TZVfrmHistgram", "輝度"), QCoreApplication::translate("TZVfrmHistgram", "赤色"), QCoreApplication::translate("TZVfrmHistgram", "緑色"),
                         QCoreApplication::translate("TZVfrmHistgram", "青色")});
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QCoreApplication::translate("TZVfrmHistgram", "ヘルプ"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    // The classic layout, widened where the font needs more room: a count
    // has up to ten digits (65535 x 65535 pixels).
    const QFontMetrics metrics = fontMetrics();
    int widestDigit = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widestDigit = std::max(widestDigit, metrics.horizontalAdvance(QLatin1Char(digit)));
    const int row = std::max(16, Label1->sizeHint().height());
    const int captionWidth = std::max({64, Label1->sizeHint().width(), Label2->sizeHint().width(),
                                       Label4->sizeHint().width()});
    const int valueLeft = 6 + captionWidth + 2;
    const int valueWidth = std::max(70, metrics.horizontalAdvance(QLatin1Char('-')) + 10 * widestDigit + 2);
    Label1->setGeometry(6, 4, captionWidth, row);
    lblLevel->setGeometry(valueLeft, 4, valueWidth, row);
    Label2->setGeometry(6, 4 + row, captionWidth, row);
    lblCount->setGeometry(valueLeft, 4 + row, valueWidth, row);
    Label4->setGeometry(6, 4 + 2 * row, captionWidth, row);
    lblAllCount->setGeometry(valueLeft, 4 + 2 * row, valueWidth, row);
    const int comboLeft = std::max(140, valueLeft + valueWidth);
    const QSize combo(std::max(64, metrics.horizontalAdvance(QCoreApplication::translate("TZVfrmHistgram", "輝度")) + 32),
                      std::max(22, metrics.height() + 6));
    ComboBox1->setGeometry(comboLeft, 4, combo.width(), combo.height());
    const int buttonLeft = comboLeft + combo.width() + 4;
    const QSize button(std::max(56, metrics.horizontalAdvance(QCoreApplication::translate("TZVfrmHistgram", "ヘルプ")) + 16),
                       std::max(24, metrics.height() + 8));
    Button1->setGeometry(buttonLeft, 3, button.width(), button.height());
    Button2->setGeometry(buttonLeft, 4 + button.height(), button.width(), button.height());
    const int plotTop = std::max({55, 4 + 3 * row + 3, 4 + 2 * button.height() + 3});
    setFixedSize(std::max(268, buttonLeft + button.width() + 4), plotTop + kPlotHeight + kScaleHeight + 3);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpHistogram); });

    // The lower panel: the plot over the scale strip.
    Image1 = new TPictureBox(this, FPlot, [this](int x) { ShowLevel(HistogramLevelAt(x)); });
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(5, plotTop, kPlotWidth, kPlotHeight);
    Image2 = new TPictureBox(this, FScale, [this](int x) { ShowLevel(HistogramLevelAt(x)); });
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(5, plotTop + kPlotHeight, kPlotWidth, kScaleHeight);

    THistogramCounts& brightness = FCounts[std::size_t(THistogramChannel::Brightness)];
    THistogramCounts& red = FCounts[std::size_t(THistogramChannel::Red)];
    THistogramCounts& green = FCounts[std::size_t(THistogramChannel::Green)];
    THistogramCounts& blue = FCounts[std::size_t(THistogramChannel::Blue)];
    // The document's order is brightness, red, blue, green.
    FAllCount = document.GetHistogram(brightness, red, blue, green);
    lblAllCount->setText(QString::number(FAllCount));

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { DrawHistogram(); });
    ComboBox1->setCurrentIndex(0);
    DrawHistogram();
}

TZVfrmHistgram::~TZVfrmHistgram() = default;

THistogramChannel TZVfrmHistgram::Channel() const {
    return THistogramChannel(std::clamp(ComboBox1->currentIndex(), 0, 3));
}

const THistogramCounts& TZVfrmHistgram::Counts(THistogramChannel channel) const {
    return FCounts[std::size_t(channel)];
}

void TZVfrmHistgram::DrawHistogram() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const THistogramChannel channel = Channel();
    FPlot = DrawHistogramPlot(Counts(channel), HistogramPen(channel), kPlotWidth, kPlotHeight);
    FScale = DrawHistogramScale(channel, kPlotWidth, kScaleHeight);
    Image1->update();
    Image2->update();
    QGuiApplication::restoreOverrideCursor();
    ShowLevel(FLevel);
}

void TZVfrmHistgram::ShowLevel(int level) {
    FLevel = std::clamp(level, 0, 255);
    lblLevel->setText(QString::number(FLevel));
    lblCount->setText(QString::number(Counts(Channel())[std::size_t(FLevel)]));
}

}  // namespace zelvo
