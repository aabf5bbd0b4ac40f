#pragma once
// Temporary files of the program: "_ZV" + five digits + ".tmp" in $TMPDIR
// (or /tmp), the first free number taken and the file created exclusively
// (O_EXCL, mode 0600), so that a file or link someone else placed under the
// name is never opened or truncated in its place. The undo file and the
// scanner's transfer file come from here.

#include <filesystem>
#include <memory>
#include <string>

#include "image/Stream.h"

namespace zelvo {

/// The temporary folder: $TMPDIR when set and not empty, otherwise /tmp.
std::filesystem::path TempFolder();

/// "_ZV" + `number` zero-padded to five digits + ".tmp".
std::string TempFileNameFor(int number);

/// A freshly created temporary file, open for reading and writing.
struct TTempFile {
    std::filesystem::path Path;
    std::unique_ptr<TFileStream> Stream;
};

/// Creates the first free "_ZV00000.tmp" .. "_ZV99999.tmp" in TempFolder().
/// Throws EFCreateError when all 100 000 names are taken or the folder
/// cannot be written.
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

}  // namespace zelvo
