// Writes the manual pages zelvo.1 and zelvo-cli.1 and the bash and zsh
// completion of zelvo-cli from what zelvo-cli itself says: its --help text,
// its list of operations (ops) and the format table, so that the pages and
// the completion list exactly the commands, options and operations the
// program has.
// Usage: zelvo-make-manuals VERSION OUT_DIR
// Writes OUT_DIR/zelvo.1, zelvo-cli.1, zelvo-cli.bash and _zelvo-cli.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "formats/PictureFormats.h"

namespace {

std::string RunCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    if (zelvo::cli::Run(args, out, err) != 0) {
        std::cerr << "zelvo-make-manuals: zelvo-cli " << args[0] << " failed: " << err.str();
        std::exit(1);
    }
    return out.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

/// A line of text as roff shows it verbatim: backslashes and minus signs
/// escaped, a leading dot or quote kept from being read as a request.
std::string Roff(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

/// A heading of the help text: "commands:", "apply options:".
bool IsHeading(const std::string& line) {
    if (line.size() < 2 || line.back() != ':' || !std::islower(static_cast<unsigned char>(line[0]))) return false;
    return std::all_of(line.begin(), line.end() - 1, [](char c) { return std::islower(static_cast<unsigned char>(c)) || c == ' '; });
}

/// The help text as sections: each heading a section of its own, the lines
/// under it kept as they stand.
void WriteHelpSections(std::ostream& out, const std::vector<std::string>& help) {
    bool open = false;
    for (std::size_t i = 1; i < help.size(); ++i) {
        const std::string& line = help[i];
        if (line.starts_with("usage:") || (!open && line.empty())) continue;
        if (IsHeading(line)) {
            if (open) out << ".fi\n";
            out << ".SH " << Upper(line.substr(0, line.size() - 1)) << "\n.nf\n";
            open = true;
            continue;
        }
        if (!open) {
            out << ".PP\n.nf\n";
            open = true;
        }
        out << Roff(line) << "\n";
    }
    if (open) out << ".fi\n";
}

/// The command names of the help text's "commands:" section.
std::vector<std::string> Commands(const std::vector<std::string>& help) {
    std::set<std::string> names;
    bool inCommands = false;
    for (const std::string& line : help) {
        if (IsHeading(line)) {
            inCommands = line == "commands:";
            continue;
        }
        if (!inCommands || line.size() < 3 || line[0] != ' ' || line[1] != ' ' || line[2] == ' ') continue;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            const bool more = word.back() == ',';
            if (more) word.pop_back();
            if (!word.empty() && std::islower(static_cast<unsigned char>(word[0]))) names.insert(word);
            if (!more) break;
        }
    }
    return {names.begin(), names.end()};
}

/// Every option the help text names ("--gif-mode").
std::vector<std::string> Options(const std::string& help) {
    std::set<std::string> options;
    for (std::size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
        std::size_t end = at + 2;
        while (end < help.size() && (std::islower(static_cast<unsigned char>(help[end])) || help[end] == '-')) ++end;
        if (end > at + 3) options.insert(help.substr(at, end - at));
        at = end - 2;
    }
    return {options.begin(), options.end()};
}

/// The operation names of the ops listing, each once.
std::vector<std::string> Operations(const std::vector<std::string>& ops) {
    std::set<std::string> names;
    for (const std::string& line : ops) {
        if (!line.starts_with("  ")) continue;
        const std::size_t start = line.find_first_not_of(' ');
        const std::size_t end = line.find_first_of(": ", start);
        names.insert(line.substr(start, end - start));
    }
    return {names.begin(), names.end()};
}

std::string Join(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

void WriteCliPage(std::ostream& out, const std::string& version, const std::vector<std::string>& help,
                  const std::vector<std::string>& batchHelp, const std::vector<std::string>& ops) {
    const std::string& title = help.front();
    const std::size_t colon = title.find(": ");
    out << ".TH ZELVO\\-CLI 1 \"\" \"Zelvo " << version << "\" \"User Commands\"\n"
        << ".SH NAME\nzelvo\\-cli \\- " << Roff(colon == std::string::npos ? title : title.substr(colon + 2)) << "\n"
        << ".SH SYNOPSIS\n.B zelvo\\-cli\n[\\fB\\-\\-threads\\fR \\fIN\\fR] [\\fB\\-\\-sandbox\\fR] \\fICOMMAND\\fR ...\n"
        << ".SH DESCRIPTION\nzelvo\\-cli runs the document, the codecs and the folder engines of the Zelvo image "
        << "editor without a window, for scripts and batch work. Its commands, options and operations follow.\n";
    WriteHelpSections(out, help);
    out << ".SH BATCH\n.nf\n";
    for (const std::string& line : batchHelp) out << Roff(line) << "\n";
    out << ".fi\n.SH OPERATIONS\n.ad l\n";
    // "  NAME:ARGS   what they are": a tagged paragraph each.
    for (const std::string& line : ops) {
        if (!line.starts_with("  ")) {
            out << Roff(line) << "\n";
            continue;
        }
        const std::size_t start = line.find_first_not_of(' ');
        const std::size_t gap = line.find("  ", start);
        // A long argument list may break after any comma.
        std::string tag = Roff(line.substr(start, gap - start));
        for (std::size_t at = tag.find(','); at != std::string::npos; at = tag.find(',', at + 3)) tag.insert(at + 1, "\\:");
        out << ".TP\n.B " << tag << "\n";
        if (gap != std::string::npos) {
            const std::size_t text = line.find_first_not_of(' ', gap);
            if (text != std::string::npos) out << Roff(line.substr(text)) << "\n";
        }
    }
    out << ".SH SEE ALSO\n.BR zelvo (1)\n";
}

void WriteEditorPage(std::ostream& out, const std::string& version) {
    out << ".TH ZELVO 1 \"\" \"Zelvo " << version << "\" \"User Commands\"\n"
        << ".SH NAME\nzelvo \\- image editor for photos, scans and screen shots\n"
        << ".SH SYNOPSIS\n.B zelvo\n[\\fB\\-DEFPOS\\fR] [\\fIPICTURE\\fR | \\fIFOLDER\\fR]\n"
        << ".SH DESCRIPTION\n"
        << "Zelvo retouches, crops, resizes and converts pictures, one at a time, with undo and redo. "
        << "Given a picture it opens it; given a folder it opens the slide show of that folder.\n"
        << ".SH OPTIONS\n.TP\n.B \\-DEFPOS\n"
        << "Place the window where the desktop puts it instead of where it was last closed "
        << "(any letter case, anywhere on the command line).\n"
        << ".SH PICTURE TYPES\n"
        << "The types read without plug\\-ins, with their extensions; the image plug\\-ins add more.\n.TP\n";
    bool first = true;
    for (const zelvo::TPictureFormat& row : zelvo::PictureFormats()) {
        if (!row.Read) continue;
        if (!first) out << ".TP\n";
        first = false;
        std::string extensions;
        for (const std::string& e : row.Extensions) extensions += (extensions.empty() ? "" : " ") + e;
        out << ".B " << Roff(extensions) << "\n" << Roff(row.Description)
            << (row.Write ? ", read and written" : ", read") << "\n";
    }
    out << ".SH FILES\n.TP\n.I ~/.config/zelvo/Zelvo.ini\nThe settings (under \\fB$XDG_CONFIG_HOME\\fR when set).\n"
        << ".TP\n.I ~/.cache/zelvo/\nThe thumbnail browser's cache (under \\fB$XDG_CACHE_HOME\\fR when set).\n"
        << ".TP\n.I /usr/share/zelvo/help/\nThe help pages.\n"
        << ".TP\n.I /usr/lib/zelvo/plugins/\nThe image plug\\-ins shipped with the editor.\n"
        << ".SH SEE ALSO\n.BR zelvo\\-cli (1)\n";
}

void WriteBash(std::ostream& out, const std::vector<std::string>& commands, const std::vector<std::string>& options,
               const std::vector<std::string>& operations) {
    out << "# bash completion for zelvo-cli, written by zelvo-make-manuals from zelvo-cli --help and ops\n"
        << "_zelvo_cli() {\n"
        << "  local cur prev command i\n"
        << "  cur=${COMP_WORDS[COMP_CWORD]}\n"
        << "  prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        << "  command=\n"
        << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
        << "    case ${COMP_WORDS[i]} in\n"
        << "      --threads) ((i++)) ;;\n"
        << "      -*) ;;\n"
        << "      *) command=${COMP_WORDS[i]}; break ;;\n"
        << "    esac\n"
        << "  done\n"
        << "  case $prev in\n"
        << "    --threads|--size|--quality|--undo-depth|--select|--background|--transparent|--image|--resolution|"
           "--device|--option)\n"
        << "      return ;;\n"
        << "    --mode) COMPREPLY=($(compgen -W 'colour grey lineart' -- \"$cur\")); return ;;\n"
        << "  esac\n"
        << "  if [[ -z $command ]]; then\n"
        << "    COMPREPLY=($(compgen -W '" << Join(commands) << " --threads --sandbox' -- \"$cur\"))\n"
        << "    return\n"
        << "  fi\n"
        << "  if [[ $cur == -* ]]; then\n"
        << "    COMPREPLY=($(compgen -W '" << Join(options) << "' -- \"$cur\"))\n"
        << "    return\n"
        << "  fi\n"
        << "  local files=()\n"
        << "  mapfile -t files < <(compgen -f -- \"$cur\")\n"
        << "  if [[ $command == apply ]]; then\n"
        << "    local -a ops=(" << Join(operations) << ")\n"
        << "    COMPREPLY=($(compgen -W \"${ops[*]}\" -- \"$cur\") \"${files[@]}\")\n"
        << "  else\n"
        << "    COMPREPLY=(\"${files[@]}\")\n"
        << "  fi\n"
        << "  compopt -o filenames 2>/dev/null\n"
        << "}\n"
        << "complete -F _zelvo_cli zelvo-cli\n";
}

void WriteZsh(std::ostream& out, const std::vector<std::string>& commands, const std::vector<std::string>& options,
              const std::vector<std::string>& operations) {
    out << "#compdef zelvo-cli\n"
        << "# zsh completion for zelvo-cli, written by zelvo-make-manuals from zelvo-cli --help and ops\n"
        << "local -a commands options operations\n"
        << "commands=(" << Join(commands) << ")\n"
        << "options=(" << Join(options) << ")\n"
        << "operations=(" << Join(operations) << ")\n"
        << "local command= i\n"
        << "for ((i = 2; i < CURRENT; i++)); do\n"
        << "  case ${words[i]} in\n"
        << "    --threads) ((i++)) ;;\n"
        << "    -*) ;;\n"
        << "    *) command=${words[i]}; break ;;\n"
        << "  esac\n"
        << "done\n"
        << "if [[ -z $command ]]; then\n"
        << "  _describe -t commands 'zelvo-cli command' commands\n"
        << "elif [[ $PREFIX == -* ]]; then\n"
        << "  compadd -a options\n"
        << "elif [[ $command == apply ]]; then\n"
        << "  compadd -a operations\n"
        << "  _files\n"
        << "else\n"
        << "  _files\n"
        << "fi\n";
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) std::cerr << "zelvo-make-manuals: cannot write " << path << "\n";
    return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: zelvo-make-manuals VERSION OUT_DIR\n";
        return 2;
    }
    const std::string version = argv[1];
    const std::string dir = argv[2];
    const std::string helpText = RunCli({"--help"});
    const std::vector<std::string> help = Lines(helpText);
    const std::vector<std::string> ops = Lines(RunCli({"ops"}));
    const std::vector<std::string> commands = Commands(help);
    const std::string batchHelp = RunCli({"batch", "--help"});
    const std::vector<std::string> options = Options(helpText + batchHelp);
    const std::vector<std::string> operations = Operations(ops);

    std::ostringstream cliPage, editorPage, bash, zsh;
    WriteCliPage(cliPage, version, help, Lines(batchHelp), ops);
    WriteEditorPage(editorPage, version);
    WriteBash(bash, commands, options, operations);
    WriteZsh(zsh, commands, options, operations);
    const bool ok = Write(dir + "/zelvo-cli.1", cliPage.str()) && Write(dir + "/zelvo.1", editorPage.str()) &&
                    Write(dir + "/zelvo-cli.bash", bash.str()) && Write(dir + "/_zelvo-cli", zsh.str());
    return ok ? 0 : 1;
}
