#pragma once
// Progress reporting of the pixel operations.

#include <cstdint>
#include <functional>

namespace zelvo::effects {

/// Progress in percent (0..100) of a long operation.
using ProgressFn = std::function<void(int percentDone)>;

/// Reports row `row` (0-based) of `height` rows as done: (row + 1) x 100 div
/// height, computed in 64 bits so that tall pictures cannot overflow. Does
/// nothing when no callback is assigned.
inline void ReportRowProgress(const ProgressFn& progress, int row, int height) {
    if (progress && height > 0) progress(int((std::int64_t(row) + 1) * 100 / height));
}

}  // namespace zelvo::effects
