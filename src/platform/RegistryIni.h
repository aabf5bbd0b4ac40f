#pragma once
// TRegistryIni: the stand-in for the registry values the program reads and
// writes (the plug-in folder of the outside viewer, the desktop's wallpaper
// settings). They live in registry.ini beside Zelvo.ini; a key is a
// section named by its full path under its root, its values are the
// section's keys:
//
//   [HKEY_CURRENT_USER\Software\Quenbrol\Susie\Plug-in]
//   Path=/home/me/plugins
//
// Key paths and value names compare without regard to case, as the
// registry's do. A missing file is an empty registry.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/IniFile.h"

namespace zelvo {

/// The root of the current user's keys.
inline constexpr std::string_view kHKeyCurrentUser = "HKEY_CURRENT_USER";

/// ConfigDirectory() / "registry.ini".
std::filesystem::path RegistryFilePath();

class TRegistryIni {
public:
    /// Opens `path` (a missing or unreadable file gives an empty registry).
    explicit TRegistryIni(std::filesystem::path path = RegistryFilePath());

    /// The section name of `key` under `root`: root, "\", and the key path
    /// without its leading "\" ("\Software\A" -> "HKEY_CURRENT_USER\Software\A").
    static std::string SectionName(std::string_view root, std::string_view key);

    bool KeyExists(std::string_view root, std::string_view key) const;
    /// The string value `name` of the key, or nothing when the key or the
    /// value is missing or longer than `maxLength` bytes.
    std::optional<std::string> ReadString(std::string_view root, std::string_view key, std::string_view name,
                                          std::size_t maxLength = TIniFile::kMaxStringLength) const;
    /// Sets a string value, creating the key.
    void WriteString(std::string_view root, std::string_view key, std::string_view name, std::string_view value);
    /// Writes the file; false when it could not be written.
    bool UpdateFile() const { return FIni.UpdateFile(); }

private:
    TIniFile FIni;
};

}  // namespace zelvo
