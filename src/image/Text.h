#pragma once
// Small text helpers for names, extensions and argument lists.

#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

/// ASCII letters compared without regard to case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

/// The text with ASCII capitals lowered; other bytes (UTF-8 included) kept.
std::string AsciiLower(std::string text);

/// The parts between separators; "" gives one empty part, "a," gives "a", "".
std::vector<std::string> SplitText(const std::string& text, char separator);

}  // namespace zelvo
