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
//                   --textures DIR --work DIR --out DIR] [--catalogues DIR]
//
// The pages in another language come from DIR/<language>/ (DIR/en/), one
// source per page named as the Japanese one, with a header of its title
// only; its menu, topic, shortcut and pictures are the Japanese page's, its
// undo caption the translation in --catalogues (translations/zelvo_en.ts).
// They go to OUT/<language>/ with index.html (the intro from
// index-intro.<language>.html beside --intro), the pictures and style
// shared with the Japanese pages; the index lists a page not yet translated
// with its Japanese title and page.
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

// The fixed words of the pages in one language. Japanese is the sources'
// own; a page source in pages/<language>/ gives another language's title
// and body, and takes everything else from the Japanese source of its name.
struct TWords {
    const char* Language;
    const char* Help;      ///< "Zelvo ヘルプ"
    const char* Contents;  ///< the index's title and the way back to it
    const char* BackToContents;
    const char* MenuFact;      ///< before "File › Open"
    const char* ShortcutFact;  ///< before the key
    const char* UndoOpen;      ///< around the undo caption
    const char* UndoClose;
    const char* Before;
    const char* After;
    const char* MenuHeading;  ///< after a menu's name in the index
    const char* Menus[8];     ///< kMenus in the language
    const char* OpsColumns[4];  ///< the heads of the operation table of the command-line guide
    const char* NoArguments;
};

const TWords kJapanese{"ja", "Zelvo ヘルプ", "目次", "目次へ戻る", "メニュー: ", "ショートカット: ", "元に戻す: 「", "」",
                       "処理前", "処理後", " メニュー",
                       {"ファイル", "編集", "表示", "イメージ", "カラー", "加工", "ヘルプ", "その他"},
                       {"操作", "引数", "型と範囲", "説明"}, "引数なし"};
const TWords kTranslated[] = {
    {"en", "Zelvo Help", "Contents", "Back to the contents", "Menu: ", "Shortcut: ", "Undo: \u201c", "\u201d",
     "Before", "After", " menu", {"File", "Edit", "View", "Image", "Color", "Effects", "Help", "Other"},
     {"Operation", "Argument", "Type and range", "Description"}, "no arguments"},
};
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
std::string OperationTable(const std::string& listing, const TWords& words) {
    std::ostringstream html;
    html << "<table class=\"ops\">\n<tr>";
    for (const char* column : words.OpsColumns) html << "<th>" << column << "</th>";
    html << "</tr>\n";
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
        if (args.empty()) html << "<td colspan=\"3\">" << words.NoArguments << "</td></tr>\n";
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
    fs::path Pages;        ///< the Japanese sources; pages/<language>/ the translated ones
    fs::path IntroFile;    ///< index-intro.html; index-intro.<language>.html beside it
    fs::path Catalogues;   ///< translations/ with zelvo_<language>.ts, for the undo captions
    std::string Style, Intro;
    std::map<std::string, std::string> Generated;  ///< body placeholder -> HTML
    int SampleWidth = 0, SampleHeight = 0;
};

