// The undo file leaves nothing behind when its process is killed, wherever
// it went; and an edit whose undo step cannot be written is refused aloud,
// never done without its step nor silently skipped.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "UndoTestSupport.h"
#include "document/QxImage.h"
#include "document/UndoStore.h"
#include "image/Exceptions.h"
#include "platform/TempFile.h"
#include "platform/TempFileTestSupport.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::Flat;
using test::NoNamelessFiles;
using test::TBreakingStream;
using test::TempNames;

std::uint8_t TopLeft(const TQxImage& doc) { return doc.Bitmap().Dib().ScanLineRead(0)[0]; }

// --- a killed process ------------------------------------------------------------

struct TKillCase {
    const char* Name;
    bool Named;      // a file system without nameless files
    const char* Tmpdir;  // "dir": the test's folder; "missing"; "read-only" (as another user)
    fs::path Expected;   // the folder the undo file goes to; empty: the test's folder
};

// A child process holds a picture with undo steps and redo steps in a
// document, tells where its undo file is, and is killed with SIGKILL: no
// file of it may stay in its folder nor in any other temporary folder.
TEST(UndoFileKill, KilledProcessLeavesNoFileInAnyTemporaryFolder) {
    const fs::path dir = test::MakeTempDir("undokill");
    fs::permissions(dir, fs::perms::all);
    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                    fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
    for (const TKillCase& c : {TKillCase{"nameless", false, "dir", {}}, TKillCase{"named", true, "dir", {}},
                               TKillCase{"missing TMPDIR", false, "missing", "/var/tmp"},
                               TKillCase{"missing TMPDIR, named", true, "missing", "/var/tmp"},
                               TKillCase{"read-only TMPDIR", false, "read-only", "/var/tmp"},
                               TKillCase{"read-only TMPDIR, named", true, "read-only", "/var/tmp"}}) {
        SCOPED_TRACE(c.Name);
        const std::string tmpdir = std::string(c.Tmpdir) == "dir"       ? dir.string()
                                   : std::string(c.Tmpdir) == "missing" ? (dir / "missing").string()
                                                                        : (dir / "ro").string();
        const fs::path expected = c.Expected.empty() ? dir : c.Expected;
        const std::set<std::string> before = TempNames("/var/tmp");
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            // Root writes into any folder: the read-only case runs as nobody.
            if (std::string(c.Tmpdir) == "read-only" && ::geteuid() == 0 &&
                (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            ::setenv("TMPDIR", tmpdir.c_str(), 1);
            if (c.Named) SetNamelessOpener(&NoNamelessFiles);
            std::string report;
            try {
                TQxImage doc;
                doc.SetUndoBuffer(10);
                doc.Bitmap().Assign(test::NoiseImage24(64, 48, 5));
                doc.Negative();
                doc.Negative();
                doc.Mirror();
                doc.Undo(1);
                report = std::to_string(doc.UndoCount()) + " " + std::to_string(doc.RedoCount()) + " " +
                         fs::read_symlink(doc.UndoFileName()).string() + "\n";
                if (::write(pipeFds[1], report.data(), report.size()) != ssize_t(report.size())) ::_exit(2);
                ::pause();
            } catch (const std::exception& e) {
                report = std::string("failed ") + e.what() + "\n";
                if (::write(pipeFds[1], report.data(), report.size())) ::_exit(1);
            }
            ::_exit(1);
        }
        ::close(pipeFds[1]);
        std::string report;
        char buffer[512];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
            report.append(buffer, std::size_t(n));
            if (report.ends_with("\n")) break;
        }
        ::close(pipeFds[0]);
        // Two undo steps and one redo step, in a file of the expected folder
        // that has no name even while the process lives.
        EXPECT_TRUE(report.starts_with("2 1 " + expected.string() + "/")) << report;
        EXPECT_TRUE(report.ends_with(" (deleted)\n")) << report;
        EXPECT_TRUE(TempNames(dir).empty()) << "a name while the process lives";
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_TRUE(TempNames(dir).empty());
        EXPECT_TRUE(fs::is_empty(dir / "ro"));
        EXPECT_FALSE(fs::exists(dir / "missing"));
        // Other programs may come and go in /var/tmp meanwhile (the child
        // never reaches /tmp: its file was in `expected`); no name that was
        // not there before may stay.
        for (const std::string& name : TempNames("/var/tmp"))
            EXPECT_TRUE(before.contains(name)) << "/var/tmp/" << name << " left behind";
    }
    fs::permissions(dir / "ro", fs::perms::owner_all);
    fs::remove_all(dir);
}

