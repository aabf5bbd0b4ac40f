#include "formats/PnmCodec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/PixelRows.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace zelvo {

namespace {

// The BMP reader's text for a file that is not of its type, and the JPEG and
// PNG readers' text for a size outside the pixel limit.
constexpr const char* kBadFile = "TDibImageData.LoadFromFile: File type is invalid";
constexpr const char* kBadSize = "TDibImageData.CreateDIB: Invalid Parameters";

// Writes are made in blocks of about this size.
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
// Reads are made in blocks of this size: small enough that the buffer stays
// in the processor's cache while its rows are copied into the picture, and
// is served from the heap rather than fresh pages of its own.
constexpr std::size_t kReadBlockBytes = std::size_t(64) << 10;

[[noreturn]] void BadFile(const std::string& detail) { throw EDibImageInvalidDIBFile(kBadFile, detail); }
[[noreturn]] void CutShort(const std::string& detail) { throw EReadError(kSReadError, detail); }

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// ---------------------------------------------------------------------------
// Input: a forward reader over the stream with a block buffer. Header bytes
// are taken one at a time; raster rows as pointers into the buffer, which is
// refilled (and, for a row longer than a block, grown as the data arrives) so
// that a row is always contiguous.

class TPnmInput {
public:
    explicit TPnmInput(TStream& stream) : stream_(stream) {
        // A small file gets a buffer of its size, not a whole block.
        const std::int64_t left = Left();
        capacity_ = left >= 0 ? std::size_t(std::clamp<std::int64_t>(left, 4096, std::int64_t(kReadBlockBytes)))
                              : kReadBlockBytes;
        buffer_.reset(new std::uint8_t[capacity_]);
    }

    /// The next byte, or -1 at the end of the stream.
    int Peek() {
        if (pos_ == end_ && !Fill()) return -1;
        return buffer_[pos_];
    }
    int Get() {
        const int c = Peek();
        if (c >= 0) ++pos_;
        return c;
    }
    /// The next byte; the end of the stream is a file cut short.
    int Need(const char* where) {
        const int c = Get();
        if (c < 0) CutShort(std::string("end of file in ") + where);
        return c;
    }
    /// The next `count` bytes, contiguous; throws EReadError when the stream
    /// ends first.
    const std::uint8_t* Take(std::size_t count) {
        if (end_ - pos_ < count) Gather(count);
        const std::uint8_t* p = buffer_.get() + pos_;
        pos_ += count;
        return p;
    }
    /// Bytes still to come when the stream knows its size; -1 otherwise.
    std::int64_t Available() {
        const std::int64_t left = Left();
        return left < 0 ? -1 : std::int64_t(end_ - pos_) + left;
    }

private:
    /// Bytes the stream holds past its position; -1 when it cannot tell (a
    /// pipe reports size 0 and no position).
    std::int64_t Left() {
        const std::int64_t size = stream_.Size();
        const std::int64_t position = stream_.Position();
        if (size <= 0 || position < 0 || position > size) return -1;
        return size - position;
    }

    bool Fill() {
        pos_ = 0;
        end_ = stream_.Read(buffer_.get(), capacity_);
        return end_ > 0;
    }
    void Gather(std::size_t count) {
        const std::size_t have = end_ - pos_;
        std::memmove(buffer_.get(), buffer_.get() + pos_, have);
        pos_ = 0;
        end_ = have;
        while (end_ < count) {
            if (end_ == capacity_) {
                // Grow with the data actually read, never by the row size a
                // header claims.
                const std::size_t grown = std::min(count, capacity_ * 2);
                std::unique_ptr<std::uint8_t[]> bigger(new std::uint8_t[grown]);
                std::memcpy(bigger.get(), buffer_.get(), end_);
                buffer_ = std::move(bigger);
                capacity_ = grown;
            }
            const std::size_t n = stream_.Read(buffer_.get() + end_, capacity_ - end_);
            if (n == 0) {
                CutShort("raster ends after " + std::to_string(end_) + " of " + std::to_string(count) +
                         " bytes of a row");
            }
            end_ += n;
        }
    }

