#include "app/window/SlideShowRunner.h"

#include <QCoreApplication>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app/common/AppTitle.h"
#include "app/common/Settings.h"
#include "app/slideshow/ZVfrmSlideShow.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

namespace {

QFrame* PanelOf(TZVfrmMain& form) { return qobject_cast<QFrame*>(form.centralWidget()); }

}  // namespace

TSlideShowRunner::TSlideShowRunner(TZVfrmMain& form) : QObject(&form), FForm(form) {
    ScreenRectHook = [this] {
        QScreen* screen = FForm.screen() ? FForm.screen() : QGuiApplication::primaryScreen();
        return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    };
    RunDialogHook = [](TZVfrmSlideShow& dialog) { return dialog.exec() == QDialog::Accepted; };
    FForm.installEventFilter(this);
}

TSlideShowRunner::~TSlideShowRunner() {
    if (FCursorHidden) QGuiApplication::restoreOverrideCursor();
}

TSlideShowRunner* SlideShowRunner(TZVfrmMain& form) {
    return form.SlideShow;
}

bool TSlideShowRunner::TimerActive() const { return FTimer && FTimer->isActive(); }

void TSlideShowRunner::OpenDialog(const QString& folder) {
    if (FActive || FForm.ToolMode()) return;
    TZVfrmSlideShow dialog(FForm);
    if (!folder.isEmpty()) dialog.SetFolder(folder);
    if (!RunDialogHook(dialog)) return;
    if (dialog.Files().empty() || !FForm.AskSaveModified()) return;
    Start(dialog.Files(), dialog.Options());
}

bool TSlideShowRunner::Start(std::vector<std::filesystem::path> files, const TSlideShowSettings& options) {
    if (files.empty() || FActive) return false;
    FOptions = options;
    FSequence = TSlideShowSequence(std::move(files), options.Loop);
    EnterViewer();
    FActive = true;
    FForm.Modes.FSlideShowMode = true;
    if (FOptions.HideCursor) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        FCursorHidden = true;
    }
    if (FOptions.AutoSlide) {
        if (!FTimer) {
            FTimer = new QTimer(this);
            connect(FTimer, &QTimer::timeout, this, [this] { Next(); });
        }
        FTimer->setInterval(std::clamp(FOptions.Interval, kMinSlideInterval, kMaxSlideInterval) * 1000);
    }
    ShowCurrent();
    return true;
}

void TSlideShowRunner::EnterViewer() {
    // 1. The tool windows step aside; the settings as they are now are what
    // the end of the show goes back to.
    if (QWidget* about = FForm.Modes.FAboutBox; about && about->isVisible()) {
        FHiddenAbout = about;
        about->hide();
    }
    if (QWidget* browser = FForm.ThumbnailBrowser; browser && browser->isVisible()) {
        FHiddenBrowser = browser;
        browser->hide();
    }
    WriteSettings(FForm);

    // 2. No editing by mouse; no scroll bars when fitting or full screen.
    TQxImageView& view = FForm.View();
    view.SetSlideShow(true);
    FSavedDisplayOnly = view.DisplayOnly();
    if (FOptions.FitWhenBigImage || FOptions.FullScreen) view.SetDisplayOnly(true, view.PanOnly());

    // 3. No menu bar, no toolbars.
    FForm.menuBar()->hide();
    for (QToolBar* bar : FForm.Toolbars())
        if (bar != FForm.Toolbar8) bar->hide();

    // 4. Full screen on black, or windowed with the slide-show bar.
    if (FOptions.FullScreen) {
        if (FForm.isMaximized()) FForm.showNormal();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QFrame* panel = PanelOf(FForm);
        if (panel && panel->layout()) panel->layout()->removeWidget(&view);
        view.setGeometry(0, 0, 0, 0);
        FSavedViewFrame = int(view.frameShape());
        view.setFrameShape(QFrame::NoFrame);
        FSavedColor = FForm.QxImage1().Color;
        FForm.QxImage1().Color = clBlack;
        FForm.statusBar()->hide();
        if (panel) panel->setFrameShape(QFrame::NoFrame);
        FForm.setWindowFlag(Qt::FramelessWindowHint, true);
        // The screen's bounds first: without a window manager to honour the
        // full-screen state, the borderless window still covers the screen.
        FForm.setGeometry(ScreenRectHook());
        FForm.showFullScreen();
        if (!FFileName && panel) {
            FFileName = new QLabel(panel);
            FFileName->setObjectName(QStringLiteral("SlideShowFileName"));
            FFileName->setAttribute(Qt::WA_TransparentForMouseEvents);
            FFileName->setStyleSheet(QStringLiteral("QLabel { color: #00ff00; background: transparent; }"));
        }
        if (FFileName) FFileName->hide();
    } else {
        FForm.Toolbar8->show();
    }

    // 5.
    FForm.show();
    FForm.raise();
    FForm.activateWindow();
}

