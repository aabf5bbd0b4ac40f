#pragma once
// The desktop's trash (the freedesktop.org trash layout): a file moved to
// the trash goes to $XDG_DATA_HOME/Trash/files/ (~/.local/share/Trash when
// XDG_DATA_HOME is unset, empty or relative) under a name not used there
// yet, with a matching Trash/info/<name>.trashinfo that records where it
// came from and when, so that a file manager can put it back.

#include <filesystem>

namespace zelvo {

/// The home trash folder (holding files/ and info/).
std::filesystem::path HomeTrashDirectory();

/// Moves `file` (a file or link, not a folder) into the home trash. The
/// name in the trash is the file's own name, or "name.2", "name.3", ...
/// when taken. Returns false, leaving the file where it was and no record
/// behind, when the file does not exist, is a folder, or cannot be moved
/// there (another file system, no permission). `trashedAs`, when given,
/// receives the new path.
bool MoveToTrash(const std::filesystem::path& file, std::filesystem::path* trashedAs = nullptr);

}  // namespace zelvo
