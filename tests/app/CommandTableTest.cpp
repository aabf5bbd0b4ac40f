// The command table against the window made from it: every row's action,
// every immediate row's undo step, and the enable rules.

#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <set>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

using TKind = TCommandHandler::TKind;

QAction* ActionOf(TZVfrmMain& form, const TCommand& command) { return form.Actions.*command.Action; }

TEST(CommandTable, EachRowMakesItsActionAndMatchesItsDialog) {
    auto form = test::MakeWindow();
    std::set<std::string> names;
    for (const TCommand& command : Commands()) {
        SCOPED_TRACE(command.Name);
        EXPECT_TRUE(names.insert(command.Name).second) << "named twice";
        QAction* action = ActionOf(*form, command);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->objectName().toStdString(), command.Name);
        EXPECT_EQ(action->text().toStdString(), command.Caption);
        EXPECT_EQ(action->shortcut(), command.Shortcut ? QKeySequence(QString::fromLatin1(command.Shortcut))
                                                       : QKeySequence());
        EXPECT_EQ(action->isCheckable(), command.Has(kCheck));
        EXPECT_EQ(action->data().isValid(), command.Handler.HasTag);
        if (command.Handler.HasTag) {
            EXPECT_EQ(action->data().toInt(), command.Handler.Tag);
        }
        // A command that names an undo step says what it is called.
        if (command.Handler.Kind == TKind::Document) {
            ASSERT_NE(command.Undo, nullptr);
        }
        // The dialog tables name the same undo step as the row.
        if (command.Handler.Kind == TKind::Preview) {
            const TPreviewEffect* effect = FindPreviewEffect(command.Handler.PreviewType);
            ASSERT_NE(effect, nullptr);
            EXPECT_EQ(effect->UndoCaption, command.Undo ? command.Undo : "");
        }
        if (command.Handler.Kind == TKind::Slider) {
            const TSlideEffect* effect = FindSlideEffect(command.Handler.SliderType);
            ASSERT_NE(effect, nullptr);
            EXPECT_EQ(effect->UndoCaption, command.Undo ? command.Undo : "");
        }
    }
    EXPECT_EQ(FindCommand("mnuSlideImage")->Handler.PreviewType, TPreviewEffectType::ShiftImage);
    EXPECT_STREQ(UndoCaption(&TMainActions::mnuSepia), "セピア色変換");
    EXPECT_STREQ(UndoCaption(&TMainActions::mnuOpen), "");
}

// The menu's object name, then its items: "|" a separator, a sub-menu's
// items in brackets.
std::string Layout(const QMenu& menu) {
    std::string text = menu.objectName().toStdString() + ":";
    for (const QAction* action : menu.actions()) {
        text += " ";
        if (action->isSeparator()) {
            text += "|";
            continue;
        }
        text += action->objectName().toStdString();
        if (action->menu()) text += "[" + Layout(*action->menu()).substr(std::string(":").size()) + "]";
    }
    return text;
}

TEST(CommandTable, TheMenuBarIsTheDesigns) {
    auto form = test::MakeWindow();
    std::vector<std::string> menus;
    for (const QAction* item : form->menuBar()->actions()) menus.push_back(Layout(*item->menu()));
    const std::vector<std::string> design = {
        "File1: mnuNew mnuOpen mnuReload | mnuSave mnuSaveAs mnuSaveAsWallPaper[ mnuWallPaperCenter mnuWallPaperTile "
        "mnuClearWallpaper] | mnuSetPrinter mnuPrint | TWAIN1 mnuAcquire | mnuThumbNail mnuBatchConvert mnuSlideShow "
        "| mnuClose",
        "Edit1: mnuUndo mnuRedo | mnuCopy mnuPaste mnuMergePaste mnuCut mnuDelete | mnuSelectAll mnuTextOut | "
        "mnuMerge mnuCombine mnuCapture[ mnuCaptureDesktop mnuCaptureActiveWindow mnuCaptureClientArea] | "
        "mnuClearUndo mnuClipBoardClear",
        "View1: mnuZoom T1[ mnuToolbar1 mnuToolbar3 mnuToolbar2 mnuToolbar7 mnuToolbar4 mnuToolbar5 mnuToolbar6] "
        "mnuShowStatusBar | H1[ mnuEqualize mnuNormalize mnuHistogram] | mnuBackgroundColor",
        "Image1: mnuResize | mnuTriming mnuCustomTrim | mnuRotate270 mnuRotate90 mnuRotate mnuMirror mnuFlip | "
        "mnuSlideImage mnuSpacing mnuTexture | mnuNoiseReduction mnuMedian[ mnuMedianLow mnuMedianAve "
        "mnuMedianHigh] | mnuProgressive mnuTransparent mnuJpegQuality mnuWebpOptions mnuTiffOptions "
        "mnuAvifOptions mnuHeicOptions mnuJxlOptions",
        "Color1: mnuGrayscale mnuSepia mnuNegative mnuSingleColorScale | mnuBrightness mnuContrast mnuRGB "
        "mnuPosterize mnuSolarization mnuGamma mnuHSV mnuMonochrome | mnuSwapRGB mnuXORConvert | mnuGradation | "
        "mnuGetColorCount mnuColorBit",
        "Effect1: mnuSoft mnuSharpen mnuEmboss mnuHighPass mnuEdgeDetection mnuGaussianBlur | mnuBlur mnuButton3D "
        "mnuSpray mnuNoise mnuWave mnuMosaic mnuBlock mnuFadeOut mnuGlassMosaic mnuScetch mnuOilPaint mnuVortex "
        "mnuExplode mnuImplode mnuSpotLight mnuBlind | mnuCustomFilter",
        "Help1: mnuHelpTopics | mnuHomePage mnuProductUpdate | mnuAbout",
    };
    EXPECT_EQ(menus, design);
    // The hidden commands are the window's own, for their shortcuts.
    for (QAction* hidden : {form->Actions.N14, form->Actions.N22, form->Actions.mnuRefresh})
        EXPECT_TRUE(form->actions().contains(hidden)) << hidden->objectName().toStdString();
}

