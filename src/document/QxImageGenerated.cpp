// The document's generated pictures: a new canvas, gradation and texture.

#include <algorithm>

#include "document/QxImage.h"
#include "effects/EffectChecks.h"
#include "effects/Generated.h"

namespace zelvo {

void TQxImage::NewImage(int width, int height, int bitCount, TColor color) {
    if (Editing()) return;
    // Made in full before the document is touched: a refusal or a failed
    // allocation leaves the open picture and its history as they were.
    const TDibImage picture = effects::NewImage(width, height, bitCount, color);
    FBitmap->Assign(picture);
    FMetadata = TPictureMetadata{};
    ClearUndo();
    ClearSelection();
    SetScrollPos(TPoint{});
    SetModified(true);
    UpdateView();
    Invalidate();
}

void TQxImage::Gradation(TColor color1, TColor color2, int opacity, int direction) {
    // Direction 0 has no ramp: it does nothing, as any direction outside 1..8.
    if (direction < 1 || direction > 8 || opacity <= 0) return;
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/false, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::GradationParams params;
    params.Color1 = color1;
    params.Color2 = color2;
    params.Opacity = std::min(opacity, 100);
    params.Direction = direction;
    effects::Gradation(*WorkImage(), params, ProgressCallback());
}

void TQxImage::Texture(const TBitmap& texture, int level, int offsetY, int offsetX) {
    if (texture.Empty() || Empty() || Editing()) return;
    effects::kTextureLevel.Require(level, "texture level");
    const TDibImage texturePixels = texture.ToDibImage();
    TEditBracket edit(*this, /*selectionOnly=*/true, /*restoreFormat=*/false, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::TextureParams params;
    params.Level = level;
    params.OffsetY = offsetY;
    params.OffsetX = offsetX;
    effects::Texture(*WorkImage(), texturePixels, params, ProgressCallback());
}

}  // namespace zelvo
