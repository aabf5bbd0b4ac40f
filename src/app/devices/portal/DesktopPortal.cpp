#include "app/devices/portal/DesktopPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QUrl>

namespace zelvo {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

/// One request: the portal's method is called with a handle token, and its
/// answer arrives as the Response signal of the request object it names.
TPortalResult Request(const QString& interfaceName, const QString& method, QList<QVariant> arguments,
                      QVariantMap options, int timeoutMs, QVariantMap* results) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return TPortalResult::Failed;
    static int counter = 0;
    const QString token = QStringLiteral("zelvo%1").arg(++counter);
    options.insert(QStringLiteral("handle_token"), token);
    // The request object is known before the call, so that an answer that
    // comes at once is not missed.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    QString handle = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    TPortalResponse response;
    bus.connect(kService, handle, kRequest, QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interfaceName, method);
    arguments.append(options);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        bus.disconnect(kService, handle, kRequest, QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));
        return TPortalResult::Failed;
    }
    const QString given = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
    if (!given.isEmpty() && given != handle) {
        // An older portal names its own request object.
        bus.disconnect(kService, handle, kRequest, QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));
        handle = given;
        bus.connect(kService, handle, kRequest, QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));
    }
    if (!response.Answered) {
        QEventLoop loop;
        QObject::connect(&response, &TPortalResponse::Arrived, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    bus.disconnect(kService, handle, kRequest, QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));
    if (!response.Answered) return TPortalResult::Failed;
    if (results) *results = response.Results;
    if (response.Code == 0) return TPortalResult::Done;
    return response.Code == 1 ? TPortalResult::Cancelled : TPortalResult::Failed;
}

}  // namespace

void TPortalResponse::Response(uint code, const QVariantMap& results) {
    Answered = true;
    Code = code;
    Results = results;
    emit Arrived();
}

bool TDesktopPortal::Offers(const QString& interfaceName) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << interfaceName << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

TPortalResult TDesktopPortal::Screenshot(bool interactive, QImage& picture, int timeoutMs) {
    QVariantMap results;
    const TPortalResult result =
        Request(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"), {QString()},
                {{QStringLiteral("interactive"), interactive}, {QStringLiteral("modal"), true}}, timeoutMs, &results);
    if (result != TPortalResult::Done) return result;
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile()) return TPortalResult::Failed;
    QImage read(uri.toLocalFile());
    if (read.isNull()) return TPortalResult::Failed;
    picture = read;
    return TPortalResult::Done;
}

TPortalResult TDesktopPortal::SetWallpaper(const QString& file, int timeoutMs) {
    return Request(QStringLiteral("org.freedesktop.portal.Wallpaper"), QStringLiteral("SetWallpaperURI"),
                   {QString(), QUrl::fromLocalFile(file).toString()},
                   {{QStringLiteral("show-preview"), false}, {QStringLiteral("set-on"), QStringLiteral("background")}},
                   timeoutMs, nullptr);
}

}  // namespace zelvo
