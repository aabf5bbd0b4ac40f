#pragma once
// Helpers of the document's undo and dispatch tests.

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

#include "image/DibImage.h"

namespace zelvo::test {

// A 24-bit picture whose every byte is v.
inline TDibImage Flat(int w, int h, std::uint8_t v) {
    TDibImage img;
    img.ReplaceData(TDibImageData::CreateDIB(w, h, 0, 24, true));
    for (int y = 0; y < h; ++y) std::fill_n(img.ScanLine(y), w * 3, v);
    return img;
}

// Limits the size of files this process writes (as a full disk would stop
// them), ignoring the signal the limit raises, until Lift() or the end of
// the scope. Keep the scope short: test output written to a file meanwhile
// is refused too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { Lift(); }
    void Lift() {
        if (lifted_) return;
        if (active_) ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
        active_ = false;
        lifted_ = true;
    }
    bool Active() const { return active_; }

private:
    rlimit old_{};
    sighandler_t oldHandler_ = SIG_DFL;
    bool active_ = false;
    bool lifted_ = false;
};

}  // namespace zelvo::test
