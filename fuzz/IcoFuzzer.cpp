// Fuzz target for the icon reader: the directory, every entry's decoding
// (icon resource images and PNG entries) and the drawing.
//
// The last input byte picks the options (it is not part of the data):
//   bits 0-2: where each image is drawn on a 16 x 16 picture (x = y = value
//             - 4, so partly outside on either side);
//   bit 3:    also draw each image on a picture of its own size.
// Budget: at most 32 images are decoded; a PNG entry whose header claims
// more than 1 << 20 pixels is only listed (the reader's own size checks
// are exercised by the test suite's hand-made files). Every decoded byte
// is touched. Only the program's own exceptions are caught; anything
// else, or a sanitizer report, is a finding.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "formats/IconFile.h"
#include "image/Exceptions.h"

namespace {

using namespace zelvo;
using fuzz::Check;
using fuzz::Touch;

constexpr std::uint64_t kPixelBudget = std::uint64_t(1) << 20;

bool WithinBudget(const TIconImage& image) {
    return std::uint64_t(std::max(image.Width(), 0)) * std::uint64_t(std::max(image.Height(), 0)) <= kPixelBudget;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    --size;
    TAdvancedIcon icon;
    if (!icon.LoadFromMemory(std::vector<std::uint8_t>(data, data + size))) {
        Check(icon.Count() == 0);
        return 0;
    }
    Check(icon.Images(-1) == nullptr && icon.Images(icon.Count()) == nullptr);
    const int at = int(options & 7) - 4;
    for (int i = 0; i < icon.Count() && i < 32; ++i) {
        const TIconImage& image = *icon.Images(i);
        Touch(image.Data().data(), image.Data().size());
        Check(!IconChooserLine(i, image).empty());
        if (image.IsPng() && !WithinBudget(image)) continue;
        try {
            const TIconPixels& px = image.Pixels();
            Check(px.Width > 0 && px.Height > 0);
            Check(px.Bgra.size() == std::size_t(px.Width) * std::size_t(px.Height) * 4);
            Check(px.Alpha || px.Mask.size() == std::size_t(px.Width) * std::size_t(px.Height));
            Touch(px.Bgra.data(), px.Bgra.size());
            TDibImage small;
            small.ReplaceData(TDibImageData::CreateDIB(16, 16, 0, 24, false));
            Check(image.Draw(small, at, at));
            for (int y = 0; y < 16; ++y) Touch(small.ScanLineRead(y), std::size_t(small.RowBytes()));
            if (options & 8) {
                const TDibImage whole = RenderIconPicture(image);
                Check(whole.Width() == px.Width && whole.Height() == px.Height && whole.BitCount() == 24);
            }
        } catch (const Exception&) {
            // A refused entry draws nothing.
            TDibImage small;
            small.ReplaceData(TDibImageData::CreateDIB(4, 4, 0, 24, false));
            Check(!image.Draw(small, 0, 0));
        }
    }
    return 0;
}
