#include "platform/Trash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/DataDirectory.h"
#include "platform/FileWriting.h"

namespace zelvo {

namespace {

/// The path as the trash records it: percent-encoded except for the
/// unreserved characters and "/".
std::string EncodePath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

}  // namespace

std::filesystem::path HomeTrashDirectory() { return XdgBaseDirectory("XDG_DATA_HOME", ".local/share") / "Trash"; }

bool MoveToTrash(const std::filesystem::path& fileIn, std::filesystem::path* trashedAs) {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::absolute(fileIn, ec).lexically_normal();
    if (ec) return false;
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;

    const std::filesystem::path trash = HomeTrashDirectory();
    const std::filesystem::path files = trash / "files";
    const std::filesystem::path infos = trash / "info";
    for (const auto& folder : {trash, files, infos}) {
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            std::filesystem::create_directories(folder, ec);
            if (ec) return false;
        }
    }

    // The record is created exclusively: it reserves the name in the trash.
    const std::string name = file.filename().string();
    std::string chosen;
    int fd = -1;
    for (int n = 1; n < 10000 && fd < 0; ++n) {
        chosen = n == 1 ? name : name + "." + std::to_string(n);
        std::error_code existsError;
        if (std::filesystem::exists(std::filesystem::symlink_status(files / chosen, existsError))) continue;
        const std::filesystem::path record = infos / (chosen + ".trashinfo");
        fd = ::open(record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const std::filesystem::path record = infos / (chosen + ".trashinfo");

    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text =
        "[Trash Info]\nPath=" + EncodePath(file.string()) + "\nDeletionDate=" + std::string(date) + "\n";
    const bool written = WriteAllAndSync(fd, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    ::close(fd);
    const std::filesystem::path target = files / chosen;
    if (!written || ::rename(file.c_str(), target.c_str()) != 0) {
        ::unlink(record.c_str());
        return false;
    }
    if (trashedAs) *trashedAs = target;
    return true;
}

}  // namespace zelvo