void TSlideShowRunner::PlaceFullScreenView(int width, int height) {
    const QRect screen = ScreenRectHook();
    const TRect r = zelvo::FullScreenViewRect(width, height, screen.width(), screen.height());
    FViewRect = QRect(r.Left, r.Top, r.Width(), r.Height());
    // The panel covers the screen from its top-left corner.
    FForm.View().setGeometry(FViewRect);
}

void TSlideShowRunner::ShowCurrent() {
    if (!FActive || FLoading) return;
    FLoading = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    SetCommandEnabled(FForm.Actions.btnPrevImage, !FSequence.AtFirst());
    SetCommandEnabled(FForm.Actions.btnNextImage, !FSequence.AtLast());
    if (FTimer) FTimer->stop();

    TQxImage& doc = FForm.QxImage1();
    TQxImageView& view = FForm.View();
    const std::filesystem::path path = FSequence.Current();
    std::error_code ec;
    bool shown = false;
    if (std::filesystem::is_regular_file(path, ec)) {
        FForm.FFileName = path.string();
        FForm.setWindowTitle(QCoreApplication::translate("SlideShowRunner", "スライドショー - ") + QString::fromStdString(path.string()));
        doc.BeginUpdate();
        bool loaded = false;
        try {
            if (WhileLoadingHook) WhileLoadingHook();
            doc.AutoOrient = FForm.Options.FUseExifOrientation;
            loaded = doc.LoadDocumentFile(path, FForm.Options.FGIFMode);
        } catch (const std::exception&) {
            // A picture that cannot be shown leaves an empty view.
            loaded = false;
        }
        if (loaded) {
            const int w = doc.Bitmap().Width();
            const int h = doc.Bitmap().Height();
            if (FOptions.FullScreen) PlaceFullScreenView(w, h);
            if (FOptions.FitWhenBigImage && (w > view.ClientWidth() || h > view.ClientHeight()))
                view.FitToWindow();
            else
                view.SetZoom(100);
            FForm.Actions.mnuProgressive->setChecked(doc.SaveProgressive);
            FForm.Actions.mnuTransparent->setChecked(doc.SaveTransparent);
            FForm.UpdateCommandState();
        } else {
            doc.Bitmap().Clear();
        }
        doc.EndUpdate();
        shown = true;
    }
    FForm.raise();
    view.viewport()->update();
    if (shown && FFileName) {
        FFileName->setVisible(FOptions.FullScreen && FOptions.ShowFileName);
        if (FFileName->isVisible()) {
            QCoreApplication::processEvents();
            FFileName->setText(QString::fromStdString(path.string()));
            FFileName->adjustSize();
            FFileName->move(1, 1);
            FFileName->raise();
        }
    }
    QGuiApplication::restoreOverrideCursor();
    FLoading = false;
    if (FClosePending || FEndPending) {
        const bool close = FClosePending;
        FEndPending = FClosePending = false;
        End();
        if (close) FForm.close();
        return;
    }
    if (FActive && FOptions.AutoSlide && FTimer) FTimer->start();
}

void TSlideShowRunner::Next() {
    if (!FActive || FLoading) return;
    if (FSequence.Next() == TSlideShowSequence::TStep::End) {
        End();
        return;
    }
    ShowCurrent();
}

void TSlideShowRunner::Previous() {
    if (!FActive || FLoading) return;
    if (FSequence.Previous() == TSlideShowSequence::TStep::Show) ShowCurrent();
}

