#pragma once
// The interface language: which catalogue the editor and zelvo-cli speak.
// Japanese is the program's own language, the source text of every
// catalogue; another language joins with its catalogue file
// (translations/zelvo_<code>.ts). A desktop language without a catalogue
// gets English; the C locale, which asks for no language, the program's own
// Japanese.

#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

/// The language the program's texts are written in; it needs no catalogue.
inline constexpr const char* kSourceLanguage = "ja";
/// The language of a desktop whose own language has no catalogue.
inline constexpr const char* kFallbackLanguage = "en";

/// The languages the desktop asks for, most wanted first, in the order Qt's
/// system locale gives the editor: the entries of LANGUAGE
/// (colon-separated), then the first set of LC_ALL, LC_MESSAGES and LANG.
/// "C" and "POSIX" are left out.
/// `getenv` reads one variable (tests pass their own).
std::vector<std::string> DesktopLanguages(std::string (*getenv)(const char* name));
/// The same from the process environment.
std::vector<std::string> DesktopLanguages();

/// The language code of a locale name or language tag, in lower case:
/// "de_DE.UTF-8" and "de-DE" give "de", "pt_BR@euro" gives "pt".
std::string LanguageCode(std::string_view name);

/// The language to speak. `requested` is the setting or the --language
/// option: "auto" or empty follows `desktop` (the first entry whose code
/// is Japanese or in `available`), a code chooses it. A language without a
/// catalogue in `available` gives English; no desktop language at all (the
/// C locale) gives Japanese, the program's own texts.
std::string ChooseLanguage(std::string_view requested, const std::vector<std::string>& desktop,
                           const std::vector<std::string>& available);

/// Takes "--language CODE" or "--language=CODE" out of `args` and returns
/// CODE; empty when the option is absent. Throws std::invalid_argument
/// when the option has no value.
std::string TakeLanguageOption(std::vector<std::string>& args);

}  // namespace zelvo
