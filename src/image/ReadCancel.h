#pragma once
// Stopping a picture read whose result nobody wants any more.

#include <atomic>

namespace zelvo {

/// While it lives, file reads on the constructing thread stop with EAbort
/// once `flag` is set: a reader whose result is no longer wanted (the open
/// dialog's preview of a file no longer selected) ends at its next file read
/// or row instead of decoding the rest. Scopes nest; the innermost counts.
class TReadCancelScope {
public:
    explicit TReadCancelScope(const std::atomic<bool>& flag);
    ~TReadCancelScope();
    TReadCancelScope(const TReadCancelScope&) = delete;
    TReadCancelScope& operator=(const TReadCancelScope&) = delete;

private:
    const std::atomic<bool>* FOuter;
};

/// Throws EAbort when a TReadCancelScope of this thread has been set; file
/// streams call it at every read, long decoders between rows. One load
/// otherwise.
void ThrowIfReadCancelled();

}  // namespace zelvo
