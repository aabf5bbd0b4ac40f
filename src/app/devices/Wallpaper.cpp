#include "app/devices/Wallpaper.h"

#include <QStandardPaths>
#include <QUrl>

#include "app/devices/portal/DesktopPortal.h"
#include "app/devices/DeviceHooks.h"
#include "image/DibImage.h"
#include "platform/DataDirectory.h"
#include "platform/qt/X11RootBackground.h"
#include "platform/qt/X11Windows.h"

namespace zelvo {

namespace {

/// How long the desktop portal may take to set the wallpaper.
constexpr int kWallpaperPortalTimeoutMs = 30000;

const QString kGsettings = QStringLiteral("gsettings");
const QString kXfconf = QStringLiteral("xfconf-query");

/// The gsettings schema and keys of the desktops that use gsettings.
struct TGsettingsDesktop {
    const char* Schema;
    const char* PictureKey;
    bool Uri;  ///< the key takes a file:// URI rather than a path
};

TGsettingsDesktop GsettingsOf(TDesktopKind kind) {
    switch (kind) {
        case TDesktopKind::Cinnamon: return {"org.cinnamon.desktop.background", "picture-uri", true};
        case TDesktopKind::Mate: return {"org.mate.background", "picture-filename", false};
        default: return {"org.gnome.desktop.background", "picture-uri", true};
    }
}

/// A string as gsettings reads a value: GVariant text in single quotes.
QString GVariantString(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString JsString(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

}  // namespace

TDesktopKind DetectDesktop(const QString& currentDesktop) {
    for (const QString& name : currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString n = name.trimmed().toUpper();
        if (n == QLatin1String("KDE")) return TDesktopKind::Kde;
        if (n == QLatin1String("X-CINNAMON") || n == QLatin1String("CINNAMON")) return TDesktopKind::Cinnamon;
        if (n == QLatin1String("MATE")) return TDesktopKind::Mate;
        if (n == QLatin1String("XFCE")) return TDesktopKind::Xfce;
        if (n == QLatin1String("GNOME") || n == QLatin1String("UNITY") || n == QLatin1String("BUDGIE"))
            return TDesktopKind::Gnome;
    }
    return TDesktopKind::Other;
}

TDesktopKind CurrentDesktop() { return DetectDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP")); }

std::filesystem::path WallpaperFile() { return DataDirectory() / "Zelvo_WallPaper.bmp"; }

TWallpaperSetter::TWallpaperSetter(TDesktopKind desktop) : Desktop(desktop) {
    for (const char* name : {"qdbus6", "qdbus", "qdbus-qt5"}) {
        QdbusProgram = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!QdbusProgram.isEmpty()) {
            QdbusProgram = QString::fromLatin1(name);
            break;
        }
    }
}

bool TWallpaperSetter::Run(const QString& program, const QStringList& arguments) const {
    return DeviceHooks().RunCommand(program, arguments).ExitCode == 0;
}

bool TWallpaperSetter::RunKdeScript(const QString& script) const {
    if (!QdbusProgram.isEmpty())
        return Run(QdbusProgram, {QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                                  QStringLiteral("org.kde.PlasmaShell.evaluateScript"), script});
    return Run(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--dest=org.kde.plasmashell"),
                QStringLiteral("--type=method_call"), QStringLiteral("/PlasmaShell"),
                QStringLiteral("org.kde.PlasmaShell.evaluateScript"), QStringLiteral("string:") + script});
}

bool TWallpaperSetter::SetXfce(const QString& file, int style) const {
    // Every monitor and workspace has its own image; the listing names them.
    const TCommandResult listing =
        DeviceHooks().RunCommand(kXfconf, {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")});
    if (listing.ExitCode != 0) return false;
    QStringList images;
    for (const QString& line : listing.Output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.trimmed().endsWith(QLatin1String("/last-image"))) images << line.trimmed();
    if (images.isEmpty()) images << QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");
    bool ok = true;
    for (const QString& image : images) {
        const QString base = image.left(image.size() - int(QStringLiteral("last-image").size()));
        const QStringList property = {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p")};
        if (!file.isEmpty()) {
            ok &= Run(kXfconf, property + QStringList{image, QStringLiteral("-n"), QStringLiteral("-t"),
                                                     QStringLiteral("string"), QStringLiteral("-s"), QString()});
            ok &= Run(kXfconf, property + QStringList{image, QStringLiteral("-n"), QStringLiteral("-t"),
                                                     QStringLiteral("string"), QStringLiteral("-s"), file});
        }
        ok &= Run(kXfconf, property + QStringList{base + QStringLiteral("image-style"), QStringLiteral("-n"),
                                                 QStringLiteral("-t"), QStringLiteral("int"), QStringLiteral("-s"),
                                                 QString::number(style)});
    }
    return ok;
}

bool TWallpaperSetter::Set(const std::filesystem::path& file, bool tile) const {
    const QString path = QString::fromStdString(file.string());
    switch (Desktop) {
        case TDesktopKind::Gnome:
        case TDesktopKind::Cinnamon:
        case TDesktopKind::Mate: {
            const TGsettingsDesktop d = GsettingsOf(Desktop);
            const QString schema = QString::fromLatin1(d.Schema);
            const QString key = QString::fromLatin1(d.PictureKey);
            const QString value = GVariantString(d.Uri ? QUrl::fromLocalFile(path).toString() : path);
            const QString set = QStringLiteral("set");
            bool ok = Run(kGsettings, {set, schema, QStringLiteral("picture-options"),
                                       tile ? QStringLiteral("'wallpaper'") : QStringLiteral("'centered'")});
            ok &= Run(kGsettings, {set, schema, key, GVariantString(QString())});
            ok &= Run(kGsettings, {set, schema, key, value});
            // GNOME 42 and later keep a second picture for the dark style.
            if (Desktop == TDesktopKind::Gnome) Run(kGsettings, {set, schema, QStringLiteral("picture-uri-dark"), value});
            return ok;
        }
        case TDesktopKind::Xfce: return SetXfce(path, tile ? 2 : 1);
        case TDesktopKind::Kde: {
            const QString url = QUrl::fromLocalFile(path).toString();
            return RunKdeScript(QStringLiteral(
                                    "var all = desktops();\n"
                                    "for (var i = 0; i < all.length; i++) {\n"
                                    "    var d = all[i];\n"
                                    "    d.wallpaperPlugin = \"org.kde.image\";\n"
                                    "    d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
                                    "    d.writeConfig(\"Image\", \"\");\n"
                                    "    d.writeConfig(\"Image\", %1);\n"
                                    "    d.writeConfig(\"FillMode\", %2);\n"
                                    "}\n")
                                    .arg(JsString(url))
                                    .arg(tile ? 3 : 6));  // Tile : Pad (centred)
        }
        case TDesktopKind::Other: break;
    }
    // A Wayland desktop without a settings program of its own: the desktop
    // portal shows the picture (tiled or centred as the desktop likes).
    if (WaylandSession()) return TDesktopPortal::SetWallpaper(path, kWallpaperPortalTimeoutMs) == TPortalResult::Done;
    try {
        TDibImage picture;
        picture.LoadFromFile(file);
        return SetRootBackground(picture, tile);
    } catch (const std::exception&) {
        return false;
    }
}

bool TWallpaperSetter::Clear() const {
    switch (Desktop) {
        case TDesktopKind::Gnome:
        case TDesktopKind::Cinnamon:
        case TDesktopKind::Mate:
            return Run(kGsettings, {QStringLiteral("set"), QString::fromLatin1(GsettingsOf(Desktop).Schema),
                                    QStringLiteral("picture-options"), QStringLiteral("'none'")});
        case TDesktopKind::Xfce: return SetXfce(QString(), 0);
        case TDesktopKind::Kde:
            return RunKdeScript(QStringLiteral(
                "var all = desktops();\n"
                "for (var i = 0; i < all.length; i++) {\n"
                "    all[i].wallpaperPlugin = \"org.kde.color\";\n"
                "}\n"));
        case TDesktopKind::Other: break;
    }
    return ClearRootBackground();
}

}  // namespace zelvo
