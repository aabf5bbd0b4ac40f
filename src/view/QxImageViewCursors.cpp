#include "view/QxImageViewCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zelvo {
namespace {

constexpr int kSize = 32;

QPixmap BlankPixmap() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A dropper lying from the bottom-left (tip) to the top-right (bulb).
QCursor MakeSpoit() {
    QPixmap pixmap = BlankPixmap();
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(1, 30);
        p.rotate(-45);
        // Glass tube from the tip outwards, then the rubber bulb.
        QPainterPath tube;
        tube.moveTo(0, 0);
        tube.lineTo(4, -2);
        tube.lineTo(22, -2);
        tube.lineTo(22, 2);
        tube.lineTo(4, 2);
        tube.closeSubpath();
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(Qt::white);
        p.drawPath(tube);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(21, -4, 3, 8));
        p.drawRoundedRect(QRectF(24, -3.5, 12, 7), 3.5, 3.5);
    }
    return QCursor(pixmap, 1, 30);
}

// A paw: one round pad and four toes.
QCursor MakeNeko() {
    QPixmap pixmap = BlankPixmap();
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(8, 14, 16, 13));
        p.drawEllipse(QRectF(3, 9, 6, 7));
        p.drawEllipse(QRectF(9, 4, 6, 7));
        p.drawEllipse(QRectF(17, 4, 6, 7));
        p.drawEllipse(QRectF(23, 9, 6, 7));
    }
    return QCursor(pixmap, 16, 20);
}

// The letter "A" below and right of a corner mark; the corner is where the
// text's top-left lands.
QCursor MakeFont() {
    QPixmap pixmap = BlankPixmap();
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        for (const auto& [color, width] : {std::pair{QColor(Qt::white), 3.0}, std::pair{QColor(Qt::black), 1.0}}) {
            p.setPen(QPen(color, width, Qt::SolidLine, Qt::SquareCap));
            p.drawLine(QPointF(0.5, 0.5), QPointF(8.5, 0.5));
            p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, 8.5));
            QPainterPath letter;
            letter.moveTo(6, 26);
            letter.lineTo(14, 6);
            letter.lineTo(22, 26);
            letter.moveTo(9, 19);
            letter.lineTo(19, 19);
            p.setPen(QPen(color, width + 1.5, Qt::SolidLine, Qt::SquareCap));
            p.drawPath(letter);
        }
    }
    return QCursor(pixmap, 0, 0);
}

}  // namespace

QCursor ViewCursor(int number) {
    // Cursors are made once, on first use (a QPixmap needs the application).
    static const QCursor spoit = MakeSpoit();
    static const QCursor neko = MakeNeko();
    static const QCursor font = MakeFont();
    switch (number) {
    case crSpoit: return spoit;
    case crNeko: return neko;
    case crFont: return font;
    case crHourGlass: return QCursor(Qt::WaitCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    case crNone: return QCursor(Qt::BlankCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

}  // namespace zelvo
