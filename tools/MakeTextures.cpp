// Writes the textures shipped with the editor: five seamless 128 x 128
// grey pictures (8-bit BMP files with a grey colour table) made from
// periodic value noise and simple geometry, so that they tile without
// seams when the texture command repeats them over a picture. White
// leaves a picture as it is and dark tones darken it.
//
//   zelvo-make-textures FOLDER
//
// writes 和紙.bmp (paper fibres), 帆布.bmp (canvas weave), 煉瓦.bmp (brick
// wall), 大理石.bmp (marble veins) and 木目.bmp (wood grain) into FOLDER.
// The output depends on nothing but this file: running it again writes
// the same bytes.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#include "image/DibImage.h"

namespace {

constexpr int kSize = 128;
constexpr double kPi = 3.14159265358979323846;

double Hash(int x, int y, int seed) {
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double(h ^ (h >> 16)) / 4294967295.0;
}

int Wrap(int v, int period) { return ((v % period) + period) % period; }

// Value noise on a lattice that repeats every `periodX` cells across and
// `periodY` cells down, in [0, 1].
double PeriodicNoise(double x, double y, int periodX, int periodY, int seed) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const int x0 = Wrap(xi, periodX), x1 = Wrap(xi + 1, periodX);
    const int y0 = Wrap(yi, periodY), y1 = Wrap(yi + 1, periodY);
    const double a = Hash(x0, y0, seed), b = Hash(x1, y0, seed);
    const double c = Hash(x0, y1, seed), d = Hash(x1, y1, seed);
    const double top = a + (b - a) * sx, bottom = c + (d - c) * sx;
    return top + (bottom - top) * sy;
}

// Octaves of periodic noise over the texture: `cells` lattice cells across
// the first octave, doubling each time, so every octave tiles at kSize.
double Fractal(int x, int y, int cells, int octaves, int seed) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i, cells *= 2, amplitude *= 0.5) {
        const double scale = double(cells) / kSize;
        sum += amplitude * PeriodicNoise(x * scale, y * scale, cells, cells, seed + i);
        total += amplitude;
    }
    return sum / total;
}

std::uint8_t Grey(double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

double Paper(int x, int y) {
    // A light sheet with cloudy thickness and long fibres running mostly
    // across: stretched noise in x gives the fibres.
    const double cloud = Fractal(x, y, 4, 4, 11);
    const double fibre = PeriodicNoise(x * 2.0 / kSize, y * 64.0 / kSize, 2, 64, 12) *
                         PeriodicNoise(x * 8.0 / kSize, y * 32.0 / kSize, 8, 32, 13);
    return 236 + (cloud - 0.5) * 30 - std::pow(fibre, 3.0) * 60;
}

double Canvas(int x, int y) {
    // Threads four pixels wide, over and under in a plain weave: each
    // thread is lit in its middle and shaded at its edges.
    const int cellX = x / 4, cellY = y / 4;
    const bool warpOnTop = (cellX + cellY) % 2 == 0;
    const double across = warpOnTop ? (x % 4 + 0.5) / 4 : (y % 4 + 0.5) / 4;
    const double profile = std::sin(across * kPi);
    return 150 + profile * 80 + (Fractal(x, y, 16, 2, 21) - 0.5) * 30;
}

double Brick(int x, int y) {
    // Bricks of 32 x 16 with 2-pixel mortar joints; alternate courses shift
    // by half a brick.
    const int course = y / 16;
    const int shifted = Wrap(x + (course % 2) * 16, kSize);
    const bool mortar = y % 16 < 2 || shifted % 32 < 2;
    const double grain = Fractal(x, y, 16, 3, 31);
    if (mortar) return 225 + (grain - 0.5) * 20;
    const double brickTone = Hash(shifted / 32, course, 32) * 40;
    return 110 + brickTone + (grain - 0.5) * 50;
}

double Marble(int x, int y) {
    // Veins: a sine across the diagonal bent by turbulence; both terms
    // repeat every 128 pixels.
    const double turbulence = Fractal(x, y, 2, 5, 41);
    const double v = std::sin(2 * kPi * (1.0 * (x + y) / kSize + 1.5 * turbulence));
    return 240 - std::pow(1 - std::abs(v), 4.0) * 120 - (Fractal(x, y, 8, 3, 42) - 0.5) * 30;
}

double Wood(int x, int y) {
    // Growth rings running across, waved by noise; late wood is darker.
    const double wave = Fractal(x, y, 2, 3, 51);
    const double ring = 6.0 * y / kSize + 1.5 * wave;
    const double late = std::pow(0.5 + 0.5 * std::sin(2 * kPi * ring), 4.0);
    return 205 - late * 90 + (PeriodicNoise(x * 64.0 / kSize, y * 4.0 / kSize, 64, 4, 52) - 0.5) * 24;
}

void Write(const std::filesystem::path& path, const std::function<double(int, int)>& shade) {
    zelvo::TDibImage image;
    image.SetBitCount(8);
    image.SetWidth(kSize);
    image.SetHeight(kSize);
    std::array<zelvo::TRGBQuad, 256> greys{};
    for (int i = 0; i < 256; ++i) greys[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    image.SetColorTable(greys);
    for (int y = 0; y < kSize; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < kSize; ++x) row[x] = Grey(shade(x, y));
    }
    image.SaveToFile(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelvo-make-textures FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        Write(folder / "和紙.bmp", Paper);
        Write(folder / "帆布.bmp", Canvas);
        Write(folder / "煉瓦.bmp", Brick);
        Write(folder / "大理石.bmp", Marble);
        Write(folder / "木目.bmp", Wood);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zelvo-make-textures: %s\n", error.what());
        return 1;
    }
    return 0;
}
