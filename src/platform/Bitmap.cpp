#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/QxImageIO.h"
#include "image/DibImageCanvas.h"
#include "image/Exceptions.h"

namespace zelvo {

namespace {

int BitsOf(TPixelFormat format) {
    switch (format) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        default: return 24;
    }
}

TDibPixelFormat DibFormatOf(TPixelFormat format) {
    switch (format) {
        case pf1bit: return dibPf1Bit;
        case pf4bit: return dibPf4Bit;
        case pf8bit: return dibPf8Bit;
        default: return dibPf24Bit;
    }
}

/// Shares `source`'s storage into `target` without touching the target's
/// conversion settings.
void ShareInto(TDibImage& target, const TDibImage& source) {
    TDibImageData* data = source.DibData();
    if (data == target.DibData()) return;
    ++data->RefCount;
    target.ReplaceData(data);
}

}  // namespace

std::vector<TRGBQuad> GreyColorTable(int count) {
    std::vector<TRGBQuad> table(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto v = std::uint8_t(count == 1 ? 0 : i * 255 / (count - 1));
        table[std::size_t(i)] = TRGBQuad{v, v, v, 0};
    }
    return table;
}

// --- TBitmapCanvas -----------------------------------------------------------

void TBitmapCanvas::FillRect(const TRect& rect) {
    if (owner_.Empty()) return;
    {
        TDibImageCanvas canvas(owner_.UniqueDib());
        canvas.FillRect(rect, BrushColor);
    }
    owner_.Changed();
}

void TBitmapCanvas::CopyRect(const TRect& destRect, const TBitmap& source, const TRect& sourceRect) {
    if (owner_.Empty() || source.Empty()) return;
    // Hold the source's storage, so drawing a bitmap onto itself reads the
    // pixels as they were before the copy.
    const TDibImage from = source.Dib();
    {
        TDibImageCanvas canvas(owner_.UniqueDib());
        if (destRect.Width() == sourceRect.Width() && destRect.Height() == sourceRect.Height())
            canvas.CopyRect(TPoint{destRect.Left, destRect.Top}, from, sourceRect);
        else
            canvas.StretchRect(destRect, from, sourceRect);
    }
    owner_.Changed();
}

void TBitmapCanvas::BlockCopy(int dx, int dy, const TBitmap& source, int sx, int sy, int width, int height) {
    CopyRect(Bounds(dx, dy, width, height), source, Bounds(sx, sy, width, height));
}

void TBitmapCanvas::Draw(int x, int y, const TBitmap& source) {
    if (source.Empty()) return;
    CopyRect(Bounds(x, y, source.Width(), source.Height()), source, Bounds(0, 0, source.Width(), source.Height()));
}

void TBitmapCanvas::Draw(int x, int y, const TDibImage& source) {
    TBitmap wrapped;
    wrapped.Assign(source);
    Draw(x, y, wrapped);
}

void TBitmapCanvas::StretchDraw(const TRect& rect, const TBitmap& source) {
    if (source.Empty()) return;
    const TRect all = Bounds(0, 0, source.Width(), source.Height());
    if (owner_.Empty()) return;
    const TDibImage from = source.Dib();
    {
        TDibImageCanvas canvas(owner_.UniqueDib());
        canvas.StretchRect(rect, from, all);
    }
    owner_.Changed();
}

void TBitmapCanvas::StretchDraw(const TRect& rect, const TDibImage& source) {
    TBitmap wrapped;
    wrapped.Assign(source);
    StretchDraw(rect, wrapped);
}

// --- TBitmap -------------------------------------------------------------------

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
    const int bits = BitsOf(format);
    const int colors = bits == 24 ? 0 : 1 << bits;
    TDibImageData* data = TDibImageData::CreateDIB(width, height, colors, bits, DefaultUseFMO());
    dib_.ReplaceData(data);
    if (colors > 0) {
        const auto table = GreyColorTable(colors);
        dib_.SetColorTable(table);
    }
    empty_ = false;
}

