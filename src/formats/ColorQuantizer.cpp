#include "formats/ColorQuantizer.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "image/RowBands.h"

namespace zelvo {

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : FMaxColors(std::clamp(maxColors, 1, 256)), FColorBits(std::clamp(colorBits, 1, 8)) {
    FNodes.reserve(4096);
}

std::int32_t TColorQuantizer::NewNode(int level) {
    std::int32_t index;
    if (!FFree.empty()) {
        index = FFree.back();
        FFree.pop_back();
        FNodes[std::size_t(index)] = TOctreeNode{};
    } else {
        index = std::int32_t(FNodes.size());
        FNodes.emplace_back();
    }
    TOctreeNode& node = FNodes[std::size_t(index)];
    if (level == FColorBits) {
        node.Leaf = true;
        ++FLeafCount;
    } else {
        node.Next = FReducible[std::size_t(level)];
        FReducible[std::size_t(level)] = index;
    }
    return index;
}

void TColorQuantizer::AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    Insert(red, green, blue);
}

std::int32_t TColorQuantizer::Insert(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (FRoot < 0) FRoot = NewNode(0);
    std::int32_t node = FRoot;
    for (int level = 0;; ++level) {
        if (FNodes[std::size_t(node)].Leaf) {
            TOctreeNode& leaf = FNodes[std::size_t(node)];
            ++leaf.PixelCount;
            leaf.RedSum += red;
            leaf.GreenSum += green;
            leaf.BlueSum += blue;
            break;
        }
        const int shift = 7 - level;
        const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        std::int32_t next = FNodes[std::size_t(node)].Child[std::size_t(child)];
        if (next < 0) {
            next = NewNode(level + 1);  // may move FNodes
            FNodes[std::size_t(node)].Child[std::size_t(child)] = next;
        }
        node = next;
    }
    const bool reduced = FLeafCount > FMaxColors;
    while (FLeafCount > FMaxColors) Reduce();
    return reduced ? -1 : node;
}

void TColorQuantizer::Reduce() {
    int level = FColorBits - 1;
    while (level > 0 && FReducible[std::size_t(level)] < 0) --level;
    const std::int32_t index = FReducible[std::size_t(level)];
    if (index < 0) return;
    TOctreeNode& node = FNodes[std::size_t(index)];
    FReducible[std::size_t(level)] = node.Next;
    int children = 0;
    for (std::int32_t& link : node.Child) {
        if (link < 0) continue;
        const TOctreeNode& child = FNodes[std::size_t(link)];
        node.PixelCount += child.PixelCount;
        node.RedSum += child.RedSum;
        node.GreenSum += child.GreenSum;
        node.BlueSum += child.BlueSum;
        FFree.push_back(link);
        link = -1;
        ++children;
    }
    node.Leaf = true;
    FLeafCount -= children - 1;
}

void TColorQuantizer::AddPicture(const TDibImage& picture24) {
    const int width = picture24.Width();
    // A run of one colour reaches the same leaf as long as no reduction
    // merged it away, so the run's later pixels skip the descent.
    std::uint32_t lastRgb = 0xFFFFFFFFu;
    std::int32_t lastLeaf = -1;
    for (int y = 0; y < picture24.Height(); ++y) {
        const std::uint8_t* p = picture24.ScanLineRead(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const std::uint32_t rgb = (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
            if (rgb == lastRgb && lastLeaf >= 0) {
                TOctreeNode& leaf = FNodes[std::size_t(lastLeaf)];
                ++leaf.PixelCount;
                leaf.RedSum += p[2];
                leaf.GreenSum += p[1];
                leaf.BlueSum += p[0];
                continue;
            }
            lastRgb = rgb;
            lastLeaf = Insert(p[2], p[1], p[0]);
        }
    }
}

void TColorQuantizer::Collect(std::int32_t index, std::vector<TQuantColor>& out) const {
    const TOctreeNode& node = FNodes[std::size_t(index)];
    if (node.Leaf) {
        TQuantColor c;
        if (node.PixelCount > 0) {
            c.Red = std::uint8_t(node.RedSum / node.PixelCount);
            c.Green = std::uint8_t(node.GreenSum / node.PixelCount);
            c.Blue = std::uint8_t(node.BlueSum / node.PixelCount);
        }
        out.push_back(c);
        return;
    }
    for (std::int32_t child : node.Child)
        if (child >= 0) Collect(child, out);
}

std::vector<TQuantColor> TColorQuantizer::Palette() const {
    std::vector<TQuantColor> out;
    out.reserve(std::size_t(FMaxColors));
    if (FRoot >= 0) Collect(FRoot, out);
    out.resize(std::size_t(FMaxColors));
    return out;
}

// --- nearest-colour lookup ----------------------------------------------------

namespace {

std::uint32_t PackRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | blue;
}

std::size_t ExactSlot(std::uint32_t rgb) { return ((rgb * 2654435761u) >> 22) & 1023u; }

}  // namespace

