// The effect tables: one row per effect type of the preview dialog and of
// the slide dialog. A family whose operation exists adds its row here; a
// type without a row is not offered (its command waits in the command
// table).

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/EffectTypes.h"
#include "app/common/EditorContext.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

// A shown row with the spin edit holding the position itself.
TPreviewRow Track(const char* label, int min, int max, int position, int frequency, int page) {
    TPreviewRow row;
    row.Shown = true;
    row.Label = label;
    row.Min = min;
    row.Max = max;
    row.Position = position;
    row.Frequency = frequency;
    row.Page = page;
    return row;
}

// A shown row of an effect parameter: its declared range, preset at
// `position` kept inside it (a hand-edited settings file may hold anything).
TPreviewRow Track(const char* label, const effects::TParameter& parameter, int position, int frequency, int page) {
    return Track(label, parameter.Min, parameter.Max, parameter.Limit(position), frequency, page);
}

// A shown row of a real parameter: the track holds the value times
// 10^Decimals, the spin edit shows the value itself.
TPreviewRow Track(const char* label, const effects::TRealParameter& parameter, int frequency, int page) {
    const double scale = std::pow(10.0, parameter.Decimals);
    TPreviewRow row = Track(label, int(std::lround(parameter.Min * scale)), int(std::lround(parameter.Max * scale)),
                            int(std::lround(parameter.Default * scale)), frequency, page);
    row.Divisor = int(std::lround(scale));
    row.Decimals = parameter.Decimals;
    row.SpinStep = 1 / scale;
    return row;
}

// The size the shift dialog works on: the selection, or the whole picture.
TPoint ShiftSourceSize(TEditorContext& form) {
    TQxImage& doc = form.QxImage1();
    if (doc.Empty()) return {0, 0};
    if (doc.HasSelection()) {
        const TRect r = doc.SelectionRect();
        return {r.Width(), r.Height()};
    }
    return {doc.Bitmap().Width(), doc.Bitmap().Height()};
}

// Page size and tick frequency of a shift track: a tenth of its range, at
// least 1.
int ShiftPage(int max) { return max < 10 ? 1 : max / 10; }

// Whether OK has nothing to do for these values.
using TNeutralTest = bool (*)(const TPreviewValues& values);
bool FirstAtZero(const TPreviewValues& v) { return v.Position[0] == 0; }
bool AllAtZero(const TPreviewValues& v) { return v.Position[0] == 0 && v.Position[1] == 0 && v.Position[2] == 0; }

// A row whose preview and OK make the same document call with the same
// values; OK skips it, adding no undo step, while `neutral` holds. The
// thumbnail shows the whole picture and starts unprocessed.
template <class Call>
TPreviewEffect SameCallRow(TPreviewEffectType type, const char* undoCaption,
                           std::function<TPreviewSetup(TEditorContext& form)> setup, Call call, TNeutralTest neutral) {
    TPreviewEffect row;
    row.Type = type;
    row.UndoCaption = undoCaption;
    row.Setup = std::move(setup);
    row.Preview = [call](TQxImage& preview, const TPreviewValues& v) { call(preview, v); };
    row.Apply = [call, neutral](TEditorContext& form, const TPreviewValues& v) {
        if (neutral(v)) return false;
        call(form.QxImage1(), v);
        return true;
    };
    return row;
}

// Setup of a preview dialog with one "レベル：" row of the parameter.
TPreviewSetup LevelSetup(const char* caption, const effects::TParameter& parameter, int level, int helpTopic) {
    TPreviewSetup s;
    s.Caption = caption;
    s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "レベル："), parameter, level, 1, 1);
    s.HelpTopic = helpTopic;
    return s;
}

