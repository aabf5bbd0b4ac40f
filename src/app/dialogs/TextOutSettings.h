#pragma once
// The text-insertion window's settings, section "TextOut" of Zelvo.ini,
// and the comma-separated form its "Text" key keeps the lines in.

#include <string>
#include <string_view>
#include <vector>

#include "effects/TextBlock.h"
#include "image/Types.h"

namespace zelvo {

class TIniFile;

/// The line the text-insertion window starts with.
inline constexpr const char* kDefaultTextOutText = "Zelvo - the picture editor of the Zelvo project";

struct TTextOutSettings {
    bool HasPosition = false;  ///< false: centred on the screen
    int Left = 0;
    int Top = 0;
    int Width = 470;   ///< at least 460
    int Height = 280;  ///< at least 160
    std::string FontName;  ///< empty: the default Japanese face
    int FontSize = effects::kTextFontSize.Default;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderLine = false;
    TColor FontColor = clBlack;
    TColor BackColor = clWhite;
    bool Tategaki = false;  ///< vertical writing
    bool Transparent = false;
    int FrameWidth = effects::kTextFrameWidth.Default;
    TColor FrameColor = clBlack;
    int Padding = effects::kTextPadding.Default;
    bool AntiAlias = false;
    int AlphaChannel = effects::kTextOpacity.Default;  ///< opacity, 0..100 per cent
    std::vector<std::string> Text{kDefaultTextOutText};
};

/// Reads section "TextOut": a missing key, or a number outside its range,
/// keeps the default above. "Text" is read whole, however long.
TTextOutSettings ReadTextOutSettings(const TIniFile& ini);
/// Writes every key of section "TextOut".
void WriteTextOutSettings(const TTextOutSettings& settings, TIniFile& ini);

/// The lines as one comma-separated list with a comma after every item:
/// an item that is empty or holds a blank, a control character, a double
/// quote or a comma is put in double quotes with its quotes doubled
/// (["a b", "", "x"] gives "\"a b\",\"\",x,").
std::string LinesToCommaText(const std::vector<std::string>& lines);
/// The lines of a comma-separated list as LinesToCommaText writes it; a
/// last item without its comma, and an unterminated quote (a hand-edited
/// file), are taken as they stand. Text after a closing quote up to the
/// next comma is dropped.
std::vector<std::string> CommaTextToLines(std::string_view text);

}  // namespace zelvo
