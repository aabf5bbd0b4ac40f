// The thumbnail browser: its settings, the list in case-insensitive order,
// the cache that spares a second opening every decode, refused caches,
// menus given back on every path, cancel and close during generation, and
// delete to the trash.

#include <gtest/gtest.h>

#include <QAction>
#include <QPointer>
#include <QApplication>
#include <QListWidget>
#include <QMenu>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/folders/BrowseFolderDlg.h"
#include "app/thumbnails/ThumbNailSettings.h"
#include "app/thumbnails/ZVfrmThumbNail.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "image/Stream.h"
#include "library/ThumbnailCache.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

/// Points the cache and the trash at folders of this test, and counts the
/// pictures new browsers read.
class ThumbBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        root = test::AppTestDir() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root / "cache");
        setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        TZVfrmThumbNail::DefaultLoader() = [this](const fs::path& path, int size, bool gif, TDibImage& picture) {
            ++loads;
            return LoadThumbnailSource(path, size, gif, picture);
        };
        TQxBrowseFolderDlg::ExecuteHook() = [this](TQxBrowseFolderDlg& dialog) {
            ++folderDialogs;
            if (chooseFolder.isEmpty()) return false;
            dialog.SetFolder(chooseFolder);
            return true;
        };
        test::WriteSettingsText("");
        form = test::MakeWindow();
    }
    void TearDown() override {
        form.reset();
        TZVfrmThumbNail::DefaultLoader() = nullptr;
        TQxBrowseFolderDlg::ExecuteHook() = nullptr;
        unsetenv("XDG_CACHE_HOME");
        unsetenv("XDG_DATA_HOME");
    }

    /// `count` small pictures named so that byte order and case-insensitive
    /// order differ.
    fs::path Pictures(const std::string& name, int count) {
        const fs::path dir = root / name;
        fs::create_directories(dir);
        for (int i = 0; i < count; ++i) {
            const std::string file = std::string(i % 2 ? "P" : "p") + char('a' + i / 10) + char('0' + i % 10) + ".bmp";
            test::FlatImage24(40 + i, 30, RGB(i * 8, 100, 200)).SaveToFile(dir / file);
        }
        return dir;
    }

    QStringList Captions(TZVfrmThumbNail& browser) {
        QStringList out;
        for (int i = 0; i < browser.ListView1->count(); ++i) out << browser.ListView1->item(i)->text();
        return out;
    }

    TZVfrmThumbNail* NewBrowser() { return new TZVfrmThumbNail(*form); }

    fs::path root;
    std::unique_ptr<TZVfrmMain> form;
    std::atomic<int> loads{0};
    int folderDialogs = 0;
    QString chooseFolder;
};

TEST(ThumbNailSettings, ReadBackAndClamped) {
    TIniFile ini = TIniFile::FromText("");
    TThumbNailSettings s;
    s.Left = -20;
    s.Top = 30;
    s.Width = 300;
    s.Height = 500;
    s.Directory = "/pictures";
    s.ThumbSize = 128;
    s.StayOnTop = false;
    s.BackgroundColor = RGB(1, 2, 3);
    WriteThumbNailSettings(s, ini);
    const TThumbNailSettings back = ReadThumbNailSettings(ini, "/program");
    EXPECT_EQ(back.Left, -20);
    EXPECT_EQ(back.Top, 30);
    EXPECT_EQ(back.Width, 300);
    EXPECT_EQ(back.Height, 500);
    EXPECT_EQ(back.Directory, "/pictures");
    EXPECT_EQ(back.ThumbSize, 128);
    EXPECT_FALSE(back.StayOnTop);
    EXPECT_EQ(back.BackgroundColor, RGB(1, 2, 3));

    // 300 wraps to 44 as a byte and is in range; 8 is too small; widths of
    // 0 are refused.
    EXPECT_EQ(ReadThumbNailSettings(TIniFile::FromText("[ThumbNail]\nThumbSize=300\n"), "").ThumbSize, 44);
    EXPECT_EQ(ReadThumbNailSettings(TIniFile::FromText("[ThumbNail]\nThumbSize=8\n"), "").ThumbSize, 64);
    const TThumbNailSettings d = ReadThumbNailSettings(TIniFile::FromText("[ThumbNail]\nWidth=0\nHeight=-5\n"), "/p");
    EXPECT_EQ(d.Width, 120);
    EXPECT_EQ(d.Height, 400);
    EXPECT_EQ(d.Directory, "/p");
    EXPECT_TRUE(d.StayOnTop);
}

