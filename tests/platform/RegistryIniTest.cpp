// registry.ini, the stand-in for registry values, and the folders the image
// plug-ins are looked for in.

#include <gtest/gtest.h>

#include <fstream>

#include "SpiEnvironment.h"
#include "TestSupport.h"
#include "platform/PluginFolders.h"
#include "platform/RegistryIni.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

TEST(RegistryIni, KeysAreSectionsNamedByTheirPath) {
    const fs::path dir = test::MakeTempDir("registry");
    std::ofstream(dir / "registry.ini") << "[hkey_current_user\\software\\quenbrol\\susie\\plug-in]\n"
                                           "path=/opt/viewer/plugins\n"
                                           "Long=" << std::string(3000, 'a') << "\n"
                                           "[HKEY_CURRENT_USER\\Software\\Empty]\n";
    const TRegistryIni registry(dir / "registry.ini");
    // Key paths and value names without regard to case, with or without
    // the leading backslash.
    EXPECT_EQ(registry.ReadString(kHKeyCurrentUser, kSusiePluginKey, "Path"), "/opt/viewer/plugins");
    EXPECT_EQ(registry.ReadString(kHKeyCurrentUser, "Software\\Quenbrol\\Susie\\Plug-in\\", "PATH"),
              "/opt/viewer/plugins");
    EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, "\\Software\\Empty"));
    EXPECT_FALSE(registry.ReadString(kHKeyCurrentUser, "\\Software\\Empty", "Path"));
    EXPECT_FALSE(registry.KeyExists(kHKeyCurrentUser, "\\Software\\Missing"));
    EXPECT_FALSE(registry.ReadString("HKEY_LOCAL_MACHINE", kSusiePluginKey, "Path"));
    // A value longer than asked for reads as missing, not cut.
    EXPECT_FALSE(registry.ReadString(kHKeyCurrentUser, kSusiePluginKey, "Long"));
    EXPECT_EQ(registry.ReadString(kHKeyCurrentUser, kSusiePluginKey, "Long", 4000)->size(), 3000u);

    // Written values come back; the file keeps the other keys.
    TRegistryIni writer(dir / "registry.ini");
    writer.WriteString(kHKeyCurrentUser, "\\Control Panel\\Desktop", "WallpaperStyle", "2");
    ASSERT_TRUE(writer.UpdateFile());
    const TRegistryIni again(dir / "registry.ini");
    EXPECT_EQ(again.ReadString(kHKeyCurrentUser, "\\Control Panel\\Desktop", "WallpaperStyle"), "2");
    EXPECT_EQ(again.ReadString(kHKeyCurrentUser, kSusiePluginKey, "Path"), "/opt/viewer/plugins");
    EXPECT_EQ(TRegistryIni::SectionName(kHKeyCurrentUser, "\\A\\B\\"), "HKEY_CURRENT_USER\\A\\B");
    fs::remove_all(dir);
}

TEST(PluginFolders, EachSearchOptionHasItsFolders) {
    const fs::path dir = test::MakeTempDir("plugin-folders");
    const test::TScopedEnv data("XDG_DATA_HOME", (dir / "data").string());
    const fs::path registryFile = dir / "registry.ini";

    // No registry file, no key, an empty value: no folder.
    EXPECT_TRUE(PluginFolders(TSPISearchOption::spsSusieDir, registryFile).empty());
    std::ofstream(registryFile) << "[HKEY_CURRENT_USER\\Software\\Quenbrol\\Susie\\Plug-in]\nPath=\n";
    EXPECT_TRUE(PluginFolders(TSPISearchOption::spsSusieDir, registryFile).empty());
    std::ofstream(registryFile) << "[HKEY_CURRENT_USER\\Software\\Quenbrol\\Susie\\Plug-in]\nPath=/srv/spi\n";
    EXPECT_EQ(PluginFolders(TSPISearchOption::spsSusieDir, registryFile), std::vector<fs::path>{"/srv/spi"});

    // The program's folders: beside the executable, the installation's,
    // the user's.
    const fs::path program = ProgramDirectory();
    ASSERT_FALSE(program.empty());
    const std::vector<fs::path> app = PluginFolders(TSPISearchOption::spsAppDir, registryFile);
    ASSERT_EQ(app.size(), 3u);
    EXPECT_EQ(app[0], program / "plugins");
    EXPECT_EQ(app[1], (program.parent_path() / "lib" / "zelvo" / "plugins").lexically_normal());
    EXPECT_EQ(app[2], dir / "data" / "zelvo" / "plugins");
    EXPECT_EQ(PluginFolders(TSPISearchOption::spsWindowsDir, registryFile), std::vector<fs::path>{dir / "data" / "zelvo"});
    EXPECT_EQ(PluginFolders(TSPISearchOption::spsCurrentDir, registryFile), std::vector<fs::path>{fs::current_path()});

    // A relative XDG_DATA_HOME is ignored.
    const test::TScopedEnv relative("XDG_DATA_HOME", "relative");
    const test::TScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(DataDirectory(), fs::path("/home/someone/.local/share/zelvo"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
