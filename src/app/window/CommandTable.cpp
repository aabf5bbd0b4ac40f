// The command table of the main window: every command, and who wires it.
//
// How to wire a family of commands (tone, geometry, effects, ...):
//  1. Add your own file, e.g. src/app/window/ToneCommands.cpp, defining
//         void InstallToneCommands(TZVfrmMain& form)
//     which connects each action to its handler, for example
//         QObject::connect(form.Actions.mnuSepia, &QAction::triggered, &form, [&form] {
//             form.RunImmediate("セピア色変換", [&form] { form.QxImage1().Sepia(); });
//         });
//     Immediate commands go through TZVfrmMain::RunImmediate (it returns
//     without a picture, names the undo step, runs the busy bracket and
//     pushes the history). Dialog commands set form.FLastOperation and call
//     form.PushHistory() only when the dialog is confirmed.
//  2. Declare the installer below, next to the others (one line).
//  3. In the table, replace the row's Waiting("...") by your installer.
// A command whose row is still Waiting is present in the menus and on the
// toolbars but stays disabled: EnableChange and UpdateCommandState never
// enable it (they go through SetCommandEnabled).

#include "app/window/CommandTable.h"

#include <QAction>
#include <QVariant>

#include <set>

#include "app/window/ZVfrmMain.h"

