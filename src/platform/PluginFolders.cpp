#include "platform/PluginFolders.h"

#include <cstdlib>
#include <system_error>

#include "platform/DataDirectory.h"
#include "platform/RegistryIni.h"

namespace zelvo {

std::filesystem::path ProgramDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::vector<std::filesystem::path> PluginFolders(TSPISearchOption option,
                                                 const std::filesystem::path& registryFile) {
    switch (option) {
        case TSPISearchOption::spsSusieDir: {
            const TRegistryIni registry(registryFile);
            const auto folder = registry.ReadString(kHKeyCurrentUser, kSusiePluginKey, kSusiePluginPathValue);
            if (!folder || folder->empty()) return {};
            return {std::filesystem::path(*folder)};
        }
        case TSPISearchOption::spsAppDir: {
            std::vector<std::filesystem::path> folders;
            const auto program = ProgramDirectory();
            if (!program.empty()) {
                folders.push_back(program / "plugins");
                folders.push_back((program / ".." / "lib" / "zelvo" / "plugins").lexically_normal());
            }
            folders.push_back(DataDirectory() / "plugins");
            return folders;
        }
        case TSPISearchOption::spsCurrentDir: {
            std::error_code ec;
            auto current = std::filesystem::current_path(ec);
            if (ec) return {};
            return {current};
        }
        case TSPISearchOption::spsSystemDir: return {"/usr/lib/zelvo/plugins"};
        case TSPISearchOption::spsWindowsDir: return {DataDirectory()};
    }
    return {};
}

TSPIFolderResolver PluginFolderResolver(std::filesystem::path registryFile) {
    return [registryFile = std::move(registryFile)](TSPISearchOption option) {
        return PluginFolders(option, registryFile);
    };
}

}  // namespace zelvo
