#include "document/QxImage.h"
#include "effects/Histogram.h"

namespace zelvo {

void TQxImage::Equalize() {
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Equalize(*WorkImage(), ProgressCallback());
}

}  // namespace zelvo
