#include "app/dialogs/EffectSettings.h"

#include <QObject>

#include "app/window/ZVfrmMain.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

constexpr const char* kEffects = "Effects";

// Holds the values as a child of the window, so they live and die with it.
class TEffectSettingsHolder : public QObject {
public:
    explicit TEffectSettingsHolder(QObject* parent) : QObject(parent) {
        setObjectName(QStringLiteral("EffectSettings"));
    }
    TEffectSettings Values;
};

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

struct TReader {
    const TIniFile& Ini;
    void operator()(const char* key, std::uint8_t& v) const { v = Ini.ReadByte(kEffects, key, v); }
    void operator()(const char* key, bool& v) const { v = Ini.ReadBool(kEffects, key, v); }
    void operator()(const char* key, int& v) const { v = Ini.ReadInteger(kEffects, key, v); }
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

TEffectSettings& EffectSettings(TZVfrmMain& form) {
    // Only this file makes children of that name, so the cast is safe.
    QObject* child = form.findChild<QObject*>(QStringLiteral("EffectSettings"), Qt::FindDirectChildrenOnly);
    auto* holder = child ? static_cast<TEffectSettingsHolder*>(child) : new TEffectSettingsHolder(&form);
    return holder->Values;
}

void ReadEffectSettings(TEffectSettings& settings, const TIniFile& ini) {
    EachKey(settings, TReader{ini});
    // The merge dialog indexes its radio buttons with the way: a value
    // outside the table reads as the default.
    settings.MergeType = ini.ReadByteIn(kEffects, "MergeType", 0, 0, 5);
    settings.MergeAlphaChannel = ini.ReadByteIn(kEffects, "MergeAlphaChannel", 50, 0, 100);
}

void WriteEffectSettings(const TEffectSettings& settings, TIniFile& ini) {
    TEffectSettings copy = settings;
    EachKey(copy, TWriter{ini});
}

void ReadEffectsSection(TZVfrmMain& form, const TIniFile& ini) { ReadEffectSettings(EffectSettings(form), ini); }

void WriteEffectsSection(TZVfrmMain& form, TIniFile& ini) { WriteEffectSettings(EffectSettings(form), ini); }

}  // namespace zelvo
