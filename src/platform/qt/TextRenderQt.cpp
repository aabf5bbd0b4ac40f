#include "platform/qt/TextRenderQt.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "image/Exceptions.h"

namespace zelvo {
namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

QFont TQtTextRenderer::ToQFont(const TTextFont& font) {
    QFont qfont(QString::fromStdString(font.Name));
    qfont.setPixelSize(std::max(1, PointsToPixels(font.Size)));
    qfont.setBold(font.Bold);
    qfont.setItalic(font.Italic);
    qfont.setUnderline(font.UnderLine);
    // The document smooths the glyph edges itself, over the picture.
    qfont.setStyleStrategy(QFont::NoAntialias);
    qfont.setKerning(true);
    return qfont;
}

QStringList TQtTextRenderer::FontFamilies() { return QFontDatabase::families(); }

QString TQtTextRenderer::InstalledFace(const QString& name) {
    const QStringList families = FontFamilies();
    if (families.contains(name)) return name;
    return families.isEmpty() ? QString() : families.first();
}

int TQtTextRenderer::LineHeight(const TTextFont& font) const { return QFontMetrics(ToQFont(font)).height(); }

int TQtTextRenderer::TextWidth(const TTextFont& font, std::string_view line) const {
    return QFontMetrics(ToQFont(font)).horizontalAdvance(FromUtf8(line));
}

void TQtTextRenderer::DrawLine(TDibImage& mask, const TTextFont& font, int x, int y, std::string_view line,
                               bool vertical) const {
    if (mask.BitCount() != 8 || mask.Header().biCompression != BI_RGB)
        throw EDibImageBadDIBType("TQtTextRenderer.DrawLine: Invalid Bitcount");
    const int width = mask.Width();
    const int height = mask.Height();
    const bool topDown = mask.Header().biHeight < 0;
    // A top-down mask's rows follow one another in memory from the top, so
    // a QImage can lie straight over them; a bottom-up one is drawn through
    // a copy of its rows.
    QImage surface;
    if (topDown) {
        surface = QImage(mask.ScanLine(0), width, height, mask.RowBytes(), QImage::Format_Grayscale8);
    } else {
        surface = QImage(width, height, QImage::Format_Grayscale8);
        for (int row = 0; row < height; ++row)
            std::memcpy(surface.scanLine(row), mask.ScanLineRead(row), std::size_t(width));
    }
    {
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QFont qfont = ToQFont(font);
        painter.setFont(qfont);
        painter.setPen(QColor(0, 0, 0));
        const int ascent = QFontMetrics(qfont).ascent();
        painter.translate(x, y);
        // Turned a quarter clockwise: the line's x axis runs down the mask
        // and its top edge lies on column x.
        if (vertical) painter.rotate(90);
        painter.drawText(QPoint(0, ascent), FromUtf8(line));
    }
    if (!topDown) {
        for (int row = 0; row < height; ++row)
            std::memcpy(mask.ScanLine(row), surface.constScanLine(row), std::size_t(width));
    }
}

}  // namespace zelvo
