#include "formats/EncoderWriters.h"

#include <array>

#include "formats/PixelRows.h"
#include "image/Exceptions.h"

namespace zelvo {

void EncoderFailed(const char* library, const std::string& detail) {
    throw EWriteError(kSWriteError, std::string(library) + ": " + detail);
}

TEncoderPixels EncoderPixels(const TDibImage& source, const TSaveOptions& options) {
    TDibImage picture(source);
    if (picture.PixelFormat() == dibPf4BitRLE) picture.SetPixelFormat(dibPf4Bit);
    if (picture.PixelFormat() == dibPf8BitRLE) picture.SetPixelFormat(dibPf8Bit);
    TEncoderPixels out;
    out.Width = picture.Width();
    out.Height = picture.Height();
    out.Channels = options.Transparent ? 4 : 3;
    const std::size_t width = std::size_t(out.Width);
    out.Data.resize(width * std::size_t(out.Height) * std::size_t(out.Channels));
    const int bits = picture.BitCount();
    std::array<std::array<std::uint8_t, 3>, 256> colors{};
    for (int i = 0; bits < 24 && i < picture.ColorsUsed(); ++i) {
        const TRGBQuad& q = picture.ColorTable()[i];
        colors[std::size_t(i)] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    std::vector<std::uint8_t> rgb(width * 3);
    const std::uint8_t key[3] = {GetRValue(options.TransparentColor), GetGValue(options.TransparentColor),
                                 GetBValue(options.TransparentColor)};
    for (int y = 0; y < out.Height; ++y) {
        const std::uint8_t* row = picture.ScanLineRead(y);
        std::uint8_t* target = out.Data.data() + std::size_t(y) * width * std::size_t(out.Channels);
        std::uint8_t* expanded = out.Channels == 3 ? target : rgb.data();
        if (bits == 24) SwapRedBlue(row, expanded, width);
        else ExpandIndexedRow(row, bits, width, colors, expanded);
        if (out.Channels == 3) continue;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* p = rgb.data() + x * 3;
            std::uint8_t* q = target + x * 4;
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
            q[3] = p[0] == key[0] && p[1] == key[1] && p[2] == key[2] ? 0 : 255;
        }
    }
    return out;
}

}  // namespace zelvo
