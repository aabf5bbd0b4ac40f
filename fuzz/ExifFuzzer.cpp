// libFuzzer target for the EXIF reader and patcher. The last input byte
// chooses the patch; the rest is the TIFF data of an EXIF block (the bytes
// after "Exif\0\0"):
//   bit 0 keep the orientation, bit 1 drop the thumbnail,
//   bit 2 set the pixel dimensions, bit 3 also run the XMP orientation reset.
// The reader and patcher never throw, so nothing is caught: every exception,
// every read outside the data and every broken promise below is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/Exif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvo;
    if (size < 1) return 0;
    const std::uint8_t options = data[size - 1];
    // An exact-size copy, so the sanitizer sees any read past the end.
    const std::vector<std::uint8_t> tiff(data, data + size - 1);
    const TExifInfo info = ParseExif(tiff);
    if (info.Orientation < 1 || info.Orientation > 8) std::abort();
    if (info.HasThumbnail() && info.ThumbnailOffset + info.ThumbnailLength > tiff.size()) std::abort();

    TExifPatch patch;
    patch.ResetOrientation = !(options & 0x01);
    patch.DropThumbnail = options & 0x02;
    if (options & 0x04) {
        patch.Width = 70000;
        patch.Height = 3;
    }
    const std::vector<std::uint8_t> out = PatchExif(tiff, patch);
    // Patching only ever overwrites bytes or cuts the tail.
    if (out.size() > tiff.size()) std::abort();
    if (!patch.DropThumbnail && out.size() != tiff.size()) std::abort();
    const TExifInfo again = ParseExif(out);
    if (info.Valid && !again.Valid) std::abort();
    // With nothing else written (hostile blocks may overlap their fields),
    // a dropped thumbnail leaves no IFD1 behind.
    if ((options & 0x07) == 0x03 && again.Ifd1Offset != 0) std::abort();

    if (options & 0x08) {
        std::vector<std::uint8_t> xmp = tiff;
        ResetXmpOrientation(xmp);
        if (xmp.size() != tiff.size()) std::abort();
    }
    return 0;
}