TEST(CommandTable, EveryImmediateRowRunsAsOneNamedUndoStep) {
    int ran = 0;
    for (const TCommand& command : Commands()) {
        if (command.Handler.Kind != TKind::Document) continue;
        SCOPED_TRACE(command.Name);
        // A 24-bit picture: every immediate command is enabled but the
        // depth it already has.
        auto form = test::WindowWithSample(6, 5, std::string("immediate-") + command.Name + ".bmp");
        QAction* action = ActionOf(*form, command);
        if (!action->isEnabled()) {
            EXPECT_EQ(std::string(command.Name), "mnuColorBit24");
            continue;
        }
        action->trigger();
        EXPECT_EQ(test::UndoCaptions(*form), QStringList{QString::fromUtf8(command.Undo)});
        EXPECT_EQ(form->QxImage1().UndoCount(), 1);
        ++ran;
    }
    EXPECT_GE(ran, 20);

    // Without a picture none of them does anything.
    auto empty = test::MakeWindow();
    for (const TCommand& command : Commands()) {
        if (command.Handler.Kind == TKind::Document) ActionOf(*empty, command)->trigger();
    }
    EXPECT_TRUE(empty->ImageEmpty());
    EXPECT_TRUE(test::UndoCaptions(*empty).isEmpty());
}

TEST(CommandTable, ToolModeAndThe24BitRuleFollowTheRows) {
    // An 8-bit picture: the 24-bit commands are off, the rest of the
    // picture commands on; a tool window switches all of them off. Undo,
    // Redo, the clipboard commands, the current depth and transparency
    // (GIF mode) follow rules of their own.
    auto form = test::WindowWithSample(6, 5, "rules.bmp", 8);
    const std::set<std::string> ownRule{"mnuUndo", "mnuRedo", "mnuPaste", "mnuMergePaste", "mnuClipBoardClear",
                                        "mnuColorBit8", "mnuTransparent"};
    auto available = [&](QAction* action) { return !form->Modes.FUnavailable.contains(action); };

    QWidget toolWindow;
    form->Modes.FApplyCancelWindow = &toolWindow;
    EnableChange(*form, false);
    for (const TCommand& command : Commands()) {
        SCOPED_TRACE(command.Name);
        if (command.Has(kToolOff)) {
            EXPECT_FALSE(ActionOf(*form, command)->isEnabled());
        }
    }
    form->Modes.FApplyCancelWindow = nullptr;
    EnableChange(*form, true);
    for (const TCommand& command : Commands()) {
        SCOPED_TRACE(command.Name);
        QAction* action = ActionOf(*form, command);
        if (!command.Has(kToolOff) || ownRule.count(command.Name)) continue;
        const bool expected = available(action) && !command.Has(k24Bit) && !command.Has(kSelection);
        EXPECT_EQ(action->isEnabled(), expected);
    }

    // An unavailable command stays off whatever enables it.
    SetCommandUnavailable(*form, form->Actions.mnuSepia);
    EnableChange(*form, true);
    SetCommandEnabled(form->Actions.mnuSepia, true);
    EXPECT_FALSE(form->Actions.mnuSepia->isEnabled());
    form->Actions.mnuSepia->trigger();
    EXPECT_TRUE(test::UndoCaptions(*form).isEmpty());
}

}  // namespace
}  // namespace zelvo
