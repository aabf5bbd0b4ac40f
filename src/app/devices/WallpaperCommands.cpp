// File ▸ Save as wallpaper: centred, tiled, and removing the wallpaper.

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "app/common/AppTitle.h"
#include "app/devices/DeviceHooks.h"
#include "app/devices/Wallpaper.h"
#include "app/common/EditorContext.h"
#include "app/devices/DeviceCommands.h"
#include "document/QxImage.h"
#include "platform/RegistryIni.h"

namespace zelvo {

void SetWallpaper(TEditorContext& form, bool tile) {
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
        DeviceHooks().ShowError(&form.Window(), ApplicationTitle(), QCoreApplication::translate("WallpaperCommands", "保存に失敗しました"));
        return;
    }
    WriteRegistryString(kDesktopKey, kTileWallpaperValue, tile ? "1" : "0");
    TWallpaperSetter(CurrentDesktop()).Set(file, tile);
}

void ClearWallpaper() { TWallpaperSetter(CurrentDesktop()).Clear(); }

}  // namespace zelvo