TEST_F(ThumbBrowser, ListsInCaseInsensitiveOrderAndCachesForTheSecondOpening) {
    const fs::path dir = Pictures("pics", 12);
    std::ofstream(dir / "notes.txt") << "not a picture";
    TZVfrmThumbNail* first = NewBrowser();
    first->BuildThumbnails(QString::fromStdString(dir.string()));
    EXPECT_EQ(loads, 12);
    EXPECT_EQ(first->windowTitle(), QString::fromStdString(dir.string()) + "/");
    const QStringList captions = Captions(*first);
    ASSERT_EQ(captions.size(), 12);
    // pa0, Pa1, pa2, ... then pb0, Pb1: the letters decide, not the case.
    EXPECT_EQ(captions.mid(0, 3), (QStringList{"pa0.bmp", "Pa1.bmp", "pa2.bmp"}));
    EXPECT_EQ(captions.mid(10, 2), (QStringList{"pb0.bmp", "Pb1.bmp"}));
    EXPECT_EQ(first->ListView1->iconSize(), QSize(64, 64));
    EXPECT_TRUE(first->mnuRefresh->isEnabled());
    EXPECT_TRUE(first->mnuFile->isEnabled());
    const TThumbnailSet made = first->Thumbnails();

    // Closing writes the cache; the browser goes.
    QPointer<TZVfrmThumbNail> gone = first;
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    const TThumbnailCacheFiles files = ThumbnailCacheFiles(dir, root / "cache" / "zelvo");
    EXPECT_TRUE(fs::exists(files.Dat));
    EXPECT_TRUE(fs::exists(files.Idx));

    // Opening again from the main window: the cached folder, no decode, no
    // folder dialog.
    loads = 0;
    form->Actions.mnuThumbNail->trigger();
    TZVfrmThumbNail* second = ThumbnailBrowser(*form);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(folderDialogs, 0);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(Captions(*second), captions);
    ASSERT_EQ(second->Thumbnails().Images.size(), made.Images.size());
    for (std::size_t i = 0; i < made.Images.size(); ++i)
        EXPECT_TRUE(test::SamePixels(second->Thumbnails().Images[i], made.Images[i]));
    EXPECT_TRUE(form->Actions.mnuThumbNail->isEnabled());

    // Refresh makes them again.
    second->Refresh();
    EXPECT_EQ(loads, 12);
    second->close();
}

TEST_F(ThumbBrowser, ChangedOrDamagedCacheIsMadeAgain) {
    const fs::path dir = Pictures("changing", 3);
    TZVfrmThumbNail* first = NewBrowser();
    first->BuildThumbnails(QString::fromStdString(dir.string()));
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A new picture since: the cache does not describe the folder any more;
    // the folder dialog comes, and the folder is read again.
    test::FlatImage24(5, 5, 0).SaveToFile(dir / "new.bmp");
    loads = 0;
    chooseFolder = QString::fromStdString(dir.string());
    form->Actions.mnuThumbNail->trigger();
    EXPECT_EQ(folderDialogs, 1);
    EXPECT_EQ(loads, 4);
    TZVfrmThumbNail* second = ThumbnailBrowser(*form);
    ASSERT_NE(second, nullptr);
    second->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A damaged .IDX (a caption leading out of the folder) is refused.
    const TThumbnailCacheFiles files = ThumbnailCacheFiles(dir, root / "cache" / "zelvo");
    std::vector<std::uint8_t> idx = ReadWholeFile(files.Idx);
    const std::string name = "new.bmp";
    auto at = std::search(idx.begin(), idx.end(), name.begin(), name.end());
    ASSERT_NE(at, idx.end());
    std::copy_n("../x.bm", 7, at);
    std::ofstream(files.Idx, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(idx.data()), std::streamsize(idx.size()));
    TZVfrmThumbNail* third = NewBrowser();
    EXPECT_FALSE(third->LoadCache());
    EXPECT_EQ(third->ListView1->count(), 0);
    delete third;
}

TEST_F(ThumbBrowser, MenusComeBackOnEveryPath) {
    const fs::path empty = root / "empty";
    fs::create_directories(empty);
    std::ofstream(empty / "readme.txt") << "x";
    TZVfrmThumbNail* browser = NewBrowser();
    QStringList messages;
    browser->ShowMessageHook = [&](const QString& text) { messages << text; };
    bool disabledDuring = false;
    browser->StepHook = [&](int) { disabledDuring = !browser->mnuRefresh->isEnabled() && !browser->mnuFile->isEnabled(); };
    browser->BuildThumbnails(QString::fromStdString(empty.string()));
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("入力フォルダ内に画像ファイルが存在しません。")});
    EXPECT_TRUE(browser->mnuRefresh->isEnabled());
    EXPECT_TRUE(browser->mnuFile->isEnabled());
    EXPECT_TRUE(browser->mnuChangeFolder->isEnabled());

    // Cancelled after the second file: what was made stays, menus are back.
    const fs::path dir = Pictures("cancel", 5);
    browser->StepHook = [&](int index) {
        disabledDuring = !browser->mnuRefresh->isEnabled() && !browser->mnuFile->isEnabled();
        if (index == 1) browser->Cancel();
    };
    browser->BuildThumbnails(QString::fromStdString(dir.string()));
    EXPECT_TRUE(disabledDuring);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(browser->ListView1->count(), 1);
    EXPECT_TRUE(browser->mnuRefresh->isEnabled());
    EXPECT_TRUE(browser->mnuFile->isEnabled());
    EXPECT_TRUE(browser->ListView1->isEnabled());
    delete browser;
}

