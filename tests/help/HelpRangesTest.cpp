// The range and default cells of the help pages against `zelvo-cli ops`,
// which lists each effect parameter as it is declared: a row of a page's
// settings table marked data-arg="name ..." describes those arguments of
// the page's operation, and its range ("1～20") and default ("10") must be
// the declared ones.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zelvo {
namespace {

namespace fs = std::filesystem;

struct TDeclared {
    std::string Range;    ///< "1..20": the dialog's range where listed, else the one taken
    std::string Default;  ///< "10"; empty for an argument no parameter declares
};

std::string RunOps() {
    const std::string command = std::string("'") + ZELVO_CLI_PROGRAM + "' ops";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    return output;
}

// Each argument's part of a listing line: from "name: " to "; next: ", the
// names taken in order from the call ("Wave:periodX,periodY,wrap,amplitude").
std::vector<std::string> ArgumentParts(const std::string& call, const std::string& description) {
    std::vector<std::string> names;
    if (const std::size_t colon = call.find(':'); colon != std::string::npos) {
        std::istringstream list(call.substr(colon + 1));
        for (std::string name; std::getline(list, name, ',');) names.push_back(name);
    }
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::size_t begin = description.find(names[i] + ": ", at);
        if (begin == std::string::npos) break;
        at = i + 1 < names.size() ? description.find("; " + names[i + 1] + ": ", begin) : std::string::npos;
        parts.push_back(description.substr(begin, at == std::string::npos ? std::string::npos : at - begin));
    }
    return parts;
}

// Operation name -> argument name -> what the listing declares.
std::map<std::string, std::map<std::string, TDeclared>> DeclaredArguments(const std::string& listing) {
    std::map<std::string, std::map<std::string, TDeclared>> operations;
    static const std::regex line(R"(^  ((\w+)\S*)\s{2,}(.*)$)");
    static const std::regex argument(R"(^(\w+): ([^(]*?)(?: \((.*)\))?$)");
    static const std::regex range(R"((-?[0-9.]+\.\.-?[0-9.]+))");
    static const std::regex dialog(R"((?:^|; )dialog (-?[0-9.]+\.\.-?[0-9.]+))");
    static const std::regex initial(R"((?:^|; )default (-?[0-9.]+)$)");
    std::istringstream lines(listing);
    std::string text;
    while (std::getline(lines, text)) {
        std::smatch m;
        if (!std::regex_match(text, m, line)) continue;
        auto& arguments = operations[m[2]];
        for (const std::string& part : ArgumentParts(m[1], m[3])) {
            std::smatch a, r;
            if (!std::regex_match(part, a, argument)) continue;
            TDeclared declared;
            const std::string type = a[2], hint = a[3];
            if (std::regex_search(hint, r, dialog)) declared.Range = r[1];
            else if (std::regex_search(type, r, range)) declared.Range = r[1];
            if (std::regex_search(hint, r, initial)) declared.Default = r[1];
            arguments[a[1]] = declared;
        }
    }
    return operations;
}

struct TPageRow {
    std::string Page;
    std::vector<std::string> Arguments;
    std::string Range;    ///< the range cell's leading "lo～hi" as "lo..hi"
    std::string Default;  ///< the default cell's leading number
};

std::string Operation(const std::string& source) {
    static const std::regex ops(R"(\nops: (\w+))");
    std::smatch m;
    return std::regex_search(source, m, ops) ? std::string(m[1]) : std::string();
}

std::vector<TPageRow> MarkedRows(const fs::path& page, const std::string& source) {
    static const std::regex row(R"rx(<tr data-arg="([^"]*)"><td>[^<]*</td><td>(-?[0-9.]+)(?:～| to )(-?[0-9.]+)[^<]*</td><td>(-?[0-9.]+)[^<]*</td>)rx");
    std::vector<TPageRow> rows;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), row); it != std::sregex_iterator(); ++it) {
        TPageRow r;
        r.Page = page.filename().string();
        std::istringstream names((*it)[1].str());
        for (std::string name; names >> name;) r.Arguments.push_back(name);
        r.Range = (*it)[2].str() + ".." + (*it)[3].str();
        r.Default = (*it)[4];
        rows.push_back(r);
    }
    return rows;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(HelpRangesTest, EveryMarkedRowShowsTheDeclaredRangeAndDefault) {
    const auto declared = DeclaredArguments(RunOps());
    ASSERT_FALSE(declared.empty()) << "zelvo-cli ops listed nothing";
    int compared = 0;
    // The Japanese pages, then the translated ones (pages/en/, "lo to hi"),
    // which take their operation from the Japanese page of their name.
    const fs::path japanese = fs::path(ZELVO_HELP_SOURCE_DIR) / "pages";
    std::vector<fs::path> sources;
    for (const fs::path& folder : {japanese, japanese / "en"}) {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) sources.push_back(entry.path());
    }
    for (const fs::path& path : sources) {
        const fs::directory_entry entry(path);
        const std::string source = ReadAll(entry.path());
        const std::string operation = Operation(ReadAll(japanese / entry.path().filename()));
        const std::vector<TPageRow> rows = MarkedRows(entry.path(), source);
        // Every marked row must be read: one the pattern misses would go unchecked.
        std::size_t marked = 0;
        for (std::size_t at = source.find("data-arg="); at != std::string::npos; at = source.find("data-arg=", at + 1))
            ++marked;
        EXPECT_EQ(rows.size(), marked) << entry.path().filename() << ": a data-arg row without \"lo～hi\" (\"lo to hi\") and default cells";
        std::set<std::string> shown;
        for (const TPageRow& row : rows) {
            SCOPED_TRACE(row.Page);
            ASSERT_TRUE(declared.count(operation)) << "no operation \"" << operation << "\" in zelvo-cli ops";
            for (const std::string& name : row.Arguments) {
                SCOPED_TRACE(operation + " " + name);
                const auto found = declared.at(operation).find(name);
                ASSERT_NE(found, declared.at(operation).end()) << "no such argument";
                EXPECT_EQ(row.Range, found->second.Range);
                EXPECT_EQ(row.Default, found->second.Default);
                shown.insert(name);
                ++compared;
            }
        }
        // A page whose operation has declared parameters shows each of them.
        if (!rows.empty()) {
            for (const auto& [name, d] : declared.at(operation)) {
                if (!d.Default.empty()) {
                    EXPECT_TRUE(shown.count(name)) << entry.path().filename() << ": no row for " << name;
                }
            }
        }
    }
    // The pages mark 53 arguments; fewer means rows went unread.
    EXPECT_GE(compared, 53);
}

}  // namespace
}  // namespace zelvo
