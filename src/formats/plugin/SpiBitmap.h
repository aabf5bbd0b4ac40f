#pragma once
// TSPIBitmap: a picture read through the image plug-ins.
//
// The file is read whole into memory (regular files only, at most
// TInSPIAble::MaxFileBytes) and offered to the plug-ins: the exclusive one
// when set, otherwise every image reader of the collection, those that list
// the file's extension first (the last loaded of them first), the others in
// collection order. A plug-in that declines (IsSupported 0), fails
// (GetPicture non-zero) or returns a picture that fails the checks of
// SpiPicture.h is passed over. When none reads the data and the retry is
// allowed, all are asked again from byte 128 on (a file with a 128-byte
// header in front). A file name with an extension tries the plug-ins
// before the BMP reader, one without the BMP reader first.
//
// Each plug-in attempt runs in a decoder process (DecoderSandbox.h) unless
// SandboxOptions().Plugins is off; a decoder that crashes, is stopped or
// replies nonsense counts as a plug-in that failed, its reason in the
// Detail() of the final "認識できない画像形式です". When no decoder
// process can be started the load throws EDecoderUnavailable, or runs the
// plug-in in process when SandboxOptions().InProcessFallback allows it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "formats/plugin/SPIs.h"
#include "image/DibImage.h"
#include "image/Stream.h"

namespace zelvo {

/// The largest file handed to the plug-ins: 1 GiB (a 16 384 x 16 384
/// picture of 32 bits uncompressed).
inline constexpr std::int64_t kMaxPluginFileBytes = std::int64_t(1) << 30;

/// What one load through the plug-ins is about.
struct TInSPIAble {
    /// The full name of the file being loaded.
    std::filesystem::path FileName;
    /// Its extension without the dot, as written ("TGA").
    std::string Extension;
    /// The one plug-in to use, or nullptr for all image readers.
    TInSPI* Exclusive = nullptr;
    /// Ask again from byte 128 on when nothing read the data.
    bool Retry128 = true;
    /// Files larger than this are refused before they are read.
    std::int64_t MaxFileBytes = kMaxPluginFileBytes;
};

class TSPIBitmap {
public:
    /// Reads through `plugins` (none: the BMP reader only).
    explicit TSPIBitmap(TSPIs* plugins = TSPIs::Instance()) : FPlugins(plugins) {}

    TInSPIAble SPIAble;
    /// Progress: percent 0..100 at the start (0) and end (100) of each
    /// plug-in attempt and in between as the plug-in reports it. Throwing
    /// EAbort from the handler asks the plug-in to stop and ends the load
    /// with that EAbort.
    std::function<void(TProgressStage stage, std::uint8_t percent)> OnProgress;

    /// Reads the file. Throws EFOpenError for a missing, irregular or too
    /// large file, EInvalidGraphic (kSUnrecognisedImage) when neither the
    /// plug-ins nor the BMP reader read it (EDecoderFailed, the reasons in
    /// Detail(), when a decoder process failed on the way), EAbort when
    /// aborted.
    void LoadFromFile(const std::filesystem::path& fileName);
    /// Reads the rest of `stream`, with SPIAble.FileName and Extension as
    /// the file's name and extension; throws as LoadFromFile does.
    void LoadFromStream(TStream& stream);

    /// The picture read (16 and 32-bit data come back as 24 bits).
    const TDibImage& Picture() const { return FPicture; }
    /// The plug-in that read it; nullptr when the BMP reader did.
    const TInSPI* Reader() const { return FReader; }
    /// What the reading plug-in's GetPictureInfo reported.
    const TSPIPictureInfo& PictureInfo() const { return FInfo; }

    /// The percent the host reports for `number` of `denominator` steps:
    /// number x 98 / denominator rounded, plus 1, held to 0..100; nothing
    /// for a denominator of 0.
    static bool ProgressPercent(std::int64_t number, std::int64_t denominator, std::uint8_t& percent);

private:
    void LoadFromData(const std::vector<std::uint8_t>& data);
    bool TryPlugins(const std::uint8_t* data, std::int64_t length);
    bool TryPlugin(TInSPI& plugin, const std::uint8_t* data, std::int64_t length);
    /// TryPlugin through a decoder process (DecoderSandbox.h).
    bool TryPluginInDecoder(TInSPI& plugin, const std::uint8_t* data, std::int64_t length);
    bool TryBmp(const std::vector<std::uint8_t>& data);
    void Report(TProgressStage stage, std::uint8_t percent);

    TSPIs* FPlugins;
    TDibImage FPicture;
    const TInSPI* FReader = nullptr;
    TSPIPictureInfo FInfo;
    /// Why decoder processes failed during this load, for the message's detail.
    std::string FFailures;
    /// While a file loads: its descriptor and where its bytes are in memory,
    /// so that decoder processes map the file rather than a copy.
    int FSourceFd = -1;
    const std::uint8_t* FSourceBytes = nullptr;
};

/// Reads `fileName` through the running program's plug-in collection
/// (TSPIs::Instance()); returns false without reading when there is none.
/// RLE pictures come back as plain 4- or 8-bit pictures. Throws as
/// TSPIBitmap::LoadFromFile does.
bool ReadPluginPicture(const std::filesystem::path& fileName, TDibImage& picture);

}  // namespace zelvo
