#pragma once
// Writing whole files safely: every byte to a descriptor despite short
// writes and interrupts, and replacing a file through a temporary file in
// the same folder that is renamed over it once complete.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace zelvo {

/// Writes all `data` to `fd`, retrying short and interrupted writes, then
/// flushes it to the disk (fsync). False on any failure.
bool WriteAllAndSync(int fd, std::span<const std::uint8_t> data);

/// Writes `data` to a new temporary file (mode 0600) beside `target` and
/// renames it over `target`. False, with no temporary file left and the old
/// target untouched, on any failure.
bool ReplaceFileContents(const std::filesystem::path& target, std::span<const std::uint8_t> data);

}  // namespace zelvo
