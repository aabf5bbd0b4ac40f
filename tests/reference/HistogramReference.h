#pragma once
// Literal forms of the histogram operations and of the generated pictures:
// every pixel read through GetPixels, the rule evaluated as written (real
// arithmetic through ClampRound where the rule rounds), and the result
// stored through SetPixels. The table and integer forms in
// effects/Histogram and effects/Generated are compared with these bit for
// bit.

#include <cstdint>

#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::test {

/// Contrast stretch: the one-per-cent ends searched level by level, then
/// each channel mapped through the piecewise rule. Returns false when the
/// ends meet (nothing changed).
bool NormalizeLiteral(TDibImage& image);
/// Distinct colours, collected in an ordered set.
std::int64_t CountColorsLiteral(const TDibImage& image);
/// The ramp drawn line by line as a pen would: for each line k = 0..n the
/// pixels it passes (the end point excluded), in the colour of that line.
TDibImage GradationRampLiteral(TColor color1, TColor color2, int direction);
/// The ramp stretched with the nearest pixel and blended through
/// ClampRound(((100 - a) x work + a x ramp) / 100).
void GradationLiteral(TDibImage& image, TColor color1, TColor color2, int opacity, int direction);
/// The texture tiled with the offsets taken modulo its size, each channel
/// through ClampRound((c x 100 - (255 - g) x level) div 100).
void TextureLiteral(TDibImage& image, const TDibImage& texture, int level, int offsetY, int offsetX);

}  // namespace zelvo::test
