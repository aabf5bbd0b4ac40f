#include "image/DibImage.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "image/DibPixelIndex.h"
#include "image/ImageLimits.h"

namespace zelvo {
namespace {

bool gDefaultUseFMO = true;

}  // namespace

const char* PixelFormatName(TDibPixelFormat format) {
    switch (format) {
        case dibPf1Bit: return "dibPf1Bit";
        case dibPf4Bit: return "dibPf4Bit";
        case dibPf4BitRLE: return "dibPf4BitRLE";
        case dibPf8Bit: return "dibPf8Bit";
        case dibPf8BitRLE: return "dibPf8BitRLE";
        case dibPf24Bit: return "dibPf24Bit";
        case dibPfHalftone: return "dibPfHalftone";
        case dibPfHalftoneBW: return "dibPfHalftoneBW";
    }
    return "?";
}

bool DefaultUseFMO() { return gDefaultUseFMO; }
void SetDefaultUseFMO(bool useFMO) { gDefaultUseFMO = useFMO; }

HPALETTE PaletteFromColorTable(const TRGBQuad* table, int count) {
    if (count <= 0 || count > 256) throw EOutOfResources("GetPaletteFromDIBInfos: Cannot Make Palette");
    auto palette = std::make_shared<TLogPalette>();
    palette->Entries.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        palette->Entries[std::size_t(i)] = TPaletteEntry{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    }
    return palette;
}

HPALETTE HalftonePalette() {
    static const HPALETTE palette = [] {
        auto p = std::make_shared<TLogPalette>();
        static constexpr std::uint8_t kRed[6] = {0, 51, 102, 153, 204, 255};
        static constexpr std::uint8_t kGreen[7] = {0, 43, 85, 128, 171, 214, 255};
        static constexpr std::uint8_t kBlue[5] = {0, 64, 128, 192, 255};
        // Entry index = red level x 35 + green level x 5 + blue level.
        for (auto r : kRed)
            for (auto g : kGreen)
                for (auto b : kBlue) p->Entries.push_back(TPaletteEntry{r, g, b, 0});
        p->Entries.push_back(TPaletteEntry{128, 0, 0, 0});
        p->Entries.push_back(TPaletteEntry{128, 128, 0, 0});
        p->Entries.push_back(TPaletteEntry{128, 0, 128, 0});
        p->Entries.push_back(TPaletteEntry{192, 192, 192, 0});
        p->Entries.push_back(TPaletteEntry{128, 128, 128, 0});
        return p;
    }();
    return palette;
}

HPALETTE BlackWhitePalette() {
    static const HPALETTE palette = [] {
        auto p = std::make_shared<TLogPalette>();
        p->Entries = {TPaletteEntry{0, 0, 0, 0}, TPaletteEntry{255, 255, 255, 0}};
        return p;
    }();
    return palette;
}

// ---------------------------------------------------------------------------
// TDibImageData

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// The length mapped for `bytes` of pixels. A large picture's mapping is a
// whole number of huge pages: where the system gives all memory in huge
// pages, it places only such mappings on a huge-page boundary, and an
// unaligned one is served in small pages at both ends. The extra tail is
// never touched.
//
// Pictures are not advised into huge pages, though. Where a virtual
// machine hands its free memory back to the host, huge pages come mostly
// from what the host took back, and the first write to them then costs many
// times a copy: a quarter of a second more for a 4000 x 3000 picture in
// about one run of three on our test machines. Small pages are reused from
// what was just freed, and the filters measured no faster in huge pages.
std::size_t MappedLength(std::size_t bytes) {
    if (bytes < kHugePage) return bytes;
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

TDibImageData* TDibImageData::CreateDIB(int width, int height, int colors, int bitCount, bool useFMO) {
    const char* kMessage = "TDibImageData.CreateDIB: Invalid Parameters";
    if (width <= 0 || height == 0 || colors < 0 || colors > 256 ||
        (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)) {
        throw EDibImageInvalidDIBPara(kMessage);
    }
    const std::int64_t size = CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, bitCount, kMessage);
    TBitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = std::uint16_t(bitCount);
    header.biClrUsed = std::uint32_t(colors);
    return CreateRaw(header, std::uint32_t(size), useFMO);
}

TDibImageData* TDibImageData::ForHeader(const TBitmapInfoHeader& header, bool useFMO) {
    const std::int64_t height = header.biHeight < 0 ? -std::int64_t(header.biHeight) : header.biHeight;
    if (header.biWidth <= 0 || height == 0 || !ImageSizeAllowed(header.biWidth, height) ||
        header.biClrUsed > 256) {
        throw EDibImageInvalidDIBPara("TDibImageData.CreateDIB: Invalid Parameters",
                                      "width " + std::to_string(header.biWidth) + ", height " +
                                          std::to_string(header.biHeight));
    }
    auto* data = new TDibImageData();
    data->UseFMO = useFMO;
    data->Width = header.biWidth;
    data->Height = std::int32_t(height);
    data->Header = header;
    data->Header.biSize = 40;
    data->PaletteChanged = true;
    return data;
}

TDibImageData* TDibImageData::CreateRaw(const TBitmapInfoHeader& header, std::uint32_t imageSize, bool useFMO) {
    auto* data = ForHeader(header, useFMO);
    try {
        data->GetMemory(imageSize);
    } catch (...) {
        delete data;
        throw;
    }
    return data;
}

TDibImageData* TDibImageData::AdoptMapping(const TBitmapInfoHeader& header, std::uint8_t* bits,
                                           std::uint32_t imageSize, void* base, std::size_t length) {
    auto* data = ForHeader(header, true);
    data->Bits = bits;
    data->ImageSize = imageSize;
    data->AdoptedBase = base;
    data->AdoptedLength = length;
    return data;
}

TDibImageData::~TDibImageData() { ReleaseMemory(); }

void TDibImageData::GetMemory(std::uint32_t size) {
    // A zero-byte picture cannot exist (width and height are at least 1), but
    // compressed data may be empty; keep one byte so Bits is never null.
    const std::size_t bytes = size == 0 ? 1 : size;
    if (UseFMO) {
        const std::size_t length = MappedLength(bytes);
        void* view = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (view == MAP_FAILED) throw EOutOfResources("GetMemory: Cannot Make File Mapping Object");
        Bits = static_cast<std::uint8_t*>(view);
        Mapped = true;
    } else {
        Bits = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
        if (Bits == nullptr) throw EOutOfResources("GetMemory: Cannot Make File Mapping Object");
        Mapped = false;
    }
    ImageSize = size;
}

void TDibImageData::ReleaseMemory() {
    if (Bits == nullptr) return;
    if (AdoptedBase) {
        ::munmap(AdoptedBase, AdoptedLength);
        AdoptedBase = nullptr;
    } else if (Mapped) {
        ::munmap(Bits, MappedLength(ImageSize == 0 ? 1 : ImageSize));
    } else {
        std::free(Bits);
    }
    Bits = nullptr;
    ImageSize = 0;
}

TDibImageData* TDibImageData::Clone() const {
    auto* copy = CreateRaw(Header, ImageSize, UseFMO);
    std::memcpy(copy->Bits, Bits, ImageSize);
    copy->ColorTable = ColorTable;
    copy->Palette = Palette;
    copy->PaletteChanged = PaletteChanged;
    return copy;
}

void TDibImageData::ColorTableChanged() {
    Palette.reset();
    PaletteChanged = true;
}

// ---------------------------------------------------------------------------
// TDibImage

TDibImage::TDibImage() {
    data_ = TDibImageData::CreateDIB(1, 1, 256, 8, DefaultUseFMO());
}

TDibImage::~TDibImage() { ReleaseData(); }

TDibImage::TDibImage(const TDibImage& other)
    : ConvertMode(other.ConvertMode), MonoColor(other.MonoColor), HalftoneMode(other.HalftoneMode) {
    data_ = other.data_;
    ++data_->RefCount;
}

TDibImage& TDibImage::operator=(const TDibImage& other) {
    Assign(&other);
    return *this;
}

void TDibImage::ReleaseData() {
    if (data_ != nullptr && --data_->RefCount == 0) delete data_;
    data_ = nullptr;
}

void TDibImage::ReplaceData(TDibImageData* data) {
    if (data == data_) return;
    ReleaseData();
    data_ = data;
    UpdatePaletteModified();
    Changed();
}

int TDibImage::Width() const { return data_->Width; }
int TDibImage::Height() const { return data_->Height; }
int TDibImage::RowBytes() const { return data_->RowBytes(); }
const TBitmapInfoHeader& TDibImage::Header() const { return data_->Header; }
std::span<const std::uint8_t> TDibImage::Bits() const { return {data_->Bits, data_->ImageSize}; }
bool TDibImage::GetUseFMO() const { return data_->UseFMO; }
int TDibImage::ColorsUsed() const { return int(data_->Header.biClrUsed); }
const TRGBQuad* TDibImage::ColorTable() const { return data_->ColorTable.data(); }

void TDibImage::SetWidth(int width) {
    if (width <= 0) throw EDibImageInvalidDIBPara("TDibImage.SetWidth: Invalid Width");
    if (width == data_->Width) return;
    auto* fresh = TDibImageData::CreateDIB(width, data_->Header.biHeight, int(data_->Header.biClrUsed),
                                           data_->Header.biBitCount, data_->UseFMO);
    ReplaceData(fresh);
}

void TDibImage::SetHeight(int height) {
    if (height == 0) throw EDibImageInvalidDIBPara("TDibImage.SetWidth: Invalid Height");
    if (height == data_->Header.biHeight) return;
    auto* fresh = TDibImageData::CreateDIB(data_->Width, height, int(data_->Header.biClrUsed),
                                           data_->Header.biBitCount, data_->UseFMO);
    ReplaceData(fresh);
}

int TDibImage::GetBitCount() const { return data_->Header.biBitCount; }

void TDibImage::SetBitCount(int bitCount) {
    int colors = 0;
    switch (bitCount) {
        case 1: colors = 2; break;
        case 4: colors = 16; break;
        case 8: colors = 256; break;
        case 24: colors = 0; break;
        default: throw EDibImageInvalidDIBPara("TDibImage.SetBitCount: Invalid BitCount");
    }
    if (bitCount == data_->Header.biBitCount) return;
    auto* fresh = TDibImageData::CreateDIB(data_->Width, data_->Header.biHeight, colors, bitCount, data_->UseFMO);
    ReplaceData(fresh);
}

TDibPixelFormat TDibImage::GetPixelFormat() const {
    const auto& h = data_->Header;
    switch (h.biBitCount) {
        case 1:
            if (h.biCompression == BI_RGB) return dibPf1Bit;
            throw EDibImageInvalidDIB("TDibImageData.GetPixelFormat: Invalid DIB(1Bit)");
        case 4:
            if (h.biCompression == BI_RGB) return dibPf4Bit;
            if (h.biCompression == BI_RLE4) return dibPf4BitRLE;
            throw EDibImageInvalidDIB("TDibImageData.GetPixelFormat: Invalid DIB(4Bit)");
        case 8:
            if (h.biCompression == BI_RGB) return dibPf8Bit;
            if (h.biCompression == BI_RLE8) return dibPf8BitRLE;
            throw EDibImageInvalidDIB("TDibImageData.GetPixelFormat: Invalid DIB(8Bit)");
        case 24:
            if (h.biCompression == BI_RGB) return dibPf24Bit;
            throw EDibImageInvalidDIB("TDibImageData.GetPixelFormat: Invalid DIB(24Bit)");
        default:
            throw EDibImageInvalidDIB("TDibImageData.GetPixelFormat: Invalid DIB(Illegal BitCount)");
    }
}

const std::uint8_t* TDibImage::ScanLineRead(int y) const {
    if (data_->Header.biCompression != BI_RGB) throw EDibImageBadDIBType("TDibImage.GetScanLine: Bad DIB Type");
    if (y < 0 || y >= data_->Height) throw EDibImagePixelPositionRange("TDibImage.GetScanLine: y is Out of Range");
    const int row = data_->TopDown() ? y : data_->Height - 1 - y;
    const std::size_t offset = std::size_t(row) * std::size_t(data_->RowBytes());
    // A converted or loaded storage may hold fewer bytes than its rows need
    // only when it was built wrongly; the invariant is checked by the readers.
    return data_->Bits + offset;
}

std::uint8_t* TDibImage::ScanLine(int y) {
    ScanLineRead(y);  // validates before unsharing
    UniqueDIB();
    return const_cast<std::uint8_t*>(ScanLineRead(y));
}

TColor TDibImage::GetPixels(int x, int y) const {
    if (data_->Header.biCompression != BI_RGB) throw EDibImageBadDIBType("TDibImage.GetPixels: Bad DIB Type");
    if (x < 0 || y < 0 || x >= data_->Width || y >= data_->Height)
        throw EDibImagePixelPositionRange("TDibImage.GetPixels: Pixel Position is Out of Range");
    const std::uint8_t* row = ScanLineRead(y);
    switch (data_->Header.biBitCount) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        case 8: return row[x];
        case 24: {
            const std::uint8_t* p = row + std::size_t(x) * 3;
            return RGB(p[2], p[1], p[0]);
        }
        default: throw EDibImageInvalidDIB("TDibImage.GetPixels: GetPixel supports only Uncompressed DIB");
    }
}

