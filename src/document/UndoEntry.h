#pragma once
// One undo step's bookkeeping, shared by the document's history rules and
// the store that keeps the snapshots.

#include <cstdint>

#include "image/Types.h"

namespace zelvo {

/// The deepest undo history and the size of the snapshot table.
inline constexpr int kMaxUndoBuffer = 100;
inline constexpr int kUndoTableSize = kMaxUndoBuffer + 1;

/// One undo snapshot's bookkeeping.
struct TUndoEntry {
    std::int64_t Position = 0;  ///< offset of the snapshot's BMP image in the undo file
    bool Modified = false;      ///< the picture's modified flag at snapshot time
    TPoint ScrollPos;           ///< the view's scroll position (picture coordinates)
    TRect Selection;            ///< normalised selection, all zero without one
};

}  // namespace zelvo
