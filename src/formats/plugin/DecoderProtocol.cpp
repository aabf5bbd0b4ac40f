#include "formats/plugin/DecoderProtocol.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "formats/plugin/SpiPicture.h"
#include "image/ByteReader.h"

namespace zelvo {

namespace {

[[noreturn]] void Refuse(const std::string& why) { throw EInvalidGraphic(kSUnrecognisedImage, "decoder reply: " + why); }

struct TSection {
    const char* Name;
    std::uint64_t Offset, Bytes, Limit;
};

}  // namespace

/// The most descriptors one message carries.
constexpr std::size_t kMostDescriptors = 4;

bool SendMessage(int socket, const void* data, std::size_t bytes, std::span<const int> fds) {
    if (fds.size() > kMostDescriptors) return false;
    iovec part{const_cast<void*>(data), bytes};
    alignas(cmsghdr) char control[CMSG_SPACE(kMostDescriptors * sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (!fds.empty()) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(fds.size() * sizeof(int));
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(fds.size() * sizeof(int));
        std::memcpy(CMSG_DATA(header), fds.data(), fds.size() * sizeof(int));
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == ssize_t(bytes);
}

ssize_t ReceiveMessage(int socket, void* data, std::size_t bytes, std::span<int> fds, int& received, int flags) {
    received = 0;
    iovec part{data, bytes};
    alignas(cmsghdr) char control[CMSG_SPACE(kMostDescriptors * sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = CMSG_SPACE(std::min(fds.size(), kMostDescriptors) * sizeof(int));
    ssize_t got;
    do {
        got = ::recvmsg(socket, &message, flags | MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    const cmsghdr* header = got < 0 ? nullptr : CMSG_FIRSTHDR(&message);
    if (header && header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS) {
        received = int(std::min((header->cmsg_len - CMSG_LEN(0)) / sizeof(int), fds.size()));
        std::memcpy(fds.data(), CMSG_DATA(header), std::size_t(received) * sizeof(int));
    }
    return got;
}

std::string ConfinementStepNames(std::uint32_t steps) {
    static constexpr std::pair<std::uint32_t, const char*> kNames[] = {
        {kStepUserNamespace, "user namespace"},   {kStepMountNamespace, "mount namespace"},
        {kStepNetworkNamespace, "network namespace"}, {kStepEmptyRoot, "empty root"},
        {kStepNoNewPrivileges, "no_new_privs"},   {kStepSeccomp, "seccomp"},
        {kStepResourceLimits, "resource limits"},
    };
    std::string out;
    for (const auto& [step, name] : kNames) {
        if (!(steps & step)) continue;
        if (!out.empty()) out += ", ";
        out += name;
    }
    return out.empty() ? "none" : out;
}

TDecodeReply ParseDecodeReply(std::span<const std::uint8_t> reply) {
    constexpr std::uint64_t kHeaderBytes = sizeof(TDecodeReplyHeader);
    if (reply.size() < kHeaderBytes) Refuse(std::to_string(reply.size()) + " bytes, shorter than its header");
    if (std::memcmp(reply.data(), kDecodeReplyMagic, sizeof kDecodeReplyMagic) != 0) Refuse("wrong magic");
    ByteReader in(reply);
    in.Skip(sizeof kDecodeReplyMagic);
    const std::uint32_t version = in.Get32LE();
    if (version != kDecodeReplyVersion && version != kDecodeReplyDetailsVersion)
        Refuse("version " + std::to_string(version));
    const bool hasDetails = version == kDecodeReplyDetailsVersion;
    const std::uint64_t headerBytes = kHeaderBytes + (hasDetails ? sizeof(TDecodeReplyDetails) : 0);
    if (reply.size() < headerBytes) Refuse(std::to_string(reply.size()) + " bytes, shorter than its header");
    TDecodeReply out;
    const std::uint32_t status = in.Get32LE();
    if (status > std::uint32_t(TDecodeStatus::Images)) Refuse("status " + std::to_string(status));
    out.Status = TDecodeStatus(status);
    out.Code = std::int32_t(in.Get32LE());
    out.Info.Left = std::int32_t(in.Get32LE());
    out.Info.Top = std::int32_t(in.Get32LE());
    out.Info.Width = std::int32_t(in.Get32LE());
    out.Info.Height = std::int32_t(in.Get32LE());
    out.Info.XDensity = in.Get16LE();
    out.Info.YDensity = in.Get16LE();
    out.Info.ColorDepth = std::int16_t(in.Get16LE());
    in.Skip(6);
    auto get64 = [&in] {
        const std::uint64_t low = in.Get32LE();
        return low | std::uint64_t(in.Get32LE()) << 32;
    };
    constexpr int kSections = 4;
    TSection sections[kSections] = {{"text", 0, 0, kMaxReplyTextBytes},
                                    {"information block", 0, 0, kMaxReplyInfoBytes},
                                    {"rows", 0, 0, kMaxReplyBitsBytes},
                                    {"details", 0, 0, kMaxReplyDetailsBytes}};
    for (int i = 0; i < (hasDetails ? kSections : kSections - 1); ++i) {
        sections[i].Offset = get64();
        sections[i].Bytes = get64();
    }
    const std::uint64_t size = reply.size();
    for (const TSection& section : sections) {
        if (section.Bytes == 0) continue;
        const std::string name = section.Name;
        const bool images = out.Status == TDecodeStatus::Images && &section == &sections[2];
        if (out.Status != TDecodeStatus::Read && &section != &sections[3] && !images)
            Refuse(name + " in a reply without a picture");
        if (section.Bytes > section.Limit)
            Refuse(name + " of " + std::to_string(section.Bytes) + " bytes, limit " + std::to_string(section.Limit));
        // Both checks without overflow: Offset may be anything.
        if (section.Offset < headerBytes || section.Offset > size || section.Bytes > size - section.Offset)
            Refuse(name + " at " + std::to_string(section.Offset) + " of " + std::to_string(section.Bytes) +
                   " bytes outside a reply of " + std::to_string(size));
    }
    for (int a = 0; a < kSections; ++a) {
        for (int b = a + 1; b < kSections; ++b) {
            const TSection &x = sections[a], &y = sections[b];
            if (x.Bytes && y.Bytes && x.Offset < y.Offset + y.Bytes && y.Offset < x.Offset + x.Bytes)
                Refuse(std::string(x.Name) + " overlaps " + y.Name);
        }
    }
    if (out.Status == TDecodeStatus::Read && (sections[1].Bytes == 0 || sections[2].Bytes == 0))
        Refuse("a picture without its information block or rows");
    if (sections[0].Bytes) {
        const auto* text = reinterpret_cast<const char*>(reply.data() + sections[0].Offset);
        out.Info.Text.assign(text, ::strnlen(text, std::size_t(sections[0].Bytes)));
    }
    // An empty section's offset is not checked: it gives no view at all.
    if (sections[1].Bytes)
        out.InfoBlock = reply.subspan(std::size_t(sections[1].Offset), std::size_t(sections[1].Bytes));
    if (sections[2].Bytes) out.Bits = reply.subspan(std::size_t(sections[2].Offset), std::size_t(sections[2].Bytes));
    if (sections[3].Bytes)
        out.Details = reply.subspan(std::size_t(sections[3].Offset), std::size_t(sections[3].Bytes));
    return out;
}

TReplyRows ReplyRowsSection(std::span<const std::uint8_t> head, std::uint64_t replyBytes) {
    constexpr std::uint64_t kHeaderBytes = sizeof(TDecodeReplyHeader);
    if (head.size() < kHeaderBytes) Refuse(std::to_string(head.size()) + " bytes, shorter than its header");
    ByteReader in(head);
    in.Skip(offsetof(TDecodeReplyHeader, BitsOffset));
    TReplyRows rows;
    for (std::uint64_t* field : {&rows.Offset, &rows.Bytes}) {
        const std::uint64_t low = in.Get32LE();
        *field = low | std::uint64_t(in.Get32LE()) << 32;
    }
    if (rows.Bytes == 0) return {};
    if (rows.Bytes > kMaxReplyBitsBytes)
        Refuse("rows of " + std::to_string(rows.Bytes) + " bytes, limit " + std::to_string(kMaxReplyBitsBytes));
    if (rows.Offset < kHeaderBytes || rows.Offset > replyBytes || rows.Bytes > replyBytes - rows.Offset)
        Refuse("rows at " + std::to_string(rows.Offset) + " of " + std::to_string(rows.Bytes) +
               " bytes outside a reply of " + std::to_string(replyBytes));
    return rows;
}

TDibImage PictureFromDecodeReply(const TDecodeReply& reply) {
    if (reply.Status != TDecodeStatus::Read) Refuse("no picture");
    return PictureFromPluginBlocks(reply.InfoBlock, reply.Bits, reply.Mapping);
}

std::vector<std::uint8_t> PluginDescriptionBytes(const TSPIDescription& description) {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(std::uint8_t(value >> (8 * i)));
    };
    std::vector<const std::string*> texts = {&description.Version, &description.Name};
    for (std::size_t i = 0; i < description.Patterns.size() && i < description.Descriptions.size(); ++i) {
        texts.push_back(&description.Patterns[i]);
        texts.push_back(&description.Descriptions[i]);
    }
    put(description.EntryPoints, 4);
    put(texts.size(), 4);
    for (const std::string* text : texts) {
        const std::size_t bytes = std::min<std::size_t>(text->size(), kSpiInfoBufferBytes - 1);
        put(bytes, 2);
        out.insert(out.end(), text->begin(), text->begin() + std::ptrdiff_t(bytes));
    }
    return out;
}

TSPIDescription ParsePluginDescription(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    auto need = [&](std::size_t count, const char* what) {
        if (in.Remaining() < count) Refuse(std::string("description ends in ") + what);
    };
    need(8, "its counts");
    TSPIDescription out;
    out.EntryPoints = in.Get32LE();
    const std::uint32_t count = in.Get32LE();
    if (out.EntryPoints >> std::size(kSpiEntryPoints)) Refuse("entry points " + std::to_string(out.EntryPoints));
    if (count < 2 || count % 2 != 0 || count > 2 + 2 * std::uint32_t(kMaxSpiInfoPairs))
        Refuse("description of " + std::to_string(count) + " texts");
    for (std::uint32_t i = 0; i < count; ++i) {
        need(2, "a text's length");
        const std::uint16_t length = in.Get16LE();
        if (length >= kSpiInfoBufferBytes) Refuse("text of " + std::to_string(length) + " bytes");
        need(length, "a text");
        std::string text(length, '\0');
        for (char& c : text) c = char(in.Get8());
        if (i >= 2 && text.empty()) Refuse("empty text in pair " + std::to_string(i / 2));
        if (i == 0) out.Version = std::move(text);
        else if (i == 1) out.Name = std::move(text);
        else if (i % 2 == 0) out.Patterns.push_back(std::move(text));
        else out.Descriptions.push_back(std::move(text));
    }
    if (in.Remaining() != 0) Refuse(std::to_string(in.Remaining()) + " bytes after the description");
    return out;
}

std::size_t LayOutDecodeReply(TDecodeReplyHeader& header, TDecodeReplyDetails& more, std::uint64_t textBytes,
                              std::uint64_t infoBytes, std::uint64_t bitsBytes, std::uint64_t detailsBytes) {
    std::memcpy(header.Magic, kDecodeReplyMagic, sizeof header.Magic);
    header.Version = detailsBytes == 0 ? kDecodeReplyVersion : kDecodeReplyDetailsVersion;
    more = TDecodeReplyDetails{};
    std::uint64_t at = sizeof header + (detailsBytes == 0 ? 0 : sizeof more);
    auto place = [&](std::uint64_t bytes, std::uint64_t& offset, std::uint64_t& size) {
        offset = bytes == 0 ? 0 : at;
        size = bytes;
        at += bytes;
    };
    place(textBytes, header.TextOffset, header.TextBytes);
    place(infoBytes, header.InfoOffset, header.InfoBytes);
    if (bitsBytes != 0) at = (at + kReplyRowsAlignment - 1) / kReplyRowsAlignment * kReplyRowsAlignment;
    place(bitsBytes, header.BitsOffset, header.BitsBytes);
    place(detailsBytes, more.DetailsOffset, more.DetailsBytes);
    return std::size_t(at);
}

std::size_t DecodeReplyBytes(std::uint64_t textBytes, std::uint64_t infoBytes, std::uint64_t bitsBytes,
                             std::uint64_t detailsBytes) {
    TDecodeReplyHeader header{};
    TDecodeReplyDetails more{};
    return LayOutDecodeReply(header, more, textBytes, infoBytes, bitsBytes, detailsBytes);
}

void WriteDecodeReply(std::uint8_t* out, TDecodeReplyHeader header, std::span<const std::uint8_t> text,
                      std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                      std::span<const std::uint8_t> details) {
    TDecodeReplyDetails more{};
    const std::size_t bytes = LayOutDecodeReply(header, more, text.size(), info.size(), bits.size(), details.size());
    std::memset(out, 0, bytes);
    auto put = [out](std::span<const std::uint8_t> section, std::uint64_t offset) {
        if (!section.empty()) std::memcpy(out + offset, section.data(), section.size());
    };
    put(text, header.TextOffset);
    put(info, header.InfoOffset);
    put(bits, header.BitsOffset);
    put(details, more.DetailsOffset);
    std::memcpy(out, &header, sizeof header);
    if (!details.empty()) std::memcpy(out + sizeof header, &more, sizeof more);
}

}  // namespace zelvo
