#include "cli/ScanCommand.h"

#include <ostream>

#include "cli/OperationTable.h"
#include "document/QxImage.h"
#include "platform/SaneScanner.h"
#include "platform/ScanDib.h"
#include "platform/TempFile.h"

namespace zelvo::cli {

namespace {

constexpr const char* kUsage =
    "usage: zelvo-cli scan OUTPUT [--device NAME] [--mode colour|grey|lineart] [--resolution DPI] "
    "[--option NAME=VALUE]... | zelvo-cli scan --list";

TScanMode ParseMode(const std::string& text) {
    if (text == "colour" || text == "color") return TScanMode::Colour;
    if (text == "grey" || text == "gray") return TScanMode::Grey;
    if (text == "lineart") return TScanMode::Lineart;
    throw EUsage("--mode: expected colour, grey or lineart, got \"" + text + "\"");
}

}  // namespace

int Scan(const std::vector<std::string>& args, std::ostream& out) {
    TScanRequest request;
    bool list = false;
    std::vector<std::string> positional;
    auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw EUsage(args[i] + " needs a value");
        return args[++i];
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--list") {
            list = true;
        } else if (a == "--device") {
            request.Device = value(i);
        } else if (a == "--mode") {
            request.Mode = ParseMode(value(i));
        } else if (a == "--resolution") {
            request.ResolutionDpi = detail::ParseArgument<int>(value(i), a);
            if (request.ResolutionDpi < 1 || request.ResolutionDpi > 100000)
                throw EUsage("--resolution: expected 1..100000 dots per inch");
        } else if (a == "--option") {
            const std::string& text = value(i);
            const std::size_t eq = text.find('=');
            if (eq == std::string::npos || eq == 0) throw EUsage("--option: expected NAME=VALUE");
            request.Options.emplace_back(text.substr(0, eq), text.substr(eq + 1));
        } else if (a.size() > 2 && a.starts_with("--")) {
            throw EUsage("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    TSaneScanner scanner;
    if (list) {
        if (!positional.empty()) throw EUsage(kUsage);
        for (const TScanDevice& d : scanner.Devices())
            out << d.Name << "\t" << d.Vendor << "\t" << d.Model << "\t" << d.Type << "\n";
        return 0;
    }
    if (positional.size() != 1) throw EUsage(kUsage);

    const auto dib = scanner.AcquireNative(request);
    if (!dib) throw std::runtime_error("the scan was cancelled");
    const std::filesystem::path temp = WriteDibToTempFile(*dib);
    const TTempFileRemover remover(temp);
    TQxImage doc;
    std::string failure;
    if (!doc.LoadDocumentBmp(temp, &failure)) throw std::runtime_error(failure);
    if (!doc.SaveDocumentFile(positional[0], false, &failure)) {
        if (failure.empty()) throw std::runtime_error("no writer for this file type: " + positional[0]);
        throw std::runtime_error(failure);
    }
    return 0;
}

}  // namespace zelvo::cli
