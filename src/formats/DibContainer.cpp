#include "formats/DibContainer.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "image/ImageLimits.h"

namespace zelvo {

void TDibContainer::ResetAttributes() {
    FAlphaTable.clear();
    FAlpha = false;
    FTransparentColor = kNoColor;
    FBackgroundColor = kNoColor;
    FPhysicalSize = {};
    FGamma = 0;
    FOffset = {};
    FComment.clear();
}

void TDibContainer::Clear() {
    FWidth = FHeight = FBitCount = FRowBytes = 0;
    FImage = TDibImage();
    FBits32.clear();
    FBits32.shrink_to_fit();
    ResetAttributes();
}

void TDibContainer::NewImage(int width, int height, int bitCount, int colors) {
    static const char* kMessage = "TDibImageData.CreateDIB: Invalid Parameters";
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        throw EDibImageInvalidDIBPara(kMessage, "bit count " + std::to_string(bitCount));
    }
    const std::int64_t bytes = CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, bitCount, kMessage);
    TDibImage image;
    std::vector<std::uint8_t> bits32;
    if (bitCount == 32) {
        bits32.assign(std::size_t(bytes), 0);
    } else {
        // Bottom-up storage like every other picture of the program.
        image.ReplaceData(TDibImageData::CreateDIB(width, height, std::clamp(colors, 0, 256), bitCount,
                                                   DefaultUseFMO()));
    }
    FImage = std::move(image);
    FBits32 = std::move(bits32);
    FWidth = width;
    FHeight = height;
    FBitCount = bitCount;
    FRowBytes = int(DibRowBytes(width, bitCount));
    ResetAttributes();
}

std::uint8_t* TDibContainer::ScanLine(int y) {
    assert(!Empty() && y >= 0 && y < FHeight);
    if (FBitCount == 32) return FBits32.data() + std::size_t(y) * std::size_t(FRowBytes);
    return FImage.ScanLine(y);
}

const std::uint8_t* TDibContainer::ScanLine(int y) const {
    assert(!Empty() && y >= 0 && y < FHeight);
    if (FBitCount == 32) return FBits32.data() + std::size_t(y) * std::size_t(FRowBytes);
    return FImage.ScanLineRead(y);
}

int TDibContainer::PaletteCount() const {
    if (Empty() || FBitCount > 8) return 0;
    return FImage.ColorsUsed();
}

const TRGBQuad* TDibContainer::Palette() const { return FImage.ColorTable(); }

void TDibContainer::SetPalette(std::span<const TRGBQuad> entries) {
    CheckImage("TDibContainer.SetPalette");
    if (FBitCount > 8) return;
    FImage.SetColorTable(entries.first(std::min<std::size_t>(entries.size(), 256)));
}

void TDibContainer::CheckImage(const char* operation) const {
    if (Empty()) throw EDibContainerError(std::string(operation) + ": not Image");
}

bool TDibContainer::GetAlpha() const {
    CheckImage("TDibContainer.GetAlpha");
    return FAlpha;
}
void TDibContainer::SetAlpha(bool alpha) {
    CheckImage("TDibContainer.SetAlpha");
    FAlpha = alpha;
}
const std::vector<std::uint8_t>& TDibContainer::GetAlphaTable() const {
    CheckImage("TDibContainer.GetAlphaTable");
    return FAlphaTable;
}
void TDibContainer::SetAlphaTable(std::vector<std::uint8_t> table) {
    CheckImage("TDibContainer.SetAlphaTable");
    if (table.size() > 256) table.resize(256);
    FAlphaTable = std::move(table);
}
TColor TDibContainer::GetTransparentColor() const {
    CheckImage("TDibContainer.GetTransparentColor");
    return FTransparentColor;
}
void TDibContainer::SetTransparentColor(TColor color) {
    CheckImage("TDibContainer.SetTransparentColor");
    FTransparentColor = color < 0 ? kNoColor : TColor(color & 0xFFFFFF);
}
TColor TDibContainer::GetBackgroundColor() const {
    CheckImage("TDibContainer.GetBackgroundColor");
    return FBackgroundColor;
}
void TDibContainer::SetBackgroundColor(TColor color) {
    CheckImage("TDibContainer.SetBackgroundColor");
    FBackgroundColor = color < 0 ? kNoColor : TColor(color & 0xFFFFFF);
}
TPhysicalSize TDibContainer::GetPhysicalSize() const {
    CheckImage("TDibContainer.GetPhysicalSize");
    return FPhysicalSize;
}
void TDibContainer::SetPhysicalSize(const TPhysicalSize& size) {
    CheckImage("TDibContainer.SetPhysicalSize");
    FPhysicalSize = size;
}
std::uint32_t TDibContainer::GetGamma() const {
    CheckImage("TDibContainer.GetGamma");
    return FGamma;
}
void TDibContainer::SetGamma(std::uint32_t gamma) {
    CheckImage("TDibContainer.SetGamma");
    FGamma = gamma;
}
TPoint TDibContainer::GetOffset() const {
    CheckImage("TDibContainer.GetOffset");
    return FOffset;
}
void TDibContainer::SetOffset(TPoint offset) {
    CheckImage("TDibContainer.SetOffset");
    FOffset = offset;
}
const std::string& TDibContainer::GetComment() const {
    CheckImage("TDibContainer.GetComment");
    return FComment;
}
void TDibContainer::SetComment(std::string comment) {
    CheckImage("TDibContainer.SetComment");
    FComment = std::move(comment);
}

void TDibContainer::Assign(const TDibImage& image) {
    TDibImage source(image);
    switch (source.GetPixelFormat()) {
        case dibPf4BitRLE: source.SetPixelFormat(dibPf4Bit); break;
        case dibPf8BitRLE: source.SetPixelFormat(dibPf8Bit); break;
        default: break;
    }
    FImage = TDibImage();
    auto* data = source.DibData();
    ++data->RefCount;
    FImage.ReplaceData(data);
    FBits32.clear();
    FWidth = source.Width();
    FHeight = source.Height();
    FBitCount = source.GetBitCount();
    FRowBytes = int(DibRowBytes(FWidth, FBitCount));
    ResetAttributes();
}

void TDibContainer::AssignTo(TDibImage& target) const {
    CheckImage("TDibContainer.AssignTo");
    if (FBitCount != 32) {
        auto* data = FImage.DibData();
        if (target.DibData() == data) return;
        ++data->RefCount;  // ReplaceData takes over one reference
        target.ReplaceData(data);
        return;
    }
    TDibImage image;
    image.ReplaceData(TDibImageData::CreateDIB(FWidth, FHeight, 0, 24, target.GetUseFMO()));
    for (int y = 0; y < FHeight; ++y) {
        const std::uint8_t* src = ScanLine(y);
        std::uint8_t* dst = image.ScanLine(y);
        for (int x = 0; x < FWidth; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
    auto* data = image.DibData();
    ++data->RefCount;
    target.ReplaceData(data);
}

}  // namespace zelvo
