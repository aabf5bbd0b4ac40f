#include "image/Types.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "image/Text.h"

namespace zelvo {
namespace {

struct NamedColor {
    TColor value;
    const char* name;
};

constexpr std::array<NamedColor, 43> kNamedColors{{
    {clBlack, "clBlack"},       {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},       {clOlive, "clOlive"},
    {clNavy, "clNavy"},         {clPurple, "clPurple"},
    {clTeal, "clTeal"},         {clGray, "clGray"},
    {clSilver, "clSilver"},     {clRed, "clRed"},
    {clLime, "clLime"},         {clYellow, "clYellow"},
    {clBlue, "clBlue"},         {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},         {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},         {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},   {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"}, {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},   {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},     {clNone, "clNone"},
    {clDefault, "clDefault"},
}};

// The classic desktop theme, indexed like the system colours above.
constexpr std::array<TColor, 25> kSystemRGB{{
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),
    RGB(255, 255, 225),
}};

}  // namespace

std::string ColorToString(TColor color) {
    for (const auto& named : kNamedColors) {
        if (named.value == color) return named.name;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(color));
    return buffer;
}

std::optional<TColor> StringToColor(std::string_view text) {
    for (const auto& named : kNamedColors) {
        if (EqualsIgnoreCase(named.name, text)) return named.value;
    }
    std::string digits(text);
    int base = 10;
    std::size_t start = 0;
    bool negative = false;
    if (!digits.empty() && digits[0] == '-') {
        negative = true;
        start = 1;
    }
    if (digits.size() > start && digits[start] == '$') {
        base = 16;
        start += 1;
    } else if (digits.size() > start + 1 && digits[start] == '0' && (digits[start + 1] == 'x' || digits[start + 1] == 'X')) {
        base = 16;
        start += 2;
    }
    if (start >= digits.size()) return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(digits.c_str() + start, &end, base);
    if (end != digits.c_str() + digits.size() || value > 0xFFFFFFFFull) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(value);
    return negative ? TColor(-static_cast<std::int64_t>(bits)) : TColor(bits);
}

TColor ColorToRGB(TColor color) {
    if (color < 0) {
        const auto index = static_cast<std::uint32_t>(color) & 0xFF;
        return index < kSystemRGB.size() ? kSystemRGB[index] : clBlack;
    }
    return color;
}

}  // namespace zelvo
