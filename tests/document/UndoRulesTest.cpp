// The undo history's rules beyond the worked example's outline: the undo
// file's exclusive creation and its folder, the event sequence and snapshot positions, view
// state kept with each step, a lowered depth, one snapshot read per undo or
// redo, write failures; and the selection write-back of palette pictures.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "TestSupport.h"
#include "UndoTestSupport.h"
#include "document/QxImage.h"
#include "image/Exceptions.h"
#include "platform/TempFile.h"
#include "platform/TempFileTestSupport.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::Flat;

std::uint8_t TopLeft(const TQxImage& doc) { return doc.Bitmap().Dib().ScanLineRead(0)[0]; }

// One whole-picture edit that sets every byte to v.
void Edit(TQxImage& doc, std::uint8_t v) {
    TEditBracket edit(doc, false, true, false);
    ASSERT_TRUE(edit);
    doc.MakeWork24Bit();
    TDibImage& w = *doc.WorkImage();
    for (int y = 0; y < w.Height(); ++y) std::fill_n(w.ScanLine(y), w.Width() * 3, v);
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Points $TMPDIR at a folder for the life of the object.
class TempFolderScope {
public:
    explicit TempFolderScope(const fs::path& folder) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TempFolderScope() {
        if (old_)
            ::setenv("TMPDIR", old_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> old_;
};

// Bytes this process has read through read() so far; -1 when the kernel
// does not report it.
std::int64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
}

// The size of one snapshot: the BMP file image of a 24-bit picture.
std::int64_t SnapshotBytes(int w, int h) { return 54 + std::int64_t((w * 3 + 3) / 4 * 4) * h; }

// --- the undo file -----------------------------------------------------------------

// A file system without nameless files for the life of the object: the undo
// file is created under a free name and unlinked at once.
class NamedUndoFiles : public test::NamelessOpenerScope {
public:
    NamedUndoFiles() : NamelessOpenerScope(&test::NoNamelessFiles) {}
};

// The name the undo file was created under, as /proc tells it.
std::string CreatedAs(const TQxImage& doc) { return fs::read_symlink(doc.UndoFileName()).string(); }

TEST(UndoFile, CreatedExclusivelyUnderTheFirstFreeName) {
    const fs::path dir = test::MakeTempDir("undofile");
    TempFolderScope tmp(dir);
    const NamedUndoFiles named;
    // Numbers 0 to 2 are taken by a file, a link to a victim and a dangling
    // link: none of them may be opened, followed or truncated.
    WriteText(dir / "_ZV00000.tmp", "someone else's");
    WriteText(dir / "victim", "victim");
    fs::create_symlink(dir / "victim", dir / "_ZV00001.tmp");
    fs::create_symlink(dir / "nowhere", dir / "_ZV00002.tmp");
    {
        TQxImage doc;
        EXPECT_EQ(CreatedAs(doc), (dir / "_ZV00003.tmp").string() + " (deleted)");
        struct stat st {};
        ASSERT_EQ(::stat(doc.UndoFileName().c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_size, 0);
        // Its name is gone at once, so a second document takes it again.
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "_ZV00003.tmp")));
        TQxImage second;
        EXPECT_EQ(CreatedAs(second), (dir / "_ZV00003.tmp").string() + " (deleted)");

        doc.Bitmap().Assign(Flat(6, 2, 1));
        Edit(doc, 2);
        doc.Undo(1);
        doc.ClearUndo();
        Edit(doc, 3);
        EXPECT_EQ(fs::file_size(doc.UndoFileName()), std::uintmax_t(SnapshotBytes(6, 2)));
        EXPECT_EQ(doc.UndoFolder(), dir);
    }
    EXPECT_EQ(ReadText(dir / "_ZV00000.tmp"), "someone else's");
    EXPECT_EQ(ReadText(dir / "victim"), "victim");
    EXPECT_TRUE(fs::is_symlink(dir / "_ZV00001.tmp"));
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "_ZV00003.tmp")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "_ZV00004.tmp")));
    fs::remove_all(dir);
}