TEST_F(ThumbBrowser, CloseDuringGenerationWaitsForTheLoop) {
    const fs::path dir = Pictures("closing", 6);
    TZVfrmThumbNail* browser = NewBrowser();
    browser->show();
    QPointer<TZVfrmThumbNail> alive = browser;
    bool visibleAfterClose = false;
    browser->StepHook = [&](int index) {
        if (index != 2) return;
        browser->close();
        // The close only asked the loop to stop; the window is still whole.
        visibleAfterClose = browser->isVisible() && !browser->Closing();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(alive.isNull());
    };
    browser->BuildThumbnails(QString::fromStdString(dir.string()));
    EXPECT_TRUE(visibleAfterClose);
    // No further file was read after the close.
    EXPECT_EQ(loads, 2);
    EXPECT_TRUE(alive && alive->Closing());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST_F(ThumbBrowser, SameFolderWhileShownDoesNothing) {
    const fs::path dir = Pictures("same", 2);
    TZVfrmThumbNail* browser = NewBrowser();
    browser->show();
    browser->BuildThumbnails(QString::fromStdString(dir.string()));
    EXPECT_EQ(loads, 2);
    browser->BuildThumbnails(QString::fromStdString(dir.string()) + "/");
    EXPECT_EQ(loads, 2);
    browser->SetThumbSize(96);
    EXPECT_EQ(loads, 4);
    EXPECT_EQ(browser->Thumbnails().Images.front().Width(), 96);
    delete browser;
}

TEST_F(ThumbBrowser, CommandsOpenTheSelectedFile) {
    const fs::path dir = Pictures("commands", 3);
    TZVfrmThumbNail* browser = NewBrowser();
    browser->BuildThumbnails(QString::fromStdString(dir.string()));
    QList<QUrl> opened;
    browser->OpenUrlHook = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    // Without a selection the file commands are off and do nothing.
    emit browser->mnuFile->aboutToShow();
    EXPECT_FALSE(browser->mnuOpen->isEnabled());
    EXPECT_TRUE(browser->SelectedFile().isEmpty());
    browser->ListView1->setCurrentRow(1);
    emit browser->mnuFile->aboutToShow();
    EXPECT_TRUE(browser->mnuOpen->isEnabled());
    const QString selected = QString::fromStdString((dir / "Pa1.bmp").string());
    EXPECT_EQ(browser->SelectedFile(), selected);

    browser->mnuShellOpen->trigger();
    browser->mnuOpenFolder->trigger();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(selected), QUrl::fromLocalFile(QString::fromStdString(dir.string()))}));

    QStringList started;
    form->StartInstanceHook = [&](const QString&, const QStringList& args) {
        started = args;
        return true;
    };
    browser->mnuOpenNew->trigger();
    EXPECT_EQ(started, (QStringList{selected, QStringLiteral("-DefPos")}));
    browser->mnuOpen->trigger();
    EXPECT_EQ(QString::fromStdString(form->FFileName), selected);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 41);
    delete browser;
}

TEST_F(ThumbBrowser, DeleteGoesToTheTrash) {
    const fs::path dir = Pictures("trash", 3);
    TZVfrmThumbNail* browser = NewBrowser();
    browser->BuildThumbnails(QString::fromStdString(dir.string()));
    browser->ListView1->setCurrentRow(0);
    QString asked;
    browser->ConfirmDeleteHook = [&](const QString& path) {
        asked = path;
        return false;
    };
    browser->DeleteSelected();
    EXPECT_TRUE(fs::exists(dir / "pa0.bmp"));
    EXPECT_EQ(asked, QString::fromStdString((dir / "pa0.bmp").string()));
    browser->ConfirmDeleteHook = [](const QString&) { return true; };
    browser->DeleteSelected();
    EXPECT_FALSE(fs::exists(dir / "pa0.bmp"));
    const fs::path trash = root / "data" / "Trash";
    EXPECT_TRUE(fs::exists(trash / "files" / "pa0.bmp"));
    EXPECT_TRUE(fs::exists(trash / "info" / "pa0.bmp.trashinfo"));
    EXPECT_EQ(Captions(*browser), (QStringList{"Pa1.bmp", "pa2.bmp"}));
    // The image list keeps every image; the items keep their indexes.
    EXPECT_EQ(browser->Thumbnails().Images.size(), 3u);
    EXPECT_EQ(browser->Thumbnails().Items.front().ImageIndex, 1);

    // A file the trash refuses stays listed.
    browser->TrashHook = [](const QString&) { return false; };
    browser->ListView1->setCurrentRow(0);
    browser->DeleteSelected();
    EXPECT_EQ(browser->ListView1->count(), 2);
    delete browser;
}

}  // namespace
}  // namespace zelvo
