#include "app/dialogs/EffectSettings.h"

#include <algorithm>
#include <type_traits>

#include "app/common/EditorContext.h"
#include "effects/Resample.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {
namespace {

constexpr const char* kEffects = "Effects";

// A key of an effect parameter: its value kept inside the range the dialog
// offers. A hand-edited value outside is pulled to the nearer end, as the
// dialog would show it; a malformed one reads as the default.
template <class T>
auto LevelKey(const char* key, T& value, int lo, int hi) {
    if constexpr (std::is_same_v<std::remove_const_t<T>, std::uint8_t>)
        return ByteKey(key, value, lo, hi, TOutOfRange::Nearer);
    else
        return IntKey(key, value, lo, hi, TOutOfRange::Nearer);
}
template <class T>
auto LevelKey(const char* key, T& value, const effects::TParameter& parameter) {
    return LevelKey(key, value, parameter.Min, parameter.Max);
}

// One table drives both directions, so a key cannot be read under one name
// and written under another.
template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(LevelKey("BlurLevel", s.BlurLevel, effects::kBlurDistance));
    visit(LevelKey("NoiseLevel", s.NoiseLevel, effects::kNoiseLevel));
    visit(BoolKey("NoiseColor", s.NoiseColor));
    visit(LevelKey("SprayLevel", s.SprayLevel, effects::kSprayLevel));
    visit(LevelKey("ButtonFrame", s.ButtonFrame, effects::kButton3DWidth));
    visit(BoolKey("ButtonLowered", s.ButtonLowered));
    visit(BoolKey("ButtonSmooth", s.ButtonSmooth));
    visit(LevelKey("WaveLevel", s.WaveLevel, effects::kWaveAmplitude));
    visit(LevelKey("MosaicSize", s.MosaicSize, effects::kMosaicSize));
    visit(BoolKey("ApplyResample", s.ApplyResample));
    visit(LevelKey("ResampleIndex", s.ResampleIndex, 0, effects::kResampleFilterCount - 1));
    // The merge dialog's six ways (its radio buttons) and its transparency.
    visit(LevelKey("MergeType", s.MergeType, 0, 5));
    visit(LevelKey("MergeAlphaChannel", s.MergeAlphaChannel, effects::kMergeTransparency.Min, effects::kMergeTransparency.Max));
    visit(LevelKey("BlockWidth", s.BlockWidth, effects::kBlockWidth));
    visit(LevelKey("BlockHeight", s.BlockHeight, effects::kBlockHeight));
    visit(BoolKey("BlockFillRect", s.BlockFillRect));
    visit(BoolKey("BlockFrame", s.BlockFrame));
    visit(BoolKey("BlockShift", s.BlockShift));
    visit(LevelKey("GaussianBlurLevel", s.GaussianBlurLevel, effects::kGaussianBlurPasses));
    visit(LevelKey("PosterizeLevel", s.PosterizeLevel, effects::kPosterizeLevels));
    visit(LevelKey("SolarizationLevel", s.SolarizationLevel, effects::kSolarizationThreshold));
    visit(LevelKey("EmbossLevel", s.EmbossLevel, effects::kEmbossLevel));
    visit(BoolKey("EmbossColor", s.EmbossColor));
    visit(BoolKey("EmbossRev", s.EmbossRev));
    visit(LevelKey("SharpLevel", s.SharpLevel, effects::kSharpenLevel));
    visit(LevelKey("FadeOutLevel", s.FadeOutLevel, effects::kFadeOutWidth));
    visit(LevelKey("HighPassLevel", s.HighPassLevel, effects::kHighPassLevel));
    visit(LevelKey("EdgeDetectionLevel", s.EdgeDetectionLevel, effects::kEdgeDetectionLevel));
    visit(LevelKey("NoiseReduction", s.NoiseReduction, effects::kNoiseReductionLevel));
    visit(ColorKey("SingleColorScale", s.SingleColorScale));
    visit(LevelKey("GlassSize", s.GlassSize, effects::kGlassMosaicSize));
    visit(BoolKey("YokoGlass", s.YokoGlass));
    visit(BoolKey("TateGlass", s.TateGlass));
    visit(LevelKey("OilPaintLevel", s.OilPaintLevel, effects::kOilPaintLevel));
    visit(LevelKey("ImplodeLevel", s.ImplodeLevel, effects::kExplodeStrength));
    visit(LevelKey("ExplodeLevel", s.ExplodeLevel, effects::kExplodeStrength));
    visit(LevelKey("SpotLightSize", s.SpotLightSize, effects::kSpotLightSize));
    visit(LevelKey("SpotLightDecLevel", s.SpotLightDecLevel, effects::kSpotLightDecay));
    visit(LevelKey("BlindWidth", s.BlindWidth, effects::kBlindWidth));
    visit(BoolKey("BlindHorz", s.BlindHorz));
    visit(ColorKey("BlindColor", s.BlindColor));
}

}  // namespace

TEffectSettings& EffectSettings(TEditorContext& form) { return form.Effects(); }

void ReadEffectSettings(TEffectSettings& settings, const TIniFile& ini) { EachKey(settings, TKeyReader(ini, kEffects)); }

void WriteEffectSettings(const TEffectSettings& settings, TIniFile& ini) { EachKey(settings, TKeyWriter(ini, kEffects)); }

void ReadEffectsSection(TEditorContext& form, const TIniFile& ini) { ReadEffectSettings(EffectSettings(form), ini); }

void WriteEffectsSection(TEditorContext& form, TIniFile& ini) { WriteEffectSettings(EffectSettings(form), ini); }

}  // namespace zelvo