TEST(UndoFile, ClearingNeverReopensTheName) {
    const fs::path dir = test::MakeTempDir("undoclear");
    TempFolderScope tmp(dir);
    const NamedUndoFiles named;
    WriteText(dir / "victim", "victim");
    TQxImage doc;
    doc.Bitmap().Assign(Flat(3, 3, 1));
    Edit(doc, 2);
    // Someone puts a link under the name the file was created under.
    const fs::path name = dir / "_ZV00000.tmp";
    ASSERT_EQ(CreatedAs(doc), name.string() + " (deleted)");
    fs::create_symlink(dir / "victim", name);
    doc.ClearUndo();
    Edit(doc, 3);
    doc.Undo(1);
    EXPECT_EQ(TopLeft(doc), 2);
    EXPECT_EQ(ReadText(dir / "victim"), "victim");
    fs::remove(name);
    fs::remove_all(dir);
}

TEST(UndoFile, UnusableTmpdirFallsBackToVarTmp) {
    const fs::path dir = test::MakeTempDir("undonofolder");
    WriteText(dir / "plain-file", "x");
    for (const fs::path& tmpdir : {dir / "missing", dir / "plain-file"}) {
        SCOPED_TRACE(tmpdir);
        TempFolderScope tmp(tmpdir);
        TQxImage doc;
        EXPECT_EQ(doc.UndoFolder(), "/var/tmp");
        EXPECT_TRUE(CreatedAs(doc).starts_with("/var/tmp/"));
        doc.Bitmap().Assign(Flat(2, 2, 1));
        Edit(doc, 2);
        doc.Undo(1);
        EXPECT_EQ(TopLeft(doc), 1);
    }
    fs::remove_all(dir);
}

// Short-lived documents in several processes at once (as parallel test runs
// and several editors are), on a file system without nameless files: a name
// taken and released again by another process between our look and our
// exclusive create is tried again, never reported as a failure.
TEST(UndoFile, ConcurrentShortLivedDocumentsAllGetAFile) {
    const fs::path dir = test::MakeTempDir("undorace");
    TempFolderScope tmp(dir);
    constexpr int kProcesses = 4;
    constexpr int kDocuments = 300;
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SetNamelessOpener(&test::NoNamelessFiles);
            int status = 0;
            for (int k = 0; k < kDocuments && status == 0; ++k) {
                try {
                    TQxImage doc;
                    if (doc.UndoFolder() != dir) status = 2;
                } catch (...) {
                    status = 1;
                }
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a document found no undo file";
    }
    EXPECT_TRUE(fs::is_empty(dir)) << "every document removes its file";
    fs::remove_all(dir);
}

// --- the worked example in full detail ------------------------------------------------

TEST(UndoRules, WorkedExampleEventsPositionsAndDroppedStep) {
    TQxImage doc;
    std::vector<std::pair<int, int>> events;
    doc.OnChangeCanUndo = [&](TQxImage&, int canUndo, int canRedo) { events.emplace_back(canUndo, canRedo); };
    const std::int64_t size = SnapshotBytes(4, 3);
    doc.SetUndoBuffer(3);
    doc.Bitmap().Assign(Flat(4, 3, 0));  // P0
    doc.ClearUndo();
    Edit(doc, 1);
    Edit(doc, 2);
    EXPECT_EQ(doc.UndoEntry(1).Position, size);
    doc.Undo(2);  // P2 is stored as entry 2 for the redo
    EXPECT_EQ(doc.UndoEntry(2).Position, 2 * size);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 1);
    Edit(doc, 3);  // entry 1 = P1 again, at a new position
    EXPECT_EQ(doc.UndoEntry(1).Position, 3 * size);
    Edit(doc, 4);
    Edit(doc, 5);  // P0 is dropped: entries are P1, P3, P4
    EXPECT_EQ(doc.UndoEntry(0).Position, 3 * size);
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 2}, {1, 1},
                                                       {2, 0}, {3, 0}, {3, 0}};
    EXPECT_EQ(events, expected);

    events.clear();
    for (std::uint8_t want : {4, 3, 1}) {
        doc.Undo(1);
        EXPECT_EQ(TopLeft(doc), want);
    }
    doc.Undo(1);  // nothing left: no change, no event
    EXPECT_EQ(TopLeft(doc), 1);
    doc.Redo(3);
    EXPECT_EQ(TopLeft(doc), 5);
    doc.Redo(1);  // nothing to redo
    const std::vector<std::pair<int, int>> back = {{2, 1}, {1, 2}, {0, 3}, {3, 0}};
    EXPECT_EQ(events, back);
}

