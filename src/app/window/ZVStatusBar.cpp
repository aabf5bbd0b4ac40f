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

int TZVStatusBar::Panel0Width() const {
    int others = 0;
    for (int i = 1; i < kPanelCount; ++i) others += kPanelWidths[size_t(i)];
    return std::max(kMinPanel0Width, width() - others);
}

int TZVStatusBar::PanelLeft(int panel) const {
    int left = 0;
    for (int i = 0; i < panel; ++i) left += i == 0 ? Panel0Width() : kPanelWidths[size_t(i)];
    return left;
}

int TZVStatusBar::PanelAt(int x) const {
    for (int i = kPanelCount - 1; i >= 0; --i)
        if (x >= PanelLeft(i)) return x < PanelLeft(i) + (i == 0 ? Panel0Width() : kPanelWidths[size_t(i)]) ? i : -1;
    return -1;
}

void TZVStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.window());
    const TStatusInfo info = InfoSource ? InfoSource() : TStatusInfo{};
    for (int i = 0; i < kPanelCount; ++i) {
        const int left = PanelLeft(i);
        const int w = i == 0 ? Panel0Width() : kPanelWidths[size_t(i)];
        const QRect cell(left, 0, w - 2, height());
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
            painter.drawText(inner.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             FTexts[size_t(i)]);
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
            painter.drawText(QRect(cell.left() + 20, cell.top() + 2, w - 22, height() - 2),
                             Qt::AlignLeft | Qt::AlignVCenter, text);
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

}  // namespace zelvo
