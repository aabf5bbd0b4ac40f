#include "platform/Language.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace zelvo {

namespace {

std::string ProcessVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool IsPlainLocale(const std::string& name) {
    const std::string code = LanguageCode(name);
    return code.empty() || code == "c" || code == "posix";
}

}  // namespace

std::vector<std::string> DesktopLanguages(std::string (*getenv)(const char* name)) {
    std::vector<std::string> languages;
    const std::string list = getenv("LANGUAGE");
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        const std::string entry = list.substr(start, end - start);
        if (!IsPlainLocale(entry)) languages.push_back(entry);
        start = end + 1;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string locale = getenv(name);
        if (locale.empty()) continue;
        if (!IsPlainLocale(locale)) languages.push_back(locale);
        break;
    }
    return languages;
}

std::vector<std::string> DesktopLanguages() { return DesktopLanguages(ProcessVariable); }

std::string LanguageCode(std::string_view name) {
    std::string code;
    for (const char c : name) {
        if (c == '_' || c == '-' || c == '.' || c == '@') break;
        code += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return code;
}

std::string ChooseLanguage(std::string_view requested, const std::vector<std::string>& desktop,
                           const std::vector<std::string>& available) {
    const auto known = [&](const std::string& code) {
        return code == kSourceLanguage || std::find(available.begin(), available.end(), code) != available.end();
    };
    const std::string wanted = LanguageCode(requested);
    if (!wanted.empty() && wanted != "auto") return known(wanted) ? wanted : kFallbackLanguage;
    // The C locale asks for no language: the program's own texts, as the C
    // library's catalogues give them.
    if (desktop.empty()) return kSourceLanguage;
    for (const std::string& entry : desktop) {
        const std::string code = LanguageCode(entry);
        if (known(code)) return code;
    }
    return kFallbackLanguage;
}

std::string TakeLanguageOption(std::vector<std::string>& args) {
    static constexpr std::string_view kOption = "--language";
    std::string language;
    for (std::size_t i = 0; i < args.size();) {
        const std::string& arg = args[i];
        if (arg == kOption) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                throw std::invalid_argument("--language needs a language (ja, en or auto)");
            language = args[i + 1];
            args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
        } else if (arg.starts_with(std::string(kOption) + "=")) {
            language = arg.substr(kOption.size() + 1);
            if (language.empty()) throw std::invalid_argument("--language needs a language (ja, en or auto)");
            args.erase(args.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    return language;
}

}  // namespace zelvo