TEST(UndoRules, CountsAreLimitedToTheStepsThereAre) {
    struct TCase {
        int Count;
        int UndoAfter, RedoAfter;
        std::uint8_t Picture;
    };
    // Two steps: P0 -> P1 -> P2.
    for (const TCase c : {TCase{1, 1, 1, 1}, TCase{2, 0, 2, 0}, TCase{5, 0, 2, 0}, TCase{0, 2, 0, 2},
                          TCase{-3, 2, 0, 2}}) {
        SCOPED_TRACE(c.Count);
        TQxImage doc;
        doc.SetUndoBuffer(10);
        doc.Bitmap().Assign(Flat(2, 2, 0));
        Edit(doc, 1);
        Edit(doc, 2);
        doc.Undo(c.Count);
        EXPECT_EQ(doc.UndoCount(), c.UndoAfter);
        EXPECT_EQ(doc.RedoCount(), c.RedoAfter);
        EXPECT_EQ(TopLeft(doc), c.Picture);
        doc.Redo(c.Count + 10);  // back to the newest picture in one step
        EXPECT_EQ(TopLeft(doc), 2);
        EXPECT_EQ(doc.UndoCount(), 2);
        EXPECT_EQ(doc.RedoCount(), 0);
    }
}

TEST(UndoRules, DepthOneKeepsOnlyTheLastEdit) {
    TQxImage doc;  // UndoBuffer 1 by default
    ASSERT_EQ(doc.UndoBuffer(), 1);
    doc.Bitmap().Assign(Flat(2, 2, 0));
    Edit(doc, 1);
    Edit(doc, 2);
    EXPECT_EQ(doc.UndoCount(), 1);
    doc.Undo(1);
    EXPECT_EQ(TopLeft(doc), 1);
    doc.Undo(1);  // the first edit cannot be undone
    EXPECT_EQ(TopLeft(doc), 1);
    EXPECT_EQ(doc.UndoCount(), 0);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 2);
}

TEST(UndoRules, DeepestHistoryUsesAllOfTheTable) {
    // Depth 100 after 102 edits keeps the pictures before edits 3..102; the
    // undo of all of them stores the present picture in the 101st entry.
    TQxImage doc;
    doc.SetUndoBuffer(100);
    doc.Bitmap().Assign(Flat(1, 1, 0));
    for (int v = 1; v <= 102; ++v) Edit(doc, std::uint8_t(v));
    EXPECT_EQ(doc.UndoCount(), 100);
    doc.Undo(1000);
    EXPECT_EQ(TopLeft(doc), 2);
    EXPECT_EQ(doc.RedoCount(), 100);
    doc.Redo(99);
    EXPECT_EQ(TopLeft(doc), 101);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 102);
    EXPECT_EQ(doc.UndoCount(), 100);
}

TEST(UndoRules, EmptyPictureTakesNoSnapshot) {
    TQxImage doc;
    int events = 0;
    doc.OnChangeCanUndo = [&](TQxImage&, int, int) { ++events; };
    doc.SaveUndo();
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(fs::file_size(doc.UndoFileName()), 0u);
}

// --- view state ---------------------------------------------------------------------

