#include "image/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "image/Exceptions.h"
#include "image/ReadCancel.h"

namespace zelvo {

namespace {

thread_local const std::atomic<bool>* tReadCancel = nullptr;

}  // namespace

TReadCancelScope::TReadCancelScope(const std::atomic<bool>& flag) : FOuter(tReadCancel) { tReadCancel = &flag; }

TReadCancelScope::~TReadCancelScope() { tReadCancel = FOuter; }

void ThrowIfReadCancelled() {
    if (tReadCancel && tReadCancel->load(std::memory_order_relaxed)) throw EAbort("Operation aborted");
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(kSReadError);
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(kSWriteError);
}

std::vector<std::uint8_t> TStream::ReadRest() {
    const std::int64_t rest = Remaining();
    std::vector<std::uint8_t> out(rest > 0 ? std::size_t(rest) : 0);
    ReadBuffer(out.data(), out.size());
    return out;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (pos_ >= data_.size()) return 0;
    const std::size_t n = std::min(count, data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (pos_ + count > data_.size()) data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = std::int64_t(pos_);
    if (origin == TSeekOrigin::soEnd) base = std::int64_t(data_.size());
    const std::int64_t target = base + offset;
    pos_ = target < 0 ? 0 : std::size_t(target);
    return std::int64_t(pos_);
}

TFileStream::TFileStream(const std::filesystem::path& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        // Non-blocking only for the open itself, so a FIFO cannot hang us
        // before the check below refuses it.
        case Mode::fmOpenRead: flags |= O_RDONLY | O_NONBLOCK; break;
        case Mode::fmOpenReadWrite: flags |= O_RDWR; break;
        case Mode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        case Mode::fmCreateExclusive: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    const mode_t perms = mode == Mode::fmCreateExclusive ? 0600 : 0666;
    fd_ = ::open(path.c_str(), flags, perms);
    if (fd_ < 0) {
        const std::string why = std::strerror(errno);
        if (mode == Mode::fmCreate || mode == Mode::fmCreateExclusive)
            throw EFCreateError("Cannot create file \"" + path.string() + "\". " + why);
        throw EFOpenError("Cannot open file \"" + path.string() + "\". " + why);
    }
    if (mode == Mode::fmOpenRead) {
        // Pictures are read from regular files only: a FIFO, a device or a
        // directory named like a picture would block, never end or fail late.
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            throw EFOpenError("Cannot open file \"" + path.string() + "\". Not a regular file");
        }
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    ThrowIfReadCancelled();
    std::size_t done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t pos = ::lseek(fd_, off_t(offset), whence);
    return pos < 0 ? -1 : std::int64_t(pos);
}

std::int64_t TFileStream::Size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return 0;
    return std::int64_t(st.st_size);
}

void TFileStream::Sync() {
    if (::fsync(fd_) != 0) throw EWriteError(kSWriteError);
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    TFileStream file(path, TFileStream::Mode::fmOpenRead);
    return file.ReadRest();
}

}  // namespace zelvo
