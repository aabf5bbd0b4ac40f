#include "formats/EncoderWriters.h"

#include <array>

#include "formats/PixelRows.h"
#include "image/Exceptions.h"

namespace zelvo {

void EncoderFailed(const char* library, const std::string& detail) {
    throw EWriteError(kSWriteError, std::string(library) + ": " + detail);
}

TEncoderRows::TEncoderRows(const TDibImage& source, const TSaveOptions& options) : FPicture(source) {
    if (FPicture.PixelFormat() == dibPf4BitRLE) FPicture.SetPixelFormat(dibPf4Bit);
    if (FPicture.PixelFormat() == dibPf8BitRLE) FPicture.SetPixelFormat(dibPf8Bit);
    FChannels = options.Transparent ? 4 : 3;
    for (int i = 0; FPicture.BitCount() < 24 && i < FPicture.ColorsUsed(); ++i) {
        const TRGBQuad& q = FPicture.ColorTable()[i];
        FColors[std::size_t(i)] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    FKey = {GetRValue(options.TransparentColor), GetGValue(options.TransparentColor),
            GetBValue(options.TransparentColor)};
}

void TEncoderRows::Row(int y, std::uint8_t* out) const {
    const std::uint8_t* row = FPicture.ScanLineRead(y);
    const std::size_t width = std::size_t(FPicture.Width());
    if (FPicture.BitCount() == 24) SwapRedBlue(row, out, width);
    else ExpandIndexedRow(row, FPicture.BitCount(), width, FColors, out);
    if (FChannels == 3) return;
    // From the right, so that each pixel is read before the wider ones
    // overwrite it.
    for (std::size_t x = width; x-- > 0;) {
        const std::uint8_t r = out[x * 3], g = out[x * 3 + 1], b = out[x * 3 + 2];
        std::uint8_t* q = out + x * 4;
        q[0] = r;
        q[1] = g;
        q[2] = b;
        q[3] = r == FKey[0] && g == FKey[1] && b == FKey[2] ? 0 : 255;
    }
}

TEncoderPixels EncoderPixels(const TDibImage& source, const TSaveOptions& options) {
    const TEncoderRows rows(source, options);
    TEncoderPixels out;
    out.Width = rows.Width();
    out.Height = rows.Height();
    out.Channels = rows.Channels();
    const std::size_t rowBytes = std::size_t(out.Width) * std::size_t(out.Channels);
    out.Data.resize(rowBytes * std::size_t(out.Height));
    for (int y = 0; y < out.Height; ++y) rows.Row(y, out.Data.data() + std::size_t(y) * rowBytes);
    return out;
}

}  // namespace zelvo
