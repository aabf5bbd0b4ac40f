#include "reference/ReduceReference.h"

#include <cmath>

namespace zelvo::test {
namespace {

struct Pixel {
    int c[3];  // red, green, blue
};

struct Node {
    int channel = 0;
    double threshold = 0;
    int palette = -1;
};

struct Builder {
    int depth;
    std::vector<Node> nodes;
    ReducedImage* out;

    void Split(std::size_t node, int level, std::vector<Pixel> pixels) {
        if (pixels.empty()) {
            out->steps += 1 << (depth - level);
            return;
        }
        const double n = double(pixels.size());
        double mean[3] = {0, 0, 0}, var[3] = {0, 0, 0};
        for (const Pixel& p : pixels)
            for (int c = 0; c < 3; ++c) mean[c] += p.c[c];
        for (double& m : mean) m /= n;
        if (level == depth) {
            // The mean of the leaf's colours, rounded with halves to even.
            std::uint8_t ch[3];
            for (int c = 0; c < 3; ++c) ch[c] = std::uint8_t(std::nearbyint(mean[c]));
            nodes[node].palette = int(out->palette.size());
            out->palette.push_back(TRGBQuad{ch[2], ch[1], ch[0], 0});
            out->steps += 1;
            return;
        }
        for (const Pixel& p : pixels)
            for (int c = 0; c < 3; ++c) var[c] += (p.c[c] - mean[c]) * (p.c[c] - mean[c]);
        for (double& v : var) v /= n;
        int channel = 2;
        if (3 * var[0] >= 4 * var[1] && 3 * var[0] >= 2 * var[2]) channel = 0;
        else if (4 * var[1] >= 3 * var[0] && 4 * var[1] >= 2 * var[2]) channel = 1;
        nodes[node].channel = channel;
        nodes[node].threshold = mean[channel];
        std::vector<Pixel> first, second;
        for (const Pixel& p : pixels) (p.c[channel] <= mean[channel] ? first : second).push_back(p);
        Split(2 * node + 1, level + 1, std::move(first));
        Split(2 * node + 2, level + 1, std::move(second));
    }
};

}  // namespace

ReducedImage ReduceHighLiteral(const TDibImage& image, int depth) {
    ReducedImage result;
    std::vector<Pixel> pixels;
    for (int y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.ScanLineRead(y);
        for (int x = 0; x < image.Width(); ++x)
            pixels.push_back(Pixel{{row[3 * x + 2], row[3 * x + 1], row[3 * x]}});
    }
    Builder b{depth, std::vector<Node>((std::size_t(2) << depth) - 1), &result};
    b.Split(0, 0, pixels);
    for (const Pixel& p : pixels) {
        std::size_t node = 0;
        for (int d = 0; d < depth; ++d) {
            const Node& nd = b.nodes[node];
            node = 2 * node + (p.c[nd.channel] <= nd.threshold ? 1 : 2);
        }
        result.indices.push_back(std::uint8_t(b.nodes[node].palette));
    }
    return result;
}

}  // namespace zelvo::test
