#include "image/DibRle.h"

#include "image/ImageLimits.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <memory>
#include <vector>

namespace zelvo {
namespace {

using DataPtr = std::unique_ptr<TDibImageData>;

// A storage of `size` bytes that takes the source's width, colour table,
// resolution and memory kind; `header` gives the rest.
DataPtr NewStorage(const TDibImageData& src, const TBitmapInfoHeader& header, std::uint32_t size) {
    DataPtr out(TDibImageData::CreateRaw(header, size, src.UseFMO));
    out->ColorTable = src.ColorTable;
    return out;
}

// Reads the coded pairs of one storage; running out of data before the
// end-of-bitmap code is bad data, reported with the caller's message.
class RleSource {
public:
    RleSource(const TDibImageData& src, std::string truncatedMessage)
        : data_(src.Bits), size_(src.ImageSize), message_(std::move(truncatedMessage)) {}
    std::uint8_t Next() {
        if (pos_ >= size_) throw EDibImageInvalidDIB(message_, "coded data ends before end of bitmap");
        return data_[pos_++];
    }
    /// The next `count` bytes; throws like Next when fewer are left.
    const std::uint8_t* Take(std::size_t count) {
        if (count > size_ - pos_) throw EDibImageInvalidDIB(message_, "literal runs past the coded data");
        const std::uint8_t* p = data_ + pos_;
        pos_ += count;
        return p;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::string message_;
};

std::string Where(std::int64_t x, std::int64_t y, std::int64_t n) {
    return "x " + std::to_string(x) + ", y " + std::to_string(y) + ", count " + std::to_string(n);
}

// The encoder's output buffer: never larger than the uncompressed data. Each
// write first checks that `need` bytes are free (a run asks for 6, leaving
// room for the end-of-line and end-of-bitmap codes).
class RleSink {
public:
    RleSink(std::size_t capacity, const char* failMessage) : buf_(capacity), message_(failMessage) {}
    void Reserve(std::size_t need) {
        if (buf_.size() - pos_ < need) {
            throw EDibImageCompressionFailed(message_, "coded data would exceed " + std::to_string(buf_.size()) +
                                                           " bytes");
        }
    }
    void Put(std::uint8_t a, std::uint8_t b) {
        buf_[pos_] = a;
        buf_[pos_ + 1] = b;
        pos_ += 2;
    }
    void PutBytes(const std::uint8_t* p, std::size_t n) {
        std::memcpy(buf_.data() + pos_, p, n);
        pos_ += n;
    }
    std::size_t Size() const { return pos_; }
    const std::uint8_t* Data() const { return buf_.data(); }

private:
    std::vector<std::uint8_t> buf_;
    std::size_t pos_ = 0;
    const char* message_;
};

// Row encoder shared by RLE8 and RLE4. It walks the bytes of one row (pixels
// for 8 bits, pixel pairs for 4 bits) with four states: nothing open, one
// pending byte, a run, a literal. `maxCount` is 255 for RLE8 and 127 for RLE4.
// For RLE4 counts are written in pixels, cut to the pixels left in the row.
class RowEncoder {
public:
    RowEncoder(RleSink& sink, int maxCount, bool fourBit) : sink_(sink), max_(maxCount), four_(fourBit) {}

    void Row(const std::uint8_t* row, int bytes, int pixels) {
        pixels_ = pixels;
        done_ = 0;
        state_ = kNone;
        for (int i = 0; i < bytes; ++i) Feed(row[i]);
        switch (state_) {
            case kNone: break;
            case kPending: WriteRun(pending_, 1); break;
            case kRun: WriteRun(pending_, count_); break;
            case kLiteral: WriteLiteral(); break;
        }
        sink_.Reserve(4);
        sink_.Put(0, 0);
    }

private:
    enum State { kNone, kPending, kRun, kLiteral };

    void Feed(std::uint8_t b) {
        switch (state_) {
            case kNone:
                pending_ = b;
                state_ = kPending;
                break;
            case kPending:
                if (b == pending_) {
                    count_ = 2;
                    state_ = kRun;
                } else {
                    literal_[0] = pending_;
                    literal_[1] = b;
                    litLen_ = 2;
                    state_ = kLiteral;
                }
                break;
            case kRun:
                if (b == pending_ && count_ < max_) {
                    ++count_;
                } else {
                    WriteRun(pending_, count_);
                    pending_ = b;
                    state_ = kPending;
                }
                break;
            case kLiteral:
                if (b == literal_[litLen_ - 1]) {
                    // The repeated byte leaves the literal and opens a run of 2.
                    --litLen_;
                    WriteLiteral();
                    pending_ = b;
                    count_ = 2;
                    state_ = kRun;
                } else if (litLen_ < max_) {
                    literal_[litLen_++] = b;
                } else {
                    WriteLiteral();
                    pending_ = b;
                    state_ = kPending;
                }
                break;
        }
    }

