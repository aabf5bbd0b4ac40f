// libFuzzer target for the JPEG adapter. The last input byte chooses the
// decoding options; the rest is the file. Pictures above a pixel budget are
// skipped after the header, every decoded byte is read, and only the
// program's own exceptions are caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/JpegImage.h"

namespace {

constexpr std::int64_t kPixelBudget = 4 * 1024 * 1024;

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
        if (std::int64_t(jpeg.Width()) * jpeg.Height() > kPixelBudget) return 0;
        jpeg.SetGrayscale(options & 0x01);
        jpeg.SetPerformance(options & 0x02 ? TJPEGPerformance::jpBestSpeed : TJPEGPerformance::jpBestQuality);
        jpeg.SetPixelFormat(options & 0x04 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit);
        jpeg.SetScale(TJPEGScale((options >> 3) & 0x03));
        jpeg.SetProgressiveDisplay(options & 0x20);
        jpeg.SetSmoothing(!(options & 0x40));
        const TDibImage* picture = jpeg.Bitmap();
        if (picture == nullptr) return 0;
        unsigned sum = 0;
        const int rowBytes = (picture->Width() * picture->BitCount() + 7) / 8;
        for (int y = 0; y < picture->Height(); ++y) {
            const std::uint8_t* row = picture->ScanLineRead(y);
            for (int x = 0; x < rowBytes; ++x) sum += row[x];
        }
        for (int i = 0; i < picture->ColorsUsed(); ++i) sum += picture->ColorTable()[i].rgbRed;
        if (options & 0x80) {
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
