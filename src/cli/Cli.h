#pragma once
// zelvo-cli, the headless front end: the same document and codecs as the
// editor, for scripts, tests and benchmarks.
//
//   zelvo-cli decode [--gif-mode] INPUT OUTPUT       picture -> any format with a writer
//   zelvo-cli decode [--gif-mode] INPUT -            raw RGB8 rows, top-down, on stdout
//   zelvo-cli decode --rgba INPUT -                  raw RGBA8 rows (icons with their alpha)
//   zelvo-cli rgb [--gif-mode] INPUT                 the same as "decode INPUT -"
//   zelvo-cli info [--gif-mode] INPUT                width, height, bit count, ...
//   zelvo-cli apply INPUT OUTPUT [options] OP...     run document operations, save
//   zelvo-cli ops                                    the operations apply accepts
//   zelvo-cli thumbnail --size N INPUT OUTPUT        a file manager's thumbnail (PNG)
//   zelvo-cli help | --help | -h, zelvo-cli --version
//
// INPUT and OUTPUT formats come from the table of picture formats by
// extension. Icon sources (.ico, .exe, .dll, .cpl) open image 0, or the one
// --image names (a 0-based index, or a program's GROUP/ENTRY such as
// 101/0); --image R reads a PhotoCD file at resolution R (0..2) in any
// mode. Netpbm is the interchange format with other tools: any of
// .pbm/.pgm/.ppm/.pnm/.pam is read (P1..P7); decode and apply write
// OUTPUT.pam as P7 TUPLTYPE RGB MAXVAL 255 whatever the picture's depth,
// OUTPUT.ppm as P6, OUTPUT.pgm as P5 for grey pictures (P6 otherwise) and
// OUTPUT.pbm/.pnm as the smallest of P4, P5 and P6 that holds the picture.
// decode writes OUTPUT in place; apply replaces it only once written.
//
// --language CODE (anywhere on the line) chooses the language of the
// engine's messages: auto, ja or a catalogue's code; without it
// [Settings] Language of Zelvo.ini, then the desktop's languages decide.
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

/// An engine message (an exception's text) in the language Run chose;
/// as it is before Run chooses one.
std::string Message(const std::string& message);

}  // namespace zelvo::cli
