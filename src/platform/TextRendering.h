#pragma once
// TTextRenderer: turning lines of text into pixels, as the document's text
// tool asks for it, without Qt.
//
// The text tool draws its glyphs as a mask: an 8-bit picture whose white
// pixels (255) are paper and whose black pixels (0) are ink, made with no
// smoothing of glyph edges (the document has a smoothing pass of its own).
// A renderer measures lines and draws one line at a time into such a mask.
//
// The document reaches the renderer installed with InstallTextRenderer: the
// editor installs the one over Qt's text rendering (platform/qt/
// TextRenderQt.h). zelvo-cli installs none; it takes a mask drawn elsewhere
// as a picture file instead. With none installed, text cannot be measured
// or drawn and the text tool draws nothing.

#include <string>
#include <string_view>

#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo {

/// A font as the text tool describes it.
struct TTextFont {
    std::string Name;       ///< face name (UTF-8); a face not installed gives the renderer's first face
    int Size = 10;          ///< points, mapped to pixels at 96 dots per inch
    bool Bold = false;
    bool Italic = false;
    bool UnderLine = false;
    TColor Color = clBlack;  ///< the text colour (masks are always drawn in black)

    bool operator==(const TTextFont&) const = default;
};

/// Points to pixels at 96 dots per inch, rounded: 10 pt is 13 pixels, 12 pt
/// 16 pixels.
inline int PointsToPixels(int points) { return (points * 96 + 36) / 72; }

class TTextRenderer {
public:
    virtual ~TTextRenderer() = default;

    /// The height in pixels of one line of text in `font` (the font's cell
    /// height: ascent and descent), whatever the line holds.
    virtual int LineHeight(const TTextFont& font) const = 0;
    /// The width in pixels of `line` (UTF-8, one line) in `font`: the
    /// advance from the start of its first character to the end of its last.
    virtual int TextWidth(const TTextFont& font, std::string_view line) const = 0;
    /// Draws `line` in black (0) into `mask`, an uncompressed 8-bit picture
    /// whose colour-table index is the grey level, without smoothing;
    /// whatever falls outside the mask is cut off. Horizontal: the top-left
    /// corner of the line's cell is at (x, y). Vertical: the line is turned
    /// a quarter clockwise and reads from top to bottom; the top of its cell
    /// lies on column x and the cell reaches LineHeight pixels to the left
    /// of it, starting at row y. Throws EDibImageBadDIBType unless the mask
    /// is an uncompressed 8-bit picture.
    virtual void DrawLine(TDibImage& mask, const TTextFont& font, int x, int y, std::string_view line,
                          bool vertical) const = 0;
};

/// The installed renderer, or nullptr when none is installed.
TTextRenderer* InstalledTextRenderer();
/// Installs `renderer` (not owned; nullptr installs none) and returns the
/// one installed before. The renderer must outlive its installation.
TTextRenderer* InstallTextRenderer(TTextRenderer* renderer);

/// Installs a renderer for the life of the object, then puts back the one
/// installed before.
class TTextRendererInstallation {
public:
    explicit TTextRendererInstallation(TTextRenderer& renderer) : previous_(InstallTextRenderer(&renderer)) {}
    ~TTextRendererInstallation() { InstallTextRenderer(previous_); }
    TTextRendererInstallation(const TTextRendererInstallation&) = delete;
    TTextRendererInstallation& operator=(const TTextRendererInstallation&) = delete;

private:
    TTextRenderer* previous_;
};

/// A new white mask of width x height for DrawLine: 8 bits, a grey colour
/// table, rows stored top-down (so its rows lie one after the other from
/// the top in memory). Throws EDibImageInvalidDIBPara "TDibImageData.
/// CreateDIB: Invalid Parameters" for a side below 1 or above the pixel
/// limit.
TDibImage NewTextMask(int width, int height);

}  // namespace zelvo