namespace zelvo {

// Installers, one per family of commands.
void InstallFileCommands(TZVfrmMain& form);
void InstallEditCommands(TZVfrmMain& form);
void InstallViewCommands(TZVfrmMain& form);
void InstallHelpCommands(TZVfrmMain& form);
void InstallToneCommands(TZVfrmMain& form);
void InstallGeometryCommands(TZVfrmMain& form);
void InstallClipboardCommands(TZVfrmMain& form);
void InstallEffectCommands(TZVfrmMain& form);
void InstallColorDepthCommands(TZVfrmMain& form);
void InstallTransparentCommand(TZVfrmMain& form);
void InstallHistogramCommands(TZVfrmMain& form);
void InstallCompositionCommands(TZVfrmMain& form);
void InstallGeneratedCommands(TZVfrmMain& form);
void InstallBatchConvertCommand(TZVfrmMain& form);
void InstallTextCommands(TZVfrmMain& form);
void InstallThumbnailCommands(TZVfrmMain& form);
void InstallSlideShowCommands(TZVfrmMain& form);
void InstallWallpaperCommands(TZVfrmMain& form);
void InstallPrintCommands(TZVfrmMain& form);
void InstallScannerCommands(TZVfrmMain& form);
void InstallCaptureCommands(TZVfrmMain& form);

namespace {

struct TCommandRow {
    QAction* TMainActions::*Command;
    TCommandInstaller Installer;  ///< nullptr: waiting
    const char* WaitingFor;       ///< what the command waits for
};

constexpr TCommandRow Wired(QAction* TMainActions::*command, TCommandInstaller installer) {
    return {command, installer, nullptr};
}
constexpr TCommandRow Waiting(QAction* TMainActions::*command, const char* what) {
    return {command, nullptr, what};
}

using M = TMainActions;

const TCommandRow kCommands[] = {
    // File menu
    Wired(&M::mnuNew, InstallGeneratedCommands),
    Wired(&M::mnuOpen, InstallFileCommands),
    Wired(&M::mnuReload, InstallFileCommands),
    Wired(&M::mnuSave, InstallFileCommands),
    Wired(&M::mnuSaveAs, InstallFileCommands),
    Wired(&M::mnuSaveAsWallPaper, InstallWallpaperCommands),
    Wired(&M::mnuWallPaperCenter, InstallWallpaperCommands),
    Wired(&M::mnuWallPaperTile, InstallWallpaperCommands),
    Wired(&M::mnuClearWallpaper, InstallWallpaperCommands),
    Wired(&M::mnuSetPrinter, InstallPrintCommands),
    Wired(&M::mnuPrint, InstallPrintCommands),
    Wired(&M::TWAIN1, InstallScannerCommands),
    Wired(&M::mnuAcquire, InstallScannerCommands),
    Wired(&M::mnuThumbNail, InstallThumbnailCommands),
    Wired(&M::mnuBatchConvert, InstallBatchConvertCommand),
    Wired(&M::mnuSlideShow, InstallSlideShowCommands),
    Wired(&M::mnuClose, InstallFileCommands),
    // Edit menu
    Wired(&M::mnuUndo, InstallEditCommands),
    Wired(&M::mnuRedo, InstallEditCommands),
    Wired(&M::mnuCopy, InstallClipboardCommands),
    Wired(&M::mnuPaste, InstallClipboardCommands),
    Wired(&M::mnuMergePaste, InstallCompositionCommands),
    Wired(&M::mnuCut, InstallClipboardCommands),
    Wired(&M::mnuDelete, InstallClipboardCommands),
    Wired(&M::mnuSelectAll, InstallEditCommands),
    Wired(&M::mnuTextOut, InstallTextCommands),
    Wired(&M::mnuMerge, InstallCompositionCommands),
    Wired(&M::mnuCombine, InstallCompositionCommands),
    Wired(&M::mnuCapture, InstallCaptureCommands),
    Wired(&M::mnuCaptureDesktop, InstallCaptureCommands),
    Wired(&M::mnuCaptureActiveWindow, InstallCaptureCommands),
    Wired(&M::mnuCaptureClientArea, InstallCaptureCommands),
    Wired(&M::mnuClearUndo, InstallEditCommands),
    Wired(&M::mnuClipBoardClear, InstallEditCommands),
    Wired(&M::N14, InstallViewCommands),
    Wired(&M::N22, InstallViewCommands),
    Wired(&M::mnuRefresh, InstallViewCommands),
    // View menu
    Wired(&M::mnuZoom, InstallViewCommands),
    Wired(&M::T1, InstallViewCommands),
    Wired(&M::mnuShowStatusBar, InstallViewCommands),
    Wired(&M::H1, InstallHistogramCommands),
    Wired(&M::mnuEqualize, InstallHistogramCommands),
    Wired(&M::mnuNormalize, InstallHistogramCommands),
    Wired(&M::mnuHistogram, InstallHistogramCommands),
    Wired(&M::mnuBackgroundColor, InstallViewCommands),
    // Image menu
    Wired(&M::mnuResize, InstallGeometryCommands),
    Wired(&M::mnuTriming, InstallGeometryCommands),
    Wired(&M::mnuCustomTrim, InstallGeometryCommands),
    Wired(&M::mnuRotate270, InstallGeometryCommands),
    Wired(&M::mnuRotate90, InstallGeometryCommands),
    Wired(&M::mnuRotate, InstallGeometryCommands),
    Wired(&M::mnuMirror, InstallGeometryCommands),
    Wired(&M::mnuFlip, InstallGeometryCommands),
    Wired(&M::mnuSlideImage, InstallGeometryCommands),
    Wired(&M::mnuSpacing, InstallGeometryCommands),
    Wired(&M::mnuTexture, InstallGeneratedCommands),
    Wired(&M::mnuNoiseReduction, InstallEffectCommands),
    Wired(&M::mnuMedian, InstallEffectCommands),
    Wired(&M::mnuMedianLow, InstallEffectCommands),
    Wired(&M::mnuMedianAve, InstallEffectCommands),
    Wired(&M::mnuMedianHigh, InstallEffectCommands),
    Wired(&M::mnuProgressive, InstallFileCommands),
    Wired(&M::mnuTransparent, InstallTransparentCommand),
    Wired(&M::mnuJpegQuality, InstallFileCommands),
    // Colour menu
    Wired(&M::mnuGrayscale, InstallToneCommands),
    Wired(&M::mnuSepia, InstallToneCommands),
    Wired(&M::mnuNegative, InstallToneCommands),
    Wired(&M::mnuSingleColorScale, InstallToneCommands),
    Wired(&M::mnuBrightness, InstallToneCommands),
    Wired(&M::mnuContrast, InstallToneCommands),
    Wired(&M::mnuRGB, InstallToneCommands),
    Wired(&M::mnuPosterize, InstallToneCommands),
    Wired(&M::mnuSolarization, InstallToneCommands),
    Wired(&M::mnuGamma, InstallToneCommands),
    Wired(&M::mnuHSV, InstallToneCommands),
    Wired(&M::mnuMonochrome, InstallToneCommands),
    Wired(&M::mnuSwapRGB, InstallToneCommands),
    Wired(&M::mnuXORConvert, InstallToneCommands),
    Wired(&M::mnuGradation, InstallGeneratedCommands),
    Wired(&M::mnuGetColorCount, InstallHistogramCommands),
    Wired(&M::mnuColorBit, InstallViewCommands),
    Wired(&M::mnuColorBit24, InstallColorDepthCommands),
    Wired(&M::mnuColorBit8, InstallColorDepthCommands),
    Wired(&M::mnuColorBit4, InstallColorDepthCommands),
    Wired(&M::mnuColorBit1, InstallColorDepthCommands),
    Wired(&M::mnuColorBitHalftone, InstallColorDepthCommands),
    // Effect menu
    Wired(&M::mnuSoft, InstallEffectCommands),
    Wired(&M::mnuSharpen, InstallEffectCommands),
    Wired(&M::mnuEmboss, InstallEffectCommands),
    Wired(&M::mnuHighPass, InstallEffectCommands),
    Wired(&M::mnuEdgeDetection, InstallEffectCommands),
    Wired(&M::mnuGaussianBlur, InstallEffectCommands),
    Wired(&M::mnuBlur, InstallEffectCommands),
    Wired(&M::mnuButton3D, InstallEffectCommands),
    Wired(&M::mnuSpray, InstallEffectCommands),
    Wired(&M::mnuNoise, InstallEffectCommands),
    Wired(&M::mnuWave, InstallEffectCommands),
    Wired(&M::mnuMosaic, InstallEffectCommands),
    Wired(&M::mnuBlock, InstallEffectCommands),
    Wired(&M::mnuFadeOut, InstallEffectCommands),
    Wired(&M::mnuGlassMosaic, InstallEffectCommands),
    Wired(&M::mnuScetch, InstallEffectCommands),
    Wired(&M::mnuOilPaint, InstallEffectCommands),
    Wired(&M::mnuVortex, InstallEffectCommands),
    Wired(&M::mnuExplode, InstallEffectCommands),
    Wired(&M::mnuImplode, InstallEffectCommands),
    Wired(&M::mnuSpotLight, InstallEffectCommands),
    Wired(&M::mnuBlind, InstallEffectCommands),
    Wired(&M::mnuCustomFilter, InstallEffectCommands),
    // Help menu
    Wired(&M::mnuHelpTopics, InstallHelpCommands),
    Wired(&M::mnuHomePage, InstallHelpCommands),
    Wired(&M::mnuProductUpdate, InstallHelpCommands),
    Wired(&M::mnuAbout, InstallHelpCommands),
    // Slide-show bar
    Wired(&M::btnSlideStop, InstallSlideShowCommands),
    Wired(&M::btnPrevImage, InstallSlideShowCommands),
    Wired(&M::btnNextImage, InstallSlideShowCommands),
};

constexpr const char* kWiredProperty = "zelvoCommandWired";

}  // namespace

void InstallCommands(TZVfrmMain& form) {
    std::set<TCommandInstaller> done;
    for (const TCommandRow& row : kCommands) {
        QAction* action = form.Actions.*row.Command;
        SetCommandWired(action, row.Installer != nullptr);
        if (!row.Installer) {
            action->setEnabled(false);
            continue;
        }
        if (done.insert(row.Installer).second) row.Installer(form);
    }
}

bool IsCommandWired(const QAction* action) {
    const QVariant wired = action->property(kWiredProperty);
    return !wired.isValid() || wired.toBool();
}

void SetCommandWired(QAction* action, bool wired) { action->setProperty(kWiredProperty, wired); }

void SetCommandEnabled(QAction* action, bool enabled) {
    if (action) action->setEnabled(enabled && IsCommandWired(action));
}

int CommandCount() { return int(std::size(kCommands)); }

TCommandStatus CommandStatusAt(TZVfrmMain& form, int index) {
    const TCommandRow& row = kCommands[index];
    const QAction* action = form.Actions.*row.Command;
    return {action->objectName().toStdString(), row.WaitingFor};
}

}  // namespace zelvo
