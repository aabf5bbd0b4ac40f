#pragma once
// Helpers shared by the test suites: tiny images, seeded noise, corpus paths.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/DibImage.h"

namespace zelvo::test {

/// Test pictures made by others (tests/data/corpus, origin and licence in
/// its README.md and in a README.md per source folder).
std::filesystem::path CorpusDir();
/// tests/data in the repository.
std::filesystem::path TestDataDir();
/// A fresh folder under the temporary folder, removed by the caller.
std::filesystem::path MakeTempDir(const std::string& stem);

/// A 24-bit picture of the given size filled with seeded noise.
TDibImage NoiseImage24(int width, int height, std::uint32_t seed, bool topDown = false);
/// A palette picture (1, 4 or 8 bits) of seeded indices below `colors`,
/// with a seeded colour table of `colors` entries.
TDibImage NoiseImagePalette(int width, int height, int bitCount, int colors, std::uint32_t seed,
                            bool topDown = false);

/// A 24-bit picture of the given size, every pixel `color` (red in the low
/// byte).
TDibImage FlatImage24(int width, int height, std::int32_t color);

/// Every pixel row (display order, padding bytes excluded) and the colour
/// table equal in both images, with the same size and depth.
bool SamePixels(const TDibImage& a, const TDibImage& b, std::string* why = nullptr);

/// A stream that fails every write once Fail is set: a disk that breaks
/// after the room for an undo snapshot was taken, while it is on its way.
class TBreakingStream : public TMemoryStream {
public:
    bool Fail = false;
    std::size_t Write(const void* buffer, std::size_t count) override {
        return Fail ? 0 : TMemoryStream::Write(buffer, count);
    }
};

}  // namespace zelvo::test
