#pragma once
// Key tables for settings sections. A settings struct states its keys once,
// in a function template `EachKey(settings, visit)` that calls `visit` with
// one key object per key, in file order; TKeyReader and TKeyWriter drive
// that one table in both directions, so a key cannot be read under one name
// and written under another, nor read and forgotten when writing.
//
//     template <class Settings, class Visit>  // Settings may be const
//     void EachKey(Settings& s, Visit&& visit) {
//         visit(IntKey("Width", s.Width, 1, 9999));
//         visit(ColorKey("BGColor", s.BGColor));
//     }
//     EachKey(settings, TKeyReader(ini, "NewImage"));
//
// The field a key refers to holds the default when reading starts: a
// missing or malformed value leaves it as it is.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "image/Types.h"
#include "platform/IniFile.h"

namespace zelvo {

/// What a number outside its key's range reads as.
enum class TOutOfRange {
    Default,  ///< the default, as a missing value does
    Nearer,   ///< the nearer end of the range
};

/// An integer key; T is int or const int (only an int can be read into).
/// Lo..Hi the values a read keeps.
template <class T>
struct TIntKey {
    const char* Key;
    T& Value;
    int Lo = INT_MIN;
    int Hi = INT_MAX;
    TOutOfRange Out = TOutOfRange::Default;
};
/// A byte key (the field a byte or an int): the integer read wraps modulo
/// 256 before the range applies.
template <class T>
struct TByteKey {
    const char* Key;
    T& Value;
    int Lo = 0;
    int Hi = 255;
    TOutOfRange Out = TOutOfRange::Default;
};
/// A boolean key: "1" or "0", read true for any integer but 0.
template <class T>
struct TBoolKey {
    const char* Key;
    T& Value;
};
/// A colour key: a symbolic name or "$00BBGGRR".
template <class T>
struct TColorKey {
    const char* Key;
    T& Value;
};
/// A string key; a longer value than MaxLength reads as the default.
template <class T>
struct TStringKey {
    const char* Key;
    T& Value;
    std::size_t MaxLength = TIniFile::kMaxStringLength;
};
/// A key whose value is text in a form of its own: Parse (text to
/// std::optional of the field's type; nothing keeps the default) and Format
/// (the field to text). MaxLength 0 reads the value whole, however long.
template <class T, class Parse, class Format>
struct TTextKey {
    const char* Key;
    T& Value;
    Parse ParseText;
    Format FormatText;
    std::size_t MaxLength = TIniFile::kMaxStringLength;
};

template <class T>
    requires std::is_same_v<std::remove_const_t<T>, int>
TIntKey<T> IntKey(const char* key, T& value, int lo = INT_MIN, int hi = INT_MAX, TOutOfRange out = TOutOfRange::Default) {
    return {key, value, lo, hi, out};
}
template <class T>
    requires std::is_same_v<std::remove_const_t<T>, std::uint8_t> || std::is_same_v<std::remove_const_t<T>, int>
TByteKey<T> ByteKey(const char* key, T& value, int lo = 0, int hi = 255, TOutOfRange out = TOutOfRange::Default) {
    return {key, value, lo, hi, out};
}
template <class T>
    requires std::is_same_v<std::remove_const_t<T>, bool>
TBoolKey<T> BoolKey(const char* key, T& value) {
    return {key, value};
}
template <class T>
    requires std::is_same_v<std::remove_const_t<T>, TColor>
TColorKey<T> ColorKey(const char* key, T& value) {
    return {key, value};
}
template <class T>
    requires std::is_same_v<std::remove_const_t<T>, std::string>
TStringKey<T> StringKey(const char* key, T& value, std::size_t maxLength = TIniFile::kMaxStringLength) {
    return {key, value, maxLength};
}
template <class T, class Parse, class Format>
TTextKey<T, Parse, Format> TextKey(const char* key, T& value, Parse parse, Format format,
                                   std::size_t maxLength = TIniFile::kMaxStringLength) {
    return {key, value, parse, format, maxLength};
}

/// Reads every key it is given from one section into its field.
class TKeyReader {
public:
    TKeyReader(const TIniFile& ini, const char* section) : FIni(ini), FSection(section) {}

    void operator()(const TIntKey<int>& k) const {
        if (k.Out == TOutOfRange::Nearer)
            k.Value = std::clamp(FIni.ReadInteger(FSection, k.Key, k.Value), k.Lo, k.Hi);
        else if (k.Lo == INT_MIN && k.Hi == INT_MAX)
            k.Value = FIni.ReadInteger(FSection, k.Key, k.Value);
        else
            k.Value = FIni.ReadIntegerIn(FSection, k.Key, k.Value, k.Lo, k.Hi);
    }
    template <class T>
    void operator()(const TByteKey<T>& k) const {
        const auto def = std::uint8_t(k.Value);
        if (k.Out == TOutOfRange::Nearer)
            k.Value = T(std::clamp(int(FIni.ReadByte(FSection, k.Key, def)), k.Lo, k.Hi));
        else
            k.Value = T(FIni.ReadByteIn(FSection, k.Key, def, k.Lo, k.Hi));
    }
    void operator()(const TBoolKey<bool>& k) const { k.Value = FIni.ReadBool(FSection, k.Key, k.Value); }
    void operator()(const TColorKey<TColor>& k) const { k.Value = FIni.ReadColor(FSection, k.Key, k.Value); }
    void operator()(const TStringKey<std::string>& k) const {
        k.Value = FIni.ReadStringIn(FSection, k.Key, k.Value, k.MaxLength);
    }
    template <class T, class Parse, class Format>
    void operator()(const TTextKey<T, Parse, Format>& k) const {
        const std::optional<std::string> text = FIni.Value(FSection, k.Key);
        if (!text || (k.MaxLength != 0 && text->size() > k.MaxLength)) return;
        if (auto parsed = k.ParseText(*text)) k.Value = std::move(*parsed);
    }

private:
    const TIniFile& FIni;
    const char* FSection;
};

/// Writes every key it is given to one section.
class TKeyWriter {
public:
    TKeyWriter(TIniFile& ini, const char* section) : FIni(ini), FSection(section) {}

    template <class T>
    void operator()(const TIntKey<T>& k) const {
        FIni.WriteInteger(FSection, k.Key, k.Value);
    }
    template <class T>
    void operator()(const TByteKey<T>& k) const {
        FIni.WriteInteger(FSection, k.Key, int(k.Value));
    }
    template <class T>
    void operator()(const TBoolKey<T>& k) const {
        FIni.WriteBool(FSection, k.Key, k.Value);
    }
    template <class T>
    void operator()(const TColorKey<T>& k) const {
        FIni.WriteColor(FSection, k.Key, k.Value);
    }
    template <class T>
    void operator()(const TStringKey<T>& k) const {
        FIni.WriteString(FSection, k.Key, k.Value);
    }
    template <class T, class Parse, class Format>
    void operator()(const TTextKey<T, Parse, Format>& k) const {
        FIni.WriteString(FSection, k.Key, k.FormatText(k.Value));
    }

private:
    TIniFile& FIni;
    const char* FSection;
};

}  // namespace zelvo