TEST(UndoRules, SelectionAndScrollPositionGoWithEachStep) {
    TQxImage doc;
    doc.SetUndoBuffer(5);
    doc.Bitmap().Assign(Flat(20, 10, 0));
    // Step 0: a selection drawn from its bottom-right corner, scrolled.
    doc.SetSelectionCorners(TPoint{8, 7}, TPoint{2, 1}, true);
    doc.SetScrollPos(TPoint{3, 2});
    Edit(doc, 1);
    // Step 1: another selection and scroll position.
    doc.SetSelectionRect(TRect{0, 0, 5, 4});
    doc.SetScrollPos(TPoint{4, 4});
    Edit(doc, 2);
    // The present: no selection, scrolled far beyond the picture.
    doc.ClearSelection();
    doc.SetScrollPos(TPoint{60, 40});

    doc.Undo(1);
    EXPECT_EQ(doc.SelectionRect(), (TRect{0, 0, 5, 4}));
    EXPECT_EQ(doc.ScrollPos(), (TPoint{4, 4}));
    doc.Undo(1);
    EXPECT_TRUE(doc.HasSelection());
    EXPECT_EQ(doc.SelectionStart(), (TPoint{2, 1}));  // stored normalised
    EXPECT_EQ(doc.SelectionEnd(), (TPoint{8, 7}));
    EXPECT_EQ(doc.ScrollPos(), (TPoint{3, 2}));
    doc.Redo(2);  // the present as it was at the first undo, scroll clamped
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_EQ(doc.ScrollPos(), (TPoint{19, 9}));
}

TEST(UndoRules, RestoringFlagIsSetWhileThePictureIsSwapped) {
    TQxImage doc;
    doc.Visible = true;
    std::vector<bool> seen;
    doc.OnUpdateView = [&](TQxImage& d) { seen.push_back(d.Restoring()); };
    bool restoringAtEvent = true;
    doc.OnChangeCanUndo = [&](TQxImage& d, int, int) { restoringAtEvent = d.Restoring(); };
    doc.Bitmap().Assign(Flat(2, 2, 0));
    Edit(doc, 1);
    seen.clear();
    doc.Undo(1);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(seen.front());   // while the picture is swapped
    EXPECT_FALSE(seen.back());   // the final change notification
    EXPECT_FALSE(restoringAtEvent);
    EXPECT_FALSE(doc.Restoring());
}

// --- a lowered depth ----------------------------------------------------------------

// Five steps P0..P4 with the picture at P5, depth 10, then lowered to 3.
void FiveStepsThenDepthThree(TQxImage& doc) {
    doc.SetUndoBuffer(10);
    doc.Bitmap().Assign(Flat(3, 2, 0));
    for (std::uint8_t v = 1; v <= 5; ++v) Edit(doc, v);
    doc.SetUndoBuffer(3);
    ASSERT_EQ(doc.UndoCount(), 5);  // the stored steps are not touched
}

TEST(UndoRules, LoweredDepthKeepsSecondAndThirdOldestAndTheNewStep) {
    TQxImage doc;
    FiveStepsThenDepthThree(doc);
    doc.SaveUndo();  // stores P5
    EXPECT_EQ(doc.UndoCount(), 3);
    for (std::uint8_t want : {5, 2, 1}) {
        doc.Undo(1);
        EXPECT_EQ(TopLeft(doc), want);
    }
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_EQ(doc.RedoCount(), 3);
}

TEST(UndoRules, RedoAfterLoweredDepthReturnsToTheRightStep) {
    TQxImage doc;
    FiveStepsThenDepthThree(doc);
    doc.Undo(1);
    EXPECT_EQ(TopLeft(doc), 4);
    doc.Redo(1);  // entry 5, the picture the undo left, not entry 3
    EXPECT_EQ(TopLeft(doc), 5);
    EXPECT_EQ(doc.UndoCount(), 5);
    doc.Undo(2);
    EXPECT_EQ(TopLeft(doc), 3);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 4);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 5);
    EXPECT_EQ(doc.RedoCount(), 0);
}

// --- one snapshot per undo or redo ----------------------------------------------------

