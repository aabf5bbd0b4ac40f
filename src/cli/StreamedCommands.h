#pragma once
// decode and apply without holding the picture: where no operation needs
// the whole picture (a JPEG file decoded to netpbm, a netpbm file saved as
// JPEG without operations), rows go from the reader to the writer a band at
// a time. The files, failure messages and exit statuses are those of the
// whole-picture path (document load, then save); any case these do not
// cover is left to that path.

#include <memory>
#include <string>

#include "formats/QxImageIO.h"

namespace zelvo::cli {

/// decode's output file: written beside OUTPUT and put in its place once
/// complete, like a tool's output not forced to the disk. nullptr when
/// OUTPUT is neither a regular file nor missing (a pipe or device named
/// like a picture, written in place) or no file can be created beside it
/// (then writing in place reports why, as it always did).
std::unique_ptr<TReplacingFile> DecodeOutput(const std::string& output);

/// decode INPUT OUTPUT for a JPEG INPUT (by extension and contents) and a
/// netpbm OUTPUT, when the picture opens as stored (EXIF orientation 1).
/// The output goes to a temporary file that replaces OUTPUT once complete,
/// so a failure leaves OUTPUT as it was. Returns false, having written
/// nothing, for any other case; throws std::runtime_error with the load's
/// message when the picture cannot be decoded and the write's exception
/// when the file cannot be written.
bool DecodeStreamed(const std::string& input, const std::string& output, bool gifMode);

/// apply INPUT OUTPUT without operations for a binary netpbm INPUT (P4 to
/// P7, by extension and contents) and a JPEG OUTPUT, saved at `quality`,
/// baseline or `progressive`, replacing OUTPUT as every save does. Returns
/// false, having written nothing, for any other case; throws as
/// DecodeStreamed.
bool ApplyStreamed(const std::string& input, const std::string& output, bool gifMode, int quality,
                   bool progressive);

}  // namespace zelvo::cli
