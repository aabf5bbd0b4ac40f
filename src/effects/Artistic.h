#pragma once
// Artistic effects on the 24-bit work image: 3-D frame, fade-out, noise,
// block and mosaic, pencil sketch, oil paint, spotlight and blind.
//
// Mitred frame layout (3-D frame and fade-out), frame width n on a W x H
// picture: rows y < n are top rows, split into a left part x < y, a top
// band and a right part x >= W - y; the other rows y >= H - n are bottom
// rows, split with r = H - y into a left part x < r, a bottom band and a
// right part x >= W - r; all other rows have a left strip x < n and a right
// strip x >= W - n. Where a frame wider than half the picture makes parts
// overlap, each pixel is processed once, by the first of left part or strip,
// band, right part or strip.
//
// A work image that is not an uncompressed 24-bit picture is refused with
// EDibImageBadDIBType "<operation>: Invalid Bitcount" before any pixel is
// written. Progress is (row + 1) x 100 div height after each row unless
// stated.

#include <cstdint>

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::effects {

/// 3-D frame of Width pixels. Strength is limited to 1..5; base = 32 x
/// Strength; deltas left = base, top = Round(1.3 base), right = -63 and
/// bottom = Round(1.3 x -63), or with Smooth right = -105 and bottom =
/// Round(1.3 x -105); Sunken exchanges left with right and top with bottom.
/// Each channel becomes ClampRound(channel + delta) for the part's delta;
/// with Smooth the delta at distance d from the outer edge is
/// delta - (d x delta) div Width. Width 0 changes nothing.
inline constexpr TParameter kButton3DWidth{"width", 1, 50, 6, "pixels"};
struct Button3DParams {
    int Width = kButton3DWidth.Default;
    bool Sunken = false;
    bool Smooth = false;
    int Strength = 2;
};
void Button3D(TDibImage& work, const Button3DParams& params, const ProgressFn& progress = {});
/// The four deltas of the 3-D frame (left, top, right, bottom) as Button3D
/// uses them for its outermost pixels.
struct TFrameDeltas {
    int Left, Top, Right, Bottom;
};
TFrameDeltas Button3DDeltas(const Button3DParams& params);

/// Fade-out of Width pixels towards Background: with the distance d (x in
/// left parts and strips, y in the top band, W - x in right parts and
/// strips, H - y in the bottom band) the weight w = Trunc(100 / Width x d)
/// limited to 100, and each channel becomes ClampRound((w x channel +
/// (100 - w) x background) div 100). Width 0 changes nothing.
/// The widths the settings keep: the dialog's upper end is half the shorter
/// side of the selection, so at most half the side of the largest square
/// picture.
inline constexpr TParameter kFadeOutWidth{"width", 2, 8192, 10, "pixels"};
struct FadeOutParams {
    int Width = kFadeOutWidth.Default;
    TColor Background = clGray;
};
void FadeOut(TDibImage& work, const FadeOutParams& params, const ProgressFn& progress = {});

/// Noise of Level: h = Level div 2; with Color each channel (red, green,
/// blue in this order) gets its own Random(Level) - h, otherwise one value
/// per pixel is added to all three; each through ClampRound. Level 1
/// changes nothing.
inline constexpr TParameter kNoiseLevel{"level", 1, 255, 100};
struct NoiseParams {
    int Level = kNoiseLevel.Default;
    bool Color = false;
};
void Noise(TDibImage& work, const NoiseParams& params, const ProgressFn& progress = {});

/// Blocks of Width x Height: H div Height rows of W div Width blocks from
/// x = 0; with Offset the odd block rows hold one block more, the first
/// Width div 2 wide and the last Width - Width div 2, so rows are staggered
/// by half a block. Pixels right of the last whole block and below the last
/// block row stay. With Fill every channel of a block becomes
/// ClampRound(sum / count); then, with Frame or without Fill, the block's
/// last row and last column get -30, otherwise its first row and first
/// column +30 (each pixel once, through ClampRound). Mosaic is (size, size,
/// no offset, no frame, fill). A side below 2 changes nothing. Progress
/// after each block row: (row + 1) x 100 div (H div Height).
inline constexpr TParameter kBlockWidth{"width", 2, 50, 16, "pixels"};
inline constexpr TParameter kBlockHeight{"height", 2, 50, 8, "pixels"};
/// The side of a mosaic's square cells.
inline constexpr TParameter kMosaicSize{"size", 2, 50, 8, "pixels"};
struct BlockParams {
    int Width = kBlockWidth.Default;
    int Height = kBlockHeight.Default;
    bool Offset = true;
    bool Frame = true;
    bool Fill = true;
};
void Block(TDibImage& work, const BlockParams& params, const ProgressFn& progress = {});

/// Pencil sketch: first, from a copy, each pixel becomes grey
/// ClampRound(255 - 3 |Avg(x + 1, y + 1) - Avg(x - 1, y - 1)|) (neighbours
/// limited to the picture); then an in-place diffusion with c = Random(3),
/// d = Random(2c), e = Random(2c) per pixel, the pixel taking the current
/// value at (x + c - d, y + c - e) when inside. Progress 0..50 over the
/// first pass, 50..100 over the second.
struct ScetchParams {};
void Scetch(TDibImage& work, const ScetchParams& params = {}, const ProgressFn& progress = {});

/// Oil paint of Level passes: pass i runs the in-place diffusion with
/// c = Random(2i + 2), then the middle rank (5th of 9) in place over the
/// inner pixels. Progress: a counter of rows over both steps of all passes,
/// (counter + 1) x 100 div (2 x Level x H).
inline constexpr TParameter kOilPaintLevel{"level", 1, 5, 3};
struct OilPaintParams {
    int Level = kOilPaintLevel.Default;
};
void OilPaint(TDibImage& work, const OilPaintParams& params, const ProgressFn& progress = {});

/// Spotlight around (CenterX, CenterY) with fall-off exponent FallOff and
/// Size per cent of the longer side: R = Trunc(Size x max(W, H) / 100 +
/// 0.5); a pixel at h = distance / R >= 1 becomes black, the others lose
/// (h^FallOff)^2 x 255 on each channel (ClampRound). A fall-off below 0 or
/// above 10, or R <= 0, changes nothing.
inline constexpr TParameter kSpotLightSize{"size", 1, 100, 30, "per cent"};
/// The fall-off as the dialog offers it, in tenths of 0.1..9.9; the
/// operation takes FallOff = 10 - decay / 10.
inline constexpr TParameter kSpotLightDecay{"decay", 1, 99, 50, "tenths"};
struct SpotLightParams {
    int CenterX = 0;
    int CenterY = 0;
    double FallOff = 5;
    int Size = kSpotLightSize.Default;
};
void SpotLight(TDibImage& work, const SpotLightParams& params, const ProgressFn& progress = {});

/// Blind stripes of Width towards Color: horizontal, row y gets w =
/// ClampRound(255 / Width x ((OffsetY + y) mod Width)) and each channel
/// becomes ClampRound(((255 - w) x channel + w x K) / 255) with K the
/// colour's channel; vertical, the same per column with OffsetX. Width 2
/// alternates unchanged rows with half-and-half rows (w = 128). A width
/// below 2 changes nothing; negative offsets are refused with
/// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters".
/// Progress per row or per column.
inline constexpr TParameter kBlindWidth{"width", 2, 100, 50, "pixels"};
struct BlindParams {
    int Width = kBlindWidth.Default;
    TColor Color = clBlack;
    int OffsetY = 0;
    int OffsetX = 0;
    bool Horizontal = true;
};
void Blind(TDibImage& work, const BlindParams& params, const ProgressFn& progress = {});

}  // namespace zelvo::effects
