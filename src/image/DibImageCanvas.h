#pragma once
// TDibImageCanvas: a drawing surface whose drawing lands directly in a
// TDibImage's pixels. Colours given to a palette picture take the nearest
// colour-table entry (least squared distance, lowest index on a tie).

#include "image/DibImage.h"

namespace zelvo {

class TDibImageCanvas {
public:
    /// Makes the image's storage unique and draws into it. Throws
    /// EDibImageCanvasFailed "TDibImageCanvas.Create: Cannot Create Canvas"
    /// when the image's memory is not mapped (UseFMO off) and
    /// EDibImageBadDIBType when the image is RLE-compressed.
    explicit TDibImageCanvas(TDibImage& image);
    /// Runs the image's UpdatePaletteModified and change notification.
    ~TDibImageCanvas();
    TDibImageCanvas(const TDibImageCanvas&) = delete;
    TDibImageCanvas& operator=(const TDibImageCanvas&) = delete;

    TDibImage& Image() { return image_; }

    /// Fills `rect` (clipped to the picture) with `color` (system colours
    /// resolved to RGB).
    void FillRect(const TRect& rect, TColor color);
    /// Copies `sourceRect` of `source` to `dest` (top-left) 1:1; pixels of
    /// either rectangle outside its picture are skipped.
    void CopyRect(TPoint dest, const TDibImage& source, const TRect& sourceRect);
    /// Stretches `sourceRect` of `source` onto `destRect` with the nearest
    /// pixel: destination column x takes source column
    /// sourceRect.Left + (x - destRect.Left) x sourceWidth div destWidth.
    void StretchRect(const TRect& destRect, const TDibImage& source, const TRect& sourceRect);
    /// Draws the whole of `source` into `rect` as TDibImage's Draw does:
    /// HalftoneMode 0 stretches it with the nearest pixel; 1 and 2 stretch
    /// it into a temporary picture of the rectangle's size, convert that to
    /// the colour or black-and-white halftone, and copy it.
    void Draw(const TRect& rect, TDibImage& source);

private:
    TDibImage& image_;
};

}  // namespace zelvo
