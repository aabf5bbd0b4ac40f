#include "library/PluginDescriptions.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "formats/plugin/DecoderSandbox.h"
#include "platform/DataDirectory.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        out += kDigits[std::uint8_t(c) >> 4];
        out += kDigits[std::uint8_t(c) & 15];
    }
    return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out += char(high << 4 | low);
    }
    return out;
}

// What identifies one state of a plug-in file; empty when it cannot be read.
std::string FileStamp(const std::filesystem::path& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) return {};
    return std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_dev);
}

std::optional<TSPIDescription> Stored(const TIniFile& cache, const std::string& section, const std::string& stamp) {
    if (stamp.empty() || cache.ReadString(section, "Stamp", "") != stamp) return std::nullopt;
    auto text = [&](const std::string& key) { return FromHex(cache.ReadString(section, key, "")); };
    auto number = [&](const std::string& key, std::uint32_t most) -> std::optional<std::uint32_t> {
        const std::string value = cache.ReadString(section, key, "");
        std::uint32_t n = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (error != std::errc() || end != value.data() + value.size() || n > most) return std::nullopt;
        return n;
    };
    const auto entries = number("Entries", (1u << std::size(kSpiEntryPoints)) - 1);
    const auto pairs = number("Pairs", kMaxSpiInfoPairs);
    const auto version = text("Version"), name = text("Name");
    if (!entries || !pairs || !version || !name) return std::nullopt;
    TSPIDescription out;
    out.EntryPoints = *entries;
    out.Version = *version;
    out.Name = *name;
    for (std::uint32_t i = 1; i <= *pairs; ++i) {
        const auto pattern = text("Pattern" + std::to_string(i));
        const auto description = text("Description" + std::to_string(i));
        if (!pattern || !description || pattern->empty() || description->empty()) return std::nullopt;
        out.Patterns.push_back(*pattern);
        out.Descriptions.push_back(*description);
    }
    return out;
}

// Read where the plug-ins run: in a decoder process when they run there
// (this program then runs none of their code), else here. Without a decoder
// process the plug-in is still listed (its files are then refused with the
// usual message, or read here when the settings allow it).
TSPIDescription Describe(const std::filesystem::path& fileName) {
    if (SandboxOptions().Plugins) {
        try {
            return DescribeInDecoder(fileName);
        } catch (const EDecoderUnavailable&) {
        }
    }
    return ReadSPIDescription(fileName);
}

}  // namespace

TSPIDescription CachedSPIDescription(const std::filesystem::path& fileName, const std::filesystem::path& cacheFile) {
    TIniFile cache(cacheFile);
    return CachedSPIDescription(fileName, cache);
}

TSPIDescription CachedSPIDescription(const std::filesystem::path& fileName, TIniFile& cache) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(fileName, ec);
    const std::string section = Hex((ec ? fileName : absolute).string());
    const std::string stamp = FileStamp(fileName);
    if (auto stored = Stored(cache, section, stamp)) return *stored;
    TSPIDescription description = Describe(fileName);
    // Described while the file changed: not kept, asked again next time.
    if (stamp.empty() || FileStamp(fileName) != stamp) return description;
    cache.WriteString(section, "Stamp", stamp);
    cache.WriteString(section, "Entries", std::to_string(description.EntryPoints));
    cache.WriteString(section, "Version", Hex(description.Version));
    cache.WriteString(section, "Name", Hex(description.Name));
    cache.WriteString(section, "Pairs", std::to_string(description.Patterns.size()));
    for (std::size_t i = 0; i < description.Patterns.size(); ++i) {
        cache.WriteString(section, "Pattern" + std::to_string(i + 1), Hex(description.Patterns[i]));
        cache.WriteString(section, "Description" + std::to_string(i + 1), Hex(description.Descriptions[i]));
    }
    cache.UpdateFile();
    return description;
}

std::filesystem::path PluginDescriptionCacheFile() {
    return XdgBaseDirectory("XDG_CACHE_HOME", ".cache") / "zelvo" / "plugins.ini";
}

void UsePluginDescriptionCache() {
    // The cache is read once, at the first plug-in described, not once a
    // plug-in; descriptions may be asked for from several threads.
    struct TCache {
        std::mutex Lock;
        std::optional<TIniFile> File;
    };
    SetSPIDescriber([cache = std::make_shared<TCache>()](const std::filesystem::path& fileName) {
        std::lock_guard lock(cache->Lock);
        if (!cache->File) cache->File.emplace(PluginDescriptionCacheFile());
        return CachedSPIDescription(fileName, *cache->File);
    });
}

}  // namespace zelvo
