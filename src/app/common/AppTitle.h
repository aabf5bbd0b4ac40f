#pragma once
// The application title: the caption of the main window without a file and
// of every message box.

#include <QString>

namespace zelvo {

inline QString ApplicationTitle() { return QStringLiteral("Zelvo"); }

}  // namespace zelvo
