// The main window's design: the commands made from the command table
// (Commands.def), the menus, the pop-ups and the toolbars, in the order the
// user sees them. Behaviour lives in the command files.

#include <QCoreApplication>
#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QRegularExpression>

#include <vector>

#include "app/window/CommandTable.h"
#include "app/common/ToolbarLayout.h"
#include "app/window/ZVfrmMain.h"
#include "view/QxImageView.h"

namespace zelvo {

namespace {

// The short hint: the caption without its accelerator and ellipsis.
QString ShortHint(QString caption) {
    caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    caption.remove(QStringLiteral("&"));
    while (caption.endsWith(QLatin1Char('.'))) caption.chop(1);
    return caption;
}

}  // namespace

void TZVfrmMain::CreateActions() {
    for (const TCommand& command : Commands()) {
        auto* action = new QAction(QCoreApplication::translate("Commands", command.Caption), this);
        Actions.*command.Action = action;
        action->setObjectName(QString::fromLatin1(command.Name));
        if (command.Shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(command.Shortcut)));
        if (command.Icon)
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(command.Icon))));
        // Hints have a short text (tool tip) and a long one (status bar).
        const QString hint = ShortHint(action->text());
        action->setToolTip(hint);
        action->setStatusTip(hint);
        action->setCheckable(command.Has(kCheck));
        if (command.Handler.HasTag) action->setData(command.Handler.Tag);
    }
    Actions.mnuShowStatusBar->setChecked(true);
}

void TZVfrmMain::CreateMenus() {
    TMainActions& a = Actions;
    // The menu bar as the command table lays it out.
    QMenu* menu = nullptr;  // nullptr: the rows are on no menu
    QMenu* sub = nullptr;   // the sub-menu of the last Menu row
    for (const TMenuEntry& entry : MenuLayout()) {
        switch (entry.Kind) {
            case TMenuEntry::TKind::Menu:
                menu = entry.Caption ? menuBar()->addMenu(QCoreApplication::translate("Commands", entry.Caption)) : nullptr;
                if (menu) menu->setObjectName(QString::fromLatin1(entry.Name));
                sub = nullptr;
                break;
            case TMenuEntry::TKind::Separator:
                if (menu) menu->addSeparator();
                break;
            case TMenuEntry::TKind::Command: {
                const TCommand& command = *FindCommand(entry.Action);
                QAction* action = Actions.*entry.Action;
                // A hidden command is on no menu; added to the window its
                // shortcut still works.
                if (command.Has(kHidden)) addAction(action);
                if (!menu || command.Has(kHidden)) break;
                if (command.Has(kSubItem) && sub) {
                    sub->addAction(action);
                    break;
                }
                if (command.Handler.Kind == TCommandHandler::TKind::Menu) {
                    sub = new QMenu(menu);
                    action->setMenu(sub);
                }
                menu->addAction(action);
                break;
            }
        }
    }

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions({a.mnuColorBit24, a.mnuColorBit8, a.mnuColorBit4, a.mnuColorBit1, a.mnuColorBitHalftone});

    ZoomMenu = new QMenu(this);
    ZoomMenu->setObjectName(QStringLiteral("ZoomMenu"));
    auto* zoomGroup = new QActionGroup(ZoomMenu);
    // The fit item unchecks itself, so the group may have no checked item.
    zoomGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    // The fit item, then the view's zoom steps (the ones Ctrl + wheel walks).
    constexpr int kFitTag = 999999;
    std::vector<int> tags{kFitTag};
    for (const int step : TQxImageView::ZoomSteps()) tags.push_back(step);
    for (const int tag : tags) {
        const QString caption = tag == kFitTag ? QCoreApplication::translate("TZVfrmMainActions", "ウィンドウに合わせる(&F)")
                                : tag == 100   ? QCoreApplication::translate("TZVfrmMainActions", "現寸表示(&O)")
                                               : QStringLiteral("%1%").arg(tag);
        const char* shortcut = tag == kFitTag ? "Ctrl+F12" : tag == 100 ? "Ctrl+F10" : nullptr;
        auto* item = new QAction(caption, ZoomMenu);
        item->setObjectName(QStringLiteral("mnuZoom%1").arg(tag == kFitTag ? QStringLiteral("Fit") : QString::number(tag)));
        item->setData(tag);
        item->setCheckable(true);
        if (shortcut) {
            // Shown in the pop-up; the live window shortcuts are N14 and N22.
            item->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
            item->setShortcutContext(Qt::WidgetShortcut);
        }
        zoomGroup->addAction(item);
        ZoomMenu->addAction(item);
        a.ZoomItems.append(item);
        if (tag == kFitTag) a.mnuZoomFit = item;
        if (tag == 100) a.mnuZoom100 = item;
    }
    a.mnuZoom100->setChecked(true);

    mnuUndoList = new QMenu(this);
    mnuUndoList->setObjectName(QStringLiteral("mnuUndoList"));
    mnuRedoList = new QMenu(this);
    mnuRedoList->setObjectName(QStringLiteral("mnuRedoList"));
}

