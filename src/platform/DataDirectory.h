#pragma once
// The per-user data folder of the program (the wallpaper file lives there).

#include <filesystem>

namespace zelvo {

/// $XDG_DATA_HOME/zelvo, or ~/.local/share/zelvo when XDG_DATA_HOME is
/// unset, empty or relative. Not created here.
std::filesystem::path DataDirectory();

}  // namespace zelvo
