#include "cli/EncoderArguments.h"

#include <cmath>

#include "cli/OperationTable.h"

namespace zelvo::cli {

namespace {

void Require(bool ok, const std::string& message) {
    if (!ok) throw EUsage(message);
}

}  // namespace

int ParseIntIn(const std::string& text, const std::string& option, int lo, int hi) {
    int value = 0;
    try {
        value = detail::ParseArgument<int>(text, option);
    } catch (const EUsage&) {
        throw EUsage(option + ": expected an integer, got \"" + text + "\"");
    }
    if (value < lo || value > hi)
        throw EUsage(option + ": expected " + std::to_string(lo) + ".." + std::to_string(hi) + ", got " + text);
    return value;
}

const char* const kEncoderArgumentsHelp =
    "  --lossless                 lossless WebP or JPEG XL\n"
    "  --effort N                 WebP 0..6 (4), JPEG XL 1..9 (7): slower for smaller files\n"
    "  --speed N                  AVIF 0..9 (6) and HEIC 0..9 (3): faster for larger files\n"
    "  --distance D               JPEG XL visual distance 0.1..25 (1.0)\n"
    "  --compression C            TIFF none, lzw (default) or deflate\n";

bool TakeEncoderArgument(const std::vector<std::string>& args, std::size_t& i, TEncoderArguments& given) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
        if (i + 1 >= args.size()) throw EUsage(a + " needs a value");
        return args[++i];
    };
    if (a == "--lossless") {
        given.Lossless = true;
    } else if (a == "--effort") {
        given.Effort = ParseIntIn(value(), a, 0, kJxlMaxEffort);
    } else if (a == "--speed") {
        given.Speed = ParseIntIn(value(), a, 0, kHeifMaxSpeed);
    } else if (a == "--distance") {
        const std::string& text = value();
        double distance = 0;
        try {
            distance = detail::ParseArgument<double>(text, a);
        } catch (const EUsage&) {
            throw EUsage(a + ": expected a number, got \"" + text + "\"");
        }
        const double tenths = std::round(distance * 10);
        Require(std::isfinite(distance) && tenths >= kJxlMinDistanceTenths && tenths <= kJxlMaxDistanceTenths,
                a + ": expected 0.1..25, got " + text);
        given.DistanceTenths = int(tenths);
    } else if (a == "--compression") {
        const std::string& text = value();
        if (text == "none") given.Compression = TTiffCompression::None;
        else if (text == "lzw") given.Compression = TTiffCompression::Lzw;
        else if (text == "deflate") given.Compression = TTiffCompression::Deflate;
        else throw EUsage(a + ": expected none, lzw or deflate, got \"" + text + "\"");
    } else {
        return false;
    }
    return true;
}

TEncoderOptions EncoderOptionsFor(const TEncoderArguments& given, std::string_view key) {
    TEncoderOptions o;
    const bool webp = key == "webp", jxl = key == "jxl", avif = key == "avif", heic = key == "heic";
    Require(!given.Lossless || webp || jxl, "--lossless: only for WebP and JPEG XL output");
    Require(!given.Effort || webp || jxl, "--effort: only for WebP and JPEG XL output");
    Require(!given.Speed || avif || heic, "--speed: only for AVIF and HEIC output");
    Require(!given.DistanceTenths || jxl, "--distance: only for JPEG XL output");
    Require(!given.Compression || key == "tiff", "--compression: only for TIFF output");
    Require(!(jxl && given.Lossless && given.DistanceTenths), "--distance: not with --lossless");
    if (given.Quality) o.WebpQuality = o.AvifQuality = o.HeicQuality = *given.Quality;
    o.WebpLossless = o.JxlLossless = given.Lossless;
    if (given.Effort) {
        if (webp) Require(*given.Effort <= kWebpMaxEffort, "--effort: expected 0..6 for WebP");
        if (jxl) Require(*given.Effort >= kJxlMinEffort, "--effort: expected 1..9 for JPEG XL");
        o.WebpEffort = o.JxlEffort = *given.Effort;
    }
    if (given.Speed) o.AvifSpeed = o.HeicSpeed = *given.Speed;
    if (given.DistanceTenths) o.JxlDistanceTenths = *given.DistanceTenths;
    if (given.Compression) o.TiffCompression = *given.Compression;
    return o;
}

}  // namespace zelvo::cli
