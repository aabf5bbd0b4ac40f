#include "platform/Language.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/MessageCatalogue.h"

namespace zelvo {
namespace {

std::map<std::string, std::string> gEnvironment;
std::string FakeVariable(const char* name) {
    const auto it = gEnvironment.find(name);
    return it == gEnvironment.end() ? std::string() : it->second;
}

TEST(LanguageTest, DesktopLanguagesFollowLanguageThenTheFirstLocaleVariable) {
    struct TCase {
        std::map<std::string, std::string> Environment;
        std::vector<std::string> Expected;
    };
    const TCase cases[] = {
        {{}, {}},
        {{{"LANG", "C.UTF-8"}}, {}},
        {{{"LANG", "de_DE.UTF-8"}}, {"de_DE.UTF-8"}},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, {"ja_JP.UTF-8"}},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "ja_JP"}, {"LC_ALL", "pt_BR"}}, {"pt_BR"}},
        // LC_ALL=C hides LANG, as it does for the C library.
        {{{"LANG", "ja_JP"}, {"LC_ALL", "C"}}, {}},
        {{{"LANG", "en_US"}, {"LANGUAGE", "fr:ja::C"}}, {"fr", "ja", "en_US"}},
    };
    for (const TCase& c : cases) {
        gEnvironment = c.Environment;
        EXPECT_EQ(DesktopLanguages(FakeVariable), c.Expected) << ::testing::PrintToString(c.Environment);
    }
    gEnvironment.clear();
}

TEST(LanguageTest, ChoosesJapaneseOrACatalogueAndEnglishForTheRest) {
    const std::vector<std::string> available{"en", "pt"};
    struct TCase {
        const char* Requested;
        std::vector<std::string> Desktop;
        const char* Expected;
    };
    const TCase cases[] = {
        {"auto", {"ja_JP.UTF-8"}, "ja"},
        {"", {"ja-JP", "en-US"}, "ja"},
        {"auto", {"de_DE.UTF-8"}, "en"},       // no German catalogue
        {"auto", {"de", "ja"}, "ja"},          // the first with a catalogue
        {"auto", {"pt_BR@euro"}, "pt"},
        {"auto", {}, "ja"},                    // LANG=C asks for no language: the source texts
        {"en", {"ja_JP.UTF-8"}, "en"},         // the setting or option wins
        {"ja", {"de_DE.UTF-8"}, "ja"},
        {"JA", {}, "ja"},
        {"xx", {"ja_JP.UTF-8"}, "en"},         // a language without a catalogue
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ChooseLanguage(c.Requested, c.Desktop, available), c.Expected) << c.Requested;
}

TEST(LanguageTest, TakesTheLanguageOptionInBothForms) {
    std::vector<std::string> args{"decode", "--language", "en", "a.png", "--language=ja", "b.bmp"};
    EXPECT_EQ(TakeLanguageOption(args), "ja");
    EXPECT_EQ(args, (std::vector<std::string>{"decode", "a.png", "b.bmp"}));
    std::vector<std::string> none{"info", "a.png"};
    EXPECT_EQ(TakeLanguageOption(none), "");
    for (std::vector<std::string> bad : {std::vector<std::string>{"--language"}, {"--language="}})
        EXPECT_THROW(TakeLanguageOption(bad), std::invalid_argument);
}

TEST(MessageCatalogueTest, MatchesMarkersAndCarriesTheirValuesOver) {
    const char* const sources[] = {"認識できない画像形式です", "JPEG エラー #%1", "%1は[%2]では使えないAPIです"};
    const auto english = [](const char* source) -> std::string {
        const std::string s = source;
        if (s == "認識できない画像形式です") return "Unrecognized picture format";
        if (s == "JPEG エラー #%1") return "JPEG error #%1";
        if (s == "%1は[%2]では使えないAPIです") return "[%2] does not offer %1";
        return {};
    };
    struct TCase {
        const char* Message;
        const char* Expected;
    };
    const TCase cases[] = {
        {"認識できない画像形式です", "Unrecognized picture format"},
        {"JPEG エラー #42", "JPEG error #42"},
        {"GetPictureは[x.spi]では使えないAPIです", "[x.spi] does not offer GetPicture"},
        {"JPEG エラー #", "JPEG エラー #"},                            // a marker takes at least one byte
        {"Cannot open file \"a.png\"", "Cannot open file \"a.png\""},  // not in the catalogue
        // a decoder's reason on a line of its own
        {"認識できない画像形式です\ndecoder stopped by signal 9", "Unrecognized picture format\ndecoder stopped by signal 9"},
    };
    for (const TCase& c : cases) EXPECT_EQ(TranslateMessage(c.Message, sources, english), c.Expected);
    const std::string values[] = {"a", "b"};
    EXPECT_EQ(FillMessage("%2-%1-%3-100%", values), "b-a-%3-100%");
}

TEST(MessageCatalogueTest, TheBuiltEnglishCatalogueTranslatesTheEngineMessages) {
    ASSERT_NE(FindMessageCatalogue("en"), nullptr);
    EXPECT_EQ(FindMessageCatalogue("ja"), nullptr);
    EXPECT_EQ(TranslateMessage("JPEG エラー #53", "en"), "JPEG error #53");
    EXPECT_EQ(TranslateMessage("認識できない画像形式です", "en"), "Unrecognized picture format");
    EXPECT_EQ(TranslateMessage("JPEG エラー #53", "ja"), "JPEG エラー #53");
    EXPECT_EQ(TranslateMessage("Stream read error", "en"), "Stream read error");
}

}  // namespace
}  // namespace zelvo
