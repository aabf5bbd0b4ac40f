// zelvo-decode: reads pictures through one image plug-in, confined.
//
// "zelvo-decode --serve PLUGIN" is started by the editor (DecoderSandbox.cpp)
// with its socket at descriptor kDecoderSocketFd, once per plug-in. It first
// confines what it can before any plug-in code runs (new user, mount and
// network namespaces, no core files, no new privileges), loads the plug-in,
// shuts itself into an empty root and then only starts decoders: for each
// ask of the editor it forks a child whose parent is the editor
// (CLONE_PARENT, so the editor waits for it and learns how it ended) and
// hands the editor the child's socket. The child waits for its one request,
// limits its address space and processor time, loads a system-call filter
// that allows only reading and writing its socket, memory management,
// threads, clocks and ending, and reads one picture. A forbidden call ends
// the child after telling the editor which call it was. No plug-in entry
// point ever runs in the server, so nothing one picture leaves behind
// reaches the next. Every step is optional: what the kernel refuses is left
// out and reported in the Done event's Steps.
//
// "zelvo-decode --serve-formats" serves the program's own readers (the rows
// of the format table) the same way, without a plug-in: a child reads the
// file it is given from memory with the row's stream reader and replies
// with the picture and the file information, or with the reader's
// exception.
//
// "zelvo-decode --probe" confines itself the same way without a plug-in and
// prints the steps that hold on this machine.

#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <malloc.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <seccomp.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "formats/IconFile.h"
#include "formats/PhotoCd.h"
#include "formats/PictureFormats.h"
#include "formats/plugin/DecoderProtocol.h"
#include "formats/plugin/FormatReply.h"
#include "formats/plugin/SpiPicture.h"
#include "zelvo/spi.h"

namespace zelvo {
namespace {

constexpr int kSocket = kDecoderSocketFd;
/// Where a child keeps its reply file and the pipe for its rows.
constexpr int kReplyFd = kDecoderSocketFd + 1;
constexpr int kRowsFd = kDecoderSocketFd + 2;
constexpr int kExitForbidden = 90;

std::uint32_t gSteps = 0;

void Send(const TDecodeEvent& event) {
    while (::send(kSocket, &event, sizeof event, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

// The filter traps a forbidden call here: tell the editor which, then end.
void OnForbidden(int, siginfo_t* info, void*) {
    TDecodeEvent event;
    event.Type = TDecodeEventType::Forbidden;
    event.A = info->si_syscall;
    ::send(kSocket, &event, sizeof event, MSG_NOSIGNAL);
    ::_exit(kExitForbidden);
}

bool WriteFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    return ok;
}

// Before the request: the steps that leave the file system readable, so the
// plug-in and its libraries can still be loaded.
void ConfineEarly() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::prctl(PR_SET_DUMPABLE, 0);
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) == 0) {
        gSteps |= kStepUserNamespace | kStepMountNamespace | kStepNetworkNamespace;
        // The same ids inside, so files stay readable as before.
        WriteFile("/proc/self/setgroups", "deny");
        WriteFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
        WriteFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    } else {
        if (::unshare(CLONE_NEWNS) == 0) gSteps |= kStepMountNamespace;
        if (::unshare(CLONE_NEWNET) == 0) gSteps |= kStepNetworkNamespace;
    }
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0) gSteps |= kStepNoNewPrivileges;
}

// After the plug-in is loaded: nothing of the file system.
void ConfineRoot() {
    if (gSteps & kStepMountNamespace) {
        // An empty, read-only tmpfs as the root; mounts stay inside.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("zelvo-decode", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC | MS_RDONLY, "size=4k") == 0 &&
            ::chroot("/tmp") == 0 && ::chdir("/") == 0)
            gSteps |= kStepEmptyRoot;
    }
}

/// The system-call filter as the kernel takes it, built once by the server
/// (every child loads the same one); empty when it cannot be built.
std::vector<sock_filter> gFilter;

