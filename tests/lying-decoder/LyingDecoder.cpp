// A decoder program that lies about its rows, for the editor's tests:
// serves "--serve-formats" as zelvo-decode does, and each decoder replies
// that 8 MiB of rows follow through the pipe, says Done, and then, as
// ZELVO_LYING_DECODER_MODE says, sends one mebibyte of them and ends
// ("short") or sends none and waits until it is ended ("none").
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <fcntl.h>
#include <signal.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/plugin/DecoderProtocol.h"

namespace {

using namespace zelvo;

constexpr std::uint64_t kRowsOffset = 4096, kRowsBytes = std::uint64_t(8) << 20;

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = std::uint8_t(value >> (8 * i));
}

[[noreturn]] void Lie(int socket) {
    TDecodeRequest request;
    int fds[3], received = 0;
    if (ReceiveMessage(socket, &request, sizeof request, fds, received) != ssize_t(sizeof request) || received != 3)
        ::_exit(2);
    const int reply = fds[1], rows = fds[2];

    // Only where the rows lie: the editor never gets to the rest.
    std::vector<std::uint8_t> head(sizeof(TDecodeReplyHeader));
    std::memcpy(head.data(), kDecodeReplyMagic, sizeof kDecodeReplyMagic);
    Put(head, 8, kDecodeReplyVersion, 4);
    Put(head, offsetof(TDecodeReplyHeader, BitsOffset), kRowsOffset, 8);
    Put(head, offsetof(TDecodeReplyHeader, BitsBytes), kRowsBytes, 8);
    if (::ftruncate(reply, off_t(kRowsOffset + kRowsBytes)) != 0 ||
        ::pwrite(reply, head.data(), head.size(), 0) != ssize_t(head.size()))
        ::_exit(2);
    ::fcntl(reply, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE);
    const TDecodeEvent done{TDecodeEventType::Done, 0, 0, 0};
    ::send(socket, &done, sizeof done, MSG_NOSIGNAL);

    const char* mode = std::getenv("ZELVO_LYING_DECODER_MODE");
    if (mode && std::strcmp(mode, "short") == 0) {
        const std::vector<std::uint8_t> some(1 << 20, 0x55);
        for (std::size_t sent = 0; sent < some.size();) {
            const ssize_t n = ::write(rows, some.data() + sent, some.size() - sent);
            if (n <= 0) ::_exit(2);
            sent += std::size_t(n);
        }
        ::_exit(0);
    }
    for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--serve-formats") != 0) return 2;
    const int server = zelvo::kDecoderSocketFd;
    for (;;) {
        zelvo::TDecoderAsk ask;
        if (::recv(server, &ask, sizeof ask, 0) <= 0) return 0;
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return 2;
        // The editor's child, as zelvo-decode's decoders are.
        const long pid = ::syscall(SYS_clone, CLONE_PARENT | SIGCHLD, 0, 0, 0, 0);
        if (pid == 0) {
            ::close(pair[0]);
            Lie(pair[1]);
        }
        ::close(pair[1]);
        zelvo::TDecoderStarted started;
        started.Pid = std::int32_t(pid);
        zelvo::SendMessage(server, &started, sizeof started, std::span<const int>(&pair[0], 1));
        ::close(pair[0]);
    }
}
