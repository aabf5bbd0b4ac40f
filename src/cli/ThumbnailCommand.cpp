#include "cli/ThumbnailCommand.h"

#include "cli/OperationTable.h"
#include "library/DesktopThumbnail.h"

namespace zelvo::cli {

int Thumbnail(const std::vector<std::string>& args) {
    const std::string usage = "usage: zelvo-cli thumbnail --size N INPUT OUTPUT";
    int size = 0;
    std::vector<std::string> positional;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--size") {
            if (i + 1 >= args.size()) throw EUsage("--size needs a value");
            size = detail::ParseArgument<int>(args[++i], a);
            if (size < 1 || size > kMaxDesktopThumbSize)
                throw EUsage("--size: expected 1.." + std::to_string(kMaxDesktopThumbSize));
        } else if (a.size() > 2 && a.starts_with("--")) {
            throw EUsage("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (size == 0 || positional.size() != 2) throw EUsage(usage);
    WriteDesktopThumbnail(positional[0], size, positional[1]);
    return 0;
}

}  // namespace zelvo::cli
