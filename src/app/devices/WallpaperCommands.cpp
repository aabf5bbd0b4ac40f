// File ▸ Save as wallpaper: centred, tiled, and removing the wallpaper.

#include <QAction>
#include <QGuiApplication>

#include "app/common/AppTitle.h"
#include "app/devices/DeviceHooks.h"
#include "app/devices/Wallpaper.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/RegistryIni.h"

namespace zelvo {

/// Writes the picture to the wallpaper file and shows it on the desktop.
/// The copy changes neither the picture's modified flag nor its save
/// options. A failed save is reported as a save is and leaves the desktop
/// alone; failures of the desktop itself are not reported.
void SetWallpaper(TZVfrmMain& form, bool tile) {
    if (form.ImageEmpty()) return;
    TQxImage& doc = form.QxImage1();
    const std::filesystem::path file = WallpaperFile();
    std::string failure;
    bool saved = false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (!ec) saved = doc.SaveCopyFile(file, form.Options.FGIFMode, &failure);
    QGuiApplication::restoreOverrideCursor();
    if (!saved) {
        DeviceHooks().ShowError(&form, ApplicationTitle(), QString::fromUtf8("保存に失敗しました"));
        return;
    }
    WriteRegistryString(kDesktopKey, kTileWallpaperValue, tile ? "1" : "0");
    TWallpaperSetter(CurrentDesktop()).Set(file, tile);
}

void ClearWallpaper() { TWallpaperSetter(CurrentDesktop()).Clear(); }

void InstallWallpaperCommands(TZVfrmMain& form) {
    QObject::connect(form.Actions.mnuWallPaperCenter, &QAction::triggered, &form, [&form] { SetWallpaper(form, false); });
    QObject::connect(form.Actions.mnuWallPaperTile, &QAction::triggered, &form, [&form] { SetWallpaper(form, true); });
    QObject::connect(form.Actions.mnuClearWallpaper, &QAction::triggered, &form, [] { ClearWallpaper(); });
}

}  // namespace zelvo
