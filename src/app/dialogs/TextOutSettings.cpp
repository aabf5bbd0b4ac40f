#include "app/dialogs/TextOutSettings.h"

#include "platform/IniFile.h"
#include "platform/IniKeys.h"

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

namespace {

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(IntKey("Left", s.Left));
    visit(IntKey("Top", s.Top));
    visit(IntKey("Width", s.Width, 460, kMaxWindowSide));
    visit(IntKey("Height", s.Height, 160, kMaxWindowSide));
    visit(StringKey("FontName", s.FontName, kMaxFontName));
    visit(IntKey("FontSize", s.FontSize, effects::kTextFontSize.Min, effects::kTextFontSize.Max));
    visit(BoolKey("FontBold", s.FontBold));
    visit(BoolKey("FontItalic", s.FontItalic));
    visit(BoolKey("FontUnderLine", s.FontUnderLine));
    visit(ColorKey("FontColor", s.FontColor));
    visit(ColorKey("BackColor", s.BackColor));
    visit(BoolKey("Tategaki", s.Tategaki));
    visit(BoolKey("Transparent", s.Transparent));
    visit(IntKey("FrameWidth", s.FrameWidth, effects::kTextFrameWidth.Min, effects::kTextFrameWidth.Max));
    visit(ColorKey("FrameColor", s.FrameColor));
    visit(IntKey("Padding", s.Padding, effects::kTextPadding.Min, effects::kTextPadding.Max));
    visit(BoolKey("AntiAlias", s.AntiAlias));
    visit(IntKey("AlphaChannel", s.AlphaChannel, 0, 100));
    // Read whole: a text longer than a string read returns would lose lines.
    visit(TextKey(
        "Text", s.Text, [](std::string_view text) { return std::optional(CommaTextToLines(text)); },
        LinesToCommaText, 0));
}

}  // namespace

TTextOutSettings ReadTextOutSettings(const TIniFile& ini) {
    TTextOutSettings s;
    s.HasPosition = ini.ValueExists(kSection, "Left") && ini.ValueExists(kSection, "Top");
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteTextOutSettings(const TTextOutSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

}  // namespace zelvo
