#pragma once
// The per-user folders of the program: its data (plug-ins, textures, the
// wallpaper file), its settings and its cache, after the XDG rules.

#include <filesystem>

namespace zelvo {

/// An XDG base folder: the environment `variable` when it holds an
/// absolute path, otherwise `fallback` under $HOME (".local/share" for
/// XDG_DATA_HOME, ".config", ".cache"). Not created here.
std::filesystem::path XdgBaseDirectory(const char* variable, const std::filesystem::path& fallback);

/// $XDG_DATA_HOME/zelvo, or ~/.local/share/zelvo when XDG_DATA_HOME is
/// unset, empty or relative. Not created here.
std::filesystem::path DataDirectory();

}  // namespace zelvo