// --- undo steps that cannot be written --------------------------------------------

// The disk fills up: the edit is refused with the write failure, the picture
// and the history stay as they were, and with space again the same edit
// runs. The picture the user had is never given up for an edit that cannot
// be undone.
TEST(UndoFileFailure, EditWhoseStepCannotBeWrittenIsRefusedAloud) {
    TQxImage doc;
    doc.SetUndoBuffer(5);
    doc.Bitmap().Assign(Flat(40, 30, 10));
    doc.Negative();  // 245
    const std::uintmax_t used = fs::file_size(doc.UndoFileName());
    int events = 0;
    doc.OnChangeCanUndo = [&](TQxImage&, int, int) { ++events; };
    {
        FileSizeLimit limit(used + 100);
        if (!limit.Active()) GTEST_SKIP() << "cannot limit file sizes";
        try {
            doc.Negative();
            ADD_FAILURE() << "no failure reported";
        } catch (const EWriteError& e) {
            EXPECT_STREQ(e.what(), kSWriteError);
        }
        EXPECT_THROW(doc.Mirror(), EWriteError);
        EXPECT_THROW(doc.Brightness(20), EWriteError);
        // Writing after the operation, the room is still taken first.
        doc.SetDeferUndoWrite(true);
        EXPECT_THROW(doc.Mirror(), EWriteError);
        EXPECT_FALSE(doc.UndoWritePending());
        doc.SetDeferUndoWrite(false);
    }
    EXPECT_FALSE(doc.Editing());
    EXPECT_EQ(TopLeft(doc), 245);
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(events, 0);
    EXPECT_NE(doc.EditFailure(), nullptr);

    doc.Brightness(5);  // a bracket that opens forgets the failure
    EXPECT_EQ(doc.EditFailure(), nullptr);
    EXPECT_EQ(TopLeft(doc), 250);
    EXPECT_EQ(doc.UndoCount(), 2);
    doc.Undo(2);
    EXPECT_EQ(TopLeft(doc), 10);
}

// The snapshot is written while the operation runs; when writing it fails,
// the result is dropped: picture, undo and redo steps stay as they were
// (the redo step's slot, overwritten meanwhile, comes back too), and the
// write failure reaches the caller. Bracketed edits, the unbracketed
// inversion and the picture replacements behave alike.
TEST(UndoFileFailure, SnapshotFailingDuringTheOperationRefusesItsResult) {
    TQxImage doc;
    auto stream = std::make_unique<TBreakingStream>();
    TBreakingStream& disk = *stream;
    doc.SetUndoStore(std::make_unique<TUndoStore>(std::move(stream)));
    doc.SetUndoBuffer(5);
    doc.Bitmap().Assign(Flat(40, 30, 10));
    doc.Negative();       // 245
    doc.Brightness(5);    // 250
    doc.Undo(1);          // 245, one redo step
    ASSERT_EQ(TopLeft(doc), 245);
    std::pair<int, int> counts{-1, -1};
    doc.OnChangeCanUndo = [&](TQxImage&, int undo, int redo) { counts = {undo, redo}; };

    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"Negative", [&] { doc.Negative(); }},
        {"Mirror", [&] { doc.Mirror(); }},
        {"Brightness", [&] { doc.Brightness(20); }},
        {"CropRect", [&] { doc.CropRect(0, 0, 10, 10); }},
        {"StretchResize", [&] { doc.StretchResize(20, 20); }},
    };
    disk.Fail = true;
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        EXPECT_THROW(edit(), EWriteError);
        EXPECT_FALSE(doc.Editing());
        EXPECT_EQ(TopLeft(doc), 245);
        EXPECT_EQ(doc.Bitmap().Width(), 40);
        EXPECT_EQ(doc.UndoCount(), 1);
        EXPECT_EQ(doc.RedoCount(), 1);
        EXPECT_EQ(counts, std::make_pair(1, 1));
    }
    EXPECT_NE(doc.EditFailure(), nullptr);

    disk.Fail = false;
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 250);
    doc.Undo(2);
    EXPECT_EQ(TopLeft(doc), 10);
    doc.Redo(2);
    doc.Brightness(5);  // 255
    EXPECT_EQ(doc.EditFailure(), nullptr);
    EXPECT_EQ(doc.UndoCount(), 3);
    doc.Undo(1);
    EXPECT_EQ(TopLeft(doc), 250);
}

