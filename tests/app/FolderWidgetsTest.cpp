// The folder chooser and the progress window of the folder tools.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

#include "AppTestSupport.h"
#include "app/common/AppTitle.h"
#include "app/folders/BrowseFolderDlg.h"
#include "app/folders/ZVfrmProgress.h"

namespace zelvo::test {
namespace {

QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

TEST(BrowseFolderDlg, CaptionTextAndPresetFolder) {
    const auto folder = AppTestDir() / "browse" / "inner";
    std::filesystem::create_directories(folder);
    TQxBrowseFolderDlg dialog;
    EXPECT_EQ(dialog.Caption(), QStringLiteral("フォルダの参照"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("フォルダを選択してください。"));
    EXPECT_TRUE(dialog.Folder().isEmpty());

    // A trailing separator of either kind is dropped before the folder is
    // looked up.
    for (const QString& text : {Q(folder), Q(folder) + "/", Q(folder) + "\\"}) {
        SCOPED_TRACE(text.toStdString());
        TQxBrowseFolderDlg preset;
        EXPECT_TRUE(preset.SetFolder(text));
        EXPECT_EQ(preset.Folder(), Q(folder));
    }
    // A folder that does not exist, or a file, leaves the choice alone.
    EXPECT_TRUE(dialog.SetFolder(Q(folder.parent_path())));
    EXPECT_FALSE(dialog.SetFolder(Q(folder / "missing")));
    EXPECT_FALSE(dialog.SetFolder(WriteSampleBmp("browse/file.bmp", 2, 2)));
    EXPECT_FALSE(dialog.SetFolder(QString()));
    EXPECT_EQ(dialog.Folder(), Q(folder.parent_path()));
}

// The status line follows the selection while ShowSelectDir is on; the
// second text line goes under the first.
TEST(BrowseFolderDlg, StatusLineAndSecondTextLine) {
    const auto folder = AppTestDir() / "browse" / "status";
    std::filesystem::create_directories(folder);
    TQxBrowseFolderDlg dialog;
    EXPECT_TRUE(dialog.ShowSelectDir());
    ASSERT_TRUE(dialog.SetFolder(Q(folder)));
    EXPECT_EQ(dialog.lblStatus->text(), Q(folder));
    ASSERT_TRUE(dialog.SetFolder(Q(folder.parent_path())));
    EXPECT_EQ(dialog.lblStatus->text(), Q(folder.parent_path()));
    dialog.SetShowSelectDir(false);
    EXPECT_TRUE(dialog.lblStatus->text().isEmpty());
    EXPECT_TRUE(dialog.lblStatus->isHidden());

    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("フォルダを選択してください。"));
    dialog.SetTextLine2(QStringLiteral("入力フォルダ"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("フォルダを選択してください。\n入力フォルダ"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("フォルダを選択してください。"));
    dialog.SetTextLine2(QString());
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("フォルダを選択してください。"));
}

TEST(BrowseFolderDlg, StripTrailingSeparatorKeepsTheRoot) {
    EXPECT_EQ(TQxBrowseFolderDlg::StripTrailingSeparator("/tmp/a/"), "/tmp/a");
    EXPECT_EQ(TQxBrowseFolderDlg::StripTrailingSeparator("C:\\in\\"), "C:\\in");
    EXPECT_EQ(TQxBrowseFolderDlg::StripTrailingSeparator("/tmp/a"), "/tmp/a");
    EXPECT_EQ(TQxBrowseFolderDlg::StripTrailingSeparator("/"), "/");
    EXPECT_EQ(TQxBrowseFolderDlg::StripTrailingSeparator(""), "");
}

TEST(BrowseFolderDlg, ExecuteRunsTheHookInsteadOfTheDialog) {
    const auto folder = AppTestDir() / "browse-hook";
    std::filesystem::create_directories(folder);
    TQxBrowseFolderDlg::ExecuteHook() = [&](TQxBrowseFolderDlg& dialog) { return dialog.SetFolder(Q(folder)); };
    TQxBrowseFolderDlg dialog;
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Folder(), Q(folder));
    TQxBrowseFolderDlg::ExecuteHook() = nullptr;
}

TEST(ZVfrmProgress, LayoutCaptionsAndSteps) {
    TZVfrmProgress progress(TZVfrmProgress::kBatchConvert);
    progress.SetCaption(QStringLiteral("変換処理中"));
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("変換処理中"));
    EXPECT_EQ(progress.size(), QSize(240, 88));
    EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(progress.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(progress.Button1->text(), QStringLiteral("キャンセル"));
    EXPECT_TRUE(progress.Label2->alignment() & Qt::AlignRight);
    EXPECT_EQ(progress.Maximum(), 100);

    // Step 3 of 7: 3 / 7 x 100 = 42.86 rounds to 43.
    progress.ShowStep(2, 7, QStringLiteral("c.bmp"));
    EXPECT_EQ(progress.Label1->text(), QStringLiteral("c.bmp"));
    EXPECT_EQ(progress.Label2->text(), QStringLiteral("[3/7]"));
    EXPECT_EQ(progress.Position(), 43);
    progress.ShowStep(6, 7, QStringLiteral("g.bmp"));
    EXPECT_EQ(progress.Position(), 100);
    // 1 of 8 is 12.5, rounded half away from zero.
    progress.ShowStep(0, 8, QString());
    EXPECT_EQ(progress.Position(), 13);

    // Another maximum; positions are held inside it.
    progress.SetMaximum(5);
    progress.ShowStep(1, 4, QString());  // 2 / 4 x 5 = 2.5 -> 3
    EXPECT_EQ(progress.Position(), 3);
    progress.SetPosition(9);
    EXPECT_EQ(progress.Position(), 5);
    progress.SetPosition(-1);
    EXPECT_EQ(progress.Position(), 0);
    progress.SetMaximum(0);
    EXPECT_EQ(progress.Maximum(), 1);
}

TEST(ZVfrmProgress, QuestionFollowsTheKind) {
    EXPECT_EQ(TZVfrmProgress(TZVfrmProgress::kBatchConvert).CancelQuestion(),
              QStringLiteral("変換処理を中断してもよろしいですか？"));
    EXPECT_EQ(TZVfrmProgress(TZVfrmProgress::kThumbnails).CancelQuestion(),
              QStringLiteral("サムネイル作成を中断してもよろしいですか？"));
}

// The answer of the question, with how often it was asked.
struct TScriptedAnswer {
    bool Yes = false;
    int Asked = 0;
    TScriptedAnswer() {
        TZVfrmProgress::ConfirmHook() = [this](TZVfrmProgress&) {
            ++Asked;
            return Yes;
        };
    }
    ~TScriptedAnswer() { TZVfrmProgress::ConfirmHook() = nullptr; }
};

TEST(ZVfrmProgress, CancelAsksAndOnlyYesStops) {
    TScriptedAnswer answer;
    TZVfrmProgress progress(TZVfrmProgress::kThumbnails);
    int cancelled = 0;
    progress.OnCancel = [&] { ++cancelled; };
    progress.Start();
    EXPECT_TRUE(progress.isVisible());

    progress.Button1->click();  // "No": the loop goes on
    EXPECT_EQ(answer.Asked, 1);
    EXPECT_FALSE(progress.Cancelled());
    EXPECT_TRUE(progress.ProcessMessages());
    EXPECT_TRUE(progress.isVisible());

    // Esc and a close request from the window manager ask the same question
    // instead of closing the window under the loop.
    progress.reject();
    QCloseEvent close;
    QApplication::sendEvent(&progress, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(answer.Asked, 3);
    EXPECT_TRUE(progress.isVisible());

    answer.Yes = true;
    progress.Button1->click();
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_FALSE(progress.ProcessMessages());
    // Once cancelled the question is not asked again.
    progress.Button1->click();
    EXPECT_EQ(answer.Asked, 4);
    EXPECT_EQ(cancelled, 1);

    // A new run starts with the flag cleared.
    progress.Start();
    EXPECT_FALSE(progress.Cancelled());
    progress.Finish();
    EXPECT_FALSE(progress.isVisible());
}

TEST(ZVfrmProgress, BlocksOtherWindowsWhileTheLoopRuns) {
    TScriptedAnswer answer;
    answer.Yes = true;
    QWidget mainWindow;
    mainWindow.show();
    TZVfrmProgress progress(TZVfrmProgress::kBatchConvert, &mainWindow);
    progress.Start();
    EXPECT_EQ(progress.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), &progress);

    // A loop in this thread that only looks at the flag between items: the
    // click arrives through ProcessMessages and stops it after the item.
    int done = 0;
    QTimer::singleShot(0, progress.Button1, [&] { progress.Button1->click(); });
    for (int i = 0; i < 1000 && progress.ProcessMessages(); ++i) {
        progress.ShowStep(i, 1000, QString::number(i));
        ++done;
    }
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_LT(done, 1000);
    EXPECT_EQ(answer.Asked, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace zelvo::test
