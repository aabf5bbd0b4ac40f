// The slide show in the main window: the dialog's list and settings, the
// command line's folder, stepping by key, click and toolbar, the full-screen
// fit, deferred ends while a picture loads, and the window given back.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QMouseEvent>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/common/Settings.h"
#include "app/window/SlideShowRunner.h"
#include "app/slideshow/SlideShowSettings.h"
#include "app/slideshow/ZVfrmSlideShow.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

/// A folder of three small pictures a.bmp, b.bmp, c.bmp of different sizes
/// (10, 20 and 30 pixels wide), so the loaded picture tells which one shows.
fs::path ThreePictures(const std::string& name) {
    const fs::path dir = test::AppTestDir() / name;
    fs::create_directories(dir);
    int width = 10;
    for (const char* file : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::FlatImage24(width, 8, 0x00FF00).SaveToFile(dir / file);
        width += 10;
    }
    return dir;
}

TSlideShowSettings Windowed(bool loop = false) {
    TSlideShowSettings s;
    s.AutoSlide = false;
    s.FullScreen = false;
    s.Loop = loop;
    return s;
}

std::vector<fs::path> Files(const fs::path& dir) { return {dir / "a.bmp", dir / "b.bmp", dir / "c.bmp"}; }

void Click(QWidget* widget, Qt::MouseButton button) {
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void Key(TZVfrmMain& form, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&form, &press);
}

TEST(SlideShowSettings, ReadBackAndClamped) {
    TIniFile ini = TIniFile::FromText("");
    TSlideShowSettings s;
    s.InDirectory = "/pictures";
    s.InImageType = 2;
    s.SortType = 3;
    s.AutoSlide = false;
    s.Interval = 999;
    s.Loop = true;
    s.Descending = true;
    s.HideCursor = true;
    s.FullScreen = false;
    WriteSlideShowSettings(s, ini);
    const TSlideShowSettings back = ReadSlideShowSettings(ini, "/program");
    EXPECT_EQ(back.InDirectory, "/pictures");
    EXPECT_EQ(back.InImageType, 2);
    EXPECT_EQ(back.SortType, 3);
    EXPECT_FALSE(back.AutoSlide);
    EXPECT_EQ(back.Interval, 999);
    EXPECT_TRUE(back.Loop && back.Descending && back.HideCursor);
    EXPECT_FALSE(back.FullScreen);
    EXPECT_TRUE(back.FitWhenBigImage && back.RecoverZoom && back.ShowFileName);

    const TIniFile bad = TIniFile::FromText("[SlideShow]\nInterval=0\nSortType=4\nInImageType=-1\n");
    const TSlideShowSettings d = ReadSlideShowSettings(bad, "/program");
    EXPECT_EQ(d.Interval, 3);
    EXPECT_EQ(d.SortType, 0);
    EXPECT_EQ(d.InImageType, 0);
    EXPECT_EQ(d.InDirectory, "/program");
    EXPECT_EQ(ReadSlideShowSettings(TIniFile::FromText("[SlideShow]\nInterval=1000\n"), "").Interval, 3);
}

