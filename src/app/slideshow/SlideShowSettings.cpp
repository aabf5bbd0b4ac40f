#include "app/slideshow/SlideShowSettings.h"

#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {

namespace {
constexpr const char* kSection = "SlideShow";
/// Longer folder names than this read as the default.
constexpr std::size_t kMaxFolderLength = TIniFile::kMaxStringLength;

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(StringKey("InDirectory", s.InDirectory, kMaxFolderLength));
    visit(IntKey("InImageType", s.InImageType, 0, 9999));
    visit(IntKey("SortType", s.SortType, 0, 3));
    visit(BoolKey("AutoSlide", s.AutoSlide));
    visit(IntKey("Interval", s.Interval, kMinSlideInterval, kMaxSlideInterval));
    visit(BoolKey("Loop", s.Loop));
    visit(BoolKey("Descending", s.Descending));
    visit(BoolKey("FitWhenBigImage", s.FitWhenBigImage));
    visit(BoolKey("RecoverZoom", s.RecoverZoom));
    visit(BoolKey("FullScreen", s.FullScreen));
    visit(BoolKey("ShowFileName", s.ShowFileName));
    visit(BoolKey("HideCursor", s.HideCursor));
}

}  // namespace

TSlideShowSettings ReadSlideShowSettings(const TIniFile& ini, const std::string& programFolder) {
    TSlideShowSettings s;
    s.InDirectory = programFolder;
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteSlideShowSettings(const TSlideShowSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

}  // namespace zelvo
