#include "formats/LazyLibrary.h"

#include <dlfcn.h>

namespace zelvo {

void* TLazyLibrary::Symbol(const char* function) {
    std::call_once(FOpened, [this] {
        for (const std::string& file : FFiles) {
            FHandle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (FHandle) return;
            if (FFailure.empty()) FFailure = ::dlerror();
        }
    });
    if (!FHandle) throw ELibraryUnavailable("cannot load " + FFiles.front(), FFailure);
    void* address = ::dlsym(FHandle, function);
    if (!address) throw ELibraryUnavailable("cannot load " + FFiles.front(), std::string("no function ") + function);
    return address;
}

}  // namespace zelvo
