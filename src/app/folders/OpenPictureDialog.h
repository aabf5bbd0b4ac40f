#pragma once
// The picture-open dialog: every place that lets the user pick a picture
// to open (File > Open, the merge source, ...) goes through here.

#include <QString>

namespace zelvo {

class TZVfrmMain;

/// Shows the open dialog over `form` in its last folder with the open
/// filter of the format table; returns the chosen file, or an empty string
/// when the user cancelled. `caption` replaces the dialog's title when set.
QString RunOpenPictureDialog(TZVfrmMain& form, const QString& caption = {});

}  // namespace zelvo
