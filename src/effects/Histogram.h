#pragma once
// Histogram operations on a 24-bit work image. Brightness is the plain
// average of the channels, (R + G + B) div 3.

#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// Histogram equalisation, in place. With c[i] the number of pixels whose
/// brightness is at most i, cmin = c[0] (the count of level 0 itself, not
/// the first non-zero sum) and span = max(1, c[255] - cmin), every channel
/// value v of every pixel becomes (c[v] - cmin) x 255 div span. Progress
/// after each row of the mapping pass: row x 100 div height (row from 0).
/// Throws EAssertionFailed unless `work` is an uncompressed 24-bit picture.
void Equalize(TDibImage& work, const ProgressFn& progress);

}  // namespace zelvo::effects
