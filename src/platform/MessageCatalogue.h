#pragma once
// The translation of the engine's messages where they are shown. The
// engine raises its exact texts (tests assert them); the editor and
// zelvo-cli look them up in the catalogue of the interface language,
// context "messages" of translations/zelvo_<code>.ts. An entry's source may
// hold %1..%9 for values the engine puts in (a number, a file name): the
// message matches when the rest agrees, and the translation gets the same
// values in its own %1..%9.

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zelvo {

/// One entry: the engine's text and its translation, both UTF-8.
struct TMessageEntry {
    const char* Source;
    const char* Translation;
};

/// The "messages" entries of one language's catalogue, sorted by source.
struct TMessageCatalogue {
    const char* Language;  ///< the language code, "en"
    std::span<const TMessageEntry> Entries;
};

/// The catalogues built from translations/*.ts (generated at build time by
/// tools/MakeMessageTable.cpp).
std::span<const TMessageCatalogue> MessageCatalogues();
/// The catalogue of `language`, or nullptr (Japanese has none).
const TMessageCatalogue* FindMessageCatalogue(std::string_view language);

/// Fills %1..%9 of `pattern` with `values` (a missing value leaves the
/// marker as it is).
std::string FillMessage(std::string_view pattern, std::span<const std::string> values);

/// Matches `message` against `pattern`, where %1..%9 stand for any text;
/// on a match `values` receives the text of each marker by number.
bool MatchMessage(std::string_view pattern, std::string_view message, std::string (&values)[9]);

/// `message` in the language `translate` gives: the translation of the
/// first of `sources` that equals or matches it, values carried over;
/// the message itself when none does. Each line of a message of several
/// lines is looked up on its own. `translate` returns the translation
/// of a source, empty for none.
std::string TranslateMessage(std::string_view message, std::span<const char* const> sources,
                             const std::function<std::string(const char* source)>& translate);

/// `message` through the catalogue of `language` (zelvo-cli); unchanged
/// for Japanese, an unknown language or a message the catalogue lacks.
std::string TranslateMessage(std::string_view message, std::string_view language);

}  // namespace zelvo
