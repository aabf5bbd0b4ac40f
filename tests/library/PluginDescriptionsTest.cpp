// The plug-in descriptions kept between runs: the cache answers while the
// plug-in file is unchanged and whole, and is set right otherwise.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "SpiTestSupport.h"
#include "TestSupport.h"
#include "library/PluginDescriptions.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

void ReplaceInFile(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = ReadText(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

TEST(PluginDescriptions, CacheAnswersWhileThePluginIsUnchangedAndWhole) {
    const fs::path dir = test::MakeTempDir("plugin-descriptions");
    const fs::path plugin = dir / "good.spi", cache = dir / "cache" / "plugins.ini";
    fs::copy_file(test::TestSpiDir() / "test_good.spi", plugin);
    const TSPIDescription read = ReadSPIDescription(plugin);
    ASSERT_FALSE(read.Patterns.empty());
    auto described = [&] { return CachedSPIDescription(plugin, cache); };
    EXPECT_EQ(described().Name, read.Name);
    EXPECT_EQ(described().Patterns, read.Patterns);
    EXPECT_EQ(described().Descriptions, read.Descriptions);
    EXPECT_EQ(described().EntryPoints, read.EntryPoints);

    // The stored name stands in for the plug-in's: the library was not asked.
    const std::string cachedName = "636163686564";  // "cached"
    ReplaceInFile(cache, "Name=", "Name=" + cachedName + "\n;");
    EXPECT_EQ(described().Name, "cached");

    struct TCase {
        const char* Why;
        std::function<void()> Spoil;
    };
    const TCase cases[] = {
        {"plug-in changed", [&] { fs::last_write_time(plugin, fs::last_write_time(plugin) + std::chrono::seconds(5)); }},
        {"not hexadecimal", [&] { ReplaceInFile(cache, "Version=", "Version=zz"); }},
        {"odd length", [&] { ReplaceInFile(cache, "Version=", "Version=1"); }},
        {"too many pairs", [&] { ReplaceInFile(cache, "Pairs=", "Pairs=9"); }},
        {"unknown entry points", [&] { ReplaceInFile(cache, "Entries=", "Entries=9"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        ReplaceInFile(cache, "Name=", "Name=" + cachedName + "\n;");
        ASSERT_EQ(described().Name, "cached");
        c.Spoil();
        EXPECT_EQ(described().Name, read.Name);
        EXPECT_EQ(described().Patterns, read.Patterns);
    }

    // What is no plug-in fails as before, and leaves the cache as it was.
    const std::string before = ReadText(cache);
    std::ofstream(dir / "text.spi") << "not a library";
    EXPECT_THROW(CachedSPIDescription(dir / "text.spi", cache), ESPIFOpenErrorSPI);
    EXPECT_EQ(ReadText(cache), before);
}

}  // namespace
}  // namespace zelvo
