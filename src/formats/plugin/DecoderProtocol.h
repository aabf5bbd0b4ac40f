#pragma once
// What the editor and the decoder process (zelvo-decode) say to each other.
//
// The editor starts one decoder server per plug-in ("zelvo-decode --serve
// PLUGIN", its end of a SOCK_SEQPACKET socket pair at kDecoderSocketFd).
// For each TDecoderAsk the editor sends, the server starts a decoder and
// answers with a TDecoderStarted carrying the decoder's socket. The
// decoder's own end of that socket is its kDecoderSocketFd. The editor
// sends it one TDecodeRequest with three descriptors attached: the picture
// file itself (or a sealed memory file holding its bytes), an empty memory
// file for the reply and the writing end of a pipe for the rows. The
// decoder answers with TDecodeEvent messages (progress, the picture's size,
// done) and writes the decoded picture into the reply file: a
// TDecodeReplyHeader, then the text, the bitmap information block (40-byte
// header, masks, colour table), the rows and the details at the offsets the
// header gives. Rows of kPipedRowsBytes and more are not written there: their
// place in the file stays empty, and after Done the decoder hands their
// pages to the pipe and ends, and the editor reads them into the place from
// there. The editor may send one abort byte while the decoder runs.
//
// The program's own readers (the rows of the format table) are served the
// same way by "zelvo-decode --serve-formats": a Format request names the
// row and the reader, the input is the picture file itself, and the reply's
// details carry what the reader learnt besides the pixels (FormatReply.h),
// or the reader's exception when it failed.
//
// Nothing in a reply is trusted: ParseDecodeReply checks every offset and
// size against the reply's real length before a byte is read, and
// PictureFromDecodeReply then checks the picture as a plug-in's picture is
// checked (SpiPicture.h).

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/plugin/Spi.h"
#include "image/DibImage.h"