TFastColorLookup::TFastColorLookup(const std::vector<TQuantColor>& palette)
    : FPalette(palette.begin(), palette.begin() + std::ptrdiff_t(std::min<std::size_t>(palette.size(), 256))),
      FCells(32768, std::int16_t(-1)) {
    for (std::size_t i = 0; i < FPalette.size(); ++i) {
        const TQuantColor& c = FPalette[i];
        std::int16_t& cell = FCells[std::size_t(Cell(c.Red, c.Green, c.Blue))];
        if (cell < 0) cell = std::int16_t(i);
        const std::uint32_t key = PackRgb(c.Red, c.Green, c.Blue) + 1;
        std::size_t slot = ExactSlot(key - 1);
        while (FExactKey[slot] != 0 && FExactKey[slot] != key) slot = (slot + 1) & 1023u;
        if (FExactKey[slot] == 0) {  // the lowest index keeps the colour
            FExactKey[slot] = key;
            FExactIndex[slot] = std::uint8_t(i);
        }
    }
}

int TFastColorLookup::Exact(std::uint32_t rgb) const {
    const std::uint32_t key = rgb + 1;
    for (std::size_t slot = ExactSlot(rgb);; slot = (slot + 1) & 1023u) {
        if (FExactKey[slot] == key) return FExactIndex[slot];
        if (FExactKey[slot] == 0) return -1;
    }
}

int TFastColorLookup::Nearest(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < FPalette.size(); ++i) {
        const TQuantColor& c = FPalette[i];
        const int d = std::abs(c.Red - red) + std::abs(c.Green - green) + std::abs(c.Blue - blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

int TFastColorLookup::Lookup(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (FPalette.empty()) return 0;
    // A colour of the palette is never moved to another entry that merely
    // shares its 15-bit cell.
    const int exact = Exact(PackRgb(red, green, blue));
    if (exact >= 0) return exact;
    std::int16_t& cell = FCells[std::size_t(Cell(red, green, blue))];
    if (cell < 0) cell = std::int16_t(Nearest(red, green, blue));
    return cell;
}

namespace {

// Pixel x of a 24-bit row in the walk's order: even rows from the left, odd
// rows from the right.
int SerpentineColumn(int y, int i, int width) { return y % 2 == 0 ? i : width - 1 - i; }

}  // namespace

void TFastColorLookup::MapSerpentine(const TDibImage& picture24, TDibImage& out) {
    const int width = picture24.Width();
    const int height = picture24.Height();
    if (FPalette.empty() || WorkerThreads() == 1) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = picture24.ScanLineRead(y);
            std::uint8_t* q = out.ScanLine(y);
            for (int i = 0; i < width; ++i) {
                const int x = SerpentineColumn(y, i, width);
                q[x] = std::uint8_t(Lookup(p[3 * x + 2], p[3 * x + 1], p[3 * x]));
            }
        }
        return;
    }
    // A cell's cached answer is the nearest entry to the first colour, in
    // the walk's order, that reaches the cell while it is unknown (colours
    // of the palette itself never touch a cell). Each band therefore lists
    // the first colour of every unknown cell it meets, in its own part of
    // the walk; the bands' lists taken in band order give, per cell, the
    // first colour of the whole walk. With every cell so decided, a pixel's
    // answer no longer depends on the order, and the rows map in any band.
    std::vector<std::vector<std::uint32_t>> firsts(static_cast<std::size_t>(height));
    ForEachBand(height, 1, [&](int begin, int end) {
        std::vector<std::uint8_t> seen(FCells.size(), 0);
        std::vector<std::uint32_t>& list = firsts[std::size_t(begin)];
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* p = picture24.ScanLineRead(y);
            for (int i = 0; i < width; ++i) {
                const int x = SerpentineColumn(y, i, width);
                const std::uint8_t red = p[3 * x + 2], green = p[3 * x + 1], blue = p[3 * x];
                const auto cell = std::size_t(Cell(red, green, blue));
                if (FCells[cell] >= 0 || seen[cell] || Exact(PackRgb(red, green, blue)) >= 0) continue;
                seen[cell] = 1;
                list.push_back(PackRgb(red, green, blue));
            }
        }
    });
    std::vector<std::uint32_t> decided;  // the first colour of each cell the walk decides
    std::vector<std::uint8_t> taken(FCells.size(), 0);
    for (const std::vector<std::uint32_t>& list : firsts) {
        for (const std::uint32_t rgb : list) {
            const auto cell = std::size_t(Cell(std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)));
            if (taken[cell]) continue;
            taken[cell] = 1;
            decided.push_back(rgb);
        }
    }
    ForEachBand(int(decided.size()), 64, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const std::uint32_t rgb = decided[std::size_t(i)];
            const auto red = std::uint8_t(rgb >> 16), green = std::uint8_t(rgb >> 8), blue = std::uint8_t(rgb);
            FCells[std::size_t(Cell(red, green, blue))] = std::int16_t(Nearest(red, green, blue));
        }
    });
    ForEachBand(height, 1, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* p = picture24.ScanLineRead(y);
            std::uint8_t* q = out.ScanLine(y);
            for (int x = 0; x < width; ++x, p += 3) {
                const int exact = Exact(PackRgb(p[2], p[1], p[0]));
                q[x] = std::uint8_t(exact >= 0 ? exact : FCells[std::size_t(Cell(p[2], p[1], p[0]))]);
            }
        }
    });
}

