#pragma once
// zelvo-cli thumbnail: the thumbnail a file manager shows for a picture.
//
//   zelvo-cli thumbnail --size N INPUT OUTPUT
//
// OUTPUT is a PNG of at most N x N pixels with the keys Thumb::URI and
// Thumb::MTime, whatever its extension (the desktop names it).

#include <string>
#include <vector>

namespace zelvo::cli {

/// Runs "thumbnail" (`args[0]` is the command). Throws EUsage for bad
/// arguments and std::runtime_error when the picture cannot be read or the
/// thumbnail not written.
int Thumbnail(const std::vector<std::string>& args);

}  // namespace zelvo::cli