// The editor's way (DeferUndoWrite): the edit returns with its result shown
// before its snapshot is written; when writing it fails, settling takes the
// edit back whole (picture, size, modified flag, selection, undo and redo
// steps) and reports the failure, and an edit begun meanwhile is refused.
// Written, the step undoes as any other.
TEST(UndoFileFailure, SnapshotWrittenAfterTheEditTakesTheEditBackWhenItFails) {
    TQxImage doc;
    auto stream = std::make_unique<TBreakingStream>();
    TBreakingStream& disk = *stream;
    doc.SetUndoStore(std::make_unique<TUndoStore>(std::move(stream)));
    doc.SetUndoBuffer(5);
    doc.SetDeferUndoWrite(true);
    doc.Bitmap().Assign(Flat(40, 30, 10));
    doc.Negative();  // 245
    doc.Brightness(5);
    doc.Undo(1);     // 245, one redo step
    doc.Bitmap().SetModified(false);
    doc.SetSelectionCorners(TPoint{2, 3}, TPoint{12, 13}, true);
    ASSERT_FALSE(doc.UndoWritePending());
    std::pair<int, int> counts{-1, -1};
    doc.OnChangeCanUndo = [&](TQxImage&, int undo, int redo) { counts = {undo, redo}; };
    int pendingEvents = 0;
    doc.OnUndoWritePending = [&](TQxImage&) { ++pendingEvents; };

    struct TCase {
        const char* Name;
        std::function<void()> Edit;
        int Width;  // of the result
    };
    const std::vector<TCase> cases = {
        {"Negative", [&] { doc.Negative(); }, 40},
        {"Mirror", [&] { doc.Mirror(); }, 40},
        {"Brightness", [&] { doc.Brightness(20); }, 40},
        {"CropRect", [&] { doc.CropRect(0, 0, 10, 10); }, 10},
        {"StretchResize", [&] { doc.StretchResize(20, 20); }, 20},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        disk.Fail = true;
        pendingEvents = 0;
        EXPECT_NO_THROW(c.Edit());
        EXPECT_EQ(pendingEvents, 1);
        EXPECT_TRUE(doc.UndoWritePending());
        EXPECT_EQ(doc.Bitmap().Width(), c.Width);
        EXPECT_EQ(doc.UndoCount(), 2);
        EXPECT_THROW(doc.SettleUndoWrite(), EWriteError);
        EXPECT_FALSE(doc.UndoWritePending());
        EXPECT_EQ(TopLeft(doc), 245);
        EXPECT_EQ(doc.Bitmap().Width(), 40);
        EXPECT_FALSE(doc.Modified());
        EXPECT_TRUE(doc.HasSelection());
        EXPECT_EQ(doc.SelectionRect().Left, 2);
        EXPECT_EQ(counts, std::make_pair(1, 1));
        EXPECT_NE(doc.EditFailure(), nullptr);
        EXPECT_NO_THROW(doc.SettleUndoWrite());  // settled once
    }

    // Failing unsettled, the step makes the next edit refused, both undone.
    doc.Negative();
    EXPECT_THROW(doc.Brightness(5), EWriteError);
    EXPECT_EQ(TopLeft(doc), 245);
    EXPECT_EQ(counts, std::make_pair(1, 1));

    disk.Fail = false;
    doc.Negative();  // 10
    EXPECT_TRUE(doc.UndoWritePending());
    doc.Undo(1);  // settles first
    EXPECT_EQ(TopLeft(doc), 245);
    doc.Undo(1);
    EXPECT_EQ(TopLeft(doc), 10);
    EXPECT_EQ(doc.RedoCount(), 2);
}

// Without an undo history nothing is written, so a full disk does not stop
// the edit; an empty document and an edit already open stay silent.
TEST(UndoFileFailure, NothingToWriteNothingToReport) {
    TQxImage doc;
    doc.Bitmap().Assign(Flat(40, 30, 10));
    doc.SetKeepUndo(false);
    {
        FileSizeLimit limit(100);
        if (!limit.Active()) GTEST_SKIP() << "cannot limit file sizes";
        EXPECT_NO_THROW(doc.Negative());
    }
    EXPECT_EQ(TopLeft(doc), 245);

    TQxImage empty;
    EXPECT_NO_THROW(empty.Negative());
    EXPECT_TRUE(empty.Empty());

    doc.SetKeepUndo(true);
    ASSERT_EQ(doc.BeginEdit(false), kEditOpened);
    EXPECT_NO_THROW(doc.Mirror());  // busy: returns at once
    doc.EndEdit(false, false);
    EXPECT_EQ(TopLeft(doc), 245);
}

}  // namespace
}  // namespace zelvo
