#include "app/thumbnails/ZVfrmThumbNail.h"

#include <QCoreApplication>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>

#include <algorithm>
#include <cmath>

#include "app/common/AppTitle.h"
#include "app/common/EditorContext.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/folders/BrowseFolderDlg.h"
#include "app/folders/ZVfrmProgress.h"
#include "app/common/ToolbarLayout.h"
#include "library/FolderPictures.h"
#include "library/ThumbnailCache.h"
#include "platform/Bitmap.h"
#include "platform/IniFile.h"
#include "platform/Trash.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

namespace {

constexpr const char* kObjectName = "ZVfrmThumbNail";
constexpr int kCaptionRole = Qt::UserRole + 1;
constexpr int kImageIndexRole = Qt::UserRole + 2;
/// The sizes the size menu offers.
constexpr int kMenuSizes[] = {48, 64, 96, 128, 160, 200};

QString StripSlash(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QAction* MakeAction(QWidget* owner, const char* name, const char* caption, const char* shortcut = nullptr) {
    auto* action = new QAction(QCoreApplication::translate("TZVfrmThumbNail", caption), owner);
    action->setObjectName(QString::fromLatin1(name));
    if (shortcut) {
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

}  // namespace

TZVfrmThumbNail::TZVfrmThumbNail(TEditorContext& form) : QMainWindow(&form.Window(), Qt::Tool), FForm(form) {
    setObjectName(QString::fromLatin1(kObjectName));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(193, 381);
    setWindowTitle(QCoreApplication::translate("TZVfrmThumbNail", "サムネイル"));

    const TIniFile ini(SettingsPath());
    FSettings = ReadThumbNailSettings(ini, QCoreApplication::applicationDirPath().toStdString());

    ListView1 = new QListWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setMovement(QListView::Static);
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setWordWrap(true);
    ListView1->setUniformItemSizes(true);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection stays visible while the window is inactive.
    QPalette pal = ListView1->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    ListView1->setPalette(pal);
    setCentralWidget(ListView1);

    CreateActions();
    CreateMenus();

    BrowseFolderHook = [this](const QString& initial) {
        TQxBrowseFolderDlg dialog(this);
        dialog.SetText(QCoreApplication::translate("TZVfrmThumbNail", "サムネイル表示するフォルダを選択してください。"));
        dialog.SetFolder(initial);
        return dialog.Execute() ? dialog.Folder() : QString();
    };
    ConfirmDeleteHook = [this](const QString& path) {
        return QMessageBox::question(this, ApplicationTitle(),
                                     QCoreApplication::translate("TZVfrmThumbNail", "「%1」をごみ箱に移動しますか？").arg(QFileInfo(path).fileName()),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
    };
    TrashHook = [](const QString& path) { return MoveToTrash(path.toStdString()); };
    OpenUrlHook = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    ShowMessageHook = [this](const QString& text) { QMessageBox::critical(this, ApplicationTitle(), text); };
    ChooseColorHook = [this](TColor& color) { return PickColor(this, color); };
    Loader = DefaultLoader();

    SetListColor(FSettings.BackgroundColor);
    move(FSettings.Left, FSettings.Top);
    resize(FSettings.Width, FSettings.Height);
    SetStayOnTop(FSettings.StayOnTop);
    try {
        ReadToolbarLayout(*this, {tbThumbNail}, ini);
    } catch (const std::exception&) {
        // A damaged toolbar section leaves the toolbar where the design has it.
    }
}

TThumbnailLoader& TZVfrmThumbNail::DefaultLoader() {
    static TThumbnailLoader loader;
    return loader;
}

TZVfrmThumbNail::~TZVfrmThumbNail() {
    // The main window going away takes the browser along without a close.
    if (!FClosing) {
        WriteOwnSettings();
        if (!FSet.Items.empty() && FGenerated) SaveCache();
    }
}

TZVfrmThumbNail* ThumbnailBrowser(TEditorContext& form) {
    // Only ShowThumbnailBrowser sets it, always to a browser.
    return static_cast<TZVfrmThumbNail*>(form.ThumbnailBrowser.data());
}

void TZVfrmThumbNail::CreateActions() {
    mnuOpen = MakeAction(this, "mnuOpen", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "Zelvoで開く(&O)"), "Ctrl+O");
    mnuOpenNew = MakeAction(this, "mnuOpenNew", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "新しいZelvoで開く(&N)"), "Ctrl+N");
    mnuShellOpen = MakeAction(this, "mnuShellOpen", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "関連づけに従って開く(&S)"));
    mnuDelete = MakeAction(this, "mnuDelete", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "このファイルを削除する(&E)"), "Ctrl+Del");
    mnuOpenFolder = MakeAction(this, "mnuOpenFolder", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "このフォルダを開く(&M)"));
    mnuSlideShow = MakeAction(this, "mnuSlideShow", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "このフォルダでスライドショー(&W)..."));
    mnuStayOnTop = MakeAction(this, "mnuStayOnTop", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "常に前面に表示(&T)"));
    mnuStayOnTop->setCheckable(true);
    mnuClose = MakeAction(this, "mnuClose", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "閉じる(&X)"));
    mnuChangeFolder = MakeAction(this, "mnuChangeFolder", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "フォルダ変更(&D)..."), "Ctrl+D");
    mnuRefresh = MakeAction(this, "mnuRefresh", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "最新の状態に更新(&R)"), "F5");
    mnuBackground = MakeAction(this, "mnuBackground", QT_TRANSLATE_NOOP("TZVfrmThumbNail", "背景色(&B)..."));
    for (QAction* a : {mnuOpen, mnuOpenNew, mnuShellOpen, mnuDelete, mnuOpenFolder, mnuSlideShow, mnuStayOnTop,
                       mnuClose, mnuChangeFolder, mnuRefresh, mnuBackground})
        addAction(a);

    connect(mnuOpen, &QAction::triggered, this, [this] { OpenSelected(false); });
    connect(mnuOpenNew, &QAction::triggered, this, [this] { OpenSelected(true); });
    connect(mnuShellOpen, &QAction::triggered, this, [this] { ShellOpenSelected(); });
    connect(mnuDelete, &QAction::triggered, this, [this] { DeleteSelected(); });
    connect(mnuOpenFolder, &QAction::triggered, this, [this] { OpenFolder(); });
    connect(mnuSlideShow, &QAction::triggered, this, [this] { SlideShowHere(); });
    connect(mnuStayOnTop, &QAction::triggered, this, [this](bool on) { SetStayOnTop(on); });
    connect(mnuClose, &QAction::triggered, this, [this] { close(); });
    connect(mnuChangeFolder, &QAction::triggered, this, [this] { ChangeFolder(); });
    connect(mnuRefresh, &QAction::triggered, this, [this] { Refresh(); });
    connect(mnuBackground, &QAction::triggered, this, [this] {
        TColor color = FSettings.BackgroundColor;
        if (ChooseColorHook(color)) SetListColor(color);
    });
    connect(ListView1, &QListWidget::itemDoubleClicked, this, [this] { OpenSelected(false); });
    connect(ListView1, &QListWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdatePopupMenu();
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });
}

