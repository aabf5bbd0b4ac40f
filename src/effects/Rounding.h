#pragma once
// The rounding helpers every pixel operation stores its results through.

#include <cstdint>

namespace zelvo::effects {

/// Limits `value` to 0..255 and rounds it to the nearest integer, a half
/// going to the even neighbour (2.5 gives 2, 3.5 gives 4). NaN gives 0.
/// Works in extended precision and does not depend on the floating-point
/// rounding mode.
inline std::uint8_t ClampRound(long double value) {
    if (!(value > 0)) return 0;  // also NaN
    if (value >= 255) return 255;
    // value lies in (0, 255), so the truncation is the floor and the
    // fraction is computed exactly.
    int whole = int(value);
    const long double fraction = value - whole;
    if (fraction > 0.5L || (fraction == 0.5L && (whole & 1))) ++whole;
    return std::uint8_t(whole);
}

/// ClampRound(sum / count) of a non-negative integer quotient, in integers
/// (no long double through memory in a pixel loop): the quotient q and
/// remainder r give q + 1 when 2r > count, q + (q & 1) when 2r == count,
/// else q. For 0 <= sum and 0 < count <= 2^20 this is the same value: the
/// extended division is within 2^-55 of the exact quotient, while an
/// inexact fraction r / count is at least 1 / (2 count) from one half.
inline std::uint8_t RoundQuotient(int sum, int count) {
    const int q = sum / count, r = sum % count;
    const int rounded = 2 * r > count ? q + 1 : 2 * r == count ? q + (q & 1) : q;
    return std::uint8_t(rounded > 255 ? 255 : rounded);
}

/// Trunc(x + 0.5) of a non-negative value limited to 0..255: the rounding of
/// the tables built from powers (sepia, gamma) and of the HSV conversion.
inline std::uint8_t TruncHalfUp(long double value) {
    const long double shifted = value + 0.5L;
    if (!(shifted > 0)) return 0;
    if (shifted >= 255) return 255;
    return std::uint8_t(int(shifted));
}

/// Round of a real to the nearest integer, a half going to the even
/// neighbour, independent of the floating-point rounding mode. `value` must
/// be finite and within the range of long long.
inline long long RoundHalfEven(long double value) {
    long double whole = static_cast<long double>(static_cast<long long>(value));  // toward zero
    if (whole > value) whole -= 1;                                                // floor
    const long double fraction = value - whole;
    long long result = static_cast<long long>(whole);
    if (fraction > 0.5L || (fraction == 0.5L && (result & 1))) ++result;
    return result;
}

}  // namespace zelvo::effects