void TZVfrmMain::CreateToolbars() {
    TMainActions& a = Actions;
    auto makeBar = [this](QToolBar*& bar, const char* name, const char* caption) {
        bar = new QToolBar(QCoreApplication::translate("TZVfrmMainActions", caption), this);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setMovable(true);
        bar->setFloatable(true);
        bar->setIconSize(QSize(16, 16));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        // Tight buttons, as the classic toolbar packs them.
        bar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; }"));
    };
    // A button whose arrow opens a drop-down list.
    auto dropDown = [](QToolBar* bar, QAction* action, QMenu* menu, QToolButton::ToolButtonPopupMode mode) {
        auto* button = new QToolButton(bar);
        button->setDefaultAction(action);
        button->setMenu(menu);
        button->setPopupMode(mode);
        button->setObjectName(QStringLiteral("btn") + action->objectName().mid(3));
        bar->addWidget(button);
        return button;
    };

    makeBar(Toolbar1, "Toolbar1", QT_TRANSLATE_NOOP("TZVfrmMainActions", "基本"));
    Toolbar1->addActions(
        {a.mnuClose, a.mnuNew, a.mnuOpen, a.mnuSave, a.mnuPrint, a.mnuCopy, a.mnuPaste, a.mnuMergePaste});
    dropDown(Toolbar1, a.mnuUndo, mnuUndoList, QToolButton::MenuButtonPopup);
    dropDown(Toolbar1, a.mnuRedo, mnuRedoList, QToolButton::MenuButtonPopup);
    Toolbar1->addActions({a.mnuSelectAll, a.mnuTextOut, a.mnuProgressive, a.mnuThumbNail, a.mnuSlideShow});

    makeBar(Toolbar2, "Toolbar2", QT_TRANSLATE_NOOP("TZVfrmMainActions", "イメージ"));
    Toolbar2->addActions({a.mnuResize, a.mnuFlip, a.mnuMirror, a.mnuRotate90, a.mnuRotate270, a.mnuTriming, a.mnuRotate,
                          a.mnuSlideImage, a.mnuSpacing});

    makeBar(Toolbar3, "Toolbar3", QT_TRANSLATE_NOOP("TZVfrmMainActions", "カラー"));
    Toolbar3->addActions({a.mnuBrightness, a.mnuContrast, a.mnuRGB, a.mnuGamma, a.mnuSwapRGB, a.mnuGrayscale,
                          a.mnuSepia, a.mnuNegative, a.mnuXORConvert, a.mnuHSV, a.mnuMonochrome, a.mnuPosterize,
                          a.mnuSolarization, a.mnuGradation});

    makeBar(Toolbar4, "Toolbar4", QT_TRANSLATE_NOOP("TZVfrmMainActions", "ズーム"));
    dropDown(Toolbar4, a.mnuZoom, ZoomMenu, QToolButton::InstantPopup);

    makeBar(Toolbar5, "Toolbar5", QT_TRANSLATE_NOOP("TZVfrmMainActions", "色解像度"));
    dropDown(Toolbar5, a.mnuColorBit, PopupMenu1, QToolButton::InstantPopup);

    makeBar(Toolbar6, "Toolbar6", QT_TRANSLATE_NOOP("TZVfrmMainActions", "透過色"));
    Toolbar6->addAction(a.mnuTransparent);

    makeBar(Toolbar7, "Toolbar7", QT_TRANSLATE_NOOP("TZVfrmMainActions", "加工"));
    Toolbar7->addActions({a.mnuBlur, a.mnuNoise, a.mnuSpray, a.mnuButton3D, a.mnuMosaic, a.mnuWave, a.mnuBlock,
                          a.mnuFadeOut, a.mnuScetch, a.mnuOilPaint, a.mnuGlassMosaic, a.mnuVortex});

    makeBar(Toolbar8, "Toolbar8", QT_TRANSLATE_NOOP("TZVfrmMainActions", "スライドショー"));
    Toolbar8->addActions({a.btnSlideStop, a.btnPrevImage, a.btnNextImage});
    Toolbar8->setMovable(false);
    Toolbar8->setFloatable(false);
    Toolbar8->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    // Design layout: three rows at the top; the slide-show bar spans the
    // row below them and stays hidden outside slide shows.
    const struct {
        QToolBar* Bar;
        int Row;
        int Pos;
    } design[] = {{Toolbar1, 0, 0}, {Toolbar4, 0, 1}, {Toolbar5, 0, 2}, {Toolbar6, 0, 3},
                  {Toolbar2, 1, 0}, {Toolbar7, 1, 1}, {Toolbar3, 2, 0}, {Toolbar8, 3, 0}};
    for (std::size_t i = 0; i < std::size(design); ++i) {
        if (i > 0 && design[i].Row != design[i - 1].Row) addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, design[i].Bar);
        SetDesignDockPlace(design[i].Bar, design[i].Row, design[i].Pos);
    }
    Toolbar8->hide();

    // The toolbar sub-menu: "基本", "カラー", "イメージ", "加工", "ズーム",
    // "色解像度", "透過色". The toggle actions follow the bars' visibility
    // whatever shows or hides them.
    for (QToolBar* bar : {Toolbar1, Toolbar3, Toolbar2, Toolbar7, Toolbar4, Toolbar5, Toolbar6}) {
        QAction* item = bar->toggleViewAction();
        item->setObjectName(QStringLiteral("mnu") + bar->objectName());
        a.T1->menu()->addAction(item);
    }
}

QList<QToolBar*> TZVfrmMain::Toolbars() const {
    return {Toolbar1, Toolbar3, Toolbar2, Toolbar7, Toolbar4, Toolbar5, Toolbar6, Toolbar8};
}

}  // namespace zelvo
