#pragma once
// zelvo-cli scan: the scanner input of the editor without a window.
//
//   zelvo-cli scan OUTPUT [--device NAME] [--mode colour|grey|lineart] [--resolution DPI]
//   zelvo-cli scan --list
//
// The scan arrives as the editor's does (a packed DIB written to a temporary
// BMP file, read back with the BMP reader, the file removed) and is saved to
// OUTPUT by its extension.

#include <iosfwd>
#include <string>
#include <vector>

namespace zelvo::cli {

/// Runs "scan" (`args[0]` is the command). Throws EUsage for bad arguments
/// and the scanner's or writer's exception when the scan or save fails.
int Scan(const std::vector<std::string>& args, std::ostream& out);

}  // namespace zelvo::cli
