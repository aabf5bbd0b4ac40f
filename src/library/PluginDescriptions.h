#pragma once
// The image plug-ins' descriptions kept between runs: a program start then
// loads no plug-in whose file has not changed since it was described, and
// a plug-in is loaded only when it is called in this process at all (with
// the decoder process, never). The cache is a settings-style file, one
// section a plug-in, every text stored in hexadecimal; a section that does
// not read back whole, or whose plug-in file changed, is described anew.

#include <filesystem>

#include "formats/plugin/Spi.h"
#include "platform/IniFile.h"

namespace zelvo {

/// The description of the plug-in `fileName`: from `cacheFile` when the
/// plug-in file's size, modification time, inode and device are still those
/// stored with it; else read and stored (in a decoder process when the
/// plug-ins run there, see DescribeInDecoder, else ReadSPIDescription; the cache
/// written through a temporary file renamed over it; a cache that cannot
/// be written is no error). Throws as ReadSPIDescription, storing nothing.
TSPIDescription CachedSPIDescription(const std::filesystem::path& fileName, const std::filesystem::path& cacheFile);
/// The same over a cache file already read; what is stored is written to
/// its file at once.
TSPIDescription CachedSPIDescription(const std::filesystem::path& fileName, TIniFile& cache);

/// The cache file of the program: plugins.ini in its cache folder
/// ($XDG_CACHE_HOME/zelvo, or ~/.cache/zelvo).
std::filesystem::path PluginDescriptionCacheFile();

/// Makes CachedSPIDescription with PluginDescriptionCacheFile() the
/// describer of every plug-in found from now on.
void UsePluginDescriptionCache();

}  // namespace zelvo
