// Fuzz target for the GIF reader, its rendering and the writer.
//
// The last input byte picks the options (it is not part of the data):
//   bit 0: write the decoded picture again (interlaced with bit 1,
//          transparent with bit 2, index = bits 3-7) and read it back,
//          which must give the same colours.
// Budget: the logical screen and every descriptor-like "," are read from
// the raw bytes (the screen at signature offsets 0 and 4), and inputs
// with a screen or frame above 1 << 22 pixels are skipped; the reader
// itself refuses sizes above the program's limit. The write and read back
// runs on pictures of at most 1 << 16 pixels, so a sanitizer build stays
// within the time limit. Every rendered byte is touched. Only the
// program's own exceptions are caught; anything else, or a sanitizer
// report, is a finding.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "formats/GifImage.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

namespace {

using namespace zelvo;
using fuzz::Check;
using fuzz::Touch;

constexpr std::uint64_t kBudget = std::uint64_t(1) << 22;

// Largest screen or frame side product found in a quick scan of the header
// and the first image descriptor at either signature position.
bool WithinBudget(const std::uint8_t* data, std::size_t size) {
    for (std::size_t at : {std::size_t(0), std::size_t(4)}) {
        if (size < at + 13) continue;
        const std::uint64_t w = data[at + 6] | (data[at + 7] << 8);
        const std::uint64_t h = data[at + 8] | (data[at + 9] << 8);
        if (w * h > kBudget) return false;
    }
    // Every descriptor-like ',' followed by a big frame: conservative, as
    // the first image may start at any ','.
    for (std::size_t i = 0; i + 9 < size; ++i) {
        if (data[i] != ',') continue;
        const std::uint64_t w = data[i + 5] | (data[i + 6] << 8);
        const std::uint64_t h = data[i + 7] | (data[i + 8] << 8);
        if (w * h > kBudget) return false;
    }
    return true;
}

TColor ColourAt(const TDibImage& image, int x, int y) {
    const TRGBQuad q = image.ColorTable()[image.GetPixels(x, y)];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    --size;
    if (!WithinBudget(data, size)) return 0;
    try {
        TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
        TGIFImage gif;
        gif.LoadFromStream(stream);
        Check(!gif.Images.empty());
        const TDibImage picture = gif.ToDibImage();
        Check(picture.Width() > 0 && picture.Height() > 0 && picture.BitCount() == 8);
        for (int y = 0; y < picture.Height(); ++y) Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));

        if ((options & 1) && std::uint64_t(picture.Width()) * std::uint64_t(picture.Height()) <= (1u << 16)) {
            TMemoryStream out;
            SaveGifPicture(picture, out, (options & 4) != 0, std::uint8_t(options >> 3), (options & 2) != 0);
            out.SetPosition(0);
            TGIFImage again;
            again.LoadFromStream(out);
            const TDibImage back = again.ToDibImage();
            Check(back.Width() == picture.Width() && back.Height() == picture.Height());
            for (int x = 0; x < picture.Width(); ++x) Check(ColourAt(back, x, 0) == ColourAt(picture, x, 0));
            for (int y = 0; y < picture.Height(); ++y) Check(ColourAt(back, 0, y) == ColourAt(picture, 0, y));
        }
    } catch (const zelvo::Exception&) {
        // Refused input: the expected outcome for most mutations.
    }
    return 0;
}
