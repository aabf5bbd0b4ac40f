#include "app/thumbnails/ThumbNailSettings.h"

#include "library/Thumbnails.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {

namespace {
constexpr const char* kSection = "ThumbNail";
constexpr int kMaxCoordinate = 32767;

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(IntKey("Left", s.Left, -kMaxCoordinate, kMaxCoordinate));
    visit(IntKey("Top", s.Top, -kMaxCoordinate, kMaxCoordinate));
    visit(IntKey("Width", s.Width, 1, kMaxCoordinate));
    visit(IntKey("Height", s.Height, 1, kMaxCoordinate));
    visit(StringKey("Directory", s.Directory));
    visit(ByteKey("ThumbSize", s.ThumbSize, kMinThumbSize, kMaxThumbSize));
    visit(BoolKey("StayOnTop", s.StayOnTop));
    visit(ColorKey("BackgroundColor", s.BackgroundColor));
}

}  // namespace

TThumbNailSettings ReadThumbNailSettings(const TIniFile& ini, const std::string& programFolder) {
    TThumbNailSettings s;
    s.Directory = programFolder;
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteThumbNailSettings(const TThumbNailSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

}  // namespace zelvo
