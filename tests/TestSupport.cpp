#include "TestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>

namespace zelvo::test {

namespace {
// The test programs lie in build/tests, away from zelvo-decode beside the
// real programs: plug-ins loaded by a test run in the decoder built with it.
[[maybe_unused]] const bool kDecoderChosen = [] {
#ifdef ZELVO_DECODE_PROGRAM
    ::setenv("ZELVO_DECODE", ZELVO_DECODE_PROGRAM, 0);
#endif
    return true;
}();
}  // namespace

std::filesystem::path CorpusDir() { return ZELVO_CORPUS_DIR; }
std::filesystem::path TestDataDir() { return ZELVO_TESTDATA_DIR; }

std::filesystem::path MakeTempDir(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

TDibImage NoiseImage24(int width, int height, std::uint32_t seed, bool topDown) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(width);
    image.SetHeight(topDown ? -height : height);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < width * 3; ++x) row[x] = std::uint8_t(rng());
    }
    return image;
}

TDibImage NoiseImagePalette(int width, int height, int bitCount, int colors, std::uint32_t seed, bool topDown) {
    TDibImage image;
    image.SetBitCount(bitCount);
    image.SetWidth(width);
    image.SetHeight(topDown ? -height : height);
    std::mt19937 rng(seed);
    std::vector<TRGBQuad> table(static_cast<std::size_t>(colors));
    for (auto& q : table) q = TRGBQuad{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
    image.SetColorTable(table);
    const int perByte = 8 / bitCount;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const unsigned index = unsigned(rng() % unsigned(colors));
            const int byte = x / perByte;
            const int shift = (perByte - 1 - x % perByte) * bitCount;
            row[byte] = std::uint8_t((row[byte] & ~(((1u << bitCount) - 1) << shift)) | (index << shift));
        }
    }
    return image;
}

TDibImage FlatImage24(int width, int height, std::int32_t color) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(width);
    image.SetHeight(height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixels(x, y, color);
    return image;
}

bool SamePixels(const TDibImage& a, const TDibImage& b, std::string* why) {
    auto fail = [&](const std::string& text) {
        if (why) *why = text;
        return false;
    };
    if (a.Width() != b.Width() || a.Height() != b.Height()) return fail("size differs");
    if (a.BitCount() != b.BitCount()) return fail("bit count differs");
    if (a.BitCount() != 24) {
        if (a.ColorsUsed() != b.ColorsUsed()) return fail("colours used differ");
        if (std::memcmp(a.ColorTable(), b.ColorTable(), std::size_t(a.ColorsUsed()) * 4) != 0)
            return fail("colour table differs");
    }
    const std::size_t used = (std::size_t(a.Width()) * std::size_t(a.BitCount()) + 7) / 8;
    const int spare = (a.Width() * a.BitCount()) % 8;
    for (int y = 0; y < a.Height(); ++y) {
        const std::uint8_t* ra = a.ScanLineRead(y);
        const std::uint8_t* rb = b.ScanLineRead(y);
        const std::size_t whole = spare ? used - 1 : used;
        if (std::memcmp(ra, rb, whole) != 0) return fail("row " + std::to_string(y) + " differs");
        if (spare) {
            const std::uint8_t mask = std::uint8_t(0xFF << (8 - spare));
            if ((ra[whole] & mask) != (rb[whole] & mask)) return fail("row " + std::to_string(y) + " differs");
        }
    }
    return true;
}

}  // namespace zelvo::test
