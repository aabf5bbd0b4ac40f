// zelvo-make-help, the generator of the help pages: the real sources pass
// its checks, and each kind of bad source fails the build with the file and
// the reason.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

struct TResult {
    int Status = -1;
    std::string Output;  ///< standard output and error
};

TResult RunMakeHelp(const std::string& arguments) {
    const std::string command = std::string("'") + ZELVO_MAKE_HELP_PROGRAM + "' " + arguments + " 2>&1";
    TResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) result.Output += buffer;
    const int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Check(const fs::path& pages) {
    return "--pages '" + pages.string() + "'";
}

TEST(MakeHelpTest, TheSourcesOfTheRepositoryPass) {
    const TResult result = RunMakeHelp(Check(fs::path(ZELVO_HELP_SOURCE_DIR) / "pages"));
    EXPECT_EQ(result.Status, 0) << result.Output;
    EXPECT_NE(result.Output.find("page sources checked"), std::string::npos) << result.Output;
}

struct TBadSource {
    const char* What;
    std::vector<std::pair<const char*, const char*>> Files;  ///< name, text
    const char* Message;                                     ///< part of the expected message
};

class MakeHelpRefusesTest : public ::testing::TestWithParam<TBadSource> {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("zelvo-help-test"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_P(MakeHelpRefusesTest, NamesTheFileAndTheReason) {
    const TBadSource& bad = GetParam();
    // A good page beside the bad one: the refusal is about the bad file.
    Write(dir_ / "mnuNew.html", "<!--\ntitle: 新規作成\nmenu: ファイル\ntopic: 73\n-->\n<p>x</p>\n");
    for (const auto& [name, text] : bad.Files) Write(dir_ / name, text);
    const TResult result = RunMakeHelp(Check(dir_));
    EXPECT_EQ(result.Status, 1) << result.Output;
    EXPECT_NE(result.Output.find(bad.Message), std::string::npos) << "expected \"" << bad.Message << "\" in\n"
                                                                  << result.Output;
    EXPECT_EQ(result.Output.find("page sources checked"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    BadSources, MakeHelpRefusesTest,
    ::testing::Values(
        TBadSource{"NoTitle", {{"mnuOpen.html", "<!--\nmenu: ファイル\n-->\n<p>x</p>\n"}}, "mnuOpen.html: no title"},
        TBadSource{"NoMenu", {{"mnuOpen.html", "<!--\ntitle: 開く\n-->\n"}}, "mnuOpen.html: no menu"},
        TBadSource{"UnknownKey",
                   {{"mnuOpen.html", "<!--\ntitle: 開く\nmenu: ファイル\nshortcuts: Ctrl+O\n-->\n"}},
                   "mnuOpen.html: unknown key \"shortcuts\" on line 4"},
        TBadSource{"KeyTwice",
                   {{"mnuOpen.html", "<!--\ntitle: 開く\nmenu: ファイル\ntitle: 開く\n-->\n"}},
                   "mnuOpen.html: key \"title\" given twice"},
        TBadSource{"UnknownMenu",
                   {{"mnuOpen.html", "<!--\ntitle: 開く\nmenu: 窓\n-->\n"}}, "mnuOpen.html: unknown menu \"窓\""},
        TBadSource{"TopicNotANumber",
                   {{"dlgX.html", "<!--\ntitle: x\nmenu: その他\ntopic: 4a\n-->\n"}},
                   "dlgX.html: topic \"4a\" is not a number"},
        TBadSource{"TopicTwice",
                   {{"dlgNew.html", "<!--\ntitle: x\nmenu: ファイル\ntopic: 73\n-->\n"}},
                   "topic 73 is also"},
        TBadSource{"UndoNotTheTables",
                   {{"mnuSepia.html", "<!--\ntitle: セピア\nmenu: カラー\nundo: セピア\n-->\n"}},
                   "mnuSepia.html: key \"undo\" is \"セピア\", but the command table says \"セピア色変換\""},
        TBadSource{"ShortcutNotTheTables",
                   {{"mnuCut.html", "<!--\ntitle: 切り取り\nmenu: 編集\nshortcut: Ctrl+K\n-->\n"}},
                   "mnuCut.html: key \"shortcut\" is \"Ctrl+K\", but the command table says \"Ctrl+X\""},
        TBadSource{"TopicNotTheTables",
                   {{"mnuBlur.html", "<!--\ntitle: ぶれ\nmenu: 加工\ntopic: 60\n-->\n"}},
                   "mnuBlur.html: key \"topic\" is \"60\", but the command table says \"59\""},
        TBadSource{"UnknownCommand",
                   {{"mnuBrightnes.html", "<!--\ntitle: 明るさ\nmenu: カラー\n-->\n"}},
                   "\"mnuBrightnes\" is neither a command of the command table"},
        TBadSource{"LinkToNoPage",
                   {{"mnuOpen.html", "<!--\ntitle: 開く\nmenu: ファイル\n-->\n<a href=\"mnuSaev.html\">x</a>\n"}},
                   "mnuOpen.html: link to mnuSaev.html, which is no page"},
        TBadSource{"NoHeader", {{"mnuOpen.html", "<p>開く</p>\n"}}, "mnuOpen.html: the source does not start"},
        TBadSource{"HeaderNotClosed", {{"mnuOpen.html", "<!--\ntitle: 開く\nmenu: ファイル\n"}},
                   "mnuOpen.html: the header comment is not closed"},
        TBadSource{"LineWithoutKey", {{"mnuOpen.html", "<!--\ntitle: 開く\nmenu ファイル\n-->\n"}},
                   "mnuOpen.html: line 3 is not \"key: value\""}),
    [](const ::testing::TestParamInfo<TBadSource>& param) { return std::string(param.param.What); });

// With --out the generator also runs zelvo-cli: an operation it refuses
// fails the build and names the page.
TEST(MakeHelpTest, AnOperationThatFailsNamesItsPage) {
    const fs::path dir = test::MakeTempDir("zelvo-help-ops");
    fs::create_directories(dir / "pages");
    Write(dir / "pages" / "mnuSepia.html", "<!--\ntitle: セピア\nmenu: カラー\nops: Sepiaa\n-->\n<p>x</p>\n");
    const TResult result =
        RunMakeHelp(Check(dir / "pages") + " --cli '" + ZELVO_CLI_PROGRAM + "' --sample '" + ZELVO_SAMPLE_PICTURE +
            "' --textures '" + dir.string() + "' --work '" + (dir / "work").string() + "' --out '" + (dir / "out").string() + "'");
    EXPECT_EQ(result.Status, 1) << result.Output;
    EXPECT_NE(result.Output.find("mnuSepia.html: ops \"Sepiaa\""), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find("did you mean Sepia?"), std::string::npos) << result.Output;
    EXPECT_FALSE(fs::exists(dir / "out" / "pages.tsv"));
    fs::remove_all(dir);
}

// The English pages: title and body from pages/en/, everything else from
// the Japanese page, the undo caption from the catalogue; a page not yet
// translated is reached in Japanese; an English source without a Japanese
// page is refused.
TEST(MakeHelpTest, WritesTranslatedPagesBesideTheJapaneseOnes) {
    const fs::path dir = test::MakeTempDir("zelvo-help-en");
    fs::create_directories(dir / "pages" / "en");
    Write(dir / "pages" / "mnuNew.html", "<!--\ntitle: 新規作成\nmenu: ファイル\n-->\n<p>x</p>\n");
    Write(dir / "pages" / "mnuSepia.html", "<!--\ntitle: セピア\nmenu: カラー\nops: Sepia\n-->\n<p>x</p>\n");
    Write(dir / "pages" / "en" / "mnuSepia.html",
          "<!--\ntitle: Sepia\n-->\n<p>See <a href=\"mnuNew.html\">New</a>.</p>\n");
    Write(dir / "zelvo_en.ts",
          "<TS><context>\n<name>undo</name>\n<message>\n<source>セピア色変換</source>\n"
          "<translation>Sepia Tone</translation>\n</message>\n</context></TS>\n");
    const std::string build = Check(dir / "pages") + " --cli '" + ZELVO_CLI_PROGRAM + "' --sample '" +
                              ZELVO_SAMPLE_PICTURE + "' --textures '" + dir.string() + "' --work '" +
                              (dir / "work").string() + "' --out '" + (dir / "out").string() + "' --catalogues '" +
                              dir.string() + "'";
    TResult result = RunMakeHelp(build);
    ASSERT_EQ(result.Status, 0) << result.Output;
    const std::string page = Read(dir / "out" / "en" / "mnuSepia.html");
    for (const char* part : {"<html lang=\"en\">", "<h1>Sepia</h1>", "Menu: Color › Sepia", "Undo: \u201cSepia Tone\u201d",
                             "src=\"../img/mnuSepia.png\"", "href=\"../help.css\"", "href=\"../topic-73.html\"",
                             "<figcaption>Before</figcaption>"})
        EXPECT_NE(page.find(part), std::string::npos) << part << " in\n" << page;
    const std::string index = Read(dir / "out" / "en" / "index.html");
    EXPECT_NE(index.find("<a href=\"mnuSepia.html\">Sepia</a>"), std::string::npos) << index;
    EXPECT_NE(index.find("<a href=\"../topic-73.html\" hreflang=\"ja\">新規作成</a>"), std::string::npos) << index;
    EXPECT_FALSE(fs::exists(dir / "out" / "en" / "topic-73.html"));
    // The Japanese page stays as it was.
    EXPECT_NE(Read(dir / "out" / "mnuSepia.html").find("元に戻す: 「セピア色変換」"), std::string::npos);

    Write(dir / "pages" / "en" / "mnuSepiaa.html", "<!--\ntitle: Sepia\n-->\n");
    result = RunMakeHelp(build);
    EXPECT_EQ(result.Status, 1) << result.Output;
    EXPECT_NE(result.Output.find("en/mnuSepiaa.html: no Japanese page of that name"), std::string::npos) << result.Output;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
