// Fuzz target for the custom-filter file reader.
//
// The whole input is the file's text. A text that reads must write back to
// a text that reads to the same filter, and its convolution must run on a
// small picture; a text that does not read is simply refused. Nothing here
// throws; any exception or sanitizer report is a finding.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "effects/Convolution.h"
#include "effects/CustomFilter.h"
#include "image/DibImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto filter = effects::ParseCustomFilter(text);
    if (!filter) return 0;
    if (filter->Divisor < 1 || filter->Divisor > 255) std::abort();
    const auto again = effects::ParseCustomFilter(effects::FormatCustomFilter(*filter));
    if (!again || !(*again == *filter)) std::abort();
    TDibImage picture;
    picture.SetBitCount(24);
    picture.SetWidth(3);
    picture.SetHeight(2);
    for (int i = 0; i < 9; ++i) picture.ScanLine(i % 2)[i] = std::uint8_t(i * 29);
    effects::Convolve3x3(picture, effects::CustomFilterKernel(*filter));
    return 0;
}