void TDibImage::SetPixels(int x, int y, TColor value) {
    if (data_->Header.biCompression != BI_RGB) throw EDibImageBadDIBType("TDibImage.SetPixels: Bad DIB Type");
    if (x < 0 || y < 0 || x >= data_->Width || y >= data_->Height)
        throw EDibImagePixelPositionRange("TDibImage.SetPixels: Pixel Position is Out of Range");
    const int bits = data_->Header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        throw EDibImageInvalidDIB("TDibImage.SetPixels: GetPixel supports only Uncompressed 8 or 24 bit DIB");
    if (bits != 24 && (value < 0 || value >= (1 << bits)))
        throw EDibImagePixelPositionRange("TDibImage.SetPixels: Pixel Position is Out of Range",
                                          "index " + std::to_string(value));
    if (bits == 24 && value < 0)
        throw EDibImagePixelPositionRange("TDibImage.SetPixels: Pixel Position is Out of Range",
                                          "colour " + std::to_string(value));
    std::uint8_t* row = ScanLine(y);
    if (bits == 24) {
        std::uint8_t* p = row + std::size_t(x) * 3;
        p[0] = GetBValue(value);
        p[1] = GetGValue(value);
        p[2] = GetRValue(value);
    } else {
        DibPutIndex(row, x, bits, unsigned(value));
    }
}

