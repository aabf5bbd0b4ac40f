// Placeholder bodies for the BMP codec and the depth conversions while they
// are being written; removed as each lands.
#include "image/DibImage.h"

namespace zelvo {

void TDibImage::LoadFromStream(TStream&) { throw EAssertionFailed("BMP reading is not built yet"); }
void TDibImage::SaveToStream(TStream&) const { throw EAssertionFailed("BMP writing is not built yet"); }
void TDibImage::LoadFromClipboardFormat(std::uint16_t, std::span<const std::uint8_t>, const HPALETTE&) {
    throw EAssertionFailed("packed DIB reading is not built yet");
}
std::vector<std::uint8_t> TDibImage::SaveToClipboardFormat(std::uint16_t&, HPALETTE&) const {
    throw EAssertionFailed("packed DIB writing is not built yet");
}
}  // namespace zelvo
