#include "formats/plugin/FormatReply.h"

#include <cstring>
#include <new>
#include <string>

#include "formats/DibContainer.h"
#include "formats/GifImage.h"
#include "formats/JpegImage.h"
#include "formats/PngImage.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SpiPicture.h"
#include "image/ByteReader.h"
#include "image/ImageLimits.h"

namespace zelvo {

namespace {

constexpr char kPictureMagic[4] = {'Z', 'V', 'F', 'I'};
constexpr char kFailureMagic[4] = {'Z', 'V', 'F', 'X'};
constexpr std::size_t kTableBytes = 256 * sizeof(TRGBQuad);

[[noreturn]] void Refuse(const std::string& why) {
    throw EInvalidGraphic(kSUnrecognisedImage, "decoder reply: " + why);
}

/// Little-endian output.
class TWriter {
public:
    void Put8(std::uint8_t v) { FBytes.push_back(v); }
    void Put32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) FBytes.push_back(std::uint8_t(v >> shift));
    }
    void PutBytes(std::span<const std::uint8_t> bytes) {
        Put32(std::uint32_t(bytes.size()));
        FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
    }
    void PutText(const std::string& text) {
        PutBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
    void PutMagic(const char (&magic)[4]) { FBytes.insert(FBytes.end(), magic, magic + 4); }
    std::vector<std::uint8_t> Take() { return std::move(FBytes); }

private:
    std::vector<std::uint8_t> FBytes;
};

/// Bounds-checked input whose overruns are malformed details.
class TReader {
public:
    explicit TReader(std::span<const std::uint8_t> bytes) : FIn(bytes) {}
    std::uint8_t Get8() {
        Need(1);
        return FIn.Get8();
    }
    std::uint32_t Get32() {
        Need(4);
        return FIn.Get32LE();
    }
    std::span<const std::uint8_t> GetBytes(const char* what) {
        const std::uint32_t bytes = Get32();
        if (bytes > FIn.Remaining())
            Refuse(std::string(what) + " of " + std::to_string(bytes) + " bytes, " +
                   std::to_string(FIn.Remaining()) + " left");
        return FIn.Take(bytes);
    }
    bool Magic(const char (&magic)[4]) {
        Need(4);
        return std::memcmp(FIn.Take(4).data(), magic, 4) == 0;
    }
    std::size_t Remaining() const { return FIn.Remaining(); }

private:
    void Need(std::size_t bytes) const {
        if (FIn.Remaining() < bytes) Refuse("details end early");
    }
    ByteReader FIn;
};

/// One exception class a reader may throw, and how to throw it again.
struct TFaultKind {
    bool (*Is)(const Exception* error);
    void (*Throw)(const std::string& message, const std::string& detail);
};

template <class E>
bool IsA(const Exception* error) {
    return dynamic_cast<const E*>(error) != nullptr;
}

template <class E>
[[noreturn]] void ThrowAs(const std::string& message, const std::string& detail) {
    throw E(message, detail);
}

template <class E>
constexpr TFaultKind Fault() {
    return {IsA<E>, ThrowAs<E>};
}

// Derived classes before their bases: the first that matches is the kind.
// A kind is its place in this table plus one; 0 is an exception of none.
constexpr TFaultKind kFaults[] = {
    Fault<EPngLoadError>(),          Fault<EPngSaveError>(),
    Fault<EPngError>(),              Fault<GIFException>(),
    Fault<EDecoderUnavailable>(),    Fault<EDecoderFailed>(),
    Fault<EInvalidGraphic>(),        Fault<EJPEG>(),
    Fault<EFCreateError>(),          Fault<EFOpenError>(),
    Fault<EReadError>(),             Fault<EWriteError>(),
    Fault<EDibImageInvalidDIB>(),    Fault<EDibImageInvalidDIBFile>(),
    Fault<EDibImageInvalidDIBPara>(), Fault<EDibImageBadDIBType>(),
    Fault<EDibImagePixelPositionRange>(), Fault<EDibImageInvalidPalette>(),
    Fault<EDibImageCompressionFailed>(), Fault<EDibImageCanvasFailed>(),
    Fault<EDibImageError>(),         Fault<EDibContainerError>(),
    Fault<EOutOfResources>(),        Fault<EConvertError>(),
    Fault<EAssertionFailed>(),       Fault<EAbort>(),
    Fault<Exception>(),
};

constexpr std::uint32_t kOutOfMemory = 0xFFFFFFFFu;

}  // namespace

