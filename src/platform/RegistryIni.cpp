#include "platform/RegistryIni.h"

#include "platform/IniFile.h"

namespace zelvo {

std::filesystem::path RegistryIniPath() { return ConfigDirectory() / "registry.ini"; }

std::string ReadRegistryString(std::string_view key, std::string_view name, std::string_view def) {
    const TIniFile ini(RegistryIniPath());
    return ini.ReadString(key, name, def);
}

bool WriteRegistryString(std::string_view key, std::string_view name, std::string_view value) {
    TIniFile ini(RegistryIniPath());
    ini.WriteString(key, name, value);
    return ini.UpdateFile();
}

}  // namespace zelvo
