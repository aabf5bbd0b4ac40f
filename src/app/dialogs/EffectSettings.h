#pragma once
// The main window's remembered effect parameters: section "Effects" of the
// settings file. The effect dialogs are preset from these values and store
// them back when confirmed; the main window reads them at start and writes
// them when it closes.

#include <cstdint>
#include <string>

#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Composition.h"
#include "effects/Convolution.h"
#include "effects/Distort.h"
#include "effects/RankFilter.h"
#include "effects/Tone.h"
#include "image/Types.h"

namespace zelvo {

class TIniFile;
class TEditorContext;

/// Every key of section "Effects" with its default: an effect's parameter
/// starts from its declared default. Byte keys wrap above 255 on reading,
/// as the fields they fill are bytes; a value outside the range its dialog
/// offers is pulled to the nearer end of that range.
struct TEffectSettings {
    std::uint8_t BlurLevel = effects::kBlurDistance.Default;
    std::uint8_t NoiseLevel = effects::kNoiseLevel.Default;
    bool NoiseColor = false;
    std::uint8_t SprayLevel = effects::kSprayLevel.Default;
    std::uint8_t ButtonFrame = effects::kButton3DWidth.Default;
    bool ButtonLowered = false;
    bool ButtonSmooth = false;
    std::uint8_t WaveLevel = effects::kWaveAmplitude.Default;
    std::uint8_t MosaicSize = effects::kMosaicSize.Default;
    bool ApplyResample = false;
    std::uint8_t ResampleIndex = 6;
    std::uint8_t MergeType = 0;
    std::uint8_t MergeAlphaChannel = effects::kMergeTransparency.Default;
    std::uint8_t BlockWidth = effects::kBlockWidth.Default;
    std::uint8_t BlockHeight = effects::kBlockHeight.Default;
    bool BlockFillRect = true;
    bool BlockFrame = true;
    bool BlockShift = true;
    std::uint8_t GaussianBlurLevel = effects::kGaussianBlurPasses.Default;
    std::uint8_t PosterizeLevel = effects::kPosterizeLevels.Default;
    std::uint8_t SolarizationLevel = effects::kSolarizationThreshold.Default;
    std::uint8_t EmbossLevel = effects::kEmbossLevel.Default;
    bool EmbossColor = false;
    bool EmbossRev = false;
    std::uint8_t SharpLevel = effects::kSharpenLevel.Default;
    int FadeOutLevel = effects::kFadeOutWidth.Default;
    std::uint8_t HighPassLevel = effects::kHighPassLevel.Default;
    std::uint8_t EdgeDetectionLevel = effects::kEdgeDetectionLevel.Default;
    int NoiseReduction = effects::kNoiseReductionLevel.Default;
    TColor SingleColorScale = clBlue;
    int GlassSize = effects::kGlassMosaicSize.Default;
    bool YokoGlass = true;
    bool TateGlass = true;
    int OilPaintLevel = effects::kOilPaintLevel.Default;
    int ImplodeLevel = effects::kExplodeStrength.Default;
    int ExplodeLevel = effects::kExplodeStrength.Default;
    int SpotLightSize = effects::kSpotLightSize.Default;
    int SpotLightDecLevel = effects::kSpotLightDecay.Default;
    int BlindWidth = effects::kBlindWidth.Default;
    bool BlindHorz = true;
    TColor BlindColor = clBlack;

    friend bool operator==(const TEffectSettings&, const TEffectSettings&) = default;
};

/// The remembered values of `form` (made with the defaults with the window,
/// read from the settings at start).
TEffectSettings& EffectSettings(TEditorContext& form);

/// Reads every key of section "Effects" (missing or malformed keys give the
/// defaults, values beyond their dialog's range its nearer end). "CustomFilter" belongs to the custom-filter dialog.
void ReadEffectSettings(TEffectSettings& settings, const TIniFile& ini);
/// Writes every key of section "Effects".
void WriteEffectSettings(const TEffectSettings& settings, TIniFile& ini);

/// The pair the main window's settings table calls.
void ReadEffectsSection(TEditorContext& form, const TIniFile& ini);
void WriteEffectsSection(TEditorContext& form, TIniFile& ini);

}  // namespace zelvo
