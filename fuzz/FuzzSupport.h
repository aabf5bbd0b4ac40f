#pragma once
// Helpers the fuzz targets share: reading every output byte so the
// sanitizers see it, and aborting on a broken expectation (a finding).

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace zelvo::fuzz {

inline volatile std::uint8_t gSink;

/// Reads `n` bytes at `p`.
inline void Touch(const std::uint8_t* p, std::size_t n) {
    std::uint8_t acc = 0;
    for (std::size_t i = 0; i < n; ++i) acc = std::uint8_t(acc + p[i]);
    gSink = acc;
}

/// Aborts when `ok` is false, which libFuzzer reports as a crash.
inline void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace zelvo::fuzz