TEST(SlideShowDialog, EnablingErrorsAndOk) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    const fs::path dir = ThreePictures("dialog");
    TZVfrmSlideShow dialog(*form);
    QStringList errors;
    dialog.ShowErrorHook = [&](const QString& text) { errors << text; };

    dialog.CheckBox1->setChecked(false);
    dialog.CheckBox4->setChecked(false);
    dialog.CheckBox6->setChecked(false);
    dialog.SortButtons[3]->setChecked(true);
    EXPECT_FALSE(dialog.SpinEdit1->isEnabled());
    EXPECT_FALSE(dialog.Label3->isEnabled());
    EXPECT_FALSE(dialog.CheckBox5->isEnabled());
    EXPECT_FALSE(dialog.CheckBox7->isEnabled());
    EXPECT_FALSE(dialog.CheckBox3->isEnabled());
    dialog.CheckBox1->setChecked(true);
    dialog.CheckBox4->setChecked(true);
    dialog.CheckBox6->setChecked(true);
    dialog.SortButtons[0]->setChecked(true);
    EXPECT_TRUE(dialog.SpinEdit1->isEnabled() && dialog.CheckBox5->isEnabled() && dialog.CheckBox7->isEnabled() &&
                dialog.CheckBox3->isEnabled());
    EXPECT_EQ(dialog.SpinEdit1->maximum(), 999);
    EXPECT_EQ(dialog.SpinEdit1->minimum(), 1);

    dialog.ComboBox1->setCurrentIndex(0);
    dialog.SetFolder(QString::fromStdString((dir / "missing").string()));
    dialog.OkClick();
    const fs::path empty = test::AppTestDir() / "emptyfolder";
    fs::create_directories(empty);
    dialog.SetFolder(QString::fromStdString(empty.string()));
    dialog.OkClick();
    EXPECT_EQ(errors, (QStringList{QString::fromUtf8("入力フォルダが存在しません。"),
                                   QString::fromUtf8("対象となる画像ファイルがありません。")}));
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.SetFolder(QString::fromStdString(dir.string()) + QStringLiteral("/"));
    dialog.CheckBox3->setChecked(true);
    dialog.OkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Files(), (std::vector<fs::path>{dir / "c.bmp", dir / "b.bmp", dir / "a.bmp"}));
    // OK stored the section.
    const TSlideShowSettings stored = ReadSlideShowSettings(TIniFile(SettingsPath()), "");
    EXPECT_TRUE(stored.Descending);
    EXPECT_EQ(stored.InDirectory, dir.string() + "/");
}

TEST(SlideShowDialog, InvalidStoredTypeSelectsEntryOne) {
    test::WriteSettingsText("[SlideShow]\nInImageType=57\n");
    auto form = test::MakeWindow();
    TZVfrmSlideShow dialog(*form);
    ASSERT_GT(dialog.ComboBox1->count(), 1);
    EXPECT_EQ(dialog.ComboBox1->currentIndex(), 1);
    EXPECT_EQ(dialog.ComboBox1->itemText(0), form->Filters.FDescriptionList.value(0));
}

TEST(SlideShowRun, StepsByKeyClickAndToolbar) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    form->show();
    const fs::path dir = ThreePictures("steps");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    ASSERT_NE(runner, nullptr);
    ASSERT_TRUE(runner->Start(Files(dir), Windowed()));
    EXPECT_TRUE(form->Modes.FSlideShowMode);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 10);
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("スライドショー - ") + QString::fromStdString((dir / "a.bmp").string()));
    EXPECT_FALSE(form->menuBar()->isVisible());
    EXPECT_TRUE(form->Toolbar8->isVisible());
    EXPECT_FALSE(form->Toolbar1->isVisible());
    EXPECT_FALSE(form->Actions.btnPrevImage->isEnabled());
    EXPECT_TRUE(form->Actions.btnNextImage->isEnabled());

    // Previous at the first stays.
    Key(*form, Qt::Key_Backspace);
    EXPECT_EQ(runner->Index(), 0);
    Key(*form, Qt::Key_Space);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 20);
    form->Actions.btnNextImage->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 30);
    EXPECT_FALSE(form->Actions.btnNextImage->isEnabled());
    form->Actions.btnPrevImage->trigger();
    EXPECT_EQ(runner->Index(), 1);
    // A left click on the view: next; a right click: previous.
    Click(form->View().viewport(), Qt::LeftButton);
    EXPECT_EQ(runner->Index(), 2);
    Click(form->View().viewport(), Qt::RightButton);
    EXPECT_EQ(runner->Index(), 1);
    // Next past the last ends a show that does not loop.
    Key(*form, Qt::Key_Space);
    Key(*form, Qt::Key_Space);
    EXPECT_FALSE(runner->Active());
    EXPECT_FALSE(form->Modes.FSlideShowMode);
    EXPECT_TRUE(form->menuBar()->isVisible());
    EXPECT_FALSE(form->Toolbar8->isVisible());
    // The last picture stays for editing, with the editor's caption.
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 30);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo - ") + QString::fromStdString((dir / "c.bmp").string()));
    EXPECT_EQ(form->Options.FLastDirectory, QString::fromStdString(dir.string()));
}

