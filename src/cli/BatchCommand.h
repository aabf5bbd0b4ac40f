#pragma once
// zelvo-cli batch: every picture of one folder converted into another, with
// the options of the editor's batch dialog.
//
//   zelvo-cli batch INPUT_FOLDER OUTPUT_FOLDER [OPTION...]
//
// A progress line goes to standard error when it is a terminal; the summary
// (converted, skipped with reasons, failed) goes to standard output. Exit
// status 0 when no file failed, 1 when one failed, the run was interrupted
// (Ctrl+C stops after the files being written) or a folder is missing or
// holds no picture, 2 for a usage error.

#include <iosfwd>
#include <string>
#include <vector>

namespace zelvo::cli {

/// Runs "batch" with `args` (args[0] is "batch").
int Batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelvo::cli
