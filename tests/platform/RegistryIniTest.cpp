// registry.ini beside Zelvo.ini, and the per-user data folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "platform/DataDirectory.h"
#include "platform/RegistryIni.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

TEST(RegistryIniTest, ValuesRoundTripUnderTheirKeyPath) {
    const fs::path dir = test::MakeTempDir("zelvo-registry");
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    EXPECT_EQ(RegistryIniPath(), dir / "zelvo" / "registry.ini");
    EXPECT_EQ(ReadRegistryString(kDesktopKey, kTileWallpaperValue, "none"), "none");
    ASSERT_TRUE(WriteRegistryString(kDesktopKey, kTileWallpaperValue, "1"));
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Software\\Zelvo\\Scanner", "DefaultSource", "test:1"));
    ASSERT_TRUE(WriteRegistryString(kDesktopKey, kTileWallpaperValue, "0"));
    EXPECT_EQ(ReadRegistryString(kDesktopKey, kTileWallpaperValue, ""), "0");
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\Software\\Zelvo\\Scanner", "DefaultSource", ""), "test:1");
    std::ifstream in(RegistryIniPath());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "[HKEY_CURRENT_USER\\Control Panel\\desktop]\nTileWallpaper=0\n\n"
              "[HKEY_CURRENT_USER\\Software\\Zelvo\\Scanner]\nDefaultSource=test:1\n");
    // A folder that cannot be made: the write fails, nothing is claimed.
    std::ofstream(dir / "blocked") << "a file";
    setenv("XDG_CONFIG_HOME", (dir / "blocked").c_str(), 1);
    EXPECT_FALSE(WriteRegistryString(kDesktopKey, kTileWallpaperValue, "1"));
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
}

TEST(DataDirectoryTest, XdgDataHomeWhenAbsoluteOtherwiseHome) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(DataDirectory(), fs::path("/data/x/zelvo"));
    for (const char* ignored : {"", "relative/dir"}) {
        setenv("XDG_DATA_HOME", ignored, 1);
        EXPECT_EQ(DataDirectory(), fs::path("/home/someone/.local/share/zelvo")) << ignored;
    }
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace zelvo
