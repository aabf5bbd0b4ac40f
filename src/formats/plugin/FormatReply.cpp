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
constexpr char kIconSourceMagic[4] = {'Z', 'V', 'I', 'S'};
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
    void Put64(std::uint64_t v) {
        Put32(std::uint32_t(v));
        Put32(std::uint32_t(v >> 32));
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
    std::uint64_t Get64() {
        const std::uint64_t low = Get32();
        return low | std::uint64_t(Get32()) << 32;
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

TIconSourceReply IconSourceReply(bool isIconSource, const TAdvancedIcon& icon) {
    TIconSourceReply out;
    TWriter w;
    w.PutMagic(kIconSourceMagic);
    w.Put8(isIconSource ? 1 : 0);
    w.Put32(std::uint32_t(icon.Count()));
    for (int i = 0; i < icon.Count(); ++i) {
        const TIconImage& image = *icon.Images(i);
        const TIconDirEntry& e = image.Entry();
        for (const std::uint8_t b : {e.Width, e.Height, e.ColorCount, e.Reserved}) w.Put8(b);
        w.Put32(e.Planes | std::uint32_t(e.BitCount) << 16);
        w.Put32(e.BytesInRes);
        w.Put32(e.ImageOffset);
        const std::span<const std::uint8_t> data = image.Data();
        w.Put64(image.Offset());
        w.Put64(data.size());
        w.PutText(image.Name());
        w.Put32(std::uint32_t(image.Width()));
        w.Put32(std::uint32_t(image.Height()));
        w.Put32(std::uint32_t(image.BitCount()));
        w.Put8(image.IsPng() ? 1 : 0);
        try {
            const TIconPixels& pixels = image.Pixels();
            if (out.Rows.size() + pixels.Bgra.size() + pixels.Mask.size() > kMaxReplyBitsBytes)
                throw EInvalidGraphic("Icon image is not valid", "more pixels than a decoder's reply holds");
            w.Put8(1);
            w.Put32(std::uint32_t(pixels.Width));
            w.Put32(std::uint32_t(pixels.Height));
            w.Put8(pixels.Alpha ? 1 : 0);
            w.Put8(pixels.Mask.empty() ? 0 : 1);
            w.Put64(out.Rows.size());
            out.Rows.insert(out.Rows.end(), pixels.Bgra.begin(), pixels.Bgra.end());
            out.Rows.insert(out.Rows.end(), pixels.Mask.begin(), pixels.Mask.end());
        } catch (const std::exception& error) {
            w.Put8(2);
            w.PutBytes(FailureDetailsBytes(error));
        }
    }
    out.Details = w.Take();
    return out;
}

bool ParseIconSourceReply(const TDecodeReply& reply, const std::shared_ptr<const std::vector<std::uint8_t>>& file,
                          std::vector<TIconImage>& images) {
    if (reply.Status != TDecodeStatus::Images) Refuse("no icon source images");
    TReader r(reply.Details);
    if (!r.Magic(kIconSourceMagic)) Refuse("icon source details without their magic");
    const bool isIconSource = r.Get8() != 0;
    const std::uint32_t count = r.Get32();
    // Each image takes at least 50 bytes of details.
    if (count > r.Remaining() / 50)
        Refuse(std::to_string(count) + " images in " + std::to_string(r.Remaining()) + " bytes");
    std::vector<TIconImage> out;
    out.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        TIconDirEntry e;
        e.Width = r.Get8();
        e.Height = r.Get8();
        e.ColorCount = r.Get8();
        e.Reserved = r.Get8();
        const std::uint32_t planesAndDepth = r.Get32();
        e.Planes = std::uint16_t(planesAndDepth);
        e.BitCount = std::uint16_t(planesAndDepth >> 16);
        e.BytesInRes = r.Get32();
        e.ImageOffset = r.Get32();
        const std::uint64_t offset = r.Get64(), size = r.Get64();
        if (offset > file->size() || size > file->size() - offset)
            Refuse("image data at " + std::to_string(offset) + " of " + std::to_string(size) +
                   " bytes outside a file of " + std::to_string(file->size()));
        const std::span<const std::uint8_t> name = r.GetBytes("image name");
        const auto width = std::int32_t(r.Get32()), height = std::int32_t(r.Get32()), depth = std::int32_t(r.Get32());
        const bool png = r.Get8() != 0;
        std::shared_ptr<const TIconPixels> pixels;
        std::exception_ptr failure;
        switch (r.Get8()) {
            case 1: {
                auto decoded = std::make_shared<TIconPixels>();
                decoded->Width = std::int32_t(r.Get32());
                decoded->Height = std::int32_t(r.Get32());
                decoded->Alpha = r.Get8() != 0;
                const bool mask = r.Get8() != 0;
                const std::uint64_t at = r.Get64();
                if (!ImageSizeAllowed(decoded->Width, decoded->Height))
                    Refuse("icon pixels of " + std::to_string(decoded->Width) + " x " +
                           std::to_string(decoded->Height));
                const std::uint64_t area = std::uint64_t(decoded->Width) * std::uint64_t(decoded->Height);
                const std::uint64_t bytes = area * 4 + (mask ? area : 0);
                if (at > reply.Bits.size() || bytes > reply.Bits.size() - at)
                    Refuse("icon pixels at " + std::to_string(at) + " of " + std::to_string(bytes) +
                           " bytes outside rows of " + std::to_string(reply.Bits.size()));
                const auto* rows = reply.Bits.data() + at;
                decoded->Bgra.assign(rows, rows + area * 4);
                if (mask) decoded->Mask.assign(rows + area * 4, rows + bytes);
                pixels = std::move(decoded);
                break;
            }
            case 2: {
                const std::span<const std::uint8_t> why = r.GetBytes("image failure");
                try {
                    ThrowFailureDetails(why);
                } catch (...) {
                    failure = std::current_exception();
                }
                break;
            }
            default: Refuse("image outcome");
        }
        out.emplace_back(e, file, std::size_t(offset), std::size_t(size),
                         std::string(reinterpret_cast<const char*>(name.data()), name.size()), width, height, depth,
                         png, std::move(pixels), std::move(failure));
    }
    images = std::move(out);
    return isIconSource;
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
