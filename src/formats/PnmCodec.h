#pragma once
// Netpbm pictures (PBM, PGM, PPM and PAM): the interchange format of the
// command-line tools, read and written a block of whole rows at a time.
//
// Reading takes the binary forms P4, P5, P6 and P7 and the plain forms P1,
// P2 and P3, with comments wherever whitespace may stand in the header:
//   P1, P4, PAM BLACKANDWHITE    -> 1 bit, palette black (0) and white (1)
//   P2, P5, PAM GRAYSCALE        -> 8 bits over a 256-entry grey palette
//   P3, P6, PAM RGB              -> 24 bits
// PAM's _ALPHA tuple types read like the type without alpha: the alpha
// samples are dropped and the colours kept as stored, unblended, as the
// program shows PNG files with an alpha channel. A PAM header without
// TUPLTYPE is read by its DEPTH (1 grey, 2 grey and alpha, 3 RGB, 4 RGB and
// alpha). Only the first picture of a file is read; bytes after it are
// ignored.
//
// PFM (PF colour, Pf grey: width, height, then a scale whose sign gives the
// byte order of the 32-bit floating-point samples, negative little-endian;
// rows from the bottom up) reads into 24 or 8 bits as the other forms: each
// sample is linear light, clamped to 0..1 (NaN as 0), encoded with the sRGB
// curve and rounded to the nearest level, as other programs show such
// files.
//
// Samples: MAXVAL (1..65535) sets their size: one byte up to 255, otherwise
// two bytes, most significant first. A sample v becomes the 8-bit level
// (v x 255 + maxval div 2) div maxval, that is v / maxval rounded to the
// nearest level with halves rounded up; maxval 255 keeps the bytes as they
// are. A sample above maxval reads as 255. In plain files the last sample
// must be followed by whitespace (netpbm's writers end every row with a
// line feed); digits that run into the end of the file are taken as a file
// cut short.
//
// Writing takes 8 bits per sample (maxval 255) and picks the form from the
// name's extension (see PnmFormForExtension): .ppm writes P6; .pgm writes
// P5 when every colour of the palette is grey (8-, 4- or 1-bit pictures,
// such as the grey pictures this reader and the JPEG reader make) and P6
// otherwise; .pbm and .pnm write P4 for a 1-bit black-and-white picture, P5
// for other grey palette pictures and P6 otherwise; .pam always writes P7
// with TUPLTYPE RGB. Palette pictures written as RGB are expanded through
// their palette. Netpbm readers go by the magic number, not the name, so a
// colour picture saved under .pgm opens everywhere as the P6 it holds.
//
// Bad files are refused like bad BMP, PNG and JPEG files, with the texts
// those readers use:
// - EDibImageInvalidDIBFile "TDibImageData.LoadFromFile: File type is
//   invalid" for a header that is not netpbm: unknown magic number, a
//   missing blank, a character where a number belongs, maxval 0 or above
//   65535, an unknown PAM keyword or tuple type, DEPTH not matching it;
// - EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters"
//   for a width or height of 0, one that overflows, or a picture above
//   kMaxImagePixels;
// - EReadError "Stream read error" for a file that ends before its header
//   or its samples do. When the stream knows its size, a file too short for
//   its raster is refused before the picture is allocated.
// Measured values go to Detail().

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "image/DibImage.h"
#include "image/Stream.h"

namespace zelvo {

/// The forms the writer produces.
enum class TPnmForm : std::uint8_t {
    Pbm,     ///< P4 if the picture is 1-bit black and white, else as Pgm
    Pgm,     ///< P5 if the palette is all grey, else as Ppm
    Ppm,     ///< P6, maxval 255
    PamRgb,  ///< P7, TUPLTYPE RGB, MAXVAL 255, whatever the picture's depth
    RawRgb,  ///< no header: the RGB rows of the P6 form alone, top row first
};

/// The form a file named with `extension` (".pbm", ".pnm", ".pgm", ".ppm",
/// ".pam", lower case with the dot) is written in; Ppm for other names.
TPnmForm PnmFormForExtension(std::string_view extension);

/// The form SavePnmPicture writes for `form` and a picture that is 1-bit
/// black and white (`blackWhite`) or has an all-grey palette
/// (`greyPalette`): the next wider form when `form` cannot hold it.
TPnmForm PnmWrittenForm(TPnmForm form, bool blackWhite, bool greyPalette);

/// Netpbm output a band of rows at a time, for writers that never hold the
/// whole picture: the header of `form`, then rows in the form's own layout
/// (P4 bits, 1 for black; P5 grey levels; red, green, blue samples for the
/// others), gathered into blocks of about a megabyte. The bytes are those
/// SavePnmPicture writes for the same rows.
class TPnmRowWriter {
public:
    /// `form` is the form written as it is (see PnmWrittenForm); nothing is
    /// written yet.
    TPnmRowWriter(TStream& stream, TPnmForm form, int width, int height);
    ~TPnmRowWriter();
    TPnmRowWriter(const TPnmRowWriter&) = delete;
    TPnmRowWriter& operator=(const TPnmRowWriter&) = delete;

    /// Bytes of one row in the form's layout.
    std::size_t RowBytes() const { return rowBytes_; }
    /// Rows still to come.
    int RowsLeft() const { return rowsLeft_; }
    /// Room for the next rows, RowBytes() apart: `count` receives how many
    /// (at least one while rows are left, at most `wanted`).
    std::uint8_t* Room(int wanted, int& count);
    /// The first `count` rows of the last Room are filled; a full block and
    /// the last row are written out. Throws EWriteError when the stream
    /// takes less.
    void Commit(int count);

private:
    void Flush();

    TStream& stream_;
    std::size_t rowBytes_;
    std::size_t capacity_;
    std::unique_ptr<std::uint8_t[]> block_;
    std::size_t used_ = 0;
    int rowsLeft_;
};

/// Netpbm input a band of rows at a time, as red, green, blue samples: the
/// rows the whole-picture reader gives, converted to 24 bits as a palette
/// picture is, without holding the picture. Only the binary forms whose rows
/// run top down are read this way (P4, P5, P6, P7; see Banded).
class TPnmRowReader {
public:
    /// Reads the header and checks that the stream holds the raster; throws
    /// as LoadPnmPicture.
    explicit TPnmRowReader(TStream& stream);
    ~TPnmRowReader();
    TPnmRowReader(const TPnmRowReader&) = delete;
    TPnmRowReader& operator=(const TPnmRowReader&) = delete;

    int Width() const;
    int Height() const;
    /// False for the plain forms (P1, P2, P3) and PFM, whose rows are left
    /// to LoadPnmPicture.
    bool Banded() const;
    /// The next rows, 3 x Width() bytes each and contiguous, valid until the
    /// next call: `count` receives how many (at least one while rows are
    /// left, at most `wanted`). Throws EReadError when the stream ends early.
    const std::uint8_t* NextRgbRows(int wanted, int& count);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

/// Reads the netpbm picture at the stream's position. Returns a bottom-up
/// picture as listed above; throws as listed above. The stream is read in
/// blocks and may be a pipe.
TDibImage LoadPnmPicture(TStream& stream);
TDibImage LoadPnmPictureFile(const std::filesystem::path& path);

/// Writes `picture` (any depth; RLE pictures are decoded on a copy) in
/// `form`, or the next wider form when `form` cannot hold it exactly, in
/// blocks of whole rows. Throws EWriteError when the stream takes less.
void SavePnmPicture(const TDibImage& picture, TStream& stream, TPnmForm form);

}  // namespace zelvo
