#pragma once
// Distortions: pixels moved to other places. Spray, wave, glass mosaic and
// punch/pinch work in the picture's own pixel format (1, 4, 8 or 24 bits;
// RLE data is first made uncompressed) and move whole pixel values, so a
// palette picture keeps its colour table and indices; the vortex works on
// the 24-bit work image.
//
// Rounding below is Round (halves to even). A source outside the picture
// leaves the pixel as it is unless stated.

#include <cstdint>

#include "effects/Parameter.h"
#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// Diffusion ("拡散") from a copy: for each pixel, rows from the top,
/// c = Random(Level), d = Random(2c), e = Random(2c), drawn in this order for
/// every pixel; the pixel takes the copy's value at (x + c - d, y + c - e)
/// when that lies inside. Level 1 changes nothing. Progress per row.
inline constexpr TParameter kSprayLevel{"level", 1, 255, 100};
struct SprayParams {
    int Level = kSprayLevel.Default;
};
void Spray(TDibImage& work, const SprayParams& params, const ProgressFn& progress = {});

/// Wave: columns from the left, rows from the top within a column; pixel
/// (x, y) takes the value at (Round(sin(y / PeriodY) x Amplitude + x),
/// Round(y + Amplitude x sin(x / PeriodX))) of the picture as it was. With
/// Wrap a source coordinate below 0 becomes size - ((-c) mod size) - 1 and
/// one at or beyond the size is taken modulo the size. A period of 0 changes
/// nothing. Progress after each column: (x + 1) x 100 div width.
inline constexpr TParameter kWavePeriodX{"periodX", 1, 100, 3, "pixels", true};
inline constexpr TParameter kWavePeriodY{"periodY", 1, 100, 3, "pixels", true};
inline constexpr TParameter kWaveAmplitude{"amplitude", 1, 100, 3, "pixels"};
struct WaveParams {
    int PeriodX = kWavePeriodX.Default;
    int PeriodY = kWavePeriodY.Default;
    bool Wrap = false;
    int Amplitude = kWaveAmplitude.Default;
};
void Wave(TDibImage& work, const WaveParams& params, const ProgressFn& progress = {});

/// Glass mosaic: bands of Size rows (horizontal pass) or columns (vertical
/// pass) are each turned upside down by exchanging rows d + k and
/// d + Size - k - 1 for k = 0..Size div 2; band starts d = 0, Size, ...
/// while d < side - Size, so a last band that would reach the edge stays.
/// Mode 0 runs the horizontal then the vertical pass, 1 only the
/// horizontal, 2 only the vertical. Progress per band: (d + Size + 1) x
/// 100 div side. A size below 2 changes nothing.
inline constexpr TParameter kGlassMosaicSize{"size", 3, 30, 8, "pixels"};
struct GlassMosaicParams {
    int Mode = 0;
    int Size = kGlassMosaicSize.Default;
};
void GlassMosaic(TDibImage& work, const GlassMosaicParams& params, const ProgressFn& progress = {});

/// Vortex: pixel (x, y) at
/// normalised distance r (0 < r < 1) from the centre ((W - 1) / 2,
/// (H - 1) / 2 in single precision) takes the pixel of the picture as it
/// was at its angle turned by Angle x (1 - r)^2 / 60 radians; the centre,
/// the corners and everything at r >= 1 keep their values. Angle 0 and a
/// picture under 2 x 2 change nothing. Progress: y x 100 div height.
inline constexpr TParameter kVortexAngle{"angle", -540, 540, 0};
struct VortexParams {
    int Angle = kVortexAngle.Default;
};
void Vortex(TDibImage& work, const VortexParams& params, const ProgressFn& progress = {});

/// Punch (Strength -100..-1) and pinch (1..100): f = Strength / 10, then
/// divided by 10 again when not negative; with the aspect k (W / H or
/// H / W, whichever is above 1), a pixel with ox = x - W/2,
/// oy = k (y - H/2) and t = ox^2 + oy^2 < (W/2)^2 takes the pixel of the
/// picture as it was at (Round(W/2 + u ox), Round(H/2 + u oy / k)) with
/// u = sin(sqrt(t) (pi/2) / (W/2))^-f (1 at the centre). Pixels outside the
/// central circle, and those whose source lies outside the picture, keep
/// their values. Progress per row. Strength 0 changes nothing.
/// The strength the dialogs offer, punch and pinch alike; the sign says
/// which.
inline constexpr TParameter kExplodeStrength{"strength", 1, 100, 50};
struct ExplodeParams {
    int Strength = kExplodeStrength.Default;
};
void Explode(TDibImage& work, const ExplodeParams& params, const ProgressFn& progress = {});

}  // namespace zelvo::effects
