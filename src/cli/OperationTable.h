#pragma once
// The operations `zelvo-cli apply` can run: one table of rows, each binding
// an operation name to a public TQxImage method. The row is all an
// operation needs; its arguments are parsed from the parameter types of the
// method:
// - integers (any width, signed or unsigned) in decimal, also "$hex" or a
//   colour name such as "clBlack" (TColor is a 32-bit integer), range-checked
//   against the parameter type;
// - reals in decimal;
// - booleans as 0 or 1;
// - enumerations through TEnumText (the resampling filter by its name, such
//   as "Lanczos3", or by its index);
// - class types through TArgText (a 3 x 3 kernel as nine numbers joined by
//   ';').
// An overloaded method may have one row per overload; the number of
// arguments given picks the row.
//
// A row also names each argument and may narrow its range (TArgSpec); the
// names, types and ranges `zelvo-cli ops` lists come from the rows and the
// parameter types, and parsing enforces the same ranges, so the listing
// cannot drift from what `apply` accepts. An argument that is an effect
// parameter is named by its declaration (Arg(effects::kHighPassLevel)),
// which gives its name, range and default; the listing adds the default,
// and the dialog's range where the operation takes more.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "document/QxImage.h"
#include "effects/Convolution.h"
#include "effects/Parameter.h"
#include "effects/Resample.h"
#include "image/Types.h"
#include "platform/Bitmap.h"

