#include "formats/PngImage.h"

#include <algorithm>
#include <cstring>

namespace zelvo {

void TPngImage::LoadFromStream(TStream& stream) {
    TPngImage loaded = DecodePng(stream);
    *this = std::move(loaded);
}

void TPngImage::LoadFromFile(const std::filesystem::path& path) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    LoadFromStream(stream);
}

void TPngImage::SaveToStream(TStream& stream) const { EncodePng(*this, FInterlaced, stream); }

void TPngImage::SaveToFile(const std::filesystem::path& path) const {
    CheckImage("TPngImage.SaveToStream");
    TFileStream stream(path, TFileStream::Mode::fmCreate);
    SaveToStream(stream);
}

void TPngImage::SaveRectToStream(TStream& stream, const TRect& rect) const {
    CheckImage("TPngImage.SaveRectToStream");
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, Width()), bottom = std::min(rect.Bottom, Height());
    if (right <= left || bottom <= top) throw EDibContainerError("TPngImage.SaveRectToStream: not Image");
    TPngImage part;
    part.NewImage(right - left, bottom - top, BitCount(), PaletteCount());
    if (PaletteCount() > 0) part.SetPalette(std::span(Palette(), std::size_t(PaletteCount())));
    const int bits = BitCount();
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* src = ScanLine(y);
        std::uint8_t* dst = part.ScanLine(y - top);
        if (bits >= 8) {
            const std::size_t bytes = std::size_t(bits / 8);
            std::memcpy(dst, src + std::size_t(left) * bytes, std::size_t(right - left) * bytes);
            continue;
        }
        for (int x = left; x < right; ++x) {
            const int i = x - left;
            if (bits == 1) {
                if ((src[x >> 3] >> (7 - (x & 7))) & 1) dst[i >> 3] |= std::uint8_t(0x80 >> (i & 7));
            } else {
                const int v = (x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4;
                dst[i >> 1] |= std::uint8_t((i & 1) ? v : v << 4);
            }
        }
    }
    part.SetAlpha(GetAlpha());
    part.SetAlphaTable(GetAlphaTable());
    part.SetTransparentColor(GetTransparentColor());
    part.SetBackgroundColor(GetBackgroundColor());
    part.SetPhysicalSize(GetPhysicalSize());
    part.SetGamma(GetGamma());
    part.SetOffset(GetOffset());
    part.SetComment(GetComment());
    EncodePng(part, FInterlaced, stream);
}

// ---------------------------------------------------------------------------
// Entries for the format dispatch

bool LoadPngPicture(TStream& stream, TDibImage& picture, TPictureMetadata* metadata) {
    TPngImage png = DecodePng(stream);
    png.AssignTo(picture);
    if (metadata) {
        *metadata = TPictureMetadata{};
        metadata->Source = TMetadataSource::Png;
        metadata->Blocks = png.KeptChunks();
    }
    return png.Interlaced();
}

bool LoadPngPictureFile(const std::filesystem::path& path, TDibImage& picture, TPictureMetadata* metadata) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    return LoadPngPicture(stream, picture, metadata);
}

void SavePngPicture(const TDibImage& picture, TStream& stream, bool transparent, TColor transparentColor,
                    bool interlaced, std::span<const TMetadataBlock> chunks) {
    TPngImage png;
    png.Assign(picture);
    if (transparent) png.SetTransparentColor(transparentColor & 0xFFFFFF);
    EncodePng(png, interlaced, stream, chunks);
}

}  // namespace zelvo
