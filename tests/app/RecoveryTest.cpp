// The main window keeps its unsaved picture in a recovery file after a
// pause, removes it when the picture is saved, closed or reverted, and at
// start offers what editors that are gone left: restored as a modified
// picture under its own name, so 上書き保存 writes where it came from.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/window/ZVfrmMain.h"
#include "app/window/ZVfrmRecover.h"
#include "document/QxImage.h"
#include "document/RecoveryFolder.h"
#include "formats/PngChunks.h"
#include "platform/Bitmap.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::MakeWindow;
using test::SamePixels;

// Pumps events until `done` or five seconds have passed.
bool Await(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

TDibImage Pixels(TZVfrmMain& form) { return form.QxImage1().Bitmap().ToDibImage(); }

class RecoveryTest : public ::testing::Test {
protected:
    // A state folder of the test's own, so windows of other tests leave
    // nothing to offer here.
    void SetUp() override {
        FState = test::MakeTempDir("zelvo-recovery-state");
        setenv("XDG_STATE_HOME", FState.c_str(), 1);
        test::WriteSettingsText("");
    }
    void TearDown() override {
        setenv("XDG_STATE_HOME", (test::AppTestDir() / "state").c_str(), 1);
        fs::remove_all(FState);
    }
    std::unique_ptr<TZVfrmMain> EditedWindow(const std::string& name) {
        auto form = MakeWindow();
        form->Recovery->IdleDelayMs = 0;
        EXPECT_TRUE(form->LoadImageFile(test::WriteSampleBmp(name, 9, 5), false));
        const int before = form->Recovery->Stats().Written;
        form->RunImmediate("ネガポジ反転", [&] { form->QxImage1().Negative(); });
        EXPECT_TRUE(Await([&] { return form->Recovery->Stats().Written > before; }));
        return form;
    }
    static TRecoveredPicture Written(TZVfrmMain& form) {
        return ReadRecoveryFile(form.Recovery->FilePath(), unsigned(::geteuid()));
    }
    // A picture an editor that is gone left.
    static fs::path DeadPicture(const std::string& fileName, const TDibImage& pixels, std::int64_t savedTime,
                                const TPictureMetadata& metadata = {}) {
        TRecoverySession session(RecoveryFolder(), unsigned(::geteuid()));
        TRecoveryInfo info;
        info.FileName = fileName;
        info.Format = fs::path(fileName).extension().string();
        info.Metadata = metadata;
        info.SavedTime = savedTime;
        info.SaveProgressive = true;
        EXPECT_EQ(WriteRecoveryFile(session.FilePath(), info, TRecoveryRows::Of(pixels)), TRecoveryWrite::Written);
        return session.FilePath();
    }
    fs::path FState;
};

TEST_F(RecoveryTest, WritesTheModifiedPictureAndSavingClosingOrRevertingRemovesIt) {
    struct Case {
        const char* name;
        std::function<void(TZVfrmMain&)> end;
    };
    const Case cases[] = {
        {"save", [](TZVfrmMain& form) { form.mnuSaveClick(); }},
        {"close without saving",
         [](TZVfrmMain& form) {
             form.AskSaveHook = [] { return TSaveAnswer::No; };
             EXPECT_TRUE(form.close());
         }},
        {"revert",
         [](TZVfrmMain& form) {
             form.AskReloadHook = [] { return true; };
             form.AskSaveHook = [] { return TSaveAnswer::No; };
             form.mnuReloadClick();
             EXPECT_FALSE(form.QxImage1().Modified());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = EditedWindow(std::string("ending-") + c.name + ".bmp");
        const fs::path file = form->Recovery->FilePath();
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(file.parent_path(), FState / "zelvo" / "recovery");
        const TRecoveredPicture written = Written(*form);
        EXPECT_TRUE(SamePixels(written.Pixels, Pixels(*form)));
        EXPECT_EQ(written.Info.FileName, form->FFileName);
        EXPECT_EQ(written.Info.Format, ".bmp");
        c.end(*form);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
    }
}

TEST_F(RecoveryTest, WritesNothingUnmodifiedBusyOrSwitchedOffAndTheNewestEditWins) {
    auto form = MakeWindow();
    form->Recovery->IdleDelayMs = 0;
    ASSERT_TRUE(form->LoadImageFile(test::WriteSampleBmp("quiet.bmp", 6, 4), false));
    QCoreApplication::processEvents();
    form->Recovery->IsIdle = [] { return false; };
    form->RunImmediate("ミラー", [&] { form->QxImage1().Mirror(); });
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(form->Recovery->Stats().Written, 0);
    EXPECT_FALSE(fs::exists(form->Recovery->FilePath()));

    // Idle again: two quick edits, and the file holds the second.
    form->Recovery->IsIdle = [] { return true; };
    form->RunImmediate("ネガポジ反転", [&] { form->QxImage1().Negative(); });
    form->RunImmediate("フリップ", [&] { form->QxImage1().Flip(); });
    ASSERT_TRUE(Await([&] { return form->Recovery->Stats().Written > 0 && fs::exists(form->Recovery->FilePath()); }));
    form->Recovery->WaitForWrite();
    EXPECT_TRUE(SamePixels(Written(*form).Pixels, Pixels(*form)));
    // Undone back to the file's state: nothing is left to keep.
    form->QxImage1().Undo(3);
    EXPECT_FALSE(form->QxImage1().Modified());
    ASSERT_TRUE(Await([&] { return !fs::exists(form->Recovery->FilePath()); }));

    test::WriteSettingsText("[Settings]\nRecovery=0\n");
    auto off = MakeWindow();
    EXPECT_FALSE(off->Recovery->Enabled());
    EXPECT_TRUE(off->Recovery->FilePath().empty());
    off->WriteSettingsOnce();
    EXPECT_NE(test::ReadSettingsText().find("Recovery=0"), std::string::npos);
}

TEST_F(RecoveryTest, RestoresADeadEditorsPictureModifiedUnderItsNameAndSavesThere) {
    const QString original = test::WriteSampleBmp("restored.bmp", 7, 3);
    const TDibImage lost = test::NoiseImage24(7, 3, 99);
    const fs::path dead = DeadPicture(original.toStdString(), lost, std::time(nullptr));

    auto form = MakeWindow();
    int shown = 0;
    form->RecoverDialogHook = [&](TZVfrmRecover& dialog) {
        ++shown;
        EXPECT_EQ(dialog.lstPictures->count(), 1);
        EXPECT_TRUE(dialog.btnRestore->isDefault());
        return int(QDialog::Accepted);
    };
    form->OfferRecovery();
    EXPECT_EQ(shown, 1);
    TQxImage& doc = form->QxImage1();
    EXPECT_TRUE(SamePixels(Pixels(*form), lost));
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_EQ(form->FFileName, original.toStdString());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo - ") + original);
    EXPECT_TRUE(form->Actions.mnuProgressive->isChecked());
    // The file is this editor's now, and a second editor finds nothing.
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(form->Recovery->FilePath()));
    EXPECT_TRUE(MakeWindow()->Recovery->ClaimOffers().empty());

    form->mnuSaveClick();
    EXPECT_FALSE(doc.Modified());
    TBitmap saved;
    ASSERT_TRUE(LoadPictureFile(original.toStdString(), saved, false));
    EXPECT_TRUE(SamePixels(saved.ToDibImage(), lost));
    EXPECT_FALSE(fs::exists(form->Recovery->FilePath()));
}

// The file's metadata comes back with the picture and goes into the save.
TEST_F(RecoveryTest, RestoredPictureKeepsItsFilesMetadata) {
    const std::string name = (fs::path(test::WriteSampleBmp("kept.bmp", 2, 2).toStdString()).parent_path() / "kept.png")
                                 .string();
    TPictureMetadata metadata;
    metadata.Source = TMetadataSource::Png;
    const std::string text = std::string("Comment\0", 8) + "kept across a crash";
    metadata.Blocks.push_back({png::kTEXT, std::vector<std::uint8_t>(text.begin(), text.end())});
    metadata.PictureChanged = true;
    DeadPicture(name, test::NoiseImage24(5, 4, 3), std::time(nullptr), metadata);

    auto form = MakeWindow();
    form->RecoverDialogHook = [](TZVfrmRecover&) { return int(QDialog::Accepted); };
    form->OfferRecovery();
    EXPECT_EQ(form->QxImage1().Metadata().Blocks, metadata.Blocks);
    EXPECT_EQ(form->QxImage1().Metadata().Source, TMetadataSource::Png);
    form->mnuSaveClick();
    ASSERT_FALSE(form->QxImage1().Modified());
    std::ifstream in(name, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find("tEXt" + text), std::string::npos);
}

TEST_F(RecoveryTest, DiscardAndLaterAndAnEditorStillRunning) {
    const fs::path older = DeadPicture("/nowhere/a.bmp", test::NoiseImage24(3, 3, 1), 1000);
    const fs::path newer = DeadPicture("", test::NoiseImage24(3, 3, 2), 2000);
    auto form = MakeWindow();
    form->RecoverDialogHook = [](TZVfrmRecover& dialog) {
        EXPECT_EQ(dialog.lstPictures->count(), 2);
        dialog.DiscardSelected();  // the newest
        EXPECT_EQ(dialog.lstPictures->count(), 1);
        return int(QDialog::Rejected);  // 後で
    };
    form->OfferRecovery();
    EXPECT_FALSE(fs::exists(newer));
    EXPECT_TRUE(fs::exists(older));
    EXPECT_TRUE(form->QxImage1().Empty());

    // An editor that still runs offers nothing; once it ends with unsaved
    // work (a signal, a logout) its picture is offered.
    auto running = EditedWindow("running.bmp");
    const TDibImage edited = Pixels(*running);
    const std::string runningFile = running->FFileName;
    std::vector<TRecoveryOffer> offers = form->Recovery->ClaimOffers();
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].File, older);
    offers.clear();
    running.reset();
    offers = form->Recovery->ClaimOffers();
    ASSERT_EQ(offers.size(), 2u);
    EXPECT_EQ(offers[0].Picture.Info.FileName, runningFile);
    EXPECT_TRUE(SamePixels(offers[0].Picture.Pixels, edited));
}

}  // namespace
}  // namespace zelvo
