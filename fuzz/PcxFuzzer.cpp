// Fuzz target for our PCX image plug-in (plugins/pcx), linked in with its
// C sources; see SpiPluginFuzz.h.
#include "SpiPluginFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return zelvo::fuzz::RunPluginOnce(data, size);
}