TEST(UndoRules, EachUndoOrRedoReadsExactlyOneSnapshot) {
    const int w = 64, h = 48;
    const std::int64_t size = SnapshotBytes(w, h);
    for (int count : {1, 2, 4, 6}) {
        SCOPED_TRACE(count);
        TQxImage doc;
        doc.SetUndoBuffer(10);
        doc.Bitmap().Assign(Flat(w, h, 0));
        for (std::uint8_t v = 1; v <= 6; ++v) Edit(doc, v);

        // Spoil every snapshot but the target: a reader that touched any
        // other would fail on its file type.
        const int target = 6 - count;
        {
            doc.Undo(count);  // also stores entry 6 for the redo
            doc.Redo(count);
            const int fd = ::open(doc.UndoFileName().c_str(), O_WRONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            for (int i = 0; i <= 6; ++i) {
                if (i == target || i == 6) continue;
                ASSERT_EQ(::pwrite(fd, "XX", 2, off_t(doc.UndoEntry(i).Position)), 2);
            }
            ::close(fd);
        }
        const std::int64_t before = BytesRead();
        doc.Undo(count);
        const std::int64_t afterUndo = BytesRead();
        EXPECT_EQ(TopLeft(doc), target);
        doc.Redo(count);
        const std::int64_t afterRedo = BytesRead();
        EXPECT_EQ(TopLeft(doc), 6);
        if (before < 0) continue;  // no read accounting: the spoilt snapshots still prove it
        EXPECT_GE(afterUndo - before, size);
        EXPECT_LT(afterUndo - before, size + 1024);
        EXPECT_GE(afterRedo - afterUndo, size);
        EXPECT_LT(afterRedo - afterUndo, size + 1024);
    }
}

// --- write failures -----------------------------------------------------------------

TEST(UndoRules, FullDiskRefusesTheEditAndKeepsTheHistory) {
    TQxImage doc;
    doc.SetUndoBuffer(5);
    doc.Bitmap().Assign(Flat(40, 30, 0));
    Edit(doc, 1);
    const std::uintmax_t used = fs::file_size(doc.UndoFileName());
    int events = 0;
    doc.OnChangeCanUndo = [&](TQxImage&, int, int) { ++events; };

    int result = -1;
    {
        FileSizeLimit limit(used + 100);
        if (!limit.Active()) GTEST_SKIP() << "cannot limit file sizes";
        result = doc.BeginEdit(false);
    }
    EXPECT_EQ(result, kEditFailed);
    EXPECT_FALSE(doc.Editing());
    EXPECT_EQ(doc.WorkImage(), nullptr);
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(TopLeft(doc), 1);

    // The undo of the present picture cannot store it for the redo either:
    // the failure propagates and nothing moves.
    {
        FileSizeLimit limit(used + 100);
        EXPECT_THROW(doc.Undo(1), EWriteError);
    }
    EXPECT_FALSE(doc.Restoring());
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(doc.RedoCount(), 0);
    EXPECT_EQ(TopLeft(doc), 1);

    // With space again the history goes on where it was.
    Edit(doc, 2);
    EXPECT_EQ(doc.UndoEntry(1).Position, std::int64_t(used));
    doc.Undo(2);
    EXPECT_EQ(TopLeft(doc), 0);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 1);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 2);
}

// --- selection write-back of palette pictures --------------------------------------

// A 12 x 6 8-bit picture over four colours, index (x + y) mod 4, selection
// (3, 1)-(9, 5).
TDibImage FourColourPicture() {
    TDibImage img;
    img.SetWidth(12);
    img.SetHeight(6);
    const std::vector<TRGBQuad> table = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    img.SetColorTable(table);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x) img.SetPixels(x, y, (x + y) % 4);
    return img;
}

constexpr TRect kSelection{3, 1, 9, 5};
constexpr TColor kFourColours[4] = {clBlack, clRed, clLime, clBlue};

bool Inside(int x, int y) {
    return x >= kSelection.Left && x < kSelection.Right && y >= kSelection.Top && y < kSelection.Bottom;
}

TEST(SelectionWriteBack, PaletteWorkImageKeepsTheAreaInItsOwnDepth) {
    TQxImage doc;
    doc.Bitmap().Assign(FourColourPicture());
    doc.SetSelectionRect(kSelection);
    ASSERT_EQ(doc.BeginEdit(true), kEditOpened);
    const TDibImage& work = *doc.WorkImage();
    EXPECT_EQ(work.BitCount(), 8);
    EXPECT_EQ(work.Width(), 6);
    EXPECT_EQ(work.Height(), 4);
    ASSERT_EQ(work.ColorsUsed(), 4);
    EXPECT_EQ(work.ColorTable()[1].rgbRed, 255);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(work.GetPixels(x, y), (x + 3 + y + 1) % 4) << x << "," << y;
    doc.EndEdit(true, false);
}

