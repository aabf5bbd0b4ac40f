// Writes the bundled sample picture: a 640 x 480, 24-bit landscape (sky,
// sun, mountains, lake with reflections, meadow) made from value noise, so
// that it has the gradients, edges and texture of a photograph.
//
//   zelvo-make-sample OUTPUT.bmp

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>

#include "image/DibImage.h"

namespace {

// Smooth value noise over a hashed lattice, in [0, 1].
double Hash(int x, int y, int seed) {
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double(h ^ (h >> 16)) / 4294967295.0;
}

double Noise(double x, double y, int seed) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = Hash(xi, yi, seed), b = Hash(xi + 1, yi, seed);
    const double c = Hash(xi, yi + 1, seed), d = Hash(xi + 1, yi + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double Fractal(double x, double y, int seed, int octaves) {
    double sum = 0, amp = 0.5, freq = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * Noise(x * freq, y * freq, seed + i);
        amp *= 0.5;
        freq *= 2.03;
    }
    return sum;
}

struct Color {
    double r, g, b;
};

Color Mix(Color a, Color b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr int kWidth = 640, kHeight = 480;
constexpr int kHorizon = 300;

double RidgeHeight(double x, double scale, int seed) { return Fractal(x / scale, 0.5, seed, 6); }

Color Scene(double x, double y) {
    const Color skyTop{38, 76, 150}, skyLow{196, 214, 232}, sunColor{255, 244, 214};
    // Sky with a sun glow.
    const double sunX = 470, sunY = 110;
    const double dist = std::hypot(x - sunX, y - sunY);
    Color c = Mix(skyTop, skyLow, std::pow(y / kHorizon, 0.8));
    c = Mix(c, sunColor, std::exp(-dist / 60.0) * 0.9);
    if (dist < 28) c = Mix(sunColor, Color{255, 255, 250}, 1 - dist / 28);
    // Thin clouds.
    const double cloud = Fractal(x / 90.0, y / 30.0, 7, 5);
    if (y < 200) c = Mix(c, Color{250, 250, 252}, std::max(0.0, cloud - 0.55) * 2.2 * (1 - y / 200));
    // Far mountains, then nearer hills.
    const double far = kHorizon - 40 - RidgeHeight(x, 140, 3) * 130;
    if (y > far) c = Mix(Color{110, 124, 160}, Color{150, 160, 186}, (y - far) / 80 + Fractal(x / 20, y / 20, 5, 3) * 0.3);
    const double nearHill = kHorizon - 5 - RidgeHeight(x, 60, 11) * 60;
    if (y > nearHill) {
        const double tex = Fractal(x / 6.0, y / 6.0, 13, 4);
        c = Mix(Color{46, 84, 40}, Color{92, 124, 58}, tex + (y - nearHill) / 120);
    }
    return c;
}

Color Render(int px, int py) {
    const double x = px, y = py;
    if (y < kHorizon) return Scene(x, y);
    const double lakeEnd = 390 + Fractal(x / 80.0, 0.3, 21, 4) * 30;
    if (y < lakeEnd) {
        // The lake mirrors the scene above the horizon, broken by ripples.
        const double ripple = std::sin(y * 0.9 + Fractal(x / 30.0, y / 4.0, 17, 3) * 6) * 3;
        const double my = std::max(0.0, 2 * kHorizon - y + ripple * (y - kHorizon) / 40);
        Color c = Scene(x + ripple, std::min(my, double(kHorizon - 1)));
        c = Mix(c, Color{30, 60, 90}, 0.25 + (y - kHorizon) / 400);
        return c;
    }
    // Meadow with grass texture and a few flowers.
    const double tex = Fractal(x / 3.0, y / 9.0, 31, 5);
    Color c = Mix(Color{60, 110, 36}, Color{150, 170, 70}, tex * 1.2 - (y - lakeEnd) / 400);
    if (Hash(px / 3, py / 3, 41) > 0.992) c = Color{230, 210, 60};
    if (Hash(px / 3, py / 3, 43) > 0.995) c = Color{220, 70, 90};
    return c;
}

std::uint8_t Channel(double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelvo-make-sample OUTPUT.bmp\n");
        return 2;
    }
    try {
        zelvo::TDibImage image;
        image.SetBitCount(24);
        image.SetWidth(kWidth);
        image.SetHeight(kHeight);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                // Mild sensor noise.
                const double grain = (Hash(x, y, 97) - 0.5) * 6;
                const Color c = Render(x, y);
                row[3 * x] = Channel(c.b + grain);
                row[3 * x + 1] = Channel(c.g + grain);
                row[3 * x + 2] = Channel(c.r + grain);
            }
        }
        image.SaveToFile(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
