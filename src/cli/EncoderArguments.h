#pragma once
// The save options of the formats written through outside encoders, as
// `zelvo-cli apply` and `batch` take them:
//
//   --quality Q            WebP, AVIF and HEIC quality (JPEG's too) 1..100
//   --lossless             lossless WebP or JPEG XL
//   --effort N             WebP 0..6, JPEG XL 1..9
//   --speed N              AVIF and HEIC 0 (slowest) .. 9
//   --distance D           JPEG XL visual distance 0.1..25 (1.0 by default)
//   --compression C        TIFF none, lzw (default) or deflate

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/PictureFormats.h"

namespace zelvo::cli {

/// The options given on the command line, before the output type is known.
struct TEncoderArguments {
    std::optional<int> Quality;
    bool Lossless = false;
    std::optional<int> Effort;
    std::optional<int> Speed;
    std::optional<int> DistanceTenths;
    std::optional<TTiffCompression> Compression;
};

/// Takes the option at args[i] (and its value, advancing i) when it is
/// one of the above except --quality, which the commands parse themselves
/// for JPEG; returns false for any other argument. Throws EUsage for a
/// missing or malformed value.
bool TakeEncoderArgument(const std::vector<std::string>& args, std::size_t& i, TEncoderArguments& given);

/// The options for an output of the format table's row `key` ("webp",
/// "jxl", ...; others take none of these options): `given` over the
/// defaults. Throws EUsage for a value outside that format's range
/// (--effort 7 for WebP, --lossless for AVIF and the like).
TEncoderOptions EncoderOptionsFor(const TEncoderArguments& given, std::string_view key);

/// The integer `text` given to `option`, within lo..hi; throws EUsage
/// naming the option otherwise.
int ParseIntIn(const std::string& text, const std::string& option, int lo, int hi);

/// The help lines of the options, for the commands' usage texts.
extern const char* const kEncoderArgumentsHelp;

}  // namespace zelvo::cli
