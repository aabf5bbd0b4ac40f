#pragma once
// The reference decodes of the shared corpus (corpus/REFERENCE.tsv).

#include <cstdint>
#include <string>
#include <vector>

#include "image/DibImage.h"

namespace zelvo::test {

struct CorpusEntry {
    std::string file;       ///< path under corpus/
    std::string image;      ///< which image of the file ("0" for single-image files)
    int width = 0;
    int height = 0;
    std::string sha256;     ///< RGBA8 rows top-down, "-" for refused files
    std::string sha256Rgb;  ///< RGB8 rows top-down
    std::string cls;        ///< good / questionable / bad
    std::string agreement;  ///< agree:..., single:..., disputed:..., refuse, none
};

/// Every row of REFERENCE.tsv whose file starts with `prefix` (e.g. "bmp/").
/// A disputed image has one row per distinct peer output.
std::vector<CorpusEntry> LoadCorpusReference(const std::string& prefix = "");

/// RGB8 rows top-down of a picture of any depth (palette entries expanded).
std::vector<std::uint8_t> RgbRows(const TDibImage& image);

/// SHA-256 of RgbRows(image).
std::string RgbSha256(const TDibImage& image);

}  // namespace zelvo::test
