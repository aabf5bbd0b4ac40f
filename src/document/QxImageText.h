#pragma once
// The text overlay of the document's text tool: what the text-insertion
// window last set, with the sizes derived from it and the glyph mask the
// installed text renderer drew (platform/TextRendering.h).

#include <string>
#include <vector>

#include "image/DibImage.h"
#include "image/Types.h"
#include "platform/TextRendering.h"

namespace zelvo {

struct TTextOverlay {
    TPoint Pos;                      ///< top-left corner of the box, picture pixels (may be negative)
    std::vector<std::string> Lines;  ///< the text, one UTF-8 string per line
    TTextFont Font;                  ///< face, size, styles and the text colour
    int Opacity = 100;               ///< 0..100 per cent
    bool AntiAlias = false;
    int Padding = 3;                 ///< 0..99 pixels
    TColor FrameColor = clBlack;
    int FrameWidth = 1;              ///< 0..99 pixels
    bool Vertical = false;           ///< vertical writing: columns from right to left
    TColor BackColor = clWhite;
    bool Transparent = false;

    // Derived when the overlay is set (all 0 without a renderer).
    int LineHeight = 0;   ///< the font's line height
    int BlockWidth = 0;   ///< horizontal: the widest line; vertical: lines x LineHeight
    int BlockHeight = 0;  ///< horizontal: lines x LineHeight; vertical: the widest line
    /// The glyphs, BlockWidth x BlockHeight, black on white (an 8-bit mask
    /// as NewTextMask makes it); empty when there is nothing to draw.
    TDibImage Mask;
    bool HasMask = false;
};

/// The pixel offset of the glyphs inside the box: frame width + padding.
inline int TextInset(const TTextOverlay& overlay) { return overlay.FrameWidth + overlay.Padding; }

/// Draws `lines` with `renderer` into a new mask and fills the derived
/// fields of `overlay` (its lines, font and vertical flag are read).
/// Horizontal: line i has its cell's top-left corner at (0, i x line
/// height). Vertical: the lines read top to bottom in columns one line
/// height wide, the first line the rightmost column, the last the
/// leftmost. Without lines, or when every line is empty, no mask is made
/// (HasMask false); a block above the pixel limit throws as NewTextMask.
void LayOutText(TTextOverlay& overlay, const TTextRenderer& renderer);

}  // namespace zelvo
