#include "platform/RegistryIni.h"

namespace zelvo {

std::filesystem::path RegistryFilePath() { return ConfigDirectory() / "registry.ini"; }

TRegistryIni::TRegistryIni(std::filesystem::path path) : FIni(std::move(path)) {}

std::string TRegistryIni::SectionName(std::string_view root, std::string_view key) {
    while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    std::string name(root);
    if (!key.empty()) name += "\\" + std::string(key);
    return name;
}

bool TRegistryIni::KeyExists(std::string_view root, std::string_view key) const {
    return FIni.SectionExists(SectionName(root, key));
}

std::optional<std::string> TRegistryIni::ReadString(std::string_view root, std::string_view key,
                                                    std::string_view name, std::size_t maxLength) const {
    auto value = FIni.Value(SectionName(root, key), name);
    if (!value || value->size() > maxLength) return std::nullopt;
    return value;
}

void TRegistryIni::WriteString(std::string_view root, std::string_view key, std::string_view name,
                               std::string_view value) {
    FIni.WriteString(SectionName(root, key), name, value);
}

}  // namespace zelvo
