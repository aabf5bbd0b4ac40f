#pragma once
// The desktop wallpaper: the wallpaper file, and the desktop's own setting
// where a desktop runs (GNOME and Cinnamon through gsettings, MATE through
// gsettings, Xfce through xfconf-query, KDE Plasma through its scripting
// interface over D-Bus), otherwise the X root window's background. The
// desktop programs run through DeviceHooks().RunCommand.

#include <QString>
#include <QStringList>

#include <filesystem>
#include <vector>

namespace zelvo {

/// The desktops the wallpaper knows how to set.
enum class TDesktopKind { Gnome, Cinnamon, Mate, Xfce, Kde, Other };

/// The desktop named by an XDG_CURRENT_DESKTOP value (a colon-separated
/// list, any case).
TDesktopKind DetectDesktop(const QString& currentDesktop);
/// The desktop this session runs ($XDG_CURRENT_DESKTOP).
TDesktopKind CurrentDesktop();

/// DataDirectory() / "Zelvo_WallPaper.bmp".
std::filesystem::path WallpaperFile();

class TWallpaperSetter {
public:
    explicit TWallpaperSetter(TDesktopKind desktop);

    TDesktopKind Desktop;
    /// The qdbus program for KDE (found on PATH as qdbus6, qdbus or
    /// qdbus-qt5); empty: dbus-send is used.
    QString QdbusProgram;

    /// Shows `file` as the wallpaper, tiled or centred. Setting the same
    /// file again is made visible: the setting is cleared first, since some
    /// desktops ignore an unchanged name. False when the desktop's program
    /// failed or, without a desktop, the root window could not be set.
    bool Set(const std::filesystem::path& file, bool tile) const;
    /// Removes the wallpaper (the desktop shows its plain colour).
    bool Clear() const;

private:
    bool Run(const QString& program, const QStringList& arguments) const;
    bool RunKdeScript(const QString& script) const;
    bool SetXfce(const QString& file, int style) const;
};

}  // namespace zelvo