    // Pixels covered by `bytes` source bytes from the current position.
    int PixelCount(int bytes) const {
        if (!four_) return bytes;
        const int left = pixels_ - done_;
        return 2 * bytes < left ? 2 * bytes : left;
    }

    void WriteRun(std::uint8_t value, int bytes) {
        sink_.Reserve(6);
        const int n = PixelCount(bytes);
        sink_.Put(std::uint8_t(n), value);
        done_ += four_ ? 2 * bytes : bytes;
    }

    void WriteLiteral() {
        // RLE8 writes literals of 1 or 2 bytes as runs of 1; RLE4 writes a
        // one-byte literal as a run (a pair of pixels).
        if (!four_ && litLen_ <= 2) {
            for (int i = 0; i < litLen_; ++i) WriteRun(literal_[i], 1);
            return;
        }
        if (four_ && litLen_ == 1) {
            WriteRun(literal_[0], 1);
            return;
        }
        const int padded = (litLen_ + 1) & ~1;
        sink_.Reserve(std::size_t(padded) + 6);
        const int n = PixelCount(litLen_);
        sink_.Put(0, std::uint8_t(n));
        sink_.PutBytes(literal_, std::size_t(litLen_));
        if (litLen_ & 1) {
            const std::uint8_t zero = 0;
            sink_.PutBytes(&zero, 1);
        }
        done_ += four_ ? 2 * litLen_ : litLen_;
    }

