#pragma once
// TZStream: a zlib inflate or deflate stream that is always ended, so a
// codec that throws half-way never leaks zlib's state.

#include <zlib.h>

#include <cstring>

#include "image/Exceptions.h"

namespace zelvo {

class TZStream {
public:
    /// An idle stream; StartInflate or StartDeflate begins it.
    explicit TZStream(bool deflating) : deflating_(deflating) { std::memset(&z_, 0, sizeof z_); }
    ~TZStream() {
        if (!started_) return;
        if (deflating_) deflateEnd(&z_);
        else inflateEnd(&z_);
    }
    TZStream(const TZStream&) = delete;
    TZStream& operator=(const TZStream&) = delete;
    /// inflateInit; returns zlib's code (Z_OK when the stream started).
    int StartInflate() {
        const int r = inflateInit(&z_);
        started_ = r == Z_OK;
        return r;
    }
    /// inflateInit2 for a raw deflate stream (no zlib header or check
    /// value); returns zlib's code.
    int StartRawInflate() {
        const int r = inflateInit2(&z_, -MAX_WBITS);
        started_ = r == Z_OK;
        return r;
    }
    /// deflateInit at zlib's default level; returns zlib's code.
    int StartDeflate() {
        const int r = deflateInit(&z_, Z_DEFAULT_COMPRESSION);
        started_ = r == Z_OK;
        return r;
    }
    z_stream* operator->() { return &z_; }
    z_stream* get() { return &z_; }

private:
    z_stream z_;
    bool deflating_;
    bool started_ = false;
};

/// zlib reported Z_MEM_ERROR at `where`: throws EOutOfResources "Out of
/// memory" with `where` as the detail.
[[noreturn]] inline void ZlibOutOfMemory(const char* where) { throw EOutOfResources("Out of memory", where); }

}  // namespace zelvo