std::vector<std::uint8_t> FormatDetailsBytes(const TFormatOutcome& outcome) {
    const TPictureFileInfo& info = outcome.Info;
    TWriter out;
    out.PutMagic(kPictureMagic);
    out.Put8(std::uint8_t((info.Transparent ? 1 : 0) | (info.Progressive ? 2 : 0) |
                          (info.HasTransparentIndex ? 4 : 0)));
    out.Put8(info.TransparentIndex);
    out.Put8(std::uint8_t(std::int8_t(info.ColorKeyed)));
    out.Put8(std::uint8_t(info.Metadata.Source));
    out.Put32(std::uint32_t(outcome.Width));
    out.Put32(std::uint32_t(outcome.Height));
    out.Put32(std::uint32_t(info.Metadata.Orientation));
    out.Put32(std::uint32_t(info.Metadata.Blocks.size()));
    for (const TMetadataBlock& block : info.Metadata.Blocks) {
        out.Put32(block.Type);
        out.PutBytes(block.Data);
    }
    return out.Take();
}

TFormatOutcome ParseFormatDetails(std::span<const std::uint8_t> details) {
    TReader in(details);
    if (!in.Magic(kPictureMagic)) Refuse("details of another kind");
    TFormatOutcome out;
    TPictureFileInfo& info = out.Info;
    const std::uint8_t flags = in.Get8();
    if (flags > 7) Refuse("flags " + std::to_string(flags));
    info.Transparent = flags & 1;
    info.Progressive = flags & 2;
    info.HasTransparentIndex = flags & 4;
    info.TransparentIndex = in.Get8();
    info.ColorKeyed = std::int8_t(in.Get8());
    if (info.ColorKeyed < -1 || info.ColorKeyed > 1) Refuse("colour keying " + std::to_string(info.ColorKeyed));
    const std::uint8_t source = in.Get8();
    if (source > std::uint8_t(TMetadataSource::Png)) Refuse("metadata source " + std::to_string(source));
    info.Metadata.Source = TMetadataSource(source);
    out.Width = std::int32_t(in.Get32());
    out.Height = std::int32_t(in.Get32());
    if (out.Width < 0 || out.Height < 0) Refuse("size " + std::to_string(out.Width) + " x " + std::to_string(out.Height));
    info.Metadata.Orientation = std::int32_t(in.Get32());
    if (info.Metadata.Orientation < 1 || info.Metadata.Orientation > 8)
        Refuse("orientation " + std::to_string(info.Metadata.Orientation));
    const std::uint32_t count = in.Get32();
    // Each block takes at least its type and length.
    if (count > in.Remaining() / 8) Refuse(std::to_string(count) + " metadata blocks");
    info.Metadata.Blocks.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        TMetadataBlock block;
        block.Type = in.Get32();
        const auto bytes = in.GetBytes("metadata block");
        block.Data.assign(bytes.begin(), bytes.end());
        info.Metadata.Blocks.push_back(std::move(block));
    }
    if (in.Remaining() != 0) Refuse(std::to_string(in.Remaining()) + " bytes after the details");
    return out;
}

std::vector<std::uint8_t> FormatInfoBlock(const TDibImage& picture) {
    std::vector<std::uint8_t> out(sizeof(TBitmapInfoHeader) + kTableBytes);
    std::memcpy(out.data(), &picture.Header(), sizeof(TBitmapInfoHeader));
    std::memcpy(out.data() + sizeof(TBitmapInfoHeader), picture.ColorTable(), kTableBytes);
    return out;
}

