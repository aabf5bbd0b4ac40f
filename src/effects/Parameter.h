#pragma once
// The declaration of an effect parameter, made once beside the effect's
// Params struct: its name, the range the program offers, its default and
// its unit. The command line names and checks the argument by it, the
// dialogs take their slider ranges and presets from it, the settings keep
// their remembered values inside it and start from its default, the
// document checks its range against it, and `zelvo-cli ops` lists it, so
// the help pages can be compared with it.

#include <algorithm>

#include "effects/EffectChecks.h"

namespace zelvo::effects {

/// An integer parameter.
struct TParameter {
    const char* Name;  ///< as the command line names the argument ("level")
    int Min;           ///< the values the dialog offers and the settings keep
    int Max;
    int Default;            ///< the dialog's first preset and the settings' default
    const char* Unit = "";  ///< "pixels", "per cent", "degrees"; empty for a plain number
    /// The operation takes 0 as well (below Min) and leaves the picture as
    /// it is.
    bool ZeroDoesNothing = false;

    /// `value` pulled to the nearer end of Min..Max.
    constexpr int Limit(int value) const { return std::clamp(value, Min, Max); }
    /// The smallest value the operation takes: 0 when that does nothing.
    constexpr int Lowest() const { return ZeroDoesNothing ? std::min(0, Min) : Min; }
    /// Throws EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
    /// Parameters" unless Min <= value <= Max; the detail names `what`.
    void Require(long long value, const char* what) const { RequireRange(value, Min, Max, what); }
};

/// A real parameter; the dialog shows it with `Decimals` digits after the
/// point and moves in steps of one unit of the last digit.
struct TRealParameter {
    const char* Name;
    double Min;
    double Max;
    double Default;
    int Decimals = 0;
    const char* Unit = "";
};

}  // namespace zelvo::effects
