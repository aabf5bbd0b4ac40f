#pragma once
// The text tool's block drawn into a picture: a box of background colour
// with a frame, the text's glyphs from a mask, an optional smoothing pass
// over the glyph edges and an opacity blend with the picture beneath.

#include <cstdint>

#include "effects/Parameter.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::effects {

/// The text dialog's size of the letters, its frame, the space between the
/// frame and the text, and the opacity of the block.
inline constexpr TParameter kTextFontSize{"fontSize", 4, 300, 10, "points"};
inline constexpr TParameter kTextFrameWidth{"frameWidth", 0, 99, 1, "pixels"};
inline constexpr TParameter kTextPadding{"padding", 0, 99, 3, "pixels"};
inline constexpr TParameter kTextOpacity{"opacity", 1, 100, 100, "per cent"};

/// How DrawTextBlock draws. The box is the mask grown by FrameWidth +
/// Padding on every side; its top-left corner is (Left, Top) in the work
/// image, which may lie outside the picture (the box is then cut off).
struct TextBlockParams {
    int Left = 0;
    int Top = 0;
    TColor TextColor = clBlack;
    TColor BackColor = clWhite;
    bool Transparent = false;     ///< no background fill (the frame is still drawn)
    int FrameWidth = kTextFrameWidth.Default;  ///< 0..99 pixels
    TColor FrameColor = clBlack;
    int Padding = kTextPadding.Default;        ///< 0..99 pixels between the frame and the text
    int Opacity = kTextOpacity.Default;        ///< 0..100 per cent of the block over the picture
    bool AntiAlias = false;       ///< smooth the glyph edges
};

/// Width (height) of the box around a mask side of `maskSide` pixels:
/// maskSide + 2 x (frameWidth + padding).
inline std::int64_t TextBoxSide(std::int64_t maskSide, int frameWidth, int padding) {
    return maskSide + 2 * (std::int64_t(frameWidth) + padding);
}

/// Draws the text block into the 24-bit `work`, in place. `mask` (any
/// depth) holds the text: its black pixels (RGB 0) are ink, everything else
/// paper; it lands FrameWidth + Padding pixels inside the box.
///  1. Unless Transparent, the box is filled with BackColor; a FrameWidth
///     above 0 draws a band of that width along the box's edge in
///     FrameColor.
///  2. Every ink pixel becomes TextColor.
///  3. With AntiAlias, box rows and columns from 1 on are visited, stopping
///     at the first whose picture row (column) lies outside 1..height - 2
///     (1..width - 2) or whose box row (column) is the box's last: a pixel
///     whose left and right neighbours in the box differ in ink and whose
///     upper and lower neighbours differ in ink, with at least two of the
///     five (left, up, itself, down, right) ink, becomes the channel-wise
///     (sum div 5) of itself and its four neighbours as the picture holds
///     them at that moment (pixels visited earlier already smoothed). A box
///     whose top (left) edge lies above (left of) row (column) 0 is
///     therefore not smoothed.
///  4. With Opacity below 100 every pixel of the box becomes
///     (Opacity x drawn + (100 - Opacity) x before) div 100 per channel.
/// Pixels outside the box are never touched. Throws EDibImageBadDIBType
/// "DrawTextBlock: Invalid Bitcount" unless `work` is an uncompressed
/// 24-bit picture, and EDibImageInvalidDIBPara "TDibImageData.CreateDIB:
/// Invalid Parameters" for a frame width or padding outside 0..99 or an
/// opacity outside 0..100, before any pixel is written.
void DrawTextBlock(TDibImage& work, const TDibImage& mask, const TextBlockParams& params);

/// The part of `picture` (uncompressed, any depth) under the box as a new
/// 24-bit picture with the block drawn on it exactly as DrawTextBlock draws
/// it on the whole picture (the smoothing stops at the picture's edges, not
/// at the part's). `area` receives the part: the box clipped to the
/// picture. False, with nothing made, when the box misses the picture.
/// Throws as DrawTextBlock.
bool TextBlockPreview(const TDibImage& picture, const TDibImage& mask, const TextBlockParams& params,
                      TDibImage& preview, TRect& area);

}  // namespace zelvo::effects
