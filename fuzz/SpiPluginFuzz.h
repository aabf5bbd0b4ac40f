#pragma once
// The body of the fuzz targets of our own image plug-ins (TgaFuzzer,
// PcxFuzzer, WebpFuzzer, TiffFuzzer, HeifFuzzer): each links one plug-in's
// C sources and feeds it a file in memory the way the host does. GetPictureInfo and GetPicture must agree
// on whether the file is theirs; a picture GetPicture returns must pass the
// host's check of plug-in pictures (the plug-in is ours, so a refusal is a
// finding) and be readable row by row with the size GetPictureInfo told.
// On failure the output handles must still be NULL.
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "formats/plugin/SpiPicture.h"
#include "zelvo/spi.h"

namespace zelvo::fuzz {

inline int32_t CountProgress(int32_t, int32_t, intptr_t context) {
    ++*reinterpret_cast<int*>(context);
    return 0;
}

inline int RunPluginOnce(const std::uint8_t* data, std::size_t size) {
    SpiPictureInfo info{};
    const int32_t infoResult = GetPictureInfo(data, std::int64_t(size), SPI_INPUT_MEMORY, &info);
    SpiHandle bitmapInfo = nullptr;
    SpiHandle bits = nullptr;
    int reports = 0;
    const int32_t result = GetPicture(data, std::int64_t(size), SPI_INPUT_MEMORY, &bitmapInfo, &bits,
                                      CountProgress, reinterpret_cast<intptr_t>(&reports));
    if (result != SPI_OK) {
        Check(bitmapInfo == nullptr && bits == nullptr);
        return 0;
    }
    Check(infoResult == SPI_OK);
    bool infoOk = true, bitsOk = true;
    const auto infoSpan = BlockBytes(bitmapInfo, &infoOk);
    const auto bitsSpan = BlockBytes(bits, &bitsOk);
    Check(infoOk && bitsOk);
    try {
        const TDibImage picture = PictureFromPluginBlocks(infoSpan, bitsSpan);
        Check(picture.Width() == std::int64_t(info.width) && picture.Height() == std::int64_t(info.height));
        for (int y = 0; y < picture.Height(); ++y)
            Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));
    } catch (...) {
        Check(false);
    }
    std::free(bitmapInfo);
    std::free(bits);
    return 0;
}

}  // namespace zelvo::fuzz
