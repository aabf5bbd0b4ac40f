#include "formats/plugin/DecoderSandbox.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <seccomp.h>

#include "formats/plugin/FormatReply.h"
#include "formats/plugin/SpiBitmap.h"
#include "formats/plugin/SpiPicture.h"
#include "image/ImageLimits.h"
#include "image/ScopeExit.h"

extern char** environ;

namespace zelvo {

namespace {

using TClock = std::chrono::steady_clock;

/// A descriptor closed when it goes out of scope.
class TFd {
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    ~TFd() { Reset(); }
    TFd(TFd&& other) noexcept : FFd(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept {
        if (this != &other) {
            Reset();
            FFd = other.Release();
        }
        return *this;
    }
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }
    void Reset() {
        if (FFd >= 0) ::close(FFd);
        FFd = -1;
    }

private:
    int FFd;
};

/// A started process: a decoder waiting for its request (a child of the
/// editor, though its server forked it) or a decoder server.
struct TDecoderChild {
    pid_t Pid = -1;
    int Socket = -1;
};

void EndChild(const TDecoderChild& child, int* status = nullptr) {
    if (child.Socket >= 0) ::close(child.Socket);
    if (child.Pid <= 0) return;
    ::kill(child.Pid, SIGKILL);
    int local = 0;
    while (::waitpid(child.Pid, &local, 0) < 0 && errno == EINTR) {
    }
    if (status) *status = local;
}

bool Executable(const std::filesystem::path& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

/// Starts the decoder server of `plugin`; Pid -1 when it cannot be started.
TDecoderChild SpawnServer(const std::filesystem::path& program, const std::filesystem::path& plugin) {
    TDecoderChild child;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return child;
    TFd mine(pair[0]), theirs(pair[1]);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, theirs.Get(), kDecoderSocketFd);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    // The decoders start with default signal handling and nothing blocked,
    // whatever the editor's threads have set.
    sigset_t all, none;
    ::sigfillset(&all);
    ::sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    // The program's own readers have a server of their own, without a
    // plug-in.
    std::string path = program.string(), serve = plugin.empty() ? "--serve-formats" : "--serve",
                library = plugin.string();
    char* argv[] = {path.data(), serve.data(), plugin.empty() ? nullptr : library.data(), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        return child;
    }
    child.Pid = pid;
    child.Socket = mine.Release();
    return child;
}

/// How long a server may take to start a decoder.
constexpr int kStartMilliseconds = 10000;
/// Decoder servers kept at most; the one used longest ago ends first.
constexpr std::size_t kMostServers = 8;

/// The decoder servers, one per plug-in, each with the decoders it started
/// that wait for a request. Taking a decoder asks the server for the next
/// one at once, so it starts while the picture decodes and the next picture
/// does not wait for it.
class TDecoderPool {
public:
    ~TDecoderPool() {
        {
            std::lock_guard lock(FTaskLock);
            FQuit = true;
        }
        FTaskWake.notify_all();
        if (FThread.joinable()) FThread.join();
        StopLocked();
    }

