// The interface's catalogues are complete: every Japanese text of the
// editor goes through the translation calls, and every entry of each
// catalogue in translations/ is finished, with the same %-markers and an
// accelerator where the source has one. A failure names the file and line
// or the context and source to fix.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = ZELVO_SOURCE_DIR;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether `text` holds a character of the Japanese blocks (kana, CJK
// ideographs, full-width forms), all of which start with 0xE3..0xEF in UTF-8.
bool HasJapanese(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0xE3 && byte <= 0xEF) return true;
    }
    return false;
}

struct TLiteral {
    int Line;
    std::string Text;
    std::string Before;  ///< the code just before the opening quote
};

// The string literals of C++ code, comments and character literals skipped.
std::vector<TLiteral> StringLiterals(const std::string& code) {
    std::vector<TLiteral> literals;
    int line = 1;
    std::string before;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '\n') ++line;
        if (code.compare(i, 2, "//") == 0) {
            while (i < code.size() && code[i] != '\n') ++i;
            ++line;
            continue;
        }
        if (code.compare(i, 2, "/*") == 0) {
            const std::size_t end = code.find("*/", i + 2);
            for (std::size_t j = i; j < std::min(end, code.size()); ++j) line += code[j] == '\n';
            i = end == std::string::npos ? code.size() : end + 1;
            continue;
        }
        if (c == '\'' && (i == 0 || !std::isalnum(static_cast<unsigned char>(code[i - 1])))) {
            for (++i; i < code.size() && code[i] != '\''; ++i) i += code[i] == '\\';
            continue;
        }
        if (c == '"') {
            std::string text;
            const int start = line;
            for (++i; i < code.size() && code[i] != '"'; ++i) {
                if (code[i] == '\\') text += code[i++];
                text += code[i];
            }
            literals.push_back({start, text, before});
            // The context of translate("Context", "text") stays in view.
            before += '"' + text + '"';
            continue;
        }
        before += c;
        if (before.size() > 200) before.erase(0, 100);
    }
    return literals;
}

// A literal is marked when it is the text argument of tr(), translate(),
// QT_TR_NOOP() or QT_TRANSLATE_NOOP().
bool Marked(const TLiteral& literal) {
    static const std::regex kMarked(
        R"((\btr|\btranslate|QT_TR_NOOP|QT_TRANSLATE_NOOP)\s*\(\s*("[^"]*"\s*,\s*)?$)");
    return std::regex_search(literal.Before, kMarked);
}

// Japanese literals that are not texts of the interface: font family names.
const std::set<std::string> kNotInterfaceText = {"ＭＳ Ｐゴシック"};

TEST(TranslationCompletenessTest, EveryJapaneseTextOfTheEditorIsMarked) {
    std::vector<fs::path> files;
    for (const char* folder : {"src/app", "src/platform/qt"}) {
        for (const auto& entry : fs::recursive_directory_iterator(kSourceDir / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".cpp" || ext == ".h" || ext == ".def") files.push_back(entry.path());
        }
    }
    ASSERT_GT(files.size(), 50u);
    for (const fs::path& file : files) {
        for (const TLiteral& literal : StringLiterals(ReadFile(file))) {
            if (!HasJapanese(literal.Text) || kNotInterfaceText.count(literal.Text) || Marked(literal)) continue;
            ADD_FAILURE() << fs::relative(file, kSourceDir).string() << ":" << literal.Line
                          << ": \"" << literal.Text
                          << "\" is not marked: use tr(), QCoreApplication::translate() or QT_TRANSLATE_NOOP()";
        }
    }
}

struct TEntry {
    std::string Context;
    std::string Source;
    std::string Translation;
    bool Unfinished = false;
};

std::string Unescape(std::string text) {
    for (const auto& [entity, plain] : {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"},
                                        {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), plain);
    }
    return text;
}

std::vector<TEntry> Entries(const std::string& ts) {
    std::vector<TEntry> entries;
    static const std::regex kContext(R"(<context>\s*<name>([^<]*)</name>([\s\S]*?)</context>)");
    static const std::regex kMessage(
        R"(<message[^>]*>[\s\S]*?<source>([\s\S]*?)</source>[\s\S]*?<translation([^>]*?)(/>|>([\s\S]*?)</translation>))");
    for (std::sregex_iterator c(ts.begin(), ts.end(), kContext), end; c != end; ++c) {
        const std::string body = (*c)[2];
        for (std::sregex_iterator m(body.begin(), body.end(), kMessage); m != end; ++m) {
            TEntry entry{(*c)[1], Unescape((*m)[1]), Unescape((*m)[4]), false};
            entry.Unfinished = std::string((*m)[2]).find("type=") != std::string::npos;
            entries.push_back(entry);
        }
    }
    return entries;
}

std::multiset<std::string> Markers(const std::string& text) {
    std::multiset<std::string> markers;
    static const std::regex kMarker(R"(%[1-9])");
    for (std::sregex_iterator m(text.begin(), text.end(), kMarker), end; m != end; ++m) markers.insert(m->str());
    return markers;
}

// An accelerator: one '&' not doubled.
bool HasAccelerator(const std::string& text) {
    static const std::regex kAccelerator(R"((^|[^&])&[^&\s])");
    return std::regex_search(text, kAccelerator);
}

TEST(TranslationCompletenessTest, EveryCatalogueEntryIsFinishedWithTheSameMarkers) {
    std::vector<fs::path> catalogues;
    for (const auto& entry : fs::directory_iterator(kSourceDir / "translations"))
        if (entry.path().extension() == ".ts") catalogues.push_back(entry.path());
    ASSERT_FALSE(catalogues.empty());
    for (const fs::path& file : catalogues) {
        const std::vector<TEntry> entries = Entries(ReadFile(file));
        const std::string name = file.filename().string();
        // Japanese is the source language: its catalogue has nothing to say.
        if (name == "zelvo_ja.ts") {
            EXPECT_TRUE(entries.empty()) << name << " holds entries";
            continue;
        }
        EXPECT_GT(entries.size(), 400u) << name;
        for (const TEntry& e : entries) {
            const std::string where = name + " [" + e.Context + "] \"" + e.Source + "\"";
            EXPECT_FALSE(e.Unfinished) << where << " is unfinished";
            EXPECT_FALSE(e.Translation.empty()) << where << " has no translation";
            EXPECT_NE(e.Translation, e.Source) << where << " is left in Japanese";
            EXPECT_EQ(Markers(e.Source), Markers(e.Translation)) << where << ": the %-markers differ";
            EXPECT_EQ(HasAccelerator(e.Source), HasAccelerator(e.Translation))
                << where << ": an accelerator (&) on one side only";
        }
    }
}

}  // namespace
