#pragma once
// Turning a scanner's transfer into a packed DIB (header, colour table,
// pixels, rows bottom-up and padded to 4 bytes), the form in which a scan
// reaches the program, and writing that DIB as a BMP file. Rows arrive top
// to bottom in the scanner's own layout:
//  - grey, 1 bit per pixel, most significant bit first, a set bit black:
//    a 1-bit DIB with the table (black, white);
//  - grey, 8 or 16 bits per sample: an 8-bit DIB with a 256-level grey table;
//  - RGB interleaved or one band per frame, 8 or 16 bits per sample: a 24-bit
//    DIB (blue, green, red).
// 16-bit samples are in the machine's byte order and keep their high byte.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "image/ImageLimits.h"

namespace zelvo {

/// What one frame of a scan carries.
enum class TScanFrame { Gray, Rgb, Red, Green, Blue };

/// The layout of the rows of one frame.
struct TScanLayout {
    TScanFrame Frame = TScanFrame::Gray;
    int Depth = 8;              ///< bits per sample: 1 (grey only), 8 or 16
    int PixelsPerLine = 0;
    int BytesPerLine = 0;       ///< may exceed the pixels' bytes (padding)
    int ResolutionDpi = 0;      ///< for the DIB's pixels per metre; 0 unknown
};

/// Builds the DIB row by row. The picture's width and format come from the
/// first frame; rows may keep coming without a known height, but never
/// past the pixel limit.
class TScanDibBuilder {
public:
    /// `maxPixels` is the largest picture accepted (kMaxImagePixels).
    explicit TScanDibBuilder(std::int64_t maxPixels = kMaxImagePixels) : FMaxPixels(maxPixels) {}

    /// Starts a frame of `layout` with `lines` rows (-1: not known before
    /// the end). A single-band frame of a three-band scan fills one colour
    /// of the rows the first band made. Throws EDibImageInvalidDIBPara
    /// "TDibImageData.CreateDIB: Invalid Parameters" for an empty width, a
    /// known size above the pixel limit, an unsupported depth, or a band
    /// whose size differs from the first one's.
    void BeginFrame(const TScanLayout& layout, int lines);
    /// Takes `bytes` of the frame's data in any pieces. Throws the same
    /// exception, before storing a row, when the rows would pass the pixel
    /// limit or the frame's known number of lines.
    void Add(std::span<const std::uint8_t> bytes);
    /// Rows completed so far in the current frame.
    int Rows() const { return FRowsInFrame; }
    /// The packed DIB of everything received. Throws the same exception when
    /// no row arrived.
    std::vector<std::uint8_t> PackedDib() const;

private:
    void StoreRow(const std::uint8_t* row);

    std::int64_t FMaxPixels;
    TScanLayout FLayout;
    int FLines = -1;
    int FBitCount = 0;
    int FWidth = 0;
    int FResolution = 0;
    std::int64_t FDibRowBytes = 0;
    bool FStarted = false;
    int FRowsInFrame = 0;
    int FRows = 0;  ///< rows of the picture (the longest frame so far)
    std::vector<std::uint8_t> FPending;
    std::vector<std::uint8_t> FPixels;  ///< DIB rows, top-down while building
};

/// Writes `packedDib` as a BMP file (the 14-byte file header, then the DIB)
/// to a fresh temporary file (CreateTempFile) and returns its path; the
/// caller removes it. Throws EFCreateError or EWriteError.
std::filesystem::path WriteDibToTempFile(std::span<const std::uint8_t> packedDib);

}  // namespace zelvo
