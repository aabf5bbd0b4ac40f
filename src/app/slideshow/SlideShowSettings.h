#pragma once
// Section "SlideShow" of the settings file: the slide-show dialog's folder,
// picture type, order and options. Every value with a range is read through
// the range-checked reads, so a value out of range reads as its default.

#include <string>

namespace zelvo {

class TIniFile;

/// The automatic advance interval in seconds.
inline constexpr int kMinSlideInterval = 1;
inline constexpr int kMaxSlideInterval = 999;

struct TSlideShowSettings {
    std::string InDirectory;  ///< default: the program folder
    int InImageType = 0;      ///< index into the open dialog's filter entries
    int SortType = 0;         ///< 0 name, 1 type, 2 time, 3 random
    bool AutoSlide = true;
    int Interval = 3;  ///< seconds, 1..999
    bool Loop = false;
    bool Descending = false;
    bool FitWhenBigImage = true;
    bool RecoverZoom = true;
    bool FullScreen = true;
    bool ShowFileName = true;
    bool HideCursor = false;
};

/// Reads the section; `programFolder` is the default folder. InImageType
/// is only checked against 0..9999 here: the dialog knows how many entries
/// there are.
TSlideShowSettings ReadSlideShowSettings(const TIniFile& ini, const std::string& programFolder);
void WriteSlideShowSettings(const TSlideShowSettings& settings, TIniFile& ini);

}  // namespace zelvo
