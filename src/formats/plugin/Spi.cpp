#include "formats/plugin/Spi.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#include "formats/plugin/SpiPicture.h"
#include "image/Text.h"

namespace zelvo {

std::string InvalidApiMessage(const std::string& entryPoint, const std::string& library) {
    return entryPoint + "は[" + library + "]では使えないSusie Plugin APIです";
}

namespace {

// One loaded library, closed when it goes.
struct TLoadedLibrary {
    void* Handle = nullptr;
    explicit TLoadedLibrary(const std::filesystem::path& fileName, std::string* why = nullptr) {
        Handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!Handle) {
            const char* error = ::dlerror();
            if (why) *why = error ? error : "";
        }
    }
    ~TLoadedLibrary() {
        if (Handle) ::dlclose(Handle);
    }
    TLoadedLibrary(const TLoadedLibrary&) = delete;
    TLoadedLibrary& operator=(const TLoadedLibrary&) = delete;
    void* Release() { return std::exchange(Handle, nullptr); }
};

// Text number `infoNumber` through GetPluginInfo (see TSPI::PluginInfo).
std::string InfoText(SpiGetPluginInfoFn getPluginInfo, int infoNumber) {
    char buffer[kSpiInfoBufferBytes];
    std::memset(buffer, 0, sizeof buffer);
    const std::int32_t length = getPluginInfo(infoNumber, buffer, kSpiInfoBufferBytes - 1);
    buffer[kSpiInfoBufferBytes - 1] = '\0';
    if (length <= 0) return {};
    // The claimed length may be longer than the buffer or than the text.
    const std::size_t claimed = std::size_t(length) < sizeof buffer - 1 ? std::size_t(length) : sizeof buffer - 1;
    return std::string(buffer, ::strnlen(buffer, claimed));
}

TSPIDescriber& Describer() {
    static TSPIDescriber describer;
    return describer;
}

TSPIDescription Describe(const std::filesystem::path& fileName) {
    return Describer() ? Describer()(fileName) : ReadSPIDescription(fileName);
}

}  // namespace

TSPIDescription ReadSPIDescription(const std::filesystem::path& fileName) {
    std::string why;
    TLoadedLibrary library(fileName, &why);
    if (!library.Handle)
        throw ESPIFOpenErrorSPI(fileName.filename().string() + ":Susie Pluginがロードできませんでした", why);
    const auto getPluginInfo = reinterpret_cast<SpiGetPluginInfoFn>(::dlsym(library.Handle, "GetPluginInfo"));
    if (!getPluginInfo)
        throw ESPIInvalidSPI(InvalidApiMessage("GetPluginInfo", fileName.filename().string()),
                             "no GetPluginInfo in " + fileName.string());
    return DescribeSPI(getPluginInfo, SpiEntryPointMask(library.Handle));
}

std::uint32_t SpiEntryPointMask(void* handle) {
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < std::size(kSpiEntryPoints); ++i)
        if (::dlsym(handle, kSpiEntryPoints[i])) mask |= 1u << i;
    return mask;
}

TSPIDescription DescribeSPI(SpiGetPluginInfoFn getPluginInfo, std::uint32_t entryPoints) {
    TSPIDescription out;
    out.EntryPoints = entryPoints;
    out.Version = InfoText(getPluginInfo, 0);
    out.Name = InfoText(getPluginInfo, 1);
    for (int pair = 0; pair < kMaxSpiInfoPairs; ++pair) {
        std::string pattern = InfoText(getPluginInfo, 2 + 2 * pair);
        std::string description = InfoText(getPluginInfo, 3 + 2 * pair);
        if (pattern.empty() || description.empty()) break;
        out.Patterns.push_back(std::move(pattern));
        out.Descriptions.push_back(std::move(description));
    }
    return out;
}

void SetSPIDescriber(TSPIDescriber describer) { Describer() = std::move(describer); }

TSPI::TSPI(const std::filesystem::path& fileName, const TSPIDescription* given) : FFileName(fileName) {
    TSPIDescription description = given ? *given : Describe(fileName);
    FEntryPoints = description.EntryPoints;
    FVersion = std::move(description.Version);
    FName = std::move(description.Name);
    FPatterns = std::move(description.Patterns);
    FDescriptions = std::move(description.Descriptions);
}

TSPI::~TSPI() {
    if (FHandle) ::dlclose(FHandle);
}