TDibImage PictureFromFormatReply(const TDecodeReply& reply) {
    if (reply.Status != TDecodeStatus::Read) Refuse("no picture");
    if (reply.InfoBlock.size() != sizeof(TBitmapInfoHeader) + kTableBytes)
        Refuse("information block of " + std::to_string(reply.InfoBlock.size()) + " bytes");
    TBitmapInfoHeader header;
    std::memcpy(&header, reply.InfoBlock.data(), sizeof header);
    const std::int64_t height = header.biHeight < 0 ? -std::int64_t(header.biHeight) : header.biHeight;
    const int bits = header.biBitCount;
    if (header.biSize != sizeof header || header.biCompression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24) || header.biClrUsed > 256 ||
        !ImageSizeAllowed(header.biWidth, height))
        Refuse("picture header: width " + std::to_string(header.biWidth) + ", height " +
               std::to_string(header.biHeight) + ", bit count " + std::to_string(bits) + ", compression " +
               std::to_string(header.biCompression) + ", " + std::to_string(header.biClrUsed) + " colours");
    const std::int64_t rowsBytes = DibRowBytes(header.biWidth, bits) * height;
    if (std::uint64_t(rowsBytes) != reply.Bits.size())
        Refuse("rows of " + std::to_string(reply.Bits.size()) + " bytes, the header needs " +
               std::to_string(rowsBytes));
    // Rows on their own page stay in the reply's pages (see TRowsMapping).
    TDibImageData* data = AdoptRows(header, reply.Bits, reply.Mapping);
    if (!data) {
        data = TDibImageData::CreateRaw(header, std::uint32_t(rowsBytes), DefaultUseFMO());
        std::memcpy(data->Bits, reply.Bits.data(), reply.Bits.size());
    }
    std::memcpy(data->ColorTable.data(), reply.InfoBlock.data() + sizeof header, kTableBytes);
    TDibImage picture;
    picture.ReplaceData(data);
    picture.Modified = false;
    return picture;
}

std::vector<std::uint8_t> FailureDetailsBytes(const std::exception& error) {
    std::uint32_t kind = 0;
    std::string detail;
    if (const auto* own = dynamic_cast<const Exception*>(&error)) {
        detail = own->Detail();
        for (std::uint32_t i = 0; i < std::size(kFaults); ++i) {
            if (kFaults[i].Is(own)) {
                kind = i + 1;
                break;
            }
        }
    } else if (dynamic_cast<const std::bad_alloc*>(&error)) {
        kind = kOutOfMemory;
    }
    TWriter out;
    out.PutMagic(kFailureMagic);
    out.Put32(kind);
    out.PutText(error.what());
    out.PutText(detail);
    return out.Take();
}

void ThrowFailureDetails(std::span<const std::uint8_t> details) {
    std::uint32_t kind = 0;
    std::string message, detail;
    try {
        TReader in(details);
        if (!in.Magic(kFailureMagic)) Refuse("details of another kind");
        kind = in.Get32();
        const auto text = in.GetBytes("message");
        message.assign(text.begin(), text.end());
        const auto more = in.GetBytes("detail");
        detail.assign(more.begin(), more.end());
        if (in.Remaining() != 0) Refuse(std::to_string(in.Remaining()) + " bytes after the details");
    } catch (const EInvalidGraphic& error) {
        throw EDecoderFailed(kSUnrecognisedImage, "the decoder's reply is malformed: " + error.Detail());
    }
    if (kind == kOutOfMemory) throw EDecoderFailed(kSUnrecognisedImage, "the decoder ran out of memory");
    if (kind == 0 || kind > std::size(kFaults))
        throw EDecoderFailed(kSUnrecognisedImage, "the reader failed: " + message);
    kFaults[kind - 1].Throw(message, detail);
    throw EDecoderFailed(kSUnrecognisedImage, message);
}

}  // namespace zelvo
