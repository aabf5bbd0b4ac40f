#include "app/slideshow/SlideShowSettings.h"

#include "platform/IniFile.h"

namespace zelvo {

namespace {
constexpr const char* kSection = "SlideShow";
/// Longer folder names than this read as the default.
constexpr std::size_t kMaxFolderLength = TIniFile::kMaxStringLength;
}  // namespace

TSlideShowSettings ReadSlideShowSettings(const TIniFile& ini, const std::string& programFolder) {
    TSlideShowSettings s;
    s.InDirectory = ini.ReadStringIn(kSection, "InDirectory", programFolder, kMaxFolderLength);
    s.InImageType = ini.ReadIntegerIn(kSection, "InImageType", 0, 0, 9999);
    s.SortType = ini.ReadIntegerIn(kSection, "SortType", 0, 0, 3);
    s.AutoSlide = ini.ReadBool(kSection, "AutoSlide", true);
    s.Interval = ini.ReadIntegerIn(kSection, "Interval", 3, kMinSlideInterval, kMaxSlideInterval);
    s.Loop = ini.ReadBool(kSection, "Loop", false);
    s.Descending = ini.ReadBool(kSection, "Descending", false);
    s.FitWhenBigImage = ini.ReadBool(kSection, "FitWhenBigImage", true);
    s.RecoverZoom = ini.ReadBool(kSection, "RecoverZoom", true);
    s.FullScreen = ini.ReadBool(kSection, "FullScreen", true);
    s.ShowFileName = ini.ReadBool(kSection, "ShowFileName", true);
    s.HideCursor = ini.ReadBool(kSection, "HideCursor", false);
    return s;
}

void WriteSlideShowSettings(const TSlideShowSettings& s, TIniFile& ini) {
    ini.WriteString(kSection, "InDirectory", s.InDirectory);
    ini.WriteInteger(kSection, "InImageType", s.InImageType);
    ini.WriteInteger(kSection, "SortType", s.SortType);
    ini.WriteBool(kSection, "AutoSlide", s.AutoSlide);
    ini.WriteInteger(kSection, "Interval", s.Interval);
    ini.WriteBool(kSection, "Loop", s.Loop);
    ini.WriteBool(kSection, "Descending", s.Descending);
    ini.WriteBool(kSection, "FitWhenBigImage", s.FitWhenBigImage);
    ini.WriteBool(kSection, "RecoverZoom", s.RecoverZoom);
    ini.WriteBool(kSection, "FullScreen", s.FullScreen);
    ini.WriteBool(kSection, "ShowFileName", s.ShowFileName);
    ini.WriteBool(kSection, "HideCursor", s.HideCursor);
}

}  // namespace zelvo
