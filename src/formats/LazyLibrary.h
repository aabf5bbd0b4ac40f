#pragma once
// Shared libraries that only a few commands use (the HEIF and JPEG XL
// encoders, the scanner back ends) are opened at the first call into them
// rather than when the program starts: together with what they pull in
// they are most of the work of starting a process, which every zelvo-cli
// command would pay otherwise. The editor links them as usual, so they are
// already there when it calls.
//
// A call goes through ZELVO_LAZY_CALL(Library(), function)(arguments...):
// the function's address is looked up once per call site, by the name and
// type its header declares.

#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "image/Exceptions.h"

namespace zelvo {

/// A library or one of its functions that cannot be loaded: "cannot load
/// <file>", the loader's reason in Detail().
ZELVO_EXCEPTION(ELibraryUnavailable, Exception);

/// A shared library opened at the first lookup of a function.
class TLazyLibrary {
public:
    /// `files`: the names to try, in order (the library's soname first).
    TLazyLibrary(std::initializer_list<std::string> files) : FFiles(files) {}
    /// The address of `function`. Throws ELibraryUnavailable when neither
    /// the library nor the function can be found.
    void* Symbol(const char* function);

private:
    std::vector<std::string> FFiles;
    std::once_flag FOpened;
    void* FHandle = nullptr;
    std::string FFailure;
};

}  // namespace zelvo

/// The function `function` of `library` (a TLazyLibrary&), as a pointer of
/// the type its header declares; looked up at the first use of this call
/// site.
#define ZELVO_LAZY_CALL(library, function)                                                                  \
    ([]() {                                                                                                 \
        static const auto address = reinterpret_cast<decltype(&function)>((library).Symbol(#function));   \
        return address;                                                                                     \
    }())