void BuildFilter() {
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_TRAP);
    if (!filter) return;
    int failures = 0;
    auto allow = [&](int call, std::vector<scmp_arg_cmp> args = {}) {
        failures += ::seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call, unsigned(args.size()), args.data()) != 0;
    };
    const auto socketArg = SCMP_A0(SCMP_CMP_EQ, std::uint64_t(kSocket));
    for (int call : {SCMP_SYS(read), SCMP_SYS(recvfrom), SCMP_SYS(recvmsg), SCMP_SYS(sendto), SCMP_SYS(sendmsg)})
        allow(call, {socketArg});
    allow(SCMP_SYS(write), {socketArg});
    allow(SCMP_SYS(write), {SCMP_A0(SCMP_CMP_EQ, 2)});  // stderr is /dev/null
    allow(SCMP_SYS(ftruncate), {SCMP_A0(SCMP_CMP_EQ, std::uint64_t(kReplyFd))});
    allow(SCMP_SYS(vmsplice), {SCMP_A0(SCMP_CMP_EQ, std::uint64_t(kRowsFd))});
    allow(SCMP_SYS(write), {SCMP_A0(SCMP_CMP_EQ, std::uint64_t(kRowsFd))});
    allow(SCMP_SYS(pwrite64), {SCMP_A0(SCMP_CMP_EQ, std::uint64_t(kReplyFd))});
    // The finished reply is sealed, so the editor may read it at once.
    allow(SCMP_SYS(fcntl), {SCMP_A0(SCMP_CMP_EQ, std::uint64_t(kReplyFd)), SCMP_A1(SCMP_CMP_EQ, F_ADD_SEALS)});
    // Memory, but never executable memory.
    allow(SCMP_SYS(mmap), {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)});
    allow(SCMP_SYS(mprotect), {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)});
    for (int call : {SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(brk), SCMP_SYS(madvise), SCMP_SYS(futex),
                     SCMP_SYS(exit), SCMP_SYS(exit_group), SCMP_SYS(rt_sigreturn), SCMP_SYS(rt_sigprocmask),
                     SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(gettimeofday), SCMP_SYS(nanosleep),
                     SCMP_SYS(clock_nanosleep), SCMP_SYS(sched_yield), SCMP_SYS(getpid), SCMP_SYS(gettid),
                     SCMP_SYS(getrandom), SCMP_SYS(set_robust_list), SCMP_SYS(rseq), SCMP_SYS(sched_getaffinity),
                     SCMP_SYS(sysinfo)})
        allow(call);
    // Decoder threads name themselves.
    allow(SCMP_SYS(prctl), {SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME)});
    // Signal handlers, but the one that reports forbidden calls stays.
    allow(SCMP_SYS(rt_sigaction), {SCMP_A0(SCMP_CMP_NE, SIGSYS)});
    // Threads, but no new processes; clone3 cannot be filtered by its flags,
    // so the C library is told it is missing and uses clone.
    allow(SCMP_SYS(clone), {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)});
    failures += ::seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) != 0;
    // The program comes back through a memory file, as the kernel takes it.
    const int program = ::memfd_create("zelvo-decode-filter", MFD_CLOEXEC);
    if (failures == 0 && program >= 0 && ::seccomp_export_bpf(filter, program) == 0) {
        const off_t bytes = ::lseek(program, 0, SEEK_END);
        if (bytes > 0 && bytes % off_t(sizeof(sock_filter)) == 0) {
            std::vector<sock_filter> out(std::size_t(bytes) / sizeof(sock_filter));
            if (::pread(program, out.data(), std::size_t(bytes), 0) == bytes) gFilter = std::move(out);
        }
    }
    if (program >= 0) ::close(program);
    ::seccomp_release(filter);
}