void TZVfrmThumbNail::CreateMenus() {
    mnuFile = menuBar()->addMenu(QCoreApplication::translate("TZVfrmThumbNail", "ファイル(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->addActions({mnuOpen, mnuOpenNew, mnuShellOpen, mnuDelete});
    mnuFile->addSeparator();
    mnuFile->addActions({mnuOpenFolder, mnuSlideShow});
    mnuFile->addSeparator();
    mnuFile->addAction(mnuStayOnTop);
    mnuFile->addSeparator();
    mnuFile->addAction(mnuClose);
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { UpdateFileMenu(); });

    tbThumbNail = new QToolBar(QCoreApplication::translate("TZVfrmThumbNail", "サムネイル"), this);
    tbThumbNail->setObjectName(QStringLiteral("tbThumbNail"));
    tbThumbNail->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto button = [this](QAction* source, const char* caption) {
        auto* b = tbThumbNail->addAction(QCoreApplication::translate("TZVfrmThumbNail", caption));
        b->setToolTip(b->text());
        connect(b, &QAction::triggered, source, &QAction::trigger);
        return b;
    };
    button(mnuChangeFolder, QT_TRANSLATE_NOOP("TZVfrmThumbNail", "フォルダ変更"));
    button(mnuClose, QT_TRANSLATE_NOOP("TZVfrmThumbNail", "閉じる"));
    button(mnuRefresh, QT_TRANSLATE_NOOP("TZVfrmThumbNail", "最新の状態に更新"));
    addToolBar(Qt::TopToolBarArea, tbThumbNail);

    mnuView = menuBar()->addMenu(QCoreApplication::translate("TZVfrmThumbNail", "表示(&V)"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuView->addActions({mnuChangeFolder, mnuRefresh});
    mnuView->addSeparator();
    mnuToolbar = tbThumbNail->toggleViewAction();
    mnuToolbar->setText(QCoreApplication::translate("TZVfrmThumbNail", "ツールバー(&T)"));
    mnuToolbar->setObjectName(QStringLiteral("mnuToolbar"));
    mnuView->addAction(mnuToolbar);
    mnuView->addSeparator();
    mnuThumbSize = mnuView->addMenu(QCoreApplication::translate("TZVfrmThumbNail", "サムネイルのサイズ(&S)"));
    mnuThumbSize->setObjectName(QStringLiteral("mnuThumbSize"));
    auto* sizes = new QActionGroup(this);
    for (const int size : kMenuSizes) {
        QAction* item = mnuThumbSize->addAction(QStringLiteral("%1 x %1").arg(size));
        item->setCheckable(true);
        item->setData(size);
        sizes->addAction(item);
        connect(item, &QAction::triggered, this, [this, size] { SetThumbSize(size); });
    }
    connect(mnuThumbSize, &QMenu::aboutToShow, this, [this] {
        for (QAction* item : mnuThumbSize->actions()) item->setChecked(item->data().toInt() == FSettings.ThumbSize);
    });
    mnuView->addAction(mnuBackground);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions({mnuOpen, mnuOpenNew, mnuShellOpen, mnuDelete, mnuOpenFolder});
    PopupMenu1->setDefaultAction(mnuOpen);
}

void TZVfrmThumbNail::UpdateFileMenu() {
    if (FGenerating) return;
    const bool selected = !SelectedFile().isEmpty();
    for (QAction* a : {mnuOpen, mnuOpenNew, mnuShellOpen, mnuDelete}) a->setEnabled(selected);
}

void TZVfrmThumbNail::UpdatePopupMenu() {
    if (FGenerating) return;
    const bool selected = !SelectedFile().isEmpty();
    for (QAction* a : {mnuOpen, mnuOpenNew, mnuShellOpen, mnuDelete}) a->setEnabled(selected);
    mnuOpenFolder->setEnabled(true);
}

void TZVfrmThumbNail::SetFileCommandsEnabled(bool enabled) {
    mnuFile->setEnabled(enabled);
    for (QAction* a : mnuFile->actions()) a->setEnabled(enabled);
    mnuRefresh->setEnabled(enabled);
    mnuChangeFolder->setEnabled(enabled);
    mnuThumbSize->setEnabled(enabled);
    mnuBackground->setEnabled(enabled);
    if (enabled) UpdateFileMenu();
}

std::string TZVfrmThumbNail::PatternString() const {
    const QStringList& patterns = FForm.Filters.FPatternList;
    return patterns.isEmpty() ? std::string() : patterns.first().toStdString();
}

QString TZVfrmThumbNail::SelectedFile() const {
    const QList<QListWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty() || FFolder.isEmpty()) return {};
    return FFolder + QLatin1Char('/') + selected.first()->data(kCaptionRole).toString();
}

void TZVfrmThumbNail::AppendItem(const TThumbnailItem& item) {
    const TDibImage& image = FSet.Images[std::size_t(item.ImageIndex)];
    TBitmap bitmap;
    bitmap.Assign(image);
    const QString caption = QString::fromStdString(item.Caption);
    auto* entry = new QListWidgetItem(QIcon(QPixmap::fromImage(ToQImage(bitmap))), caption);
    entry->setData(kCaptionRole, caption);
    entry->setData(kImageIndexRole, item.ImageIndex);
    entry->setToolTip(caption);
    ListView1->addItem(entry);
}

void TZVfrmThumbNail::ShowSet() {
    const int size = FSet.ThumbSize;
    ListView1->setUpdatesEnabled(false);
    ListView1->clear();
    ListView1->setIconSize(QSize(size, size));
    // Two caption lines under the picture, each wide enough for a name of
    // twelve characters ("IMG_0001.JPG") in the list's font.
    const QFontMetrics metrics = ListView1->fontMetrics();
    const int captionWidth = metrics.horizontalAdvance(QStringLiteral("IMG_0001.JPG")) + 8;
    ListView1->setGridSize(QSize(std::max({size + 16, 72, captionWidth}), size + 2 * metrics.height() + 10));
    for (const TThumbnailItem& item : FSet.Items) AppendItem(item);
    ListView1->setUpdatesEnabled(true);
}

void TZVfrmThumbNail::BuildThumbnails(const QString& folderIn) {
    const QString folder = StripSlash(folderIn);
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || FGenerating) return;
    if (folder == FFolder && isVisible()) return;

    SetFileCommandsEnabled(false);
    // The menus come back on every way out, the empty folder included.
    struct TMenusBack {
        TZVfrmThumbNail& Window;
        ~TMenusBack() { Window.SetFileCommandsEnabled(true); }
    } menusBack{*this};

    auto names = ListFolderPictures(folder.toStdString(), PatternString(),
                                    [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (!names || names->empty()) {
        ShowMessageHook(QCoreApplication::translate("TZVfrmThumbNail", "入力フォルダ内に画像ファイルが存在しません。"));
        return;
    }
    const std::string stamp = FolderStamp(folder.toStdString(), PatternString());

    FCancel = false;
    TZVfrmProgress progress(TZVfrmProgress::kThumbnails, this);
    progress.SetCaption(QCoreApplication::translate("TZVfrmThumbNail", "サムネイル作成中"));
    progress.OnCancel = [this] { FCancel = true; };
    progress.Start();
    SortNamesIgnoringCase(*names);
    ListView1->clear();
    FSet = TThumbnailSet();
    FFolder = folder;
    setWindowTitle(folder + QLatin1Char('/'));
    FGenerated = true;
    ListView1->setUpdatesEnabled(false);
    ListView1->setEnabled(false);

    FGenerating = true;
    try {
        FSet = zelvo::BuildThumbnails(
            folder.toStdString(), *names, FSettings.ThumbSize, FSettings.BackgroundColor, FForm.Options.FGIFMode,
            [&](int index, int count, const std::string& name) {
                if (FCancel) return false;
                progress.ShowStep(index, count, QString::fromStdString(name));
                progress.ProcessMessages();
                if (StepHook) StepHook(index);
                return !FCancel;
            },
            Loader);
    } catch (...) {
        FGenerating = false;
        progress.Finish();
        ListView1->setEnabled(true);
        ListView1->setUpdatesEnabled(true);
        throw;
    }
    FGenerating = false;
    FStamp = FCancel ? std::string() : stamp;
    progress.Finish();
    ShowSet();
    ListView1->setEnabled(true);
    if (FClosePending) {
        FClosePending = false;
        close();
    }
}

bool TZVfrmThumbNail::LoadCache() {
    const QString folder = StripSlash(QString::fromStdString(FSettings.Directory));
    if (folder.isEmpty()) return false;
    const auto cache = LoadThumbnailCache(ThumbnailCacheFiles(folder.toStdString()), folder.toStdString());
    if (!cache) return false;
    // Thumbnails of another size or colour, or of a folder that changed
    // since, are made again.
    if (cache->Set.ThumbSize != FSettings.ThumbSize || cache->Background != FSettings.BackgroundColor ||
        cache->Stamp.empty() || cache->Stamp != FolderStamp(folder.toStdString(), PatternString()))
        return false;
    FSet = cache->Set;
    FStamp = cache->Stamp;
    FFolder = folder;
    setWindowTitle(folder + QLatin1Char('/'));
    ShowSet();
    return true;
}

bool TZVfrmThumbNail::SaveCache() {
    if (FFolder.isEmpty()) return false;
    TThumbnailCacheData cache;
    cache.Set = FSet;
    cache.Set.Folder = FFolder.toStdString();
    cache.Background = FSettings.BackgroundColor;
    cache.Stamp = FStamp;
    return SaveThumbnailCache(ThumbnailCacheFiles(FFolder.toStdString()), cache);
}

void TZVfrmThumbNail::WriteOwnSettings() {
    FSettings.Left = x();
    FSettings.Top = y();
    FSettings.Width = width();
    FSettings.Height = height();
    if (!FFolder.isEmpty()) FSettings.Directory = FFolder.toStdString();
    TIniFile ini(SettingsPath());
    WriteThumbNailSettings(FSettings, ini);
    try {
        WriteToolbarLayout(*this, {tbThumbNail}, ini);
    } catch (const std::exception&) {
        // The toolbar has its name; nothing to do.
    }
    ini.UpdateFile();
}

void TZVfrmThumbNail::closeEvent(QCloseEvent* event) {
    if (FGenerating) {
        // The loop is still using the list: stop it and close once it has
        // returned.
        FCancel = true;
        FClosePending = true;
        event->ignore();
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    FClosing = true;
    WriteOwnSettings();
    if (!FSet.Items.empty() && FGenerated) {
        hide();
        SaveCache();
    }
    QGuiApplication::restoreOverrideCursor();
    event->accept();
}

// ---------------------------------------------------------------- commands

void TZVfrmThumbNail::OpenSelected(bool newInstance) {
    const QString path = SelectedFile();
    if (!path.isEmpty()) FForm.LoadImageFile(path, newInstance);
}

void TZVfrmThumbNail::ShellOpenSelected() {
    const QString path = SelectedFile();
    if (!path.isEmpty()) OpenUrlHook(QUrl::fromLocalFile(path));
}

void TZVfrmThumbNail::OpenFolder() {
    if (!FFolder.isEmpty()) OpenUrlHook(QUrl::fromLocalFile(FFolder));
}

void TZVfrmThumbNail::SlideShowHere() {
    if (!FFolder.isEmpty() && FForm.OpenSlideShowFolder) FForm.OpenSlideShowFolder(FFolder);
}

void TZVfrmThumbNail::DeleteSelected() {
    const QString path = SelectedFile();
    if (path.isEmpty() || !ConfirmDeleteHook(path)) return;
    if (!TrashHook(path)) return;
    // The item goes; its image stays in the list of images.
    const QString caption = QFileInfo(path).fileName();
    delete ListView1->selectedItems().first();
    std::erase_if(FSet.Items, [&](const TThumbnailItem& item) { return QString::fromStdString(item.Caption) == caption; });
    FStamp = FolderStamp(FFolder.toStdString(), PatternString());
    FGenerated = true;
    setWindowTitle(FFolder + QLatin1Char('/'));
}

void TZVfrmThumbNail::ChangeFolder() {
    const QString initial = QFileInfo(FFolder).isDir() ? FFolder : QString();
    const QString chosen = BrowseFolderHook(initial);
    if (!chosen.isEmpty()) BuildThumbnails(chosen);
}

void TZVfrmThumbNail::Refresh() {
    if (FFolder.isEmpty() || FGenerating) return;
    const QString folder = FFolder;
    FFolder.clear();
    BuildThumbnails(folder);
    if (FFolder.isEmpty()) FFolder = folder;
}

void TZVfrmThumbNail::SetThumbSize(int size) {
    size = std::clamp(size, kMinThumbSize, kMaxThumbSize);
    if (size == FSettings.ThumbSize) return;
    FSettings.ThumbSize = size;
    Refresh();
}

void TZVfrmThumbNail::SetListColor(TColor color) {
    const bool changed = color != FSettings.BackgroundColor;
    FSettings.BackgroundColor = color;
    QPalette pal = ListView1->palette();
    pal.setColor(QPalette::Base, QColor(ColorCss(color)));
    ListView1->setPalette(pal);
    if (changed) Refresh();
}

void TZVfrmThumbNail::SetStayOnTop(bool on) {
    FSettings.StayOnTop = on;
    mnuStayOnTop->setChecked(on);
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) show();
}

// ---------------------------------------------------------------- main window entry

void ShowThumbnailBrowser(TEditorContext& form) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    struct TBack {
        ~TBack() { QGuiApplication::restoreOverrideCursor(); }
    } back;

    TZVfrmThumbNail* browser = ThumbnailBrowser(form);
    if (!browser) {
        browser = new TZVfrmThumbNail(form);
        form.ThumbnailBrowser = browser;
        if (browser->LoadCache()) {
            browser->show();
            return;
        }
    }
    // The chooser starts at the browser's folder (the stored one for a new
    // browser).
    QString initial = browser->Folder();
    if (initial.isEmpty()) initial = browser->StoredFolder();
    QGuiApplication::restoreOverrideCursor();
    const QString chosen = browser->BrowseFolderHook(initial);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (chosen.isEmpty()) {
        // Nothing shown yet: a browser without a folder goes again.
        if (!browser->isVisible()) browser->deleteLater();
        return;
    }
    browser->setEnabled(false);
    browser->BuildThumbnails(chosen);
    browser->setEnabled(true);
    // Closed while it was making the thumbnails: it is on its way out.
    if (!browser->Closing()) {
        browser->show();
        browser->raise();
    }
}

}  // namespace zelvo
