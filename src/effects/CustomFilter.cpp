#include "effects/CustomFilter.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace zelvo::effects {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string_view Trim(std::string_view item) {
    const std::size_t first = item.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = item.find_last_not_of(kBlanks);
    return item.substr(first, last - first + 1);
}

std::optional<long long> Integer(std::string_view item) {
    if (!item.empty() && item.front() == '+') {
        item.remove_prefix(1);
        if (!item.empty() && item.front() == '-') return std::nullopt;
    }
    if (item.empty()) return std::nullopt;
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (ec != std::errc() || ptr != item.data() + item.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<TCustomFilter> ParseCustomFilter(std::string_view text) {
    std::vector<std::string_view> items;
    while (true) {
        const std::size_t comma = text.find(',');
        items.push_back(Trim(text.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (items.size() > 10) return std::nullopt;
    }
    if (items.size() != 10) return std::nullopt;
    TCustomFilter filter;
    for (std::size_t i = 0; i < 9; ++i) {
        const auto value = Integer(items[i]);
        if (!value || *value < -32768 || *value > 32767) return std::nullopt;
        filter.Rows[i] = int(*value);
    }
    const auto divisor = Integer(items[9]);
    filter.Divisor = divisor ? int(std::clamp<long long>(*divisor, 1, 255)) : 1;
    return filter;
}

std::string FormatCustomFilter(const TCustomFilter& filter) {
    std::string text;
    for (int entry : filter.Rows) text += std::to_string(entry) + ",";
    return text + std::to_string(filter.Divisor);
}

Convolve3x3Params CustomFilterKernel(const TCustomFilter& filter) {
    std::array<float, 9> rows{};
    for (std::size_t i = 0; i < 9; ++i) rows[i] = float(filter.Rows[i]);
    Convolve3x3Params p;
    p.Kernel = KernelFromRows(rows);
    p.Divisor = std::uint8_t(std::clamp(filter.Divisor, 1, 255));
    return p;
}

}  // namespace zelvo::effects
