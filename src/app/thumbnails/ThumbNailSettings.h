#pragma once
// Section "ThumbNail" of the settings file: the thumbnail browser's place
// and size, its folder, the thumbnail size and the stay-on-top flag, plus
// the colour behind the thumbnails. The browser's toolbar keeps its layout
// in the toolbar section "tbThumbNail".

#include <string>

#include "image/Types.h"

namespace zelvo {

class TIniFile;

struct TThumbNailSettings {
    int Left = 0;
    int Top = 0;
    int Width = 120;
    int Height = 400;
    std::string Directory;  ///< default: the program folder
    int ThumbSize = 64;     ///< pixels, kMinThumbSize..kMaxThumbSize
    bool StayOnTop = true;
    TColor BackgroundColor = clWindow;  ///< behind the thumbnails
};

/// Reads the section; a size outside 1..32767 or a thumbnail size outside
/// its range reads as the default.
TThumbNailSettings ReadThumbNailSettings(const TIniFile& ini, const std::string& programFolder);
void WriteThumbNailSettings(const TThumbNailSettings& settings, TIniFile& ini);

}  // namespace zelvo
