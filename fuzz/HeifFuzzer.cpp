// Fuzz target for our HEIF/AVIF image plug-in (plugins/heif), linked in
// with its C sources and the system libheif with its decoders; see
// SpiPluginFuzz.h.
#include "SpiPluginFuzz.h"

// Debian 12's libheif 1.15 leaves a small dav1d data block behind when
// dav1d refuses an empty AV1 item (dav1d_send_data's input check, which
// also prints its complaint). The block belongs to the decoder libraries,
// not to the plug-in, whose own leaks stay findings.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdav1d.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return zelvo::fuzz::RunPluginOnce(data, size);
}
