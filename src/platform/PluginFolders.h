#pragma once
// Where the image plug-ins are looked for: the folders of each search option
// of the plug-in collection on this system.
//
//   spsSusieDir    the folder stored as "Path" under the current user's key
//                  "\Software\Quenbrol\Susie\Plug-in" of registry.ini
//                  (nothing when the key or value is missing)
//   spsAppDir      plugins/ beside the executable (the build tree),
//                  ../lib/zelvo/plugins beside it (an installation), and
//                  $XDG_DATA_HOME/zelvo/plugins (the user's own)
//   spsCurrentDir  the current folder
//   spsSystemDir   /usr/lib/zelvo/plugins
//   spsWindowsDir  $XDG_DATA_HOME/zelvo

#include <filesystem>
#include <vector>

#include "formats/plugin/SPIs.h"

namespace zelvo {

/// The registry key and value naming the outside viewer's plug-in folder.
inline constexpr const char* kSusiePluginKey = "\\Software\\Quenbrol\\Susie\\Plug-in";
inline constexpr const char* kSusiePluginPathValue = "Path";

/// The folder of the running executable (from /proc/self/exe); empty when
/// it cannot be told.
std::filesystem::path ProgramDirectory();

/// The folders of `option`, reading the registry stand-in at `registryFile`.
std::vector<std::filesystem::path> PluginFolders(TSPISearchOption option,
                                                 const std::filesystem::path& registryFile);

/// A folder resolver for TSPIs over PluginFolders and registryFile.
TSPIFolderResolver PluginFolderResolver(std::filesystem::path registryFile);

}  // namespace zelvo
