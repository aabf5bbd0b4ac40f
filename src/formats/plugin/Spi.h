#pragma once
// One loaded image plug-in library (*.spi) and its kinds.
//
// TSPI holds the library handle, its full file name, the nine entry points
// looked up by name (any may be missing), the interface version
// (information 0), the plug-in's name (information 1) and the parallel
// lists of file patterns (information 2, 4, 6, ...) and their descriptions
// (3, 5, 7, ...). The kind follows the version: TInSPI ("00IN", image
// reader), TAmSPI ("00AM", archive), TXnSPI ("00XN"), all TLoaderSPI;
// any other version gives a plain TSPI. Only TInSPI reads pictures.
//
// Calls into the library never let an exception cross it: the plug-in's
// return codes are turned into results here.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "image/Exceptions.h"
#include "zelvo/spi.h"

namespace zelvo {

/// Base of the plug-in host's failures.
ZELVO_EXCEPTION(ESPIError, Exception);
/// A library could not be loaded: "%s:Susie Pluginがロードできませんでした".
ZELVO_EXCEPTION(ESPIFOpenErrorSPI, ESPIError);
/// A library is not a plug-in at all (no GetPluginInfo).
ZELVO_EXCEPTION(ESPIInvalidSPI, ESPIError);
/// A plug-in of a known kind lacks an entry point its kind needs:
/// "%sは[%s]では使えないSusie Plugin APIです".
ZELVO_EXCEPTION(ESPIInvalidAPI, ESPIError);
/// A second plug-in collection: "TSPIs は複数生成できません".
ZELVO_EXCEPTION(ESPIDupCreateSPIs, ESPIError);

/// The message of ESPIInvalidAPI for `entryPoint` missing in `library`.
std::string InvalidApiMessage(const std::string& entryPoint, const std::string& library);

/// What the host knows of a plug-in without calling it: its version, name,
/// pattern and description lists, and which entry points it has.
struct TSPIDescription {
    std::string Version;
    std::string Name;
    std::vector<std::string> Patterns;
    std::vector<std::string> Descriptions;
    /// Bit i set when the library has kSpiEntryPoints[i].
    std::uint32_t EntryPoints = 0;
};

/// The entry points looked up by name, in the order of their bits.
inline constexpr const char* kSpiEntryPoints[] = {"GetPluginInfo", "ConfigurationDlg", "IsSupported",
                                                  "GetPictureInfo", "GetPicture",       "GetPreview",
                                                  "GetArchiveInfo", "GetFileInfo",      "GetFile"};

/// The bit of the entry point `name` (std::size(kSpiEntryPoints) when it
/// is none of them).
constexpr std::size_t SpiEntryIndex(std::string_view name) {
    std::size_t i = 0;
    while (i < std::size(kSpiEntryPoints) && kSpiEntryPoints[i] != name) ++i;
    return i;
}

/// The entry points the loaded library `handle` has (bit i for
/// kSpiEntryPoints[i]).
std::uint32_t SpiEntryPointMask(void* handle);

/// Loads `fileName` with dlopen(RTLD_NOW | RTLD_LOCAL) into this process,
/// reads its description (at most kMaxSpiInfoPairs pairs, until either
/// text of a pair is empty) and unloads it. Throws ESPIFOpenErrorSPI when
/// the library cannot be loaded and ESPIInvalidSPI when it has no
/// GetPluginInfo.
TSPIDescription ReadSPIDescription(const std::filesystem::path& fileName);

/// The description a loaded plug-in gives through `getPluginInfo`, with
/// the entry points `entryPoints` it has.
TSPIDescription DescribeSPI(SpiGetPluginInfoFn getPluginInfo, std::uint32_t entryPoints);

/// Where plug-in objects get their descriptions: ReadSPIDescription, or
/// what the program installs (a cache that spares loading every plug-in at
/// every start). Throws as ReadSPIDescription.
using TSPIDescriber = std::function<TSPIDescription(const std::filesystem::path& fileName)>;
void SetSPIDescriber(TSPIDescriber describer);

/// The kinds of plug-in, by interface version.
enum class TSPIKind : std::uint8_t { Plain, In, Am, Xn };

/// Most info pairs (pattern, description) read from one plug-in.
inline constexpr int kMaxSpiInfoPairs = 256;
/// The buffer GetPluginInfo writes into; the plug-in is told one byte less,
/// and the last byte is always a terminator.
inline constexpr int kSpiInfoBufferBytes = 256;

class TSPI {
public:
    /// The plug-in `fileName` as the describer (SetSPIDescriber) describes
    /// it; the library itself is loaded into this process only when one of
    /// its entry points is called here. Throws as ReadSPIDescription. With
    /// `description` the describer is not asked.
    explicit TSPI(const std::filesystem::path& fileName, const TSPIDescription* description = nullptr);
    virtual ~TSPI();
    TSPI(const TSPI&) = delete;
    TSPI& operator=(const TSPI&) = delete;

