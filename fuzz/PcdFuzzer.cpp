// Fuzz target for the PhotoCD reader.
//
// The last input byte picks the options (it is not part of the data):
//   bits 0-1: the resolution (0, 1, 2; 3 reads as 0);
//   bit 2:    lengthen the input to exactly the chosen resolution's end
//             by repeating it, so the colour conversion and the rotation
//             run on fuzzed bytes although inputs stay small;
//   bit 3:    lengthen it to one byte short of that end instead.
// A picture must come out exactly when the file reaches the resolution's
// end, with the table's size (turned when the rotation byte says so), and
// every byte of it is touched. Only the program's own exceptions are
// caught; anything else, or a sanitizer report, is a finding.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "formats/PhotoCd.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace {

using namespace zelvo;
using fuzz::Check;
using fuzz::Touch;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    --size;
    const int resolution = int(options & 3) % 3;
    const int w = TQxPCD::kWidths[resolution], h = TQxPCD::kHeights[resolution];
    const std::size_t end = std::size_t(TQxPCD::kDataOffsets[resolution]) + std::size_t(w) * std::size_t(h) * 3 / 2;
    std::vector<std::uint8_t> file(data, data + size);
    if ((options & 12) && size > 0) {
        const std::size_t want = (options & 4) ? end : end - 1;
        file.reserve(want);
        while (file.size() < want) file.push_back(data[file.size() % size]);
        file.resize(want);
    }
    const bool whole = file.size() >= end;
    const bool rotate = file.size() > 73 && (file[73] & 0x3F) == 0x0B;
    try {
        TQxPCD pcd;
        pcd.SetResolution(resolution);
        TMemoryStream stream(std::move(file));
        pcd.LoadFromStream(stream);
        Check(pcd.Empty() != whole);
        if (pcd.Empty()) return 0;
        Check(pcd.Rotated() == rotate);
        Check(pcd.Width() == (rotate ? h : w) && pcd.Height() == (rotate ? w : h));
        const TDibImage& picture = pcd.Bitmap();
        Check(picture.BitCount() == 24);
        for (int y = 0; y < picture.Height(); ++y) Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));
    } catch (const Exception&) {
        Check(false);  // the reader reports short files as an empty picture
    }
    return 0;
}