// In the child, before the plug-in is called: limits and the filter. The
// reply file at kReplyFd and the rows' pipe at kRowsFd are the descriptors
// besides the socket the filter lets the plug-in touch.
void ConfineLate(std::uint64_t addressSpaceBytes, std::uint32_t cpuSeconds) {
    bool limited = cpuSeconds > 0;
    if (cpuSeconds > 0) {
        const rlimit cpu{cpuSeconds, cpuSeconds + 1};
        limited = ::setrlimit(RLIMIT_CPU, &cpu) == 0;
    }
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitisers reserve far more address space than they use.
    if (addressSpaceBytes > 0) {
        const rlimit space{addressSpaceBytes, addressSpaceBytes};
        limited = ::setrlimit(RLIMIT_AS, &space) == 0 && limited;
    }
#else
    (void)addressSpaceBytes;
#endif
    if (limited) gSteps |= kStepResourceLimits;

    struct sigaction action {};
    action.sa_sigaction = OnForbidden;
    action.sa_flags = SA_SIGINFO;
    ::sigaction(SIGSYS, &action, nullptr);
    if (gFilter.empty()) return;
    const sock_fprog program{static_cast<unsigned short>(gFilter.size()), gFilter.data()};
    if (::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0) gSteps |= kStepSeccomp;
}

std::intptr_t gAborted = 0;
bool gWantsProgress = false;

// Progress to the editor at each new percent, when it shows it; the
// editor's abort byte makes the answer "stop".
std::int32_t Progress(std::int32_t number, std::int32_t denominator, std::intptr_t) {
    static std::int64_t last = -1;
    if (!gWantsProgress) return 0;
    char stop = 0;
    if (::recv(kSocket, &stop, 1, MSG_DONTWAIT) == 1) gAborted = 1;
    if (gAborted) return 1;
    const std::int64_t percent = denominator ? std::int64_t(number) * 100 / denominator : -1;
    if (percent != last) {
        last = percent;
        Send({TDecodeEventType::Progress, number, denominator, 0});
    }
    return 0;
}

struct TRequestFiles {
    TDecodeRequest Request;
    int Input = -1;
    int Reply = -1;
    int Rows = -1;
};

bool ReceiveRequest(TRequestFiles& out) {
    int fds[3], received = 0;
    const ssize_t got = ReceiveMessage(kSocket, &out.Request, sizeof out.Request, fds, received);
    if (got != ssize_t(sizeof out.Request) || out.Request.Magic != kDecodeRequestMagic || received != 3) return false;
    out.Input = fds[0];
    out.Reply = fds[1];
    out.Rows = fds[2];
    out.Request.Plugin[kDecodeRequestPathBytes - 1] = '\0';
    out.Request.FileName[kDecodeRequestPathBytes - 1] = '\0';
    out.Request.Format[kDecodeRequestKeyBytes - 1] = '\0';
    return true;
}

// Writes `count` bytes at `offset` of the reply file.
bool WriteAt(int fd, const void* data, std::size_t count, std::uint64_t offset) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, p, count, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