HPALETTE TDibImage::GetPalette() {
    if (HalftoneMode == 1) return HalftonePalette();
    if (HalftoneMode == 2) return BlackWhitePalette();
    if (data_->Header.biClrUsed == 0) return nullptr;
    if (!data_->Palette) {
        data_->Palette = PaletteFromColorTable(data_->ColorTable.data(), int(data_->Header.biClrUsed));
    }
    return data_->Palette;
}

void TDibImage::SetPalette(const HPALETTE& palette) {
    UniqueDIB();
    if (!palette) {
        data_->Header.biClrUsed = 0;
        data_->ColorTableChanged();
    } else {
        const std::size_t count = std::min<std::size_t>(palette->Entries.size(), 256);
        if (count == 0) throw EDibImageInvalidPalette("TDibImage.SetPalette: Invalid Palette");
        for (std::size_t i = 0; i < count; ++i) {
            const auto& e = palette->Entries[i];
            data_->ColorTable[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
        }
        data_->Header.biClrUsed = std::uint32_t(count);
        data_->ColorTableChanged();
        data_->Palette = palette;
    }
    UpdatePaletteModified();
    Changed();
}

void TDibImage::SetColorTable(std::span<const TRGBQuad> entries) {
    UniqueDIB();
    const std::size_t count = std::min<std::size_t>(entries.size(), 256);
    std::fill(data_->ColorTable.begin(), data_->ColorTable.end(), TRGBQuad{});
    std::copy(entries.begin(), entries.begin() + std::ptrdiff_t(count), data_->ColorTable.begin());
    data_->Header.biClrUsed = std::uint32_t(count);
    data_->ColorTableChanged();
    UpdatePaletteModified();
    Changed();
}

void TDibImage::Assign(const TDibImage* source) {
    if (source == this) return;
    if (source == nullptr) {
        ReplaceData(TDibImageData::CreateDIB(1, 1, 256, 8, data_->UseFMO));
        return;
    }
    ConvertMode = source->ConvertMode;
    MonoColor = source->MonoColor;
    HalftoneMode = source->HalftoneMode;
    if (source->data_ == data_) return;
    ++source->data_->RefCount;
    ReplaceData(source->data_);
}

void TDibImage::AssignTo(TDibImage& target) const { target.Assign(this); }

void TDibImage::UniqueDIB() {
    if (data_->RefCount == 1) return;
    TDibImageData* copy = data_->Clone();
    --data_->RefCount;
    data_ = copy;
}

void TDibImage::UpdatePaletteModified() {
    if (data_->PaletteChanged) {
        data_->PaletteChanged = false;
        PaletteModified = true;
    }
}

void TDibImage::Changed() {
    Modified = true;
    if (OnChange) OnChange(this);
}

void TDibImage::Progress(TProgressStage stage, std::uint8_t percentDone, const std::string& message) {
    if (OnProgress) OnProgress(*this, stage, percentDone, false, TRect{0, 0, Width(), Height()}, message);
}

void TDibImage::LoadFromFile(const std::filesystem::path& path) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    LoadFromStream(stream);
}

void TDibImage::SaveToFile(const std::filesystem::path& path) const {
    TFileStream stream(path, TFileStream::Mode::fmCreate);
    SaveToStream(stream);
}

}  // namespace zelvo
