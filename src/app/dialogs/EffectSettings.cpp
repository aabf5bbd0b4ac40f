#include "app/dialogs/EffectSettings.h"

#include <algorithm>
#include <cstring>

#include "app/common/EditorContext.h"
#include "effects/Resample.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

constexpr const char* kEffects = "Effects";

// One table drives both directions, so a key cannot be read under one name
// and written under another.
template <class Visit>
void EachKey(TEffectSettings& s, Visit visit) {
    visit("BlurLevel", s.BlurLevel);
    visit("NoiseLevel", s.NoiseLevel);
    visit("NoiseColor", s.NoiseColor);
    visit("SprayLevel", s.SprayLevel);
    visit("ButtonFrame", s.ButtonFrame);
    visit("ButtonLowered", s.ButtonLowered);
    visit("ButtonSmooth", s.ButtonSmooth);
    visit("WaveLevel", s.WaveLevel);
    visit("MosaicSize", s.MosaicSize);
    visit("ApplyResample", s.ApplyResample);
    visit("ResampleIndex", s.ResampleIndex);
    visit("MergeType", s.MergeType);
    visit("MergeAlphaChannel", s.MergeAlphaChannel);
    visit("BlockWidth", s.BlockWidth);
    visit("BlockHeight", s.BlockHeight);
    visit("BlockFillRect", s.BlockFillRect);
    visit("BlockFrame", s.BlockFrame);
    visit("BlockShift", s.BlockShift);
    visit("GaussianBlurLevel", s.GaussianBlurLevel);
    visit("PosterizeLevel", s.PosterizeLevel);
    visit("SolarizationLevel", s.SolarizationLevel);
    visit("EmbossLevel", s.EmbossLevel);
    visit("EmbossColor", s.EmbossColor);
    visit("EmbossRev", s.EmbossRev);
    visit("SharpLevel", s.SharpLevel);
    visit("FadeOutLevel", s.FadeOutLevel);
    visit("HighPassLevel", s.HighPassLevel);
    visit("EdgeDetectionLevel", s.EdgeDetectionLevel);
    visit("NoiseReduction", s.NoiseReduction);
    visit("SingleColorScale", s.SingleColorScale, true);
    visit("GlassSize", s.GlassSize);
    visit("YokoGlass", s.YokoGlass);
    visit("TateGlass", s.TateGlass);
    visit("OilPaintLevel", s.OilPaintLevel);
    visit("ImplodeLevel", s.ImplodeLevel);
    visit("ExplodeLevel", s.ExplodeLevel);
    visit("SpotLightSize", s.SpotLightSize);
    visit("SpotLightDecLevel", s.SpotLightDecLevel);
    visit("BlindWidth", s.BlindWidth);
    visit("BlindHorz", s.BlindHorz);
    visit("BlindColor", s.BlindColor, true);
}

// The ranges the effect dialogs keep their values in (the sliders' ranges).
// A hand-edited value outside its range is pulled to the nearer end, as
// the dialogs would show it; a malformed one reads as the default. Keys
// without a row take any value their field holds.
struct TKeyRange {
    const char* Key;
    int Lo;
    int Hi;
};
constexpr TKeyRange kKeyRanges[] = {
    {"BlurLevel", 1, 50},
    {"NoiseLevel", 1, 255},
    {"SprayLevel", 1, 255},
    {"ButtonFrame", 1, 50},
    {"WaveLevel", 1, 100},
    {"MosaicSize", 2, 50},
    {"ResampleIndex", 0, effects::kResampleFilterCount - 1},
    // The merge dialog's six ways (its radio buttons) and its transparency.
    {"MergeType", 0, 5},
    {"MergeAlphaChannel", 0, 100},
    {"BlockWidth", 2, 50},
    {"BlockHeight", 2, 50},
    {"GaussianBlurLevel", 1, 10},
    {"PosterizeLevel", 2, 16},
    {"EmbossLevel", 1, 20},
    {"SharpLevel", 1, 20},
    // The dialog's upper end is half the picture's shorter side, so at most
    // half the side of the largest square picture.
    {"FadeOutLevel", 2, 8192},
    {"HighPassLevel", 1, 20},
    {"EdgeDetectionLevel", 1, 20},
    {"NoiseReduction", 1, 100},
    {"GlassSize", 3, 30},
    {"OilPaintLevel", 1, 5},
    {"ImplodeLevel", 1, 100},
    {"ExplodeLevel", 1, 100},
    {"SpotLightSize", 1, 100},
    {"SpotLightDecLevel", 1, 99},
    {"BlindWidth", 2, 100},
};

// `value` pulled into the range of `key` (a byte value after its wrap).
int Limited(const char* key, int value) {
    for (const TKeyRange& range : kKeyRanges)
        if (std::strcmp(range.Key, key) == 0) return std::clamp(value, range.Lo, range.Hi);
    return value;
}

struct TReader {
    const TIniFile& Ini;
    void operator()(const char* key, std::uint8_t& v) const {
        v = std::uint8_t(Limited(key, Ini.ReadByte(kEffects, key, v)));
    }
    void operator()(const char* key, bool& v) const { v = Ini.ReadBool(kEffects, key, v); }
    void operator()(const char* key, int& v) const { v = Limited(key, Ini.ReadInteger(kEffects, key, v)); }
    void operator()(const char* key, TColor& v, bool) const { v = Ini.ReadColor(kEffects, key, v); }
};

struct TWriter {
    TIniFile& Ini;
    void operator()(const char* key, std::uint8_t& v) const { Ini.WriteInteger(kEffects, key, v); }
    void operator()(const char* key, bool& v) const { Ini.WriteBool(kEffects, key, v); }
    void operator()(const char* key, int& v) const { Ini.WriteInteger(kEffects, key, v); }
    void operator()(const char* key, TColor& v, bool) const { Ini.WriteColor(kEffects, key, v); }
};

}  // namespace

TEffectSettings& EffectSettings(TEditorContext& form) { return form.Effects(); }

void ReadEffectSettings(TEffectSettings& settings, const TIniFile& ini) { EachKey(settings, TReader{ini}); }

void WriteEffectSettings(const TEffectSettings& settings, TIniFile& ini) {
    TEffectSettings copy = settings;
    EachKey(copy, TWriter{ini});
}

void ReadEffectsSection(TEditorContext& form, const TIniFile& ini) { ReadEffectSettings(EffectSettings(form), ini); }

void WriteEffectsSection(TEditorContext& form, TIniFile& ini) { WriteEffectSettings(EffectSettings(form), ini); }

}  // namespace zelvo
