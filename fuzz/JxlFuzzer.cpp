// Fuzz target for our JPEG XL image plug-in (plugins/jxl), linked in with
// its C sources and the system library it reads through; see
// SpiPluginFuzz.h.
#include "SpiPluginFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return zelvo::fuzz::RunPluginOnce(data, size);
}