    /// A decoder for `plugin` waiting for its request (Pid -1 when none
    /// can be started).
    TDecoderChild Take(const std::filesystem::path& program, const std::filesystem::path& plugin) {
        std::lock_guard lock(FLock);
        std::erase_if(FEnding, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
        if (program != FProgram) {
            StopLocked();
            FProgram = program;
        }
        // A server that has ended (the system stopped it) is replaced once.
        for (int tries = 0; tries < 2; ++tries) {
            auto found = FServers.find(plugin);
            if (found == FServers.end()) {
                TDecoderChild started;
                RunOnPoolThread([&] { started = SpawnServer(program, plugin); });
                if (started.Pid < 0) return {};
                if (FServers.size() >= kMostServers) EndOldestServer();
                TServer fresh;
                fresh.Process = started;
                found = FServers.emplace(plugin, std::move(fresh)).first;
            }
            TServer& server = found->second;
            server.LastUse = ++FUses;
            TDecoderChild child;
            if (Fetch(server, child)) {
                const std::size_t warm = std::size_t(std::clamp(SandboxOptions().WarmProcesses, 0, 8));
                while (server.Ready.size() + std::size_t(server.Asked) < warm && Ask(server)) {
                }
                return child;
            }
            EndServer(server);
            FServers.erase(found);
        }
        return {};
    }

    void Stop() {
        std::lock_guard lock(FLock);
        StopLocked();
    }

    /// Notes that a decoder of `plugin` replied with `replyBytes`: the
    /// next ones make about that much heap their own before their request.
    void Expect(const std::filesystem::path& plugin, std::size_t replyBytes) {
        std::lock_guard lock(FLock);
        const auto found = FServers.find(plugin);
        if (found == FServers.end()) return;
        const std::size_t need = replyBytes + replyBytes / 4 + (std::size_t(1) << 20);
        found->second.WarmHeapBytes = std::uint32_t(std::min<std::size_t>(need, UINT32_MAX));
    }

    /// Ends a decoder whose work is done without waiting for it; it is
    /// reaped at the next Take.
    void EndLater(const TDecoderChild& child) {
        if (child.Socket >= 0) ::close(child.Socket);
        ::kill(child.Pid, SIGKILL);
        std::lock_guard lock(FLock);
        FEnding.push_back(child.Pid);
    }

private:
    struct TServer {
        TDecoderChild Process;
        std::deque<TDecoderChild> Ready;
        /// Decoders asked for and not yet received.
        int Asked = 0;
        bool Gone = false;
        std::uint64_t LastUse = 0;
        /// The fresh heap each new decoder makes its own (Expect); at
        /// first, all the server keeps.
        std::uint32_t WarmHeapBytes = UINT32_MAX;
    };

    // Runs `task` on the pool's own thread: the servers are started there,
    // so their parent, and the parent of the decoders they fork (whose
    // parent-death signal follows that thread), lasts as long as the
    // program and not as long as the thread that happened to read a file.
    void RunOnPoolThread(const std::function<void()>& task) {
        std::unique_lock lock(FTaskLock);
        if (!FThread.joinable()) FThread = std::thread([this] { Work(); });
        FTask = &task;
        FTaskWake.notify_all();
        FTaskWake.wait(lock, [this] { return FTask == nullptr; });
    }

    void Work() {
        std::unique_lock lock(FTaskLock);
        while (!FQuit) {
            if (!FTask) {
                FTaskWake.wait(lock);
                continue;
            }
            (*FTask)();
            FTask = nullptr;
            FTaskWake.notify_all();
        }
    }

    // Asks the server for one more decoder.
    bool Ask(TServer& server) {
        const TDecoderAsk ask{server.WarmHeapBytes};
        if (server.Gone ||
            ::send(server.Process.Socket, &ask, sizeof ask, MSG_NOSIGNAL | MSG_DONTWAIT) != ssize_t(sizeof ask)) {
            server.Gone = true;
            return false;
        }
        ++server.Asked;
        return true;
    }

    // Receives one answer of the server, waiting at most `milliseconds`;
    // false when none came or the server is gone.
    bool Receive(TServer& server, int milliseconds) {
        pollfd watch{server.Process.Socket, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&watch, 1, milliseconds);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0) return false;
        TDecoderStarted started;
        int fd = -1, received = 0;
        const ssize_t got = ReceiveMessage(server.Process.Socket, &started, sizeof started, {&fd, 1}, received,
                                           MSG_DONTWAIT);
        TFd socket(received == 1 ? fd : -1);
        if (got != ssize_t(sizeof started)) {
            server.Gone = true;
            return false;
        }
        server.Asked = std::max(server.Asked - 1, 0);
        // Only a child of this process is a decoder the editor may end.
        siginfo_t info{};
        if (started.Pid > 0 && socket.Get() >= 0 &&
            ::waitid(P_PID, id_t(started.Pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            server.Ready.push_back({started.Pid, socket.Release()});
        return true;
    }

    bool Fetch(TServer& server, TDecoderChild& child) {
        for (;;) {
            if (!server.Ready.empty()) {
                child = server.Ready.front();
                server.Ready.pop_front();
                return true;
            }
            if (server.Asked == 0 && !Ask(server)) return false;
            if (!Receive(server, kStartMilliseconds)) return false;
        }
    }

    void EndServer(TServer& server) {
        for (const TDecoderChild& child : server.Ready) EndChild(child);
        server.Ready.clear();
        EndChild(server.Process);
    }

    void EndOldestServer() {
        auto oldest = std::min_element(FServers.begin(), FServers.end(), [](const auto& a, const auto& b) {
            return a.second.LastUse < b.second.LastUse;
        });
        EndServer(oldest->second);
        FServers.erase(oldest);
    }

    void StopLocked() {
        for (auto& entry : FServers) EndServer(entry.second);
        FServers.clear();
        for (const pid_t pid : FEnding) EndChild({pid, -1});
        FEnding.clear();
    }

    std::mutex FLock;
    std::filesystem::path FProgram;
    std::map<std::filesystem::path, TServer> FServers;
    std::uint64_t FUses = 0;
    /// Decoders killed and not yet reaped.
    std::vector<pid_t> FEnding;

    std::mutex FTaskLock;
    std::condition_variable FTaskWake;
    std::thread FThread;
    const std::function<void()>* FTask = nullptr;
    bool FQuit = false;
};

TDecoderPool& Pool() {
    static TDecoderPool pool;
    return pool;
}

std::string SyscallName(int number) {
    char* name = ::seccomp_syscall_resolve_num_arch(SCMP_ARCH_NATIVE, number);
    std::string out = name ? name : "system call " + std::to_string(number);
    std::free(name);
    return out;
}

std::string ExitReason(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = ::sigabbrev_np(signal);
        return "the decoder crashed (signal " + std::to_string(signal) + (name ? std::string(", SIG") + name : "") +
               ")";
    }
    if (WIFEXITED(status)) return "the decoder ended without a reply (exit status " +
                                  std::to_string(WEXITSTATUS(status)) + ")";
    return "the decoder ended without a reply";
}

/// A sealed memory file holding `length` bytes of `data`; throws
/// EDecoderUnavailable when it cannot be made.
TFd InputFile(const std::uint8_t* data, std::int64_t length) {
    auto unavailable = [] {
        return EDecoderUnavailable(kSDecoderUnavailable, std::string("memory file: ") + std::strerror(errno));
    };
    TFd fd(::memfd_create("zelvo-decode-input", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (fd.Get() < 0) throw unavailable();
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t wrote = ::write(fd.Get(), data + done, std::size_t(std::min<std::int64_t>(length - done, 1 << 24)));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw unavailable();
        done += wrote;
    }
    ::fcntl(fd.Get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

bool SendRequest(int socket, const TDecodeRequest& request, int input, int reply, int rows) {
    const int fds[] = {input, reply, rows};
    return SendMessage(socket, &request, sizeof request, fds);
}

/// Whether the reply file can no longer change.
bool Sealed(int replyFd) {
    constexpr int kSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
    const int seals = ::fcntl(replyFd, F_GET_SEALS);
    return seals >= 0 && (seals & kSeals) == kSeals;
}

/// Takes what a parsed reply holds into the attempt; throws
/// EInvalidGraphic when it is malformed.
using TReplyTaker = std::function<void(const TDecodeReply& reply, TSandboxAttempt& attempt)>;

/// Reads `bytes` of the reply file from `offset` into `out`.
bool ReadAt(int fd, std::uint8_t* out, std::uint64_t bytes, std::uint64_t offset) {
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, out, std::size_t(std::min<std::uint64_t>(bytes, 1 << 30)), off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        bytes -= std::uint64_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

/// Reads `bytes` rows from the decoder's pipe (its reading end does not
/// block) into `out`; the reason when they do not all come by `deadline`.
std::string ReceiveRows(int pipe, std::uint8_t* out, std::uint64_t bytes, TClock::time_point deadline) {
    while (bytes > 0) {
        const ssize_t n = ::read(pipe, out, std::size_t(std::min<std::uint64_t>(bytes, 1 << 30)));
        if (n > 0) {
            out += n;
            bytes -= std::uint64_t(n);
            continue;
        }
        if (n == 0) return "the decoder ended before its rows were sent";
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return std::string("the decoder's rows cannot be read: ") + std::strerror(errno);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0) return "the decoder's rows did not come in time";
        pollfd watch{pipe, POLLIN, 0};
        ::poll(&watch, 1, int(std::min<std::int64_t>(left, 1000)));
    }
    return {};
}

/// The reply file mapped as it is (the rows, if any, in it); empty with
/// the reason in `attempt` when it cannot be. The file is sealed, so nobody
/// can change the pages any more, and the picture may keep them as its
/// storage where they could be made writable (`adoptable`): only after they
/// were mapped for reading, since a writable private mapping would be
/// populated with copies of every page.
TRowsMapping MapReply(int replyFd, std::size_t size, TSandboxAttempt& attempt, bool& adoptable) {
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, replyFd, 0);
    if (mapped == MAP_FAILED) {
        attempt.Reason = std::string("the decoder's reply cannot be mapped: ") + std::strerror(errno);
        return {};
    }
    adoptable = ::mprotect(mapped, size, PROT_READ | PROT_WRITE) == 0;
    return {mapped, size};
}

constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

/// Memory of the editor's own for a reply of `bytes` whose rows come
/// through the pipe, made ready at once (all its page faults in one call),
/// a whole number of huge pages long as a picture's (DibImage.cpp). Empty
/// when there is no memory.
TRowsMapping PipedReplyMemory(std::uint64_t bytes) {
    const std::size_t length = std::size_t((bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes);
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return {};
    ::madvise(mapped, length, MADV_POPULATE_WRITE);
    return {mapped, length};
}

/// The reply file read into memory of the editor's own, and the rows from
/// the pipe into their place there; empty with the reason in `attempt`
/// when they cannot be. The decoder cannot change what the editor holds.
/// The memory is `early`'s where that was made large enough while the
/// decoder worked (it is then the caller's).
TRowsMapping ReadPipedReply(int replyFd, std::size_t size, TReplyRows rows, int rowsPipe,
                            TClock::time_point deadline, TRowsMapping& early, TSandboxAttempt& attempt) {
    TRowsMapping memory = early.Length >= size ? std::exchange(early, {}) : PipedReplyMemory(size);
    if (!memory.Base) {
        attempt.Reason = std::string("no memory for the decoder's reply: ") + std::strerror(errno);
        return {};
    }
    auto* bytes = static_cast<std::uint8_t*>(memory.Base);
    const std::uint64_t after = rows.Offset + rows.Bytes;
    if (!ReadAt(replyFd, bytes, rows.Offset, 0) || !ReadAt(replyFd, bytes + after, size - after, after))
        attempt.Reason = std::string("the decoder's reply cannot be read: ") + std::strerror(errno);
    else
        attempt.Reason = ReceiveRows(rowsPipe, bytes + rows.Offset, rows.Bytes, deadline);
    if (attempt.Reason.empty()) return memory;
    ::munmap(memory.Base, memory.Length);
    return {};
}

/// Reads the reply once its file can no longer change, with its rows from
/// the pipe when they are that large (kPipedRowsBytes), into `early` where
/// that is large enough.
void ReadReply(int replyFd, int rowsPipe, TClock::time_point deadline, TRowsMapping& early,
               TSandboxAttempt& attempt, const TReplyTaker& take) {
    struct stat info {};
    if (::fstat(replyFd, &info) != 0 || info.st_size <= 0) {
        attempt.Reason = "the decoder's reply is empty";
        return;
    }
    const auto size = std::size_t(info.st_size);
    attempt.ReplyBytes = size;
    std::uint8_t head[sizeof(TDecodeReplyHeader)];
    const std::size_t headBytes = std::min(size, sizeof head);
    TReplyRows rows;
    try {
        if (!ReadAt(replyFd, head, headBytes, 0)) throw EInvalidGraphic(kSUnrecognisedImage, "unreadable");
        rows = ReplyRowsSection({head, headBytes}, size);
    } catch (const Exception& error) {
        attempt.Reason = "the decoder's reply is malformed: " + error.Detail();
        return;
    }
    bool adoptable = true;
    TRowsMapping mapping = rows.Bytes >= kPipedRowsBytes
                               ? ReadPipedReply(replyFd, size, rows, rowsPipe, deadline, early, attempt)
                               : MapReply(replyFd, size, attempt, adoptable);
    if (!mapping.Base) return;
    try {
        TDecodeReply reply = ParseDecodeReply({static_cast<const std::uint8_t*>(mapping.Base), size});
        if (adoptable) reply.Mapping = &mapping;
        attempt.Status = reply.Status;
        attempt.Code = reply.Code;
        take(reply, attempt);
    } catch (const Exception& error) {
        attempt.Status = TDecodeStatus::Failed;
        attempt.Picture = TDibImage();
        attempt.Failure.clear();
        attempt.Reason = "the decoder's reply is malformed: " + error.Detail();
    }
    if (!mapping.Taken) ::munmap(mapping.Base, mapping.Length);
}

/// Memory for the reply of a picture that a Size event announces, when its
/// rows will come through the pipe: made while the decoder works, on the
/// thread that waits anyway, rather than after. Empty when they will not.
TRowsMapping EarlyReplyMemory(const TDecodeEvent& size) {
    if (!ImageSizeAllowed(size.A, size.B) || size.Steps == 0 || size.Steps > 32) return {};
    const std::uint64_t rows = std::uint64_t(DibRowBytes(size.A, size.Steps)) * std::uint64_t(size.B);
    if (rows < kPipedRowsBytes || rows > kMaxReplyBitsBytes) return {};
    return PipedReplyMemory(DecodeReplyBytes(kMaxReplyTextBytes, kMaxReplyInfoBytes, rows, 0));
}

/// Hands `request` with the descriptor `input` to a decoder of `server` (a
/// plug-in, or empty for the program's own readers) and waits at most
/// `allowed` (or what a Size event allows) for its reply.
TSandboxAttempt RunDecoder(const std::filesystem::path& server, const TDecodeRequest& request, int input,
                           const TSandboxProgress& progress, std::chrono::seconds allowed,
                           const TReplyTaker& take) {
    const TSandboxOptions& options = SandboxOptions();
    const std::filesystem::path program = DecoderProgram();
    if (program.empty()) throw EDecoderUnavailable(kSDecoderUnavailable, "zelvo-decode not found");
    const TFd reply(::memfd_create("zelvo-decode-reply", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (input < 0 || reply.Get() < 0)
        throw EDecoderUnavailable(kSDecoderUnavailable, std::string("memory file: ") + std::strerror(errno));
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw EDecoderUnavailable(kSDecoderUnavailable, std::string("pipe: ") + std::strerror(errno));
    const TFd rowsIn(pipeEnds[0]);
    TFd rowsOut(pipeEnds[1]);
    // A megabyte at a time (where the system allows that much): fewer turns
    // between the decoder and the editor. The editor's end never blocks.
    ::fcntl(rowsIn.Get(), F_SETPIPE_SZ, 1 << 20);
    ::fcntl(rowsIn.Get(), F_SETFL, O_NONBLOCK);

    // A waiting decoder or its server may have ended since it was started
    // (the system stopped it); a second, fresh one is tried then.
    TDecoderChild child;
    for (int tries = 0; tries < 2 && child.Pid < 0; ++tries) {
        child = Pool().Take(program, server);
        if (child.Pid >= 0 && !SendRequest(child.Socket, request, input, reply.Get(), rowsOut.Get())) {
            EndChild(child);
            child = {};
        }
    }
    if (child.Pid < 0)
        throw EDecoderUnavailable(kSDecoderUnavailable, "cannot start " + program.string() + ": " + std::strerror(errno));
    // The decoder's end alone: the pipe ends when the decoder does.
    rowsOut.Reset();

    TSandboxAttempt attempt;
    const TClock::time_point start = TClock::now();
    bool done = false, ended = false, timedOut = false;
    TRowsMapping early;
    const TScopeExit unmapEarly([&early] {
        if (early.Base) ::munmap(early.Base, early.Length);
    });
    while (!done && !ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(start + allowed - TClock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd watch{child.Socket, POLLIN, 0};
        const int ready = ::poll(&watch, 1, int(std::min<std::int64_t>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        TDecodeEvent event;
        const ssize_t got = ::recv(child.Socket, &event, sizeof event, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got != ssize_t(sizeof event)) {
            ended = true;  // the decoder is gone, or says something else
            break;
        }
        switch (event.Type) {
            case TDecodeEventType::Size: {
                const std::int64_t pixels = std::int64_t(std::max(event.A, 0)) * std::max(event.B, 0);
                const std::int64_t megapixels = std::min<std::int64_t>(pixels, kMaxImagePixels) / 1000000;
                allowed = std::chrono::seconds(options.TimeLimitSeconds + options.SecondsPerMegapixel * megapixels);
                if (!early.Base) early = EarlyReplyMemory(event);
                break;
            }
            case TDecodeEventType::Progress:
                if (!attempt.Aborted && progress && !progress(event.A, event.B)) {
                    attempt.Aborted = true;
                    const char stop = 1;
                    ::send(child.Socket, &stop, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                }
                break;
            case TDecodeEventType::Done:
                attempt.Steps = event.Steps;
                done = true;
                break;
            case TDecodeEventType::Forbidden:
                attempt.Reason = std::string("the decoder was stopped: the ") +
                                 (request.Kind == TDecodeKind::Plugin ? "plug-in" : "reader") + " called " +
                                 SyscallName(event.A);
                break;
        }
    }
    // Nothing may change the reply while it is checked: a sealed reply
    // cannot change, so the decoder sends any rows it pipes and ends in the
    // background; otherwise it ends here, before its reply is read (and
    // cannot send rows any more). Piped rows are read into the editor's own
    // memory: the decoder cannot change them there.
    const bool sealed = done && Sealed(reply.Get());
    int status = 0;
    if (!sealed) EndChild(child, &status);
    const TScopeExit endLater([&] {
        if (sealed) Pool().EndLater(child);
    });
    if (done) {
        ReadReply(reply.Get(), rowsIn.Get(), start + allowed, early, attempt, take);
        if (attempt.Status == TDecodeStatus::Read) Pool().Expect(server, attempt.ReplyBytes);
    } else if (timedOut) {
        attempt.Reason = "the decoder was stopped after " + std::to_string(allowed.count()) + " s";
    } else if (attempt.Reason.empty()) {
        attempt.Reason = ExitReason(status);
    }
    if (!attempt.Reason.empty()) attempt.Status = TDecodeStatus::Failed;
    return attempt;
}

/// What a Format request asks.
struct TFormatAsk {
    TFormatReading Reading = TFormatReading::Read;
    TReadPurpose Purpose = TReadPurpose::Document;
    int BoxWidth = 0;
    int BoxHeight = 0;
};

/// A Format request for `length` bytes: the row `key`, the reading, and the
/// time and memory they may take.
TDecodeRequest FormatRequest(const std::string& key, std::int64_t length, const TFormatAsk& ask,
                             std::int64_t& seconds) {
    const TSandboxOptions& options = SandboxOptions();
    if (length > kMaxPluginFileBytes)
        throw EDecoderFailed(kSUnrecognisedImage, "a file of " + std::to_string(length) +
                                                      " bytes, more than the decoder takes (" +
                                                      std::to_string(kMaxPluginFileBytes) + ")");
    TDecodeRequest request;
    request.Kind = TDecodeKind::Format;
    request.DataLength = std::uint64_t(std::max<std::int64_t>(length, 0));
    const std::int64_t megabytes = (length + (1 << 20) - 1) >> 20;
    seconds = std::int64_t(options.TimeLimitSeconds) + options.SecondsPerMegapixel * megabytes;
    request.CpuSeconds = std::uint32_t(std::clamp<std::int64_t>(seconds + 1, 1, 100000));
    request.AddressSpaceBytes =
        options.AddressSpaceMarginBytes ? options.AddressSpaceMarginBytes + request.DataLength : 0;
    if (key.size() >= kDecodeRequestKeyBytes) throw EDecoderFailed(kSUnrecognisedImage, "format key too long");
    std::memcpy(request.Format, key.c_str(), key.size() + 1);
    request.Reading = ask.Reading;
    request.Purpose = std::uint32_t(ask.Purpose);
    request.BoxWidth = ask.BoxWidth;
    request.BoxHeight = ask.BoxHeight;
    return request;
}

/// Runs a Format request on `input` and hands a reply of status `wanted` to
/// `take`; a reader's failure is thrown again as the reader threw it, the
/// decoder's (or a reply of another kind) as EDecoderFailed.
void RunFormatRequest(const TDecodeRequest& request, int input, std::int64_t seconds, TDecodeStatus wanted,
                      const std::function<void(const TDecodeReply&)>& take) {
    const TSandboxAttempt attempt = RunDecoder(
        {}, request, input, {}, std::chrono::seconds(seconds), [&](const TDecodeReply& reply, TSandboxAttempt& out) {
            if (reply.Status == TDecodeStatus::Failed) out.Failure.assign(reply.Details.begin(), reply.Details.end());
            else if (reply.Status == wanted) take(reply);
            else throw EInvalidGraphic(kSUnrecognisedImage, "a reader that declined");
        });
    if (!attempt.Reason.empty()) throw EDecoderFailed(kSUnrecognisedImage, attempt.Reason);
    if (attempt.Status != wanted) ThrowFailureDetails(attempt.Failure);
}

/// Runs a format row's reader in a decoder process; throws as ReadInDecoder.
TDibImage DecodeFormat(const std::string& key, const std::filesystem::path& path, const TFormatAsk& ask,
                       TFormatOutcome& outcome) {
    // The file itself goes to the decoder, opened as the reader opens it.
    TFileStream file(path, TFileStream::Mode::fmOpenRead);
    std::int64_t seconds = 0;
    const TDecodeRequest request = FormatRequest(key, file.Size(), ask, seconds);
    TDibImage picture;
    RunFormatRequest(request, file.Handle(), seconds, TDecodeStatus::Read, [&](const TDecodeReply& reply) {
        picture = PictureFromFormatReply(reply);
        outcome = ParseFormatDetails(reply.Details);
    });
    return picture;
}

}  // namespace

TSandboxOptions& SandboxOptions() {
    static TSandboxOptions options;
    return options;
}

std::filesystem::path DecoderProgram() {
    const TSandboxOptions& options = SandboxOptions();
    if (!options.Program.empty()) return Executable(options.Program) ? options.Program : std::filesystem::path();
    if (const char* chosen = std::getenv("ZELVO_DECODE"); chosen && *chosen)
        return Executable(chosen) ? std::filesystem::path(chosen) : std::filesystem::path();
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    for (const auto& candidate : {self.parent_path() / "zelvo-decode",
                                  self.parent_path().parent_path() / "lib" / "zelvo" / "zelvo-decode"}) {
        if (Executable(candidate)) return candidate;
    }
    return {};
}

void StopWaitingDecoders() { Pool().Stop(); }

std::string FailureOnOneLine(const std::string& failure) {
    const std::size_t reason = failure.find('\n');
    if (reason == std::string::npos) return failure;
    return failure.substr(0, reason) + " (" + failure.substr(reason + 1) + ")";
}

TSPIDescription DescribeInDecoder(const std::filesystem::path& plugin) {
    const TSandboxOptions& options = SandboxOptions();
    if (DecoderProgram().empty()) throw EDecoderUnavailable(kSDecoderUnavailable, "zelvo-decode not found");
    const std::string pluginName = plugin.string();
    const std::string name = plugin.filename().string();
    auto unloadable = [&](const std::string& why) {
        return ESPIFOpenErrorSPI(name + ":Susie Pluginがロードできませんでした", why);
    };
    if (pluginName.size() >= kDecodeRequestPathBytes) throw unloadable("path too long for the decoder");
    TDecodeRequest request;
    request.Kind = TDecodeKind::Describe;
    request.CpuSeconds = std::uint32_t(std::clamp(options.TimeLimitSeconds, 1, 100000));
    request.AddressSpaceBytes = options.AddressSpaceMarginBytes;
    std::memcpy(request.Plugin, pluginName.c_str(), pluginName.size() + 1);
    const TFd input = InputFile(nullptr, 0);
    std::optional<TSPIDescription> described;
    const TSandboxAttempt attempt =
        RunDecoder(plugin, request, input.Get(), {}, std::chrono::seconds(options.TimeLimitSeconds),
                   [&](const TDecodeReply& reply, TSandboxAttempt&) {
                       if (reply.Status == TDecodeStatus::Described)
                           described = ParsePluginDescription(reply.Details);
                   });
    if (described) return *described;
    if (attempt.Reason.empty() && attempt.Status == TDecodeStatus::Failed && attempt.Code == kDescribeNoGetPluginInfo)
        throw ESPIInvalidSPI(InvalidApiMessage("GetPluginInfo", name), "no GetPluginInfo in " + pluginName);
    throw unloadable(attempt.Reason.empty() ? "the decoder could not load it" : attempt.Reason);
}

TSandboxAttempt DecodeWithPlugin(const std::filesystem::path& plugin, const std::string& fileName,
                                 const std::uint8_t* data, std::int64_t length, const TSandboxProgress& progress,
                                 TDecodeSource source) {
    const TSandboxOptions& options = SandboxOptions();
    if (DecoderProgram().empty()) throw EDecoderUnavailable(kSDecoderUnavailable, "zelvo-decode not found");

    TDecodeRequest request;
    request.DataLength = std::uint64_t(std::max<std::int64_t>(length, 0));
    const std::int64_t mostSeconds =
        std::int64_t(options.TimeLimitSeconds) + std::int64_t(options.SecondsPerMegapixel) * (kMaxImagePixels >> 20);
    request.CpuSeconds = std::uint32_t(std::clamp<std::int64_t>(mostSeconds, 1, 100000));
    request.AddressSpaceBytes =
        options.AddressSpaceMarginBytes ? options.AddressSpaceMarginBytes + request.DataLength : 0;
    const std::string pluginName = plugin.string();
    if (pluginName.size() >= kDecodeRequestPathBytes || fileName.size() >= kDecodeRequestPathBytes) {
        TSandboxAttempt attempt;
        attempt.Reason = "path too long for the decoder";
        return attempt;
    }
    request.WantsProgress = progress ? 1 : 0;
    std::memcpy(request.Plugin, pluginName.c_str(), pluginName.size() + 1);
    std::memcpy(request.FileName, fileName.c_str(), fileName.size() + 1);

    // The file itself when the caller has it open: nothing to copy.
    TFd copy;
    if (source.Fd >= 0 && source.Offset >= 0) {
        request.DataOffset = std::uint64_t(source.Offset);
    } else {
        copy = InputFile(data, length);
        source.Fd = copy.Get();
    }
    return RunDecoder(plugin, request, source.Fd, progress, std::chrono::seconds(options.TimeLimitSeconds),
                      [](const TDecodeReply& reply, TSandboxAttempt& attempt) {
                          if (reply.Status != TDecodeStatus::Read) return;
                          attempt.Picture = PictureFromDecodeReply(reply);
                          attempt.Info = reply.Info;
                      });
}

TDibImage PhotoCdInDecoder(const std::filesystem::path& path, int resolution) {
    TFormatOutcome outcome;
    return DecodeFormat("pcd", path, {TFormatReading::Resolution, TReadPurpose::Document, resolution, 0}, outcome);
}

bool IconSourceInDecoder(const std::shared_ptr<const std::vector<std::uint8_t>>& file,
                         std::vector<TIconImage>& images) {
    std::int64_t seconds = 0;
    const TDecodeRequest request =
        FormatRequest("ico", std::int64_t(file->size()), {TFormatReading::IconSource}, seconds);
    const TFd input = InputFile(file->data(), std::int64_t(file->size()));
    bool isIconSource = false;
    RunFormatRequest(request, input.Get(), seconds, TDecodeStatus::Images,
                     [&](const TDecodeReply& reply) { isIconSource = ParseIconSourceReply(reply, file, images); });
    return isIconSource;
}

TDibImage ReadInDecoder(const std::string& key, const std::filesystem::path& path, TReadPurpose purpose,
                        TPictureFileInfo& info) {
    TFormatOutcome outcome;
    TDibImage picture = DecodeFormat(key, path, {TFormatReading::Read, purpose, 0, 0}, outcome);
    info = std::move(outcome.Info);
    return picture;
}

TDibImage PreviewInDecoder(const std::string& key, const std::filesystem::path& path, int boxWidth, int boxHeight,
                           int& width, int& height) {
    TFormatOutcome outcome;
    TDibImage picture =
        DecodeFormat(key, path, {TFormatReading::Preview, TReadPurpose::Preview, boxWidth, boxHeight}, outcome);
    width = outcome.Width;
    height = outcome.Height;
    return picture;
}

TDibImage ThumbnailInDecoder(const std::string& key, const std::filesystem::path& path, int thumbSize) {
    TFormatOutcome outcome;
    return DecodeFormat(key, path, {TFormatReading::Thumbnail, TReadPurpose::Secondary, thumbSize, 0}, outcome);
}

}  // namespace zelvo
