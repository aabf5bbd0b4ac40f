#pragma once
// Colour reduction for the GIF writer: an octree quantizer that builds a
// palette of at most N colours, a nearest-colour lookup cached per 15-bit
// colour cell, and ReduceColors, which maps a picture onto such a palette.
//
// The reduction the GIF writer uses (method 7, dither mode 0) walks the rows
// top to bottom, alternating direction (first row left to right, the next
// right to left, ...), and replaces each pixel by the lookup's answer; no
// error is carried to neighbours. The direction matters because the first
// pixel to reach an unknown cell decides that cell for every later colour
// that falls into it; the mapping on several threads finds exactly that
// first pixel of each cell (see MapSerpentine).

#include <array>
#include <cstdint>
#include <vector>

#include "image/DibImage.h"

namespace zelvo {

/// One node of the octree: a leaf holds the pixel count and colour sums of
/// every colour that reached it; an inner node has up to eight children.
/// Links are indices into the quantizer's node pool (-1 for none).
struct TOctreeNode {
    bool Leaf = false;
    /// 64-bit sums: a picture of 2^28 pixels of one colour sums to 2^36.
    std::uint64_t PixelCount = 0;
    std::uint64_t RedSum = 0;
    std::uint64_t GreenSum = 0;
    std::uint64_t BlueSum = 0;
    std::array<std::int32_t, 8> Child{-1, -1, -1, -1, -1, -1, -1, -1};
    /// The next node of the same level in that level's reducible list.
    std::int32_t Next = -1;
};

/// An RGB palette entry.
struct TQuantColor {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const TQuantColor&, const TQuantColor&) = default;
};

/// Octree colour quantizer with leaf depth `colorBits` (1..8). Colours are
/// added one at a time; after each, nodes are merged until at most
/// `maxColors` leaves remain.
class TColorQuantizer {
public:
    /// `maxColors` 1..256 (clamped), `colorBits` 1..8 (clamped).
    TColorQuantizer(int maxColors, int colorBits);

    /// Inserts one colour (level 0 at the root; the child index at level d is
    /// bit 7-d of red x 4 + of green x 2 + of blue) and reduces: the deepest
    /// level with a reducible node gives up its most recently created node,
    /// whose children are merged into it.
    void AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    /// Every pixel of a 24-bit picture, rows top to bottom, left to right.
    void AddPicture(const TDibImage& picture24);

    /// The palette: leaves depth-first, children in index order, each the
    /// mean of its colours rounded down; padded with black to maxColors.
    std::vector<TQuantColor> Palette() const;
    int LeafCount() const { return FLeafCount; }

private:
    /// Inserts and reduces; the leaf reached, or -1 when a reduction ran
    /// (which may have merged that leaf away).
    std::int32_t Insert(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    std::int32_t NewNode(int level);
    void Reduce();
    void Collect(std::int32_t node, std::vector<TQuantColor>& out) const;

    std::vector<TOctreeNode> FNodes;
    std::vector<std::int32_t> FFree;
    std::int32_t FRoot = -1;
    int FLeafCount = 0;
    int FMaxColors;
    int FColorBits;
    std::array<std::int32_t, 8> FReducible{-1, -1, -1, -1, -1, -1, -1, -1};
};

/// Nearest-colour lookup over a palette of up to 256 entries.
class TFastColorLookup {
public:
    /// Cells start unknown; each palette entry, in index order, claims its
    /// own cell when still unknown (the lowest index wins).
    explicit TFastColorLookup(const std::vector<TQuantColor>& palette);

    /// The index for a colour: a colour that is exactly a palette entry gets
    /// that entry (the lowest such index); otherwise the cell's cached
    /// answer, or the entry with the smallest sum of absolute channel
    /// differences (first on ties), which is then stored in the cell.
    int Lookup(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    /// Maps every pixel of a 24-bit picture into the 8-bit `out` of the same
    /// size as Lookup does when called in the serpentine order (rows top to
    /// bottom, even rows left to right, odd rows right to left), with the
    /// same bytes on any number of worker threads; the cells end as that
    /// walk leaves them.
    void MapSerpentine(const TDibImage& picture24, TDibImage& out);

    /// The cell of a colour: blue5 x 1024 + green5 x 32 + red5.
    static int Cell(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return ((blue >> 3) << 10) | ((green >> 3) << 5) | (red >> 3);
    }

private:
    int Nearest(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;
    int Exact(std::uint32_t rgb) const;

    std::vector<TQuantColor> FPalette;
    std::vector<std::int16_t> FCells;
    /// Open-addressed table of the palette's exact colours (key rgb + 1).
    std::array<std::uint32_t, 1024> FExactKey{};
    std::array<std::uint8_t, 1024> FExactIndex{};
};

/// The reduction methods the program reaches.
enum class TReductionMethod : std::uint8_t {
    rmNone = 0,       ///< a 24-bit copy
    rmNetscape = 6,   ///< fixed palette of 216 colours, 6 levels per channel
    rmQuantize = 7,   ///< octree palette of 2^bits colours
};

/// The palette of method 6: entry r x 36 + g x 6 + b is (51r, 51g, 51b).
std::vector<TQuantColor> FixedPalette216();

/// Builds an octree palette of `colors` entries for a picture of any depth
/// (read as 24 bits); `colorBits` is the leaf depth (8 for the program).
std::vector<TQuantColor> OptimizedPalette(const TDibImage& source, int colors, int colorBits);

/// Reduces `source` (any depth, read as 24 bits) to an 8-bit picture with
/// its palette: method 0 gives a 24-bit copy, 6 the fixed 216-colour palette,
/// 7 an octree palette of 2^`bits` colours (bits 1..8) mapped through
/// TFastColorLookup in the serpentine order. Dither mode 0 (nearest colour)
/// is the only one. The program passes no other method or dither mode;
/// one throws EAssertionFailed.
TDibImage ReduceColors(const TDibImage& source, int method, int ditherMode, int bits);

}  // namespace zelvo
