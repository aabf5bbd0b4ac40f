// The document's histogram operations and queries.

#include "document/QxImage.h"
#include "effects/Histogram.h"
#include "image/ScopeExit.h"

namespace zelvo {

void TQxImage::Equalize() {
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Equalize(*WorkImage(), ProgressCallback());
}

void TQxImage::Normalize() {
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Normalize(*WorkImage(), ProgressCallback());
}

std::int64_t TQxImage::GetHistogram(std::array<std::uint32_t, 256>& brightness, std::array<std::uint32_t, 256>& red,
                                    std::array<std::uint32_t, 256>& blue, std::array<std::uint32_t, 256>& green) {
    brightness.fill(0);
    red.fill(0);
    blue.fill(0);
    green.fill(0);
    if (Empty() || Editing()) return -1;
    // The edit lock keeps every edit out while the picture is read; it is
    // released whatever happens.
    FEditing = true;
    effects::THistogram histogram;
    std::int64_t count = 0;
    {
        TScopeExit unlock([this] { FEditing = false; });
        count = effects::CountHistogram(Bitmap().Dib(), histogram);
    }
    brightness = histogram.Brightness;
    red = histogram.Red;
    blue = histogram.Blue;
    green = histogram.Green;
    return count;
}

std::int64_t TQxImage::GetColorCount() const {
    if (Empty()) return 0;
    return effects::CountColors(Bitmap().Dib());
}

}  // namespace zelvo