// Hands the rows to the editor through the pipe: their pages themselves,
// which the editor copies once into the picture's memory, or a copy where
// the pipe takes no pages. The pipe holds the pages it took, so they must
// not change afterwards: nothing is freed before the decoder ends.
bool SendRows(std::span<const std::uint8_t> rows) {
    bool pages = true;
    for (std::size_t done = 0; done < rows.size();) {
        const std::size_t count = std::min<std::size_t>(rows.size() - done, std::size_t(1) << 20);
        iovec part{const_cast<std::uint8_t*>(rows.data() + done), count};
        const ssize_t n = pages ? ::vmsplice(kRowsFd, &part, 1, 0) : ::write(kRowsFd, part.iov_base, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && pages && errno != EPIPE) {
            pages = false;
            continue;
        }
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// Writes the reply file, says Done, sends rows of kPipedRowsBytes and more
// through the pipe and ends the decoder, with exit status 2 when the reply
// cannot be sized or written. Written rather than mapped: the kernel fills
// the file's pages straight from the sections, without clearing them first
// or mapping them here. Piped rows leave their place in the file a hole.
[[noreturn]] void Finish(TDecodeReplyHeader header, std::span<const std::uint8_t> text,
                         std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                         std::span<const std::uint8_t> details = {}) {
    TDecodeReplyDetails more{};
    const std::size_t bytes = LayOutDecodeReply(header, more, text.size(), info.size(), bits.size(), details.size());
    const bool piped = bits.size() >= kPipedRowsBytes;
    if (::ftruncate(kReplyFd, off_t(bytes)) != 0) ::_exit(2);
    const bool written = WriteAt(kReplyFd, &header, sizeof header, 0) &&
                         (details.empty() || WriteAt(kReplyFd, &more, sizeof more, sizeof header)) &&
                         WriteAt(kReplyFd, text.data(), text.size(), header.TextOffset) &&
                         WriteAt(kReplyFd, info.data(), info.size(), header.InfoOffset) &&
                         (piped || WriteAt(kReplyFd, bits.data(), bits.size(), header.BitsOffset)) &&
                         WriteAt(kReplyFd, details.data(), details.size(), more.DetailsOffset);
    if (!written) ::_exit(2);
    // Sealed, the reply can no longer change; without the seals the editor
    // ends the child before it reads.
    ::fcntl(kReplyFd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE);
    Send({TDecodeEventType::Done, 0, 0, gSteps});
    ::_exit(!piped || SendRows(bits) ? 0 : 2);
}

TDecodeReplyHeader Status(TDecodeStatus status, std::int32_t code) {
    TDecodeReplyHeader header{};
    header.Status = status;
    header.Code = code;
    return header;
}

/// The plug-in's entry points; null when it could not be loaded.
struct TEntries {
    void* Library = nullptr;
    SpiIsSupportedFn IsSupported = nullptr;
    SpiGetPictureInfoFn GetPictureInfo = nullptr;
    SpiGetPictureFn GetPicture = nullptr;
};

TEntries LoadPlugin(const char* path) {
    TEntries out;
    void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) return out;
    out.Library = library;
    out.IsSupported = reinterpret_cast<SpiIsSupportedFn>(::dlsym(library, "IsSupported"));
    out.GetPictureInfo = reinterpret_cast<SpiGetPictureInfoFn>(::dlsym(library, "GetPictureInfo"));
    out.GetPicture = reinterpret_cast<SpiGetPictureFn>(::dlsym(library, "GetPicture"));
    return out;
}

/// The file's bytes as a stream that cannot be written.
class TMappedStream : public TStream {
public:
    TMappedStream(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, FSize - FPosition);
        if (n) std::memcpy(buffer, FData + FPosition, n);
        FPosition += n;
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                                  : origin == TSeekOrigin::soCurrent ? std::int64_t(FPosition)
                                                                     : std::int64_t(FSize);
        FPosition = std::size_t(std::clamp<std::int64_t>(base + offset, 0, std::int64_t(FSize)));
        return std::int64_t(FPosition);
    }
    std::int64_t Size() override { return std::int64_t(FSize); }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPosition = 0;
};

/// Runs the reader the request names on the mapped file.
TDibImage ReadWithRow(const TDecodeRequest& request, TStream& stream, TFormatOutcome& outcome) {
    const TPictureFormat* row = FindPictureFormatByKey(request.Format);
    if (!row) throw EInvalidGraphic(kSUnrecognisedImage, std::string("no reader \"") + request.Format + "\"");
    switch (request.Reading) {
        case TFormatReading::Read: {
            if (!row->ReadStream || request.Purpose > std::uint32_t(TReadPurpose::Preview)) break;
            TDibImage picture = row->ReadStream(stream, TReadPurpose(request.Purpose), outcome.Info);
            outcome.Width = picture.Width();
            outcome.Height = picture.Height();
            return picture;
        }
        case TFormatReading::Preview:
            if (!row->PreviewStream) break;
            return row->PreviewStream(stream, request.BoxWidth, request.BoxHeight, outcome.Width, outcome.Height);
        case TFormatReading::Thumbnail: {
            if (!row->ThumbnailStream) break;
            TDibImage picture = row->ThumbnailStream(stream, request.BoxWidth);
            outcome.Width = picture.Width();
            outcome.Height = picture.Height();
            return picture;
        }
        case TFormatReading::Resolution: {
            if (std::strcmp(request.Format, "pcd") != 0) break;
            TQxPCD pcd;
            pcd.SetResolution(request.BoxWidth);
            pcd.LoadFromStream(stream);
            if (pcd.Empty())
                throw EReadError(kSReadError,
                                 "PhotoCD file too short for resolution " + std::to_string(pcd.Resolution()));
            outcome.Width = pcd.Width();
            outcome.Height = pcd.Height();
            return pcd.Bitmap();
        }
        case TFormatReading::IconSource: break;  // DecodeIconSource
    }
    throw EInvalidGraphic(kSUnrecognisedImage, std::string("no such reader of \"") + request.Format + "\"");
}

