// Files found by the BMP fuzz target (tests/data/crashers/BmpFuzzer/), each
// with the outcome it must have.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "image/DibImage.h"

namespace zelvo {
namespace {

std::vector<std::uint8_t> Crasher(const char* name) {
    auto bytes = ReadWholeFile(test::TestDataDir() / "crashers" / "BmpFuzzer" / name);
    bytes.pop_back();  // the fuzz target's option byte
    return bytes;
}

TEST(BmpCrashers, OneBitPackedDibWithBitFieldCompression) {
    // A packed DIB of 1 bit with compression 3: the masks are read after the
    // header and the data is kept as stored, but the pair has no pixel format.
    // Written back, the file carries no masks, so reading it again is refused
    // instead of taking pixel bytes for masks.
    TDibImage image;
    image.LoadFromClipboardFormat(CF_DIB, Crasher("packed-dib-1bit-bitfields"), nullptr);
    EXPECT_EQ(image.BitCount(), 1);
    EXPECT_EQ(image.Header().biCompression, BI_BITFIELDS);
    try {
        image.GetPixelFormat();
        FAIL();
    } catch (const EDibImageInvalidDIB& e) {
        EXPECT_STREQ(e.what(), "TDibImageData.GetPixelFormat: Invalid DIB(1Bit)");
    }
    TMemoryStream stream;
    image.SaveToStream(stream);
    stream.SetPosition(0);
    TDibImage again;
    try {
        again.LoadFromStream(stream);
        FAIL();
    } catch (const EDibImageInvalidDIB& e) {
        EXPECT_STREQ(e.what(), "TDibImageData.LoadFromFile: bfOffBits is too small");
    }
}

}  // namespace
}  // namespace zelvo