    const std::filesystem::path& FileName() const { return FFileName; }
    const std::string& Version() const { return FVersion; }
    const std::string& Name() const { return FName; }
    /// Pattern entries ("*.tga;*.tpic"), one per info pair.
    const std::vector<std::string>& Patterns() const { return FPatterns; }
    /// The description of each pattern entry.
    const std::vector<std::string>& Descriptions() const { return FDescriptions; }
    virtual TSPIKind Kind() const { return TSPIKind::Plain; }

    /// Text number `infoNumber` of the plug-in, empty when it has none
    /// (or when the library cannot be loaded). Reads into a
    /// kSpiInfoBufferBytes buffer with a forced terminator, so a plug-in
    /// that claims a longer text gives at most 255 bytes.
    std::string PluginInfo(int infoNumber) const;

    /// Whether one of the pattern entries lists `extension` (without the
    /// dot), compared without regard to case.
    bool ReadsExtension(const std::string& extension) const;

    /// An entry point by its name, or nullptr; loads the library.
    void* EntryPoint(const char* name) const;

protected:
    /// Throws ESPIInvalidAPI when `name` is missing.
    void Require(const char* name) const;
    /// Loads the library once and looks up its entry points; false when it
    /// cannot be loaded (then every call into it fails).
    bool Load() const;

    std::filesystem::path FFileName;
    std::uint32_t FEntryPoints = 0;
    mutable std::once_flag FLoadOnce;
    mutable void* FHandle = nullptr;
    mutable SpiGetPluginInfoFn FGetPluginInfo = nullptr;
    mutable SpiIsSupportedFn FIsSupported = nullptr;
    mutable SpiGetPictureInfoFn FGetPictureInfo = nullptr;
    mutable SpiGetPictureFn FGetPicture = nullptr;
    std::string FVersion;
    std::string FName;
    std::vector<std::string> FPatterns;
    std::vector<std::string> FDescriptions;
};

/// Base of the plug-ins that read something; requires IsSupported.
class TLoaderSPI : public TSPI {
public:
    explicit TLoaderSPI(const std::filesystem::path& fileName, const TSPIDescription* description = nullptr);
    /// Non-zero result of IsSupported(fileName, head); `head` holds at
    /// least SPI_HEAD_BYTES bytes.
    bool IsSupported(const std::string& fileName, const std::uint8_t* head) const;
};

/// What GetPictureInfo reported, with its text read.
struct TSPIPictureInfo {
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::uint16_t XDensity = 0, YDensity = 0;
    std::int16_t ColorDepth = 0;
    std::string Text;
};

/// The two blocks of a decoded picture, freed with free() when released.
struct TSPIBlocks {
    TSPIBlocks() = default;
    TSPIBlocks(const TSPIBlocks&) = delete;
    TSPIBlocks& operator=(const TSPIBlocks&) = delete;
    ~TSPIBlocks();
    SpiHandle Info = nullptr;
    SpiHandle Bits = nullptr;
};

/// An image reader ("00IN"); also requires GetPictureInfo and GetPicture.
class TInSPI : public TLoaderSPI {
public:
    explicit TInSPI(const std::filesystem::path& fileName, const TSPIDescription* description = nullptr);
    TSPIKind Kind() const override { return TSPIKind::In; }
    /// GetPictureInfo on memory input; the result code, with `info` filled
    /// (and the text block read and freed) only on success.
    int GetPictureInfo(const std::uint8_t* data, std::int64_t length, TSPIPictureInfo& info) const;
    /// GetPicture on memory input. The output handles are null before the
    /// call; `blocks` takes them over only when the call returns 0, and a
    /// failed call leaves them untouched (they are the plug-in's).
    int GetPicture(const std::uint8_t* data, std::int64_t length, TSPIBlocks& blocks, SpiProgressCallback progress,
                   std::intptr_t context) const;
};

/// An archive plug-in ("00AM"); requires GetArchiveInfo, GetFileInfo and
/// GetFile. Never used to read pictures.
class TAmSPI : public TLoaderSPI {
public:
    explicit TAmSPI(const std::filesystem::path& fileName, const TSPIDescription* description = nullptr);
    TSPIKind Kind() const override { return TSPIKind::Am; }
};

/// A "00XN" plug-in. Never used to read pictures.
class TXnSPI : public TLoaderSPI {
public:
    explicit TXnSPI(const std::filesystem::path& fileName, const TSPIDescription* description = nullptr);
    TSPIKind Kind() const override { return TSPIKind::Xn; }
};

/// Loads `fileName` and returns the object of the kind its version selects.
/// Throws as the constructors do; ESPIInvalidAPI for a known kind without
/// an entry point that kind requires.
std::unique_ptr<TSPI> CreateSPI(const std::filesystem::path& fileName);

}  // namespace zelvo
