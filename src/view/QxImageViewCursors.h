#pragma once
// The view's own mouse cursors, drawn in code: number 1 "SPOIT" (the
// colour picker, a dropper whose tip is the hot spot), 2 "NEKO" (panning, a
// cat's paw, hot spot in the pad) and 3 "FONT" (placing text, a letter with
// a corner mark whose point is the hot spot).

#include <QCursor>
#include <QString>

#include "document/QxImage.h"

namespace zelvo {

/// The Qt cursor for a document cursor number: crSpoit, crNeko, crFont,
/// crHourGlass, crSizeAll, crNone (hidden); anything else is the arrow.
QCursor ViewCursor(int number);

}  // namespace zelvo
