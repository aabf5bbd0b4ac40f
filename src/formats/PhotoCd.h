#pragma once
// TQxPCD: reads one of the three lower resolutions of a PhotoCD image pack
// (".pcd") into a 24-bit picture.
//
//   resolution 0: 192 x 128, pixel data at file offset 8192 (0x2000)
//   resolution 1: 384 x 256, at 47104 (0xB800)
//   resolution 2: 768 x 512, at 196608 (0x30000)
//
// The data is stored in pairs of rows: width luma bytes of the upper row,
// width luma bytes of the lower row, then width chroma bytes shared by both
// rows (width / 2 of C1, then width / 2 of C2, one pair per two columns).
// Each pixel becomes
//   red   = 1.407488 Y + 1.3230336 (C2 - 137)
//   green = 1.407488 Y - 0.3954176 (C1 - 156) - 0.67392 (C2 - 137)
//   blue  = 1.407488 Y + 2.0360448 (C1 - 156)
// clamped to 0..255 and rounded to the nearest integer. A picture whose
// header byte 73, masked with 0x3F, is 0x0B is stored on its side and is
// turned a quarter clockwise after reading. Higher resolutions are not
// read.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "image/DibImage.h"
#include "image/Stream.h"

namespace zelvo {

class TQxPCD {
public:
    /// Width and height of each resolution.
    static constexpr int kWidths[3] = {192, 384, 768};
    static constexpr int kHeights[3] = {128, 256, 512};
    /// File offset of each resolution's pixel data.
    static constexpr std::int64_t kDataOffsets[3] = {0x2000, 0xB800, 0x30000};

    /// Selects the resolution the next load reads: 0, 1 or 2; other values
    /// are ignored. A new object reads resolution 0.
    void SetResolution(int resolution);
    int Resolution() const { return FResolution; }

    /// Reads the file (in a decoder process while every decoder is to run
    /// there). A file too short for its header or for the chosen resolution
    /// leaves the picture empty; a file that cannot be opened throws
    /// EFOpenError, a decoder process that fails EDecoderFailed.
    void LoadFromFile(const std::filesystem::path& path);
    /// Reads from a stream whose position 0 is the start of the file; a
    /// short stream leaves the picture empty.
    void LoadFromStream(TStream& stream);

    bool Empty() const { return FEmpty; }
    /// 0 while empty.
    int Width() const { return FEmpty ? 0 : FBitmap.Width(); }
    int Height() const { return FEmpty ? 0 : FBitmap.Height(); }
    /// Whether the last file read was stored on its side (and was turned);
    /// not known of a file read in a decoder process.
    bool Rotated() const { return FRotate; }
    /// The 24-bit picture; meaningful only when not empty.
    const TDibImage& Bitmap() const { return FBitmap; }
    /// Gives `target` the picture (shared storage). Throws EConvertError
    /// "Cannot assign a TQxPCD to a TDibImage" when empty.
    void AssignTo(TDibImage& target) const;

    /// Fired after each load, also one that leaves the picture empty.
    TNotifyEvent OnChange;

private:
    /// Empties the picture, runs `read` and fires OnChange, however `read`
    /// ends.
    void Load(const std::function<void()>& read);
    void ReadStream(TStream& stream);

    int FResolution = 0;
    bool FRotate = false;
    bool FEmpty = true;
    TDibImage FBitmap;
};

/// Converts the pixel data of one resolution (`width` x `height`, the row
/// pairs described above, exactly width x height x 3 / 2 bytes) into a
/// 24-bit picture, turned a quarter clockwise when `rotate`. `height` and
/// `width` must be even and positive.
TDibImage DecodePhotoCdPixels(std::span<const std::uint8_t> data, int width, int height, bool rotate);

}  // namespace zelvo