TBitmap::TBitmap(const TBitmap& other) : dib_(other.dib_), empty_(other.empty_), modified_(other.modified_) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    Assign(other);
    return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
    if (width < 0 || height < 0) throw EDibImageInvalidDIBPara("TDibImageData.CreateDIB: Invalid Parameters");
    if (width == 0 || height == 0) {
        if (!empty_) Clear();
        return;
    }
    if (!empty_ && width == Width() && height == Height()) return;
    if (empty_) {
        dib_.ReplaceData(TDibImageData::CreateDIB(width, height, 0, 24, DefaultUseFMO()));
        empty_ = false;
        Changed();
        return;
    }
    const auto& header = dib_.Header();
    TDibImage resized;
    resized.ReplaceData(TDibImageData::CreateDIB(width, header.biHeight < 0 ? -height : height,
                                                 int(header.biClrUsed), header.biBitCount, dib_.GetUseFMO()));
    if (dib_.BitCount() != 24) resized.SetColorTable(std::span(dib_.ColorTable(), std::size_t(dib_.ColorsUsed())));
    {
        TDibImageCanvas canvas(resized);
        canvas.CopyRect(TPoint{0, 0}, dib_, Bounds(0, 0, dib_.Width(), dib_.Height()));
    }
    ShareInto(dib_, resized);
    Changed();
}

TPixelFormat TBitmap::PixelFormat() const {
    switch (BitCount()) {
        case 1: return pf1bit;
        case 4: return pf4bit;
        case 8: return pf8bit;
        default: return pf24bit;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (empty_ || format == PixelFormat()) return;
    dib_.SetPixelFormat(DibFormatOf(format));
    Changed();
}

std::uint8_t* TBitmap::ScanLine(int y) { return UniqueDib().ScanLine(y); }

const std::uint8_t* TBitmap::ScanLineRead(int y) const { return dib_.ScanLineRead(y); }

TColor TBitmap::PixelColor(int x, int y) const {
    if (empty_) throw EDibImagePixelPositionRange("TDibImage.GetPixels: Pixel Position is Out of Range");
    const TColor value = dib_.GetPixels(x, y);
    if (dib_.BitCount() == 24) return value;
    const TRGBQuad& q = dib_.ColorTable()[value & 0xFF];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

HPALETTE TBitmap::Palette() const {
    if (empty_ || dib_.BitCount() == 24 || dib_.ColorsUsed() == 0) return nullptr;
    return PaletteFromColorTable(dib_.ColorTable(), dib_.ColorsUsed());
}

void TBitmap::SetPalette(const HPALETTE& palette) {
    if (empty_ || dib_.BitCount() == 24 || !palette) return;
    UniqueDib().SetPalette(palette);
    Changed();
}

void TBitmap::ReleasePalette() {
    if (empty_ || dib_.BitCount() != 24 || dib_.ColorsUsed() == 0) return;
    UniqueDib().SetColorTable({});
}

void TBitmap::Become(const TDibImage& source) {
    const TDibPixelFormat format = source.PixelFormat();
    if (format == dibPf4BitRLE || format == dibPf8BitRLE) {
        TDibImage decoded(source);
        decoded.SetPixelFormat(format == dibPf4BitRLE ? dibPf4Bit : dibPf8Bit);
        ShareInto(dib_, decoded);
    } else {
        ShareInto(dib_, source);
    }
    empty_ = false;
}

void TBitmap::Assign(const TDibImage& source) {
    Become(source);
    Changed();
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) return;
    if (source.empty_) {
        Clear();
        return;
    }
    Become(source.dib_);
    Changed();
}

void TBitmap::Clear() {
    dib_.Assign(nullptr);
    empty_ = true;
    Changed();
}

void TBitmap::AssignTo(TDibImage& target) const {
    if (empty_) {
        target.Assign(nullptr);
        return;
    }
    ShareInto(target, dib_);
}

TDibImage TBitmap::ToDibImage() const {
    TDibImage image;
    AssignTo(image);
    return image;
}

TDibImage& TBitmap::UniqueDib() {
    dib_.UniqueDIB();
    return dib_;
}

void TBitmap::SaveToStream(TStream& stream) const {
    if (empty_) return;
    dib_.SaveToStream(stream);
}

void TBitmap::LoadFromStream(TStream& stream) {
    TDibImage loaded;
    loaded.LoadFromStream(stream);
    Assign(loaded);
}

void TBitmap::SetModified(bool modified) {
    if (modified)
        Changed();
    else
        modified_ = false;
}

void TBitmap::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

bool LoadPictureFile(const std::filesystem::path& path, TBitmap& bitmap, bool gifMode) {
    TDibImage picture;
    if (!LoadPictureFile(path, picture, gifMode)) return false;
    try {
        bitmap.Assign(picture);
    } catch (const std::exception&) {
        // Never throws: a picture that cannot be taken over counts as unread.
        return false;
    }
    return true;
}

}  // namespace zelvo
