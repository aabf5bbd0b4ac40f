#pragma once
// Scanner tests run against SANE's "test" back end only: a private
// configuration folder enables it alone (SANE_CONFIG_DIR), and scanimage,
// SANE's own command-line front end, scans the same pattern for comparison.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zelvo::test {

/// Writes dll.conf (only "test") and test.conf into `folder` and points
/// SANE_CONFIG_DIR at it. Call before the first scanner operation.
inline void UsePrivateSaneConfig(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "dll.conf") << "test\n";
    std::ofstream(folder / "test.conf") << "number_of_devices 2\n"
                                           "mode Gray\n"
                                           "depth 8\n"
                                           "resolution_min 1.0\n"
                                           "resolution_max 1200.0\n"
                                           "resolution_quant 1.0\n"
                                           "resolution 50.0\n"
                                           "test-picture \"Color pattern\"\n"
                                           "geometry_min 0.0\n"
                                           "geometry_max 200.0\n"
                                           "geometry_quant 1.0\n"
                                           "tl_x 0.0\n"
                                           "tl_y 0.0\n"
                                           "br_x 80.0\n"
                                           "br_y 100.0\n";
    setenv("SANE_CONFIG_DIR", folder.c_str(), 1);
}

/// A netpbm picture as scanimage writes it (P4, P5 or P6; 8 or 16 bits),
/// every pixel as 8-bit R, G, B (16-bit samples by their high byte, P4 set
/// bits black).
struct TPnmPixels {
    int Width = 0, Height = 0, MaxVal = 0;
    char Kind = 0;  ///< '4', '5' or '6'
    std::vector<std::uint8_t> Rgb;
};

inline TPnmPixels ReadScanimagePnm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    TPnmPixels p;
    p.Kind = magic.size() == 2 ? magic[1] : 0;
    auto number = [&] {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
            in >> std::ws;
        }
        int v = 0;
        in >> v;
        return v;
    };
    p.Width = number();
    p.Height = number();
    p.MaxVal = p.Kind == '4' ? 1 : number();
    in.get();
    const std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    const int sampleBytes = p.MaxVal > 255 ? 2 : 1;
    p.Rgb.resize(std::size_t(p.Width) * std::size_t(p.Height) * 3);
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            std::uint8_t* out = &p.Rgb[(std::size_t(y) * std::size_t(p.Width) + std::size_t(x)) * 3];
            if (p.Kind == '4') {
                const int stride = (p.Width + 7) / 8;
                const bool black = (bytes[y * stride + x / 8] >> (7 - x % 8)) & 1;
                out[0] = out[1] = out[2] = black ? 0 : 255;
            } else {
                const int channels = p.Kind == '6' ? 3 : 1;
                const std::size_t at = (std::size_t(y) * std::size_t(p.Width) + std::size_t(x)) * std::size_t(channels * sampleBytes);
                for (int c = 0; c < 3; ++c) out[c] = bytes[at + std::size_t((channels == 3 ? c : 0) * sampleBytes)];
            }
        }
    return p;
}

/// Runs scanimage with `arguments` into `output` (PNM); true when it worked.
inline bool RunScanimage(const std::string& arguments, const std::filesystem::path& output) {
    const std::string command = "scanimage --format=pnm " + arguments + " > '" + output.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

}  // namespace zelvo::test
