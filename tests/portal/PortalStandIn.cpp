// zelvo_portal_standin: a desktop portal of our own for the tests, on the
// session bus they run on (dbus-run-session gives a private one). It owns
// org.freedesktop.portal.Desktop and offers the Screenshot and Wallpaper
// interfaces; every request is answered after a short pause through the
// Response signal of a request object it names itself, as older portals do.
//
//   zelvo_portal_standin LOG --picture FILE   answer 0 with FILE's URI
//   zelvo_portal_standin LOG --cancel         answer 1 (the user declined)
//
// Each call is appended to LOG as one line: "Screenshot interactive=1" or
// "SetWallpaperURI URI set-on=background preview=0".
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

class TStandIn : public QObject {
    Q_OBJECT
public:
    TStandIn(QString log, bool cancel, QString picture)
        : FLog(std::move(log)), FCancel(cancel), FPicture(std::move(picture)) {}

    QDBusObjectPath Answer(const QString& line, bool withPicture) {
        QFile log(FLog);
        if (log.open(QIODevice::Append)) log.write((line + QLatin1Char('\n')).toUtf8());
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/standin/%1").arg(++FCount);
        QVariantMap results;
        if (withPicture && !FCancel) results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(FPicture).toString());
        const uint code = FCancel ? 1 : 0;
        QTimer::singleShot(200, this, [path, code, results] {
            QDBusMessage signal =
                QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            signal << code << results;
            QDBusConnection::sessionBus().send(signal);
        });
        return QDBusObjectPath(path);
    }

private:
    QString FLog;
    bool FCancel;
    QString FPicture;
    int FCount = 0;
};

class TScreenshotAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
    Q_PROPERTY(uint version READ version)
public:
    explicit TScreenshotAdaptor(TStandIn* owner) : QDBusAbstractAdaptor(owner), FOwner(owner) {}
    uint version() const { return 2; }
public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options) {
        return FOwner->Answer(QStringLiteral("Screenshot interactive=%1").arg(options.value(QStringLiteral("interactive")).toBool()),
                              true);
    }

private:
    TStandIn* FOwner;
};

class TWallpaperAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")
    Q_PROPERTY(uint version READ version)
public:
    explicit TWallpaperAdaptor(TStandIn* owner) : QDBusAbstractAdaptor(owner), FOwner(owner) {}
    uint version() const { return 1; }
public slots:
    QDBusObjectPath SetWallpaperURI(const QString&, const QString& uri, const QVariantMap& options) {
        return FOwner->Answer(QStringLiteral("SetWallpaperURI %1 set-on=%2 preview=%3")
                                  .arg(uri, options.value(QStringLiteral("set-on")).toString())
                                  .arg(options.value(QStringLiteral("show-preview")).toBool()),
                              false);
    }

private:
    TStandIn* FOwner;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool cancel = args.size() == 3 && args[2] == QLatin1String("--cancel");
    if (!(args.size() == 4 && args[2] == QLatin1String("--picture")) && !cancel) {
        std::fprintf(stderr, "usage: zelvo_portal_standin LOG --picture FILE | --cancel\n");
        return 2;
    }
    TStandIn standIn(args[1], cancel, args.size() == 4 ? args[3] : QString());
    new TScreenshotAdaptor(&standIn);
    new TWallpaperAdaptor(&standIn);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &standIn) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "zelvo_portal_standin: cannot take the portal's name on the session bus\n");
        return 1;
    }
    return app.exec();
}

#include "PortalStandIn.moc"
