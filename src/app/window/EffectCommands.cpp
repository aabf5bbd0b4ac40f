#include "app/window/EffectCommands.h"

#include <QAction>

#include "app/dialogs/EffectTypes.h"
#include "app/dialogs/ZVfrmCustomFilter.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/dialogs/ZVfrmSlide2.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

// The caption of a rank-extraction entry by its rank (the entry's tag).
const char* MedianCaption(int rank) {
    switch (rank) {
    case 1: return "最小濃度抽出";
    case 5: return "中間濃度抽出";
    case 9: return "最大濃度抽出";
    default: return "値抽出フィルタ";
    }
}

}  // namespace

bool SpotLightPicking(const TZVfrmMain& form) { return form.Modes.FSpotLightPicking; }

void SpotLightClick(TZVfrmMain& form) {
    if (form.ImageEmpty() || SpotLightPicking(form)) return;
    EnableChange(form, false);
    form.Modes.FSpotLightPicking = true;
    form.View().StartPointPick();
}

void SpotLightPointSelected(TZVfrmMain& form, int x, int y) {
    form.Modes.FSpotLightPicking = false;
    EnableChange(form, true);
    ShowPreviewEffect(form, TPreviewEffectType::SpotLight, TPoint{x, y});
}

void BlockClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    form.FLastOperation = "ブロック";
    TZVfrmSlide2 dialog(form);
    dialog.exec();
}

void BlindClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    form.FLastOperation = "ブラインド";
    TZVfrmRegularPreview dialog(form);
    dialog.exec();
}

void InstallEffectCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    const TMainActions& a = form.Actions;
    auto on = [f](QAction* action, auto handler) { QObject::connect(action, &QAction::triggered, f, handler); };
    auto preview = [&on, f](QAction* action, TPreviewEffectType type) {
        on(action, [f, type] { ShowPreviewEffect(*f, type); });
    };
    auto slide = [&on, f](QAction* action, TSlideEffectType type) {
        on(action, [f, type] { ShowSlideEffect(*f, type); });
    };
    auto immediate = [&on, f](QAction* action, const char* caption, void (TQxImage::*operation)()) {
        on(action, [f, caption, operation] { f->RunImmediate(caption, [f, operation] { (f->QxImage1().*operation)(); }); });
    };

    // Neighbourhood filters.
    immediate(a.mnuSoft, "ソフトにする", &TQxImage::Soft);
    preview(a.mnuSharpen, TPreviewEffectType::Sharpen);
    preview(a.mnuEmboss, TPreviewEffectType::Emboss);
    preview(a.mnuHighPass, TPreviewEffectType::HighPass);
    preview(a.mnuEdgeDetection, TPreviewEffectType::EdgeDetection);
    slide(a.mnuGaussianBlur, TSlideEffectType::GaussianBlur);
    slide(a.mnuNoiseReduction, TSlideEffectType::NoiseReduction);
    for (QAction* entry : {a.mnuMedianLow, a.mnuMedianAve, a.mnuMedianHigh}) {
        on(entry, [f, entry] {
            const int rank = entry->data().toInt();
            f->RunImmediate(MedianCaption(rank), [f, rank] { f->QxImage1().Median(rank); });
        });
    }
    on(a.mnuCustomFilter, [f] { CustomFilterClick(*f); });

    // Distortion and artistic effects.
    slide(a.mnuBlur, TSlideEffectType::Blur);
    slide(a.mnuButton3D, TSlideEffectType::Button3D);
    slide(a.mnuSpray, TSlideEffectType::Spray);
    slide(a.mnuNoise, TSlideEffectType::Noise);
    slide(a.mnuWave, TSlideEffectType::Wave);
    slide(a.mnuMosaic, TSlideEffectType::Mosaic);
    on(a.mnuBlock, [f] { BlockClick(*f); });
    slide(a.mnuFadeOut, TSlideEffectType::FadeOut);
    slide(a.mnuGlassMosaic, TSlideEffectType::GlassMosaic);
    immediate(a.mnuScetch, "鉛筆画", &TQxImage::Scetch);
    slide(a.mnuOilPaint, TSlideEffectType::OilPaint);
    preview(a.mnuVortex, TPreviewEffectType::Vortex);
    preview(a.mnuExplode, TPreviewEffectType::Explode);
    preview(a.mnuImplode, TPreviewEffectType::Implode);
    on(a.mnuBlind, [f] { BlindClick(*f); });

    on(a.mnuSpotLight, [f] { SpotLightClick(*f); });
    QObject::connect(&form.View(), &TQxImageView::SelectPos, f, [f](int x, int y) {
        if (SpotLightPicking(*f)) SpotLightPointSelected(*f, x, y);
    });
}

}  // namespace zelvo
