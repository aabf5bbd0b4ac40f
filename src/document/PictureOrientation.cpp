#include "document/PictureOrientation.h"

#include "effects/Geometry.h"

namespace zelvo {

TDibImage OrientPicture(const TDibImage& stored, int orientation) {
    const effects::ProgressFn none;
    // Each case as the quarter turns, mirrors (left-right) and flips
    // (top-bottom) of the geometry operations: a transpose is a clockwise
    // turn mirrored, a transverse one flipped.
    switch (orientation) {
        case 2: {
            TDibImage out(stored);
            effects::Mirror(out, none);
            return out;
        }
        case 3: {
            TDibImage out(stored);
            effects::Mirror(out, none);
            effects::Flip(out, none);
            return out;
        }
        case 4: {
            TDibImage out(stored);
            effects::Flip(out, none);
            return out;
        }
        case 5: {
            TDibImage out = effects::Rotate90(stored, true, none);
            effects::Mirror(out, none);
            return out;
        }
        case 6: return effects::Rotate90(stored, true, none);
        case 7: {
            TDibImage out = effects::Rotate90(stored, true, none);
            effects::Flip(out, none);
            return out;
        }
        case 8: return effects::Rotate90(stored, false, none);
        default: return stored;
    }
}

}  // namespace zelvo