// An IconSource request: the images of an icon source, decoded, or the
// exception reading it threw.
[[noreturn]] void DecodeIconSource(const std::uint8_t* data, std::uint64_t length) {
    TIconSourceReply parts;
    TDecodeReplyHeader header = Status(TDecodeStatus::Images, 0);
    try {
        TAdvancedIcon icon;
        const bool isIconSource = icon.LoadFromMemory(std::vector<std::uint8_t>(data, data + length));
        parts = IconSourceReply(isIconSource, icon);
    } catch (const std::exception& error) {
        header = Status(TDecodeStatus::Failed, 0);
        parts = {FailureDetailsBytes(error), {}};
    }
    Finish(header, {}, {}, parts.Rows, parts.Details);
}

// A Format request: the picture and its file information, or the reader's
// exception, as the reply's details.
[[noreturn]] void DecodeFormat(const std::uint8_t* data, std::uint64_t length, const TDecodeRequest& request) {
    TDecodeReplyHeader header = Status(TDecodeStatus::Read, 0);
    std::vector<std::uint8_t> info, details;
    TDibImage picture;
    std::span<const std::uint8_t> bits;
    try {
        TMappedStream stream(data, std::size_t(length));
        TFormatOutcome outcome;
        picture = ReadWithRow(request, stream, outcome);
        info = FormatInfoBlock(picture);
        bits = picture.Bits();
        details = FormatDetailsBytes(outcome);
    } catch (const std::exception& error) {
        header = Status(TDecodeStatus::Failed, 0);
        info.clear();
        bits = {};
        details = FailureDetailsBytes(error);
    }
    Finish(header, {}, info, bits, details);
}

// A Describe request: the plug-in's texts and entry points, or why there
// are none.
[[noreturn]] void Describe(const TEntries& entries) {
    const auto getPluginInfo =
        entries.Library ? reinterpret_cast<SpiGetPluginInfoFn>(::dlsym(entries.Library, "GetPluginInfo")) : nullptr;
    if (!getPluginInfo)
        Finish(Status(TDecodeStatus::Failed, entries.Library ? kDescribeNoGetPluginInfo : kDescribeNoLibrary), {}, {},
               {});
    const std::vector<std::uint8_t> details =
        PluginDescriptionBytes(DescribeSPI(getPluginInfo, SpiEntryPointMask(entries.Library)));
    Finish(Status(TDecodeStatus::Described, 0), {}, {}, {}, details);
}

