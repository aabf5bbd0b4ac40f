// Colour reduction of 24-bit and 8-bit pictures to 16 or 256 colours by
// recursive variance splits of the colour set.
//
// Every node of the tree splits its colours on one channel at the channel's
// mean: colours whose value is <= the mean go to the first child. The mean
// and the comparisons are kept exact in integers: a colour set is a list of
// items (a pixel count and the channel sums of those pixels), a node's mean
// of channel c is S_c / N, and "value <= mean" is "value x N <= S_c". The
// variances only choose the channel; they are compared through their common
// multiple N^2 x variance = N x Q_c - S_c^2, where Q_c is the sum of squares.

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/DibConvert.h"
#include "image/DibPixelIndex.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

using Int128 = __int128;

enum class SplitRule { Low, High };

// One colour of the set: `count` pixels whose channel sums are r, g, b. For
// a histogram cell the colour is the mean of its pixels (sum / count).
struct ColorItem {
    std::uint64_t count;
    std::uint64_t sum[3];  // red, green, blue
    std::uint32_t key;     // cell, table index or packed pixel the item stands for
};

struct Node {
    int channel = 0;          // 0 red, 1 green, 2 blue
    std::uint64_t n = 0;      // pixels below the node
    std::uint64_t s = 0;      // channel sum below the node
    bool empty = true;
    int paletteIndex = -1;    // leaves only
};

// The rounded mean S / N with halves to even.
std::uint8_t RoundedMean(std::uint64_t s, std::uint64_t n) {
    std::uint64_t q = s / n;
    const std::uint64_t r = s % n;
    if (2 * r > n || (2 * r == n && (q & 1))) ++q;
    return std::uint8_t(std::min<std::uint64_t>(q, 255));
}

class Splitter {
public:
    Splitter(int depth, SplitRule rule, bool exactItems, const ReductionStepFn& step)
        : depth_(depth), rule_(rule), exact_(exactItems), step_(step), nodes_((std::size_t(2) << depth) - 1) {}

    // Builds the tree over `items` (reordered in place) and the palette.
    void Build(std::vector<ColorItem>& items) {
        leafOfItem_.assign(items.size(), 0);
        Split(0, 0, items.data(), items.data() + items.size(), items.data());
    }

    const std::vector<TRGBQuad>& Palette() const { return palette_; }
    // Palette index of the item at position i of the reordered list.
    std::uint8_t LeafOf(std::size_t i) const { return leafOfItem_[i]; }
    const std::vector<Node>& Nodes() const { return nodes_; }
    int Depth() const { return depth_; }

    // Walks the tree with an exact colour (High mode mapping).
    std::uint8_t Map(const std::uint8_t rgb[3]) const {
        std::size_t node = 0;
        for (int d = 0; d < depth_; ++d) {
            const Node& nd = nodes_[node];
            const bool first = std::uint64_t(rgb[nd.channel]) * nd.n <= nd.s;
            node = 2 * node + (first ? 1 : 2);
        }
        return std::uint8_t(std::max(nodes_[node].paletteIndex, 0));
    }

private:
    void Steps(std::uint64_t count) {
        for (std::uint64_t i = 0; i < count; ++i)
            if (step_) step_();
    }

    int ChooseChannel(const long double v[3]) const {
        if (3 * v[0] >= 4 * v[1] && 3 * v[0] >= 2 * v[2]) return 0;
        if (rule_ == SplitRule::High) {
            if (4 * v[1] >= 3 * v[0] && 4 * v[1] >= 2 * v[2]) return 1;
        } else {
            if (4 * v[1] >= 3 * v[0] && 3 * v[1] >= 2 * v[2]) return 1;
        }
        return 2;
    }

    int ChooseChannelExact(const Int128 v[3]) const {
        if (3 * v[0] >= 4 * v[1] && 3 * v[0] >= 2 * v[2]) return 0;
        if (rule_ == SplitRule::High) {
            if (4 * v[1] >= 3 * v[0] && 4 * v[1] >= 2 * v[2]) return 1;
        } else {
            if (4 * v[1] >= 3 * v[0] && 3 * v[1] >= 2 * v[2]) return 1;
        }
        return 2;
    }

