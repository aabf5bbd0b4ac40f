#pragma once
// Tone and colour mappings: operations in which each output pixel depends
// only on the same input pixel.
//
// Every operation except Negative works in place on the 24-bit work image of
// the edit bracket, row by row from the top, each pixel read and
// overwritten. R, G and B below are the red, green and blue bytes (0..255);
// Avg is (R + G + B) div 3. Values that are rounded go through ClampRound
// (limit to 0..255, halves to even) unless the operation says otherwise.
//
// Progress: after each row the callback, when assigned, gets
// (row + 1) x 100 div height; Gamma reports nothing, Monochrome only when
// asked to.
//
// A work image that is not an uncompressed 24-bit picture is refused with
// EDibImageBadDIBType "<operation>: Invalid Bitcount" before any pixel is
// written. Parameters are never refused: every value of the parameter's type
// behaves as described at the operation.

#include <cstdint>

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo::effects {

/// Negative: every colour inverted (each component c becomes 255 - c).
struct NegativeParams {};
/// Inverts every colour of `image` in its own pixel format: a 24-bit picture
/// has each component inverted (with progress per row); a palette picture,
/// RLE-coded or not, keeps its indices and size and has its colour table
/// inverted. Any pixel format is accepted.
void Negative(TDibImage& image, const NegativeParams& params = {}, const ProgressFn& progress = {});

/// Grayscale: Y = (R x 30 + G x 59 + B x 11) div 100; R = G = B = Y.
struct GrayscaleParams {};
void Grayscale(TDibImage& work, const GrayscaleParams& params = {}, const ProgressFn& progress = {});

/// Sepia: each pixel becomes entry Avg of a table with red(i) =
/// Trunc(255 x (i/255)^0.75 + 0.5), green(i) = i and blue(i) =
/// Trunc(255 x (i/255)^(4/3) + 0.5).
struct SepiaParams {};
void Sepia(TDibImage& work, const SepiaParams& params = {}, const ProgressFn& progress = {});
/// The sepia table entry for average brightness `index` (0..255) as an RGB
/// colour (red in the low byte).
TColor SepiaColor(std::uint8_t index);

/// Single-colour scale: the colour is resolved to RGB (system colours
/// through the desktop theme); each component becomes (C x Avg) shr 8, so
/// full white with a component of 255 gives 254.
struct SingleColorScaleParams {
    TColor Color = clBlue;
};
void SingleColorScale(TDibImage& work, const SingleColorScaleParams& params, const ProgressFn& progress = {});

/// Brightness: each component c becomes ClampRound(c + Delta).
inline constexpr TParameter kBrightnessDelta{"delta", -255, 255, 0};
struct BrightnessParams {
    std::int16_t Delta = kBrightnessDelta.Default;
};
void Brightness(TDibImage& work, const BrightnessParams& params, const ProgressFn& progress = {});

/// Contrast: each component c becomes ClampRound(c + (c - 128) x Level / 100):
/// -100 maps everything to 128, 0 changes nothing, +100 doubles the distance
/// from 128.
inline constexpr TParameter kContrastLevel{"level", -100, 100, 0};
struct ContrastParams {
    std::int8_t Level = kContrastLevel.Default;
};
void Contrast(TDibImage& work, const ContrastParams& params, const ProgressFn& progress = {});

/// RGB levels: R = ClampRound(R + Red), G = ClampRound(G + Green),
/// B = ClampRound(B + Blue).
inline constexpr TParameter kAdjustRed{"red", -255, 255, 0};
inline constexpr TParameter kAdjustGreen{"green", -255, 255, 0};
inline constexpr TParameter kAdjustBlue{"blue", -255, 255, 0};
struct AdjustRGBParams {
    std::int16_t Red = kAdjustRed.Default;
    std::int16_t Green = kAdjustGreen.Default;
    std::int16_t Blue = kAdjustBlue.Default;
};
void AdjustRGB(TDibImage& work, const AdjustRGBParams& params, const ProgressFn& progress = {});

/// Posterize: with step = 255 / (Levels - 1) each component c becomes
/// ClampRound(Trunc(Trunc(c / step + 0.5) x step)); 4 levels give 0, 85,
/// 170, 255. Levels below 2 change nothing.
inline constexpr TParameter kPosterizeLevels{"levels", 2, 16, 4};
struct PosterizeParams {
    std::uint8_t Levels = kPosterizeLevels.Default;
};
void Posterize(TDibImage& work, const PosterizeParams& params, const ProgressFn& progress = {});

/// Solarization: each component c >= Threshold becomes 255 - c, the others
/// stay; each component is tested on its own. Threshold 0 inverts
/// everything; 255 changes nothing.
inline constexpr TParameter kSolarizationThreshold{"threshold", 0, 255, 128};
struct SolarizationParams {
    std::uint8_t Threshold = kSolarizationThreshold.Default;
};
void Solarization(TDibImage& work, const SolarizationParams& params, const ProgressFn& progress = {});

/// Gamma: each component c becomes Trunc(255 x (c/255)^(1/Gamma) + 0.5).
/// Gamma 1.0, gamma below 0.01 or above 6.99 (and NaN) change nothing.
/// Reports no progress.
inline constexpr TRealParameter kGamma{"gamma", 0.10, 5.00, 1.00, 2};
struct GammaParams {
    double Gamma = kGamma.Default;
};
void Gamma(TDibImage& work, const GammaParams& params, const ProgressFn& progress = {});
/// Whether Gamma changes pixels for `gamma`: 0.01 <= gamma <= 6.99 and not 1.
bool GammaInRange(double gamma);

/// HSV adjustment: each pixel is converted to hue 0..360 (integer degrees),
/// saturation and value 0..100 (integer per cent), shifted by the deltas,
/// limited (hue to 0..360, not wrapped; saturation and value to 0..100) and
/// converted back. Computed in extended precision.
inline constexpr TParameter kAdjustHue{"hue", -180, 180, 0, "degrees"};
inline constexpr TParameter kAdjustSaturation{"saturation", -100, 100, 0, "per cent"};
inline constexpr TParameter kAdjustValue{"value", -100, 100, 0, "per cent"};
struct AdjustHSVParams {
    std::int16_t Hue = kAdjustHue.Default;
    std::int8_t Saturation = kAdjustSaturation.Default;
    std::int8_t Value = kAdjustValue.Default;
};
void AdjustHSV(TDibImage& work, const AdjustHSVParams& params, const ProgressFn& progress = {});

/// An HSV triple: hue 0..360 (360 is the same as 0), saturation and value
/// 0..100.
struct THSV {
    int H = 0;
    int S = 0;
    int V = 0;
    friend bool operator==(const THSV&, const THSV&) = default;
};
/// The HSV triple of an RGB colour (red in the low byte), as AdjustHSV
/// computes it.
THSV RGBToHSV(TColor color);
/// The RGB colour of an HSV triple as AdjustHSV computes it; hue 360 is
/// taken as 0. Values outside the ranges are limited first.
TColor HSVToRGB(THSV hsv);

/// Two-level: each pixel becomes white if Avg >= Threshold, else black.
/// MarkAs1Bit is for the document: it makes the edit bracket store the
/// result as a 1-bit picture; the pixel operation itself ignores it.
/// Progress is reported only when ReportProgress is set.
inline constexpr TParameter kMonochromeThreshold{"threshold", 1, 255, 128};
struct MonochromeParams {
    int Threshold = kMonochromeThreshold.Default;
    bool MarkAs1Bit = false;
    bool ReportProgress = true;
};
void Monochrome(TDibImage& work, const MonochromeParams& params, const ProgressFn& progress = {});

/// RGB swap: new R = old G, new G = old B, new B = old R.
struct SwapRGBParams {};
void SwapRGB(TDibImage& work, const SwapRGBParams& params = {}, const ProgressFn& progress = {});

/// XOR conversion: each component c becomes (c + 128) mod 256 (the top bit
/// flipped), so applying it twice restores the picture.
struct XORConvertParams {};
void XORConvert(TDibImage& work, const XORConvertParams& params = {}, const ProgressFn& progress = {});

}  // namespace zelvo::effects