void TSlideShowRunner::End() {
    if (FLoading) {
        FEndPending = true;
        return;
    }
    if (!FActive) return;
    FActive = false;
    FForm.Modes.FSlideShowMode = false;
    FForm.hide();
    if (FTimer) {
        FTimer->stop();
        delete FTimer;
        FTimer = nullptr;
    }
    // Whatever fails below, the cursor, the bars and the window come back.
    struct TRestore {
        TSlideShowRunner& Runner;
        ~TRestore() {
            if (Runner.FCursorHidden) {
                QGuiApplication::restoreOverrideCursor();
                Runner.FCursorHidden = false;
            }
            TZVfrmMain& form = Runner.FForm;
            form.menuBar()->show();
            form.Toolbar8->hide();
            form.show();
            form.raise();
            form.activateWindow();
        }
    } restore{*this};
    LeaveViewer();
}

void TSlideShowRunner::LeaveViewer() {
    FSequence = TSlideShowSequence();
    TQxImageView& view = FForm.View();
    view.SetSlideShow(false);
    view.SetDisplayOnly(FSavedDisplayOnly, view.PanOnly());
    const bool wasFullScreen = FOptions.FullScreen;
    if (wasFullScreen) {
        // Back to the window's own layout first, so that the settings read
        // below apply to a normal window.
        if (FFileName) FFileName->hide();
        FForm.setWindowFlag(Qt::FramelessWindowHint, false);
        FForm.showNormal();
        FForm.statusBar()->setVisible(FForm.StatusBarShown());
        QFrame* panel = PanelOf(FForm);
        view.setFrameShape(QFrame::Shape(FSavedViewFrame));
        if (panel) {
            if (panel->layout() && panel->layout()->indexOf(&view) < 0) panel->layout()->addWidget(&view);
            panel->setFrameShape(QFrame::Box);
        }
        FForm.QxImage1().Color = FSavedColor;
    }
    try {
        // The main settings again: the bounds (unless -DEFPOS), the toolbar
        // layout and the status bar as they were before the show.
        ReadSettings(FForm);
    } catch (const std::exception&) {
        // A damaged toolbar section leaves the toolbars where they are.
        for (QToolBar* bar : FForm.Toolbars())
            if (bar != FForm.Toolbar8 && bar != FForm.Toolbar6) bar->show();
    }
    if (wasFullScreen) FForm.statusBar()->setVisible(FForm.StatusBarShown());
    if (FOptions.FitWhenBigImage && FOptions.RecoverZoom) FForm.ZoomMenuClick(100);
    FForm.SetTitle();
    if (!FForm.FFileName.empty())
        FForm.Options.FLastDirectory = QFileInfo(QString::fromStdString(FForm.FFileName)).absolutePath();
    if (FHiddenAbout) FHiddenAbout->show();
    if (FHiddenBrowser) FHiddenBrowser->show();
    FHiddenAbout = nullptr;
    FHiddenBrowser = nullptr;
}

bool TSlideShowRunner::eventFilter(QObject* watched, QEvent* event) {
    // Closing the window while a picture loads waits for the load.
    if (watched == &FForm && event->type() == QEvent::Close && FLoading) {
        FClosePending = true;
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void InstallSlideShowCommands(TZVfrmMain& form) {
    auto* runner = new TSlideShowRunner(form);
    form.SlideShow = runner;
    form.OpenSlideShowFolder = [runner](const QString& folder) { runner->OpenDialog(folder); };
    form.EndSlideShow = [runner] { runner->End(); };
    form.StepSlideShow = [runner](int step) {
        if (step > 0) runner->Next();
        else runner->Previous();
    };
    QObject::connect(form.Actions.mnuSlideShow, &QAction::triggered, runner, [runner] { runner->OpenDialog(); });
    QObject::connect(form.Actions.btnSlideStop, &QAction::triggered, runner, [runner] { runner->End(); });
    QObject::connect(form.Actions.btnPrevImage, &QAction::triggered, runner, [runner] { runner->Previous(); });
    QObject::connect(form.Actions.btnNextImage, &QAction::triggered, runner, [runner] { runner->Next(); });
}

}  // namespace zelvo
