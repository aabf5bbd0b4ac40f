#pragma once
// Temporary files of the program.
//
// The scanner's transfer file is a named file: "_ZV" + five digits + ".tmp"
// in $TMPDIR (or /tmp), the first free number taken and the file created
// exclusively (O_EXCL, mode 0600), so that a file or link someone else placed
// under the name is never opened or truncated in its place.
//
// The undo file is a scratch file: it lives on disk-backed storage ($TMPDIR,
// else /var/tmp, then /tmp, then the cache folder), and it has no name at
// all, so it vanishes with the process however the process ends (a crash,
// kill -9): opened with O_TMPFILE where the file system allows, otherwise
// created under a free "_ZV#####.tmp", locked and unlinked at once; it is
// used through its descriptor only. What a process killed in that instant,
// or an older version of the program, leaves behind is removed by
// RemoveStaleTempFiles.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/Stream.h"

namespace zelvo {

/// The temporary folder of named files: $TMPDIR when set and not empty,
/// otherwise /tmp.
std::filesystem::path TempFolder();

/// "_ZV" + `number` zero-padded to five digits + ".tmp".
std::string TempFileNameFor(int number);

/// True for exactly "_ZV" + five decimal digits + ".tmp".
bool IsTempFileName(const std::string& name);

/// A freshly created temporary file, open for reading and writing.
struct TTempFile {
    std::filesystem::path Path;
    std::unique_ptr<TFileStream> Stream;
};

/// Creates the first free "_ZV00000.tmp" .. "_ZV99999.tmp" in TempFolder()
/// and holds a lock on it (flock) while the stream is open. Throws
/// EFCreateError when all 100 000 names are taken or the folder cannot be
/// written.
TTempFile CreateTempFile();

/// Removes a temporary file when the scope ends, on every path. Close the
/// stream first when one is still open on it.
class TTempFileRemover {
public:
    explicit TTempFileRemover(std::filesystem::path path) : FPath(std::move(path)) {}
    ~TTempFileRemover();
    TTempFileRemover(const TTempFileRemover&) = delete;
    TTempFileRemover& operator=(const TTempFileRemover&) = delete;

private:
    std::filesystem::path FPath;
};

// --- scratch files ----------------------------------------------------------------

/// The folders a scratch file may live in, in the order tried: $TMPDIR when
/// set and not empty, /var/tmp (kept on disk, where /tmp is often held in
/// memory), /tmp, and the program's cache folder ($XDG_CACHE_HOME/zelvo or
/// ~/.cache/zelvo). A folder is listed once.
std::vector<std::filesystem::path> ScratchFolders();

/// A file open for reading and writing that has no name in any folder.
struct TScratchFile {
    std::unique_ptr<TFileStream> Stream;
    /// The folder whose file system holds its blocks.
    std::filesystem::path Folder;
    /// The "_ZV#####.tmp" it was created under and unlinked from at once,
    /// when the file system could not open it without a name; else empty.
    std::filesystem::path BriefName;
};

/// Opens a scratch file in the first of `folders` that takes one: without a
/// name (O_TMPFILE, mode 0600) where the file system allows it, otherwise
/// under the first free "_ZV#####.tmp", created exclusively, locked (flock)
/// and unlinked at once. A folder that is missing, read-only, full or
/// otherwise refuses the file is skipped; the cache folder is created when
/// it is reached. Throws EFCreateError with the last refusal when no folder
/// takes the file.
TScratchFile CreateScratchFile(const std::vector<std::filesystem::path>& folders = ScratchFolders());

/// Opens a file without a name in a folder: a descriptor, or -1 with errno
/// set (EOPNOTSUPP or EISDIR where the file system or kernel lacks it).
using TNamelessOpener = int (*)(const std::filesystem::path& folder);
/// The opener CreateScratchFile uses; open(folder, O_TMPFILE | O_RDWR) by
/// default. Returns the one it replaces. Tests put in an opener that fails
/// with EOPNOTSUPP to take the named path on any file system.
TNamelessOpener SetNamelessOpener(TNamelessOpener opener);

/// How long a leftover "_ZV#####.tmp" must have been left unchanged before
/// it counts as stale: a scanner's transfer file is read back by name a
/// moment after it was closed.
inline constexpr std::chrono::seconds kStaleTempFileAge{10 * 60};

/// Removes stale temporary files from `folder`: names of exactly "_ZV" +
/// five digits + ".tmp" that are regular files (links are not followed) with
/// one link, owned by this user, unchanged for `minimumAge`, and not locked
/// by a living process (the lock is taken while removing, so a process
/// cannot take the file meanwhile). Anything else is left alone. Returns the
/// number of files removed; a folder that cannot be read removes none.
int RemoveStaleTempFiles(const std::filesystem::path& folder,
                         std::chrono::seconds minimumAge = kStaleTempFileAge);

/// RemoveStaleTempFiles over ScratchFolders() (which include TempFolder()),
/// once per process: the first call sweeps, later calls return at once.
void RemoveStaleTempFilesOnce();

}  // namespace zelvo
