// Renders the application icon (an SVG) as PNG files of the sizes the
// desktop's icon theme keeps: OUT_DIR/<N>x<N>/apps/NAME.png.
// Usage: zelvo-make-icon-pngs ICON.svg NAME OUT_DIR SIZE...

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: zelvo-make-icon-pngs ICON.svg NAME OUT_DIR SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "zelvo-make-icon-pngs: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QString out = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "zelvo-make-icon-pngs: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = dir + "/" + name + ".png";
        if (!QDir().mkpath(dir) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "zelvo-make-icon-pngs: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
