#include "app/window/ZVEnableChange.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

void EnableChange(TZVfrmMain& f, bool value) {
    // The image commands, toolbar buttons and menu items together (a button
    // and its menu item are one action).
    const QList<QAction*> plain = {
        f.mnuBlock, f.mnuBlur, f.mnuBrightness, f.mnuButton3D, f.mnuColorBit, f.mnuContrast, f.mnuCopy,
        f.mnuFadeOut, f.mnuFlip, f.mnuGamma, f.mnuGrayscale, f.mnuHSV, f.mnuMirror, f.mnuMonochrome,
        f.mnuMosaic, f.mnuNegative, f.btnNextImage, f.mnuNoise, f.mnuOpen, f.mnuPosterize, f.btnPrevImage,
        f.mnuPrint, f.mnuRGB, f.mnuResize, f.mnuRotate90, f.mnuRotate270, f.mnuRotate, f.mnuSave, f.mnuSepia,
        f.mnuSlideImage, f.mnuSlideShow, f.mnuSolarization, f.mnuSpacing, f.mnuSpray, f.btnSlideStop,
        f.mnuSwapRGB, f.mnuTextOut, f.mnuThumbNail, f.mnuTransparent, f.mnuTriming, f.mnuWave,
        f.mnuXORConvert, f.mnuNew, f.mnuGradation, f.mnuSelectAll, f.mnuScetch, f.mnuOilPaint, f.mnuVortex,
        f.mnuGlassMosaic,
        // menu items only
        f.mnuAcquire, f.mnuCapture, f.mnuCombine, f.mnuCustomFilter, f.mnuEdgeDetection, f.mnuEmboss,
        f.mnuGaussianBlur, f.mnuHighPass, f.mnuHistogram, f.mnuMedian, f.mnuMerge, f.mnuNoiseReduction,
        f.mnuReload, f.mnuSaveAs, f.mnuSaveAsWallPaper, f.mnuSharpen, f.mnuSoft, f.mnuColorBit24,
        f.mnuColorBit8, f.mnuColorBit4, f.mnuColorBit1, f.mnuColorBitHalftone, f.mnuSingleColorScale,
        f.mnuEqualize, f.mnuNormalize, f.mnuTexture, f.mnuImplode, f.mnuExplode, f.mnuCustomTrim,
        f.mnuSpotLight, f.mnuGetColorCount, f.mnuBlind,
    };
    for (QAction* action : plain) SetCommandEnabled(action, value);

    SetCommandEnabled(f.mnuUndo, value && !f.mnuUndoList->actions().isEmpty());
    SetCommandEnabled(f.mnuRedo, value && !f.mnuRedoList->actions().isEmpty());
    const bool paste = value && f.ClipboardHasBitmap();
    SetCommandEnabled(f.mnuPaste, paste);
    SetCommandEnabled(f.mnuMergePaste, paste);
    SetCommandEnabled(f.mnuClipBoardClear, paste);
    const bool cut = value && f.QxImage1().HasSelection();
    SetCommandEnabled(f.mnuCut, cut);
    SetCommandEnabled(f.mnuDelete, cut);

    if (!value) {
        for (QAction* action : {f.mnuCopy, f.mnuPaste, f.mnuCut, f.mnuDelete}) action->setShortcut(QKeySequence());
        return;
    }
    f.mnuCopy->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    f.mnuPaste->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    f.mnuCut->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
    f.mnuDelete->setShortcut(QKeySequence(QStringLiteral("Del")));
    f.UpdateCommandState();
}

}  // namespace zelvo
