// resample-ppm: resamples a binary PPM with one of the seven filters, either
// through the engine (effects::Resample, exactly what the editor does) or
// through a plain two-pass loop whose sampling rules can be switched one at a
// time, so that a difference against another program can be traced to the
// rule that causes it.
//
//   resample-ppm FILTER WIDTH HEIGHT IN.ppm OUT.ppm [RULES...]
//
// Without RULES the engine runs. Any RULE selects the plain loop, which
// starts from the engine's own rules and changes the ones named:
//   centres=half   pixel centres at i + 0.5, scale DW / SW (instead of
//                  i / scale with scale (DW - 1) / (SW - 1))
//   edges=clamp    taps outside the picture are dropped (instead of mirrored)
//   normalise      each destination pixel's weights are divided by their sum
//   keep16         the intermediate keeps 16-bit precision instead of bytes
//   vertical-first the vertical pass runs first (matters where an
//                  intermediate value is clamped)
//   plain          no change: the plain loop with the engine's rules (checks
//                  the loop against the engine)
//
// Build it against a build folder (resample-compare.py --ours-tool runs it):
//   g++ -O2 -std=c++20 -I src tools/bench/ResamplePpm.cpp
//       BUILD/src/libzelvo_effects.a BUILD/src/libzelvo_image.a -lpthread

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "effects/Resample.h"
#include "effects/Rounding.h"

using namespace zelvo;

namespace {

struct TRgbPicture {
    int Width = 0, Height = 0;
    std::vector<float> Values;  // r, g, b per pixel, rows top-down
};

TRgbPicture ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (!in || magic != "P6" || maxval != 255 || w < 1 || h < 1) {
        std::cerr << path << ": not an 8-bit binary PPM\n";
        std::exit(2);
    }
    std::vector<unsigned char> bytes(std::size_t(w) * std::size_t(h) * 3);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!in) {
        std::cerr << path << ": truncated\n";
        std::exit(2);
    }
    TRgbPicture p{w, h, std::vector<float>(bytes.begin(), bytes.end())};
    return p;
}

void WritePpm(const std::string& path, int w, int h, const std::vector<unsigned char>& rgb) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
}

struct TRules {
    bool HalfCentres = false;
    bool Clamp = false;
    bool Normalise = false;
    bool Keep16 = false;
    bool VerticalFirst = false;
};

struct TTap {
    int Pixel;
    float Weight;
};

int Mirror(int j, int size) {
    while (j < 0 || j >= size) j = j < 0 ? -j : 2 * size - j - 1;
    return j;
}

std::vector<std::vector<TTap>> Lists(int dst, int src, const effects::TFilterInfo& f, const TRules& rules) {
    std::vector<std::vector<TTap>> lists(static_cast<std::size_t>(dst));
    const float scale = rules.HalfCentres ? float(dst) / float(src) : effects::ResampleScale(dst, src);
    const float radius = scale >= 1.0f ? f.Support : f.Support / scale;
    for (int i = 0; i < dst; ++i) {
        const float centre = rules.HalfCentres ? (float(i) + 0.5f) / scale - 0.5f : float(i) / scale;
        auto& list = lists[std::size_t(i)];
        for (int j = int(std::floor(centre - radius)); j <= int(std::ceil(centre + radius)); ++j) {
            const float weight =
                scale >= 1.0f ? f.Kernel(centre - float(j)) : f.Kernel((centre - float(j)) * scale) * scale;
            if (weight == 0.0f) continue;
            if (rules.Clamp && (j < 0 || j >= src)) continue;
            list.push_back({Mirror(j, src), weight});
        }
        if (rules.Normalise) {
            float sum = 0;
            for (const auto& t : list) sum += t.Weight;
            if (sum != 0.0f)
                for (auto& t : list) t.Weight /= sum;
        }
    }
    return lists;
}