namespace zelvo::cli {

/// A bad operation or argument given on the command line; what() is the
/// text the command prints.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// How a row names one argument of its method and narrows its range.
/// Min and Max only narrow the range of the parameter's type (for reals they
/// give it one); Colour marks a TColor parameter, listed as a colour; Hint is
/// a short note `zelvo-cli ops` shows.
struct TArgSpec {
    std::string Name;
    std::optional<double> Min;
    std::optional<double> Max;
    bool Colour = false;
    std::string Hint;
    /// For an effect parameter: the range its dialog offers, its default
    /// and the digits after the point they are listed with.
    std::optional<double> DeclaredMin;
    std::optional<double> DeclaredMax;
    std::optional<double> Default;
    int Decimals = 0;
};

/// An argument named `name` taking any value of its type.
inline TArgSpec Arg(std::string name, std::string hint = {}) {
    TArgSpec spec;
    spec.Name = std::move(name);
    spec.Hint = std::move(hint);
    return spec;
}
/// An argument named `name` limited to min..max.
inline TArgSpec Arg(std::string name, double min, double max, std::string hint = {}) {
    TArgSpec spec = Arg(std::move(name), std::move(hint));
    spec.Min = min;
    spec.Max = max;
    return spec;
}
/// An effect parameter, taking its declared range (and 0 where that does
/// nothing, with that as the hint unless `hint` says more).
inline TArgSpec Arg(const effects::TParameter& p, std::string hint = {}) {
    if (hint.empty() && p.ZeroDoesNothing) hint = "0 does nothing";
    return TArgSpec{p.Name, double(p.Lowest()), double(p.Max), false, std::move(hint), double(p.Min), double(p.Max),
                    double(p.Default), 0};
}
/// An effect parameter whose operation takes min..max, more than its dialog
/// offers.
inline TArgSpec Arg(const effects::TParameter& p, double min, double max, std::string hint = {}) {
    TArgSpec spec = Arg(p, std::move(hint));
    spec.Min = min;
    spec.Max = max;
    return spec;
}
/// An effect parameter whose operation takes any value of its type.
inline TArgSpec AnyArg(const effects::TParameter& p, std::string hint) {
    TArgSpec spec = Arg(p, std::move(hint));
    spec.Min.reset();
    spec.Max.reset();
    return spec;
}
/// A real effect parameter whose operation takes any real.
inline TArgSpec AnyArg(const effects::TRealParameter& p, std::string hint) {
    return TArgSpec{p.Name, std::nullopt, std::nullopt, false, std::move(hint), p.Min, p.Max, p.Default, p.Decimals};
}
/// A colour argument (TColor): a name such as clRed, $00BBGGRR or a number.
inline TArgSpec ColourArg(std::string name) {
    TArgSpec spec;
    spec.Name = std::move(name);
    spec.Colour = true;
    return spec;
}

/// One argument as `zelvo-cli ops` lists it.
struct TArgument {
    std::string Name;   ///< from the row; "arg1", "arg2", ... when the row names none
    std::string Type;   ///< "integer", "real", "0 or 1", "colour", or an enumeration's values
    std::string Range;  ///< "lo..hi"; empty when any value of the type is taken
    std::string Hint;
};

/// One row of the operation table.
struct TOperation {
    std::string Name;
    int Arity = 0;
    std::vector<TArgument> Arguments;  ///< Arity entries
    std::function<void(TQxImage&, std::span<const std::string>)> Invoke;
};

/// Every operation, in table order.
const std::vector<TOperation>& Operations();
/// The first row named exactly `name`, or nullptr.
const TOperation* FindOperation(std::string_view name);
/// The row named exactly `name` that takes `arity` arguments, or nullptr.
const TOperation* FindOperation(std::string_view name, int arity);
/// The operation name closest to `name` (fewest single-letter insertions,
/// deletions and substitutions, ignoring case; the first in table order on a
/// tie). Empty only when the table is.
std::string ClosestOperationName(std::string_view name);
/// Every row as one line for `zelvo-cli ops`: NAME:arg,arg followed by each
/// argument's type and range ("Brightness:delta  delta: integer -255..255").
std::vector<std::string> OperationListing();

/// The command-line text of an enumeration type: a specialisation offers
/// `static std::optional<E> FromText(std::string_view)` and
/// `static std::string Values()`, the accepted values as `zelvo-cli ops`
/// lists them.
template <typename E>
struct TEnumText;

/// Resampling filters by name (case-insensitive) or by index 0..6.
template <>
struct TEnumText<effects::TResampleFilter> {
    static std::string Values() {
        std::string text;
        for (int i = 0; i < effects::kResampleFilterCount; ++i) {
            if (i > 0) text += '|';
            text += effects::FilterInfo(effects::TResampleFilter(i)).Name;
        }
        return text + " or 0.." + std::to_string(effects::kResampleFilterCount - 1);
    }
    static std::optional<effects::TResampleFilter> FromText(std::string_view text) {
        if (const auto named = effects::FilterFromName(text)) return named;
        int index = -1;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
        if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
        if (index < 0 || index >= effects::kResampleFilterCount) return std::nullopt;
        return effects::TResampleFilter(index);
    }
};

/// Colour depths by their tag: 24, 8, 4, 1 or 99 (black-and-white halftone).
template <>
struct TEnumText<TColorDepth> {
    static std::string Values() { return "24|8|4|1|99"; }
    static std::optional<TColorDepth> FromText(std::string_view text) {
        for (const TColorDepth d : {TColorDepth::Bits24, TColorDepth::Bits8, TColorDepth::Bits4, TColorDepth::Bits1,
                                    TColorDepth::HalftoneBW}) {
            if (text == std::to_string(int(d))) return d;
        }
        return std::nullopt;
    }
};

/// The command-line text of an argument of class type: a specialisation
/// offers `static bool Parse(std::string_view, T&)`.
template <typename T>
struct TArgText;

/// A 3 x 3 kernel as nine numbers joined by ';', row by row from the top
/// left as it lies on the picture (the custom filter's order), such as
/// "0;-1;0;-1;5;-1;0;-1;0".
template <>
struct TArgText<effects::TKernel3x3> {
    static bool Parse(std::string_view text, effects::TKernel3x3& kernel) {
        std::array<float, 9> rows{};
        std::size_t count = 0;
        while (true) {
            const std::size_t end = std::min(text.find(';'), text.size());
            if (count == rows.size()) return false;
            const std::string_view item = text.substr(0, end);
            float value = 0;
            const auto [ptr, ec] = std::from_chars(item.data(), item.data() + item.size(), value);
            if (ec != std::errc() || ptr != item.data() + item.size() || item.empty() || !std::isfinite(value))
                return false;
            rows[count++] = value;
            if (end == text.size()) break;
            text.remove_prefix(end + 1);
        }
        if (count != rows.size()) return false;
        kernel = effects::KernelFromRows(rows);
        return true;
    }
};

/// A picture argument as the path of a picture file, read by its extension
/// (GIF and PhotoCD not included). A file that cannot be read is a failure
/// of the command (std::runtime_error), not a usage error.
template <>
struct TArgText<TBitmap> {
    static std::string Type() { return "picture file"; }
    static bool Parse(std::string_view text, TBitmap& picture) {
        if (text.empty()) return false;
        if (!LoadPictureFile(std::filesystem::path(std::string(text)), picture, /*gifMode=*/false))
            throw std::runtime_error("cannot read the picture " + std::string(text));
        return true;
    }
};

namespace detail {

/// Formats a range bound: whole numbers without a fraction.
inline std::string BoundText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    std::string text = std::to_string(value);
    while (text.back() == '0') text.pop_back();
    return text;
}

/// A declared value with `decimals` digits after the point ("1.00").
inline std::string DeclaredText(double value, int decimals) {
    if (decimals == 0) return BoundText(value);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

/// The range of parameter type V narrowed by `spec`, as {min, max}; both
/// empty for a real without limits or a type without a numeric range.
template <typename V>
std::pair<std::optional<double>, std::optional<double>> EffectiveRange(const TArgSpec& spec) {
    std::optional<double> lo = spec.Min, hi = spec.Max;
    if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool>) {
        const double typeLo = double(std::numeric_limits<V>::min());
        const double typeHi = double(std::numeric_limits<V>::max());
        lo = lo ? std::max(*lo, typeLo) : typeLo;
        hi = hi ? std::min(*hi, typeHi) : typeHi;
    }
    return {lo, hi};
}

/// How `zelvo-cli ops` lists an argument of parameter type V.
template <typename V>
TArgument DescribeArgument(const TArgSpec& spec, int position) {
    TArgument arg;
    arg.Name = spec.Name.empty() ? "arg" + std::to_string(position + 1) : spec.Name;
    arg.Hint = spec.Hint;
    if constexpr (std::is_same_v<V, bool>) {
        arg.Type = "0 or 1";
    } else if constexpr (std::is_integral_v<V>) {
        arg.Type = spec.Colour ? "colour" : "integer";
        const auto [lo, hi] = EffectiveRange<V>(spec);
        // A colour and a plain int take their whole type: no range to list.
        const bool whole = *lo == double(std::numeric_limits<int>::min()) && *hi == double(std::numeric_limits<int>::max());
        if (!spec.Colour && !whole) arg.Range = BoundText(*lo) + ".." + BoundText(*hi);
    } else if constexpr (std::is_enum_v<V>) {
        arg.Type = TEnumText<V>::Values();
    } else if constexpr (std::is_class_v<V>) {
        if constexpr (requires { TArgText<V>::Type(); }) arg.Type = TArgText<V>::Type();
    } else if constexpr (std::is_floating_point_v<V>) {
        arg.Type = "real";
        if (spec.Min || spec.Max)
            arg.Range = (spec.Min ? BoundText(*spec.Min) : std::string()) + ".." + (spec.Max ? BoundText(*spec.Max) : std::string());
    }
    if (spec.Default) {
        // The dialog's range is listed where the operation takes more.
        const std::string declared = DeclaredText(*spec.DeclaredMin, spec.Decimals) + ".." +
                                     DeclaredText(*spec.DeclaredMax, spec.Decimals);
        if (declared != arg.Range) arg.Hint += (arg.Hint.empty() ? "" : "; ") + std::string("dialog ") + declared;
        arg.Hint += (arg.Hint.empty() ? "" : "; ") + std::string("default ") + DeclaredText(*spec.Default, spec.Decimals);
    }
    return arg;
}

template <typename T>
T ParseArgument(const std::string& text, const std::string& opName, const TArgSpec& spec = {}) {
    using V = std::remove_cvref_t<T>;
    auto bad = [&](const std::string& what) {
        return EUsage(opName + ": " + what + " \"" + text + "\"");
    };
    auto rangeText = [&] {
        const auto [lo, hi] = EffectiveRange<V>(spec);
        return (lo ? BoundText(*lo) : std::string()) + ".." + (hi ? BoundText(*hi) : std::string());
    };
    if constexpr (std::is_same_v<V, bool>) {
        if (text == "0") return false;
        if (text == "1") return true;
        throw bad("expected 0 or 1, got");
    } else if constexpr (std::is_integral_v<V>) {
        long long value = 0;
        const char* first = text.data();
        const char* last = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || ptr != last || text.empty()) {
            const auto color = StringToColor(text);
            if (!color) throw bad("expected an integer or a colour, got");
            value = *color;
        }
        const auto [lo, hi] = EffectiveRange<V>(spec);
        if (double(value) < *lo || double(value) > *hi) throw bad("value out of range " + rangeText() + ":");
        return static_cast<V>(value);
    } else if constexpr (std::is_enum_v<V>) {
        if (const auto value = TEnumText<V>::FromText(text)) return *value;
        throw bad("unknown value");
    } else if constexpr (std::is_class_v<V>) {
        V value{};
        if (TArgText<V>::Parse(text, value)) return value;
        throw bad("unknown value");
    } else if constexpr (std::is_floating_point_v<V>) {
        double value = 0;
        const char* first = text.data();
        const char* last = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || ptr != last || text.empty() || !std::isfinite(value))
            throw bad("expected a number, got");
        if ((spec.Min && value < *spec.Min) || (spec.Max && value > *spec.Max))
            throw bad("value out of range " + rangeText() + ":");
        return static_cast<V>(value);
    } else {
        static_assert(sizeof(V) == 0, "parameter type without a command-line form");
    }
}

