#include "platform/IniFile.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/DataDirectory.h"
#include "platform/FileWriting.h"

namespace zelvo {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// A value must stay on its own line, or the next read would see other keys.
std::string OneLine(std::string_view value) {
    std::string out(Trim(value));
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    return out;
}

}  // namespace

TIniFile::TIniFile(std::filesystem::path path) : FPath(std::move(path)) {
    std::ifstream in(FPath, std::ios::binary);
    if (!in) return;
    std::ostringstream text;
    text << in.rdbuf();
    Parse(text.str());
}

TIniFile TIniFile::FromText(std::string_view text, std::filesystem::path path) {
    TIniFile ini{std::filesystem::path()};
    ini.FPath = std::move(path);
    ini.Parse(text);
    return ini;
}

void TIniFile::Parse(std::string_view text) {
    FPreamble.clear();
    FSections.clear();
    // A UTF-8 byte-order mark is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<TLine>* target = &FPreamble;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        TLine line;
        line.Text = std::string(raw);
        const std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
            TSection section;
            section.Name = std::string(Trim(t.substr(1, t.find(']') - 1)));
            FSections.push_back(std::move(section));
            target = &FSections.back().Lines;
            continue;
        }
        if (!t.empty() && t.front() != ';' && t.front() != '#') {
            const std::size_t eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.Type = TLine::KeyValue;
                line.Key = std::string(Trim(t.substr(0, eq)));
                line.Value = std::string(Trim(t.substr(eq + 1)));
            }
        }
        target->push_back(std::move(line));
    }
}

TIniFile::TSection* TIniFile::FindSection(std::string_view name) {
    for (TSection& s : FSections)
        if (SameName(s.Name, name)) return &s;
    return nullptr;
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view name) const {
    for (const TSection& s : FSections)
        if (SameName(s.Name, name)) return &s;
    return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return Value(section, key).has_value();
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const {
    // Sections may repeat in hand-edited files; the first key found wins.
    for (const TSection& s : FSections) {
        if (!SameName(s.Name, section)) continue;
        for (const TLine& line : s.Lines)
            if (line.Type == TLine::KeyValue && SameName(line.Key, key)) return line.Value;
    }
    return std::nullopt;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    std::string value = Value(section, key).value_or(std::string(def));
    if (value.size() > kMaxStringLength) {
        std::size_t cut = kMaxStringLength;
        // Never split a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
        value.resize(cut);
    }
    return value;
}

std::optional<int> TIniFile::ParseInteger(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    std::int64_t result;
    if (base == 16) {
        // Hexadecimal spells the 32 bits: "$FFFFFFFF" is -1.
        if (value > 0xFFFFFFFFull) return std::nullopt;
        result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    } else {
        if (value > 2147483648ull) return std::nullopt;
        result = static_cast<std::int64_t>(value);
    }
    if (negative) result = -result;
    if (result < INT32_MIN || result > INT32_MAX) return std::nullopt;
    return static_cast<int>(result);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const auto value = Value(section, key);
    if (!value) return def;
    return ParseInteger(*value).value_or(def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::uint8_t TIniFile::ReadByte(std::string_view section, std::string_view key, std::uint8_t def) const {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(ReadInteger(section, key, def)) & 0xFF);
}

int TIniFile::ReadIntegerIn(std::string_view section, std::string_view key, int def, int lo, int hi) const {
    const int value = ReadInteger(section, key, def);
    return value < lo || value > hi ? def : value;
}

std::uint8_t TIniFile::ReadByteIn(std::string_view section, std::string_view key, std::uint8_t def, int lo,
                                  int hi) const {
    const int value = ReadByte(section, key, def);
    return value < lo || value > hi ? def : static_cast<std::uint8_t>(value);
}

std::string TIniFile::ReadStringIn(std::string_view section, std::string_view key, std::string_view def,
                                   std::size_t maxLength) const {
    std::string value = Value(section, key).value_or(std::string(def));
    return value.size() > maxLength ? std::string(def) : value;
}

TColor TIniFile::ReadColor(std::string_view section, std::string_view key, TColor def) const {
    const auto value = Value(section, key);
    if (!value) return def;
    return StringToColor(Trim(*value)).value_or(def);
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    for (const TSection& s : FSections) {
        if (!SameName(s.Name, section)) continue;
        for (const TLine& line : s.Lines)
            if (line.Type == TLine::KeyValue) keys.push_back(line.Key);
    }
    return keys;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string text = OneLine(value);
    const std::string keyName = OneLine(key);
    TSection* s = FindSection(section);
    if (!s) {
        TSection fresh;
        fresh.Name = OneLine(section);
        fresh.Added = true;
        FSections.push_back(std::move(fresh));
        s = &FSections.back();
    }
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < s->Lines.size(); ++i) {
        TLine& line = s->Lines[i];
        if (line.Type != TLine::KeyValue) continue;
        if (SameName(line.Key, keyName)) {
            if (line.Value == text) return;
            line.Value = text;
            line.Text = line.Key + "=" + text;
            return;
        }
        insertAt = i + 1;
    }
    // A new key goes after the section's last key, before trailing blank
    // lines and comments.
    TLine line;
    line.Type = TLine::KeyValue;
    line.Key = keyName;
    line.Value = text;
    line.Text = keyName + "=" + text;
    s->Lines.insert(s->Lines.begin() + std::ptrdiff_t(insertAt), std::move(line));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteColor(std::string_view section, std::string_view key, TColor value) {
    WriteString(section, key, ColorToString(value));
}

std::string TIniFile::Text() const {
    std::string out;
    for (const TLine& line : FPreamble) out += line.Text + "\n";
    for (const TSection& s : FSections) {
        // A section added by a write starts after a blank line.
        if (s.Added && !out.empty() && !out.ends_with("\n\n")) out += "\n";
        out += "[" + s.Name + "]\n";
        for (const TLine& line : s.Lines) out += line.Text + "\n";
    }
    return out;
}

bool TIniFile::UpdateFile() const {
    if (FPath.empty()) return false;
    std::error_code ec;
    const std::filesystem::path folder = FPath.parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    const std::string text = Text();
    return ReplaceFileContents(FPath, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::filesystem::path ConfigDirectory() { return XdgBaseDirectory("XDG_CONFIG_HOME", ".config") / "zelvo"; }

std::filesystem::path SettingsFilePath() { return ConfigDirectory() / "Zelvo.ini"; }

}  // namespace zelvo
