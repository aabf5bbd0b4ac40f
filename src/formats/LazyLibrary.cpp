#include "formats/LazyLibrary.h"

#include <dlfcn.h>

namespace zelvo {

void* TLazyLibrary::Symbol(const char* function) {
    std::call_once(opened_, [this] {
        for (const std::string& file : files_) {
            handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle_) return;
            if (failure_.empty()) failure_ = ::dlerror();
        }
    });
    if (!handle_) throw ELibraryUnavailable("cannot load " + files_.front(), failure_);
    void* address = ::dlsym(handle_, function);
    if (!address) throw ELibraryUnavailable("cannot load " + files_.front(), std::string("no function ") + function);
    return address;
}

}  // namespace zelvo