int Decode(const TRequestFiles& files, const TEntries& entries) {
    const TDecodeRequest& request = files.Request;
    const auto isSupported = entries.IsSupported;
    const auto getInfo = entries.GetPictureInfo;
    const auto getPicture = entries.GetPicture;

    const std::uint64_t length = request.DataLength;
    const std::uint64_t mapBytes = request.DataOffset + length;
    const std::uint8_t* data = nullptr;
    if (mapBytes > 0) {
        void* mapped = ::mmap(nullptr, mapBytes, PROT_READ, MAP_PRIVATE | MAP_POPULATE, files.Input, 0);
        if (mapped == MAP_FAILED) return 2;
        data = static_cast<const std::uint8_t*>(mapped) + request.DataOffset;
    }
    ::close(files.Input);
    // The rows' pipe first out of the reply file's way, then each to its
    // place.
    int rows = files.Rows;
    if (rows == kReplyFd && (rows = ::fcntl(files.Rows, F_DUPFD_CLOEXEC, kRowsFd + 1)) < 0) return 2;
    for (const auto& [fd, place] : {std::pair{files.Reply, kReplyFd}, std::pair{rows, kRowsFd}}) {
        if (fd == place) continue;
        if (::dup2(fd, place) != place) return 2;
        ::close(fd);
    }
    ConfineLate(request.AddressSpaceBytes, request.CpuSeconds);
    if (request.Kind == TDecodeKind::Format && request.Reading == TFormatReading::IconSource)
        DecodeIconSource(data, length);
    if (request.Kind == TDecodeKind::Format) DecodeFormat(data, length, request);
    if (request.Kind == TDecodeKind::Describe) Describe(entries);

    if (!isSupported || !getInfo || !getPicture) Finish(Status(TDecodeStatus::Failed, SPI_NOT_IMPLEMENTED), {}, {}, {});
    // IsSupported may read SPI_HEAD_BYTES whatever the file's size.
    std::uint8_t head[SPI_HEAD_BYTES] = {};
    if (data) std::memcpy(head, data, std::size_t(std::min<std::uint64_t>(length, SPI_HEAD_BYTES)));
    if (!isSupported(request.FileName, head)) Finish(Status(TDecodeStatus::NotSupported, 0), {}, {}, {});
    SpiPictureInfo raw;
    std::memset(&raw, 0, sizeof raw);
    const std::int32_t infoResult = getInfo(data, std::int64_t(length), SPI_INPUT_MEMORY, &raw);
    // The size matters to the editor only where it buys more time.
    if (infoResult == SPI_OK && std::int64_t(raw.width) * raw.height >= 1000000)
        Send({TDecodeEventType::Size, raw.width, raw.height, std::uint32_t(std::max<int>(raw.colorDepth, 0))});
    gWantsProgress = request.WantsProgress != 0;
    SpiHandle info = nullptr, bits = nullptr;
    const std::int32_t result = getPicture(data, std::int64_t(length), SPI_INPUT_MEMORY, &info, &bits, Progress, 0);
    TDecodeReplyHeader header = Status(result == SPI_OK ? TDecodeStatus::Read : TDecodeStatus::Failed, result);
    if (infoResult == SPI_OK) {
        header.Left = raw.left;
        header.Top = raw.top;
        header.Width = raw.width;
        header.Height = raw.height;
        header.XDensity = raw.xDensity;
        header.YDensity = raw.yDensity;
        header.ColorDepth = raw.colorDepth;
    }
    std::span<const std::uint8_t> text, infoBytes, bitsBytes;
    if (result == SPI_OK) {
        bool infoOk = true, bitsOk = true;
        infoBytes = BlockBytes(info, &infoOk);
        bitsBytes = BlockBytes(bits, &bitsOk);
        if (infoOk && raw.info) text = BlockBytes(raw.info);
        if (!infoOk || !bitsOk) header = Status(TDecodeStatus::Failed, SPI_BAD_DATA);
        if (header.Status != TDecodeStatus::Read) infoBytes = bitsBytes = text = {};
        if (text.size() > kMaxReplyTextBytes) text = text.first(kMaxReplyTextBytes);
    }
    Finish(header, text, infoBytes, bitsBytes);
}

int Probe() {
    ConfineEarly();
    ConfineRoot();
    BuildFilter();
    ConfineLate(std::uint64_t(4) << 30, 10);
    const std::string line = "confinement: " + ConfinementStepNames(gSteps) + "\n";
    const ssize_t wrote = ::write(2, line.data(), line.size());
    return wrote == ssize_t(line.size()) ? 0 : 1;
}

