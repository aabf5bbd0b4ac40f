#pragma once
// Pictures with known colours for the platform bitmap tests.

#include <span>
#include <vector>

#include "platform/Bitmap.h"

namespace zelvo::test {

// A 24-bit picture of the given size and colour.
inline TBitmap Solid24(int w, int h, TColor color) {
    TBitmap b(w, h, pf24bit);
    b.Canvas().BrushColor = color;
    b.Canvas().FillRect(Bounds(0, 0, w, h));
    b.SetModified(false);
    return b;
}

// A palette picture with four colours: black, red, green, blue.
inline TDibImage FourColours(int w, int h, int bitCount, bool topDown = false) {
    TDibImage img;
    img.SetBitCount(bitCount);
    img.SetWidth(w);
    img.SetHeight(topDown ? -h : h);
    const std::vector<TRGBQuad> table = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    img.SetColorTable(std::span(table).first(bitCount == 1 ? 2 : 4));
    return img;
}

}  // namespace zelvo::test
