// Fuzz target for the check of the pictures image plug-ins return: the
// information block and the bits block go through BlockBytes and
// PictureFromPluginBlocks, as the host takes them from a plug-in.
//
// Input layout: the first two bytes (little-endian) are the length of the
// information block, capped by what follows; the rest up to the last byte
// is the bits block. The last byte picks the options (not part of the data):
//   bit 0: the information block claims 64 bytes more than it holds;
//   bit 1: the bits block claims 64 bytes more than it holds;
//   bit 2: decode run-length pictures to plain rows afterwards.
// A block whose claim is larger than its memory must be found out; a
// picture that passes the check must be readable row by row in full.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzSupport.h"
#include "formats/plugin/SpiPicture.h"

namespace {

using namespace zelvo;

constexpr std::int64_t kPixelBudget = std::int64_t(1) << 22;

SpiHandle MakeBlock(const std::uint8_t* data, std::size_t size, bool lie) {
    SpiHandle block = SpiAllocBlock(size);
    if (!block) std::abort();
    if (size) std::memcpy(SpiBlockData(block), data, size);
    if (lie) block->size += 64;
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const unsigned options = data[size - 1];
    --size;
    std::size_t infoBytes = std::size_t(data[0] | (data[1] << 8));
    data += 2;
    size -= 2;
    if (infoBytes > size) infoBytes = size;
    SpiHandle info = MakeBlock(data, infoBytes, options & 1);
    SpiHandle bits = MakeBlock(data + infoBytes, size - infoBytes, options & 2);

    bool infoOk = true, bitsOk = true;
    const auto infoSpan = BlockBytes(info, &infoOk);
    const auto bitsSpan = BlockBytes(bits, &bitsOk);
    fuzz::Check(infoOk == !(options & 1));
    fuzz::Check(bitsOk == !(options & 2));
    if (infoOk && bitsOk) {
        try {
            TDibImage picture = PictureFromPluginBlocks(infoSpan, bitsSpan);
            const TDibPixelFormat format = picture.PixelFormat();
            const bool rle = format == dibPf4BitRLE || format == dibPf8BitRLE;
            if (rle && (options & 4) && std::int64_t(picture.Width()) * picture.Height() <= kPixelBudget)
                picture.SetPixelFormat(format == dibPf4BitRLE ? dibPf4Bit : dibPf8Bit);
            if (picture.PixelFormat() != dibPf4BitRLE && picture.PixelFormat() != dibPf8BitRLE) {
                for (int y = 0; y < picture.Height(); ++y)
                    fuzz::Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));
            } else {
                fuzz::Touch(picture.Bits().data(), picture.Bits().size());
            }
        } catch (const zelvo::Exception&) {
            // Refused: the expected outcome for most inputs.
        }
    }
    std::free(info);
    std::free(bits);
    return 0;
}