template <typename... Args, std::size_t... I>
std::tuple<std::remove_cvref_t<Args>...> ParseArguments(std::span<const std::string> args, const std::string& name,
                                                        const std::vector<TArgSpec>& specs,
                                                        std::index_sequence<I...>) {
    [[maybe_unused]] const auto& all = args;
    [[maybe_unused]] const auto& opName = name;
    [[maybe_unused]] const auto& named = specs;
    return {ParseArgument<std::remove_cvref_t<Args>>(all[I], opName, named[I])...};
}

template <typename... Args, std::size_t... I>
std::vector<TArgument> DescribeArguments(const std::vector<TArgSpec>& specs, std::index_sequence<I...>) {
    [[maybe_unused]] const auto& named = specs;
    return {DescribeArgument<std::remove_cvref_t<Args>>(named[I], int(I))...};
}

template <typename R, typename... Args, typename... Specs>
TOperation MakeRow(std::string name, R (TQxImage::*method)(Args...), Specs... given) {
    static_assert(sizeof...(Specs) <= sizeof...(Args), "more argument names than the method has parameters");
    std::vector<TArgSpec> specs{TArgSpec(std::move(given))...};
    // Arguments the row does not name are listed as arg1, arg2, ...
    specs.resize(sizeof...(Args));
    TOperation row;
    row.Name = name;
    row.Arity = int(sizeof...(Args));
    row.Arguments = DescribeArguments<Args...>(specs, std::index_sequence_for<Args...>{});
    row.Invoke = [method, name, specs](TQxImage& doc, std::span<const std::string> args) {
        if (args.size() != sizeof...(Args))
            throw EUsage(name + ": expects " + std::to_string(sizeof...(Args)) + " argument(s), got " +
                         std::to_string(args.size()));
        auto parsed = ParseArguments<Args...>(args, name, specs, std::index_sequence_for<Args...>{});
        std::apply([&](auto&&... values) { (doc.*method)(values...); }, parsed);
    };
    return row;
}

}  // namespace detail

/// A table row binding `name` to a TQxImage method, followed by one
/// TArgSpec per parameter (Arg("level", -100, 100), ColourArg("color")).
/// For an overloaded method, name the overload:
/// ZELVO_OP_AS(Name, void (TQxImage::*)(int), Arg("count")).
#define ZELVO_OP(Name, ...) \
    ::zelvo::cli::detail::MakeRow(#Name, &::zelvo::TQxImage::Name __VA_OPT__(, ) __VA_ARGS__)
#define ZELVO_OP_AS(Name, Type, ...) \
    ::zelvo::cli::detail::MakeRow(#Name, static_cast<Type>(&::zelvo::TQxImage::Name) __VA_OPT__(, ) __VA_ARGS__)

}  // namespace zelvo::cli
