#include "formats/plugin/SpiBitmap.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SpiPicture.h"
#include "image/Exceptions.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

/// What the progress callback needs; passed to the plug-in as its context.
struct TProgressContext {
    TSPIBitmap* Bitmap = nullptr;
    std::function<void(TProgressStage, std::uint8_t)>* Handler = nullptr;
    bool Aborted = false;
};

// No exception may cross into the plug-in: an abort (or any failure of the
// handler) becomes the answer "stop".
std::int32_t ProgressCallback(std::int32_t number, std::int32_t denominator, std::intptr_t context) {
    auto* progress = reinterpret_cast<TProgressContext*>(context);
    if (!progress || progress->Aborted) return 1;
    std::uint8_t percent = 0;
    if (!TSPIBitmap::ProgressPercent(number, denominator, percent)) return 0;
    try {
        if (*progress->Handler) (*progress->Handler)(TProgressStage::psRunning, percent);
    } catch (...) {
        progress->Aborted = true;
        return 1;
    }
    return 0;
}

std::string ExtensionOf(const std::filesystem::path& fileName) {
    const std::string name = fileName.filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace

bool TSPIBitmap::ProgressPercent(std::int64_t number, std::int64_t denominator, std::uint8_t& percent) {
    if (denominator == 0) return false;
    const double value = std::round(double(number) * 98.0 / double(denominator)) + 1.0;
    percent = std::uint8_t(std::clamp(value, 0.0, 100.0));
    return true;
}

void TSPIBitmap::LoadFromFile(const std::filesystem::path& fileName) {
    SPIAble.FileName = fileName;
    SPIAble.Extension = ExtensionOf(fileName);
    TFileStream file(fileName, TFileStream::Mode::fmOpenRead);  // regular files only
    const std::int64_t size = file.Size();
    if (size > SPIAble.MaxFileBytes)
        throw EFOpenError("Cannot open file \"" + fileName.string() + "\". " + std::strerror(EFBIG),
                          std::to_string(size) + " bytes, limit " + std::to_string(SPIAble.MaxFileBytes));
    const std::vector<std::uint8_t> data = file.ReadRest();
    FSourceFd = file.Handle();
    FSourceBytes = data.data();
    const TScopeExit forget([this] { FSourceFd = -1; });
    LoadFromData(data);
}

void TSPIBitmap::LoadFromStream(TStream& stream) {
    const std::int64_t rest = stream.Remaining();
    if (rest > SPIAble.MaxFileBytes)
        throw EFOpenError("Cannot open file \"" + SPIAble.FileName.string() + "\". " + std::strerror(EFBIG),
                          std::to_string(rest) + " bytes, limit " + std::to_string(SPIAble.MaxFileBytes));
    LoadFromData(stream.ReadRest());
}

void TSPIBitmap::Report(TProgressStage stage, std::uint8_t percent) {
    if (OnProgress) OnProgress(stage, percent);
}

void TSPIBitmap::LoadFromData(const std::vector<std::uint8_t>& data) {
    FReader = nullptr;
    FInfo = {};
    FFailures.clear();
    const std::int64_t length = std::int64_t(data.size());
    const bool pluginsFirst = !SPIAble.Extension.empty();
    if (!pluginsFirst && TryBmp(data)) return;
    if (TryPlugins(data.data(), length)) return;
    if (SPIAble.Retry128 && length > 128 && TryPlugins(data.data() + 128, length - 128)) return;
    if (pluginsFirst && TryBmp(data)) return;
    if (!FFailures.empty()) throw EDecoderFailed(kSUnrecognisedImage, FFailures);
    throw EInvalidGraphic(kSUnrecognisedImage, SPIAble.FileName.string());
}

bool TSPIBitmap::TryBmp(const std::vector<std::uint8_t>& data) {
    try {
        TMemoryStream stream(data);
        TDibImage picture;
        picture.LoadFromStream(stream);
        FPicture = picture;
        return true;
    } catch (const Exception&) {
        // Not a BMP file either; the caller reports the file as unrecognised.
        return false;
    }
}

bool TSPIBitmap::TryPlugins(const std::uint8_t* data, std::int64_t length) {
    if (!FPlugins) return false;
    std::lock_guard lock(FPlugins->CallLock());
    std::vector<TInSPI*> order;
    if (SPIAble.Exclusive) {
        order.push_back(SPIAble.Exclusive);
    } else {
        // Readers of the extension go to the front one by one as they are
        // met, so the last loaded of them is asked first.
        for (TInSPI* reader : FPlugins->ImageReaders()) {
            if (!SPIAble.Extension.empty() && reader->ReadsExtension(SPIAble.Extension)) {
                order.insert(order.begin(), reader);
            } else {
                order.push_back(reader);
            }
        }
    }
    for (TInSPI* plugin : order) {
        if (TryPlugin(*plugin, data, length)) return true;
    }
    return false;
}

bool TSPIBitmap::TryPlugin(TInSPI& plugin, const std::uint8_t* data, std::int64_t length) {
    if (SandboxOptions().Plugins) {
        try {
            return TryPluginInDecoder(plugin, data, length);
        } catch (const EDecoderUnavailable&) {
            if (!SandboxOptions().InProcessFallback) throw;
        }
    }
    Report(TProgressStage::psStarting, 0);
    // IsSupported may read SPI_HEAD_BYTES bytes whatever the file's size.
    std::vector<std::uint8_t> padded;
    const std::uint8_t* head = data;
    if (length < SPI_HEAD_BYTES) {
        padded.assign(SPI_HEAD_BYTES, 0);
        if (length > 0) std::memcpy(padded.data(), data, std::size_t(length));
        head = padded.data();
    }
    bool read = false;
    if (plugin.IsSupported(SPIAble.FileName.string(), head)) {
        TSPIPictureInfo info;
        plugin.GetPictureInfo(data, length, info);
        TSPIBlocks blocks;
        TProgressContext context{this, &OnProgress, false};
        const int result =
            plugin.GetPicture(data, length, blocks, ProgressCallback, reinterpret_cast<std::intptr_t>(&context));
        if (context.Aborted) {
            Report(TProgressStage::psEnding, 100);
            throw EAbort("Operation aborted");
        }
        if (result == SPI_OK) {
            bool infoBelievable = true, bitsBelievable = true;
            const auto infoBytes = BlockBytes(blocks.Info, &infoBelievable);
            const auto bitsBytes = BlockBytes(blocks.Bits, &bitsBelievable);
            if (infoBelievable && bitsBelievable) {
                try {
                    FPicture = PictureFromPluginBlocks(infoBytes, bitsBytes);
                    FReader = &plugin;
                    FInfo = info;
                    read = true;
                } catch (const Exception&) {
                    // A picture that fails the checks is this plug-in's
                    // failure; the next one is asked.
                }
            }
        }
    }
    Report(TProgressStage::psEnding, 100);
    return read;
}

bool TSPIBitmap::TryPluginInDecoder(TInSPI& plugin, const std::uint8_t* data, std::int64_t length) {
    Report(TProgressStage::psStarting, 0);
    bool handlerFailed = false;
    // Without a handler the decoder sends no progress at all.
    TSandboxProgress progress;
    if (OnProgress) progress = [&](std::int32_t number, std::int32_t denominator) {
        std::uint8_t percent = 0;
        if (!ProgressPercent(number, denominator, percent)) return true;
        try {
            Report(TProgressStage::psRunning, percent);
        } catch (...) {
            // The handler's abort (or failure) asks the plug-in to stop; the
            // load then ends with EAbort, as in process.
            handlerFailed = true;
            return false;
        }
        return true;
    };
    TSandboxAttempt attempt =
        DecodeWithPlugin(plugin.FileName(), SPIAble.FileName.string(), data, length, progress,
                         {FSourceFd, FSourceFd >= 0 ? data - FSourceBytes : 0});
    if (handlerFailed || attempt.Aborted) {
        Report(TProgressStage::psEnding, 100);
        throw EAbort("Operation aborted");
    }
    const bool read = attempt.Status == TDecodeStatus::Read;
    if (read) {
        FPicture = std::move(attempt.Picture);
        FReader = &plugin;
        FInfo = std::move(attempt.Info);
    } else if (!attempt.Reason.empty()) {
        if (!FFailures.empty()) FFailures += "; ";
        FFailures += plugin.FileName().filename().string() + ": " + attempt.Reason;
    }
    Report(TProgressStage::psEnding, 100);
    return read;
}

bool ReadPluginPicture(const std::filesystem::path& fileName, TDibImage& picture) {
    TSPIs* plugins = TSPIs::Instance();
    if (!plugins) return false;
    TSPIBitmap bitmap(plugins);
    bitmap.LoadFromFile(fileName);
    TDibImage loaded = bitmap.Picture();
    if (loaded.PixelFormat() == dibPf4BitRLE) loaded.SetPixelFormat(dibPf4Bit);
    if (loaded.PixelFormat() == dibPf8BitRLE) loaded.SetPixelFormat(dibPf8Bit);
    picture = loaded;
    return true;
}

}  // namespace zelvo
