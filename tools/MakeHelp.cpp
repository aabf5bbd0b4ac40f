// Builds the help pages from their sources in help/pages, one source per
// command or dialog, named after the command's row of the command table
// (src/app/window/Commands.def, mnuBrightness.html) or
// dlg<Name>/wnd<Name>/doc<Name> for a dialog, a window or a guide that is
// no menu command. A source starts with a header comment of `key: value`
// lines, then the page's body as an HTML fragment:
//
//   <!--
//   title: 明るさ          (required)
//   menu: カラー           (required: ファイル 編集 表示 イメージ カラー 加工 ヘルプ その他)
//   topic: 44              (the help topic a dialog opens; the page is then topic-44.html)
//   shortcut: Ctrl+B
//   undo: 明るさ           (the caption of the undo step)
//
// A command's page takes topic, shortcut and undo from its row of the
// command table; it need not state them, and one that states them
// differently is refused.
//   ops: Brightness:30     (zelvo-cli apply options and operations giving the "after" picture)
//   -->
//   <p>…</p>
//
// In `ops`, ${SAMPLE} stands for the sample picture, ${TEXTURES} for the
// folder of the shipped textures and ${HELP} for the help source folder.
// In a body, <!--@cli-help-->, <!--@cli-batch-help--> and <!--@cli-ops-->
// become the texts of `zelvo-cli --help`, `zelvo-cli batch --help` and a
// table of every operation of `zelvo-cli ops`.
//
//   zelvo-make-help --pages DIR [--intro FILE]
//                   [--style FILE] [--cli PROGRAM --sample PICTURE
//                   --textures DIR --work DIR --out DIR]
//
// Without --out it only checks the sources. With it, it writes every page
// (topic-N.html or <Name>.html), index.html grouping the pages by menu in
// the menus' order, help.css, the pictures in img/ (the sample and each
// page's "after", fitted in 240 x 240 by zelvo-cli itself) and pages.tsv,
// one line per page: source name, page file, topic, menu, undo caption,
// before picture, after picture (both empty without ops) and ops. A source
// with a missing title or menu, an unknown key, an unknown name or a topic
// or page file that another source has too is refused: the program prints
// the file and the reason and exits with status 1.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A source that cannot become a page; what() names the file and the reason.
class ESourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const char* const kMenus[] = {"ファイル", "編集", "表示", "イメージ", "カラー", "加工", "ヘルプ", "その他"};
const char* const kKeys[] = {"title", "menu", "topic", "shortcut", "undo", "ops"};
const char* const kPrefixes[] = {"dlg", "wnd", "doc"};
constexpr int kThumbnailSide = 240;