// A row whose OK always runs: it stores the remembered values, then makes
// the same document call as the preview. The thumbnail shows the selection
// and is computed at once.
template <class Store, class Call>
TPreviewEffect StoredRow(TPreviewEffectType type, const char* undoCaption,
                         std::function<TPreviewSetup(TEditorContext& form)> setup, Store store, Call call) {
    TPreviewEffect row;
    row.Type = type;
    row.UndoCaption = undoCaption;
    row.Setup = std::move(setup);
    row.Preview = [call](TQxImage& preview, const TPreviewValues& v) { call(preview, v); };
    row.Apply = [store, call](TEditorContext& form, const TPreviewValues& v) {
        store(EffectSettings(form), v);
        call(form.QxImage1(), v);
        return true;
    };
    row.PreviewAtOnce = true;
    row.PreviewSelection = true;
    return row;
}

// Punch (sign -1) and pinch (sign +1): one operation with opposite signs.
TPreviewEffect ExplodeRow(TPreviewEffectType type, const char* undoCaption, const char* caption, const char* label,
                          int TEffectSettings::*level, int sign, int helpTopic) {
    return StoredRow(
        type, undoCaption,
        [caption, label, level, helpTopic](TEditorContext& f) {
            TPreviewSetup s;
            s.Caption = caption;
            s.Rows[0] = Track(label, effects::kExplodeStrength, EffectSettings(f).*level, 5, 5);
            s.HelpTopic = helpTopic;
            return s;
        },
        [level](TEffectSettings& e, const TPreviewValues& v) { e.*level = v.Position[0]; },
        [sign](TQxImage& d, const TPreviewValues& v) { d.Explode(sign * v.Position[0]); });
}

