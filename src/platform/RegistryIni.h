#pragma once
// The registry values the program keeps (the desktop's wallpaper style, the
// chosen scanner): one small INI file, registry.ini beside Zelvo.ini, whose
// sections are the registry key paths and whose keys are the value names,
// for example
//     [HKEY_CURRENT_USER\Control Panel\desktop]
//     TileWallpaper=1

#include <filesystem>
#include <string>
#include <string_view>

namespace zelvo {

/// The key of the desktop settings and its wallpaper-style value.
inline constexpr const char* kDesktopKey = "HKEY_CURRENT_USER\\Control Panel\\desktop";
inline constexpr const char* kTileWallpaperValue = "TileWallpaper";

/// ConfigDirectory() / "registry.ini".
std::filesystem::path RegistryIniPath();

/// The string value `name` of `key`; `def` when the key or value is missing.
std::string ReadRegistryString(std::string_view key, std::string_view name, std::string_view def);
/// Writes the string value `name` of `key`, creating both as needed. False
/// when the file could not be written (the old file is then unchanged).
bool WriteRegistryString(std::string_view key, std::string_view name, std::string_view value);

}  // namespace zelvo