    TStream& stream_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

// Numbers saturate here: anything larger is too large for every field.
constexpr std::uint64_t kNumberCap = std::uint64_t(1) << 32;

/// Reads decimal digits starting at the next byte (which must be a digit).
std::uint64_t ReadDigits(TPnmInput& in, const char* what) {
    const int first = in.Need(what);
    if (!IsDigit(first)) BadFile(std::string("no number for ") + what);
    std::uint64_t value = std::uint64_t(first - '0');
    while (IsDigit(in.Peek())) {
        value = std::min(value * 10 + std::uint64_t(in.Get() - '0'), kNumberCap);
    }
    return value;
}

/// Skips blanks and comments ("#" to the end of the line).
void SkipBlanks(TPnmInput& in) {
    for (;;) {
        const int c = in.Peek();
        if (IsBlank(c)) {
            in.Get();
        } else if (c == '#') {
            while (in.Peek() >= 0 && in.Peek() != '\n' && in.Peek() != '\r') in.Get();
        } else {
            return;
        }
    }
}

/// A number of a P1..P6 header or a plain raster: blanks and comments, then
/// digits, which must end in a blank or a comment.
std::uint64_t ReadField(TPnmInput& in, const char* what) {
    SkipBlanks(in);
    const std::uint64_t value = ReadDigits(in, what);
    const int next = in.Peek();
    if (next < 0) CutShort(std::string("end of file after ") + what);
    if (!IsBlank(next) && next != '#') BadFile(std::string("no blank after ") + what);
    return value;
}

// ---------------------------------------------------------------------------
// Header

enum class TTupleKind : std::uint8_t { BlackWhite, Grey, Rgb };

struct THeader {
    int Magic = 0;  // 1..7; 8 for PFM
    std::uint64_t Width = 0;
    std::uint64_t Height = 0;
    std::uint64_t MaxVal = 1;
    int Depth = 1;  // samples per pixel, alpha included
    TTupleKind Kind = TTupleKind::Grey;
    bool LittleEndian = false;  // PFM samples
    bool Plain() const { return Magic <= 3; }
    int SampleBytes() const { return MaxVal > 255 ? 2 : 1; }
    /// Bytes of one binary raster row.
    std::uint64_t RowBytes() const {
        if (Magic == 4) return (Width + 7) / 8;
        if (Magic == 8) return Width * std::uint64_t(Depth) * 4;
        return Width * std::uint64_t(Depth) * std::uint64_t(SampleBytes());
    }
};

void CheckMaxVal(std::uint64_t maxVal) {
    if (maxVal == 0 || maxVal > 65535) BadFile("maxval " + std::to_string(maxVal));
}

void ReadClassicHeader(TPnmInput& in, THeader& h) {
    h.Width = ReadField(in, "width");
    h.Height = ReadField(in, "height");
    if (h.Magic == 1 || h.Magic == 4) {
        h.Kind = TTupleKind::BlackWhite;
        h.MaxVal = 1;
    } else {
        h.MaxVal = ReadField(in, "maxval");
        CheckMaxVal(h.MaxVal);
        h.Kind = (h.Magic == 3 || h.Magic == 6) ? TTupleKind::Rgb : TTupleKind::Grey;
        h.Depth = h.Kind == TTupleKind::Rgb ? 3 : 1;
    }
    if (h.Plain()) return;
    // Exactly one blank separates the header from the raster; a comment
    // there runs to the end of its line.
    const int c = in.Need("header");
    if (c == '#') {
        for (int d = in.Need("comment"); d != '\n' && d != '\r'; d = in.Need("comment")) {
        }
    }
}

/// PFM: width, height and the scale, whose sign gives the samples' byte
/// order (negative: little-endian); its size is not used, as netpbm's own
/// tools do not use it.
void ReadPfmHeader(TPnmInput& in, THeader& h) {
    h.Width = ReadField(in, "width");
    h.Height = ReadField(in, "height");
    SkipBlanks(in);
    std::string scale;
    for (int c = in.Peek(); c >= 0 && !IsBlank(c) && scale.size() < 64; c = in.Peek()) scale += char(in.Get());
    char* end = nullptr;
    const double value = std::strtod(scale.c_str(), &end);
    if (scale.empty() || end != scale.c_str() + scale.size() || !std::isfinite(value) || value == 0)
        BadFile("PFM scale \"" + scale + "\"");
    h.LittleEndian = value < 0;
    if (!IsBlank(in.Need("header"))) BadFile("no blank after the PFM scale");
}

/// The rest of a PAM header line: blanks up to the line feed, nothing else.
void EndOfLine(TPnmInput& in, const std::string& keyword) {
    for (int c = in.Need("PAM header"); c != '\n'; c = in.Need("PAM header")) {
        if (!IsBlank(c)) BadFile("text after " + keyword);
    }
}

void ReadPamHeader(TPnmInput& in, THeader& h) {
    bool width = false, height = false, depth = false, maxVal = false;
    std::string tuple;
    for (;;) {
        // Blank lines and comment lines between the fields.
        int c = in.Need("PAM header");
        while (IsBlank(c)) c = in.Need("PAM header");
        if (c == '#') {
            while (c != '\n') c = in.Need("PAM comment");
            continue;
        }
        std::string keyword(1, char(c));
        while (!IsBlank(in.Peek()) && in.Peek() >= 0) {
            keyword += char(in.Get());
            if (keyword.size() > 16) BadFile("PAM keyword " + keyword.substr(0, 16) + "...");
        }
        // A keyword that runs into the end of the file may be cut short.
        if (in.Peek() < 0) CutShort("end of file in PAM keyword " + keyword);
        if (keyword == "ENDHDR") {
            EndOfLine(in, keyword);
            break;
        }
        if (keyword == "TUPLTYPE") {
            // The value is the rest of the line; repeated lines add words.
            while (in.Peek() == ' ' || in.Peek() == '\t') in.Get();
            std::string value;
            for (int v = in.Need("TUPLTYPE"); v != '\n'; v = in.Need("TUPLTYPE")) {
                value += char(v);
                if (value.size() > 64) BadFile("TUPLTYPE longer than 64 bytes");
            }
            while (!value.empty() && IsBlank(value.back())) value.pop_back();
            if (!tuple.empty() && !value.empty()) tuple += ' ';
            tuple += value;
            if (tuple.size() > 64) BadFile("TUPLTYPE longer than 64 bytes");
            continue;
        }
        std::uint64_t* field = nullptr;
        bool* seen = nullptr;
        if (keyword == "WIDTH") field = &h.Width, seen = &width;
        else if (keyword == "HEIGHT") field = &h.Height, seen = &height;
        else if (keyword == "MAXVAL") field = &h.MaxVal, seen = &maxVal;
        else if (keyword != "DEPTH") BadFile("PAM keyword " + keyword);
        while (in.Peek() == ' ' || in.Peek() == '\t') in.Get();
        const std::uint64_t value = ReadDigits(in, keyword.c_str());
        if (field) {
            *field = value;
            *seen = true;
        } else {
            h.Depth = int(std::min<std::uint64_t>(value, 1000));
            depth = true;
        }
        EndOfLine(in, keyword);
    }
    if (!width || !height || !depth || !maxVal) BadFile("PAM header without WIDTH, HEIGHT, DEPTH or MAXVAL");
    CheckMaxVal(h.MaxVal);

    bool alpha = false;
    if (tuple.empty()) {
        // No tuple type: the depth tells.
        if (h.Depth < 1 || h.Depth > 4) BadFile("DEPTH " + std::to_string(h.Depth) + " without TUPLTYPE");
        h.Kind = h.Depth <= 2 ? TTupleKind::Grey : TTupleKind::Rgb;
        return;
    }
    std::string base = tuple;
    if (base.ends_with("_ALPHA")) {
        alpha = true;
        base.resize(base.size() - 6);
    }
    int colourDepth = 0;
    if (base == "BLACKANDWHITE") h.Kind = TTupleKind::BlackWhite, colourDepth = 1;
    else if (base == "GRAYSCALE") h.Kind = TTupleKind::Grey, colourDepth = 1;
    else if (base == "RGB") h.Kind = TTupleKind::Rgb, colourDepth = 3;
    else BadFile("TUPLTYPE " + tuple);
    if (h.Depth != colourDepth + (alpha ? 1 : 0)) {
        BadFile("TUPLTYPE " + tuple + " with DEPTH " + std::to_string(h.Depth));
    }
    if (h.Kind == TTupleKind::BlackWhite && h.MaxVal != 1) {
        BadFile("TUPLTYPE " + tuple + " with MAXVAL " + std::to_string(h.MaxVal));
    }
}

THeader ReadHeader(TPnmInput& in) {
    THeader h;
    const int p = in.Need("magic number");
    const int digit = in.Need("magic number");
    const bool pfm = digit == 'F' || digit == 'f';
    if (p != 'P' || ((digit < '1' || digit > '7') && !pfm))
        BadFile("magic number " + std::to_string(p) + " " + std::to_string(digit));
    h.Magic = pfm ? 8 : digit - '0';
    const int next = in.Peek();
    if (next < 0) CutShort("end of file after the magic number");
    if (!IsBlank(next) && next != '#') BadFile("no blank after the magic number");
    if (h.Magic == 7) {
        ReadPamHeader(in, h);
    } else if (pfm) {
        h.Kind = digit == 'F' ? TTupleKind::Rgb : TTupleKind::Grey;
        h.Depth = digit == 'F' ? 3 : 1;
        ReadPfmHeader(in, h);
    } else {
        ReadClassicHeader(in, h);
    }
    // Zero, overflowing (saturated) and over-limit sizes are refused here,
    // before any size arithmetic.
    const int bits = h.Kind == TTupleKind::BlackWhite ? 1 : h.Kind == TTupleKind::Grey ? 8 : 24;
    CheckedImageBytes<EDibImageInvalidDIBPara>(std::int64_t(h.Width), std::int64_t(h.Height), bits, kBadSize);
    return h;
}

// ---------------------------------------------------------------------------
// Samples to 8-bit levels

/// A sample of 0..maxval becomes v x 255 / maxval rounded to the nearest
/// level (halves up): the one rule the TIFF and TGA plug-ins use for their
/// deeper samples too.
class TLevels {
public:
    explicit TLevels(std::uint64_t maxVal)
        : maxVal_(unsigned(maxVal)), table_(maxVal > 255 ? 65536 : 256, std::uint8_t(255)) {
        for (unsigned v = 0; v <= maxVal_; ++v) table_[v] = std::uint8_t((v * 255u + maxVal_ / 2) / maxVal_);
    }
    /// The level of a sample; samples above maxval are 255.
    std::uint8_t operator()(std::uint64_t sample) const { return sample > maxVal_ ? 255 : table_[sample]; }
    /// The table itself: one entry per value the sample size can hold.
    const std::uint8_t* Table() const { return table_.data(); }
    bool Identity() const { return maxVal_ == 255; }

private:
    unsigned maxVal_;
    std::vector<std::uint8_t> table_;
};

TDibImage MakePicture(const THeader& h) {
    const int bits = h.Kind == TTupleKind::BlackWhite ? 1 : h.Kind == TTupleKind::Grey ? 8 : 24;
    TDibImage picture;
    picture.ReplaceData(TDibImageData::CreateDIB(int(h.Width), int(h.Height), bits == 24 ? 0 : 1 << bits, bits,
                                                 DefaultUseFMO()));
    if (bits == 1) {
        const std::array<TRGBQuad, 2> blackWhite{TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
        picture.SetColorTable(blackWhite);
    } else if (bits == 8) {
        std::array<TRGBQuad, 256> grey{};
        for (int i = 0; i < 256; ++i) grey[std::size_t(i)] = TRGBQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
        picture.SetColorTable(grey);
    }
    return picture;
}

/// Refuses a raster the stream is too short for before anything is allocated.
void CheckAvailable(TPnmInput& in, const THeader& h) {
    const std::int64_t available = in.Available();
    if (available < 0) return;
    // A plain sample takes at least one byte.
    const std::uint64_t needed = h.Plain() ? h.Width * h.Height * std::uint64_t(h.Depth)
                                           : h.RowBytes() * h.Height;
    if (needed > std::uint64_t(available)) {
        CutShort("raster of " + std::to_string(needed) + " bytes, " + std::to_string(available) + " left");
    }
}

// One binary raster row into one picture row.
void DecodeBinaryRow(const THeader& h, const TLevels& levels, const std::uint8_t* src, std::uint8_t* dst) {
    const std::size_t width = std::size_t(h.Width);
    const std::size_t depth = std::size_t(h.Depth);
    if (h.Magic == 4) {
        // PBM: 1 is black, which is palette index 0.
        const std::size_t bytes = (width + 7) / 8;
        for (std::size_t i = 0; i < bytes; ++i) dst[i] = std::uint8_t(~src[i]);
        if (width % 8) dst[bytes - 1] &= std::uint8_t(0xFF << (8 - width % 8));
        return;
    }
    if (h.Kind == TTupleKind::BlackWhite) {
        // PAM BLACKANDWHITE: one byte per sample, 0 black, 1 white.
        std::memset(dst, 0, (width + 7) / 8);
        for (std::size_t x = 0; x < width; ++x) {
            if (src[x * depth]) dst[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
        return;
    }
    const std::uint8_t* table = levels.Table();
    const std::size_t colours = h.Kind == TTupleKind::Rgb ? 3 : 1;
    if (h.SampleBytes() == 1) {
        if (levels.Identity() && depth == colours) {
            if (colours == 3) SwapRedBlue(src, dst, width);
            else std::memcpy(dst, src, width);
            return;
        }
        if (colours == 1) {
            for (std::size_t x = 0; x < width; ++x) dst[x] = table[src[x * depth]];
        } else {
            for (std::size_t x = 0; x < width; ++x, src += depth, dst += 3) {
                dst[0] = table[src[2]];
                dst[1] = table[src[1]];
                dst[2] = table[src[0]];
            }
        }
        return;
    }
    auto sample = [&](std::size_t at) { return table[(unsigned(src[2 * at]) << 8) | src[2 * at + 1]]; };
    if (colours == 1) {
        for (std::size_t x = 0; x < width; ++x) dst[x] = sample(x * depth);
    } else {
        for (std::size_t x = 0; x < width; ++x, dst += 3) {
            dst[0] = sample(x * depth + 2);
            dst[1] = sample(x * depth + 1);
            dst[2] = sample(x * depth);
        }
    }
}

void DecodePlainRow(TPnmInput& in, const THeader& h, const TLevels& levels, std::uint8_t* dst) {
    const std::size_t width = std::size_t(h.Width);
    if (h.Magic == 1) {
        // One character per pixel, blanks optional; 1 is black (index 0).
        std::memset(dst, 0, (width + 7) / 8);
        for (std::size_t x = 0; x < width; ++x) {
            SkipBlanks(in);
            const int c = in.Need("raster");
            if (c != '0' && c != '1') BadFile("P1 pixel " + std::to_string(c));
            if (c == '0') dst[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
        return;
    }
    if (h.Magic == 2) {
        for (std::size_t x = 0; x < width; ++x) dst[x] = levels(ReadField(in, "sample"));
        return;
    }
    for (std::size_t x = 0; x < width; ++x, dst += 3) {
        dst[2] = levels(ReadField(in, "sample"));
        dst[1] = levels(ReadField(in, "sample"));
        dst[0] = levels(ReadField(in, "sample"));
    }
}

// ---------------------------------------------------------------------------
// Writing

bool IsBlackWhite(const TDibImage& picture) {
    if (picture.BitCount() != 1) return false;
    const TRGBQuad* table = picture.ColorTable();
    const TRGBQuad black{0, 0, 0, 0}, white{255, 255, 255, 0};
    auto plain = [](TRGBQuad q) { return TRGBQuad{q.rgbBlue, q.rgbGreen, q.rgbRed, 0}; };
    const TRGBQuad a = plain(table[0]), b = plain(table[1]);
    return (a == black && b == white) || (a == white && b == black);
}

bool IsGreyPalette(const TDibImage& picture) {
    const int bits = picture.BitCount();
    if (bits > 8) return false;
    const TRGBQuad* table = picture.ColorTable();
    for (int i = 0; i < (1 << bits); ++i) {
        if (table[i].rgbRed != table[i].rgbGreen || table[i].rgbGreen != table[i].rgbBlue) return false;
    }
    return true;
}

std::string HeaderText(TPnmForm form, int width, int height) {
    const std::string size = std::to_string(width) + " " + std::to_string(height) + "\n";
    switch (form) {
        case TPnmForm::Pbm: return "P4\n" + size;
        case TPnmForm::Pgm: return "P5\n" + size + "255\n";
        case TPnmForm::Ppm: return "P6\n" + size + "255\n";
        case TPnmForm::PamRgb:
            return "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                   "\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
        case TPnmForm::RawRgb: break;
    }
    return {};
}

}  // namespace

TPnmForm PnmFormForExtension(std::string_view extension) {
    if (extension == ".pbm" || extension == ".pnm") return TPnmForm::Pbm;
    if (extension == ".pgm") return TPnmForm::Pgm;
    if (extension == ".pam") return TPnmForm::PamRgb;
    return TPnmForm::Ppm;
}

namespace {

/// A PFM sample (linear light) as an 8-bit sRGB level: clamped to 0..1
/// (NaN to 0), encoded with the sRGB curve, rounded to the nearest level.
std::uint8_t FloatLevel(float value) {
    if (!(value > 0)) return 0;
    if (value >= 1) return 255;
    const double v = value <= 0.0031308f ? 12.92 * value : 1.055 * std::pow(double(value), 1 / 2.4) - 0.055;
    return std::uint8_t(std::lround(v * 255));
}

/// One PFM raster row (grey or RGB floats in the file's byte order) into
/// one picture row.
void DecodeFloatRow(const THeader& h, const std::uint8_t* src, std::uint8_t* dst) {
    const std::size_t samples = std::size_t(h.Width) * std::size_t(h.Depth);
    for (std::size_t i = 0; i < samples; ++i, src += 4) {
        const std::uint32_t bits = h.LittleEndian ? std::uint32_t(src[0]) | std::uint32_t(src[1]) << 8 |
                                                        std::uint32_t(src[2]) << 16 | std::uint32_t(src[3]) << 24
                                                  : std::uint32_t(src[3]) | std::uint32_t(src[2]) << 8 |
                                                        std::uint32_t(src[1]) << 16 | std::uint32_t(src[0]) << 24;
        float value = 0;
        std::memcpy(&value, &bits, 4);
        // RGB samples go to the picture's blue-green-red pixels.
        const std::size_t at = h.Depth == 3 ? i / 3 * 3 + 2 - i % 3 : i;
        dst[at] = FloatLevel(value);
    }
}

}  // namespace

TDibImage LoadPnmPicture(TStream& stream) {
    TPnmInput in(stream);
    const THeader h = ReadHeader(in);
    CheckAvailable(in, h);
    TDibImage picture = MakePicture(h);
    if (h.Magic == 8) {
        // PFM rows run from the bottom of the picture up.
        const std::size_t rowBytes = std::size_t(h.RowBytes());
        const int height = int(h.Height);
        for (int y = height - 1; y >= 0; --y) DecodeFloatRow(h, in.Take(rowBytes), picture.ScanLine(y));
        return picture;
    }
    const TLevels levels(h.MaxVal);
    const int height = int(h.Height);
    if (h.Plain()) {
        for (int y = 0; y < height; ++y) DecodePlainRow(in, h, levels, picture.ScanLine(y));
        return picture;
    }
    const std::size_t rowBytes = std::size_t(h.RowBytes());
    for (int y = 0; y < height; ++y) DecodeBinaryRow(h, levels, in.Take(rowBytes), picture.ScanLine(y));
    return picture;
}

TDibImage LoadPnmPictureFile(const std::filesystem::path& path) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    return LoadPnmPicture(stream);
}

TPnmForm PnmWrittenForm(TPnmForm form, bool blackWhite, bool greyPalette) {
    if (form == TPnmForm::Pbm && !blackWhite) form = TPnmForm::Pgm;
    if (form == TPnmForm::Pgm && !greyPalette) form = TPnmForm::Ppm;
    return form;
}

TPnmRowWriter::TPnmRowWriter(TStream& stream, TPnmForm form, int width, int height)
    : stream_(stream),
      rowBytes_(form == TPnmForm::Pbm   ? (std::size_t(width) + 7) / 8
                : form == TPnmForm::Pgm ? std::size_t(width)
                                        : std::size_t(width) * 3),
      rowsLeft_(height) {
    const std::string header = HeaderText(form, width, height);
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kBlockBytes / std::max<std::size_t>(rowBytes_, 1));
    const std::size_t blockRows = std::min<std::size_t>(rowsPerBlock, std::size_t(std::max(height, 1)));
    capacity_ = header.size() + blockRows * rowBytes_;
    block_.reset(new std::uint8_t[capacity_]);
    std::memcpy(block_.get(), header.data(), header.size());
    used_ = header.size();
}

TPnmRowWriter::~TPnmRowWriter() = default;

std::uint8_t* TPnmRowWriter::Room(int wanted, int& count) {
    if (used_ + rowBytes_ > capacity_) Flush();
    const std::size_t fit = rowBytes_ == 0 ? std::size_t(rowsLeft_) : (capacity_ - used_) / rowBytes_;
    count = int(std::min<std::size_t>({std::size_t(std::max(wanted, 1)), std::size_t(std::max(rowsLeft_, 0)), fit}));
    return block_.get() + used_;
}

void TPnmRowWriter::Commit(int count) {
    used_ += std::size_t(count) * rowBytes_;
    rowsLeft_ -= count;
    if (rowsLeft_ <= 0 || used_ + rowBytes_ > capacity_) Flush();
}

void TPnmRowWriter::Flush() {
    if (used_ > 0) stream_.WriteBuffer(block_.get(), used_);
    used_ = 0;
}

void SavePnmPicture(const TDibImage& picture, TStream& stream, TPnmForm form) {
    TDibImage plain(picture);
    if (plain.PixelFormat() == dibPf4BitRLE) plain.SetPixelFormat(dibPf4Bit);
    if (plain.PixelFormat() == dibPf8BitRLE) plain.SetPixelFormat(dibPf8Bit);
    form = PnmWrittenForm(form, IsBlackWhite(plain), IsGreyPalette(plain));

    const int width = plain.Width();
    const int height = plain.Height();
    const int bits = plain.BitCount();
    const TRGBQuad* table = plain.ColorTable();
    std::array<std::array<std::uint8_t, 3>, 256> colours{};
    std::array<std::uint8_t, 256> greys{};
    if (bits <= 8) {
        for (int i = 0; i < 256; ++i) {
            colours[std::size_t(i)] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
            greys[std::size_t(i)] = table[i].rgbRed;
        }
    }
    // The grey ramp that this reader and the JPEG reader give 8-bit grey
    // pictures maps every index to itself.
    bool rampGreys = bits == 8;
    for (int i = 0; rampGreys && i < 256; ++i) rampGreys = greys[std::size_t(i)] == i;
    // P4 bits are 1 for black: a palette with black first is inverted.
    const bool invertBits = form == TPnmForm::Pbm && table[0].rgbRed == 0;

    TPnmRowWriter writer(stream, form, width, height);
    const std::size_t rowBytes = writer.RowBytes();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = plain.ScanLineRead(y);
        int count = 0;
        std::uint8_t* dst = writer.Room(1, count);
        switch (form) {
            case TPnmForm::Pbm:
                for (std::size_t i = 0; i < rowBytes; ++i) dst[i] = invertBits ? std::uint8_t(~src[i]) : src[i];
                if (width % 8) dst[rowBytes - 1] &= std::uint8_t(0xFF << (8 - width % 8));
                break;
            case TPnmForm::Pgm:
                if (rampGreys) std::memcpy(dst, src, rowBytes);
                else MapIndexedRow(src, bits, std::size_t(width), greys, dst);
                break;
            default:
                if (bits == 24) SwapRedBlue(src, dst, std::size_t(width));
                else ExpandIndexedRow(src, bits, std::size_t(width), colours, dst);
                break;
        }
        writer.Commit(1);
    }
}

// ---------------------------------------------------------------------------
// Banded reading

struct TPnmRowReader::TState {
    explicit TState(TStream& stream) : In(stream), Header(ReadHeader(In)), Levels(Header.MaxVal) {}
    TPnmInput In;
    THeader Header;
    TLevels Levels;
    int RowsLeft = 0;
    std::vector<std::uint8_t> PictureRow;  // one row in the picture's layout
    std::vector<std::uint8_t> Band;        // rows converted to RGB
};

TPnmRowReader::TPnmRowReader(TStream& stream) : state_(std::make_unique<TState>(stream)) {
    const THeader& h = state_->Header;
    CheckAvailable(state_->In, h);
    state_->RowsLeft = int(h.Height);
    const std::size_t pictureRow = h.Kind == TTupleKind::BlackWhite ? (std::size_t(h.Width) + 7) / 8
                                   : h.Kind == TTupleKind::Grey     ? std::size_t(h.Width)
                                                                    : std::size_t(h.Width) * 3;
    state_->PictureRow.resize(pictureRow);
}

TPnmRowReader::~TPnmRowReader() = default;

int TPnmRowReader::Width() const { return int(state_->Header.Width); }
int TPnmRowReader::Height() const { return int(state_->Header.Height); }
bool TPnmRowReader::Banded() const { return state_->Header.Magic >= 4 && state_->Header.Magic <= 7; }

const std::uint8_t* TPnmRowReader::NextRgbRows(int wanted, int& count) {
    TState& s = *state_;
    const THeader& h = s.Header;
    count = std::min(std::max(wanted, 1), s.RowsLeft);
    if (count <= 0) return nullptr;
    s.RowsLeft -= count;
    const std::size_t width = std::size_t(h.Width);
    const std::size_t rowBytes = std::size_t(h.RowBytes());
    // Bytes of a file whose samples already are 8-bit RGB are used where
    // they lie.
    if (h.Kind == TTupleKind::Rgb && h.Depth == 3 && h.SampleBytes() == 1 && s.Levels.Identity())
        return s.In.Take(rowBytes * std::size_t(count));
    static const std::array<std::array<std::uint8_t, 3>, 256> kBlackWhite = [] {
        std::array<std::array<std::uint8_t, 3>, 256> colours{};
        colours[1] = {255, 255, 255};
        return colours;
    }();
    s.Band.resize(width * 3 * std::size_t(count));
    for (int r = 0; r < count; ++r) {
        std::uint8_t* dst = s.Band.data() + width * 3 * std::size_t(r);
        std::uint8_t* row = s.PictureRow.data();
        DecodeBinaryRow(h, s.Levels, s.In.Take(rowBytes), row);
        switch (h.Kind) {
            case TTupleKind::Rgb: SwapRedBlue(row, dst, width); break;
            case TTupleKind::Grey:
                for (std::size_t x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = row[x];
                break;
            case TTupleKind::BlackWhite: ExpandIndexedRow(row, 1, width, kBlackWhite, dst); break;
        }
    }
    return s.Band.data();
}

}  // namespace zelvo