std::vector<TPreviewEffect> MakePreviewEffects() {
    std::vector<TPreviewEffect> rows;

    rows.push_back(SameCallRow(
        TPreviewEffectType::Brightness, QT_TRANSLATE_NOOP("undo", "明るさ"),
        [](TEditorContext&) {
            TPreviewSetup s;
            s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "明るさ");
            s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "明るさの設定："), effects::kBrightnessDelta, effects::kBrightnessDelta.Default, 20, 20);
            s.HelpTopic = 44;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Brightness(std::int16_t(v.Position[0])); }, FirstAtZero));

    // Contrast: the track bar's own tick frequency and page size.
    rows.push_back(SameCallRow(
        TPreviewEffectType::Contrast, QT_TRANSLATE_NOOP("undo", "コントラスト"),
        [](TEditorContext&) {
            TPreviewSetup s;
            s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "コントラスト");
            s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "コントラストの設定："), effects::kContrastLevel, effects::kContrastLevel.Default, 1, 2);
            s.HelpTopic = 45;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Contrast(std::int8_t(v.Position[0])); }, FirstAtZero));

    // Gamma: the spin edit shows the position / 100; 1.0 changes nothing.
    rows.push_back(SameCallRow(
        TPreviewEffectType::Gamma, QT_TRANSLATE_NOOP("undo", "ガンマ補正"),
        [](TEditorContext&) {
            TPreviewSetup s;
            s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "ガンマ補正");
            s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "ガンマ値の設定："), effects::kGamma, 50, 50);
            s.HelpTopic = 47;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Gamma(v.Spin[0]); },
        [](const TPreviewValues& v) { return v.Spin[0] == 1; }));

    rows.push_back(SameCallRow(
        TPreviewEffectType::RGB, QT_TRANSLATE_NOOP("undo", "RGBの度合い"),
        [](TEditorContext&) {
            TPreviewSetup s;
            s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "RGBの度合い");
            s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "赤色の度合い"), effects::kAdjustRed, effects::kAdjustRed.Default, 20, 20);
            s.Rows[1] = Track(QT_TRANSLATE_NOOP("EffectTypes", "緑色の度合い"), effects::kAdjustGreen, effects::kAdjustGreen.Default, 20, 20);
            s.Rows[2] = Track(QT_TRANSLATE_NOOP("EffectTypes", "青色の度合い"), effects::kAdjustBlue, effects::kAdjustBlue.Default, 20, 20);
            s.HelpTopic = 46;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) {
            d.AdjustRGB(std::int16_t(v.Position[0]), std::int16_t(v.Position[1]), std::int16_t(v.Position[2]));
        },
        AllAtZero));

    rows.push_back(SameCallRow(
        TPreviewEffectType::HSV, QT_TRANSLATE_NOOP("undo", "HSVカラー調整"),
        [](TEditorContext&) {
            TPreviewSetup s;
            s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "色相・彩度・明度(HSV)");
            s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "色相(&H)"), effects::kAdjustHue, effects::kAdjustHue.Default, 30, 30);
            s.Rows[1] = Track(QT_TRANSLATE_NOOP("EffectTypes", "彩度(&S)"), effects::kAdjustSaturation, effects::kAdjustSaturation.Default, 10, 10);
            s.Rows[2] = Track(QT_TRANSLATE_NOOP("EffectTypes", "明度(&V)"), effects::kAdjustValue, effects::kAdjustValue.Default, 10, 10);
            s.HelpTopic = 48;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) {
            d.AdjustHSV(std::int16_t(v.Position[0]), std::int8_t(v.Position[1]), std::int8_t(v.Position[2]));
        },
        AllAtZero));

    // Two-level: the preview runs without progress.
    rows.push_back({TPreviewEffectType::Monochrome, QT_TRANSLATE_NOOP("undo", "２階調化"),
                    [](TEditorContext&) {
                        TPreviewSetup s;
                        s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "２階調化");
                        s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "境界のしきい値(1～255)"), effects::kMonochromeThreshold, effects::kMonochromeThreshold.Default, 10, 10);
                        s.HelpTopic = 49;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.Monochrome(v.Position[0], false, false); },
                    [](TEditorContext& f, const TPreviewValues& v) {
                        f.QxImage1().Monochrome(v.Position[0], false, true);
                        return true;
                    },
                    true, false});

    // Rotation by an angle in tenths of a degree; the spin edit shows
    // degrees. The thumbnail keeps its size; OK enlarges the canvas.
    rows.push_back({TPreviewEffectType::Rotate, QT_TRANSLATE_NOOP("undo", "任意角度回転"),
                    [](TEditorContext&) {
                        TPreviewSetup s;
                        s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "任意角度回転");
                        s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "回転角度："), -1800, 1800, 0, 100, 100);
                        s.Rows[0].Divisor = 10;
                        s.Rows[0].Decimals = 1;
                        s.Rows[0].SpinStep = 0.1;
                        s.HelpTopic = 74;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.RotateAngle(v.Position[0], false); },
                    [](TEditorContext& f, const TPreviewValues& v) {
                        if (v.Position[0] == 0) return false;
                        f.QxImage1().RotateAngle(v.Position[0], true);
                        return true;
                    },
                    false, true});

    rows.push_back({TPreviewEffectType::Posterize, QT_TRANSLATE_NOOP("undo", "ポスタライズ"),
                    [](TEditorContext& f) {
                        TPreviewSetup s;
                        s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "ポスタライズ");
                        s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "段階数："), effects::kPosterizeLevels, EffectSettings(f).PosterizeLevel, 1, 1);
                        s.HelpTopic = 75;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.Posterize(std::uint8_t(v.Position[0])); },
                    [](TEditorContext& f, const TPreviewValues& v) {
                        EffectSettings(f).PosterizeLevel = std::uint8_t(v.Position[0]);
                        f.QxImage1().Posterize(std::uint8_t(v.Position[0]));
                        return true;
                    },
                    true, true});

    // Solarization: 255 changes nothing and keeps the stored threshold.
    rows.push_back({TPreviewEffectType::Solarization, QT_TRANSLATE_NOOP("undo", "ソラリゼーション"),
                    [](TEditorContext& f) {
                        TPreviewSetup s;
                        s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "ソラリゼーション");
                        s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "しきい値："), effects::kSolarizationThreshold, EffectSettings(f).SolarizationLevel, 8, 10);
                        s.HelpTopic = 83;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.Solarization(std::uint8_t(v.Position[0])); },
                    [](TEditorContext& f, const TPreviewValues& v) {
                        if (v.Position[0] > 254) return false;
                        EffectSettings(f).SolarizationLevel = std::uint8_t(v.Position[0]);
                        f.QxImage1().Solarization(std::uint8_t(v.Position[0]));
                        return true;
                    },
                    true, true});
    // Wrap-around shift of the selection (or the picture), up to one
    // whole turn each way. The thumbnail shifts by the same fraction of its
    // own size; a whole turn on OK changes nothing and adds no undo step.
    rows.push_back({TPreviewEffectType::ShiftImage, QT_TRANSLATE_NOOP("undo", "シフト"),
                    [](TEditorContext& f) {
                        const TPoint size = ShiftSourceSize(f);
                        TPreviewSetup s;
                        s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "シフト");
                        s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "横軸の移動量："), -size.X, size.X, 0, ShiftPage(size.X), ShiftPage(size.X));
                        s.Rows[1] = Track(QT_TRANSLATE_NOOP("EffectTypes", "縦軸の移動量："), -size.Y, size.Y, 0, ShiftPage(size.Y), ShiftPage(size.Y));
                        s.HelpTopic = 86;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) {
                        if (v.SourceWidth <= 0 || v.SourceHeight <= 0) return;
                        const int dx = int(std::trunc(double(p.Bitmap().Width()) / v.SourceWidth * v.Position[0]));
                        const int dy = int(std::trunc(double(p.Bitmap().Height()) / v.SourceHeight * v.Position[1]));
                        p.ShiftImage(dx, dy);
                    },
                    [](TEditorContext& f, const TPreviewValues& v) {
                        const TPoint size = ShiftSourceSize(f);
                        const int dx = v.Position[0], dy = v.Position[1];
                        if (!((dx != 0 && std::abs(dx) != size.X) || (dy != 0 && std::abs(dy) != size.Y))) return false;
                        f.QxImage1().ShiftImage(dx, dy);
                        return true;
                    },
                    true, true});

    rows.push_back(StoredRow(
        TPreviewEffectType::Emboss, QT_TRANSLATE_NOOP("undo", "エンボス"),
        [](TEditorContext& f) {
            const TEffectSettings& e = EffectSettings(f);
            TPreviewSetup s = LevelSetup(QT_TRANSLATE_NOOP("EffectTypes", "エンボス"), effects::kEmbossLevel, e.EmbossLevel, 55);
            s.Check1 = QT_TRANSLATE_NOOP("EffectTypes", "色つき");
            s.Check1Value = e.EmbossColor;
            s.Check2 = QT_TRANSLATE_NOOP("EffectTypes", "凹凸反転");
            s.Check2Value = e.EmbossRev;
            return s;
        },
        [](TEffectSettings& e, const TPreviewValues& v) {
            e.EmbossLevel = std::uint8_t(v.Position[0]);
            e.EmbossColor = v.Check1;
            e.EmbossRev = v.Check2;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Emboss(v.Position[0], v.Check1, v.Check2); }));

    rows.push_back(StoredRow(
        TPreviewEffectType::Sharpen, QT_TRANSLATE_NOOP("undo", "シャープにする"),
        [](TEditorContext& f) { return LevelSetup(QT_TRANSLATE_NOOP("EffectTypes", "シャープにする"), effects::kSharpenLevel, EffectSettings(f).SharpLevel, 54); },
        [](TEffectSettings& e, const TPreviewValues& v) { e.SharpLevel = std::uint8_t(v.Position[0]); },
        [](TQxImage& d, const TPreviewValues& v) { d.Sharpen(v.Position[0]); }));

    rows.push_back(StoredRow(
        TPreviewEffectType::HighPass, QT_TRANSLATE_NOOP("undo", "エッジの強調"),
        [](TEditorContext& f) { return LevelSetup(QT_TRANSLATE_NOOP("EffectTypes", "エッジの強調"), effects::kHighPassLevel, EffectSettings(f).HighPassLevel, 56); },
        [](TEffectSettings& e, const TPreviewValues& v) { e.HighPassLevel = std::uint8_t(v.Position[0]); },
        [](TQxImage& d, const TPreviewValues& v) { d.HighPass(v.Position[0]); }));

    rows.push_back(StoredRow(
        TPreviewEffectType::EdgeDetection, QT_TRANSLATE_NOOP("undo", "エッジを抽出"),
        [](TEditorContext& f) { return LevelSetup(QT_TRANSLATE_NOOP("EffectTypes", "エッジを抽出"), effects::kEdgeDetectionLevel, EffectSettings(f).EdgeDetectionLevel, 57); },
        [](TEffectSettings& e, const TPreviewValues& v) { e.EdgeDetectionLevel = std::uint8_t(v.Position[0]); },
        [](TQxImage& d, const TPreviewValues& v) { d.EdgeDetection(v.Position[0]); }));

    // Vortex: an angle of 0 does nothing and adds no undo step.
    {
        TPreviewEffect vortex = SameCallRow(
            TPreviewEffectType::Vortex, QT_TRANSLATE_NOOP("undo", "渦巻き"),
            [](TEditorContext&) {
                TPreviewSetup s;
                s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "渦巻き");
                s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "渦の角度"), effects::kVortexAngle, effects::kVortexAngle.Default, 60, 60);
                s.HelpTopic = 101;
                return s;
            },
            [](TQxImage& d, const TPreviewValues& v) { d.Vortex(v.Position[0]); }, FirstAtZero);
        vortex.PreviewAtOnce = true;
        vortex.PreviewSelection = true;
        rows.push_back(std::move(vortex));
    }

    rows.push_back(ExplodeRow(TPreviewEffectType::Explode, QT_TRANSLATE_NOOP("undo", "パンチ"), QT_TRANSLATE_NOOP("EffectTypes", "パンチ"),
                              QT_TRANSLATE_NOOP("EffectTypes", "パンチの強さ"), &TEffectSettings::ExplodeLevel, -1,
                              105));
    rows.push_back(ExplodeRow(TPreviewEffectType::Implode, QT_TRANSLATE_NOOP("undo", "つまむ"), QT_TRANSLATE_NOOP("EffectTypes", "つまむ"),
                              QT_TRANSLATE_NOOP("EffectTypes", "つまむ強さ"), &TEffectSettings::ImplodeLevel, +1,
                              106));

    // Spotlight around the picked centre on the whole picture; the second
    // row's spin edit shows the fall-off in tenths, the effect takes 10
    // minus it. The thumbnail takes the centre scaled to its own size.
    {
        TPreviewEffect spot;
        spot.Type = TPreviewEffectType::SpotLight;
        spot.UndoCaption = QT_TRANSLATE_NOOP("undo", "スポットライト");
        spot.Setup = [](TEditorContext& f) {
            const TEffectSettings& e = EffectSettings(f);
            TPreviewSetup s;
            s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "スポットライト");
            s.Rows[0] = Track(QT_TRANSLATE_NOOP("EffectTypes", "大きさ"), effects::kSpotLightSize, e.SpotLightSize, 10, 10);
            s.Rows[1] = Track(QT_TRANSLATE_NOOP("EffectTypes", "明るさの減衰レベル"), effects::kSpotLightDecay, e.SpotLightDecLevel, 10, 10);
            s.Rows[1].Divisor = 10;
            s.Rows[1].Decimals = 1;
            s.Rows[1].SpinStep = 0.1;
            s.Rows[1].SpinSyncAbove = 0.1;
            s.HelpTopic = 109;
            return s;
        };
        spot.Preview = [](TQxImage& p, const TPreviewValues& v) {
            p.SpotLight(int(std::int64_t(v.Center.X) * v.Scale / 10000), int(std::int64_t(v.Center.Y) * v.Scale / 10000),
                        10 - v.Spin[1], v.Position[0]);
        };
        spot.Apply = [](TEditorContext& f, const TPreviewValues& v) {
            TEffectSettings& e = EffectSettings(f);
            e.SpotLightSize = v.Position[0];
            e.SpotLightDecLevel = v.Position[1];
            f.QxImage1().SpotLight(v.Center.X, v.Center.Y, 10 - v.Spin[1], v.Position[0]);
            return true;
        };
        spot.PreviewAtOnce = true;
        spot.DragCenter = true;
        rows.push_back(std::move(spot));
    }
    return rows;
}