TEST(SlideShowRun, LoopsAndEscEnds) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    const fs::path dir = ThreePictures("loop");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    ASSERT_TRUE(runner->Start(Files(dir), Windowed(true)));
    runner->Next();
    runner->Next();
    runner->Next();
    EXPECT_TRUE(runner->Active());
    EXPECT_EQ(runner->Index(), 0);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 10);
    form->Actions.btnSlideStop->trigger();
    EXPECT_FALSE(runner->Active());
    ASSERT_TRUE(runner->Start(Files(dir), Windowed(true)));
    Key(*form, Qt::Key_Escape);
    EXPECT_FALSE(runner->Active());
}

TEST(SlideShowRun, VanishedAndBrokenFiles) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    const fs::path dir = ThreePictures("vanish");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    ASSERT_TRUE(runner->Start(Files(dir), Windowed()));
    fs::remove(dir / "b.bmp");
    std::ofstream(dir / "c.bmp", std::ios::trunc) << "broken";
    runner->Next();
    // The vanished file changes nothing: the caption and picture stay.
    EXPECT_EQ(runner->Index(), 1);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 10);
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("a.bmp")));
    // A picture that fails to load shows an empty view; stepping goes on.
    runner->Next();
    EXPECT_TRUE(form->QxImage1().Empty());
    EXPECT_TRUE(runner->Active());
    runner->End();
}

TEST(SlideShowRun, TimerPausedWhileLoadingAndStepsIgnored) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    const fs::path dir = ThreePictures("timer");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    TSlideShowSettings s = Windowed();
    s.AutoSlide = true;
    s.Interval = 5;
    int calls = 0;
    runner->WhileLoadingHook = [&] {
        ++calls;
        EXPECT_TRUE(runner->Loading());
        EXPECT_FALSE(runner->TimerActive());
        // Keys during the load: ignored, not a nested load.
        Key(*form, Qt::Key_Space);
        Key(*form, Qt::Key_Backspace);
        runner->Next();
    };
    ASSERT_TRUE(runner->Start(Files(dir), s));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(runner->Index(), 0);
    EXPECT_TRUE(runner->TimerActive());
    runner->Next();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(runner->Index(), 1);
    runner->WhileLoadingHook = nullptr;
    runner->End();
    EXPECT_FALSE(runner->TimerActive());
}

TEST(SlideShowRun, EndAndCloseWhileLoadingAreDeferred) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    form->show();
    const fs::path dir = ThreePictures("defer");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    bool stillActive = false;
    runner->WhileLoadingHook = [&] {
        Key(*form, Qt::Key_Escape);
        // Still running: the load has not returned yet.
        stillActive = runner->Active();
    };
    ASSERT_TRUE(runner->Start(Files(dir), Windowed()));
    EXPECT_TRUE(stillActive);
    EXPECT_FALSE(runner->Active());
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 10);

    bool closedDuringLoad = true;
    runner->WhileLoadingHook = [&] {
        form->close();
        closedDuringLoad = !form->isVisible();
    };
    ASSERT_TRUE(runner->Start(Files(dir), Windowed()));
    EXPECT_FALSE(closedDuringLoad);
    EXPECT_FALSE(runner->Active());
    EXPECT_FALSE(form->isVisible());
}