float Limit(float v, bool keep16) {
    if (!keep16) return float(effects::ClampRound(v));
    // 16-bit quantum: steps of 1/257 of a byte level.
    const float q = std::nearbyint(std::fmin(std::fmax(v, 0.0f), 255.0f) * 257.0f);
    return q / 257.0f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::cerr << "usage: resample-ppm FILTER WIDTH HEIGHT IN.ppm OUT.ppm [RULES...]\n";
        return 1;
    }
    const auto filter = effects::FilterFromName(argv[1]);
    if (!filter) {
        std::cerr << "unknown filter " << argv[1] << "\n";
        return 1;
    }
    const int dw = std::atoi(argv[2]), dh = std::atoi(argv[3]);
    TRules rules;
    bool plainLoop = false;
    for (int a = 6; a < argc; ++a) {
        const std::string r = argv[a];
        plainLoop = true;
        if (r == "centres=half") rules.HalfCentres = true;
        else if (r == "edges=clamp") rules.Clamp = true;
        else if (r == "normalise") rules.Normalise = true;
        else if (r == "keep16") rules.Keep16 = true;
        else if (r == "vertical-first") rules.VerticalFirst = true;
        else if (r != "plain") {
            std::cerr << "unknown rule " << r << "\n";
            return 1;
        }
    }
    const TRgbPicture src = ReadPpm(argv[4]);
    std::vector<unsigned char> out(std::size_t(dw) * std::size_t(dh) * 3);

    if (!plainLoop) {
        TDibImage image;
        image.SetBitCount(24);
        image.SetWidth(src.Width);
        image.SetHeight(src.Height);
        for (int y = 0; y < src.Height; ++y) {
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < src.Width; ++x)
                for (int c = 0; c < 3; ++c)
                    row[x * 3 + 2 - c] = std::uint8_t(src.Values[(std::size_t(y) * src.Width + x) * 3 + c]);
        }
        const TDibImage result = effects::Resample(image, *filter, dw, dh, {});
        for (int y = 0; y < dh; ++y) {
            const std::uint8_t* row = result.ScanLineRead(y);
            for (int x = 0; x < dw; ++x)
                for (int c = 0; c < 3; ++c) out[(std::size_t(y) * dw + x) * 3 + c] = row[x * 3 + 2 - c];
        }
        WritePpm(argv[5], dw, dh, out);
        return 0;
    }

    const effects::TFilterInfo& info = effects::FilterInfo(*filter);
    const auto horizontal = Lists(dw, src.Width, info, rules);
    const auto vertical = Lists(dh, src.Height, info, rules);
    // One pass along x (along = true) or y over a w x h picture of values.
    auto pass = [&](const std::vector<float>& in, int w, int h, bool alongX, bool last) {
        const auto& lists = alongX ? horizontal : vertical;
        const int ow = alongX ? dw : w, oh = alongX ? h : dh;
        std::vector<float> result(std::size_t(ow) * std::size_t(oh) * 3);
        for (int y = 0; y < oh; ++y)
            for (int x = 0; x < ow; ++x)
                for (int c = 0; c < 3; ++c) {
                    float sum = 0;
                    for (const auto& t : lists[std::size_t(alongX ? x : y)]) {
                        const std::size_t at = alongX ? std::size_t(y) * w + t.Pixel : std::size_t(t.Pixel) * w + x;
                        sum += t.Weight * in[at * 3 + c];
                    }
                    result[(std::size_t(y) * ow + x) * 3 + c] =
                        last ? float(effects::ClampRound(sum)) : Limit(sum, rules.Keep16);
                }
        return result;
    };
    const std::vector<float> final = rules.VerticalFirst
                                         ? pass(pass(src.Values, src.Width, src.Height, false, false), src.Width,
                                                dh, true, true)
                                         : pass(pass(src.Values, src.Width, src.Height, true, false), dw,
                                                src.Height, false, true);
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = (unsigned char)final[k];
    WritePpm(argv[5], dw, dh, out);
    return 0;
}
