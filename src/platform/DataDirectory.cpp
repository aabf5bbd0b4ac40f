#include "platform/DataDirectory.h"

#include <cstdlib>

namespace zelvo {

std::filesystem::path XdgBaseDirectory(const char* variable, const std::filesystem::path& fallback) {
    const char* xdg = std::getenv(variable);
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) return std::filesystem::path(xdg);
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / fallback;
}

std::filesystem::path DataDirectory() { return XdgBaseDirectory("XDG_DATA_HOME", ".local/share") / "zelvo"; }

}  // namespace zelvo
