#include "formats/plugin/Spi.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "formats/plugin/SpiPicture.h"
#include "image/Text.h"

namespace zelvo {

std::string InvalidApiMessage(const std::string& entryPoint, const std::string& library) {
    return entryPoint + "は[" + library + "]では使えないSusie Plugin APIです";
}

TSPI::TSPI(const std::filesystem::path& fileName) : FFileName(fileName) {
    FHandle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) {
        const char* why = ::dlerror();
        throw ESPIFOpenErrorSPI(fileName.filename().string() + ":Susie Pluginがロードできませんでした",
                                why ? why : "");
    }
    FGetPluginInfo = reinterpret_cast<SpiGetPluginInfoFn>(EntryPoint("GetPluginInfo"));
    FConfigurationDlg = EntryPoint("ConfigurationDlg");
    FIsSupported = reinterpret_cast<SpiIsSupportedFn>(EntryPoint("IsSupported"));
    FGetPictureInfo = reinterpret_cast<SpiGetPictureInfoFn>(EntryPoint("GetPictureInfo"));
    FGetPicture = reinterpret_cast<SpiGetPictureFn>(EntryPoint("GetPicture"));
    FGetPreview = EntryPoint("GetPreview");
    FGetArchiveInfo = EntryPoint("GetArchiveInfo");
    FGetFileInfo = EntryPoint("GetFileInfo");
    FGetFile = EntryPoint("GetFile");
    if (!FGetPluginInfo) {
        ::dlclose(FHandle);
        FHandle = nullptr;
        throw ESPIInvalidSPI(InvalidApiMessage("GetPluginInfo", fileName.filename().string()),
                             "no GetPluginInfo in " + fileName.string());
    }
    FVersion = PluginInfo(0);
    FName = PluginInfo(1);
    for (int pair = 0; pair < kMaxSpiInfoPairs; ++pair) {
        std::string pattern = PluginInfo(2 + 2 * pair);
        std::string description = PluginInfo(3 + 2 * pair);
        if (pattern.empty() || description.empty()) break;
        FPatterns.push_back(std::move(pattern));
        FDescriptions.push_back(std::move(description));
    }
}

TSPI::~TSPI() {
    if (FHandle) ::dlclose(FHandle);
}

void* TSPI::EntryPoint(const char* name) const { return FHandle ? ::dlsym(FHandle, name) : nullptr; }

std::string TSPI::PluginInfo(int infoNumber) const {
    char buffer[kSpiInfoBufferBytes];
    std::memset(buffer, 0, sizeof buffer);
    const std::int32_t length = FGetPluginInfo(infoNumber, buffer, kSpiInfoBufferBytes - 1);
    buffer[kSpiInfoBufferBytes - 1] = '\0';
    if (length <= 0) return {};
    // The claimed length may be longer than the buffer or than the text.
    const std::size_t claimed = std::size_t(length) < sizeof buffer - 1 ? std::size_t(length) : sizeof buffer - 1;
    return std::string(buffer, ::strnlen(buffer, claimed));
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
    if (!EntryPoint(name))
        throw ESPIInvalidAPI(InvalidApiMessage(name, FFileName.filename().string()), FFileName.string());
}

TLoaderSPI::TLoaderSPI(const std::filesystem::path& fileName) : TSPI(fileName) { Require("IsSupported"); }

bool TLoaderSPI::IsSupported(const std::string& fileName, const std::uint8_t* head) const {
    return FIsSupported(fileName.c_str(), head) != 0;
}

TSPIBlocks::~TSPIBlocks() {
    std::free(Info);
    std::free(Bits);
}

TInSPI::TInSPI(const std::filesystem::path& fileName) : TLoaderSPI(fileName) {
    Require("GetPictureInfo");
    Require("GetPicture");
}

int TInSPI::GetPictureInfo(const std::uint8_t* data, std::int64_t length, TSPIPictureInfo& info) const {
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

TAmSPI::TAmSPI(const std::filesystem::path& fileName) : TLoaderSPI(fileName) {
    Require("GetArchiveInfo");
    Require("GetFileInfo");
    Require("GetFile");
}

TXnSPI::TXnSPI(const std::filesystem::path& fileName) : TLoaderSPI(fileName) {}

std::unique_ptr<TSPI> CreateSPI(const std::filesystem::path& fileName) {
    std::string version;
    {
        // A first look for the version; the object of the right kind loads
        // the library again.
        const TSPI probe(fileName);
        version = probe.Version();
    }
    if (version == "00IN") return std::make_unique<TInSPI>(fileName);
    if (version == "00AM") return std::make_unique<TAmSPI>(fileName);
    if (version == "00XN") return std::make_unique<TXnSPI>(fileName);
    return std::make_unique<TSPI>(fileName);
}

}  // namespace zelvo
