#include "platform/ScanDib.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "image/Exceptions.h"
#include "platform/TempFile.h"

namespace zelvo {

namespace {

constexpr const char* kInvalidPara = "TDibImageData.CreateDIB: Invalid Parameters";

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

/// The high byte of a 16-bit sample in the machine's byte order.
std::uint8_t High(const std::uint8_t* sample) {
    std::uint16_t v;
    std::memcpy(&v, sample, 2);
    return std::uint8_t(v >> 8);
}

int ChannelOf(TScanFrame frame) {
    // Offsets in a BGR pixel.
    switch (frame) {
        case TScanFrame::Red: return 2;
        case TScanFrame::Green: return 1;
        case TScanFrame::Blue: return 0;
        default: return -1;
    }
}

}  // namespace

void TScanDibBuilder::BeginFrame(const TScanLayout& layout, int lines) {
    const bool band = ChannelOf(layout.Frame) >= 0;
    const bool depthOk = layout.Depth == 8 || layout.Depth == 16 || (layout.Depth == 1 && layout.Frame == TScanFrame::Gray);
    const int channels = layout.Frame == TScanFrame::Rgb ? 3 : 1;
    const std::int64_t needBytes = (std::int64_t(layout.PixelsPerLine) * channels * layout.Depth + 7) / 8;
    const std::string detail = "width " + std::to_string(layout.PixelsPerLine) + ", lines " + std::to_string(lines) +
                               ", depth " + std::to_string(layout.Depth) + ", pixel limit " + std::to_string(FMaxPixels);
    if (layout.PixelsPerLine <= 0 || !depthOk || layout.BytesPerLine < needBytes || lines == 0 || lines < -1)
        throw EDibImageInvalidDIBPara(kInvalidPara, detail);
    if (lines > 0 && std::int64_t(layout.PixelsPerLine) * lines > FMaxPixels)
        throw EDibImageInvalidDIBPara(kInvalidPara, detail);
    if (FStarted) {
        // Further bands of a three-band scan must match the first.
        if (!band || FBitCount != 24 || layout.PixelsPerLine != FWidth || (lines > 0 && lines != FRows))
            throw EDibImageInvalidDIBPara(kInvalidPara, detail + " (band differs from the first)");
    } else {
        FStarted = true;
        FWidth = layout.PixelsPerLine;
        FBitCount = layout.Frame == TScanFrame::Gray ? (layout.Depth == 1 ? 1 : 8) : 24;
        FDibRowBytes = DibRowBytes(FWidth, FBitCount);
        FResolution = layout.ResolutionDpi;
    }
    FLayout = layout;
    FLines = lines;
    FRowsInFrame = 0;
    FPending.clear();
}

void TScanDibBuilder::Add(std::span<const std::uint8_t> bytes) {
    if (!FStarted) throw EDibImageInvalidDIBPara(kInvalidPara, "data before the first frame");
    const std::size_t rowBytes = std::size_t(FLayout.BytesPerLine);
    std::size_t at = 0;
    // Whole rows straight from the input; a partial one waits in FPending.
    if (!FPending.empty()) {
        const std::size_t take = std::min(rowBytes - FPending.size(), bytes.size());
        FPending.insert(FPending.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(take));
        at = take;
        if (FPending.size() < rowBytes) return;
        StoreRow(FPending.data());
        FPending.clear();
    }
    while (bytes.size() - at >= rowBytes) {
        StoreRow(bytes.data() + at);
        at += rowBytes;
    }
    FPending.assign(bytes.begin() + std::ptrdiff_t(at), bytes.end());
}

void TScanDibBuilder::StoreRow(const std::uint8_t* row) {
    const int channel = ChannelOf(FLayout.Frame);
    const bool laterBand = channel >= 0 && FRowsInFrame < FRows;
    if (!laterBand) {
        // A new row of the picture: within the frame's lines and the limit.
        if ((FLines > 0 && FRowsInFrame >= FLines) || std::int64_t(FRows + 1) * FWidth > FMaxPixels)
            throw EDibImageInvalidDIBPara(kInvalidPara, "rows " + std::to_string(FRows + 1) + " of width " +
                                                            std::to_string(FWidth) + ", pixel limit " +
                                                            std::to_string(FMaxPixels));
        FPixels.resize(FPixels.size() + std::size_t(FDibRowBytes), 0);
        ++FRows;
    }
    std::uint8_t* out = FPixels.data() + std::size_t(FRowsInFrame) * std::size_t(FDibRowBytes);
    const int step = FLayout.Depth / 8;  // bytes per sample (0 for 1 bit)
    switch (FLayout.Frame) {
        case TScanFrame::Gray:
            if (FLayout.Depth == 1) {
                // A set bit is black in the scan and index 1 is white here.
                const int bytes = (FWidth + 7) / 8;
                for (int i = 0; i < bytes; ++i) out[i] = std::uint8_t(~row[i]);
                if (FWidth % 8) out[bytes - 1] &= std::uint8_t(0xFF << (8 - FWidth % 8));
            } else {
                for (int x = 0; x < FWidth; ++x) out[x] = step == 2 ? High(row + 2 * x) : row[x];
            }
            break;
        case TScanFrame::Rgb:
            for (int x = 0; x < FWidth; ++x) {
                const std::uint8_t* p = row + std::size_t(x) * 3 * std::size_t(step);
                for (int c = 0; c < 3; ++c) out[3 * x + 2 - c] = step == 2 ? High(p + 2 * c) : p[c];
            }
            break;
        default:
            for (int x = 0; x < FWidth; ++x) out[3 * x + channel] = step == 2 ? High(row + 2 * x) : row[x];
            break;
    }
    ++FRowsInFrame;
}

std::vector<std::uint8_t> TScanDibBuilder::PackedDib() const {
    if (FRows == 0) throw EDibImageInvalidDIBPara(kInvalidPara, "the scan delivered no row");
    const int colours = FBitCount == 1 ? 2 : FBitCount == 8 ? 256 : 0;
    // Dots per inch to pixels per metre, rounded.
    const std::uint32_t ppm = FResolution > 0 ? std::uint32_t((FResolution * 10000 + 127) / 254) : 0;
    std::vector<std::uint8_t> dib;
    dib.reserve(40 + std::size_t(colours) * 4 + FPixels.size());
    Put32(dib, 40);
    Put32(dib, std::uint32_t(FWidth));
    Put32(dib, std::uint32_t(FRows));
    Put16(dib, 1);
    Put16(dib, std::uint32_t(FBitCount));
    Put32(dib, 0);
    Put32(dib, std::uint32_t(FDibRowBytes * FRows));
    Put32(dib, ppm);
    Put32(dib, ppm);
    Put32(dib, std::uint32_t(colours));
    Put32(dib, 0);
    for (int i = 0; i < colours; ++i) {
        const std::uint8_t level = std::uint8_t(colours == 2 ? i * 255 : i);
        dib.insert(dib.end(), {level, level, level, 0});
    }
    // Bottom-up.
    for (int y = FRows - 1; y >= 0; --y) {
        const auto* row = FPixels.data() + std::size_t(y) * std::size_t(FDibRowBytes);
        dib.insert(dib.end(), row, row + FDibRowBytes);
    }
    return dib;
}

std::filesystem::path WriteDibToTempFile(std::span<const std::uint8_t> packedDib) {
    if (packedDib.size() < 40)
        throw EDibImageInvalidDIB("TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data",
                                  "packed DIB of " + std::to_string(packedDib.size()) + " bytes");
    std::uint32_t headerSize, bitCount16, colours;
    std::memcpy(&headerSize, packedDib.data(), 4);
    std::uint16_t bitCount;
    std::memcpy(&bitCount, packedDib.data() + 14, 2);
    std::memcpy(&colours, packedDib.data() + 32, 4);
    bitCount16 = bitCount;
    if (colours == 0 && bitCount16 <= 8) colours = 1u << bitCount16;
    const std::uint32_t offBits = 14 + headerSize + colours * 4;
    std::vector<std::uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    Put32(header, std::uint32_t(14 + packedDib.size()));
    Put32(header, 0);
    Put32(header, offBits);
    TTempFile file = CreateTempFile();
    try {
        file.Stream->WriteBuffer(header.data(), header.size());
        file.Stream->WriteBuffer(packedDib.data(), packedDib.size());
    } catch (...) {
        file.Stream.reset();
        TTempFileRemover remove(file.Path);
        throw;
    }
    return file.Path;
}

}  // namespace zelvo
