#pragma once
// The bridge between TBitmap and QImage: the picture as Qt shows it, and
// Qt's images (screen grabs, other programs' clipboard images) as pictures.

#include <QImage>

#include "image/Types.h"
#include "platform/Bitmap.h"

namespace zelvo {

/// `rect` of the picture (clipped) as a QImage in Format_RGB888; a null
/// image when the bitmap is empty, the rectangle misses the picture or Qt
/// cannot allocate it.
QImage ToQImage(const TBitmap& bitmap, const TRect& rect);
/// The whole picture as a QImage in Format_RGB888 (null when empty).
QImage ToQImage(const TBitmap& bitmap);
/// Takes a QImage of any format into `bitmap`: indexed and grey images of
/// 1 to 8 bits keep their colour table, everything else becomes 24 bits
/// (alpha is dropped). A null image empties the bitmap. Throws
/// EOutOfResources when the conversion cannot be allocated; the bitmap is
/// then unchanged.
void AssignQImage(TBitmap& bitmap, const QImage& image);

}  // namespace zelvo