// --- reduction ----------------------------------------------------------------

std::vector<TQuantColor> FixedPalette216() {
    std::vector<TQuantColor> out;
    out.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) out.push_back({std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51)});
    return out;
}

namespace {

TDibImage As24Bit(const TDibImage& source) {
    TDibImage copy(source);
    if (copy.PixelFormat() != dibPf24Bit) copy.SetPixelFormat(dibPf24Bit);
    return copy;
}

TDibImage NewIndexed(int width, int height, const std::vector<TQuantColor>& palette) {
    TDibImage out;
    out.ReplaceData(TDibImageData::CreateDIB(width, height, int(palette.size()), 8, DefaultUseFMO()));
    std::vector<TRGBQuad> table(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) table[i] = {palette[i].Blue, palette[i].Green, palette[i].Red, 0};
    out.SetColorTable(table);
    return out;
}

}  // namespace

std::vector<TQuantColor> OptimizedPalette(const TDibImage& source, int colors, int colorBits) {
    TColorQuantizer quantizer(colors, colorBits);
    quantizer.AddPicture(As24Bit(source));
    return quantizer.Palette();
}

TDibImage ReduceColors(const TDibImage& source, int method, int ditherMode, int bits) {
    if (ditherMode != 0 || (method != 0 && method != 6 && method != 7)) {
        throw EAssertionFailed("ReduceColors", "method " + std::to_string(method) + ", dither " +
                                                   std::to_string(ditherMode));
    }
    const TDibImage work = As24Bit(source);
    if (method == 0) return work;
    const int width = work.Width();
    const int height = work.Height();
    if (method == 6) {
        TDibImage out = NewIndexed(width, height, FixedPalette216());
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = work.ScanLineRead(y);
            std::uint8_t* q = out.ScanLine(y);
            for (int x = 0; x < width; ++x, p += 3) {
                q[x] = std::uint8_t((p[2] + 3) / 51 * 36 + (p[1] + 3) / 51 * 6 + (p[0] + 3) / 51);
            }
        }
        return out;
    }
    TColorQuantizer quantizer(1 << std::clamp(bits, 1, 8), 8);
    quantizer.AddPicture(work);
    const std::vector<TQuantColor> palette = quantizer.Palette();
    TFastColorLookup lookup(palette);
    TDibImage out = NewIndexed(width, height, palette);
    lookup.MapSerpentine(work, out);
    return out;
}

}  // namespace zelvo
