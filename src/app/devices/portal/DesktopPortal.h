#pragma once
// The desktop portal (org.freedesktop.portal.Desktop on the session bus):
// on a Wayland desktop no program may read another's windows or set the
// wallpaper itself, so the screen capture commands ask the portal's
// Screenshot interface for a picture (the desktop may ask the user first)
// and the wallpaper commands its Wallpaper interface where the desktop has
// no settings program of its own.

#include <QImage>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace zelvo {

/// How a portal request ended.
enum class TPortalResult { Done, Cancelled, Failed };

class TDesktopPortal {
public:
    /// Whether the session bus has a portal offering `interfaceName`
    /// ("org.freedesktop.portal.Screenshot"): it answers for the
    /// interface's version property.
    static bool Offers(const QString& interfaceName);

    /// Asks for a picture of the screen; with `interactive` the desktop lets
    /// the user choose what to take. Done with the picture in `picture`;
    /// Cancelled when the user declined; Failed when the portal refused,
    /// gave no readable picture or did not answer within `timeoutMs`.
    static TPortalResult Screenshot(bool interactive, QImage& picture, int timeoutMs);

    /// Asks the desktop to show the picture file `file` as the wallpaper
    /// of its background, without a preview dialog.
    static TPortalResult SetWallpaper(const QString& file, int timeoutMs);
};

/// Waits for the Response signal of one portal request.
class TPortalResponse : public QObject {
    Q_OBJECT
public:
    bool Answered = false;
    uint Code = 2;
    QVariantMap Results;
public slots:
    void Response(uint code, const QVariantMap& results);
signals:
    void Arrived();
};

}  // namespace zelvo
