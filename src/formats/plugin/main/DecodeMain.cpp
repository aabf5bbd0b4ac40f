// zelvo-decode: reads one picture through one image plug-in, confined.
//
// Started by the editor (DecoderSandbox.cpp) with its socket at descriptor
// kDecoderSocketFd, it first confines what it can before any plug-in code
// runs (new user, mount and network namespaces, no core files, no new
// privileges), waits for its one request, loads the plug-in, then shuts
// itself in: an empty root, limits on address space and processor time, and
// a system-call filter that allows only reading and writing its socket,
// memory management, threads, clocks and ending. A forbidden call ends the
// process after telling the editor which call it was. Every step is
// optional: what the kernel refuses is left out and reported in the Done
// event's Steps.
//
// "zelvo-decode --probe" confines itself the same way without a plug-in and
// prints the steps that hold on this machine.

#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <seccomp.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/plugin/DecoderProtocol.h"
#include "formats/plugin/SpiPicture.h"
#include "zelvo/spi.h"

namespace zelvo {
namespace {

constexpr int kSocket = kDecoderSocketFd;
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

// After the plug-in is loaded: nothing of the file system, limits, filter.
void ConfineLate(int replyFd, std::uint64_t addressSpaceBytes, std::uint32_t cpuSeconds) {
    if (gSteps & kStepMountNamespace) {
        // An empty, read-only tmpfs as the root; mounts stay inside.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("zelvo-decode", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC | MS_RDONLY, "size=4k") == 0 &&
            ::chroot("/tmp") == 0 && ::chdir("/") == 0)
            gSteps |= kStepEmptyRoot;
    }
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
    allow(SCMP_SYS(ftruncate), {SCMP_A0(SCMP_CMP_EQ, std::uint64_t(replyFd))});
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
    if (failures == 0 && ::seccomp_load(filter) == 0) gSteps |= kStepSeccomp;
    ::seccomp_release(filter);
}

std::intptr_t gAborted = 0;

// Progress to the editor at each new percent; the editor's abort byte
// makes the answer "stop".
std::int32_t Progress(std::int32_t number, std::int32_t denominator, std::intptr_t) {
    static std::int64_t last = -1;
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
};

bool ReceiveRequest(TRequestFiles& out) {
    iovec part{&out.Request, sizeof out.Request};
    alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    do {
        got = ::recvmsg(kSocket, &message, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    if (got != ssize_t(sizeof out.Request) || out.Request.Magic != kDecodeRequestMagic) return false;
    const cmsghdr* header = CMSG_FIRSTHDR(&message);
    if (!header || header->cmsg_type != SCM_RIGHTS || header->cmsg_len != CMSG_LEN(2 * sizeof(int))) return false;
    int fds[2];
    std::memcpy(fds, CMSG_DATA(header), sizeof fds);
    out.Input = fds[0];
    out.Reply = fds[1];
    out.Request.Plugin[kDecodeRequestPathBytes - 1] = '\0';
    out.Request.FileName[kDecodeRequestPathBytes - 1] = '\0';
    return true;
}

// Writes the reply file; false when it cannot be sized or mapped.
bool Reply(int replyFd, const TDecodeReplyHeader& header, std::span<const std::uint8_t> text,
           std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits) {
    const std::size_t bytes = DecodeReplyBytes(text.size(), info.size(), bits.size());
    if (::ftruncate(replyFd, off_t(bytes)) != 0) return false;
    void* out = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, replyFd, 0);
    if (out == MAP_FAILED) return false;
    WriteDecodeReply(static_cast<std::uint8_t*>(out), header, text, info, bits);
    ::munmap(out, bytes);
    return true;
}

TDecodeReplyHeader Status(TDecodeStatus status, std::int32_t code) {
    TDecodeReplyHeader header{};
    header.Status = status;
    header.Code = code;
    return header;
}

int Decode(const TRequestFiles& files) {
    const TDecodeRequest& request = files.Request;
    void* library = ::dlopen(request.Plugin, RTLD_NOW | RTLD_LOCAL);
    auto isSupported = library ? reinterpret_cast<SpiIsSupportedFn>(::dlsym(library, "IsSupported")) : nullptr;
    auto getInfo = library ? reinterpret_cast<SpiGetPictureInfoFn>(::dlsym(library, "GetPictureInfo")) : nullptr;
    auto getPicture = library ? reinterpret_cast<SpiGetPictureFn>(::dlsym(library, "GetPicture")) : nullptr;

    const std::uint64_t length = request.DataLength;
    const std::uint64_t mapBytes = request.DataOffset + length;
    const std::uint8_t* data = nullptr;
    if (mapBytes > 0) {
        void* mapped = ::mmap(nullptr, mapBytes, PROT_READ, MAP_PRIVATE, files.Input, 0);
        if (mapped == MAP_FAILED) return 2;
        data = static_cast<const std::uint8_t*>(mapped) + request.DataOffset;
    }
    ::close(files.Input);
    ConfineLate(files.Reply, request.AddressSpaceBytes, request.CpuSeconds);

    if (!isSupported || !getInfo || !getPicture) {
        if (!Reply(files.Reply, Status(TDecodeStatus::Failed, SPI_NOT_IMPLEMENTED), {}, {}, {})) return 2;
        Send({TDecodeEventType::Done, 0, 0, gSteps});
        return 0;
    }
    // IsSupported may read SPI_HEAD_BYTES whatever the file's size.
    std::uint8_t head[SPI_HEAD_BYTES] = {};
    if (data) std::memcpy(head, data, std::size_t(std::min<std::uint64_t>(length, SPI_HEAD_BYTES)));
    if (!isSupported(request.FileName, head)) {
        if (!Reply(files.Reply, Status(TDecodeStatus::NotSupported, 0), {}, {}, {})) return 2;
        Send({TDecodeEventType::Done, 0, 0, gSteps});
        return 0;
    }
    SpiPictureInfo raw;
    std::memset(&raw, 0, sizeof raw);
    const std::int32_t infoResult = getInfo(data, std::int64_t(length), SPI_INPUT_MEMORY, &raw);
    if (infoResult == SPI_OK) Send({TDecodeEventType::Size, raw.width, raw.height, 0});
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
    if (!Reply(files.Reply, header, text, infoBytes, bitsBytes)) return 2;
    Send({TDecodeEventType::Done, 0, 0, gSteps});
    return 0;
}

int Probe() {
    ConfineEarly();
    const int reply = ::memfd_create("zelvo-decode-probe", MFD_CLOEXEC);
    ConfineLate(reply, std::uint64_t(4) << 30, 10);
    const std::string line = "confinement: " + ConfinementStepNames(gSteps) + "\n";
    const ssize_t wrote = ::write(2, line.data(), line.size());
    return wrote == ssize_t(line.size()) ? 0 : 1;
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
    // Nothing but the three standard descriptors and the socket.
    ::close_range(kSocket + 1, ~0u, 0);
    ConfineEarly();
    TRequestFiles files;
    if (!ReceiveRequest(files)) return 0;  // the editor closed the socket
    return Decode(files);
}
