#pragma once
// The X root window's background as the wallpaper of a desktop that has no
// wallpaper setting of its own: the picture goes into a pixmap that stays
// after the program ends (its connection's resources are retained), the
// root window shows it, and _XROOTPMAP_ID / ESETROOT_PMAP_ID name it for
// programs with pseudo-transparency. A later change frees the pixmap this
// way set before.

#include "image/DibImage.h"

namespace zelvo {

/// Shows `picture` as the root window's background, tiled (the picture's
/// size, repeated by the server) or centred on black (the screen's size;
/// a larger picture is cut evenly on each side). False, changing nothing,
/// without an X display or when its root window is not 24-bit true colour
/// at 32 bits per pixel.
bool SetRootBackground(const TDibImage& picture, bool tile);
/// Back to a plain black root window: the properties are deleted and the
/// pixmap set before is freed. False without an X display.
bool ClearRootBackground();

}  // namespace zelvo
