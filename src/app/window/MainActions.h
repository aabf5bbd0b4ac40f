#pragma once
// TMainActions: every command of the main window, as one QAction named as
// the program names its menu item (mnuOpen, mnuSepia, ...). The window
// creates them (ZVfrmMainActions.cpp) and owns them; the command files wire
// them (CommandTable.cpp decides which are wired).

#include <QList>

class QAction;

namespace zelvo {

struct TMainActions {
    // ---- File menu "ファイル(&F)"
    QAction* mnuNew = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuReload = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuSaveAsWallPaper = nullptr;  ///< sub-menu
    QAction* mnuWallPaperCenter = nullptr;
    QAction* mnuWallPaperTile = nullptr;
    QAction* mnuClearWallpaper = nullptr;
    QAction* mnuSetPrinter = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* TWAIN1 = nullptr;
    QAction* mnuAcquire = nullptr;
    QAction* mnuThumbNail = nullptr;
    QAction* mnuBatchConvert = nullptr;
    QAction* mnuSlideShow = nullptr;
    QAction* mnuClose = nullptr;

    // ---- Edit menu "編集(&E)"
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    QAction* mnuMergePaste = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuSelectAll = nullptr;
    QAction* mnuTextOut = nullptr;  ///< check item
    QAction* mnuMerge = nullptr;
    QAction* mnuCombine = nullptr;
    QAction* mnuCapture = nullptr;  ///< sub-menu
    QAction* mnuCaptureDesktop = nullptr;
    QAction* mnuCaptureActiveWindow = nullptr;
    QAction* mnuCaptureClientArea = nullptr;
    QAction* mnuClearUndo = nullptr;
    QAction* mnuClipBoardClear = nullptr;
    /// Hidden items: kept off the menu so their shortcuts stay live.
    QAction* N14 = nullptr;
    QAction* N22 = nullptr;
    QAction* mnuRefresh = nullptr;

    // ---- View menu "表示(&V)"
    QAction* mnuZoom = nullptr;
    QAction* T1 = nullptr;  ///< sub-menu of the seven toolbar check items
    QAction* mnuShowStatusBar = nullptr;
    QAction* H1 = nullptr;  ///< sub-menu
    QAction* mnuEqualize = nullptr;
    QAction* mnuNormalize = nullptr;
    QAction* mnuHistogram = nullptr;
    QAction* mnuBackgroundColor = nullptr;

    // ---- Image menu "イメージ(&I)"
    QAction* mnuResize = nullptr;
    QAction* mnuTriming = nullptr;
    QAction* mnuCustomTrim = nullptr;
    QAction* mnuRotate270 = nullptr;
    QAction* mnuRotate90 = nullptr;
    QAction* mnuRotate = nullptr;
    QAction* mnuMirror = nullptr;
    QAction* mnuFlip = nullptr;
    QAction* mnuSlideImage = nullptr;
    QAction* mnuSpacing = nullptr;
    QAction* mnuTexture = nullptr;
    QAction* mnuNoiseReduction = nullptr;
    QAction* mnuMedian = nullptr;  ///< sub-menu
    QAction* mnuMedianLow = nullptr;
    QAction* mnuMedianAve = nullptr;
    QAction* mnuMedianHigh = nullptr;
    QAction* mnuProgressive = nullptr;  ///< check item
    QAction* mnuTransparent = nullptr;  ///< check item, GIF mode only
    QAction* mnuJpegQuality = nullptr;

    // ---- Colour menu "カラー(&C)"
    QAction* mnuGrayscale = nullptr;
    QAction* mnuSepia = nullptr;
    QAction* mnuNegative = nullptr;
    QAction* mnuSingleColorScale = nullptr;
    QAction* mnuBrightness = nullptr;
    QAction* mnuContrast = nullptr;
    QAction* mnuRGB = nullptr;
    QAction* mnuPosterize = nullptr;
    QAction* mnuSolarization = nullptr;
    QAction* mnuGamma = nullptr;
    QAction* mnuHSV = nullptr;
    QAction* mnuMonochrome = nullptr;
    QAction* mnuSwapRGB = nullptr;
    QAction* mnuXORConvert = nullptr;
    QAction* mnuGradation = nullptr;
    QAction* mnuGetColorCount = nullptr;
    QAction* mnuColorBit = nullptr;  ///< pops up PopupMenu1

    // ---- Effect menu "加工(&T)"
    QAction* mnuSoft = nullptr;
    QAction* mnuSharpen = nullptr;
    QAction* mnuEmboss = nullptr;
    QAction* mnuHighPass = nullptr;
    QAction* mnuEdgeDetection = nullptr;
    QAction* mnuGaussianBlur = nullptr;
    QAction* mnuBlur = nullptr;
    QAction* mnuButton3D = nullptr;
    QAction* mnuSpray = nullptr;
    QAction* mnuNoise = nullptr;
    QAction* mnuWave = nullptr;
    QAction* mnuMosaic = nullptr;
    QAction* mnuBlock = nullptr;
    QAction* mnuFadeOut = nullptr;
    QAction* mnuGlassMosaic = nullptr;
    QAction* mnuScetch = nullptr;
    QAction* mnuOilPaint = nullptr;
    QAction* mnuVortex = nullptr;
    QAction* mnuExplode = nullptr;
    QAction* mnuImplode = nullptr;
    QAction* mnuSpotLight = nullptr;
    QAction* mnuBlind = nullptr;
    QAction* mnuCustomFilter = nullptr;

    // ---- Help menu "ヘルプ(&H)"
    QAction* mnuHelpTopics = nullptr;
    QAction* mnuHomePage = nullptr;
    QAction* mnuProductUpdate = nullptr;
    QAction* mnuAbout = nullptr;

    // ---- PopupMenu1 (colour depth); the tag is the action's data()
    QAction* mnuColorBit24 = nullptr;
    QAction* mnuColorBit8 = nullptr;
    QAction* mnuColorBit4 = nullptr;
    QAction* mnuColorBit1 = nullptr;
    QAction* mnuColorBitHalftone = nullptr;

    // ---- ZoomMenu (radio items; the tag is the action's data())
    QAction* mnuZoomFit = nullptr;
    QAction* mnuZoom100 = nullptr;
    QList<QAction*> ZoomItems;  ///< every ZoomMenu entry in menu order

    // ---- Toolbar8, the slide-show bar
    QAction* btnSlideStop = nullptr;
    QAction* btnPrevImage = nullptr;
    QAction* btnNextImage = nullptr;
};

}  // namespace zelvo
