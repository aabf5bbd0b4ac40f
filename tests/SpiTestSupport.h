#pragma once
// What the image plug-in tests share: where the plug-ins are built, the
// TGA and PCX test files with their reference decodes, and pictures
// compared as RGB whatever their depth.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/DibImage.h"

namespace zelvo::test {

/// Our own plug-ins (tga.spi, pcx.spi), beside the built programs.
inline std::filesystem::path PluginDir() { return ZELVO_PLUGIN_DIR; }
/// The purpose-built test plug-ins (test_good.spi, ...).
inline std::filesystem::path TestSpiDir() { return ZELVO_TEST_SPI_DIR; }
/// The hostile plug-ins (hostile_null.spi, ...), for the decoder process only.
inline std::filesystem::path HostileSpiDir() { return ZELVO_HOSTILE_SPI_DIR; }

/// The files of tests/data/plugins/<kind>/ with extension `.kind`, sorted;
/// each has its reference decode beside it (ReferenceOf).
inline std::vector<std::filesystem::path> PluginDataFiles(const std::string& kind) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(TestDataDir() / "plugins" / kind))
        if (entry.path().extension() == "." + kind) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

/// "name.ref.ppm" beside "name.tga".
inline std::filesystem::path ReferenceOf(const std::filesystem::path& file) {
    return file.parent_path() / (file.stem().string() + ".ref.ppm");
}

/// The picture's pixels as RGB bytes, top row first (palette resolved).
inline std::vector<std::uint8_t> RgbBytes(const TDibImage& picture) {
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(picture.Width()) * std::size_t(picture.Height()) * 3);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const auto value = std::uint32_t(picture.GetPixels(x, y));
            if (picture.BitCount() <= 8) {
                const TRGBQuad& entry = picture.ColorTable()[value];
                out.insert(out.end(), {entry.rgbRed, entry.rgbGreen, entry.rgbBlue});
            } else {
                out.insert(out.end(), {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16)});
            }
        }
    }
    return out;
}

/// Empty when both pictures have the same size and RGB pixels, otherwise
/// where they first differ.
inline std::string RgbDifference(const TDibImage& got, const TDibImage& want) {
    if (got.Width() != want.Width() || got.Height() != want.Height())
        return "size " + std::to_string(got.Width()) + "x" + std::to_string(got.Height()) + ", want " +
               std::to_string(want.Width()) + "x" + std::to_string(want.Height());
    const auto a = RgbBytes(got), b = RgbBytes(want);
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            const std::size_t pixel = i / 3;
            return "pixel (" + std::to_string(pixel % std::size_t(got.Width())) + ", " +
                   std::to_string(pixel / std::size_t(got.Width())) + ") channel " + std::to_string(i % 3) + ": " +
                   std::to_string(a[i]) + ", want " + std::to_string(b[i]);
        }
    }
    return {};
}

}  // namespace zelvo::test
