#pragma once
// The user's custom 3 x 3 filter as text: the ".flt" file (one line of ten
// comma-separated numbers: the nine kernel entries row by row from the top
// left, then the divisor), read and written.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "effects/Convolution.h"

namespace zelvo::effects {

/// A custom filter: integer entries row by row from the top left as they
/// lie on the picture, and the divisor 1..255.
struct TCustomFilter {
    std::array<int, 9> Rows{1, -2, 1, -2, 5, -2, 1, -2, 1};
    int Divisor = 1;
    friend bool operator==(const TCustomFilter&, const TCustomFilter&) = default;
};

/// Reads the text of a filter file: split at commas into exactly ten items,
/// each with surrounding blanks (spaces, tabs, line ends) removed, so a
/// file ending in a line end loads like one without. The nine entries must
/// be integers (an optional sign and decimal digits, within -32768..32767);
/// a tenth item that is not an integer gives the divisor 1, and divisors
/// are limited to 1..255 as the dialog's spin edit does. Any other text,
/// including a wrong count of items, gives nullopt: the file is refused.
std::optional<TCustomFilter> ParseCustomFilter(std::string_view text);

/// The one-line text a filter file holds: the ten values joined by commas,
/// without a line end.
std::string FormatCustomFilter(const TCustomFilter& filter);

/// The convolution the custom filter runs: its kernel, its divisor, no
/// bias.
Convolve3x3Params CustomFilterKernel(const TCustomFilter& filter);

}  // namespace zelvo::effects