    void Split(std::size_t node, int level, ColorItem* begin, ColorItem* end, ColorItem* base) {
        Node& nd = nodes_[node];
        if (begin == end) {
            // An empty node still accounts for the leaves below it.
            Steps(std::uint64_t(1) << (depth_ - level));
            return;
        }
        nd.empty = false;
        std::uint64_t n = 0, s[3] = {0, 0, 0};
        for (const ColorItem* it = begin; it != end; ++it) {
            n += it->count;
            for (int c = 0; c < 3; ++c) s[c] += it->sum[c];
        }
        nd.n = n;
        if (level == depth_) {
            nd.paletteIndex = int(palette_.size());
            palette_.push_back(TRGBQuad{RoundedMean(s[2], n), RoundedMean(s[1], n), RoundedMean(s[0], n), 0});
            for (ColorItem* it = begin; it != end; ++it)
                leafOfItem_[std::size_t(it - base)] = std::uint8_t(nd.paletteIndex);
            Steps(1);
            return;
        }
        int channel;
        if (exact_) {
            // Items are exact colours: Q_c = sum over items of count x c^2.
            Int128 v[3];
            for (int c = 0; c < 3; ++c) {
                Int128 q = 0;
                for (const ColorItem* it = begin; it != end; ++it) {
                    const std::uint64_t value = it->sum[c] / it->count;
                    q += Int128(value) * Int128(it->sum[c]);
                }
                v[c] = Int128(n) * q - Int128(s[c]) * Int128(s[c]);
            }
            channel = ChooseChannelExact(v);
        } else {
            // Histogram cells stand for the mean of their pixels: Q_c is
            // the sum of sum_c^2 / count.
            long double v[3];
            for (int c = 0; c < 3; ++c) {
                long double q = 0;
                for (const ColorItem* it = begin; it != end; ++it)
                    q += (long double)(it->sum[c]) * (long double)(it->sum[c]) / (long double)(it->count);
                v[c] = (long double)(n) * q - (long double)(s[c]) * (long double)(s[c]);
            }
            channel = ChooseChannel(v);
        }
        nd.channel = channel;
        nd.s = s[channel];
        // value <= S / N  <=>  (item sum / item count) x N <= S.
        ColorItem* middle = std::partition(begin, end, [&](const ColorItem& it) {
            return Int128(it.sum[channel]) * Int128(n) <= Int128(s[channel]) * Int128(it.count);
        });
        Split(2 * node + 1, level + 1, begin, middle, base);
        Split(2 * node + 2, level + 1, middle, end, base);
    }

    int depth_;
    SplitRule rule_;
    bool exact_;
    const ReductionStepFn& step_;
    std::vector<Node> nodes_;
    std::vector<TRGBQuad> palette_;
    std::vector<std::uint8_t> leafOfItem_;
};

DibDataPtr NewIndexed(const TDibImageData& src, int bitCount, const std::vector<TRGBQuad>& palette) {
    DibDataPtr dst(TDibImageData::CreateDIB(src.Width, src.Header.biHeight, int(palette.size()), bitCount, src.UseFMO));
    dst->Header.biXPelsPerMeter = src.Header.biXPelsPerMeter;
    dst->Header.biYPelsPerMeter = src.Header.biYPelsPerMeter;
    std::copy(palette.begin(), palette.end(), dst->ColorTable.begin());
    return dst;
}

void RequireTrueColor(const TDibImageData& src, const char* message) {
    if (src.Header.biBitCount != 24 || src.Header.biCompression != BI_RGB) throw EDibImageBadDIBType(message);
}


// "Low": 32 x 64 x 32 histogram over red div 8, green div 4, blue div 8.
DibDataPtr ReduceLow(const TDibImageData& src, int depth, int bitCount, const ReductionStepFn& step) {
    const int width = src.Width, height = src.Height, stride = src.RowBytes();
    std::vector<ColorItem> cells(65536, ColorItem{0, {0, 0, 0}, 0});
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = src.Bits + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x, p += 3) {
            const std::uint32_t cell = (std::uint32_t(p[2] >> 3) << 11) | (std::uint32_t(p[1] >> 2) << 5) | (p[0] >> 3);
            ColorItem& it = cells[cell];
            ++it.count;
            it.sum[0] += p[2];
            it.sum[1] += p[1];
            it.sum[2] += p[0];
        }
    }
    std::vector<ColorItem> items;
    for (std::uint32_t cell = 0; cell < cells.size(); ++cell) {
        if (cells[cell].count == 0) continue;
        ColorItem it = cells[cell];
        it.key = cell;
        items.push_back(it);
    }
    Splitter splitter(depth, SplitRule::Low, false, step);
    splitter.Build(items);
    std::vector<std::uint8_t> table(65536, 0);
    for (std::size_t i = 0; i < items.size(); ++i) table[items[i].key] = splitter.LeafOf(i);

    DibDataPtr dst = NewIndexed(src, bitCount, splitter.Palette());
    const int dstStride = dst->RowBytes();
    // Each pixel maps on its own, so bands of rows run on the pool.
    ForEachBand(height, 1, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* p = src.Bits + std::size_t(y) * std::size_t(stride);
            std::uint8_t* out = dst->Bits + std::size_t(y) * std::size_t(dstStride);
            if (bitCount == 8) {
                for (int x = 0; x < width; ++x, p += 3)
                    out[x] = table[(std::uint32_t(p[2] >> 3) << 11) | (std::uint32_t(p[1] >> 2) << 5) | (p[0] >> 3)];
            } else {
                for (int x = 0; x < width; ++x, p += 3)
                    DibPutIndex(out, x, 4, table[(std::uint32_t(p[2] >> 3) << 11) | (std::uint32_t(p[1] >> 2) << 5) | (p[0] >> 3)]);
            }
        }
    });
    return dst;
}

