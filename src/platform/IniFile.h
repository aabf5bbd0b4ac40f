#pragma once
// TIniFile: the settings file reader and writer. Sections "[Name]" hold
// "Key=Value" lines; section and key names compare case-insensitively.
// Writing keeps every line it does not change: unknown keys and sections,
// comments (";" or "#") and blank lines stay where they were.
//
// Value forms:
// - integers are written in decimal and read in decimal or hexadecimal
//   with a "$" or "0x" prefix; a malformed or missing value gives the
//   default;
// - booleans are written "1"/"0" and read true for any integer but 0;
// - byte fields take the integer modulo 256 (300 reads as 44);
// - colours are written as a symbolic name ("clBtnShadow") or "$00BBGGRR"
//   and read back with the same conversion;
// - strings are kept verbatim (surrounding blanks removed), read up to
//   2047 characters.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/Types.h"

namespace zelvo {

class TIniFile {
public:
    /// The longest string a read returns.
    static constexpr std::size_t kMaxStringLength = 2047;

    /// Opens `path`; a missing or unreadable file gives an empty file.
    explicit TIniFile(std::filesystem::path path);
    /// Parses `text` as file contents (for tests and in-memory use).
    static TIniFile FromText(std::string_view text, std::filesystem::path path = {});

    const std::filesystem::path& Path() const { return FPath; }

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    /// The raw value, or nothing when the key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    /// An integer cut to its low byte: values above 255 wrap.
    std::uint8_t ReadByte(std::string_view section, std::string_view key, std::uint8_t def) const;
    TColor ReadColor(std::string_view section, std::string_view key, TColor def) const;

    // Range-checked reads: a value outside [lo, hi] (after the byte wrap
    // for ReadByteIn) reads as the default, as a missing one does. Use
    // them for every value that indexes a table or sizes something.
    int ReadIntegerIn(std::string_view section, std::string_view key, int def, int lo, int hi) const;
    std::uint8_t ReadByteIn(std::string_view section, std::string_view key, std::uint8_t def, int lo,
                            int hi) const;
    /// A string longer than `maxLength` bytes reads as the default instead
    /// of being cut (a cut path or font name would name something else).
    std::string ReadStringIn(std::string_view section, std::string_view key, std::string_view def,
                             std::size_t maxLength) const;
    /// Key names of a section in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteColor(std::string_view section, std::string_view key, TColor value);

    /// The file contents as they would be written.
    std::string Text() const;
    /// Writes the file (creating its folder) through a temporary file
    /// renamed over it. Returns false when it could not be written; the old
    /// file is then left as it was.
    bool UpdateFile() const;

    /// Parses an integer in the settings forms: optional sign, decimal,
    /// "$" or "0x" hexadecimal; blanks around it are allowed. Hex values
    /// take 32 bits ("$FFFFFFFF" is -1).
    static std::optional<int> ParseInteger(std::string_view text);

private:
    struct TLine {
        std::string Text;     ///< the line as read (for untouched lines)
        std::string Section;  ///< for section headers
        std::string Key;      ///< for key lines
        std::string Value;
        enum Kind { Other, Header, KeyValue } Type = Other;
    };
    struct TSection {
        std::string Name;
        std::vector<TLine> Lines;  ///< the lines after the header
        bool Added = false;        ///< created by a write
    };

    TSection* FindSection(std::string_view name);
    const TSection* FindSection(std::string_view name) const;
    void Parse(std::string_view text);

    std::filesystem::path FPath;
    std::vector<TLine> FPreamble;  ///< lines before the first section
    std::vector<TSection> FSections;
};

/// The per-user settings folder: $XDG_CONFIG_HOME/zelvo, or
/// ~/.config/zelvo when XDG_CONFIG_HOME is unset, empty or relative.
std::filesystem::path ConfigDirectory();
/// ConfigDirectory() / "Zelvo.ini".
std::filesystem::path SettingsFilePath();

}  // namespace zelvo
