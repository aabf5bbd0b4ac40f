// libFuzzer target for the JPEG adapter. The last input byte chooses the
// decoding options; the rest is the file:
//   bit 0 grayscale, bit 1 best speed, bit 2 8-bit pixel format,
//   bits 3-4 scale (1, 1/2, 1/4, 1/8), bit 5 progressive display,
//   bit 6 smoothing off, bit 7 compress the decoded picture again. At full
//   scale the banded decoder of the command line reads the file as well.
// The library fills damaged entropy data with empty blocks and carries on,
// so a few hundred mutated bytes can claim a picture of millions of pixels;
// decoding those teaches nothing and makes the run crawl. Its entropy
// decoding and, for progressive files, its coefficient store grow with the
// full size whatever the output scale, so files above a full-size budget
// are skipped after the header; the output is held to a smaller budget by
// decoding at 1/8 scale above it. Every decoded byte is read, and only the
// program's own exceptions are caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/JpegImage.h"
#include "formats/JpegRows.h"

namespace {

// Pixels of the file at full size (a 1024 x 1024 picture).
constexpr std::int64_t kFullSizeBudget = std::int64_t(1) << 20;
// Output pixels decoded per input (a 512 x 512 picture).
constexpr std::int64_t kPixelBudget = std::int64_t(1) << 18;
// Pictures compressed again per input (a 128 x 128 picture).
constexpr std::int64_t kCompressBudget = std::int64_t(1) << 14;

std::int64_t ScaledPixels(zelvo::TJPEGImage& jpeg) { return std::int64_t(jpeg.Width()) * jpeg.Height(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvo;
    if (size < 2) return 0;
    const std::uint8_t options = data[size - 1];
    std::vector<std::uint8_t> bytes(data, data + size - 1);
    try {
        TMemoryStream stream(std::move(bytes));
        TJPEGImage jpeg;
        jpeg.LoadFromStream(stream);
        if (ScaledPixels(jpeg) > kFullSizeBudget) return 0;
        // At full scale the command line's banded decoder reads the file
        // too, into a netpbm file in memory.
        if (((options >> 3) & 0x03) == 0 && ScaledPixels(jpeg) <= kPixelBudget) {
            try {
                TJpegRowDecoder rows(std::span<const std::uint8_t>(data, size - 1));
                TMemoryStream out;
                WriteJpegAsPnm(rows, out, options & 0x01 ? TPnmForm::PamRgb : TPnmForm::Ppm);
            } catch (const Exception&) {
            }
        }
        jpeg.SetGrayscale(options & 0x01);
        jpeg.SetPerformance(options & 0x02 ? TJPEGPerformance::jpBestSpeed : TJPEGPerformance::jpBestQuality);
        jpeg.SetPixelFormat(options & 0x04 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit);
        jpeg.SetScale(TJPEGScale((options >> 3) & 0x03));
        jpeg.SetProgressiveDisplay(options & 0x20);
        jpeg.SetSmoothing(!(options & 0x40));
        // Width and Height at a reduced scale run the decoder's set-up, so
        // the size check itself goes through the library.
        if (ScaledPixels(jpeg) > kPixelBudget) jpeg.SetScale(TJPEGScale::jsEighth);
        const TDibImage* picture = jpeg.Bitmap();
        if (picture == nullptr) return 0;
        unsigned sum = 0;
        const int rowBytes = (picture->Width() * picture->BitCount() + 7) / 8;
        for (int y = 0; y < picture->Height(); ++y) {
            const std::uint8_t* row = picture->ScanLineRead(y);
            for (int x = 0; x < rowBytes; ++x) sum += row[x];
        }
        for (int i = 0; i < picture->ColorsUsed(); ++i) sum += picture->ColorTable()[i].rgbRed;
        if ((options & 0x80) && std::int64_t(picture->Width()) * picture->Height() <= kCompressBudget) {
            // Compress the decoded picture again, progressive at quality 1..64.
            TJPEGImage again;
            again.Assign(*picture);
            again.SetCompressionQuality(1 + (options & 0x3F));
            again.SetProgressiveEncoding(true);
            TMemoryStream out;
            again.SaveToStream(out);
            sum += unsigned(out.Size());
        }
        volatile unsigned sink = sum;
        (void)sink;
    } catch (const Exception&) {
        // Refused input is the expected outcome for most mutations.
    }
    return 0;
}