// "High": every pixel is one entry of the colour set; each pixel is then
// mapped by walking the tree with its exact values.
DibDataPtr ReduceHigh(const TDibImageData& src, int depth, int bitCount, const ReductionStepFn& step) {
    const int width = src.Width, height = src.Height, stride = src.RowBytes();
    // Equal pixels behave alike at every node, so the set is kept as the
    // distinct colours with their pixel counts; means, variances and
    // thresholds are the same as over the list of all pixels.
    std::vector<std::uint32_t> keys;
    keys.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = src.Bits + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x, p += 3)
            keys.push_back((std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0]);
    }
    std::vector<ColorItem> items;
    if (keys.size() >= (std::size_t(1) << 20)) {
        // Large pictures: count through a table of every 24-bit colour.
        std::vector<std::uint32_t> counts(std::size_t(1) << 24, 0);
        for (auto k : keys) ++counts[k];
        for (std::uint32_t k = 0; k < counts.size(); ++k)
            if (counts[k]) items.push_back(ColorItem{counts[k], {std::uint64_t(k >> 16) * counts[k], std::uint64_t((k >> 8) & 255) * counts[k], std::uint64_t(k & 255) * counts[k]}, k});
    } else {
        std::vector<std::uint32_t> sorted(keys);
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 0; i < sorted.size();) {
            std::size_t j = i;
            while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
            const std::uint64_t n = j - i;
            const std::uint32_t k = sorted[i];
            items.push_back(ColorItem{n, {(k >> 16) * n, ((k >> 8) & 255) * n, (k & 255) * n}, k});
            i = j;
        }
    }
    Splitter splitter(depth, SplitRule::High, true, step);
    splitter.Build(items);

    DibDataPtr dst = NewIndexed(src, bitCount, splitter.Palette());
    const int dstStride = dst->RowBytes();
    ForEachBand(height, 1, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* p = src.Bits + std::size_t(y) * std::size_t(stride);
            std::uint8_t* out = dst->Bits + std::size_t(y) * std::size_t(dstStride);
            for (int x = 0; x < width; ++x, p += 3) {
                const std::uint8_t rgb[3] = {p[2], p[1], p[0]};
                DibPutIndex(out, x, bitCount, splitter.Map(rgb));
            }
        }
    });
    return dst;
}

}  // namespace

DibDataPtr ConvertTrueColorTo8BitRGBLow(const TDibImageData& src, const ReductionStepFn& step) {
    RequireTrueColor(src, "ConvertTrueColorTo8BitRGBLow: Invalid Bitcount");
    return ReduceLow(src, 8, 8, step);
}

DibDataPtr ConvertTrueColorTo8BitRGBHigh(const TDibImageData& src, const ReductionStepFn& step) {
    RequireTrueColor(src, "ConvertTrueColorTo8BitRGBHigh: Invalid Bitcount");
    return ReduceHigh(src, 8, 8, step);
}

DibDataPtr ConvertTrueColorTo4BitRGBLow(const TDibImageData& src, const ReductionStepFn& step) {
    RequireTrueColor(src, "ConvertTrueColorTo4BitRGBLow: Invalid Bitcount");
    return ReduceLow(src, 4, 4, step);
}

DibDataPtr ConvertTrueColorTo4BitRGBHigh(const TDibImageData& src, const ReductionStepFn& step) {
    RequireTrueColor(src, "ConvertTrueColorTo4BitRGBHigh: Invalid Bitcount");
    return ReduceHigh(src, 4, 4, step);
}

DibDataPtr Convert8BitRGBTo4BitRGB(const TDibImageData& src, const ReductionStepFn& step) {
    if (src.Header.biBitCount != 8 || src.Header.biCompression != BI_RGB)
        throw EDibImageBadDIBType("Convert8BitRGBTo4BitRGB: Invalid Bitcount or Compression");
    const int width = src.Width, height = src.Height, stride = src.RowBytes();
    std::uint64_t counts[256] = {};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = src.Bits + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x) ++counts[p[x]];
    }
    std::vector<ColorItem> items;
    for (std::uint32_t i = 0; i < 256; ++i) {
        if (!counts[i]) continue;
        const TRGBQuad& q = src.ColorTable[i];
        items.push_back(ColorItem{counts[i], {q.rgbRed * counts[i], q.rgbGreen * counts[i], q.rgbBlue * counts[i]}, i});
    }
    Splitter splitter(4, SplitRule::Low, true, step);
    splitter.Build(items);
    std::uint8_t map[256] = {};
    for (std::size_t i = 0; i < items.size(); ++i) map[items[i].key] = splitter.LeafOf(i);
    DibDataPtr dst = NewIndexed(src, 4, splitter.Palette());
    const int dstStride = dst->RowBytes();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = src.Bits + std::size_t(y) * std::size_t(stride);
        std::uint8_t* out = dst->Bits + std::size_t(y) * std::size_t(dstStride);
        int x = 0;
        for (; x + 1 < width; x += 2) out[x >> 1] = std::uint8_t((map[p[x]] << 4) | map[p[x + 1]]);
        if (x < width) out[x >> 1] = std::uint8_t(map[p[x]] << 4);
    }
    return dst;
}

}  // namespace zelvo