struct TPage {
    fs::path Source;
    std::string Name;  ///< the source's file name without .html
    std::map<std::string, std::string> Keys;
    std::string Body;
    int Topic = 0;
    int MenuIndex = 0;
    int Order = 0;         ///< position of the command in the command table; after every command for others
    std::string File;      ///< the page's file name
    std::string After;     ///< img/<page>.png when the page has ops
    int AfterWidth = 0, AfterHeight = 0;
    std::string Value(const std::string& key) const {
        const auto it = Keys.find(key);
        return it == Keys.end() ? std::string() : it->second;
    }
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// The main window's commands, in menu order, as the command table states
// them: a command's page takes its shortcut, undo caption and topic from
// its row.
struct TCommandRow {
    const char* Name;
    const char* Shortcut;
    const char* Undo;
    int Topic;
};

const TCommandRow kCommands[] = {
#define ZV_COMMAND(name, caption, shortcut, icon, rules, undo, topic, handler) {#name, shortcut, undo, topic},
#include "app/window/Commands.def"
};

// Fills `key` of a command's page from its row; a page that states the key
// differently is refused.
void TakeFromRow(TPage& page, const std::string& where, const std::string& key, const std::string& value) {
    const auto stated = page.Keys.find(key);
    if (stated != page.Keys.end() && stated->second != value)
        throw ESourceError(where + "key \"" + key + "\" is \"" + stated->second + "\", but the command table says \"" +
                           value + "\"");
    if (!value.empty()) page.Keys[key] = value;
}

TPage ParseSource(const fs::path& path) {
    TPage page;
    page.Source = path;
    page.Name = path.stem().string();
    const std::string where = path.filename().string() + ": ";
    const std::string text = ReadFile(path);
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || Trim(line) != "<!--")
        throw ESourceError(where + "the source does not start with the header comment \"<!--\"");
    bool closed = false;
    int number = 1;
    while (std::getline(lines, line)) {
        ++number;
        line = Trim(line);
        if (line == "-->") {
            closed = true;
            break;
        }
        if (line.empty()) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            throw ESourceError(where + "line " + std::to_string(number) + " is not \"key: value\"");
        const std::string key = Trim(line.substr(0, colon));
        const std::string value = Trim(line.substr(colon + 1));
        if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys))
            throw ESourceError(where + "unknown key \"" + key + "\" on line " + std::to_string(number));
        if (page.Keys.count(key)) throw ESourceError(where + "key \"" + key + "\" given twice");
        if (value.empty()) throw ESourceError(where + "key \"" + key + "\" without a value");
        page.Keys[key] = value;
    }
    if (!closed) throw ESourceError(where + "the header comment is not closed by \"-->\"");
    std::ostringstream rest;
    rest << lines.rdbuf();
    page.Body = rest.str();
    for (const char* key : {"title", "menu"}) {
        if (!page.Keys.count(key)) throw ESourceError(where + "no " + key);
    }
    const auto menu = std::find(std::begin(kMenus), std::end(kMenus), page.Value("menu"));
    if (menu == std::end(kMenus)) throw ESourceError(where + "unknown menu \"" + page.Value("menu") + "\"");
    page.MenuIndex = int(menu - std::begin(kMenus));
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const TCommandRow& row) { return page.Name == row.Name; });
    if (command != std::end(kCommands)) {
        TakeFromRow(page, where, "shortcut", command->Shortcut ? command->Shortcut : "");
        TakeFromRow(page, where, "undo", command->Undo ? command->Undo : "");
        TakeFromRow(page, where, "topic", command->Topic ? std::to_string(command->Topic) : "");
    }
    if (page.Keys.count("topic")) {
        const std::string topic = page.Value("topic");
        if (!std::regex_match(topic, std::regex("[1-9][0-9]{0,5}")))
            throw ESourceError(where + "topic \"" + topic + "\" is not a number from 1");
        page.Topic = std::stoi(topic);
    }
    if (command != std::end(kCommands)) {
        page.Order = int(command - std::begin(kCommands));
    } else if (std::any_of(std::begin(kPrefixes), std::end(kPrefixes), [&](const char* prefix) {
                   return page.Name.rfind(prefix, 0) == 0 && page.Name.size() > std::strlen(prefix);
               })) {
        page.Order = int(std::size(kCommands)) + page.Topic;
    } else {
        throw ESourceError(where + "\"" + page.Name + "\" is neither a command of the command table nor dlg/wnd/doc<Name>");
    }
    page.File = page.Topic ? "topic-" + std::to_string(page.Topic) + ".html" : page.Name + ".html";
    return page;
}

// Points each link between pages at the page's file: a source links to
// another by its source name (mnuJpegQuality.html), which becomes
// topic-38.html when that page has a topic. A link to no page is refused.
void ResolveLinks(std::vector<TPage>& pages) {
    std::map<std::string, std::string> files{{"index.html", "index.html"}};
    for (const TPage& page : pages) {
        files[page.Name + ".html"] = page.File;
        files[page.File] = page.File;
    }
    static const std::regex link(R"(href="([^":/#]+\.html)(#[^"]*)?")");
    for (TPage& page : pages) {
        std::string out;
        auto last = page.Body.cbegin();
        for (auto it = std::sregex_iterator(page.Body.begin(), page.Body.end(), link); it != std::sregex_iterator(); ++it) {
            const auto found = files.find((*it)[1].str());
            if (found == files.end())
                throw ESourceError(page.Source.filename().string() + ": link to " + (*it)[1].str() + ", which is no page");
            out.append(last, (*it)[0].first);
            out += "href=\"" + found->second + (*it)[2].str() + "\"";
            last = (*it)[0].second;
        }
        out.append(last, page.Body.cend());
        page.Body = std::move(out);
    }
}

