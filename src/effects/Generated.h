#pragma once
// Pictures made from parameters rather than from the image: a blank
// canvas, a two-colour gradation laid over the work image, and a tiled
// texture that darkens it.

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::effects {

/// The sides the new-picture dialog offers.
inline constexpr TParameter kNewImageWidth{"width", 1, 9999, 100, "pixels"};
inline constexpr TParameter kNewImageHeight{"height", 1, 9999, 100, "pixels"};

/// A new picture of width x height, every pixel `color` (system colours
/// resolved), of `bitCount` 24, 8, 4 or 1 bits (a palette picture is
/// reduced from the 24-bit fill with the "High" reduction). Throws
/// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters",
/// before allocating, for another bit count, a side below 1 or a picture
/// above the pixel limit.
TDibImage NewImage(int width, int height, int bitCount, TColor color);

/// Gradation directions 1..8 (start corner to end corner).
inline constexpr int kGradationLeftToRight = 1;
inline constexpr int kGradationRightToLeft = 2;
inline constexpr int kGradationTopToBottom = 3;
inline constexpr int kGradationBottomToTop = 4;
inline constexpr int kGradationTopLeftToBottomRight = 5;
inline constexpr int kGradationBottomRightToTopLeft = 6;
inline constexpr int kGradationBottomLeftToTopRight = 7;
inline constexpr int kGradationTopRightToBottomLeft = 8;

/// The 256 x 256 ramp of a gradation in `direction` 1..8. For odd
/// directions the start colour is `color1` and the end colour `color2`; even
/// directions exchange them. The ramp is drawn as lines k = 0..n (n = 256
/// for directions 1..4, 512 for 5..8): vertical lines x = k (1, 2),
/// horizontal lines y = k (3, 4), diagonals x + y = k (5, 6) and
/// y - x = 256 - k (7, 8). Line 0 and line 1 take the start colour, line
/// k > 1 start + (k - 1) x (end - start) div n per channel (truncated toward
/// zero), so the last line falls just short of the end colour. Throws
/// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters"
/// for a direction outside 1..8.
TDibImage GradationRamp(TColor color1, TColor color2, int direction);

inline constexpr TParameter kGradationOpacity{"opacity", 1, 100, 50, "per cent"};
/// Parameters of Gradation.
struct GradationParams {
    TColor Color1 = clNavy;
    TColor Color2 = clBlack;
    int Opacity = kGradationOpacity.Default;
    int Direction = kGradationLeftToRight;  ///< 1..8
};

/// Lays the gradation over the 24-bit `work`, in place: the ramp of
/// GradationRamp is stretched to the picture with the nearest pixel
/// (column x takes ramp column x x 256 div width, likewise rows). With
/// opacity 100 the picture becomes the ramp (no progress); otherwise each
/// channel becomes ((100 - opacity) x work + opacity x ramp) / 100 rounded
/// to the nearest, halves to even, with progress (row + 1) x 100 div height.
/// Throws EDibImageBadDIBType "Gradation: Invalid Bitcount" unless `work`
/// is uncompressed 24-bit, and EDibImageInvalidDIBPara for a direction
/// outside 1..8 or an opacity outside 1..100.
void Gradation(TDibImage& work, const GradationParams& params, const ProgressFn& progress);

/// The texture's strength.
inline constexpr TParameter kTextureLevel{"level", 1, 100, 50, "per cent"};
/// Parameters of Texture.
struct TextureParams {
    int Level = kTextureLevel.Default;
    int OffsetY = 0;  ///< texture row laid on the first picture row, taken modulo the texture height
    int OffsetX = 0;  ///< texture column laid on the first picture column, modulo the texture width
};

/// Darkens the 24-bit `work` in place by `texture` (any depth) tiled from
/// the offsets: with g the brightness (R + G + B) div 3 of the texture
/// pixel and k = (255 - g) x level, each channel c becomes
/// (c x 100 - k) div 100 (truncated toward zero), limited to 0..255. White
/// texture pixels leave the picture as it was; black ones at level 100 make
/// it black. Progress after each row: row x 100 div height (row from 0).
/// Throws EDibImageBadDIBType "Texture: Invalid Bitcount" unless `work` is
/// uncompressed 24-bit, and EDibImageInvalidDIBPara for a level outside
/// 1..100.
void Texture(TDibImage& work, const TDibImage& texture, const TextureParams& params, const ProgressFn& progress);

}  // namespace zelvo::effects
