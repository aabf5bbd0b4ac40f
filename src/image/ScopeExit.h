#pragma once
// The closing step of a piece of work, run however the work ends.

#include <exception>
#include <utility>

namespace zelvo {

/// Runs `action` when the scope ends, on return and on an exception alike:
/// ending an update, putting a cursor or a flag back, closing a document.
/// While an exception leaves the scope, a failure of the action itself is
/// dropped so that it cannot replace the work's own; otherwise it
/// propagates from the destructor.
template <typename F>
class TScopeExit {
public:
    explicit TScopeExit(F action) : FAction(std::move(action)), FUncaught(std::uncaught_exceptions()) {}
    ~TScopeExit() noexcept(false) {
        if (std::uncaught_exceptions() > FUncaught) {
            try {
                FAction();
            } catch (...) {
            }
        } else {
            FAction();
        }
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FAction;
    int FUncaught;
};

}  // namespace zelvo