// Reads every source of `folder` and checks the set: one page per topic and
// per file name.
std::vector<TPage> ReadSources(const fs::path& folder) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == ".html") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<TPage> pages;
    std::map<int, std::string> topics;
    std::map<std::string, std::string> files;
    for (const fs::path& path : paths) {
        TPage page = ParseSource(path);
        const std::string name = path.filename().string();
        if (page.Topic) {
            const auto [it, fresh] = topics.emplace(page.Topic, name);
            if (!fresh) throw ESourceError(name + ": topic " + std::to_string(page.Topic) + " is also " + it->second);
        }
        const auto [it, fresh] = files.emplace(page.File, name);
        if (!fresh) throw ESourceError(name + ": page " + page.File + " is also made from " + it->second);
        pages.push_back(std::move(page));
    }
    if (pages.empty()) throw ESourceError(folder.string() + ": no page sources");
    ResolveLinks(pages);
    std::stable_sort(pages.begin(), pages.end(), [](const TPage& a, const TPage& b) {
        return std::tie(a.MenuIndex, a.Order, a.Name) < std::tie(b.MenuIndex, b.Order, b.Name);
    });
    return pages;
}

// ---- Running zelvo-cli

struct TRunner {
    fs::path Program;
    fs::path ErrorFile;

    // Runs the program with `args` and returns its standard output; throws
    // with its error output when it fails.
    std::string Run(const std::vector<std::string>& args) const {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        const pid_t pid = fork();
        if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
        if (pid == 0) {
            std::vector<std::string> all{Program.string()};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
            close(pipeFds[1]);
            if (FILE* err = std::fopen(ErrorFile.c_str(), "w")) dup2(fileno(err), 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        std::string output;
        char buffer[4096];
        ssize_t got = 0;
        while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
            if (got > 0) output.append(buffer, std::size_t(got));
        }
        close(pipeFds[0]);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::string command = Program.filename().string();
            for (const std::string& a : args) command += " " + a;
            std::string error = fs::exists(ErrorFile) ? Trim(ReadFile(ErrorFile)) : std::string();
            throw std::runtime_error(command + " failed" + (error.empty() ? std::string() : ": " + error));
        }
        return output;
    }

    // Width and height of a picture file.
    std::pair<int, int> Size(const fs::path& picture) const {
        const std::string info = Run({"info", picture.string()});
        std::smatch m;
        static const std::regex size(R"(width: (\d+)\nheight: (\d+))");
        if (!std::regex_search(info, m, size)) throw std::runtime_error("no size in zelvo-cli info of " + picture.string());
        return {std::stoi(m[1]), std::stoi(m[2])};
    }

