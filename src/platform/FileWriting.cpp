#include "platform/FileWriting.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace zelvo {

bool WriteAllAndSync(int fd, std::span<const std::uint8_t> data) {
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += std::size_t(n);
    }
    return ::fsync(fd) == 0;
}

bool ReplaceFileContents(const std::filesystem::path& target, std::span<const std::uint8_t> data) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    const bool ok = WriteAllAndSync(fd, data);
    ::close(fd);
    if (!ok || ::rename(pattern.c_str(), target.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return false;
    }
    return true;
}

}  // namespace zelvo
