// zelvo-cli explains itself: help, the operation listing generated from the
// operation table, the version, and usage errors with exit status 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "TestSupport.h"
#include "cli/Cli.h"
#include "cli/OperationTable.h"
#include "formats/PictureFormats.h"

namespace zelvo {
namespace {

struct TResult {
    int Status = 0;
    std::string Out;
    std::string Err;
};

TResult Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::Run(args, out, err);
    return {status, out.str(), err.str()};
}

int Lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

TEST(CliUsage, HelpInEveryFormListsEveryCommandAndExitsZero) {
    for (const char* form : {"--help", "-h", "help"}) {
        SCOPED_TRACE(form);
        const TResult r = Cli({form});
        EXPECT_EQ(r.Status, 0);
        EXPECT_TRUE(r.Err.empty());
        for (const char* command : {"decode", "rgb", "info", "apply", "ops", "--version"})
            EXPECT_NE(r.Out.find("\n  " + std::string(command) + " "), std::string::npos) << command;
        EXPECT_NE(r.Out.find("examples:"), std::string::npos);
    }
}

// The format listing, the desktop entry's MIME list and batch's input
// types all come from the format table: a row added there shows in each.
TEST(CliUsage, FormatsAndBatchInputTypesFollowTheFormatTable) {
    const TResult listing = Cli({"formats"});
    ASSERT_EQ(listing.Status, 0);
    const TResult mime = Cli({"formats", "--mime-types"});
    ASSERT_EQ(mime.Status, 0);
    EXPECT_EQ(mime.Out.substr(0, 20), "image/bmp;image/jpeg");
    EXPECT_EQ(mime.Out.substr(mime.Out.size() - 2), ";\n");
    const TResult batch = Cli({"batch", "--help"});
    ASSERT_EQ(batch.Status, 0);
    EXPECT_NE(batch.Out.find("bmp, jpeg, png, ico, gif, pcd or netpbm\n"), std::string::npos) << batch.Out;
    EXPECT_NE(batch.Out.find("which leaves netpbm out"), std::string::npos);
    EXPECT_EQ(Lines(listing.Out), int(PictureFormats().size()));
    for (const TPictureFormat& row : PictureFormats()) {
        SCOPED_TRACE(row.Key);
        // The rows the plug-ins read are written here only.
        EXPECT_NE(listing.Out.find(row.Key + (row.Read ? ": read" : ": write")), std::string::npos) << listing.Out;
        ASSERT_FALSE(row.MimeTypes.empty());
        for (const std::string& type : row.MimeTypes) EXPECT_NE(mime.Out.find(type + ";"), std::string::npos);
    }
    EXPECT_NE(listing.Out.find("gif: read write gif-mode | .gif | image/gif\n"), std::string::npos);
    EXPECT_EQ(Cli({"formats", "--bogus"}).Status, 2);
}

TEST(CliUsage, VersionIsOneLine) {
    const TResult r = Cli({"--version"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_TRUE(std::regex_match(r.Out, std::regex("zelvo-cli [0-9]+\\.[0-9]+(\\.[0-9]+)*\n"))) << r.Out;
}

// The listing has one line per table row, each starting with the call form
// NAME:arg,...; names, types and ranges come from the rows.
TEST(CliUsage, OpsListsEveryRowOfTheTableWithItsArguments) {
    const TResult r = Cli({"ops"});
    ASSERT_EQ(r.Status, 0);
    std::vector<std::string> lines;
    std::istringstream in(r.Out);
    std::string line;
    std::getline(in, line);  // heading
    while (std::getline(in, line)) lines.push_back(line);
    const auto& table = cli::Operations();
    ASSERT_EQ(lines.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const cli::TOperation& op = table[i];
        SCOPED_TRACE(op.Name);
        ASSERT_EQ(int(op.Arguments.size()), op.Arity);
        std::string call = "  " + op.Name;
        for (int a = 0; a < op.Arity; ++a) {
            // Every argument is named by its row, not numbered.
            EXPECT_NE(op.Arguments[std::size_t(a)].Name.rfind("arg", 0), 0u) << "unnamed argument " << a + 1;
            call += (a == 0 ? ":" : ",") + op.Arguments[std::size_t(a)].Name;
        }
        EXPECT_EQ(lines[i].rfind(call, 0), 0u) << lines[i];
    }
    // Types and ranges as the parameters and rows give them.
    auto lineOf = [&](const std::string& start) {
        for (const auto& l : lines)
            if (l.rfind("  " + start, 0) == 0) return l;
        return std::string();
    };
    EXPECT_NE(lineOf("Brightness:delta").find("delta: integer -255..255"), std::string::npos);
    EXPECT_NE(lineOf("Posterize:levels").find("levels: integer 0..255"), std::string::npos);
    EXPECT_NE(lineOf("Rotate90:clockwise").find("clockwise: 0 or 1"), std::string::npos);
    EXPECT_NE(lineOf("AddMargins:top,bottom,color,right,left").find("color: colour;"), std::string::npos);
    EXPECT_NE(lineOf("Resample:filter,width,height,support")
                  .find("filter: Box|Hermite|Triangle|Bell|Mitchell|BSpline|Lanczos3 or 0..6"),
              std::string::npos);
    EXPECT_NE(lineOf("Gamma:gamma").find("gamma: real"), std::string::npos);
    EXPECT_EQ(lineOf("Negative"), "  Negative");
}

TEST(CliUsage, ListedRangesAreTheRangesApplyEnforces) {
    const auto dir = test::MakeTempDir("cliranges");
    const auto in = (dir / "in.bmp").string();
    const auto out = (dir / "out.bmp").string();
    test::NoiseImage24(6, 5, 3).SaveToFile(in);
    struct Case {
        std::string op;
        std::string error;  // empty: accepted
    };
    const Case cases[] = {
        {"Brightness:255", ""},
        {"Brightness:-255", ""},
        {"Brightness:256", "Brightness: value out of range -255..255: \"256\""},
        {"Brightness:-256", "Brightness: value out of range -255..255: \"-256\""},
        {"Posterize:255", ""},
        {"Posterize:256", "Posterize: value out of range 0..255: \"256\""},
        {"AdjustHSV:360,-100,100", ""},
        {"AdjustHSV:361,0,0", "AdjustHSV: value out of range -360..360: \"361\""},
        {"AdjustHSV:0,0,101", "AdjustHSV: value out of range -100..100: \"101\""},
        {"Monochrome:256,0,0", ""},
        {"Monochrome:-1,0,0", "Monochrome: value out of range 0..256: \"-1\""},
        {"Contrast:-128", ""},
        {"Contrast:128", "Contrast: value out of range -128..127: \"128\""},
        {"SingleColorScale:clRed", ""},
        {"SingleColorScale:clNoSuch", "SingleColorScale: expected an integer or a colour, got \"clNoSuch\""},
        {"Gamma:2.2", ""},
        {"Gamma:inf", "Gamma: expected a number, got \"inf\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.op);
        const TResult r = Cli({"apply", in, out, c.op});
        EXPECT_EQ(r.Status, c.error.empty() ? 0 : 2) << r.Err;
        if (!c.error.empty()) {
            EXPECT_EQ(r.Err.rfind(c.error + " (", 0), 0u) << r.Err;
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(CliUsage, UnknownOperationExitsTwoAndNamesTheClosest) {
    const auto dir = test::MakeTempDir("cliclosest");
    const auto in = (dir / "a.bmp").string();
    test::NoiseImage24(4, 4, 1).SaveToFile(in);
    struct Case {
        std::string given;
        std::string closest;
    };
    // Names one or two edits away from a row (case is not an edit); far from
    // every name, Nonsense still gets the nearest (Contrast, 5 edits).
    const Case cases[] = {
        {"Nonsense", cli::ClosestOperationName("Nonsense")}, {"Brightnes", "Brightness"}, {"rotate90", "Rotate90"},
        {"Sepai", "Sepia"},       {"Resampel", "Resample"},    {"Equalise", "Equalize"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(cli::ClosestOperationName(c.given), c.closest);
        EXPECT_NE(cli::FindOperation(c.closest), nullptr);
        const TResult r = Cli({"apply", in, (dir / "b.bmp").string(), c.given});
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(Lines(r.Err), 1) << r.Err;
        EXPECT_NE(r.Err.find("unknown operation " + c.given + "; did you mean " + c.closest + "?"), std::string::npos)
            << r.Err;
        EXPECT_FALSE(std::filesystem::exists(dir / "b.bmp"));
    }
    std::filesystem::remove_all(dir);
}

TEST(CliUsage, UsageErrorsExitTwoFailuresExitOne) {
    const auto dir = test::MakeTempDir("cliusage");
    const auto in = (dir / "in.bmp").string();
    test::NoiseImage24(4, 4, 1).SaveToFile(in);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string start;  // the error line begins with this
    };
    const Case cases[] = {
        {{}, 2, "no command given"},
        {{"--hepl"}, 2, "unknown command --hepl"},
        {{"frobnicate"}, 2, "unknown command frobnicate"},
        {{"decode", in}, 2, "usage: zelvo-cli decode"},
        {{"info", "--bogus", in}, 2, "unknown option --bogus"},
        {{"apply", in}, 2, "usage: zelvo-cli apply"},
        {{"apply", in, "o.bmp", "--quality", "101"}, 2, "--quality: expected 1..100"},
        {{"apply", in, "o.bmp", "--select", "1,2,3"}, 2, "--select: expected L,T,R,B"},
        {{"ops", "extra"}, 2, "usage: zelvo-cli ops"},
        // Not usage errors: the file is missing or unreadable.
        {{"info", (dir / "missing.bmp").string()}, 1, "file not found"},
        {{"decode", in, (dir / "no" / "such" / "folder.pam").string()}, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0] + " ... " + c.args.back());
        const TResult r = Cli(c.args);
        EXPECT_EQ(r.Status, c.status) << r.Err;
        EXPECT_EQ(Lines(r.Err), 1) << r.Err;
        EXPECT_EQ(r.Err.rfind(c.start, 0), 0u) << r.Err;
        if (c.status == 2) {
            EXPECT_NE(r.Err.find("zelvo-cli --help"), std::string::npos) << r.Err;
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