namespace zelvo {

/// The decoder's end of the socket pair.
inline constexpr int kDecoderSocketFd = 3;

/// First word of a request.
inline constexpr std::uint32_t kDecodeRequestMagic = 0x5A564451;  // "ZVDQ"
/// What a request asks for.
enum class TDecodeKind : std::uint32_t {
    Plugin = 1,  ///< one image plug-in: IsSupported, GetPictureInfo, GetPicture
    Format = 2,  ///< one reader of the format table
    Describe = 3,  ///< the plug-in's description: GetPluginInfo and its entry points
};

/// Which reader of a format row a Format request runs.
enum class TFormatReading : std::uint32_t {
    Read = 0,       ///< Read with the request's Purpose
    Preview = 1,    ///< ReadPreview for a box of BoxWidth x BoxHeight
    Thumbnail = 2,  ///< ReadThumbnail for BoxWidth pixels square
    IconSource = 3, ///< every image of an icon source, decoded (an Images reply)
    Resolution = 4, ///< a PhotoCD picture at resolution BoxWidth (0..2)
};

/// Longest format row key a request carries, terminator included.
inline constexpr std::size_t kDecodeRequestKeyBytes = 32;

/// Longest plug-in path and file name a request carries, terminator included.
inline constexpr std::size_t kDecodeRequestPathBytes = 4096;

/// One request; sent once per decoder.
struct TDecodeRequest {
    std::uint32_t Magic = kDecodeRequestMagic;
    TDecodeKind Kind = TDecodeKind::Plugin;
    /// The data to decode: bytes [DataOffset, DataOffset + DataLength) of
    /// the input file.
    std::uint64_t DataOffset = 0;
    std::uint64_t DataLength = 0;
    /// Processor seconds the decoder may use (RLIMIT_CPU).
    std::uint32_t CpuSeconds = 0;
    /// 1 when the editor shows progress: the decoder sends Progress events
    /// (each wakes the editor, which a picture nobody watches need not pay).
    std::uint32_t WantsProgress = 0;
    /// Address space the decoder may use (RLIMIT_AS); 0 for no limit.
    std::uint64_t AddressSpaceBytes = 0;
    /// The plug-in library, null-terminated: the server's own.
    char Plugin[kDecodeRequestPathBytes] = {};
    /// The file's full name as IsSupported sees it, null-terminated.
    char FileName[kDecodeRequestPathBytes] = {};
    /// Format requests: the row's key, null-terminated, the reader, the
    /// read's purpose (TReadPurpose) and the reader's box.
    char Format[kDecodeRequestKeyBytes] = {};
    TFormatReading Reading = TFormatReading::Read;
    std::uint32_t Purpose = 0;
    std::int32_t BoxWidth = 0;
    std::int32_t BoxHeight = 0;
};

/// The editor's ask for one more decoder.
struct TDecoderAsk {
    /// Fresh heap the decoder makes its own before its request, for the
    /// picture it is likely to get (what the last one of this server
    /// needed); the server bounds it.
    std::uint32_t WarmHeapBytes = 0;
};

/// The server's answer to an ask: a decoder started for one request, its
/// socket attached; Pid -1 and nothing attached when none could be.
struct TDecoderStarted {
    std::int32_t Pid = -1;
};

/// What the decoder reports while it works.
enum class TDecodeEventType : std::uint32_t {
    Size = 1,       ///< A = width, B = height, Steps = bits per pixel, as
                    ///< GetPictureInfo said (sent from a million pixels on,
                    ///< where it buys time and the editor makes the memory
                    ///< for the rows ready while the plug-in decodes)
    Progress = 2,   ///< A = number, B = denominator
    Done = 3,       ///< the reply file is complete; Steps = confinement held
    Forbidden = 4,  ///< A = the system call the filter refused; the decoder ends
};

/// The confinement steps that held in a decoder, as bits of Steps.
enum TConfinementStep : std::uint32_t {
    kStepUserNamespace = 1u << 0,
    kStepMountNamespace = 1u << 1,
    kStepNetworkNamespace = 1u << 2,
    kStepEmptyRoot = 1u << 3,
    kStepNoNewPrivileges = 1u << 4,
    kStepSeccomp = 1u << 5,
    kStepResourceLimits = 1u << 6,
};

/// One message from the decoder.
struct TDecodeEvent {
    TDecodeEventType Type = TDecodeEventType::Done;
    std::int32_t A = 0;
    std::int32_t B = 0;
    std::uint32_t Steps = 0;
};

/// Sends `bytes` at `data` as one message on `socket` with the descriptors
/// `fds` attached (none when empty), retrying when interrupted; whether the
/// whole message went.
bool SendMessage(int socket, const void* data, std::size_t bytes, std::span<const int> fds = {});
/// Receives one message of at most `bytes` into `data` and at most
/// `fds.size()` descriptors into `fds` (close-on-exec; the kernel closes any
/// more), retrying when interrupted; `flags` as recvmsg's. Returns the
/// message's length, negative when nothing could be received, and sets
/// `received` to the number of descriptors.
ssize_t ReceiveMessage(int socket, void* data, std::size_t bytes, std::span<int> fds, int& received, int flags = 0);

/// Names of the steps in `steps`, comma-separated ("user namespace, seccomp").
std::string ConfinementStepNames(std::uint32_t steps);

/// First bytes of a reply file.
inline constexpr char kDecodeReplyMagic[8] = {'Z', 'V', 'D', 'R', 'E', 'P', 'L', 'Y'};
/// Version 1: the header and three sections. With bit 16 set it also has
/// the details (TDecodeReplyDetails after the header); a reply without
/// details is written without it.
inline constexpr std::uint32_t kDecodeReplyVersion = 1;
inline constexpr std::uint32_t kDecodeReplyDetailsVersion = kDecodeReplyVersion | 0x10000;

/// How the decoder's attempt ended.
enum class TDecodeStatus : std::uint32_t {
    Read = 0,          ///< a picture follows
    NotSupported = 1,  ///< IsSupported said no
    Failed = 2,        ///< GetPicture (or loading the plug-in) failed; Code says how,
                       ///< or a format reader's exception is in the details
    Described = 3,     ///< a Describe request's answer, in the details
    Images = 4,        ///< an icon source's images: the details list them, the
                       ///< rows section holds their pixels
};

/// Codes of a failed Describe request.
inline constexpr std::int32_t kDescribeNoLibrary = -1;         ///< the library could not be loaded
inline constexpr std::int32_t kDescribeNoGetPluginInfo = -2;  ///< it has no GetPluginInfo

/// The reply file's header, little-endian, 96 bytes; the sections follow
/// it (and with details TDecodeReplyDetails) at the offsets given.
struct TDecodeReplyHeader {
    char Magic[8];
    std::uint32_t Version;
    TDecodeStatus Status;
    std::int32_t Code;
    std::int32_t Left, Top, Width, Height;
    std::uint16_t XDensity, YDensity;
    std::int16_t ColorDepth;
    std::uint16_t Reserved;
    std::uint32_t Reserved2;
    std::uint64_t TextOffset, TextBytes;
    std::uint64_t InfoOffset, InfoBytes;
    std::uint64_t BitsOffset, BitsBytes;
};
static_assert(sizeof(TDecodeReplyHeader) == 96, "reply header layout");

/// What a reply with details has after the header: where the details are.
struct TDecodeReplyDetails {
    std::uint64_t DetailsOffset, DetailsBytes;
};
static_assert(sizeof(TDecodeReplyDetails) == 16, "reply details layout");

/// Longest text information a reply may carry.
inline constexpr std::uint64_t kMaxReplyTextBytes = 64 * 1024;
/// Longest bitmap information block: header, masks and 256 colours.
inline constexpr std::uint64_t kMaxReplyInfoBytes = 40 + 12 + 4 * 256;
/// Longest rows: the pixel limit at 32 bits.
inline constexpr std::uint64_t kMaxReplyBitsBytes = std::uint64_t(1) << 30;
/// Longest details: a format read's metadata, or a failure's texts.
inline constexpr std::uint64_t kMaxReplyDetailsBytes = std::uint64_t(64) << 20;

/// Rows from this size on go through the pipe. Below it, the editor keeps
/// the reply file's pages as the picture's memory; above it, making,
/// mapping and freeing a memory file's pages costs more than one copy of the
/// rows into memory of the editor's own, which it makes ready while the
/// plug-in decodes.
inline constexpr std::uint64_t kPipedRowsBytes = std::uint64_t(4) << 20;

/// Where the rows of a reply begin: on a page of their own, so that the
/// editor can keep the reply's pages as the picture's storage.
inline constexpr std::uint64_t kReplyRowsAlignment = 4096;

struct TRowsMapping;

/// A reply as parsed: the header's values and views into the reply.
struct TDecodeReply {
    TDecodeStatus Status = TDecodeStatus::Failed;
    std::int32_t Code = 0;
    TSPIPictureInfo Info;
    std::span<const std::uint8_t> InfoBlock;
    std::span<const std::uint8_t> Bits;
    std::span<const std::uint8_t> Details;
    /// The private mapping the reply was read from, when the picture may
    /// take it over as its storage instead of copying the rows.
    TRowsMapping* Mapping = nullptr;
};

/// Parses the reply file's bytes. Throws EInvalidGraphic
/// (kSUnrecognisedImage, the fault in Detail()) when the reply is shorter
/// than its header, has another magic or version, an unknown status, or a
/// section that starts inside the header, runs past the end, overlaps
/// another or is longer than its limit above; a reply that is not Read
/// carries no section but the details.
TDecodeReply ParseDecodeReply(std::span<const std::uint8_t> reply);

/// Where the rows of a reply file of `replyBytes` lie, as its first bytes
/// `head` say; zero bytes when it has none. Throws as ParseDecodeReply when
/// `head` is shorter than the header, or the rows would lie in it or past
/// the file's end or are longer than kMaxReplyBitsBytes.
struct TReplyRows {
    std::uint64_t Offset = 0;
    std::uint64_t Bytes = 0;
};
TReplyRows ReplyRowsSection(std::span<const std::uint8_t> head, std::uint64_t replyBytes);

/// The picture of a Read reply, checked as PictureFromPluginBlocks checks
/// a plug-in's picture; throws as ParseDecodeReply and that function do.
TDibImage PictureFromDecodeReply(const TDecodeReply& reply);

/// Lays out a reply whose sections have these sizes: fills in `header`'s
/// magic, version and section offsets and sizes, and `more` when there are
/// details; returns the reply file's length. The sections follow the header
/// (and `more`) in order, the rows at a multiple of kReplyRowsAlignment.
std::size_t LayOutDecodeReply(TDecodeReplyHeader& header, TDecodeReplyDetails& more, std::uint64_t textBytes,
                              std::uint64_t infoBytes, std::uint64_t bitsBytes, std::uint64_t detailsBytes);
/// A description as a Described reply's details: the entry points (32 bits),
/// the number of texts (32 bits: version, name, then pattern and
/// description of each pair) and each text as 16 bits of length and its
/// bytes, all little-endian.
std::vector<std::uint8_t> PluginDescriptionBytes(const TSPIDescription& description);
/// Reads PluginDescriptionBytes back. Throws EInvalidGraphic
/// (kSUnrecognisedImage, the fault in Detail()) when the bytes end early or
/// go on, a text is longer than GetPluginInfo can give, there are more than
/// kMaxSpiInfoPairs pairs or fewer than two texts, a pair has an empty text,
/// or an unknown entry point is set.
TSPIDescription ParsePluginDescription(std::span<const std::uint8_t> bytes);

/// The length of a reply file whose sections have these sizes.
std::size_t DecodeReplyBytes(std::uint64_t textBytes, std::uint64_t infoBytes, std::uint64_t bitsBytes,
                             std::uint64_t detailsBytes = 0);
/// Writes the reply into `out` (DecodeReplyBytes long): `header` with its
/// magic, version and section offsets and sizes filled in, then the sections.
void WriteDecodeReply(std::uint8_t* out, TDecodeReplyHeader header, std::span<const std::uint8_t> text,
                      std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                      std::span<const std::uint8_t> details = {});

}  // namespace zelvo
