#include "app/dialogs/TextOutSettings.h"

#include "platform/IniFile.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "TextOut";
constexpr int kMaxWindowSide = 16384;
constexpr std::size_t kMaxFontName = 255;

bool NeedsQuotes(std::string_view item) {
    if (item.empty()) return true;
    for (const char c : item) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') return true;
    }
    return false;
}

}  // namespace

std::string LinesToCommaText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (NeedsQuotes(line)) {
            text += '"';
            for (const char c : line) {
                if (c == '"') text += '"';
                text += c;
            }
            text += '"';
        } else {
            text += line;
        }
        text += ',';
    }
    return text;
}

std::vector<std::string> CommaTextToLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            const std::size_t comma = text.find(',', i);
            i = comma == std::string_view::npos ? text.size() : comma + 1;
        } else {
            const std::size_t comma = text.find(',', i);
            const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
            item.assign(text.substr(i, end - i));
            i = comma == std::string_view::npos ? text.size() : comma + 1;
        }
        lines.push_back(std::move(item));
    }
    return lines;
}

TTextOutSettings ReadTextOutSettings(const TIniFile& ini) {
    TTextOutSettings s;
    s.HasPosition = ini.ValueExists(kSection, "Left") && ini.ValueExists(kSection, "Top");
    s.Left = ini.ReadInteger(kSection, "Left", 0);
    s.Top = ini.ReadInteger(kSection, "Top", 0);
    s.Width = ini.ReadIntegerIn(kSection, "Width", s.Width, 460, kMaxWindowSide);
    s.Height = ini.ReadIntegerIn(kSection, "Height", s.Height, 160, kMaxWindowSide);
    s.FontName = ini.ReadStringIn(kSection, "FontName", s.FontName, kMaxFontName);
    s.FontSize = ini.ReadIntegerIn(kSection, "FontSize", s.FontSize, 4, 300);
    s.FontBold = ini.ReadBool(kSection, "FontBold", s.FontBold);
    s.FontItalic = ini.ReadBool(kSection, "FontItalic", s.FontItalic);
    s.FontUnderLine = ini.ReadBool(kSection, "FontUnderLine", s.FontUnderLine);
    s.FontColor = ini.ReadColor(kSection, "FontColor", s.FontColor);
    s.BackColor = ini.ReadColor(kSection, "BackColor", s.BackColor);
    s.Tategaki = ini.ReadBool(kSection, "Tategaki", s.Tategaki);
    s.Transparent = ini.ReadBool(kSection, "Transparent", s.Transparent);
    s.FrameWidth = ini.ReadIntegerIn(kSection, "FrameWidth", s.FrameWidth, 0, 99);
    s.FrameColor = ini.ReadColor(kSection, "FrameColor", s.FrameColor);
    s.Padding = ini.ReadIntegerIn(kSection, "Padding", s.Padding, 0, 99);
    s.AntiAlias = ini.ReadBool(kSection, "AntiAlias", s.AntiAlias);
    s.AlphaChannel = ini.ReadIntegerIn(kSection, "AlphaChannel", s.AlphaChannel, 0, 100);
    // Read whole: a text longer than a string read returns would lose lines.
    if (const auto text = ini.Value(kSection, "Text")) s.Text = CommaTextToLines(*text);
    return s;
}

void WriteTextOutSettings(TIniFile& ini, const TTextOutSettings& s) {
    ini.WriteInteger(kSection, "Left", s.Left);
    ini.WriteInteger(kSection, "Top", s.Top);
    ini.WriteInteger(kSection, "Width", s.Width);
    ini.WriteInteger(kSection, "Height", s.Height);
    ini.WriteString(kSection, "FontName", s.FontName);
    ini.WriteInteger(kSection, "FontSize", s.FontSize);
    ini.WriteBool(kSection, "FontBold", s.FontBold);
    ini.WriteBool(kSection, "FontItalic", s.FontItalic);
    ini.WriteBool(kSection, "FontUnderLine", s.FontUnderLine);
    ini.WriteColor(kSection, "FontColor", s.FontColor);
    ini.WriteColor(kSection, "BackColor", s.BackColor);
    ini.WriteBool(kSection, "Tategaki", s.Tategaki);
    ini.WriteBool(kSection, "Transparent", s.Transparent);
    ini.WriteInteger(kSection, "FrameWidth", s.FrameWidth);
    ini.WriteColor(kSection, "FrameColor", s.FrameColor);
    ini.WriteInteger(kSection, "Padding", s.Padding);
    ini.WriteBool(kSection, "AntiAlias", s.AntiAlias);
    ini.WriteInteger(kSection, "AlphaChannel", s.AlphaChannel);
    ini.WriteString(kSection, "Text", LinesToCommaText(s.Text));
}

}  // namespace zelvo