TEST(SlideShowRun, FullScreenFitAndWindowRestored) {
    test::WriteSettingsText("[Settings]\nLeft=40\nTop=50\nWidth=600\nHeight=420\n");
    auto form = test::MakeWindow();
    form->show();
    const QRect before = form->geometry();
    const TColor color = form->QxImage1().Color;
    const fs::path dir = test::AppTestDir() / "wide";
    fs::create_directories(dir);
    test::FlatImage24(3000, 1000, 0x0000FF).SaveToFile(dir / "wide.bmp");
    test::FlatImage24(300, 200, 0x0000FF).SaveToFile(dir / "small.bmp");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    runner->ScreenRectHook = [] { return QRect(0, 0, 1024, 768); };
    TSlideShowSettings s;
    s.AutoSlide = false;
    s.HideCursor = true;
    ASSERT_TRUE(runner->Start({dir / "wide.bmp", dir / "small.bmp"}, s));
    // 1024 x 341, centred: top (768 - 341) / 2 = 213.
    EXPECT_EQ(runner->FullScreenViewRect(), QRect(0, 213, 1024, 341));
    EXPECT_EQ(form->View().geometry(), QRect(0, 213, 1024, 341));
    EXPECT_EQ(form->QxImage1().Color, clBlack);
    EXPECT_FALSE(form->statusBar()->isVisible());
    EXPECT_FALSE(form->menuBar()->isVisible());
    EXPECT_FALSE(form->Toolbar8->isVisible());
    // Fitted: 3000 wide into 1024.
    EXPECT_LT(form->View().Zoom(), 100);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    ASSERT_NE(runner->FileNameLabel(), nullptr);
    EXPECT_TRUE(runner->FileNameLabel()->isVisible());
    EXPECT_EQ(runner->FileNameLabel()->pos(), QPoint(1, 1));
    EXPECT_EQ(runner->FileNameLabel()->text(), QString::fromStdString((dir / "wide.bmp").string()));

    runner->Next();
    EXPECT_EQ(runner->FullScreenViewRect(), QRect(362, 284, 300, 200));
    EXPECT_EQ(form->View().Zoom(), 100);

    runner->End();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form->isFullScreen());
    EXPECT_EQ(form->geometry().topLeft(), before.topLeft());
    EXPECT_EQ(form->size(), before.size());
    EXPECT_EQ(form->QxImage1().Color, color);
    EXPECT_TRUE(form->statusBar()->isVisible());
    EXPECT_TRUE(form->menuBar()->isVisible());
    EXPECT_TRUE(form->Toolbar1->isVisible());
    EXPECT_FALSE(form->View().SlideShow());
    EXPECT_EQ(form->View().Zoom(), 100);
    EXPECT_EQ(form->View().parentWidget(), form->centralWidget());
    EXPECT_FALSE(runner->FileNameLabel()->isVisible());
}

TEST(SlideShowRun, EndRestoresEvenWhenTheToolbarLayoutFails) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    form->show();
    const fs::path dir = ThreePictures("failing");
    TSlideShowRunner* runner = SlideShowRunner(*form);
    TSlideShowSettings s = Windowed();
    s.HideCursor = true;
    ASSERT_TRUE(runner->Start(Files(dir), s));
    // A toolbar without a name cannot have its layout read back.
    form->Toolbar2->setObjectName(QString());
    runner->End();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->menuBar()->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->Modes.FSlideShowMode);
    form->Toolbar2->setObjectName(QStringLiteral("Toolbar2"));
}

TEST(SlideShowRun, CommandLineFolderOpensThePresetDialog) {
    test::WriteSettingsText("");
    const fs::path dir = ThreePictures("cmdline");
    // The dialog runs from the window's constructor: script every runner
    // by answering the first dialog shown.
    QString shownFolder;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && w->objectName() == "ZVfrmSlideShow") {
                shownFolder = static_cast<TZVfrmSlideShow*>(dialog)->Edit1->text();
                dialog->reject();
            }
        }
    });
    auto form = test::MakeWindow({QString::fromStdString(dir.string())});
    EXPECT_EQ(shownFolder, QString::fromStdString(dir.string()));
    EXPECT_TRUE(form->QxImage1().Empty());
}

}  // namespace
}  // namespace zelvo