// Setup of a one-slider dialog whose caption is also its undo caption.
TSlideSetup SlideSetup(const char* caption, const char* label, int min, int max, int position, int frequency,
                       int helpTopic) {
    TSlideSetup s;
    s.Caption = caption;
    s.Label = label;
    s.Min = min;
    s.Max = max;
    s.Position = std::clamp(position, min, max);
    s.Frequency = frequency;
    s.HelpTopic = helpTopic;
    return s;
}

// The same for an effect parameter: its declared range.
TSlideSetup SlideSetup(const char* caption, const char* label, const effects::TParameter& parameter, int position,
                       int frequency, int helpTopic) {
    return SlideSetup(caption, label, parameter.Min, parameter.Max, position, frequency, helpTopic);
}

// The largest fade-out width for the selection (or the picture): half its
// shorter side.
int FadeOutLimit(TEditorContext& form) {
    TQxImage& doc = form.QxImage1();
    if (doc.Empty()) return 0;
    const TRect area = doc.HasSelection() ? doc.SelectionRect() : TRect{0, 0, doc.Bitmap().Width(), doc.Bitmap().Height()};
    return std::min(area.Width(), area.Height()) / 2;
}

std::vector<TSlideEffect> MakeSlideEffects() {
    std::vector<TSlideEffect> rows;
    // JPEG quality, a setting of section "Settings"; the picture is not
    // touched and no undo-list entry is added.
    rows.push_back({TSlideEffectType::JpegQuality, "",
                    [](TEditorContext& f) {
                        TSlideSetup s;
                        s.Caption = QT_TRANSLATE_NOOP("EffectTypes", "JPEG品質");
                        s.Label = QT_TRANSLATE_NOOP("EffectTypes", "品質(1～100)");
                        s.Min = 1;
                        s.Max = 100;
                        s.Position = std::clamp(int(f.Options.FJpegQuality), 1, 100);
                        s.HelpTopic = 38;
                        return s;
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        f.Options.FJpegQuality = std::uint8_t(position);
                        return false;
                    }});

    rows.push_back({TSlideEffectType::Noise, QT_TRANSLATE_NOOP("undo", "ノイズ付加"),
                    [](TEditorContext& f) {
                        const TEffectSettings& e = EffectSettings(f);
                        TSlideSetup s = SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "ノイズ付加"), QT_TRANSLATE_NOOP("EffectTypes", "ノイズ量(1～255)"), effects::kNoiseLevel, e.NoiseLevel, 10, 62);
                        s.Check1 = QT_TRANSLATE_NOOP("EffectTypes", "カラーノイズ");
                        s.Check1Value = e.NoiseColor;
                        return s;
                    },
                    [](TEditorContext& f, int position, bool color, bool) {
                        TEffectSettings& e = EffectSettings(f);
                        e.NoiseLevel = std::uint8_t(position);
                        e.NoiseColor = color;
                        f.QxImage1().Noise(position, color);
                        return true;
                    }});
    rows.push_back({TSlideEffectType::Spray, QT_TRANSLATE_NOOP("undo", "拡散"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "拡散"), QT_TRANSLATE_NOOP("EffectTypes", "拡散レベル(1～255)"), effects::kSprayLevel, EffectSettings(f).SprayLevel, 10, 61);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).SprayLevel = std::uint8_t(position);
                        f.QxImage1().Spray(position);
                        return true;
                    }});
    // The 3-D frame runs at strength 2.
    rows.push_back({TSlideEffectType::Button3D, QT_TRANSLATE_NOOP("undo", "立体枠をつける"),
                    [](TEditorContext& f) {
                        const TEffectSettings& e = EffectSettings(f);
                        TSlideSetup s = SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "立体枠をつける"), QT_TRANSLATE_NOOP("EffectTypes", "枠の太さ(1～50)"), effects::kButton3DWidth, e.ButtonFrame, 5, 60);
                        s.Check1 = QT_TRANSLATE_NOOP("EffectTypes", "凹ませる");
                        s.Check1Value = e.ButtonLowered;
                        s.Check2 = QT_TRANSLATE_NOOP("EffectTypes", "スムース");
                        s.Check2Value = e.ButtonSmooth;
                        return s;
                    },
                    [](TEditorContext& f, int position, bool sunken, bool smooth) {
                        TEffectSettings& e = EffectSettings(f);
                        e.ButtonFrame = std::uint8_t(position);
                        e.ButtonLowered = sunken;
                        e.ButtonSmooth = smooth;
                        f.QxImage1().Button3D(position, sunken, smooth, 2);
                        return true;
                    }});
    rows.push_back({TSlideEffectType::Blur, QT_TRANSLATE_NOOP("undo", "ぶれ"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "ぶれ"), QT_TRANSLATE_NOOP("EffectTypes", "ぶれの大きさ(1～50)"), effects::kBlurDistance, EffectSettings(f).BlurLevel, 5, 59);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).BlurLevel = std::uint8_t(position);
                        f.QxImage1().Blur(position);
                        return true;
                    }});
    // Mosaic: square filled blocks, no offset, no frame lines.
    rows.push_back({TSlideEffectType::Mosaic, QT_TRANSLATE_NOOP("undo", "モザイク"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "モザイク"), QT_TRANSLATE_NOOP("EffectTypes", "モザイクの大きさ(2～50)"), effects::kMosaicSize, EffectSettings(f).MosaicSize, 2, 64);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).MosaicSize = std::uint8_t(position);
                        f.QxImage1().Block(position, position, false, false, true);
                        return true;
                    }});
    // Wave with both periods and the amplitude at the level, no wrap.
    rows.push_back({TSlideEffectType::Wave, QT_TRANSLATE_NOOP("undo", "ウェーブ"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "ウェーブ"), QT_TRANSLATE_NOOP("EffectTypes", "大きさ(1～100)"), effects::kWaveAmplitude, EffectSettings(f).WaveLevel, 5, 63);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).WaveLevel = std::uint8_t(position);
                        f.QxImage1().Wave(position, position, false, position);
                        return true;
                    }});
    rows.push_back({TSlideEffectType::GaussianBlur, QT_TRANSLATE_NOOP("undo", "ガウスぼかし"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "ガウスぼかし"), QT_TRANSLATE_NOOP("EffectTypes", "ぼかしのレベル(1～10)"), effects::kGaussianBlurPasses, EffectSettings(f).GaussianBlurLevel,
                                          1, 58);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).GaussianBlurLevel = std::uint8_t(position);
                        f.QxImage1().GaussianBlur(position);
                        return true;
                    }});
    // Fade-out: the band reaches at most half the shorter side of the
    // selection (or picture). Below 4 pixels no band of 2 fits: the range
    // stays 2..2 instead of inverting, and OK leaves the picture alone.
    rows.push_back({TSlideEffectType::FadeOut, QT_TRANSLATE_NOOP("undo", "フェードアウト"),
                    [](TEditorContext& f) {
                        const int limit = std::max(2, FadeOutLimit(f));
                        const std::string label = QCoreApplication::translate("EffectTypes", "一辺の範囲(2～%1)").arg(limit).toStdString();
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "フェードアウト"), label.c_str(), effects::kFadeOutWidth.Min, limit, EffectSettings(f).FadeOutLevel, 10, 4);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).FadeOutLevel = position;
                        if (position > FadeOutLimit(f)) return false;
                        f.QxImage1().FadeOut(position);
                        return true;
                    }});
    rows.push_back({TSlideEffectType::NoiseReduction, QT_TRANSLATE_NOOP("undo", "ノイズ除去"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "ノイズ除去"), QT_TRANSLATE_NOOP("EffectTypes", "適用の強さ(1～100)"), effects::kNoiseReductionLevel, EffectSettings(f).NoiseReduction, 10, 78);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).NoiseReduction = position;
                        f.QxImage1().NoiseReduction(position, true);
                        return true;
                    }});
    // Glass: mode 0 both directions, 1 horizontal only, 2 vertical only; at
    // least one box stays checked (a file with both off opens with both on).
    rows.push_back({TSlideEffectType::GlassMosaic, QT_TRANSLATE_NOOP("undo", "ガラス処理"),
                    [](TEditorContext& f) {
                        const TEffectSettings& e = EffectSettings(f);
                        TSlideSetup s = SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "ガラス処理"), QT_TRANSLATE_NOOP("EffectTypes", "ガラスの処理単位(3～30)"), effects::kGlassMosaicSize, e.GlassSize, 2, 98);
                        const bool neither = !e.YokoGlass && !e.TateGlass;
                        s.Check1 = QT_TRANSLATE_NOOP("EffectTypes", "横ガラス処理");
                        s.Check1Value = e.YokoGlass || neither;
                        s.Check2 = QT_TRANSLATE_NOOP("EffectTypes", "縦ガラス処理");
                        s.Check2Value = e.TateGlass || neither;
                        s.KeepOneChecked = true;
                        return s;
                    },
                    [](TEditorContext& f, int position, bool horizontal, bool vertical) {
                        TEffectSettings& e = EffectSettings(f);
                        e.GlassSize = position;
                        e.YokoGlass = horizontal;
                        e.TateGlass = vertical;
                        const int mode = horizontal && vertical ? 0 : horizontal ? 1 : 2;
                        f.QxImage1().GlassMosaic(mode, position);
                        return true;
                    }});
    rows.push_back({TSlideEffectType::OilPaint, QT_TRANSLATE_NOOP("undo", "オイルペイント"),
                    [](TEditorContext& f) {
                        return SlideSetup(QT_TRANSLATE_NOOP("EffectTypes", "オイルペイント"), QT_TRANSLATE_NOOP("EffectTypes", "にじみの強さ(1～5)"), effects::kOilPaintLevel, EffectSettings(f).OilPaintLevel, 1, 100);
                    },
                    [](TEditorContext& f, int position, bool, bool) {
                        EffectSettings(f).OilPaintLevel = position;
                        f.QxImage1().OilPaint(position);
                        return true;
                    }});
    return rows;
}

}  // namespace

const TPreviewEffect* FindPreviewEffect(TPreviewEffectType type) {
    static const std::vector<TPreviewEffect> rows = MakePreviewEffects();
    for (const TPreviewEffect& row : rows)
        if (row.Type == type) return &row;
    return nullptr;
}

const TSlideEffect* FindSlideEffect(TSlideEffectType type) {
    static const std::vector<TSlideEffect> rows = MakeSlideEffects();
    for (const TSlideEffect& row : rows)
        if (row.Type == type) return &row;
    return nullptr;
}

}  // namespace zelvo
