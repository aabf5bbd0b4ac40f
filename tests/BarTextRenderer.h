#pragma once
// A text renderer for tests that draws bars instead of glyphs: lines are
// font.Size pixels high, each byte of a line is 6 pixels wide, and a line
// draws as a bar of its width, half a line thick, along the top of its
// cell, so lines can be told apart by their length.

#include "platform/TextRendering.h"

namespace zelvo::test {

class TBarTextRenderer : public TTextRenderer {
public:
    int LineHeight(const TTextFont& font) const override { return font.Size; }
    int TextWidth(const TTextFont&, std::string_view line) const override { return 6 * int(line.size()); }
    void DrawLine(TDibImage& mask, const TTextFont& font, int x, int y, std::string_view line,
                  bool vertical) const override {
        const int length = TextWidth(font, line);
        for (int i = 0; i < length; ++i) {
            for (int j = 0; j < font.Size / 2; ++j) {
                const int px = vertical ? x - 1 - j : x + i;
                const int py = vertical ? y + i : y + j;
                if (px >= 0 && py >= 0 && px < mask.Width() && py < mask.Height()) mask.SetPixels(px, py, 0);
            }
        }
    }
};

}  // namespace zelvo::test
