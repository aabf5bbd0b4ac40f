#pragma once
// TBitmap: the picture as the document holds and displays it.
//
// A TBitmap shares TDibImage storage: assigning a TDibImage to a TBitmap or
// a TBitmap to a TDibImage shares the storage (O(1)), and every write access
// copies it first when it is shared (copy-on-write). Unlike a TDibImage a
// TBitmap can be empty (no picture). Its pixels are never RLE-coded: RLE data
// is decoded when it is assigned. Its depth is 1, 4, 8 or 24 bits; pictures
// of 16 or 32 bits (screen images, other programs' clipboard images) become
// 24 bits when they are assigned. The conversions to and from QImage are in
// platform/qt/QImageBridge.h.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "image/DibImage.h"
#include "image/Stream.h"
#include "image/Types.h"

namespace zelvo {

/// Pixel formats of the platform bitmap.
enum TPixelFormat : std::uint8_t { pf1bit, pf4bit, pf8bit, pf24bit };

class TBitmap;

/// The drawing surface of a TBitmap. Every drawing call makes the bitmap's
/// storage unique, draws straight into its pixels and then fires the
/// bitmap's change notification. Drawing on an empty bitmap does nothing.
/// Colours drawn into a palette picture take the nearest colour-table entry.
class TBitmapCanvas {
public:
    explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {}
    TBitmapCanvas(const TBitmapCanvas&) = delete;
    TBitmapCanvas& operator=(const TBitmapCanvas&) = delete;

    /// The brush colour FillRect uses (system colours resolve to RGB).
    TColor BrushColor = clWhite;

    /// Fills `rect` (clipped to the picture) with BrushColor.
    void FillRect(const TRect& rect);
    /// Copies `sourceRect` of `source` onto `destRect`: 1:1 when both have
    /// the same size, otherwise stretched with the nearest pixel. Parts of
    /// either rectangle outside its picture are skipped.
    void CopyRect(const TRect& destRect, const TBitmap& source, const TRect& sourceRect);
    /// Block copy of `width` x `height` pixels of `source` from (sx, sy) to
    /// (dx, dy).
    void BlockCopy(int dx, int dy, const TBitmap& source, int sx, int sy, int width, int height);
    /// Draws the whole of `source` with its top-left corner at (x, y), 1:1.
    void Draw(int x, int y, const TBitmap& source);
    void Draw(int x, int y, const TDibImage& source);
    /// Stretches the whole of `source` onto `rect` with the nearest pixel.
    void StretchDraw(const TRect& rect, const TBitmap& source);
    void StretchDraw(const TRect& rect, const TDibImage& source);

private:
    TBitmap& owner_;
};

class TBitmap {
public:
    /// An empty bitmap.
    TBitmap();
    /// A zero-filled (black) picture of the given size and format; palette
    /// formats get a black-and-white, 16-colour or 256-colour grey table.
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    /// Copies share the storage; events are not copied.
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap();

    // --- size and format ---------------------------------------------------
    bool Empty() const { return empty_; }
    int Width() const { return empty_ ? 0 : dib_.Width(); }
    int Height() const { return empty_ ? 0 : dib_.Height(); }
    /// Resizes the picture keeping the overlapping top-left area; new pixels
    /// are 0 (black, or colour-table index 0). An empty bitmap becomes a
    /// 24-bit picture. A size with a zero side makes the bitmap empty.
    /// Throws EDibImageInvalidDIBPara for negative sizes or above the pixel
    /// limit.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    int BitCount() const { return empty_ ? 0 : dib_.BitCount(); }
    TPixelFormat PixelFormat() const;
    /// Converts the pixels to `format` (TDibImage's conversions, "Low" colour
    /// reduction); no-op when unchanged or empty. Fires OnChange.
    void SetPixelFormat(TPixelFormat format);

    // --- pixels and palette -------------------------------------------------
    /// Display row y (0 = top), made unique first. Throws as TDibImage.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLineRead(int y) const;
    int RowBytes() const { return dib_.RowBytes(); }
    /// The RGB colour (00BBGGRR) at (x, y), palette looked up; throws
    /// EDibImagePixelPositionRange outside the picture.
    TColor PixelColor(int x, int y) const;
    /// The colour table; nullptr for 24-bit or empty pictures.
    HPALETTE Palette() const;
    /// Replaces the colour table of a palette picture (ignored for 24 bits).
    void SetPalette(const HPALETTE& palette);
    /// Drops the colour table of a 24-bit picture.
    void ReleasePalette();

    // --- sharing with TDibImage ---------------------------------------------
    /// Shares the image's storage (decoding RLE data on a private copy).
    void Assign(const TDibImage& source);
    /// Shares the other bitmap's storage (an empty source empties this one).
    void Assign(const TBitmap& source);
    /// Makes the bitmap empty; fires OnChange.
    void Clear();
    /// The target shares this bitmap's storage; its ConvertMode, MonoColor
    /// and HalftoneMode stay as they are. An empty bitmap gives the target a
    /// new default storage.
    void AssignTo(TDibImage& target) const;
    /// A TDibImage sharing this bitmap's storage.
    TDibImage ToDibImage() const;
    /// The storage, read-only (for drawing from it without unsharing).
    const TDibImage& Dib() const { return dib_; }

    // --- streams ----------------------------------------------------------------
    /// Writes the BMP file layout; an empty bitmap writes nothing.
    void SaveToStream(TStream& stream) const;
    /// Reads a BMP file at the stream's position; unchanged on failure.
    void LoadFromStream(TStream& stream);

    // --- change notification ---------------------------------------------------
    TBitmapCanvas& Canvas() { return canvas_; }
    /// The picture's modified flag. Setting it to true fires OnChange, as a
    /// change of the picture does; setting it to false only clears it.
    bool Modified() const { return modified_; }
    void SetModified(bool modified);
    /// Sets Modified and fires OnChange.
    void Changed();
    TNotifyEvent OnChange;

    /// Mutable access to the storage for the canvas; unshares it first.
    TDibImage& UniqueDib();

private:
    void Become(const TDibImage& source);

    TDibImage dib_;
    bool empty_ = true;
    bool modified_ = false;
    TBitmapCanvas canvas_{*this};
};

/// A grey ramp of `count` (1..256) colour-table entries from black to
/// white; the table a new palette picture gets.
std::vector<TRGBQuad> GreyColorTable(int count);

/// Reads a picture file into `bitmap` for secondary uses (thumbnails,
/// texture images) by the file's extension; never throws. Returns false
/// when there is no reader or reading failed; the bitmap is then unchanged.
bool LoadPictureFile(const std::filesystem::path& path, TBitmap& bitmap, bool gifMode);

}  // namespace zelvo
