// zelvo-cli speaks the language chosen by --language, [Settings] Language
// or the desktop: an engine message the catalogue has comes out in English
// with its value kept, in Japanese as the engine wrote it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "CliTestSupport.h"

namespace zelvo {
namespace {

// Sets the locale variables for one case and puts them back.
class TLocaleVariables {
public:
    explicit TLocaleVariables(const std::map<std::string, std::string>& values) {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* old = std::getenv(name);
            FSaved[name] = old ? std::optional<std::string>(old) : std::nullopt;
            const auto it = values.find(name);
            if (it == values.end()) unsetenv(name);
            else setenv(name, it->second.c_str(), 1);
        }
    }
    ~TLocaleVariables() {
        for (const auto& [name, value] : FSaved) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> FSaved;
};

class CliLanguage : public test::TCliFolderTest {};

TEST_F(CliLanguage, EngineMessagesFollowTheOptionThenTheDesktop) {
    // A JPEG that ends after its first marker: libjpeg's error 43 (the
    // engine's "JPEG エラー #43").
    std::ofstream(Path("cut.jpg"), std::ios::binary) << "\xff\xd8\xff\xe0garbage";
    struct TCase {
        std::map<std::string, std::string> Environment;
        std::vector<std::string> Option;
        const char* Expected;
    };
    const TCase cases[] = {
        {{{"LANG", "de_DE.UTF-8"}}, {}, "JPEG error #43\n"},
        {{{"LANG", "ja_JP.UTF-8"}}, {}, "JPEG エラー #43\n"},
        {{{"LANG", "C.UTF-8"}}, {}, "JPEG エラー #43\n"},  // no language asked for: the program's own
        {{{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "pt:en"}}, {}, "JPEG error #43\n"},
        {{{"LANG", "ja_JP.UTF-8"}}, {"--language", "en"}, "JPEG error #43\n"},
        {{{"LANG", "de_DE.UTF-8"}}, {"--language=ja"}, "JPEG エラー #43\n"},
    };
    for (const TCase& c : cases) {
        const TLocaleVariables locale(c.Environment);
        std::vector<std::string> args = c.Option;
        for (const std::string& word : {std::string("decode"), Path("cut.jpg"), Path("out.bmp")}) args.push_back(word);
        std::string err;
        EXPECT_EQ(test::RunCli(args, &err), 1);
        EXPECT_EQ(err, c.Expected) << ::testing::PrintToString(c.Environment);
    }
    std::string err;
    EXPECT_EQ(test::RunCli({"decode", "--language"}, &err), 2);
    EXPECT_NE(err.find("--language needs a language"), std::string::npos) << err;
}

}  // namespace
}  // namespace zelvo
