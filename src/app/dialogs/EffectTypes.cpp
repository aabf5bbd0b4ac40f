// The effect tables: one row per effect type of the preview dialog and of
// the slide dialog. A family whose operation exists adds its row here; a
// type without a row is not offered (its command waits in the command
// table).

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/EffectTypes.h"
#include "app/window/ZVfrmMain.h"
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

// The size the shift dialog works on: the selection, or the whole picture.
TPoint ShiftSourceSize(TZVfrmMain& form) {
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
                           std::function<TPreviewSetup(TZVfrmMain& form)> setup, Call call, TNeutralTest neutral) {
    TPreviewEffect row;
    row.Type = type;
    row.UndoCaption = undoCaption;
    row.Setup = std::move(setup);
    row.Preview = [call](TQxImage& preview, const TPreviewValues& v) { call(preview, v); };
    row.Apply = [call, neutral](TZVfrmMain& form, const TPreviewValues& v) {
        if (neutral(v)) return false;
        call(form.QxImage1(), v);
        return true;
    };
    return row;
}

std::vector<TPreviewEffect> MakePreviewEffects() {
    std::vector<TPreviewEffect> rows;

    rows.push_back(SameCallRow(
        TPreviewEffectType::Brightness, "明るさ",
        [](TZVfrmMain&) {
            TPreviewSetup s;
            s.Caption = "明るさ";
            s.Rows[0] = Track("明るさの設定：", -255, 255, 0, 20, 20);
            s.HelpTopic = 44;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Brightness(std::int16_t(v.Position[0])); }, FirstAtZero));

    // Contrast: the track bar's own tick frequency and page size.
    rows.push_back(SameCallRow(
        TPreviewEffectType::Contrast, "コントラスト",
        [](TZVfrmMain&) {
            TPreviewSetup s;
            s.Caption = "コントラスト";
            s.Rows[0] = Track("コントラストの設定：", -100, 100, 0, 1, 2);
            s.HelpTopic = 45;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Contrast(std::int8_t(v.Position[0])); }, FirstAtZero));

    // Gamma: the spin edit shows the position / 100; 1.0 changes nothing.
    rows.push_back(SameCallRow(
        TPreviewEffectType::Gamma, "ガンマ補正",
        [](TZVfrmMain&) {
            TPreviewSetup s;
            s.Caption = "ガンマ補正";
            s.Rows[0] = Track("ガンマ値の設定：", 10, 500, 100, 50, 50);
            s.Rows[0].Divisor = 100;
            s.Rows[0].Decimals = 2;
            s.Rows[0].SpinStep = 0.01;
            s.HelpTopic = 47;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) { d.Gamma(v.Spin[0]); },
        [](const TPreviewValues& v) { return v.Spin[0] == 1; }));

    rows.push_back(SameCallRow(
        TPreviewEffectType::RGB, "RGBの度合い",
        [](TZVfrmMain&) {
            TPreviewSetup s;
            s.Caption = "RGBの度合い";
            s.Rows[0] = Track("赤色の度合い", -255, 255, 0, 20, 20);
            s.Rows[1] = Track("緑色の度合い", -255, 255, 0, 20, 20);
            s.Rows[2] = Track("青色の度合い", -255, 255, 0, 20, 20);
            s.HelpTopic = 46;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) {
            d.AdjustRGB(std::int16_t(v.Position[0]), std::int16_t(v.Position[1]), std::int16_t(v.Position[2]));
        },
        AllAtZero));

    rows.push_back(SameCallRow(
        TPreviewEffectType::HSV, "HSVカラー調整",
        [](TZVfrmMain&) {
            TPreviewSetup s;
            s.Caption = "色相・彩度・明度(HSV)";
            s.Rows[0] = Track("色相(&H)", -180, 180, 0, 30, 30);
            s.Rows[1] = Track("彩度(&S)", -100, 100, 0, 10, 10);
            s.Rows[2] = Track("明度(&V)", -100, 100, 0, 10, 10);
            s.HelpTopic = 48;
            return s;
        },
        [](TQxImage& d, const TPreviewValues& v) {
            d.AdjustHSV(std::int16_t(v.Position[0]), std::int8_t(v.Position[1]), std::int8_t(v.Position[2]));
        },
        AllAtZero));

    // Two-level: the preview runs without progress.
    rows.push_back({TPreviewEffectType::Monochrome, "２階調化",
                    [](TZVfrmMain&) {
                        TPreviewSetup s;
                        s.Caption = "２階調化";
                        s.Rows[0] = Track("境界のしきい値(1～255)", 1, 255, 128, 10, 10);
                        s.HelpTopic = 49;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.Monochrome(v.Position[0], false, false); },
                    [](TZVfrmMain& f, const TPreviewValues& v) {
                        f.QxImage1().Monochrome(v.Position[0], false, true);
                        return true;
                    },
                    true, false});

    // Rotation by an angle in tenths of a degree; the spin edit shows
    // degrees. The thumbnail keeps its size; OK enlarges the canvas.
    rows.push_back({TPreviewEffectType::Rotate, "任意角度回転",
                    [](TZVfrmMain&) {
                        TPreviewSetup s;
                        s.Caption = "任意角度回転";
                        s.Rows[0] = Track("回転角度：", -1800, 1800, 0, 100, 100);
                        s.Rows[0].Divisor = 10;
                        s.Rows[0].Decimals = 1;
                        s.Rows[0].SpinStep = 0.1;
                        s.HelpTopic = 74;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.RotateAngle(v.Position[0], false); },
                    [](TZVfrmMain& f, const TPreviewValues& v) {
                        if (v.Position[0] == 0) return false;
                        f.QxImage1().RotateAngle(v.Position[0], true);
                        return true;
                    },
                    false, true});

    rows.push_back({TPreviewEffectType::Posterize, "ポスタライズ",
                    [](TZVfrmMain& f) {
                        TPreviewSetup s;
                        s.Caption = "ポスタライズ";
                        s.Rows[0] = Track("段階数：", 2, 16, std::clamp(int(EffectSettings(f).PosterizeLevel), 2, 16), 1, 1);
                        s.HelpTopic = 75;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.Posterize(std::uint8_t(v.Position[0])); },
                    [](TZVfrmMain& f, const TPreviewValues& v) {
                        EffectSettings(f).PosterizeLevel = std::uint8_t(v.Position[0]);
                        f.QxImage1().Posterize(std::uint8_t(v.Position[0]));
                        return true;
                    },
                    true, true});

    // Solarization: 255 changes nothing and keeps the stored threshold.
    rows.push_back({TPreviewEffectType::Solarization, "ソラリゼーション",
                    [](TZVfrmMain& f) {
                        TPreviewSetup s;
                        s.Caption = "ソラリゼーション";
                        s.Rows[0] = Track("しきい値：", 0, 255, EffectSettings(f).SolarizationLevel, 8, 10);
                        s.HelpTopic = 83;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) { p.Solarization(std::uint8_t(v.Position[0])); },
                    [](TZVfrmMain& f, const TPreviewValues& v) {
                        if (v.Position[0] > 254) return false;
                        EffectSettings(f).SolarizationLevel = std::uint8_t(v.Position[0]);
                        f.QxImage1().Solarization(std::uint8_t(v.Position[0]));
                        return true;
                    },
                    true, true});
    // Wrap-around shift of the selection (or the picture), up to one
    // whole turn each way. The thumbnail shifts by the same fraction of its
    // own size; a whole turn on OK changes nothing and adds no undo step.
    rows.push_back({TPreviewEffectType::SlideImage, "シフト",
                    [](TZVfrmMain& f) {
                        const TPoint size = ShiftSourceSize(f);
                        TPreviewSetup s;
                        s.Caption = "シフト";
                        s.Rows[0] = Track("横軸の移動量：", -size.X, size.X, 0, ShiftPage(size.X), ShiftPage(size.X));
                        s.Rows[1] = Track("縦軸の移動量：", -size.Y, size.Y, 0, ShiftPage(size.Y), ShiftPage(size.Y));
                        s.HelpTopic = 86;
                        return s;
                    },
                    [](TQxImage& p, const TPreviewValues& v) {
                        if (v.SourceWidth <= 0 || v.SourceHeight <= 0) return;
                        const int dx = int(std::trunc(double(p.Bitmap().Width()) / v.SourceWidth * v.Position[0]));
                        const int dy = int(std::trunc(double(p.Bitmap().Height()) / v.SourceHeight * v.Position[1]));
                        p.ShiftImage(dx, dy);
                    },
                    [](TZVfrmMain& f, const TPreviewValues& v) {
                        const TPoint size = ShiftSourceSize(f);
                        const int dx = v.Position[0], dy = v.Position[1];
                        if (!((dx != 0 && std::abs(dx) != size.X) || (dy != 0 && std::abs(dy) != size.Y))) return false;
                        f.QxImage1().ShiftImage(dx, dy);
                        return true;
                    },
                    true, true});
    return rows;
}

std::vector<TSlideEffect> MakeSlideEffects() {
    std::vector<TSlideEffect> rows;
    // JPEG quality, a setting of section "Settings"; the picture is not
    // touched and no undo-list entry is added.
    rows.push_back({TSlideEffectType::JpegQuality, "",
                    [](TZVfrmMain& f) {
                        TSlideSetup s;
                        s.Caption = "JPEG品質";
                        s.Label = "品質(1～100)";
                        s.Min = 1;
                        s.Max = 100;
                        s.Position = std::clamp(int(f.Options.FJpegQuality), 1, 100);
                        s.HelpTopic = 38;
                        return s;
                    },
                    [](TZVfrmMain& f, int position, bool, bool) {
                        f.Options.FJpegQuality = std::uint8_t(position);
                        return false;
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
