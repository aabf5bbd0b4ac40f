#include "platform/DataDirectory.h"

#include <cstdlib>

namespace zelvo {

std::filesystem::path DataDirectory() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) return std::filesystem::path(xdg) / "zelvo";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "zelvo";
}

}  // namespace zelvo
