// The pieces under zelvo-cli's banded conversions that the command tests
// cannot reach: netpbm rows read a band at a time from a stream that gives
// a few bytes per read (a pipe) equal the whole-picture reader's picture
// made 24-bit, a file cut short is refused, and a library opened on demand
// reports a missing library or function instead of failing to start.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "PipeStream.h"
#include "TestSupport.h"
#include "formats/LazyLibrary.h"
#include "formats/PnmCodec.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Every row of `reader`, in bands of `band` rows.
Bytes ReadAll(TPnmRowReader& reader, int band) {
    Bytes rows;
    for (int left = reader.Height(); left > 0;) {
        int count = 0;
        const std::uint8_t* data = reader.NextRgbRows(band, count);
        EXPECT_GE(count, 1);
        EXPECT_LE(count, std::min(band, left));
        rows.insert(rows.end(), data, data + std::size_t(count) * std::size_t(reader.Width()) * 3);
        left -= count;
    }
    return rows;
}

TEST(BandedRows, NetpbmBandsEqualTheWholePictureIn24Bits) {
    Bytes grey = Text("P5\n5 3\n255\n"), wide = Text("P6\n3 4\n65535\n"), bits = Text("P4\n10 3\n");
    Bytes alpha = Text("P7\nWIDTH 4\nHEIGHT 2\nDEPTH 4\nMAXVAL 15\nTUPLTYPE RGB_ALPHA\nENDHDR\n");
    for (int i = 0; i < 15; ++i) grey.push_back(std::uint8_t(i * 17));
    for (int i = 0; i < 3 * 4 * 3 * 2; ++i) wide.push_back(std::uint8_t(i * 41));
    for (int i = 0; i < 2 * 3; ++i) bits.push_back(std::uint8_t(0xA5 ^ (i * 29)));
    for (int i = 0; i < 4 * 2 * 4; ++i) alpha.push_back(std::uint8_t(i % 16));
    TMemoryStream colour;
    SavePnmPicture(test::NoiseImage24(37, 29, 3), colour, TPnmForm::Ppm);
    const Bytes files[] = {grey, wide, bits, alpha, colour.Data()};
    for (const Bytes& file : files) {
        TMemoryStream whole(file);
        TDibImage expected = LoadPnmPicture(whole);
        expected.SetPixelFormat(dibPf24Bit);
        TMemoryStream rows;
        SavePnmPicture(expected, rows, TPnmForm::RawRgb);
        for (const std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(4096)}) {
            for (const int band : {1, 3, 16}) {
                SCOPED_TRACE(std::string(file.begin(), file.begin() + 2) + " chunk " + std::to_string(chunk) +
                             " band " + std::to_string(band));
                test::TPipeStream pipe(file, chunk);
                TPnmRowReader reader(pipe);
                ASSERT_TRUE(reader.Banded());
                EXPECT_EQ(reader.Width(), expected.Width());
                EXPECT_EQ(reader.Height(), expected.Height());
                EXPECT_TRUE(ReadAll(reader, band) == rows.Data());
            }
        }
    }
    // Plain samples and PFM are left to the whole-picture reader; a raster
    // cut short is refused when the band reaches it.
    test::TPipeStream plain(Text("P3\n1 1\n255\n1 2 3\n"), 4096);
    EXPECT_FALSE(TPnmRowReader(plain).Banded());
    test::TPipeStream cut(Text("P6\n2 2\n255\n123456789"), 4096);
    TPnmRowReader reader(cut);
    int count = 0;
    reader.NextRgbRows(1, count);
    EXPECT_THROW(reader.NextRgbRows(1, count), EReadError);
}

TEST(BandedRows, ALibraryOpenedOnDemandReportsWhatIsMissing) {
    TLazyLibrary zlib{"libz.so.1", "libz.so"};
    EXPECT_NE(zlib.Symbol("zlibVersion"), nullptr);
    EXPECT_THROW(zlib.Symbol("zelvo_no_such_function"), ELibraryUnavailable);
    TLazyLibrary missing{"libzelvo-no-such-library.so.9", "libzelvo-no-such-library.so"};
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            missing.Symbol("anything");
            ADD_FAILURE() << "a missing library was found";
        } catch (const ELibraryUnavailable& e) {
            EXPECT_EQ(std::string(e.what()), "cannot load libzelvo-no-such-library.so.9");
            EXPECT_NE(e.Detail().find("libzelvo-no-such-library.so.9"), std::string::npos) << e.Detail();
        }
    }
}

}  // namespace
}  // namespace zelvo
