#include "app/window/ZVStatusBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace zelvo {

TZVStatusBar::TZVStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    FGlyphs = {QIcon(QStringLiteral(":/icons/imagesize.svg")), QIcon(QStringLiteral(":/icons/zoom.svg")),
               QIcon(QStringLiteral(":/icons/colorbit.svg"))};
}

QSize TZVStatusBar::sizeHint() const {
    return QSize(400, std::max(fontMetrics().height() + 6, 20));
}

void TZVStatusBar::SetPanelText(int panel, const QString& text) {
    if (panel < 0 || panel > 2 || FTexts[size_t(panel)] == text) return;
    FTexts[size_t(panel)] = text;
    update();
}

QString TZVStatusBar::PanelText(int panel) const {
    return panel >= 0 && panel <= 2 ? FTexts[size_t(panel)] : QString();
}

QString TZVStatusBar::OwnerDrawnText(int panel, const TStatusInfo& info) {
    if (info.Empty) return {};
    switch (panel) {
        case 3: return QStringLiteral("%1 x %2").arg(info.Width).arg(info.Height);
        case 4: return QStringLiteral("%1%").arg(info.Zoom);
        case 5: return QStringLiteral("%1bit").arg(info.BitCount);
        default: return {};
    }
}

namespace {

// Room a panel leaves beside its text: the frame and 2 pixels each side for
// the plain panels, the glyph column and the frame for the owner-drawn ones.
constexpr int kPlainTextMargin = 8;
constexpr int kOwnerDrawnTextLeft = 20;
constexpr int kOwnerDrawnTextMargin = kOwnerDrawnTextLeft + 4;

// The character of `characters` that is widest in `metrics`.
QChar WidestOf(const QFontMetrics& metrics, QStringView characters) {
    QChar widest = characters.front();
    for (const QChar c : characters)
        if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest)) widest = c;
    return widest;
}

// As many of the widest digit as `value` has digits.
QString WidestNumber(const QFontMetrics& metrics, int value) {
    return QString(QString::number(std::max(value, 0)).size(), WidestOf(metrics, u"0123456789"));
}

}  // namespace

QString TZVStatusBar::WidestPanelText(int panel, const TStatusInfo& info, const QFontMetrics& metrics) {
    const int width = info.Empty ? 0 : info.Width;
    const int height = info.Empty ? 0 : info.Height;
    const QString size = WidestNumber(metrics, width) + QStringLiteral(" x ") + WidestNumber(metrics, height);
    switch (panel) {
        case 1: return WidestNumber(metrics, width) + QStringLiteral(" , ") + WidestNumber(metrics, height);
        case 2: {
            const QString colour = QLatin1Char('#') + QString(6, WidestOf(metrics, u"0123456789ABCDEF"));
            return metrics.horizontalAdvance(colour) > metrics.horizontalAdvance(size) ? colour : size;
        }
        case 3: return size;
        case 4: return WidestNumber(metrics, info.Empty ? 100 : info.Zoom) + QLatin1Char('%');
        case 5: return WidestNumber(metrics, info.Empty ? 24 : info.BitCount) + QStringLiteral("bit");
        default: return {};
    }
}

void TZVStatusBar::Refresh() {
    const TStatusInfo info = InfoSource ? InfoSource() : TStatusInfo{};
    const QFontMetrics metrics = fontMetrics();
    std::array<int, kPanelCount> widths = kPanelWidths;
    for (int i = 1; i < kPanelCount; ++i)
        widths[size_t(i)] = std::max(kPanelWidths[size_t(i)],
                                     metrics.horizontalAdvance(WidestPanelText(i, info, metrics)) +
                                         (i < 3 ? kPlainTextMargin : kOwnerDrawnTextMargin));
    const bool changed = widths != FWidths;
    FWidths = widths;
    if (changed) emit Resized();
    update();
}

int TZVStatusBar::Panel0Width() const {
    int others = 0;
    for (int i = 1; i < kPanelCount; ++i) others += FWidths[size_t(i)];
    return std::max(kMinPanel0Width, width() - others);
}

int TZVStatusBar::PanelWidth(int panel) const {
    if (panel < 0 || panel >= kPanelCount) return 0;
    return panel == 0 ? Panel0Width() : FWidths[size_t(panel)];
}

QRect TZVStatusBar::PanelTextRect(int panel) const {
    const int left = PanelLeft(panel);
    const int w = PanelWidth(panel);
    if (panel < 3) return QRect(left + 3, 1, w - kPlainTextMargin, height() - 2);
    return QRect(left + kOwnerDrawnTextLeft, 2, w - kOwnerDrawnTextMargin, height() - 2);
}

int TZVStatusBar::PanelLeft(int panel) const {
    int left = 0;
    for (int i = 0; i < panel; ++i) left += PanelWidth(i);
    return left;
}

int TZVStatusBar::PanelAt(int x) const {
    for (int i = kPanelCount - 1; i >= 0; --i)
        if (x >= PanelLeft(i)) return x < PanelLeft(i) + PanelWidth(i) ? i : -1;
    return -1;
}

void TZVStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.window());
    const TStatusInfo info = InfoSource ? InfoSource() : TStatusInfo{};
    for (int i = 0; i < kPanelCount; ++i) {
        const int left = PanelLeft(i);
        const QRect cell(left, 0, PanelWidth(i) - 2, height());
        // A sunken panel frame, as the classic status bar draws it.
        painter.setPen(pal.color(QPalette::Dark));
        painter.drawLine(cell.topLeft(), cell.topRight());
        painter.drawLine(cell.topLeft(), cell.bottomLeft());
        painter.setPen(pal.color(QPalette::Light));
        painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        painter.drawLine(cell.topRight(), cell.bottomRight());
        const QRect inner = cell.adjusted(1, 1, -1, -1);
        if (i < 3) {
            painter.setPen(pal.color(QPalette::WindowText));
            painter.drawText(PanelTextRect(i), Qt::AlignVCenter | Qt::AlignLeft, FTexts[size_t(i)]);
            continue;
        }
        // Owner-drawn: button face, the glyph at the left edge, the text in
        // black 20 pixels right of the left edge and 2 below the top.
        painter.fillRect(inner, pal.color(QPalette::Button));
        const int glyph = std::min(16, inner.height());
        FGlyphs[size_t(i - 3)].paint(&painter, QRect(inner.left(), inner.top() + (inner.height() - glyph) / 2,
                                                     glyph, glyph));
        painter.setPen(Qt::black);
        const QString text = OwnerDrawnText(i, info);
        if (!text.isEmpty())
            painter.drawText(PanelTextRect(i), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void TZVStatusBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int panel = PanelAt(int(event->position().x()));
        if (panel >= 0) emit PanelClicked(panel);
    }
    QStatusBar::mousePressEvent(event);
}

void TZVStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    emit Resized();
}

void TZVStatusBar::changeEvent(QEvent* event) {
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::FontChange) Refresh();
}

}  // namespace zelvo