bool TSPI::Load() const {
    std::call_once(FLoadOnce, [this] {
        TLoadedLibrary library(FFileName);
        const auto entry = [&library](const char* name) { return ::dlsym(library.Handle, name); };
        if (!library.Handle || !entry("GetPluginInfo")) return;
        FGetPluginInfo = reinterpret_cast<SpiGetPluginInfoFn>(entry("GetPluginInfo"));
        FIsSupported = reinterpret_cast<SpiIsSupportedFn>(entry("IsSupported"));
        FGetPictureInfo = reinterpret_cast<SpiGetPictureInfoFn>(entry("GetPictureInfo"));
        FGetPicture = reinterpret_cast<SpiGetPictureFn>(entry("GetPicture"));
        FHandle = library.Release();
    });
    return FHandle != nullptr;
}

void* TSPI::EntryPoint(const char* name) const { return Load() ? ::dlsym(FHandle, name) : nullptr; }

std::string TSPI::PluginInfo(int infoNumber) const {
    return Load() ? InfoText(FGetPluginInfo, infoNumber) : std::string();
}

bool TSPI::ReadsExtension(const std::string& extension) const {
    const std::string wanted = AsciiLower(extension);
    for (const std::string& entry : FPatterns) {
        for (const std::string& pattern : SplitText(entry, ';')) {
            const std::size_t dot = pattern.find('.');
            if (dot != std::string::npos && AsciiLower(pattern.substr(dot + 1)) == wanted) return true;
        }
    }
    return false;
}

void TSPI::Require(const char* name) const {
    const std::size_t bit = SpiEntryIndex(name);
    if (bit == std::size(kSpiEntryPoints) || !(FEntryPoints & (1u << bit)))
        throw ESPIInvalidAPI(InvalidApiMessage(name, FFileName.filename().string()), FFileName.string());
}

TLoaderSPI::TLoaderSPI(const std::filesystem::path& fileName, const TSPIDescription* description)
    : TSPI(fileName, description) { Require("IsSupported"); }

bool TLoaderSPI::IsSupported(const std::string& fileName, const std::uint8_t* head) const {
    return Load() && FIsSupported && FIsSupported(fileName.c_str(), head) != 0;
}

TSPIBlocks::~TSPIBlocks() {
    std::free(Info);
    std::free(Bits);
}

TInSPI::TInSPI(const std::filesystem::path& fileName, const TSPIDescription* description)
    : TLoaderSPI(fileName, description) {
    Require("GetPictureInfo");
    Require("GetPicture");
}

int TInSPI::GetPictureInfo(const std::uint8_t* data, std::int64_t length, TSPIPictureInfo& info) const {
    if (!Load() || !FGetPictureInfo) return SPI_NOT_IMPLEMENTED;
    SpiPictureInfo raw;
    std::memset(&raw, 0, sizeof raw);
    const int result = FGetPictureInfo(data, length, SPI_INPUT_MEMORY, &raw);
    if (result != SPI_OK) return result;
    info.Left = raw.left;
    info.Top = raw.top;
    info.Width = raw.width;
    info.Height = raw.height;
    info.XDensity = raw.xDensity;
    info.YDensity = raw.yDensity;
    info.ColorDepth = raw.colorDepth;
    info.Text = raw.info ? BlockText(raw.info) : std::string();
    std::free(raw.info);
    return result;
}

int TInSPI::GetPicture(const std::uint8_t* data, std::int64_t length, TSPIBlocks& blocks,
                       SpiProgressCallback progress, std::intptr_t context) const {
    if (!Load() || !FGetPicture) return SPI_NOT_IMPLEMENTED;
    SpiHandle info = nullptr;
    SpiHandle bits = nullptr;
    const int result = FGetPicture(data, length, SPI_INPUT_MEMORY, &info, &bits, progress, context);
    if (result != SPI_OK) return result;
    std::free(blocks.Info);
    std::free(blocks.Bits);
    blocks.Info = info;
    blocks.Bits = bits;
    return result;
}

TAmSPI::TAmSPI(const std::filesystem::path& fileName, const TSPIDescription* description)
    : TLoaderSPI(fileName, description) {
    Require("GetArchiveInfo");
    Require("GetFileInfo");
    Require("GetFile");
}

TXnSPI::TXnSPI(const std::filesystem::path& fileName, const TSPIDescription* description)
    : TLoaderSPI(fileName, description) {}

std::unique_ptr<TSPI> CreateSPI(const std::filesystem::path& fileName) {
    const TSPIDescription description = Describe(fileName);
    const std::string& version = description.Version;
    if (version == "00IN") return std::make_unique<TInSPI>(fileName, &description);
    if (version == "00AM") return std::make_unique<TAmSPI>(fileName, &description);
    if (version == "00XN") return std::make_unique<TXnSPI>(fileName, &description);
    return std::make_unique<TSPI>(fileName, &description);
}

}  // namespace zelvo
