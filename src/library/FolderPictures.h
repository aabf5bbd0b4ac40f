#pragma once
// The picture files of one folder, as the slide show, the thumbnail
// browser and batch conversion list them: every regular file (links by
// what they point to) whose lower-cased extension appears in a pattern
// string of the open dialog ("*.bmp *.dib " — each pattern followed by one
// blank). Sub-folders, devices, FIFOs and names without an extension are
// skipped. Names come back in the order the file system gives
// them.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

/// True when "." + the lower-cased extension of `fileName` + " " occurs in
/// `patterns`. A name without a dot, or ending in one, never matches.
bool MatchesPatternString(std::string_view patterns, std::string_view fileName);

/// The names (without folder) of the matching files in `folder`, or nothing
/// when the folder cannot be listed. `between` runs between two entries (the
/// window processes pending events there); it may be empty.
std::optional<std::vector<std::string>> ListFolderPictures(const std::filesystem::path& folder,
                                                           std::string_view patterns,
                                                           const std::function<void()>& between = {});

/// `folder` without trailing slashes ("/" itself stays "/").
std::filesystem::path StripTrailingSeparator(const std::filesystem::path& folder);

}  // namespace zelvo
