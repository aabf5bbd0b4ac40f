#pragma once
// Small value types shared by every layer: points, rectangles and colours.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvo {

/// A point in pixel coordinates.
struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

/// A rectangle in pixel coordinates; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}

/// A colour as 00BBGGRR: red in the low byte. Negative values are the
/// symbolic system colours (clBtnFace and friends), which name a colour of
/// the desktop theme rather than an RGB value.
using TColor = std::int32_t;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return TColor(std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16));
}
constexpr std::uint8_t GetRValue(TColor c) { return std::uint8_t(std::uint32_t(c) & 0xFF); }
constexpr std::uint8_t GetGValue(TColor c) { return std::uint8_t((std::uint32_t(c) >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor c) { return std::uint8_t((std::uint32_t(c) >> 16) & 0xFF); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours: 0x80000000 | index of the theme colour.
constexpr TColor clScrollBar = TColor(0x80000000u | 0);
constexpr TColor clBackground = TColor(0x80000000u | 1);
constexpr TColor clActiveCaption = TColor(0x80000000u | 2);
constexpr TColor clInactiveCaption = TColor(0x80000000u | 3);
constexpr TColor clMenu = TColor(0x80000000u | 4);
constexpr TColor clWindow = TColor(0x80000000u | 5);
constexpr TColor clWindowFrame = TColor(0x80000000u | 6);
constexpr TColor clMenuText = TColor(0x80000000u | 7);
constexpr TColor clWindowText = TColor(0x80000000u | 8);
constexpr TColor clCaptionText = TColor(0x80000000u | 9);
constexpr TColor clActiveBorder = TColor(0x80000000u | 10);
constexpr TColor clInactiveBorder = TColor(0x80000000u | 11);
constexpr TColor clAppWorkSpace = TColor(0x80000000u | 12);
constexpr TColor clHighlight = TColor(0x80000000u | 13);
constexpr TColor clHighlightText = TColor(0x80000000u | 14);
constexpr TColor clBtnFace = TColor(0x80000000u | 15);
constexpr TColor clBtnShadow = TColor(0x80000000u | 16);
constexpr TColor clGrayText = TColor(0x80000000u | 17);
constexpr TColor clBtnText = TColor(0x80000000u | 18);
constexpr TColor clInactiveCaptionText = TColor(0x80000000u | 19);
constexpr TColor clBtnHighlight = TColor(0x80000000u | 20);
constexpr TColor cl3DDkShadow = TColor(0x80000000u | 21);
constexpr TColor cl3DLight = TColor(0x80000000u | 22);
constexpr TColor clInfoText = TColor(0x80000000u | 23);
constexpr TColor clInfoBk = TColor(0x80000000u | 24);

/// The symbolic name of a colour ("clBlack", "clBtnShadow") when it has one,
/// otherwise "$" and eight upper-case hex digits ("$00FF8040").
std::string ColorToString(TColor color);

/// Parses a colour name ("clWhite", case-insensitive) or a "$"/"0x" hex or
/// decimal number. Returns nothing for text that is neither.
std::optional<TColor> StringToColor(std::string_view text);

/// The RGB value a colour stands for now: a system colour is resolved
/// through a fixed classic desktop theme, an RGB colour is returned as is.
TColor ColorToRGB(TColor color);

}  // namespace zelvo
