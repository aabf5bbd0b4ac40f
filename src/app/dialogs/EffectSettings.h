#pragma once
// The main window's remembered effect parameters: section "Effects" of the
// settings file. The effect dialogs are preset from these values and store
// them back when confirmed; the main window reads them at start and writes
// them when it closes.

#include <cstdint>
#include <string>

#include "image/Types.h"

namespace zelvo {

class TIniFile;
class TEditorContext;

/// Every key of section "Effects" with its default. Byte keys wrap above
/// 255 on reading, as the fields they fill are bytes; a value outside the
/// range its dialog offers is pulled to the nearer end of that range.
struct TEffectSettings {
    std::uint8_t BlurLevel = 1;
    std::uint8_t NoiseLevel = 100;
    bool NoiseColor = false;
    std::uint8_t SprayLevel = 100;
    std::uint8_t ButtonFrame = 6;
    bool ButtonLowered = false;
    bool ButtonSmooth = false;
    std::uint8_t WaveLevel = 3;
    std::uint8_t MosaicSize = 8;
    bool ApplyResample = false;
    std::uint8_t ResampleIndex = 6;
    std::uint8_t MergeType = 0;
    std::uint8_t MergeAlphaChannel = 50;
    std::uint8_t BlockWidth = 16;
    std::uint8_t BlockHeight = 8;
    bool BlockFillRect = true;
    bool BlockFrame = true;
    bool BlockShift = true;
    std::uint8_t GaussianBlurLevel = 3;
    std::uint8_t PosterizeLevel = 4;
    std::uint8_t SolarizationLevel = 128;
    std::uint8_t EmbossLevel = 10;
    bool EmbossColor = false;
    bool EmbossRev = false;
    std::uint8_t SharpLevel = 10;
    int FadeOutLevel = 10;
    std::uint8_t HighPassLevel = 10;
    std::uint8_t EdgeDetectionLevel = 10;
    int NoiseReduction = 15;
    TColor SingleColorScale = clBlue;
    int GlassSize = 8;
    bool YokoGlass = true;
    bool TateGlass = true;
    int OilPaintLevel = 3;
    int ImplodeLevel = 50;
    int ExplodeLevel = 50;
    int SpotLightSize = 30;
    int SpotLightDecLevel = 50;
    int BlindWidth = 50;
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
