#pragma once
// Literal forms of the tone and colour mappings: every pixel read through
// GetPixels, the formula evaluated as written in extended precision, and the
// result stored through SetPixels. The fast forms in effects/Tone are
// compared with these bit for bit.

#include <cstdint>

#include "image/DibImage.h"

namespace zelvo::test {

void GrayscaleLiteral(TDibImage& image);
void SepiaLiteral(TDibImage& image);
void SingleColorScaleLiteral(TDibImage& image, TColor color);
void BrightnessLiteral(TDibImage& image, int delta);
void ContrastLiteral(TDibImage& image, int level);
void AdjustRGBLiteral(TDibImage& image, int red, int green, int blue);
void PosterizeLiteral(TDibImage& image, int levels);
void SolarizationLiteral(TDibImage& image, int threshold);
void GammaLiteral(TDibImage& image, double gamma);
void AdjustHSVLiteral(TDibImage& image, int dh, int ds, int dv);
void MonochromeLiteral(TDibImage& image, int threshold);
void SwapRGBLiteral(TDibImage& image);
void XORConvertLiteral(TDibImage& image);
void NegativeLiteral(TDibImage& image);

/// Hue (0..360), saturation and value (0..100) of a colour, step by step.
struct LiteralHSV {
    int H, S, V;
};
LiteralHSV RGBToHSVLiteral(int red, int green, int blue);
/// The colour (00BBGGRR) of a limited HSV triple, step by step.
TColor HSVToRGBLiteral(int hue, int saturation, int value);

}  // namespace zelvo::test
