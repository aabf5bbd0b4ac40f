#pragma once
// zelvo-cli, the headless front end: the same document and codecs as the
// editor, for scripts, tests and benchmarks.
//
//   zelvo-cli decode [--gif-mode] INPUT OUTPUT.pam   picture -> PAM (P7, RGB, 255)
//   zelvo-cli decode [--gif-mode] INPUT -            raw RGB8 rows, top-down, on stdout
//   zelvo-cli rgb [--gif-mode] INPUT                 the same as "decode INPUT -"
//   zelvo-cli info [--gif-mode] INPUT                width, height, bit count, ...
//   zelvo-cli apply INPUT OUTPUT [options] OP...     run document operations, save
//   zelvo-cli ops                                    the operations apply accepts
//   zelvo-cli help | --help | -h, zelvo-cli --version
//
// Exit status 0 on success; 2 for a usage error (unknown command, option or
// operation, a bad argument), with the reason and a hint on one line of
// standard error; 1 with the reason for any other failure (a file that
// cannot be read or written, an operation that throws).

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "image/Stream.h"

namespace zelvo::cli {

/// Runs one command line; returns the exit status.
int Run(int argc, char** argv);
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// The picture as RGB8 rows, top row first, palette indices expanded to
/// their colours. Works on any depth (RLE data is decoded on a copy).
std::vector<std::uint8_t> ToRGB8(const TDibImage& image);
/// Writes a P7 PAM file: TUPLTYPE RGB, MAXVAL 255, rows top-down.
void WritePam(const TDibImage& image, TStream& stream);

}  // namespace zelvo::cli
