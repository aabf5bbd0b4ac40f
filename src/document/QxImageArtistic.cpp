// The document's distortion and artistic effects.

#include <algorithm>
#include <cmath>

#include "document/QxImage.h"
#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Distort.h"
#include "effects/EffectChecks.h"

namespace zelvo {
namespace {

using effects::RequireRange;

// Scope arguments of BeginEdit.
constexpr bool kSelection = true;
constexpr bool kWhole = false;

}  // namespace

void TQxImage::Blur(int distance) {
    if (Empty() || Editing() || distance == 0) return;
    effects::kBlurDistance.Require(distance, "blur distance");
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/true, /*writeBack24Bit=*/false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Blur(*WorkImage(), {distance}, ProgressCallback());
}

void TQxImage::Button3D(int width, bool sunken, bool smooth, int strength) {
    if (Empty() || Editing()) return;
    effects::kButton3DWidth.Require(width, "frame width");
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Button3D(*WorkImage(), {width, sunken, smooth, strength}, ProgressCallback());
}

void TQxImage::Spray(int level) {
    if (Empty() || Editing()) return;
    effects::kSprayLevel.Require(level, "diffusion level");
    // Own format: the colour table and indices stay.
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
    if (!edit) return;
    effects::Spray(*WorkImage(), {level}, ProgressCallback());
}

void TQxImage::Noise(int level, bool color) {
    if (Empty() || Editing()) return;
    effects::kNoiseLevel.Require(level, "noise level");
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Noise(*WorkImage(), {level, color}, ProgressCallback());
}

void TQxImage::Wave(int periodX, int periodY, bool wrap, int amplitude) {
    if (Empty() || Editing() || periodX == 0 || periodY == 0) return;
    effects::kWavePeriodX.Require(periodX, "wave period");
    effects::kWavePeriodY.Require(periodY, "wave period");
    effects::kWaveAmplitude.Require(amplitude, "wave amplitude");
    TEditBracket edit(*this, kSelection, false, false);
    if (!edit) return;
    effects::Wave(*WorkImage(), {periodX, periodY, wrap, amplitude}, ProgressCallback());
}

void TQxImage::Block(int width, int height, bool offset, bool frame, bool fill) {
    if (Empty() || Editing() || width < 2 || height < 2) return;
    effects::kBlockWidth.Require(width, "block width");
    effects::kBlockHeight.Require(height, "block height");
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Block(*WorkImage(), {width, height, offset, frame, fill}, ProgressCallback());
}

void TQxImage::Mosaic(int size) {
    if (Empty() || Editing()) return;
    effects::kMosaicSize.Require(size, "mosaic size");
    Block(size, size, /*offset=*/false, /*frame=*/false, /*fill=*/true);
}

void TQxImage::FadeOut(int width) {
    if (Empty() || Editing() || width == 0) return;
    const TRect area = HasSelection() ? SelectionRect() : Rect(0, 0, Bitmap().Width(), Bitmap().Height());
    RequireRange(width, 2, std::max(1, std::min(area.Width(), area.Height()) / 2), "fade-out width");
    TEditBracket edit(*this, kSelection, true, true);
    if (!edit) return;
    MakeWork24Bit();
    effects::FadeOut(*WorkImage(), {width, Color}, ProgressCallback());
}

void TQxImage::GlassMosaic(int mode, int size) {
    if (Empty() || Editing()) return;
    RequireRange(mode, 0, 2, "glass mode");
    effects::kGlassMosaicSize.Require(size, "glass size");
    TEditBracket edit(*this, kSelection, false, false);
    if (!edit) return;
    effects::GlassMosaic(*WorkImage(), {mode, size}, ProgressCallback());
}

void TQxImage::Scetch() {
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Scetch(*WorkImage(), {}, ProgressCallback());
}

void TQxImage::OilPaint(int level) {
    if (Empty() || Editing()) return;
    effects::kOilPaintLevel.Require(level, "oil paint level");
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::OilPaint(*WorkImage(), {level}, ProgressCallback());
}

void TQxImage::Vortex(int angle) {
    if (Empty() || Editing() || angle == 0) return;
    effects::kVortexAngle.Require(angle, "vortex angle");
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Vortex(*WorkImage(), {angle}, ProgressCallback());
}

void TQxImage::Explode(int strength) {
    if (Empty() || Editing()) return;
    effects::kExplodeStrength.Require(std::abs(strength), "punch or pinch strength");
    TEditBracket edit(*this, kSelection, false, false);
    if (!edit) return;
    effects::Explode(*WorkImage(), {strength}, ProgressCallback());
}

void TQxImage::SpotLight(int centerX, int centerY, double fallOff, int size) {
    if (Empty() || Editing()) return;
    if (std::isnan(fallOff) || fallOff < 0 || fallOff > 10) return;
    effects::kSpotLightSize.Require(size, "spotlight size");
    RequireRange(centerX, 0, Bitmap().Width() - 1, "spotlight centre x");
    RequireRange(centerY, 0, Bitmap().Height() - 1, "spotlight centre y");
    // The whole picture, left at 24 bits.
    TEditBracket edit(*this, kWhole, /*restoreFormat=*/false, /*writeBack24Bit=*/false);
    if (!edit) return;
    MakeWork24Bit();
    effects::SpotLight(*WorkImage(), {centerX, centerY, fallOff, size}, ProgressCallback());
}

void TQxImage::Blind(int width, TColor color, int offsetY, int offsetX, bool horizontal) {
    if (Empty() || Editing() || width < 2) return;
    effects::kBlindWidth.Require(width, "blind width");
    RequireRange(offsetY, 0, 0x7FFFFFFF, "blind y offset");
    RequireRange(offsetX, 0, 0x7FFFFFFF, "blind x offset");
    // The picture stays 24-bit, also around a selection.
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/false, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Blind(*WorkImage(), {width, color, offsetY, offsetX, horizontal}, ProgressCallback());
}

}  // namespace zelvo
