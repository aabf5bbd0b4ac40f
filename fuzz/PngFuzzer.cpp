// libFuzzer target for the PNG reader. The last input byte holds options:
//   bit 0: write the decoded picture again and read it back (must match)
//   bit 1: write it interlaced
//   bit 2: hand the result to a TDibImage as well
// Files whose IHDR asks for more than kPixelBudget pixels are skipped.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/PngImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace {

constexpr std::uint64_t kPixelBudget = std::uint64_t(1) << 22;

std::uint32_t Big32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The IHDR size, found where a well-formed file has it (offset 16, or 272
// behind a 256-byte block).
bool OverBudget(const std::uint8_t* data, std::size_t size) {
    for (std::size_t at : {std::size_t(16), std::size_t(272)}) {
        if (size >= at + 8 && std::memcmp(data + at - 4, "IHDR", 4) == 0) {
            const std::uint64_t pixels = std::uint64_t(Big32(data + at)) * Big32(data + at + 4);
            if (pixels > kPixelBudget) return true;
        }
    }
    return false;
}

unsigned Touch(const zelvo::TDibContainer& image) {
    unsigned sum = 0;
    const std::size_t used = (std::size_t(image.Width()) * std::size_t(image.BitCount()) + 7) / 8;
    for (int y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.ScanLine(y);
        for (std::size_t i = 0; i < used; ++i) sum += row[i];
    }
    for (int i = 0; i < image.PaletteCount(); ++i) sum += image.Palette()[i].rgbRed;
    sum += unsigned(image.GetComment().size());
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t options = data[size - 1];
    --size;
    if (OverBudget(data, size)) return 0;
    using namespace zelvo;
    try {
        TMemoryStream in(std::vector<std::uint8_t>(data, data + size));
        TPngImage png = DecodePng(in);
        volatile unsigned sink = Touch(png);
        (void)sink;
        if (options & 4) {
            TDibImage picture;
            png.AssignTo(picture);
        }
        if (options & 1) {
            TMemoryStream out;
            png.SetInterlaced(options & 2);
            png.SaveToStream(out);
            out.SetPosition(0);
            TPngImage again = DecodePng(out);
            if (again.Width() != png.Width() || again.Height() != png.Height() ||
                again.BitCount() != (png.BitCount() == 32 && !png.GetAlpha() ? 24 : png.BitCount())) {
                std::abort();
            }
            if (png.BitCount() != 32) {
                const std::size_t used = (std::size_t(png.Width()) * std::size_t(png.BitCount()) + 7) / 8;
                for (int y = 0; y < png.Height(); ++y) {
                    if (std::memcmp(png.ScanLine(y), again.ScanLine(y), used) != 0) std::abort();
                }
            }
        }
    } catch (const zelvo::Exception&) {
        // Refused input: fine.
    }
    return 0;
}