std::string Head(const std::string& title, const std::string& source, const TWords& words, const std::string& up) {
    std::string head = std::string("<!DOCTYPE html>\n<html lang=\"") + words.Language +
                       "\"><head><meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width\">\n<title>" +
                       Escape(title) + " - " + words.Help + "</title>\n<link rel=\"stylesheet\" href=\"" + up +
                       "help.css\">\n";
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

// A page in `words`' language; `up` leads from the page's folder to the
// Japanese pages' one, where the pictures and the style sheet are.
std::string RenderPage(const TPage& page, const TContext& context, const TWords& words, const std::string& up) {
    std::ostringstream html;
    const std::string title = page.Value("title");
    const std::string menu = words.Menus[page.MenuIndex];
    html << Head(title, page.Name, words, up);
    html << "<nav><a href=\"index.html\">" << words.Contents << "</a> › " << Escape(menu) << "</nav>\n";
    html << "<h1>" << Escape(title) << "</h1>\n";
    std::vector<std::string> facts;
    if (page.MenuIndex != 7) facts.push_back(words.MenuFact + Escape(menu) + " › " + Escape(title));
    if (!page.Value("shortcut").empty())
        facts.push_back(words.ShortcutFact + std::string("<kbd>") + Escape(page.Value("shortcut")) + "</kbd>");
    if (!page.Value("undo").empty())
        facts.push_back(words.UndoOpen + Escape(page.Value("undo")) + words.UndoClose);
    if (!facts.empty()) {
        html << "<p class=\"facts\">";
        for (std::size_t i = 0; i < facts.size(); ++i) html << (i ? "<span class=\"sep\"> ・ </span>" : "") << facts[i];
        html << "</p>\n";
    }
    if (!page.After.empty()) {
        html << "<div class=\"beforeafter\">\n"
             << "<figure><img src=\"" << up << "img/sample.png\" width=\"" << context.SampleWidth << "\" height=\""
             << context.SampleHeight << "\" alt=\"" << words.Before << "\"><figcaption>" << words.Before
             << "</figcaption></figure>\n"
             << "<figure><img src=\"" << up << page.After << "\" width=\"" << page.AfterWidth << "\" height=\""
             << page.AfterHeight << "\" alt=\"" << words.After << "\"><figcaption>" << words.After
             << "<br><code>zelvo-cli apply IN OUT " << Escape(ShownOps(page.Value("ops")))
             << "</code></figcaption></figure>\n</div>\n";
    }
    html << ExpandBody(page, context);
    html << "\n<footer><a href=\"index.html\">" << words.BackToContents << "</a></footer>\n</body></html>\n";
    return html.str();
}

// The index in `words`' language; a page it has no translation of
// (`translated` false) is listed with its Japanese title and file.
std::string RenderIndex(const std::vector<TPage>& pages, const TWords& words,
                        const std::string& intro, const std::string& up = std::string(),
                        const std::set<std::string>& translated = {}) {
    std::ostringstream html;
    html << Head(words.Contents, "", words, up) << "<h1>" << words.Help << "</h1>\n" << intro << "\n";
    int menu = -1;
    for (const TPage& page : pages) {
        if (page.MenuIndex != menu) {
            if (menu >= 0) html << "</ul>\n";
            menu = page.MenuIndex;
            html << "<h2>" << words.Menus[menu] << (menu < 7 ? words.MenuHeading : "") << "</h2>\n<ul class=\"topics\">\n";
        }
        const bool own = up.empty() || translated.count(page.Name);
        html << "<li><a href=\"" << (own ? "" : up) << page.File << "\"" << (own ? "" : " hreflang=\"ja\"") << ">"
             << Escape(page.Value("title")) << "</a>";
        if (!page.Value("shortcut").empty()) html << " <kbd>" << Escape(page.Value("shortcut")) << "</kbd>";
        html << "</li>\n";
    }
    html << "</ul>\n</body></html>\n";
    return html.str();
}

// The "undo" entries of a translation file: source -> translation.
std::map<std::string, std::string> UndoCaptions(const fs::path& catalogue) {
    std::map<std::string, std::string> captions;
    if (!fs::exists(catalogue)) return captions;
    const std::string ts = ReadFile(catalogue);
    static const std::regex context(R"(<context>\s*<name>undo</name>([\s\S]*?)</context>)");
    static const std::regex message(R"(<source>([^<]*)</source>\s*<translation>([^<]+)</translation>)");
    std::smatch c;
    if (!std::regex_search(ts, c, context)) return captions;
    const std::string body = c[1];
    for (auto it = std::sregex_iterator(body.begin(), body.end(), message); it != std::sregex_iterator(); ++it)
        captions[(*it)[1]] = (*it)[2];
    return captions;
}

// A translated source: a header with its title only, then the body. The
// rest (menu, topic, shortcut, ops) is the Japanese page's.
TPage ParseTranslation(const fs::path& path, const TPage& japanese) {
    TPage page = japanese;
    page.Source = path;
    const std::string where = path.parent_path().filename().string() + "/" + path.filename().string() + ": ";
    const std::string text = ReadFile(path);
    static const std::regex header(R"(^<!--\s*\n\s*title:\s*([^\n]*?)\s*\n\s*-->\s*\n)");
    std::smatch m;
    if (!std::regex_search(text, m, header))
        throw ESourceError(where + "the source does not start with a header comment holding only \"title: ...\"");
    page.Keys["title"] = m[1];
    if (page.Value("title").empty()) throw ESourceError(where + "no title");
    page.Body = m.suffix();
    return page;
}

// Writes the pages of every language that has sources in pages/<language>/
// into out/<language>/: the index lists every page, a page without a
// translation with its Japanese title and page.
void WriteTranslations(const std::vector<TPage>& pages, const TContext& japaneseContext) {
    for (const TWords& words : kTranslated) {
        const fs::path folder = japaneseContext.Pages / words.Language;
        if (!fs::is_directory(folder)) continue;
        TContext context = japaneseContext;
        context.Generated["cli-ops"] = OperationTable(context.Cli.Run({"ops"}), words);
        std::map<std::string, const TPage*> japanese;
        for (const TPage& page : pages) japanese[page.Name] = &page;
        const std::map<std::string, std::string> undo =
            UndoCaptions(context.Catalogues / (std::string("zelvo_") + words.Language + ".ts"));
        std::vector<TPage> translated;
        std::set<std::string> names;
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().extension() == ".html") paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const fs::path& path : paths) {
            const auto found = japanese.find(path.stem().string());
            if (found == japanese.end())
                throw ESourceError(std::string(words.Language) + "/" + path.filename().string() +
                                   ": no Japanese page of that name");
            translated.push_back(ParseTranslation(path, *found->second));
            const auto caption = undo.find(translated.back().Value("undo"));
            if (caption != undo.end()) translated.back().Keys["undo"] = caption->second;
            names.insert(path.stem().string());
        }
        // Links by source name: to the translated page, else to the Japanese one.
        std::map<std::string, std::string> files{{"index.html", "index.html"}};
        for (const TPage& page : pages) {
            const std::string file = names.count(page.Name) ? page.File : "../" + page.File;
            files[page.Name + ".html"] = file;
            files[page.File] = file;
        }
        static const std::regex link(R"(href="([^":/#]+\.html)(#[^"]*)?")");
        const fs::path out = context.Out / words.Language;
        fs::create_directories(out);
        for (TPage& page : translated) {
            std::string body;
            auto last = page.Body.cbegin();
            for (auto it = std::sregex_iterator(page.Body.begin(), page.Body.end(), link); it != std::sregex_iterator(); ++it) {
                const auto found = files.find((*it)[1].str());
                if (found == files.end())
                    throw ESourceError(std::string(words.Language) + "/" + page.Source.filename().string() + ": link to " +
                                       (*it)[1].str() + ", which is no page");
                body.append(last, (*it)[0].first);
                body += "href=\"" + found->second + (*it)[2].str() + "\"";
                last = (*it)[0].second;
            }
            body.append(last, page.Body.cend());
            page.Body = std::move(body);
            WriteFile(out / page.File, RenderPage(page, context, words, "../"));
        }
        std::vector<TPage> listed;
        for (const TPage& page : pages) {
            const auto own = std::find_if(translated.begin(), translated.end(),
                                          [&](const TPage& t) { return t.Name == page.Name; });
            listed.push_back(own == translated.end() ? page : *own);
        }
        fs::path intro = context.IntroFile;
        intro.replace_extension(std::string(".") + words.Language + ".html");
        WriteFile(out / "index.html",
                  RenderIndex(listed, words, fs::exists(intro) ? ReadFile(intro) : std::string(), "../", names));
    }
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
    context.Generated["cli-ops"] = OperationTable(context.Cli.Run({"ops"}), kJapanese);

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
        WriteFile(context.Out / page.File, RenderPage(page, context, kJapanese, ""));
        manifest << page.Name << '\t' << page.File << '\t' << page.Topic << '\t' << page.Value("menu") << '\t'
                 << page.Value("undo") << '\t' << (page.After.empty() ? "" : "img/sample.png") << '\t' << page.After
                 << '\t' << ops << '\n';
    }
    if (!context.Style.empty()) WriteFile(context.Out / "help.css", context.Style);
    WriteFile(context.Out / "index.html", RenderIndex(pages, kJapanese, context.Intro));
    WriteTranslations(pages, context);
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
                                 "[--cli PROGRAM --sample PICTURE --textures DIR --work DIR --out DIR] "
                                 "[--catalogues DIR]\n");
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
        if (options.count("intro")) {
            context.IntroFile = fs::absolute(options["intro"]);
            context.Intro = ReadFile(options["intro"]);
        }
        context.Pages = fs::absolute(options["pages"]);
        if (options.count("catalogues")) context.Catalogues = fs::absolute(options["catalogues"]);
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
