// Fuzz target for the netpbm reader (P1..P7), its banded form and the
// writer.
//
// The last input byte picks the options (it is not part of the data):
//   bits 0-2: the form a decoded picture is written in again (Pbm, Pgm,
//             Ppm, PamRgb, RawRgb; 5..7 write nothing);
//   bit 3:    read the data a second time through a stream that does not
//             know its size and gives it out in pieces of 1..64 bytes (bits
//             4-7 + 1), which must give the same picture.
// Budget: a stream of known size refuses a raster longer than its data
// before the picture is allocated, so a picture holds at most eight pixels
// per input byte; the pipe-like second read runs only on data the first
// read accepted. Every decoded byte is touched; a written picture must read
// back with the same colours. Only the program's own exceptions are caught;
// anything else, or a sanitizer report, is a finding.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/PnmCodec.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

namespace {

using namespace zelvo;

volatile std::uint8_t gSink;

void Touch(const std::uint8_t* p, std::size_t n) {
    std::uint8_t acc = 0;
    for (std::size_t i = 0; i < n; ++i) acc = std::uint8_t(acc + p[i]);
    gSink = acc;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

// Gives out its bytes in pieces and does not know its size, like a pipe.
class TPieceStream : public TStream {
public:
    TPieceStream(const std::uint8_t* data, std::size_t size, std::size_t piece)
        : data_(data), size_(size), piece_(piece) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min({count, piece_, size_ - pos_});
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }
    std::int64_t Size() override { return 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t piece_;
    std::size_t pos_ = 0;
};

// The colour of a pixel as 0x00BBGGRR, whatever the depth.
TColor ColourAt(const TDibImage& image, int x, int y) {
    const TColor c = image.GetPixels(x, y);
    if (image.BitCount() == 24) return c;
    const TRGBQuad q = image.ColorTable()[c];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

bool SameRows(const TDibImage& a, const TDibImage& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) return false;
    const std::size_t used = (std::size_t(a.Width()) * std::size_t(a.BitCount()) + 7) / 8;
    for (int y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.ScanLineRead(y), b.ScanLineRead(y), used) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned options = data[size - 1];
    --size;
    try {
        TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
        const TDibImage picture = LoadPnmPicture(stream);
        Check(picture.BitCount() == 1 || picture.BitCount() == 8 || picture.BitCount() == 24);
        for (int y = 0; y < picture.Height(); ++y) Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));

        if (options & 8) {
            TPieceStream pipe(data, size, (options >> 4) + 1);
            Check(SameRows(LoadPnmPicture(pipe), picture));
        }
        // The banded reader of the command line gives the same pixels.
        TMemoryStream again(std::vector<std::uint8_t>(data, data + size));
        TPnmRowReader rows(again);
        if (rows.Banded()) {
            Check(rows.Width() == picture.Width() && rows.Height() == picture.Height());
            for (int y = 0; y < rows.Height();) {
                int count = 0;
                const std::uint8_t* rgb = rows.NextRgbRows(rows.Height() - y, count);
                Check(count > 0);
                for (int i = 0; i < count; ++i, ++y)
                    for (int x = 0; x < rows.Width(); ++x, rgb += 3)
                        Check(ColourAt(picture, x, y) == RGB(rgb[0], rgb[1], rgb[2]));
            }
        }
        const unsigned form = options & 7;
        if (form < 5) {
            TMemoryStream out;
            SavePnmPicture(picture, out, TPnmForm(form));
            if (TPnmForm(form) != TPnmForm::RawRgb) {
                out.SetPosition(0);
                const TDibImage back = LoadPnmPicture(out);
                Check(back.Width() == picture.Width() && back.Height() == picture.Height());
                // Colours compared on a sample of pixels: the first row and column.
                for (int x = 0; x < picture.Width(); ++x) Check(ColourAt(back, x, 0) == ColourAt(picture, x, 0));
                for (int y = 0; y < picture.Height(); ++y) Check(ColourAt(back, 0, y) == ColourAt(picture, 0, y));
            } else {
                Check(out.Data().size() == std::size_t(picture.Width()) * std::size_t(picture.Height()) * 3);
            }
        }
    } catch (const zelvo::Exception&) {
        // Refused input: the expected outcome for most mutations.
    }
    return 0;
}
