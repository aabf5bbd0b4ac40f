#include "app/window/ZVfrmMain.h"

#include <QCoreApplication>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/common/AppTitle.h"
#include "app/common/Language.h"
#include "app/window/CommandTable.h"
#include "app/common/FileDrop.h"
#include "app/common/FileFilters.h"
#include "app/window/GeometryCommands.h"
#include "app/common/Resources.h"
#include "app/common/Settings.h"
#include "app/common/ToolbarLayout.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVStatusBar.h"
#include "app/window/ZVfrmRecover.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/ZVfrmApplyCancel.h"
#include "app/dialogs/ZVfrmEncoderOptions.h"
#include "app/dialogs/ZVfrmSelectIcon.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"
#include "formats/IconFile.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/SPIs.h"
#include "library/PluginDescriptions.h"
#include "image/ScopeExit.h"
#include "platform/Clipboard.h"
#include "platform/IniFile.h"
#include "platform/PluginFolders.h"
#include "platform/qt/QtClipboard.h"

namespace zelvo {

namespace {

// The window font of the design. Linux has no font of that name, so
// fontconfig substitutes a Japanese face for it.
QFont WindowFont() {
    QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

TZVfrmMain::TZVfrmMain(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), FEffectSettings(std::make_unique<TEffectSettings>()) {
    InitResources();
    setObjectName(QStringLiteral("ZVfrmMain"));
    setWindowTitle(ApplicationTitle());
    setFont(WindowFont());
    resize(545, 478);

    FImageOwner = std::make_unique<TQxImage>();
    FImage = FImageOwner.get();
    FImage->SetZoom(100);
    FImage->Color = clGray;
    Recovery = new TRecoveryScheduler(*FImage);
    Recovery->IsIdle = [this] { return RecoveryIdle(); };
    Recovery->DescribePicture = [this](TRecoveryInfo& info) {
        info.FileName = FFileName;
        info.SaveProgressive = Actions.mnuProgressive->isChecked();
        info.SaveTransparent = Actions.mnuTransparent->isChecked();
        info.SaveQuality = Options.FJpegQuality;
    };

    // Panel1: black, single border, holding the view.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Box);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(pal);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(1, 1, 1, 1);
    FView = new TQxImageView(*FImage, panel);
    FView->setObjectName(QStringLiteral("QxImage1"));
    FView->SetDevicePixels(true);  // 100 % is one picture pixel per device pixel
    layout->addWidget(FView);
    setCentralWidget(panel);
    Panel1 = panel;

    CreateActions();
    CreateMenus();
    CreateToolbars();
    CreateStatusBar();
    InstallCommands(*this);
    ConnectDocument();

    FFileDrop = new TFileDrop(this);
    FFileDrop->OnFileDrop = [this](TFileDrop&, int, QPoint, const QStringList& files, bool ctrl) {
        FileDropped(files, ctrl);
    };

    AskSaveHook = [this] {
        const auto answer = QMessageBox::question(
            this, ApplicationTitle(), QCoreApplication::translate("TZVfrmMain", "イメージは変更されています。保存しますか？"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        return answer == QMessageBox::Yes ? TSaveAnswer::Yes
               : answer == QMessageBox::No ? TSaveAnswer::No
                                           : TSaveAnswer::Cancel;
    };
    AskReloadHook = [this] {
        return QMessageBox::question(
                   this, ApplicationTitle(),
                   QCoreApplication::translate("TZVfrmMain", "修正を破棄して最後に保存した状態に読み込みなおします。\nよろしいですか？"),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
    };
    StartInstanceHook = [](const QString& program, const QStringList& args) {
        return QProcess::startDetached(program, args);
    };
    OfferRecoveryHook = [this] { OfferRecovery(); };
    RecoverDialogHook = [](TZVfrmRecover& dialog) { return dialog.exec(); };
    ChooseIconHook = [](TZVfrmSelectIcon& chooser) {
        // The chooser waits for the user: the ordinary cursor while it shows.
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        const int result = chooser.exec();
        QGuiApplication::restoreOverrideCursor();
        return result;
    };

    StartUp(arguments);
}

TZVfrmMain::~TZVfrmMain() {
    WriteSettingsOnce();
    // It writes what is not in the recovery file yet, so it goes while the
    // document is still there.
    delete Recovery;
    Recovery = nullptr;
    // The view refers to the document: let it go first.
    delete FView;
    FView = nullptr;
}

bool TZVfrmMain::ImageEmpty() const { return FImage->Empty(); }

void TZVfrmMain::CreateStatusBar() {
    StatusBar1 = new TZVStatusBar(this);
    setStatusBar(StatusBar1);
    StatusBar1->InfoSource = [this] {
        TStatusInfo info;
        info.Empty = FImage->Empty();
        if (!info.Empty) {
            info.Width = FImage->Bitmap().Width();
            info.Height = FImage->Bitmap().Height();
            info.Zoom = FImage->Zoom();
            info.BitCount = FImage->BitCount();
        }
        return info;
    };
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    auto place = [this] {
        ProgressBar1->setGeometry(1, 2, StatusBar1->Panel0Width() - 1, StatusBar1->height() - 2);
    };
    connect(StatusBar1, &TZVStatusBar::Resized, this, place);
    connect(StatusBar1, &TZVStatusBar::PanelClicked, this, [this](int panel) {
        if (Modes.FSlideShowMode) return;
        if (panel == 4) Actions.mnuZoom->trigger();
        if (panel == 5) Actions.mnuColorBit->trigger();
    });
    place();
}

void TZVfrmMain::ConnectDocument() {
    FImage->OnChangeCanUndo = [this](TQxImage&, int undoCount, int redoCount) {
        ChangeCanUndo(undoCount, redoCount);
    };
    FImage->OnProgress = [this](TQxImage&, int percent) { ProgressChanged(percent); };
    // An edit's undo snapshot is written after the operation, while the
    // result is painted, and settled from the event loop.
    FImage->SetDeferUndoWrite(true);
    FImage->OnUndoWritePending = [this](TQxImage&) { QTimer::singleShot(0, this, [this] { SettleUndoWrite(); }); };
    // Every change of the picture (edits, undo and redo, loads, drawing,
    // the modified mark) also restarts the recovery file's wait: the
    // document's own handler runs first.
    FImage->Bitmap().OnChange = [this, changed = FImage->Bitmap().OnChange](void* sender) {
        if (changed) changed(sender);
        if (Recovery) Recovery->PictureChanged();
    };
    connect(FView, &TQxImageView::MouseMoved, this, [this](int x, int y) {
        const TPoint p = FView->ScreenToPicture(QPoint(x, y));
        ViewMouseMove(p.X, p.Y, QPoint(x, y));
    });
    connect(FView, &TQxImageView::SelectionChanged, this, [this] {
        ShowSelectionSize();
        if (!ToolMode()) {
            SetCommandEnabled(Actions.mnuCut, FImage->HasSelection());
            SetCommandEnabled(Actions.mnuDelete, FImage->HasSelection());
        }
    });
    connect(FView, &TQxImageView::ZoomChanged, this, [this] { RepaintStatusBar(); });
    // Lifting a selection opens the apply/cancel window; while it is open
    // the window is in tool mode.
    connect(FView, &TQxImageView::Moving, this, [this] {
        Modes.FMergePastePending = false;
        ShowApplyCancelWindow();
    });
    connect(FView, &TQxImageView::Moved, this, [this] {
        PushHistory(Modes.FMergePastePending ? QT_TRANSLATE_NOOP("undo", "合成貼り付け") : QT_TRANSLATE_NOOP("undo", "選択範囲複写/移動"));
    });
    // In a slide show a click on the view steps: left next, right previous.
    connect(FView, &TQxImageView::MousePressed, this, [this](Qt::MouseButton button, int, int) {
        if (!Modes.FSlideShowMode || !StepSlideShow) return;
        if (button == Qt::LeftButton) StepSlideShow(1);
        else if (button == Qt::RightButton) StepSlideShow(-1);
    });
}

void TZVfrmMain::StartUp(const QStringList& arguments) {
    // 1. Nothing to undo yet.
    SetCommandEnabled(Actions.mnuUndo, false);
    SetCommandEnabled(Actions.mnuRedo, false);
    SetCommandEnabled(Actions.mnuClearUndo, false);

    // 4. The switch in any case and any position.
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument.compare(QLatin1String("-DEFPOS"), Qt::CaseInsensitive) == 0) Options.FDefPos = true;
        else paths.append(argument);
    }

    // 5. Settings, with the toolbar layout.
    ReadSettings(*this);

    // 6. The slide-show bar stays hidden; transparency only in GIF mode.
    Toolbar8->hide();
    Toolbar6->setVisible(Options.FGIFMode && !Toolbar6->isHidden());
    Toolbar6->toggleViewAction()->setVisible(Options.FGIFMode);
    Actions.mnuTransparent->setVisible(Options.FGIFMode);

    // 7. The system clipboard: installed for the document, and watched.
    auto* clipboard = new TQtClipboard(this);
    InstallClipboard(clipboard);
    connect(clipboard, &TQtClipboard::Changed, this, [this] { ClipboardChanged(); });
    ClipboardChanged();

    // 8.
    UpdateCommandState();

    // 9.
    BuildFilters();
    ClipboardChanged();  // a copied picture file is known by the filters

    // 10. The first argument that is not the switch names a picture or a
    // folder.
    if (!paths.isEmpty()) {
        const QString path = paths.first();
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        if (QFileInfo(path).isDir()) {
            if (OpenSlideShowFolder) OpenSlideShowFolder(path);
        } else if (bool loaded = false; LoadImageFile(path, false, &loaded) && loaded) {
            FFileName = CanonicalFileName(path).toStdString();
            SetTitle();
            SyncSaveFlagsFromDocument();
            UpdateCommandState();
            Options.FLastDirectory = QFileInfo(path).absolutePath();
        }
        QGuiApplication::restoreOverrideCursor();
    }

    // What editors that are gone left is offered over the shown window.
    QTimer::singleShot(0, this, [this] {
        if (OfferRecoveryHook) OfferRecoveryHook();
    });
}

void TZVfrmMain::BuildFilters() {
    // The plug-ins found at start join the filters and the format dispatch;
    // the program has one collection, so a second window goes without.
    TFormatFilters filters;
    if (Options.FUseSusiePlugin && !FSPIs && !TSPIs::Instance()) {
        UsePluginDescriptionCache();
        FSPIs = std::make_unique<TSPIs>(false, TSPISearchOptions{TSPISearchOption::spsSusieDir,
                                                                 TSPISearchOption::spsAppDir},
                                        PluginFolderResolver(SettingsPath().parent_path() / "registry.ini"));
        filters = SearchPluginFilters(Options.FGIFMode, *FSPIs);
    } else {
        filters = BuildWindowFilters(Options.FGIFMode, FSPIs ? PluginFormats(*FSPIs) : std::vector<TPluginFormat>{});
    }
    Filters.FOpenFilter = QString::fromStdString(filters.OpenFilter);
    Filters.FSaveFilter = QString::fromStdString(filters.SaveFilter);
    Filters.FAllPatterns = QString::fromStdString(filters.AllPatterns);
    Filters.FPatternList.clear();
    for (const std::string& entry : filters.PatternList) Filters.FPatternList << QString::fromStdString(entry);
    Filters.FDescriptionList.clear();
    for (const std::string& entry : filters.DescriptionList) Filters.FDescriptionList << QString::fromStdString(entry);
}

TZVfrmApplyCancel* TZVfrmMain::ShowApplyCancelWindow() {
    if (!Modes.FApplyCancelWindow) {
        auto* window = new TZVfrmApplyCancel(*FView, SettingsPath(), this);
        Modes.FApplyCancelWindow = window;
        connect(window, &TZVfrmApplyCancel::Finished, this, [this] {
            Modes.FApplyCancelWindow = nullptr;
            EnableChange(*this, true);
        });
        EnableChange(*this, false);
    }
    auto* window = static_cast<TZVfrmApplyCancel*>(Modes.FApplyCancelWindow.data());
    window->show();
    return window;
}

bool TZVfrmMain::ToolMode() const { return Modes.FApplyCancelWindow || Modes.FTextOutWindow; }

void TZVfrmMain::SetTitle() {
    // A picture dragged out is offered under the open file's name.
    FView->SetDragFileStem(QFileInfo(QString::fromStdString(FFileName)).completeBaseName());
    setWindowTitle(FFileName.empty() ? ApplicationTitle()
                                     : ApplicationTitle() + QStringLiteral(" - ") + QString::fromStdString(FFileName));
}

TColor TZVfrmMain::BackgroundColor() const { return FBackgroundColor; }

void TZVfrmMain::SetBackgroundColor(TColor color) {
    FBackgroundColor = color;
    FImage->Color = color;
    FView->update();
}

void TZVfrmMain::SetUndoBuffer(int depth) {
    Options.FUndoBuffer = depth;
    FImage->SetUndoBuffer(depth);
}

void TZVfrmMain::SetStatusBarShown(bool shown) {
    Actions.mnuShowStatusBar->setChecked(shown);
    StatusBar1->setVisible(shown);
}

bool TZVfrmMain::StatusBarShown() const { return Actions.mnuShowStatusBar->isChecked(); }

void TZVfrmMain::WriteSettingsOnce() {
    if (FSettingsWritten) return;
    FSettingsWritten = true;
    WriteSettings(*this);
}

// ---------------------------------------------------------------- files

bool TZVfrmMain::LoadImageFile(const QString& path, bool newWindow, bool* loadedOut) {
    if (loadedOut) *loadedOut = false;
    if (ToolMode()) return false;
    const QFileInfo info(path);
    if (info.isDir()) {
        if (OpenSlideShowFolder) OpenSlideShowFolder(path);
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    TScopeExit restore([] { QGuiApplication::restoreOverrideCursor(); });
    if (newWindow) {
        StartInstanceHook(QCoreApplication::applicationFilePath(), {path, QStringLiteral("-DefPos")});
        return true;
    }
    // Icon sources: one image opens directly, several through the chooser,
    // none opens nothing.
    const bool icon = IsIconSourceExtension(DispatchExtension(path.toStdString()));
    int iconIndex = 0;
    if (icon) {
        TZVfrmSelectIcon chooser(this);
        const int prepared = chooser.Prepare(path.toStdString());
        if (prepared == TZVfrmSelectIcon::kNothingToShow) {
            if (!chooser.LoadFailure().empty())
                QMessageBox::critical(this, ApplicationTitle(), EngineMessage(chooser.LoadFailure()));
            return false;
        }
        if (prepared == TZVfrmSelectIcon::kShowDialog) {
            if (ChooseIconHook(chooser) != QDialog::Accepted) return false;
            iconIndex = chooser.SelectedIndex();
        }
    }
    if (!AskSaveModified()) return true;

    bool loaded = false;
    std::string failure;
    {
        FImage->BeginUpdate();
        TScopeExit endUpdate([this] { FImage->EndUpdate(); });
        if (FImage->Zoom() > 1000) FView->SetZoom(1000);
        FImage->AutoOrient = Options.FUseExifOrientation;
        loaded = icon ? FImage->LoadDocumentIcon(path.toStdString(), iconIndex, &failure)
                      : FImage->LoadDocumentFile(path.toStdString(), Options.FGIFMode, &failure);
        if (loaded) {
            FFileName = path.toStdString();
            SetTitle();
            SyncSaveFlagsFromDocument();
            // The picture before was saved or given up.
            Recovery->Discard();
        }
        if (loadedOut) *loadedOut = loaded;
    }
    UpdateCommandState();
    raise();
    activateWindow();
    // A reader's own failure is worth telling: otherwise the open would
    // seem to do nothing.
    if (!loaded && !failure.empty()) {
        // A plug-in's decoder that crashed or was stopped gives its reason
        // on a line after the message: the box's details.
        const std::size_t reason = failure.find('\n');
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), EngineMessage(failure.substr(0, reason)),
                        QMessageBox::Ok, this);
        if (reason != std::string::npos) box.setDetailedText(EngineMessage(failure.substr(reason + 1)));
        box.exec();
    }
    return true;
}

void TZVfrmMain::SyncSaveFlagsFromDocument() {
    Actions.mnuProgressive->setChecked(FImage->SaveProgressive);
    Actions.mnuTransparent->setChecked(FImage->SaveTransparent);
}

bool TZVfrmMain::AskSaveModified() {
    raise();
    activateWindow();
    if (FImage->Empty() || !FImage->Modified()) return true;
    switch (AskSaveHook()) {
        case TSaveAnswer::Cancel: return false;
        case TSaveAnswer::No: return true;
        case TSaveAnswer::Yes: break;
    }
    mnuSaveClick();
    return !FImage->Modified();
}

void TZVfrmMain::PictureReplaced() {
    Actions.mnuProgressive->setChecked(false);
    Actions.mnuTransparent->setChecked(false);
    FFileName.clear();
    SetTitle();
    UpdateCommandState();
    FView->viewport()->update();
}

void TZVfrmMain::SaveTo(const QString& path, bool* saved) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    FImage->SaveProgressive = Actions.mnuProgressive->isChecked();
    FImage->SaveTransparent = Actions.mnuTransparent->isChecked();
    FImage->SaveQuality = Options.FJpegQuality;
    FImage->SaveEncoders = ReadEncoderSettings(TIniFile(SettingsPath()));
    std::string failure;
    try {
        *saved = FImage->SaveDocumentFile(path.toStdString(), Options.FGIFMode, &failure);
    } catch (const std::exception& error) {
        *saved = false;
        failure = error.what();
    }
    QGuiApplication::restoreOverrideCursor();
    if (*saved) Recovery->Discard();
    if (!*saved && !failure.empty())
        QMessageBox::critical(this, ApplicationTitle(), QCoreApplication::translate("TZVfrmMain", "保存に失敗しました"));
}

void TZVfrmMain::mnuSaveClick() {
    if (FImage->Empty()) return;
    const QString name = QString::fromStdString(FFileName);
    // Only a file of a format the program writes is saved over (a PhotoCD
    // or icon picture is saved under a new name).
    if (!name.isEmpty() && WritableExtension(DispatchExtension(name.toStdString()))) {
        bool saved = false;
        SaveTo(name, &saved);
        if (saved) {
            UpdateCommandState();
            return;
        }
    }
    mnuSaveAsClick();
}

void TZVfrmMain::mnuSaveAsClick() {
    if (FImage->Empty()) return;
    const QString chosen = SaveFileHook();
    if (!chosen.isEmpty()) {
        bool saved = false;
        SaveTo(chosen, &saved);
        if (saved) {
            FFileName = QFileInfo(chosen).absoluteFilePath().toStdString();
            SetTitle();
            Options.FLastDirectory = QFileInfo(chosen).absolutePath();
        }
    }
    UpdateCommandState();
}

void TZVfrmMain::mnuOpenClick() {
    const QString chosen = OpenFileHook();
    if (chosen.isEmpty()) return;
    const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    LoadImageFile(chosen, ctrl);
    Options.FLastDirectory = QFileInfo(chosen).absolutePath();
}

void TZVfrmMain::mnuReloadClick() {
    const QString name = QString::fromStdString(FFileName);
    if (name.isEmpty() || !QFileInfo(name).isFile()) return;
    if (!FImage->Empty() && FImage->Modified() && !AskReloadHook()) return;
    FImage->BeginUpdate();
    TScopeExit endUpdate([this] { FImage->EndUpdate(); });
    bool reloaded = false;
    // The image is still modified: LoadImageFile asks once more.
    LoadImageFile(name, false, &reloaded);
    if (reloaded) {
        FImage->ClearUndo();
        SyncSaveFlagsFromDocument();
    }
}

void TZVfrmMain::closeEvent(QCloseEvent* event) {
    if (!AskSaveModified()) {
        event->ignore();
        return;
    }
    if (Modes.FSlideShowMode && EndSlideShow) EndSlideShow();
    if (Modes.FTextOutWindow) Modes.FTextOutWindow->close();
    if (Modes.FApplyCancelWindow) Modes.FApplyCancelWindow->close();
    WriteSettingsOnce();
    // Saved, or given up after the question: nothing is left to recover.
    Recovery->Discard();
    event->accept();
}

// ---------------------------------------------------------------- recovery

bool TZVfrmMain::RecoveryIdle() const {
    return !FImage->Editing() && FBusyDepth == 0 && !ToolMode() && !Modes.FSpotLightPicking &&
           QGuiApplication::mouseButtons() == Qt::NoButton && !QApplication::activeModalWidget() &&
           !QApplication::activePopupWidget();
}

void TZVfrmMain::OfferRecovery() {
    if (!Recovery->Enabled() || ToolMode()) return;
    std::vector<TRecoveryOffer> offers = Recovery->ClaimOffers();
    if (offers.empty()) return;
    TZVfrmRecover dialog(offers, this);
    dialog.OnDiscard = [&offers](int index) { DiscardRecoveryOffer(offers[std::size_t(index)]); };
    if (RecoverDialogHook(dialog) != QDialog::Accepted) return;
    const int index = dialog.SelectedIndex();
    if (index >= 0) RestoreRecovered(offers[std::size_t(index)]);
}

void TZVfrmMain::RestoreRecovered(TRecoveryOffer& offer) {
    if (ToolMode() || !AskSaveModified()) return;
    const std::string fileName = offer.Picture.Info.FileName;
    {
        FImage->BeginUpdate();
        TScopeExit endUpdate([this] { FImage->EndUpdate(); });
        if (FImage->Zoom() > 1000) FView->SetZoom(1000);
        const TRecoveryInfo& info = offer.Picture.Info;
        const TDibImage& pixels = offer.Picture.Pixels;
        // A new picture first: no history, no selection, no metadata of
        // the picture before; then the recovered pixels, modified, with the
        // metadata of their file (EXIF, XMP, colour profile, text), which a
        // save writes back.
        FImage->NewImage(pixels.Width(), pixels.Height(), pixels.BitCount(), clBlack);
        TBitmap recovered;
        recovered.Assign(pixels);
        FImage->SetBitmap(recovered);
        FImage->AdoptMetadata(info.Metadata);
        FImage->SetModified(true);
        FImage->SaveQuality = info.SaveQuality;
        FImage->SaveTransparent = info.SaveTransparent;
        FImage->SaveProgressive = info.SaveProgressive;
        FImage->ColorKeyed = info.ColorKeyed;
        FImage->TransparentColor = info.TransparentColor;
        FImage->TransparentIndex = info.TransparentIndex;
    }
    FFileName = fileName;
    SetTitle();
    SyncSaveFlagsFromDocument();
    UpdateCommandState();
    Recovery->TakeOver(offer);
    if (!fileName.empty()) Options.FLastDirectory = QFileInfo(QString::fromStdString(fileName)).absolutePath();
}

// ---------------------------------------------------------------- history

QAction* TZVfrmMain::NewHistoryItem(QMenu* list, const QString& caption) {
    auto* item = new QAction(caption, list);
    const bool undo = list == mnuUndoList;
    connect(item, &QAction::triggered, this, [this, item, undo] {
        QMenu* owner = undo ? mnuUndoList : mnuRedoList;
        const int k = int(owner->actions().indexOf(item));
        if (k < 0) return;
        if (undo) UndoListClick(k);
        else RedoListClick(k);
    });
    return item;
}

void TZVfrmMain::PushHistory(const std::string& caption) {
    QAction* item = NewHistoryItem(mnuUndoList, QCoreApplication::translate("undo", caption.c_str()));
    const QList<QAction*> items = mnuUndoList->actions();
    mnuUndoList->insertAction(items.isEmpty() ? nullptr : items.first(), item);
    TrimList(mnuUndoList, FImage->UndoBuffer());
}

void TZVfrmMain::SettleUndoWrite() {
    if (!FImage->UndoWritePending()) return;
    // Polled rather than waited for, so the window answers meanwhile.
    if (!FImage->UndoWriteDone()) {
        QTimer::singleShot(5, this, [this] { SettleUndoWrite(); });
        return;
    }
    QStringList captions;
    for (const QAction* item : mnuUndoList->actions()) captions << item->text();
    const QStringList droppedUndo = FDroppedUndo, droppedRedo = FDroppedRedo;
    try {
        FImage->SettleUndoWrite();
    } catch (const std::exception& error) {
        // The edit was taken back: its entry, the newest, leaves the undo
        // list, and what the edit pushed out of either list comes back (the
        // oldest undo entry of a full list, the redo entries it discarded).
        captions.removeFirst();
        captions += droppedUndo;
        TrimList(mnuUndoList, 0);
        TrimList(mnuRedoList, 0);
        for (qsizetype i = 0; i < captions.size() && i < FImage->UndoCount(); ++i)
            mnuUndoList->addAction(NewHistoryItem(mnuUndoList, captions[i]));
        for (qsizetype i = 0; i < droppedRedo.size() && i < FImage->RedoCount(); ++i)
            mnuRedoList->addAction(NewHistoryItem(mnuRedoList, droppedRedo[i]));
        UpdateCommandState();
        ShowError(error);
    }
}

void TZVfrmMain::TrimList(QMenu* list, int maxCount) {
    QStringList dropped;
    QList<QAction*> items = list->actions();
    while (items.size() > std::max(0, maxCount)) {
        QAction* last = items.takeLast();
        dropped.prepend(last->text());
        list->removeAction(last);
        delete last;
    }
    if (!dropped.isEmpty()) (list == mnuUndoList ? FDroppedUndo : FDroppedRedo) = dropped;
}

void TZVfrmMain::MoveHistoryItems(QMenu* from, QMenu* to, int count) {
    for (int i = 0; i < count; ++i) {
        const QList<QAction*> source = from->actions();
        if (source.isEmpty()) break;
        QAction* item = source.first();
        from->removeAction(item);
        QAction* moved = NewHistoryItem(to, item->text());
        delete item;
        const QList<QAction*> target = to->actions();
        to->insertAction(target.isEmpty() ? nullptr : target.first(), moved);
    }
}

void TZVfrmMain::UndoListClick(int k) { StepHistory(mnuUndoList, mnuRedoList, k + 1, &TQxImage::Undo); }

void TZVfrmMain::RedoListClick(int k) { StepHistory(mnuRedoList, mnuUndoList, k + 1, &TQxImage::Redo); }

void TZVfrmMain::StepHistory(QMenu* from, QMenu* to, int count, void (TQxImage::*step)(int)) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    MoveHistoryItems(from, to, count);
    {
        // On a failure only the cursor is put back; the error goes on to the caller.
        TScopeExit restoreCursor([] { QGuiApplication::restoreOverrideCursor(); });
        (FImage->*step)(count);
    }
    UpdateCommandState();
}

void TZVfrmMain::ChangeCanUndo(int undoCount, int redoCount) {
    TrimList(mnuUndoList, undoCount);
    TrimList(mnuRedoList, redoCount);
    if (ToolMode()) return;
    SetCommandEnabled(Actions.mnuUndo, undoCount != 0);
    SetCommandEnabled(Actions.mnuRedo, redoCount != 0);
    SetCommandEnabled(Actions.mnuClearUndo, undoCount != 0 || redoCount != 0);
}

// ---------------------------------------------------------------- state

void TZVfrmMain::UpdateCommandState() {
    const QList<QAction*> depths = {Actions.mnuColorBit24, Actions.mnuColorBit8, Actions.mnuColorBit4,
                                    Actions.mnuColorBit1, Actions.mnuColorBitHalftone};
    // Cut and erase need a selection; an operation that removed it (a crop,
    // a turn, a paste) leaves them disabled until the next one.
    if (!ToolMode()) {
        SetCommandEnabled(Actions.mnuCut, FImage->HasSelection());
        SetCommandEnabled(Actions.mnuDelete, FImage->HasSelection());
    }
    if (FImage->Empty()) {
        for (QAction* a : depths) SetCommandEnabled(a, false);
        RepaintStatusBar();
        return;
    }
    // While a tool window is open the commands stay as EnableChange left
    // them; they are re-evaluated when it closes.
    const bool free = !ToolMode();
    const int bits = FImage->BitCount();
    for (QAction* a : depths) {
        const int tag = a->data().toInt();
        const bool current = tag == bits || (bits == 1 && tag == 99);
        SetCommandEnabled(a, free && !current);
    }
    SetCommandEnabled(Actions.mnuTransparent, free && (FImage->ColorKeyed || bits != 24));
    for (const TCommand& command : Commands())
        if (command.Has(k24Bit)) SetCommandEnabled(Actions.*command.Action, free && bits == 24);
    RepaintStatusBar();
}

void TZVfrmMain::BeginBusy() {
    if (FBusyDepth++ > 0) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
}

void TZVfrmMain::EndBusy() {
    if (FBusyDepth == 0 || --FBusyDepth > 0) return;
    QGuiApplication::restoreOverrideCursor();
    ProgressBar1->hide();
    UpdateCommandState();
    FView->update();
    setEnabled(true);
    RepaintStatusBar();
}

void TZVfrmMain::ProgressChanged(int percent) {
    if (!StatusBar1->isVisible() || !ProgressBar1->isVisible() || ProgressBar1->value() == percent) return;
    ProgressBar1->setValue(percent);
    ProgressBar1->repaint();
}

void TZVfrmMain::RunImmediate(const std::string& caption, const std::function<void()>& operation) {
    if (FImage->Empty()) return;
    RunBusy(caption, [&] {
        operation();
        return true;
    });
}

bool TZVfrmMain::RunBusy(const std::string& caption, const std::function<bool()>& operation,
                         const std::function<void()>& afterBusy) {
    BeginBusy();
    bool ran = false;
    try {
        ran = operation();
    } catch (const std::exception& error) {
        EndBusy();
        if (afterBusy) afterBusy();
        ShowError(error);
        return false;
    }
    if (ran) PushHistory(caption);
    EndBusy();
    if (afterBusy) afterBusy();
    return ran;
}

void TZVfrmMain::ShowError(const std::exception& error) {
    QMessageBox::critical(this, ApplicationTitle(), EngineMessage(error.what()));
}

// ---------------------------------------------------------------- zoom and status

void TZVfrmMain::ZoomMenuClick(int tag) {
    if (tag == 999999) {
        Actions.mnuZoomFit->setChecked(false);
        FView->FitToWindow();
    } else {
        for (QAction* item : Actions.ZoomItems)
            if (item->data().toInt() == tag) item->setChecked(true);
        FView->SetZoom(tag);
    }
    RepaintStatusBar();
}

void TZVfrmMain::RepaintStatusBar() { StatusBar1->Refresh(); }

void TZVfrmMain::SetPanelText(int panel, const QString& text) { StatusBar1->SetPanelText(panel, text); }

void TZVfrmMain::ShowSelectionSize() {
    if (FImage->HasSelection()) {
        const TRect r = FImage->SelectionRect();
        SetPanelText(2, QStringLiteral("%1 x %2").arg(r.Width()).arg(r.Height()));
    } else {
        SetPanelText(2, QString());
    }
}

void TZVfrmMain::ViewMouseMove(int x, int y, QPoint screen) {
    if (FImage->Empty()) return;
    const int width = FImage->Bitmap().Width();
    const int height = FImage->Bitmap().Height();
    const bool inside = x >= 0 && y >= 0 && x < width && y < height;
    if (inside) SetPanelText(1, QStringLiteral("%1 , %2").arg(x).arg(y));
    if (!FImage->HasSelection()) {
        if (inside) {
            SetPanelText(2, TQxImageView::ColorText(FView->ColorAt(screen)));
        } else {
            SetPanelText(2, QString());
        }
        if (!ToolMode()) {
            SetCommandEnabled(Actions.mnuCut, false);
            SetCommandEnabled(Actions.mnuDelete, false);
        }
    } else {
        ShowSelectionSize();
        if (!ToolMode()) {
            SetCommandEnabled(Actions.mnuCut, true);
            SetCommandEnabled(Actions.mnuDelete, true);
        }
    }
}

// ---------------------------------------------------------------- clipboard

bool TZVfrmMain::ClipboardHasBitmap() const {
    const TClipboard* clipboard = InstalledClipboard();
    return clipboard && clipboard->HasBitmap();
}

void TZVfrmMain::ClipboardChanged() {
    const bool has = ClipboardHasBitmap() && !ToolMode();
    SetCommandEnabled(Actions.mnuPaste, ClipboardCanPaste(*this) && !ToolMode());
    SetCommandEnabled(Actions.mnuMergePaste, has);
    SetCommandEnabled(Actions.mnuClipBoardClear, has);
}

// ---------------------------------------------------------------- drop and keys

void TZVfrmMain::FileDropped(const QStringList& files, bool ctrl) {
    if (ToolMode() || files.isEmpty()) return;
    if (ctrl) {
        for (const QString& file : files) LoadImageFile(file, true);
        return;
    }
    LoadImageFile(files.first(), false);
    Options.FLastDirectory = QFileInfo(files.first()).absolutePath();
}

void TZVfrmMain::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                             Qt::AltModifier | Qt::MetaModifier);
    if (Modes.FSlideShowMode && StepSlideShow && mods == Qt::NoModifier) {
        if (key == Qt::Key_Backspace) return StepSlideShow(-1);
        if (key == Qt::Key_Space) return StepSlideShow(1);
    }
    if (key == Qt::Key_Escape) {
        if (Modes.FSlideShowMode && EndSlideShow) EndSlideShow();
        else if (Modes.FApplyCancelWindow) Modes.FApplyCancelWindow->close();
        else if (Modes.FTextOutWindow) Modes.FTextOutWindow->close();
        return;
    }
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (arrow && !ToolMode() && (mods == Qt::ControlModifier || mods == Qt::ShiftModifier)) {
        const int dx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
        const int dy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        if (mods == Qt::ControlModifier) FView->MoveSelection(dx, dy);
        else FView->ResizeSelection(dx, dy);
        ShowSelectionSize();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TZVfrmMain::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::StatusTip:
            // The application hint: the long text goes to panel 0.
            SetPanelText(0, static_cast<QStatusTipEvent*>(event)->tip());
            return true;
        case QEvent::WindowActivate:
            RepaintStatusBar();
            break;
        default:
            break;
    }
    return QMainWindow::event(event);
}

void TZVfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RepaintStatusBar();
}

}  // namespace zelvo
