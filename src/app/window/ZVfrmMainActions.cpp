// The main window's design: every command with its caption, shortcut and
// hint, the menus, the pop-ups and the toolbars, in the order the user sees
// them. Behaviour lives in the command files (see CommandTable.cpp).

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QRegularExpression>

#include <vector>

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

// Creates one command. `icon` names the toolbar picture under :/icons.
static QAction* MakeAction(TZVfrmMain* form, QAction*& field, const char* name, const char* caption,
                           const char* shortcut = nullptr, const char* icon = nullptr) {
    field = new QAction(QString::fromUtf8(caption), form);
    field->setObjectName(QString::fromLatin1(name));
    if (shortcut) field->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    if (icon) field->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(icon))));
    // Hints have a short text (tool tip) and a long one (status bar).
    const QString hint = ShortHint(field->text());
    field->setToolTip(hint);
    field->setStatusTip(hint);
    return field;
}

#define ZV_ACTION(field, ...) MakeAction(this, Actions.field, #field, __VA_ARGS__)

void TZVfrmMain::CreateActions() {
    // File
    ZV_ACTION(mnuNew, "新規作成(&N)...", "Ctrl+N", "new");
    ZV_ACTION(mnuOpen, "開く(&O)...", "Ctrl+O", "open");
    ZV_ACTION(mnuReload, "読み込み直す(&R)");
    ZV_ACTION(mnuSave, "上書き保存(&S)", "Ctrl+S", "save");
    ZV_ACTION(mnuSaveAs, "名前を付けて保存(&A)");
    ZV_ACTION(mnuSaveAsWallPaper, "壁紙として保存(&W)");
    ZV_ACTION(mnuWallPaperCenter, "中央に表示(&C)");
    ZV_ACTION(mnuWallPaperTile, "並べて表示(&T)");
    ZV_ACTION(mnuClearWallpaper, "壁紙を解除する(&R)");
    ZV_ACTION(mnuSetPrinter, "プリンタの設定(&E)...");
    ZV_ACTION(mnuPrint, "印刷(&P)", "Ctrl+P", "print");
    ZV_ACTION(TWAIN1, "TWAIN機器の選択(&U)..");
    ZV_ACTION(mnuAcquire, "TWAIN機器からの入力(&Q)...");
    ZV_ACTION(mnuThumbNail, "サムネイル表示(&T)", "Ctrl+Alt+T", "thumbnail");
    ZV_ACTION(mnuBatchConvert, "一括変換(&B)...", "Ctrl+B");
    ZV_ACTION(mnuSlideShow, "スライドショー(&W)...", "Ctrl+W", "slideshow");
    ZV_ACTION(mnuClose, "アプリケーションの終了(&X)", nullptr, "exit");

    // Edit
    ZV_ACTION(mnuUndo, "元に戻す(&U)", "Ctrl+Z", "undo");
    ZV_ACTION(mnuRedo, "やり直し(&R)", "Ctrl+Y", "redo");
    ZV_ACTION(mnuCopy, "コピー(&C)", "Ctrl+C", "copy");
    ZV_ACTION(mnuPaste, "貼り付け(&P)", "Ctrl+V", "paste");
    ZV_ACTION(mnuMergePaste, "合成貼り付け(&S)", nullptr, "mergepaste");
    ZV_ACTION(mnuCut, "切り取り(&X)", "Ctrl+X");
    ZV_ACTION(mnuDelete, "消去(&D)", "Del");
    ZV_ACTION(mnuSelectAll, "全選択／選択解除(&A)", "Ctrl+A", "selectall");
    ZV_ACTION(mnuTextOut, "文字入れ(&O)...", "Ctrl+Alt+F", "textout");
    Actions.mnuTextOut->setCheckable(true);
    ZV_ACTION(mnuMerge, "合成(&M)...", "Ctrl+Alt+M");
    ZV_ACTION(mnuCombine, "連結(&G)...");
    ZV_ACTION(mnuCapture, "キャプチャ(&T)");
    ZV_ACTION(mnuCaptureDesktop, "デスクトップ全体(&D)");
    ZV_ACTION(mnuCaptureActiveWindow, "アクティブウィンドウ(&A)");
    ZV_ACTION(mnuCaptureClientArea, "アクティブウィンドウのクライアント領域(&C)");
    ZV_ACTION(mnuClearUndo, "アンドゥバッファのクリア(&E)");
    ZV_ACTION(mnuClipBoardClear, "クリップボードのクリア(&A)");
    ZV_ACTION(N14, "原寸表示", "Ctrl+F10");
    ZV_ACTION(N22, "ウィンドウにあわせる", "Ctrl+F12");
    ZV_ACTION(mnuRefresh, "再表示", "F5");

    // View
    ZV_ACTION(mnuZoom, "ズーム(&Z)...", "Ctrl+F11", "zoom");
    ZV_ACTION(T1, "ツールバー(&T)");
    ZV_ACTION(mnuShowStatusBar, "ステータスバー(&S)");
    Actions.mnuShowStatusBar->setCheckable(true);
    Actions.mnuShowStatusBar->setChecked(true);
    ZV_ACTION(H1, "ヒストグラム(&H)");
    ZV_ACTION(mnuEqualize, "イコライズ(&E)");
    ZV_ACTION(mnuNormalize, "ノーマライズ(&N)");
    ZV_ACTION(mnuHistogram, "ヒストグラム表示(&H)...");
    ZV_ACTION(mnuBackgroundColor, "背景色(&B)...");

    // Image
    ZV_ACTION(mnuResize, "リサイズ(&S)...", "Ctrl+R", "resize");
    ZV_ACTION(mnuTriming, "切り抜き(&T)", "Ctrl+T", "crop");
    ZV_ACTION(mnuCustomTrim, "座標指定切り取り(&U)", "Ctrl+U");
    ZV_ACTION(mnuRotate270, "左へ90度回転(&L)", "Ctrl+Alt+L", "rotate270");
    ZV_ACTION(mnuRotate90, "右へ90度回転(&R)", "Ctrl+Alt+R", "rotate90");
    ZV_ACTION(mnuRotate, "任意角度回転(&A)...", nullptr, "rotate");
    ZV_ACTION(mnuMirror, "ミラー(&M)", "Ctrl+M", "mirror");
    ZV_ACTION(mnuFlip, "フリップ(&F)", "Ctrl+F", "flip");
    ZV_ACTION(mnuSlideImage, "シフト(&H)...", nullptr, "shift");
    ZV_ACTION(mnuSpacing, "余白作成(&W)...", nullptr, "margin");
    ZV_ACTION(mnuTexture, "テクスチャ(&X)...");
    ZV_ACTION(mnuNoiseReduction, "ノイズ除去(&Y)...");
    ZV_ACTION(mnuMedian, "濃度抽出(&Z)");
    ZV_ACTION(mnuMedianLow, "最小濃度抽出(&S)");
    Actions.mnuMedianLow->setData(1);
    ZV_ACTION(mnuMedianAve, "中間濃度抽出(&M)");
    Actions.mnuMedianAve->setData(5);
    ZV_ACTION(mnuMedianHigh, "最大濃度抽出(&L)");
    Actions.mnuMedianHigh->setData(9);
    ZV_ACTION(mnuProgressive, "インターレース/プログレッシブ(&I)", "Ctrl+I", "progressive");
    Actions.mnuProgressive->setCheckable(true);
    ZV_ACTION(mnuTransparent, "透過色設定(&G)", nullptr, "transparent");
    Actions.mnuTransparent->setCheckable(true);
    ZV_ACTION(mnuJpegQuality, "JPEG品質(&Q)...");

    // Colour
    ZV_ACTION(mnuGrayscale, "グレースケール変換(&G)", "Ctrl+G", "grayscale");
    ZV_ACTION(mnuSepia, "セピア色変換(&P)", nullptr, "sepia");
    ZV_ACTION(mnuNegative, "ネガポジ反転(&N)", nullptr, "negative");
    ZV_ACTION(mnuSingleColorScale, "単色カラースケール(&U)...");
    ZV_ACTION(mnuBrightness, "明るさ(&B)...", nullptr, "brightness");
    ZV_ACTION(mnuContrast, "コントラスト(&C)...", nullptr, "contrast");
    ZV_ACTION(mnuRGB, "RGBの度合い(&R)...", nullptr, "rgb");
    ZV_ACTION(mnuPosterize, "ポスタライズ(&T)...", nullptr, "posterize");
    ZV_ACTION(mnuSolarization, "ソラリゼーション(&L)...", nullptr, "solarization");
    ZV_ACTION(mnuGamma, "ガンマ補正(&M)...", nullptr, "gamma");
    ZV_ACTION(mnuHSV, "HSVカラー調整(&H)...", nullptr, "hsv");
    ZV_ACTION(mnuMonochrome, "２階調化(&W)...", nullptr, "monochrome");
    ZV_ACTION(mnuSwapRGB, "RGB交換(&S)", nullptr, "swaprgb");
    ZV_ACTION(mnuXORConvert, "XORカラー変換(&X)", nullptr, "xor");
    ZV_ACTION(mnuGradation, "グラデーション(&Q)...", nullptr, "gradation");
    ZV_ACTION(mnuGetColorCount, "使用色数計算(&D)");
    ZV_ACTION(mnuColorBit, "色解像度の変更(&F)...", nullptr, "colorbit");

    // Effects
    ZV_ACTION(mnuSoft, "ソフトにする(&M)");
    ZV_ACTION(mnuSharpen, "シャープにする(&S)...");
    ZV_ACTION(mnuEmboss, "エンボス(&B)...");
    ZV_ACTION(mnuHighPass, "エッジの強調(&H)...");
    ZV_ACTION(mnuEdgeDetection, "エッジを抽出(&E)...");
    ZV_ACTION(mnuGaussianBlur, "ガウスぼかし(&G)...");
    ZV_ACTION(mnuBlur, "ぶれ(&O)...", nullptr, "blur");
    ZV_ACTION(mnuButton3D, "立体枠をつける(&P)...", nullptr, "button3d");
    ZV_ACTION(mnuSpray, "拡散(&D)...", nullptr, "spray");
    ZV_ACTION(mnuNoise, "ノイズ付加(&N)...", nullptr, "noise");
    ZV_ACTION(mnuWave, "ウェーブ(&W)...", nullptr, "wave");
    ZV_ACTION(mnuMosaic, "モザイク(&I)...", nullptr, "mosaic");
    ZV_ACTION(mnuBlock, "ブロック(&K)...", nullptr, "block");
    ZV_ACTION(mnuFadeOut, "フェードアウト(&F)...", nullptr, "fadeout");
    ZV_ACTION(mnuGlassMosaic, "ガラス処理(&V)...", nullptr, "glass");
    ZV_ACTION(mnuScetch, "鉛筆画(&X)...", nullptr, "sketch");
    ZV_ACTION(mnuOilPaint, "オイルペイント(&Y)...", nullptr, "oilpaint");
    ZV_ACTION(mnuVortex, "渦巻き(&Z)...", nullptr, "vortex");
    ZV_ACTION(mnuExplode, "パンチ(&J)...");
    ZV_ACTION(mnuImplode, "つまむ(&L)...");
    ZV_ACTION(mnuSpotLight, "スポットライト(&U)...");
    ZV_ACTION(mnuBlind, "ブラインド(&T)...");
    ZV_ACTION(mnuCustomFilter, "カスタムフィルタ(&C)...", "Ctrl+Alt+C");

    // Help
    ZV_ACTION(mnuHelpTopics, "トピックの検索(&H)");
    ZV_ACTION(mnuHomePage, "ホームページ(&W)");
    ZV_ACTION(mnuProductUpdate, "製品の更新(&U)");
    ZV_ACTION(mnuAbout, "バージョン情報(&V)...");

    // Colour-depth pop-up; the tag is the target bit count, 99 the halftone.
    ZV_ACTION(mnuColorBit24, "フルカラー(24bit)");
    Actions.mnuColorBit24->setData(24);
    ZV_ACTION(mnuColorBit8, "256色(8bit)");
    Actions.mnuColorBit8->setData(8);
    ZV_ACTION(mnuColorBit4, "16色(4bit)");
    Actions.mnuColorBit4->setData(4);
    ZV_ACTION(mnuColorBit1, "2色(1bit)");
    Actions.mnuColorBit1->setData(1);
    ZV_ACTION(mnuColorBitHalftone, "2色(ハーフトーン)");
    Actions.mnuColorBitHalftone->setData(99);

    // Slide-show bar
    ZV_ACTION(btnSlideStop, "中止", nullptr, "stop");
    ZV_ACTION(btnPrevImage, "前の画像", nullptr, "previous");
    ZV_ACTION(btnNextImage, "次の画像", nullptr, "next");

    // Shortcuts assigned when the window is created rather than in the
    // menu design.
    Actions.mnuClose->setShortcut(QKeySequence(QStringLiteral("Alt+F4")));
    Actions.mnuMergePaste->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    Actions.mnuNegative->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+N")));
    Actions.mnuSaveAs->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+A")));
    Actions.mnuReload->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+R")));

    // The hidden items are not on a menu; added to the window their
    // shortcuts still work.
    addAction(Actions.N14);
    addAction(Actions.N22);
    addAction(Actions.mnuRefresh);
}