    RleSink& sink_;
    const int max_;
    const bool four_;
    State state_ = kNone;
    std::uint8_t pending_ = 0;
    int count_ = 0;
    std::uint8_t literal_[255] = {};
    int litLen_ = 0;
    int pixels_ = 0;
    int done_ = 0;  // pixels written so far in this row
};

TDibImageData* Encode(const TDibImageData& src, bool fourBit) {
    const int rowBytes = src.RowBytes();
    const std::size_t capacity = std::size_t(rowBytes) * std::size_t(src.Height);
    const char* failMessage =
        fourBit ? "Convert4BitRGBTo4BitRLE: Compression Failed" : "Convert8BitRGBTo8BitRLE: Compression Failed";
    RleSink sink(capacity, failMessage);
    RowEncoder encoder(sink, fourBit ? 127 : 255, fourBit);
    const int usedBytes = fourBit ? (src.Width + 1) / 2 : src.Width;
    // Bottom row of the picture first, whatever the stored order.
    for (int i = 0; i < src.Height; ++i) {
        const int storedRow = src.TopDown() ? src.Height - 1 - i : i;
        encoder.Row(src.Bits + std::size_t(storedRow) * std::size_t(rowBytes), usedBytes, src.Width);
    }
    sink.Reserve(2);
    sink.Put(0, 1);

    TBitmapInfoHeader header = src.Header;
    header.biHeight = src.Height;
    header.biCompression = fourBit ? BI_RLE4 : BI_RLE8;
    header.biSizeImage = std::uint32_t(sink.Size());
    DataPtr out = NewStorage(src, header, std::uint32_t(sink.Size()));
    std::memcpy(out->Bits, sink.Data(), sink.Size());
    return out.release();
}

// Pixel access of the RLE8 decoder: one byte per pixel.
struct TRle8Pixels {
    static constexpr int kBitCount = 8;
    static constexpr std::uint32_t kCompression = BI_RLE8;
    /// Source bytes of a literal of `n` pixels, padded to a 16-bit word.
    static std::size_t LiteralBytes(int n) { return std::size_t((n + 1) & ~1); }
    static void Run(std::uint8_t* row, std::int64_t x, int n, std::uint8_t value) {
        std::memset(row + x, value, std::size_t(n));
    }
    static void Literal(std::uint8_t* row, std::int64_t x, int n, const std::uint8_t* p) {
        std::memcpy(row + x, p, std::size_t(n));
    }
};

// Pixel access of the RLE4 decoder: two pixels per byte, the even pixel in
// the high nibble. A run's value byte holds two alternating pixels, high
// nibble first.
struct TRle4Pixels {
    static constexpr int kBitCount = 4;
    static constexpr std::uint32_t kCompression = BI_RLE4;
    /// Source bytes of a literal of `n` nibbles, padded to a 16-bit word.
    static std::size_t LiteralBytes(int n) { return std::size_t((n + 3) / 4 * 2); }
    static void Put(std::uint8_t* row, std::int64_t x, std::uint8_t nibble) {
        std::uint8_t& b = row[x >> 1];
        if (x & 1) b = std::uint8_t((b & 0xF0) | nibble);
        else b = std::uint8_t((b & 0x0F) | (nibble << 4));
    }
    static void Run(std::uint8_t* row, std::int64_t x, int n, std::uint8_t value) {
        const std::uint8_t hi = value >> 4, lo = value & 0x0F;
        if ((x & 1) == 0 && hi == lo) {
            // Aligned run of one colour: whole bytes, then a possible half.
            std::memset(row + (x >> 1), value, std::size_t(n >> 1));
            if (n & 1) Put(row, x + n - 1, hi);
            return;
        }
        for (int i = 0; i < n; ++i) Put(row, x + i, (i & 1) ? lo : hi);
    }
    static void Literal(std::uint8_t* row, std::int64_t x, int n, const std::uint8_t* p) {
        for (int i = 0; i < n; ++i) Put(row, x + i, (i & 1) ? (p[i >> 1] & 0x0F) : (p[i >> 1] >> 4));
    }
};

// The decoding loop of both depths. `name` is the function the messages
// name; `firstCode` is the number of its first "Bad RLE Data" message (the
// four are: end of line past the last row, delta outside the picture,
// literal too long, run too long or data ending before end of bitmap).
//
// Runs and literals may reach into the row padding: some encoders code a
// row up to its width rounded up to a multiple of 4 pixels (a 61-pixel RLE8
// row as 64 pixels, so its last run covers the padding bytes). What lands
// past the width is dropped; a run or literal ending beyond the rounded
// width is still bad data. RLE4 uses the same rule in pixels: it covers the
// padding nibble of an odd width, and 4 pixels are at most 2 bytes, always
// inside the stored row (which holds a multiple of 8 pixels).
template <typename Pixels>
TDibImageData* Decode(const TDibImageData& src, const std::string& name, int firstCode) {
    if (src.Header.biBitCount != Pixels::kBitCount || src.Header.biCompression != Pixels::kCompression)
        throw EDibImageBadDIBType(name + ": Invalid Bitcount & Compression Combination");
    const auto message = [&](int offset) { return name + ": Bad RLE Data " + std::to_string(firstCode + offset); };
    const std::string badEndOfLine = message(0), badDelta = message(1), badLiteral = message(2),
                      badRun = message(3);
    TBitmapInfoHeader header = src.Header;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    const std::int64_t width = src.Width;
    const std::int64_t paddedWidth = (width + 3) & ~std::int64_t(3);
    const std::int64_t height = src.Height;
    const std::size_t rowBytes = std::size_t(DibRowBytes(src.Width, Pixels::kBitCount));
    DataPtr out = NewStorage(src, header, std::uint32_t(rowBytes * std::size_t(height)));
    auto row = [&](std::int64_t y) { return out->Bits + std::size_t(y) * rowBytes; };
    // Pixels of a run or literal of `n` at x that lie inside the width.
    auto visible = [&](std::int64_t x, int n) { return int(std::max<std::int64_t>(0, std::min<std::int64_t>(n, width - x))); };

    RleSource in(src, badRun);
    std::int64_t x = 0, y = 0;
    for (;;) {
        const std::uint8_t count = in.Next();
        const std::uint8_t value = in.Next();
        if (count > 0) {
            if (x + count > paddedWidth || y >= height) throw EDibImageInvalidDIB(badRun, Where(x, y, count));
            Pixels::Run(row(y), x, visible(x, count), value);
            x += count;
        } else if (value == 0) {
            ++y;
            x = 0;
            if (y > height) throw EDibImageInvalidDIB(badEndOfLine, Where(x, y, 0));
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            const std::uint8_t dx = in.Next();
            const std::uint8_t dy = in.Next();
            x += dx;
            y += dy;
            if (x > width || y > height) throw EDibImageInvalidDIB(badDelta, Where(x, y, 0));
        } else {
            const int n = value;
            if (x + n > paddedWidth || y >= height) throw EDibImageInvalidDIB(badLiteral, Where(x, y, n));
            const std::uint8_t* p = in.Take(Pixels::LiteralBytes(n));
            Pixels::Literal(row(y), x, visible(x, n), p);
            x += n;
        }
    }
    return out.release();
}

}  // namespace

TDibImageData* Convert8BitRLETo8BitRGB(const TDibImageData& src) {
    return Decode<TRle8Pixels>(src, "Convert8BitRLETo8BitRGB", 1);
}

TDibImageData* Convert4BitRLETo4BitRGB(const TDibImageData& src) {
    return Decode<TRle4Pixels>(src, "Convert4BitRLETo4BitRGB", 5);
}

TDibImageData* Convert8BitRGBTo8BitRLE(const TDibImageData& src) {
    if (src.Header.biBitCount != 8 || src.Header.biCompression != BI_RGB)
        throw EDibImageBadDIBType("Convert8BitRGBTo8BitRLE: Invalid Bitcount & Compression Combination");
    return Encode(src, false);
}

TDibImageData* Convert4BitRGBTo4BitRLE(const TDibImageData& src) {
    if (src.Header.biBitCount != 4 || src.Header.biCompression != BI_RGB)
        throw EDibImageBadDIBType("Convert4BitRGBTo4BitRLE: Invalid Bitcount & Compression Combination");
    return Encode(src, true);
}

}  // namespace zelvo
