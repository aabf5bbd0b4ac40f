// zelvo_screen_grab: the screenshot tests' camera, so they need nothing but
// Qt and an X server.
//
//   zelvo_screen_grab --window WID OUT.png   photographs X window WID (decimal
//                                            or 0x hex) and saves it as PNG
//   zelvo_screen_grab --count FILE.png       reads a picture
//
// Both print "WIDTHxHEIGHT, N colours" (N distinct RGB values) and exit 0,
// or exit 1 with the reason.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int Fail(const char* what, const char* detail) {
    std::fprintf(stderr, "zelvo_screen_grab: %s %s\n", what, detail);
    return 1;
}

// Distinct colours, alpha ignored.
std::size_t CountColours(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> pixels;
    pixels.reserve(std::size_t(rgb.width()) * std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) pixels.push_back(row[x] & 0xFFFFFFu);
    }
    std::sort(pixels.begin(), pixels.end());
    return std::size_t(std::unique(pixels.begin(), pixels.end()) - pixels.begin());
}

}  // namespace

int main(int argc, char** argv) {
    const bool grab = argc == 4 && qstrcmp(argv[1], "--window") == 0;
    const bool count = argc == 3 && qstrcmp(argv[1], "--count") == 0;
    if (!grab && !count) return Fail("usage:", "zelvo_screen_grab --window WID OUT.png | --count FILE.png");
    if (grab) {
        // Photographing needs the real X server, whatever the environment says.
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QImage picture;
    if (grab) {
        bool ok = false;
        const WId window = QByteArray(argv[2]).toULongLong(&ok, 0);
        if (!ok) return Fail("not a window id:", argv[2]);
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) return Fail("no screen", "");
        picture = screen->grabWindow(window).toImage();
        if (picture.isNull()) return Fail("cannot photograph window", argv[2]);
        if (!picture.save(QString::fromLocal8Bit(argv[3]), "PNG")) return Fail("cannot write", argv[3]);
    } else if (!picture.load(QString::fromLocal8Bit(argv[2]))) {
        return Fail("cannot read", argv[2]);
    }
    std::printf("%dx%d, %zu colours\n", picture.width(), picture.height(), CountColours(picture));
    return 0;
}
