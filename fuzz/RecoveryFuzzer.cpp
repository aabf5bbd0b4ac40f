// Fuzz target for the recovery file reader.
//
// Input: the file's bytes, and an options byte at the end (not part of the
// data):
//   bit 0: a picture that parses is written out again and read back, and
//          must come back the same (pixels, colour table, names, options,
//          metadata).
// Budget: the reader checks every size against the bytes that must hold
// it, so a picture is at most kMaxInflateRatio times the input. Only the
// program's own exceptions are caught; anything else, or a sanitizer
// report, is a finding.
#include <cstdint>
#include <cstring>
#include <span>

#include "FuzzSupport.h"
#include "document/RecoveryFile.h"
#include "image/Exceptions.h"

namespace {

using namespace zelvo;
using zelvo::fuzz::Check;
using zelvo::fuzz::Touch;

bool SameInfo(const TRecoveryInfo& a, const TRecoveryInfo& b) {
    return a.FileName == b.FileName && a.Format == b.Format && a.SavedTime == b.SavedTime &&
           a.SaveQuality == b.SaveQuality && a.SaveTransparent == b.SaveTransparent &&
           a.SaveProgressive == b.SaveProgressive && a.ColorKeyed == b.ColorKeyed &&
           a.TransparentColor == b.TransparentColor && a.TransparentIndex == b.TransparentIndex &&
           a.Metadata.Source == b.Metadata.Source && a.Metadata.Orientation == b.Metadata.Orientation &&
           a.Metadata.PictureChanged == b.Metadata.PictureChanged && a.Metadata.Blocks == b.Metadata.Blocks;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetDefaultUseFMO(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    const std::span<const std::uint8_t> bytes(data, size - 1);
    try {
        const TRecoveredPicture picture = ParseRecoveryFile(bytes);
        const TDibImage& pixels = picture.Pixels;
        Check(pixels.Width() >= 1 && pixels.Height() >= 1);
        const std::size_t rowBytes = std::size_t(pixels.RowBytes());
        for (int y = 0; y < pixels.Height(); ++y) Touch(pixels.ScanLineRead(y), rowBytes);
        if (options & 1) {
            const TRecoveryRows rows = TRecoveryRows::Of(pixels);
            const TRecoveredPicture back = ParseRecoveryFile(SerializeRecoveryFile(picture.Info, rows));
            Check(SameInfo(back.Info, picture.Info));
            Check(back.Pixels.Width() == pixels.Width() && back.Pixels.Height() == pixels.Height() &&
                  back.Pixels.BitCount() == pixels.BitCount() && back.Pixels.ColorsUsed() == pixels.ColorsUsed());
            Check(std::memcmp(back.Pixels.ColorTable(), pixels.ColorTable(),
                              std::size_t(pixels.ColorsUsed()) * sizeof(TRGBQuad)) == 0);
            for (int y = 0; y < pixels.Height(); ++y)
                Check(std::memcmp(back.Pixels.ScanLineRead(y), pixels.ScanLineRead(y), rowBytes) == 0);
        }
    } catch (const zelvo::Exception&) {
        // Refused input: the expected outcome for most mutations.
    }
    return 0;
}