// The work area is painted green, a colour of the table. With 24-bit
// write-back the whole picture is made 24-bit first and, with the format
// restored, reduced back to 8 bits ("High" keeps each of the four colours
// exactly); without it the area is copied into the 8-bit picture and the
// pixels outside stay index for index.
TEST(SelectionWriteBack, EightBitPictureWithAndWithout24BitWriteBack) {
    struct TCase {
        bool RestoreFormat;
        bool WriteBack24Bit;
        int BitCount;
    };
    const TDibImage original = FourColourPicture();
    for (const TCase c : {TCase{true, true, 8}, TCase{false, true, 24}, TCase{true, false, 8},
                          TCase{false, false, 8}}) {
        SCOPED_TRACE(::testing::Message() << "restore " << c.RestoreFormat << ", 24-bit " << c.WriteBack24Bit);
        TQxImage doc;
        doc.Bitmap().Assign(original);
        doc.SetSelectionRect(kSelection);
        {
            TEditBracket edit(doc, true, c.RestoreFormat, c.WriteBack24Bit);
            ASSERT_TRUE(edit);
            doc.MakeWork24Bit();
            EXPECT_EQ(doc.SavedPixelFormat(), dibPf8Bit);
            TDibImage& w = *doc.WorkImage();
            for (int y = 0; y < w.Height(); ++y)
                for (int x = 0; x < w.Width(); ++x) w.SetPixels(x, y, clLime);
        }
        const TBitmap& b = doc.Bitmap();
        EXPECT_EQ(b.BitCount(), c.BitCount);
        EXPECT_EQ(doc.BitCount(), c.BitCount);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(b.PixelColor(x, y), Inside(x, y) ? clLime : kFourColours[(x + y) % 4]) << x << "," << y;
        if (!c.WriteBack24Bit) {
            // Index for index, same table.
            ASSERT_EQ(b.Dib().ColorsUsed(), 4);
            EXPECT_EQ(std::memcmp(b.Dib().ColorTable(), original.ColorTable(), 16), 0);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 12; ++x) {
                    if (Inside(x, y)) continue;
                    ASSERT_EQ(b.Dib().GetPixels(x, y), (x + y) % 4) << x << "," << y;
                }
        }
        // One undo gives the original back bit for bit.
        doc.Undo(1);
        EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), original));
    }
}

TEST(SelectionWriteBack, TwentyFourBitPictureOutsideBitIdentical) {
    const TDibImage original = test::NoiseImage24(12, 6, 21);
    TQxImage doc;
    doc.Bitmap().Assign(original);
    doc.SetSelectionRect(kSelection);
    {
        TEditBracket edit(doc, true, true, false);
        ASSERT_TRUE(edit);
        doc.MakeWork24Bit();
        TDibImage& w = *doc.WorkImage();
        for (int y = 0; y < w.Height(); ++y) std::fill_n(w.ScanLine(y), w.Width() * 3, std::uint8_t(7));
    }
    const TDibImage& got = doc.Bitmap().Dib();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(got.GetPixels(x, y), Inside(x, y) ? RGB(7, 7, 7) : original.GetPixels(x, y)) << x << "," << y;
}

TEST(SelectionWriteBack, TwentyFourBitPictureCarriesNoPalette) {
    TDibImage withTable = test::NoiseImage24(4, 4, 3);
    const std::vector<TRGBQuad> table(16, TRGBQuad{5, 5, 5, 0});
    withTable.SetColorTable(table);
    TQxImage doc;
    doc.Bitmap().Assign(withTable);
    EXPECT_EQ(doc.BitCount(), 24);
    EXPECT_EQ(doc.Bitmap().Dib().ColorsUsed(), 0);
    EXPECT_EQ(withTable.ColorsUsed(), 16);  // the source is not touched
}

}  // namespace
}  // namespace zelvo
