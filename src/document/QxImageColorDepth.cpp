#include "document/QxImage.h"

namespace zelvo {

void TQxImage::ColorDepth(TColorDepth depth) {
    if (depth == TColorDepth::Bits1) {
        // Mean >= 128 exactly when R + G + B >= 384: the two-level result is
        // then stored as 1 bit (white becomes index 1).
        Monochrome(128, /*markAs1Bit=*/true, /*reportProgress=*/false);
        return;
    }
    TDibPixelFormat format = dibPf24Bit;
    switch (depth) {
        case TColorDepth::Bits4: format = dibPf4Bit; break;
        case TColorDepth::Bits8: format = dibPf8Bit; break;
        case TColorDepth::HalftoneBW: format = dibPfHalftoneBW; break;
        default: break;
    }
    // The picture keeps the new depth: nothing is converted back on close.
    TEditBracket edit(*this, /*selectionOnly=*/false, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
    if (!edit) return;
    WorkImage()->ConvertMode = 1;
    WorkImage()->SetPixelFormat(format);
}

}  // namespace zelvo
