#include "app/window/ZVEnableChange.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "app/window/CommandTable.h"
#include "app/window/GeometryCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {

void EnableChange(TZVfrmMain& f, bool value) {
    const TMainActions& a = f.Actions;
    // The image commands, toolbar buttons and menu items together (a button
    // and its menu item are one action).
    const QList<QAction*> plain = {
        a.mnuBlock, a.mnuBlur, a.mnuBrightness, a.mnuButton3D, a.mnuColorBit, a.mnuContrast, a.mnuCopy,
        a.mnuFadeOut, a.mnuFlip, a.mnuGamma, a.mnuGrayscale, a.mnuHSV, a.mnuMirror, a.mnuMonochrome,
        a.mnuMosaic, a.mnuNegative, a.btnNextImage, a.mnuNoise, a.mnuOpen, a.mnuPosterize, a.btnPrevImage,
        a.mnuPrint, a.mnuRGB, a.mnuResize, a.mnuRotate90, a.mnuRotate270, a.mnuRotate, a.mnuSave, a.mnuSepia,
        a.mnuSlideImage, a.mnuSlideShow, a.mnuSolarization, a.mnuSpacing, a.mnuSpray, a.btnSlideStop,
        a.mnuSwapRGB, a.mnuTextOut, a.mnuThumbNail, a.mnuTransparent, a.mnuTriming, a.mnuWave,
        a.mnuXORConvert, a.mnuNew, a.mnuGradation, a.mnuSelectAll, a.mnuScetch, a.mnuOilPaint, a.mnuVortex,
        a.mnuGlassMosaic,
        // menu items only
        a.mnuAcquire, a.mnuCapture, a.mnuCombine, a.mnuCustomFilter, a.mnuEdgeDetection, a.mnuEmboss,
        a.mnuGaussianBlur, a.mnuHighPass, a.mnuHistogram, a.mnuMedian, a.mnuMerge, a.mnuNoiseReduction,
        a.mnuReload, a.mnuSaveAs, a.mnuSaveAsWallPaper, a.mnuSharpen, a.mnuSoft, a.mnuColorBit24,
        a.mnuColorBit8, a.mnuColorBit4, a.mnuColorBit1, a.mnuColorBitHalftone, a.mnuSingleColorScale,
        a.mnuEqualize, a.mnuNormalize, a.mnuTexture, a.mnuImplode, a.mnuExplode, a.mnuCustomTrim,
        a.mnuSpotLight, a.mnuGetColorCount, a.mnuBlind,
    };
    for (QAction* action : plain) SetCommandEnabled(action, value);

    SetCommandEnabled(a.mnuUndo, value && !f.mnuUndoList->actions().isEmpty());
    SetCommandEnabled(a.mnuRedo, value && !f.mnuRedoList->actions().isEmpty());
    const bool paste = value && f.ClipboardHasBitmap();
    SetCommandEnabled(a.mnuPaste, value && ClipboardCanPaste(f));
    SetCommandEnabled(a.mnuMergePaste, paste);
    SetCommandEnabled(a.mnuClipBoardClear, paste);
    const bool cut = value && f.QxImage1().HasSelection();
    SetCommandEnabled(a.mnuCut, cut);
    SetCommandEnabled(a.mnuDelete, cut);

    if (!value) {
        for (QAction* action : {a.mnuCopy, a.mnuPaste, a.mnuCut, a.mnuDelete}) action->setShortcut(QKeySequence());
        return;
    }
    a.mnuCopy->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    a.mnuPaste->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    a.mnuCut->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
    a.mnuDelete->setShortcut(QKeySequence(QStringLiteral("Del")));
    f.UpdateCommandState();
}

}  // namespace zelvo
