// libFuzzer target for the EXIF reader, the patcher and the layout for TIFF
// files. The last input byte
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

    // The layout for a TIFF file stays in bounds, and laid out once more
    // from a block made of it (its header, its bytes, an IFD0 pointing to
    // its IFDs) it comes back as the same bytes.
    const TExifForTiff laid = ExifForTiff(tiff, 8);
    const std::uint64_t end = 8 + laid.Bytes.size();
    if (laid.Bytes.size() > 6 * tiff.size() + 64) std::abort();
    if (laid.ExifIfd >= end || laid.GpsIfd >= end || (laid.Bytes.empty() != (laid.ExifIfd == 0 && laid.GpsIfd == 0)))
        std::abort();
    if (!laid.Bytes.empty()) {
        std::vector<std::uint8_t> block = laid.BigEndian ? std::vector<std::uint8_t>{'M', 'M', 0, 42}
                                                         : std::vector<std::uint8_t>{'I', 'I', 42, 0};
        auto put = [&](std::uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i)
                block.push_back(std::uint8_t(value >> (laid.BigEndian ? 8 * (bytes - 1 - i) : 8 * i)));
        };
        const std::uint32_t ifd0 = std::uint32_t(end + end % 2);
        put(ifd0, 4);
        block.insert(block.end(), laid.Bytes.begin(), laid.Bytes.end());
        if (end % 2) block.push_back(0);
        put(2, 2);
        put(kExifTagExifIfd, 2), put(4, 2), put(1, 4), put(laid.ExifIfd, 4);
        put(kExifTagGpsIfd, 2), put(4, 2), put(1, 4), put(laid.GpsIfd, 4);
        put(0, 4);
        const TExifForTiff relaid = ExifForTiff(block, 8);
        if (relaid.Bytes != laid.Bytes || relaid.ExifIfd != laid.ExifIfd || relaid.GpsIfd != laid.GpsIfd)
            std::abort();
    }

    if (options & 0x08) {
        std::vector<std::uint8_t> xmp = tiff;
        ResetXmpOrientation(xmp);
        if (xmp.size() != tiff.size()) std::abort();
    }
    return 0;
}
