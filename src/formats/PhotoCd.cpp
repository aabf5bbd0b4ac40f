#include "formats/PhotoCd.h"

#include <cmath>
#include <vector>

#include "formats/plugin/DecoderSandbox.h"
#include "image/Exceptions.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

// The header block is read from offset 1; the rotation byte is the file's
// byte 73.
constexpr std::int64_t kHeaderOffset = 1;
constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kRotateByte = 73 - kHeaderOffset;

std::uint8_t ClampRound(double value) {
    if (value > 255.0) return 255;
    if (value < 0.0) return 0;
    return std::uint8_t(std::nearbyint(value));
}

/// Reads up to `count` bytes at `offset`; false when fewer were there.
bool ReadAt(TStream& stream, std::int64_t offset, std::uint8_t* out, std::size_t count) {
    if (stream.Seek(offset, TSeekOrigin::soBeginning) != offset) return false;
    std::size_t done = 0;
    while (done < count) {
        const std::size_t n = stream.Read(out + done, count - done);
        if (n == 0) return false;
        done += n;
    }
    return true;
}

}  // namespace

TDibImage DecodePhotoCdPixels(std::span<const std::uint8_t> data, int width, int height, bool rotate) {
    if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0 ||
        data.size() != std::size_t(width) * std::size_t(height) * 3 / 2)
        throw EAssertionFailed("DecodePhotoCdPixels: size", std::to_string(width) + " x " + std::to_string(height));
    const int outWidth = rotate ? height : width;
    const int outHeight = rotate ? width : height;
    TDibImage picture;
    picture.ReplaceData(TDibImageData::CreateDIB(outWidth, outHeight, 0, 24, DefaultUseFMO()));

    // Rows of the turned picture are written column by column, so keep the
    // row pointers instead of asking for them per pixel.
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(outHeight));
    for (int y = 0; y < outHeight; ++y) rows[std::size_t(y)] = picture.ScanLine(y);

    const std::size_t pairBytes = std::size_t(width) * 3;
    for (int y = 0; y + 1 < height; y += 2) {
        const std::uint8_t* luma = data.data() + std::size_t(y / 2) * pairBytes;
        const std::uint8_t* c1 = luma + 2 * std::size_t(width);
        const std::uint8_t* c2 = c1 + std::size_t(width) / 2;
        for (int half = 0; half < 2; ++half) {
            const int row = y + half;
            const std::uint8_t* ys = luma + std::size_t(half) * std::size_t(width);
            for (int x = 0; x < width; ++x) {
                const double lum = 1.407488 * ys[x];
                const double cb = double(c1[x / 2]) - 156.0;
                const double cr = double(c2[x / 2]) - 137.0;
                std::uint8_t* p = rotate ? rows[std::size_t(x)] + std::size_t(height - 1 - row) * 3
                                         : rows[std::size_t(row)] + std::size_t(x) * 3;
                p[0] = ClampRound(lum + 2.0360448 * cb);
                p[1] = ClampRound(lum - 0.3954176 * cb - 0.67392 * cr);
                p[2] = ClampRound(lum + 1.3230336 * cr);
            }
        }
    }
    return picture;
}

void TQxPCD::SetResolution(int resolution) {
    if (resolution >= 0 && resolution <= 2) FResolution = resolution;
}

void TQxPCD::Load(const std::function<void()>& read) {
    FEmpty = true;
    FBitmap = TDibImage();
    FRotate = false;
    TScopeExit notify([this] {
        if (OnChange) OnChange(this);
    });
    read();
}

void TQxPCD::LoadFromFile(const std::filesystem::path& path) {
    if (!SandboxOptions().AllDecoders) {
        TFileStream stream(path, TFileStream::Mode::fmOpenRead);
        LoadFromStream(stream);
        return;
    }
    Load([&] {
        try {
            FBitmap = PhotoCdInDecoder(path, FResolution);
            FEmpty = false;
        } catch (const EReadError&) {
            // Too short for the resolution: empty, as read here.
        }
    });
}

void TQxPCD::LoadFromStream(TStream& stream) { Load([&] { ReadStream(stream); }); }

void TQxPCD::ReadStream(TStream& stream) {
    std::uint8_t header[kHeaderBytes];
    if (!ReadAt(stream, kHeaderOffset, header, kHeaderBytes)) return;
    FRotate = (header[kRotateByte] & 0x3F) == 0x0B;

    const int width = kWidths[FResolution];
    const int height = kHeights[FResolution];
    std::vector<std::uint8_t> data(std::size_t(width) * std::size_t(height) * 3 / 2);
    if (!ReadAt(stream, kDataOffsets[FResolution], data.data(), data.size())) return;
    FBitmap = DecodePhotoCdPixels(data, width, height, FRotate);
    FEmpty = false;
}

void TQxPCD::AssignTo(TDibImage& target) const {
    if (FEmpty) throw EConvertError("Cannot assign a TQxPCD to a TDibImage");
    target.Assign(&FBitmap);
}

}  // namespace zelvo
