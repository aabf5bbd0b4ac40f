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

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdint>
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
#include "effects/Resample.h"
#include "image/Types.h"

namespace zelvo::cli {

/// A bad operation or argument given on the command line; what() is the
/// text the command prints.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One row of the operation table.
struct TOperation {
    std::string Name;
    int Arity = 0;
    std::function<void(TQxImage&, std::span<const std::string>)> Invoke;
};

/// Every operation, in table order.
const std::vector<TOperation>& Operations();
/// The first row named exactly `name`, or nullptr.
const TOperation* FindOperation(std::string_view name);
/// The row named exactly `name` that takes `arity` arguments, or nullptr.
const TOperation* FindOperation(std::string_view name, int arity);

/// The command-line text of an enumeration type: a specialisation offers
/// `static std::optional<E> FromText(std::string_view)`.
template <typename E>
struct TEnumText;

/// Resampling filters by name (case-insensitive) or by index 0..6.
template <>
struct TEnumText<effects::TResampleFilter> {
    static std::optional<effects::TResampleFilter> FromText(std::string_view text) {
        if (const auto named = effects::FilterFromName(text)) return named;
        int index = -1;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
        if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
        if (index < 0 || index >= effects::kResampleFilterCount) return std::nullopt;
        return effects::TResampleFilter(index);
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

namespace detail {

template <typename T>
T ParseArgument(const std::string& text, const std::string& opName) {
    using V = std::remove_cvref_t<T>;
    auto bad = [&](const char* what) {
        return EUsage(opName + ": " + what + " \"" + text + "\"");
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
        if (value < static_cast<long long>(std::numeric_limits<V>::min()) ||
            (value > 0 && static_cast<unsigned long long>(value) >
                              static_cast<unsigned long long>(std::numeric_limits<V>::max())))
            throw bad("value out of range:");
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
        return static_cast<V>(value);
    } else {
        static_assert(sizeof(V) == 0, "parameter type without a command-line form");
    }
}

template <typename... Args, std::size_t... I>
std::tuple<std::remove_cvref_t<Args>...> ParseArguments(std::span<const std::string> args, const std::string& name,
                                                        std::index_sequence<I...>) {
    [[maybe_unused]] const auto& all = args;
    [[maybe_unused]] const auto& opName = name;
    return {ParseArgument<std::remove_cvref_t<Args>>(all[I], opName)...};
}

template <typename R, typename... Args>
TOperation MakeRow(std::string name, R (TQxImage::*method)(Args...)) {
    TOperation row;
    row.Name = name;
    row.Arity = int(sizeof...(Args));
    row.Invoke = [method, name](TQxImage& doc, std::span<const std::string> args) {
        if (args.size() != sizeof...(Args))
            throw EUsage(name + ": expects " + std::to_string(sizeof...(Args)) + " argument(s), got " +
                         std::to_string(args.size()));
        auto parsed = ParseArguments<Args...>(args, name, std::index_sequence_for<Args...>{});
        std::apply([&](auto&&... values) { (doc.*method)(values...); }, parsed);
    };
    return row;
}

}  // namespace detail

/// A table row binding `name` to a TQxImage method. For an overloaded
/// method, name the overload: ZELVO_OP_AS(Name, void (TQxImage::*)(int)).
#define ZELVO_OP(Name) ::zelvo::cli::detail::MakeRow(#Name, &::zelvo::TQxImage::Name)
#define ZELVO_OP_AS(Name, Type) \
    ::zelvo::cli::detail::MakeRow(#Name, static_cast<Type>(&::zelvo::TQxImage::Name))

}  // namespace zelvo::cli