/// The largest allocation the C library takes from the heap (its own
/// bound); larger ones are mapped on their own.
constexpr std::size_t kHeapAllocationBytes = std::size_t(32) << 20;
/// Fresh heap the server grows for its decoders: the most one of them makes
/// its own before its request.
constexpr std::size_t kWarmHeapBytes = std::size_t(24) << 20;

/// Pages of the server that its decoders inherit.
struct TPages {
    std::uintptr_t Start = 0, End = 0;
};
/// The inherited pages a decoder would copy on its first write to them:
/// the writable private pages the server has touched.
std::vector<TPages> gTouched;
/// The part of the heap the server never touched, where a decoder's
/// allocations go.
TPages gFreshHeap;
/// Of that, what the next decoder makes its own before its request (the
/// editor's ask).
std::size_t gWarmHeapBytes = kWarmHeapBytes;

// Prepares what every decoder inherits so that decoding takes few page
// faults (each costs microseconds, more in a virtual machine): every
// allocation the heap may take comes from the heap, which keeps what it grew
// to, and the heap is grown to kWarmHeapBytes once; the pages to warm are
// noted for WarmUp (the root is still the real one here, so /proc/self/maps
// can be read). Untouched pages of other mappings, such as the cached stack
// of a thread that ended, are left alone: making them a decoder's own would
// cost more than the few it uses.
void PrepareInheritance() {
    ::mallopt(M_MMAP_THRESHOLD, int(kHeapAllocationBytes));
    ::mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    ::mallopt(M_TOP_PAD, 1 << 20);
    // Through a volatile pointer: the compiler drops an allocation nobody
    // uses. Its pages stay untouched.
    void* volatile grown = ::malloc(kWarmHeapBytes);
    ::free(grown);
    const auto pageBytes = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::string range, permissions, offset, device, inode, name;
        fields >> range >> permissions >> offset >> device >> inode >> name;
        TPages mapping;
        if (permissions.size() < 4 || permissions[1] != 'w' || permissions[3] != 'p' ||
            std::sscanf(range.c_str(), "%zx-%zx", &mapping.Start, &mapping.End) != 2 || mapping.End <= mapping.Start)
            continue;
        // A file's writable pages (a library's data) are few: all of them.
        if (inode != "0") {
            gTouched.push_back(mapping);
            continue;
        }
        std::vector<unsigned char> resident((mapping.End - mapping.Start) / pageBytes);
        if (::mincore(reinterpret_cast<void*>(mapping.Start), mapping.End - mapping.Start, resident.data()) != 0)
            continue;
        std::uintptr_t lastTouched = mapping.Start;
        for (std::size_t page = 0; page < resident.size();) {
            if (!(resident[page] & 1)) {
                ++page;
                continue;
            }
            TPages run{mapping.Start + page * pageBytes, 0};
            while (page < resident.size() && (resident[page] & 1)) ++page;
            run.End = mapping.Start + page * pageBytes;
            lastTouched = run.End;
            gTouched.push_back(run);
        }
        if (name == "[heap]") gFreshHeap = {lastTouched, mapping.End};
    }
}

// Makes `pages` the decoder's own, a megabyte at a time; false when a
// request arrived meanwhile. An editor that is gone (a decoder it never
// received) ends the decoder at once.
bool Populate(TPages pages) {
    constexpr std::uintptr_t kStep = std::uintptr_t(1) << 20;
    for (std::uintptr_t at = pages.Start; at < pages.End; at += kStep) {
        pollfd watch{kSocket, POLLIN, 0};
        if (::poll(&watch, 1, 0) > 0) {
            if (!(watch.revents & POLLIN)) ::_exit(0);
            return false;
        }
        ::madvise(reinterpret_cast<void*>(at), std::min(kStep, pages.End - at), MADV_POPULATE_WRITE);
    }
    return true;
}

