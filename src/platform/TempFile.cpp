#include "platform/TempFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "image/Exceptions.h"

namespace zelvo {

std::filesystem::path TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && *tmp != '\0') return tmp;
    return "/tmp";
}

std::string TempFileNameFor(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "_ZV%05d.tmp", number);
    return name;
}

TTempFile CreateTempFile() {
    const std::filesystem::path folder = TempFolder();
    for (int number = 0; number <= 99999; ++number) {
        const std::filesystem::path candidate = folder / TempFileNameFor(number);
        struct stat st {};
        std::unique_ptr<TFileStream> stream;
        bool taken = false;
        // A name taken and already removed again by a short-lived document
        // between our look and our create is free once more: try it again,
        // a few times, so that a folder we may not write to still fails.
        for (int attempt = 0; !stream; ++attempt) {
            if (::lstat(candidate.c_str(), &st) == 0) {
                taken = true;
                break;
            }
            try {
                stream = std::make_unique<TFileStream>(candidate, TFileStream::Mode::fmCreateExclusive);
            } catch (const EFOpenError&) {
                if (attempt == 8) throw;
            }
        }
        if (taken) continue;  // someone else's file: try the next number
        return {candidate, std::move(stream)};
    }
    throw EFCreateError("Cannot create file \"" + (folder / TempFileNameFor(99999)).string() + "\"",
                        "no free temporary file name in " + folder.string());
}

TTempFileRemover::~TTempFileRemover() {
    std::error_code ec;
    std::filesystem::remove(FPath, ec);
}

}  // namespace zelvo