    // Writes `picture` fitted in the thumbnail square as PNG; returns its size.
    std::pair<int, int> Thumbnail(const fs::path& picture, const fs::path& png) const {
        const auto [w, h] = Size(picture);
        const double scale = std::min({1.0, double(kThumbnailSide) / w, double(kThumbnailSide) / h});
        const int tw = std::max(1, int(w * scale + 0.5)), th = std::max(1, int(h * scale + 0.5));
        std::vector<std::string> args{"apply", picture.string(), png.string()};
        if (scale < 1.0) args.push_back("Resample:Lanczos3," + std::to_string(tw) + "," + std::to_string(th));
        Run(args);
        return {tw, th};
    }
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string Substitute(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        const std::string key = "${" + name + "}";
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    if (const auto left = text.find("${"); left != std::string::npos)
        throw ESourceError("unknown placeholder in \"" + text + "\"");
    return text;
}

// ---- The command-line guide

// Splits at "; " outside parentheses (hints may hold "; " themselves).
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> parts;
    std::string current;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (depth == 0 && c == ';' && i + 1 < text.size() && text[i + 1] == ' ') {
            parts.push_back(current);
            current.clear();
            ++i;
            continue;
        }
        current += c;
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

// The table of every operation, from the lines of `zelvo-cli ops`
// ("  Brightness:delta   delta: integer -255..255").
std::string OperationTable(const std::string& listing) {
    std::ostringstream html;
    html << "<table class=\"ops\">\n<tr><th>操作</th><th>引数</th><th>型と範囲</th><th>説明</th></tr>\n";
    std::istringstream lines(listing);
    std::string line;
    int rows = 0;
    std::getline(lines, line);  // the heading line
    static const std::regex row(R"(^  (\S+)(?:\s{2,}(.*))?$)");
    static const std::regex argument(R"(^(\w+): (.*?)(?: \((.*)\))?$)");
    static const std::regex typeAndRange(R"(^(.*?)(?: (-?[0-9.]+\.\.-?[0-9.]*))?$)");
    while (std::getline(lines, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) throw std::runtime_error("unexpected zelvo-cli ops line: " + line);
        const std::string call = m[1];
        const std::string name = call.substr(0, call.find(':'));
        std::vector<std::string> args = SplitArguments(m[2]);
        const std::size_t span = std::max<std::size_t>(1, args.size());
        // A break opportunity after each comma keeps long calls in their column.
        std::string shown = Escape(call);
        for (std::size_t at = shown.find(','); at != std::string::npos; at = shown.find(',', at + 6))
            shown.insert(at + 1, "<wbr>");
        html << "<tr id=\"op-" << Escape(name) << "-" << args.size() << "\"><td class=\"call\" rowspan=\"" << span
             << "\"><code>" << shown << "</code></td>";
        if (args.empty()) html << "<td colspan=\"3\">引数なし</td></tr>\n";
        for (std::size_t i = 0; i < args.size(); ++i) {
            std::smatch a, t;
            if (!std::regex_match(args[i], a, argument))
                throw std::runtime_error("unexpected argument in zelvo-cli ops: " + args[i]);
            const std::string type = a[2];
            std::regex_match(type, t, typeAndRange);
            if (i > 0) html << "<tr>";
            html << "<td class=\"arg\"><code>" << Escape(a[1]) << "</code></td><td class=\"type\">" << Escape(t[1]);
            if (t[2].matched) html << " <span class=\"range\">" << Escape(t[2]) << "</span>";
            html << "</td><td>" << Escape(a[3]) << "</td></tr>\n";
        }
        ++rows;
    }
    if (rows == 0) throw std::runtime_error("zelvo-cli ops listed no operation");
    html << "</table>\n";
    return html.str();
}

// ---- Writing

struct TContext {
    TRunner Cli;
    fs::path Sample, Textures, HelpSource, Work, Out;
    std::string Style, Intro;
    std::map<std::string, std::string> Generated;  ///< body placeholder -> HTML
    int SampleWidth = 0, SampleHeight = 0;
};

std::string Head(const std::string& title, const std::string& source) {
    std::string head =
        "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width\">\n<title>" +
        Escape(title) + " - Zelvo ヘルプ</title>\n<link rel=\"stylesheet\" href=\"help.css\">\n";
    if (!source.empty()) head += "<meta name=\"zelvo-source\" content=\"" + Escape(source) + "\">\n";
    return head + "</head>\n<body>\n";
}

std::string ExpandBody(const TPage& page, const TContext& context) {
    std::string body = page.Body;
    static const std::regex marker(R"(<!--@([a-z-]+)-->)");
    std::string out;
    auto last = body.cbegin();
    for (auto it = std::sregex_iterator(body.begin(), body.end(), marker); it != std::sregex_iterator(); ++it) {
        const auto found = context.Generated.find((*it)[1].str());
        if (found == context.Generated.end())
            throw ESourceError(page.Source.filename().string() + ": unknown generated part <!--@" + (*it)[1].str() + "-->");
        out.append(last, (*it)[0].first);
        out += found->second;
        last = (*it)[0].second;
    }
    out.append(last, body.cend());
    return out;
}

// The ops as the page shows them: files by their names alone, the sample
// as sample.bmp.
std::string ShownOps(std::string ops) {
    ops = std::regex_replace(ops, std::regex(R"(\$\{SAMPLE\})"), "sample.bmp");
    return std::regex_replace(ops, std::regex(R"(\$\{[A-Z]+\}/(?:[^,/ ]+/)*)"), "");
}

std::string RenderPage(const TPage& page, const TContext& context) {
    std::ostringstream html;
    const std::string title = page.Value("title");
    html << Head(title, page.Name);
    html << "<nav><a href=\"index.html\">目次</a> › " << Escape(page.Value("menu")) << "</nav>\n";
    html << "<h1>" << Escape(title) << "</h1>\n";
    std::vector<std::string> facts;
    if (page.Value("menu") != "その他") facts.push_back("メニュー: " + Escape(page.Value("menu")) + " › " + Escape(title));
    if (!page.Value("shortcut").empty())
        facts.push_back("ショートカット: <kbd>" + Escape(page.Value("shortcut")) + "</kbd>");
    if (!page.Value("undo").empty()) facts.push_back("元に戻す: 「" + Escape(page.Value("undo")) + "」");
    if (!facts.empty()) {
        html << "<p class=\"facts\">";
        for (std::size_t i = 0; i < facts.size(); ++i) html << (i ? "<span class=\"sep\"> ・ </span>" : "") << facts[i];
        html << "</p>\n";
    }
    if (!page.After.empty()) {
        html << "<div class=\"beforeafter\">\n"
             << "<figure><img src=\"img/sample.png\" width=\"" << context.SampleWidth << "\" height=\""
             << context.SampleHeight << "\" alt=\"処理前\"><figcaption>処理前</figcaption></figure>\n"
             << "<figure><img src=\"" << page.After << "\" width=\"" << page.AfterWidth << "\" height=\""
             << page.AfterHeight << "\" alt=\"処理後\"><figcaption>処理後<br><code>zelvo-cli apply IN OUT "
             << Escape(ShownOps(page.Value("ops"))) << "</code></figcaption></figure>\n</div>\n";
    }
    html << ExpandBody(page, context);
    html << "\n<footer><a href=\"index.html\">目次へ戻る</a></footer>\n</body></html>\n";
    return html.str();
}

std::string RenderIndex(const std::vector<TPage>& pages, const TContext& context) {
    std::ostringstream html;
    html << Head("目次", "") << "<h1>Zelvo ヘルプ</h1>\n" << context.Intro << "\n";
    int menu = -1;
    for (const TPage& page : pages) {
        if (page.MenuIndex != menu) {
            if (menu >= 0) html << "</ul>\n";
            menu = page.MenuIndex;
            html << "<h2>" << kMenus[menu] << (menu < 7 ? " メニュー" : "") << "</h2>\n<ul class=\"topics\">\n";
        }
        html << "<li><a href=\"" << page.File << "\">" << Escape(page.Value("title")) << "</a>";
        if (!page.Value("shortcut").empty()) html << " <kbd>" << Escape(page.Value("shortcut")) << "</kbd>";
        html << "</li>\n";
    }
    html << "</ul>\n</body></html>\n";
    return html.str();
}

void Build(std::vector<TPage>& pages, TContext& context) {
    // Start from an empty folder, so pages of removed sources do not linger.
    if (fs::exists(context.Out)) {
        for (const auto& entry : fs::directory_iterator(context.Out)) fs::remove_all(entry.path());
    }
    fs::create_directories(context.Out / "img");
    fs::create_directories(context.Work);
    context.Cli.ErrorFile = context.Work / "stderr.txt";

    std::tie(context.SampleWidth, context.SampleHeight) = context.Cli.Thumbnail(context.Sample, context.Out / "img/sample.png");
    context.Generated["cli-help"] = "<pre class=\"cli\">" + Escape(context.Cli.Run({"--help"})) + "</pre>";
    context.Generated["cli-batch-help"] = "<pre class=\"cli\">" + Escape(context.Cli.Run({"batch", "--help"})) + "</pre>";
    context.Generated["cli-ops"] = OperationTable(context.Cli.Run({"ops"}));

    const std::map<std::string, std::string> values{{"SAMPLE", context.Sample.string()},
                                                    {"TEXTURES", context.Textures.string()},
                                                    {"HELP", context.HelpSource.string()}};
    std::ostringstream manifest;
    for (TPage& page : pages) {
        const std::string ops = page.Value("ops");
        if (!ops.empty()) {
            const std::string stem = page.File.substr(0, page.File.size() - 5);
            const fs::path result = context.Work / (stem + ".bmp");
            std::vector<std::string> args{"apply", context.Sample.string(), result.string()};
            try {
                for (const std::string& word : Words(Substitute(ops, values))) args.push_back(word);
                context.Cli.Run(args);
                page.After = "img/" + stem + ".png";
                std::tie(page.AfterWidth, page.AfterHeight) = context.Cli.Thumbnail(result, context.Out / page.After);
            } catch (const std::exception& e) {
                throw ESourceError(page.Source.filename().string() + ": ops \"" + ops + "\": " + e.what());
            }
            fs::remove(result);
        }
        WriteFile(context.Out / page.File, RenderPage(page, context));
        manifest << page.Name << '\t' << page.File << '\t' << page.Topic << '\t' << page.Value("menu") << '\t'
                 << page.Value("undo") << '\t' << (page.After.empty() ? "" : "img/sample.png") << '\t' << page.After
                 << '\t' << ops << '\n';
    }
    if (!context.Style.empty()) WriteFile(context.Out / "help.css", context.Style);
    WriteFile(context.Out / "index.html", RenderIndex(pages, context));
    // Last, so an interrupted run leaves no manifest and the build step runs again.
    WriteFile(context.Out / "pages.tsv", manifest.str());
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key.rfind("--", 0) != 0 || i + 1 >= argc) {
            std::fprintf(stderr, "usage: zelvo-make-help --pages DIR [--intro FILE] [--style FILE] "
                                 "[--cli PROGRAM --sample PICTURE --textures DIR --work DIR --out DIR]\n");
            return 2;
        }
        options[key.substr(2)] = argv[++i];
    }
    try {
        if (!options.count("pages")) throw std::runtime_error("--pages is required");
        std::vector<TPage> pages = ReadSources(options["pages"]);
        if (!options.count("out")) {
            std::printf("%zu page sources checked\n", pages.size());
            return 0;
        }
        for (const char* required : {"cli", "sample", "textures", "work"}) {
            if (!options.count(required)) throw std::runtime_error(std::string("--") + required + " is required with --out");
        }
        TContext context;
        context.Cli.Program = fs::absolute(options["cli"]);
        context.Sample = fs::absolute(options["sample"]);
        context.Textures = fs::absolute(options["textures"]);
        context.HelpSource = fs::absolute(fs::path(options["pages"]).parent_path());
        context.Work = fs::absolute(options["work"]);
        context.Out = fs::absolute(options["out"]);
        if (options.count("style")) context.Style = ReadFile(options["style"]);
        if (options.count("intro")) context.Intro = ReadFile(options["intro"]);
        // zelvo-cli reads Zelvo.ini and finds plug-ins through the XDG
        // folders: give it empty ones, so the pictures do not depend on the
        // settings of whoever builds.
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            const fs::path folder = context.Work / "xdg" / variable;
            fs::create_directories(folder);
            setenv(variable, folder.c_str(), 1);
        }
        Build(pages, context);
        std::printf("%zu help pages written to %s\n", pages.size(), context.Out.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelvo-make-help: %s\n", e.what());
        return 1;
    }
}