// In a decoder, before its request, while the editor still works on the
// picture before: the inherited pages it would copy on first write, then
// the fresh heap the editor expects it to need. Read-only pages (program and
// library code) are left to fault in: mapping all of them took more
// processor time than the few a picture touches cost, which counts when a
// batch keeps every core busy.
void WarmUp() {
    for (const TPages& pages : gTouched)
        if (!Populate(pages)) return;
    const std::uintptr_t end =
        std::min({gFreshHeap.End, std::uintptr_t(::sbrk(0)), gFreshHeap.Start + gWarmHeapBytes});
    if (gFreshHeap.Start < end) Populate({gFreshHeap.Start, end});
}

// One child: its request, one picture, the end.
[[noreturn]] void ServeOne(int socket, const TEntries& entries, const char* plugin) {
    // The child's own socket takes the server's place; the server's is
    // closed with it, so the child cannot ask for decoders of its own.
    if (::dup2(socket, kSocket) != kSocket) ::_exit(2);
    ::close(socket);
    // The editor's thread that started the server is the child's parent.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    WarmUp();
    TRequestFiles files;
    if (!ReceiveRequest(files)) ::_exit(0);  // the editor closed the socket
    // A plug-in's server serves its plug-in only; the readers' server
    // serves format requests only.
    const TDecodeKind kind = files.Request.Kind;
    if (plugin ? (kind != TDecodeKind::Plugin && kind != TDecodeKind::Describe) ||
                     std::strcmp(files.Request.Plugin, plugin) != 0
               : kind != TDecodeKind::Format)
        ::_exit(2);
    // No return through the server's loop, and no plug-in destructors.
    ::_exit(Decode(files, entries));
}

// Hands the editor one started child: its pid, and its socket attached.
void SendChild(std::int32_t pid, int socket) {
    TDecoderStarted started;
    started.Pid = pid;
    SendMessage(kSocket, &started, sizeof started, std::span<const int>(&socket, socket >= 0 ? 1 : 0));
}

// Serves `plugin`, or the program's own readers when it is null.
int Serve(const char* plugin) {
    ConfineEarly();
    const TEntries entries = plugin ? LoadPlugin(plugin) : TEntries{};
    // The table is built once here, not in every decoder.
    if (!plugin) PictureFormats();
    PrepareInheritance();
    ConfineRoot();
    BuildFilter();
    for (;;) {
        TDecoderAsk ask;
        const ssize_t got = ::recv(kSocket, &ask, sizeof ask, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;  // the editor is done with this plug-in
        gWarmHeapBytes = got == ssize_t(sizeof ask) ? std::min<std::size_t>(ask.WarmHeapBytes, kWarmHeapBytes) : 0;
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            SendChild(-1, -1);
            continue;
        }
        // A plain fork whose parent is the editor: the editor reaps it and
        // sees its exit status or signal; the server keeps no children.
        const long pid = ::syscall(SYS_clone, CLONE_PARENT | SIGCHLD, 0, 0, 0, 0);
        if (pid == 0) {
            ::close(pair[0]);
            ServeOne(pair[1], entries, plugin);
        }
        ::close(pair[1]);
        SendChild(pid > 0 ? std::int32_t(pid) : -1, pid > 0 ? pair[0] : -1);
        ::close(pair[0]);
    }
}

}  // namespace
}  // namespace zelvo

int main(int argc, char** argv) {
    using namespace zelvo;
    if (argc > 1 && std::strcmp(argv[1], "--probe") == 0) {
        // Standard error is the one descriptor the filter lets through.
        ::dup2(1, 2);
        return Probe();
    }
    const bool formats = argc == 2 && std::strcmp(argv[1], "--serve-formats") == 0;
    if (!formats && (argc != 3 || std::strcmp(argv[1], "--serve") != 0)) {
        std::fputs("usage: zelvo-decode --serve PLUGIN | --serve-formats | --probe\n", stderr);
        return 2;
    }
    // Nothing but the three standard descriptors and the socket.
    ::close_range(kSocket + 1, ~0u, 0);
    return Serve(formats ? nullptr : argv[2]);
}