#undef ZV_ACTION

void TZVfrmMain::CreateMenus() {
    TMainActions& a = Actions;
    auto addSub = [](QMenu* menu, QAction* parentItem, std::initializer_list<QAction*> items) {
        auto* sub = new QMenu(menu);
        sub->addActions(QList<QAction*>(items));
        parentItem->setMenu(sub);
        menu->addAction(parentItem);
        return sub;
    };

    QMenu* file = menuBar()->addMenu(QString::fromUtf8("ファイル(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    file->addActions({a.mnuNew, a.mnuOpen, a.mnuReload});
    file->addSeparator();
    file->addActions({a.mnuSave, a.mnuSaveAs});
    addSub(file, a.mnuSaveAsWallPaper, {a.mnuWallPaperCenter, a.mnuWallPaperTile, a.mnuClearWallpaper});
    file->addSeparator();
    file->addActions({a.mnuSetPrinter, a.mnuPrint});
    file->addSeparator();
    file->addActions({a.TWAIN1, a.mnuAcquire});
    file->addSeparator();
    file->addActions({a.mnuThumbNail, a.mnuBatchConvert, a.mnuSlideShow});
    file->addSeparator();
    file->addAction(a.mnuClose);

    QMenu* edit = menuBar()->addMenu(QString::fromUtf8("編集(&E)"));
    edit->setObjectName(QStringLiteral("Edit1"));
    edit->addActions({a.mnuUndo, a.mnuRedo});
    edit->addSeparator();
    edit->addActions({a.mnuCopy, a.mnuPaste, a.mnuMergePaste, a.mnuCut, a.mnuDelete});
    edit->addSeparator();
    edit->addActions({a.mnuSelectAll, a.mnuTextOut});
    edit->addSeparator();
    edit->addActions({a.mnuMerge, a.mnuCombine});
    addSub(edit, a.mnuCapture, {a.mnuCaptureDesktop, a.mnuCaptureActiveWindow, a.mnuCaptureClientArea});
    edit->addSeparator();
    edit->addActions({a.mnuClearUndo, a.mnuClipBoardClear});

    QMenu* view = menuBar()->addMenu(QString::fromUtf8("表示(&V)"));
    view->setObjectName(QStringLiteral("View1"));
    view->addAction(a.mnuZoom);
    {
        auto* sub = new QMenu(view);
        a.T1->setMenu(sub);
        view->addAction(a.T1);
    }
    view->addAction(a.mnuShowStatusBar);
    view->addSeparator();
    addSub(view, a.H1, {a.mnuEqualize, a.mnuNormalize, a.mnuHistogram});
    view->addSeparator();
    view->addAction(a.mnuBackgroundColor);

    QMenu* image = menuBar()->addMenu(QString::fromUtf8("イメージ(&I)"));
    image->setObjectName(QStringLiteral("Image1"));
    image->addAction(a.mnuResize);
    image->addSeparator();
    image->addActions({a.mnuTriming, a.mnuCustomTrim});
    image->addSeparator();
    image->addActions({a.mnuRotate270, a.mnuRotate90, a.mnuRotate, a.mnuMirror, a.mnuFlip});
    image->addSeparator();
    image->addActions({a.mnuSlideImage, a.mnuSpacing, a.mnuTexture});
    image->addSeparator();
    image->addAction(a.mnuNoiseReduction);
    addSub(image, a.mnuMedian, {a.mnuMedianLow, a.mnuMedianAve, a.mnuMedianHigh});
    image->addSeparator();
    image->addActions({a.mnuProgressive, a.mnuTransparent, a.mnuJpegQuality});

    QMenu* colour = menuBar()->addMenu(QString::fromUtf8("カラー(&C)"));
    colour->setObjectName(QStringLiteral("Color1"));
    colour->addActions({a.mnuGrayscale, a.mnuSepia, a.mnuNegative, a.mnuSingleColorScale});
    colour->addSeparator();
    colour->addActions({a.mnuBrightness, a.mnuContrast, a.mnuRGB, a.mnuPosterize, a.mnuSolarization, a.mnuGamma,
                        a.mnuHSV, a.mnuMonochrome});
    colour->addSeparator();
    colour->addActions({a.mnuSwapRGB, a.mnuXORConvert});
    colour->addSeparator();
    colour->addAction(a.mnuGradation);
    colour->addSeparator();
    colour->addActions({a.mnuGetColorCount, a.mnuColorBit});

    QMenu* effects = menuBar()->addMenu(QString::fromUtf8("加工(&T)"));
    effects->setObjectName(QStringLiteral("Effect1"));
    effects->addActions({a.mnuSoft, a.mnuSharpen, a.mnuEmboss, a.mnuHighPass, a.mnuEdgeDetection, a.mnuGaussianBlur});
    effects->addSeparator();
    effects->addActions({a.mnuBlur, a.mnuButton3D, a.mnuSpray, a.mnuNoise, a.mnuWave, a.mnuMosaic, a.mnuBlock,
                         a.mnuFadeOut, a.mnuGlassMosaic, a.mnuScetch, a.mnuOilPaint, a.mnuVortex, a.mnuExplode,
                         a.mnuImplode, a.mnuSpotLight, a.mnuBlind});
    effects->addSeparator();
    effects->addAction(a.mnuCustomFilter);

    QMenu* help = menuBar()->addMenu(QString::fromUtf8("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("Help1"));
    help->addAction(a.mnuHelpTopics);
    help->addSeparator();
    help->addActions({a.mnuHomePage, a.mnuProductUpdate});
    help->addSeparator();
    help->addAction(a.mnuAbout);

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
        const QString caption = tag == kFitTag ? QString::fromUtf8("ウィンドウに合わせる(&F)")
                                : tag == 100   ? QString::fromUtf8("現寸表示(&O)")
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
        bar = new QToolBar(QString::fromUtf8(caption), this);
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

    makeBar(Toolbar1, "Toolbar1", "基本");
    Toolbar1->addActions(
        {a.mnuClose, a.mnuNew, a.mnuOpen, a.mnuSave, a.mnuPrint, a.mnuCopy, a.mnuPaste, a.mnuMergePaste});
    dropDown(Toolbar1, a.mnuUndo, mnuUndoList, QToolButton::MenuButtonPopup);
    dropDown(Toolbar1, a.mnuRedo, mnuRedoList, QToolButton::MenuButtonPopup);
    Toolbar1->addActions({a.mnuSelectAll, a.mnuTextOut, a.mnuProgressive, a.mnuThumbNail, a.mnuSlideShow});

    makeBar(Toolbar2, "Toolbar2", "イメージ");
    Toolbar2->addActions({a.mnuResize, a.mnuFlip, a.mnuMirror, a.mnuRotate90, a.mnuRotate270, a.mnuTriming, a.mnuRotate,
                          a.mnuSlideImage, a.mnuSpacing});

    makeBar(Toolbar3, "Toolbar3", "カラー");
    Toolbar3->addActions({a.mnuBrightness, a.mnuContrast, a.mnuRGB, a.mnuGamma, a.mnuSwapRGB, a.mnuGrayscale,
                          a.mnuSepia, a.mnuNegative, a.mnuXORConvert, a.mnuHSV, a.mnuMonochrome, a.mnuPosterize,
                          a.mnuSolarization, a.mnuGradation});

    makeBar(Toolbar4, "Toolbar4", "ズーム");
    dropDown(Toolbar4, a.mnuZoom, ZoomMenu, QToolButton::InstantPopup);

    makeBar(Toolbar5, "Toolbar5", "色解像度");
    dropDown(Toolbar5, a.mnuColorBit, PopupMenu1, QToolButton::InstantPopup);

    makeBar(Toolbar6, "Toolbar6", "透過色");
    Toolbar6->addAction(a.mnuTransparent);

    makeBar(Toolbar7, "Toolbar7", "加工");
    Toolbar7->addActions({a.mnuBlur, a.mnuNoise, a.mnuSpray, a.mnuButton3D, a.mnuMosaic, a.mnuWave, a.mnuBlock,
                          a.mnuFadeOut, a.mnuScetch, a.mnuOilPaint, a.mnuGlassMosaic, a.mnuVortex});

    makeBar(Toolbar8, "Toolbar8", "スライドショー");
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
