#include "app/thumbnails/ThumbNailSettings.h"

#include "library/Thumbnails.h"
#include "platform/IniFile.h"

namespace zelvo {

namespace {
constexpr const char* kSection = "ThumbNail";
constexpr int kMaxCoordinate = 32767;
}  // namespace

TThumbNailSettings ReadThumbNailSettings(const TIniFile& ini, const std::string& programFolder) {
    TThumbNailSettings s;
    s.Left = ini.ReadIntegerIn(kSection, "Left", s.Left, -kMaxCoordinate, kMaxCoordinate);
    s.Top = ini.ReadIntegerIn(kSection, "Top", s.Top, -kMaxCoordinate, kMaxCoordinate);
    s.Width = ini.ReadIntegerIn(kSection, "Width", s.Width, 1, kMaxCoordinate);
    s.Height = ini.ReadIntegerIn(kSection, "Height", s.Height, 1, kMaxCoordinate);
    s.Directory = ini.ReadStringIn(kSection, "Directory", programFolder, TIniFile::kMaxStringLength);
    s.ThumbSize = ini.ReadByteIn(kSection, "ThumbSize", std::uint8_t(kDefaultThumbSize), kMinThumbSize, kMaxThumbSize);
    s.StayOnTop = ini.ReadBool(kSection, "StayOnTop", true);
    s.BackgroundColor = ini.ReadColor(kSection, "BackgroundColor", clWindow);
    return s;
}

void WriteThumbNailSettings(const TThumbNailSettings& s, TIniFile& ini) {
    ini.WriteInteger(kSection, "Left", s.Left);
    ini.WriteInteger(kSection, "Top", s.Top);
    ini.WriteInteger(kSection, "Width", s.Width);
    ini.WriteInteger(kSection, "Height", s.Height);
    ini.WriteString(kSection, "Directory", s.Directory);
    ini.WriteInteger(kSection, "ThumbSize", s.ThumbSize);
    ini.WriteBool(kSection, "StayOnTop", s.StayOnTop);
    ini.WriteColor(kSection, "BackgroundColor", s.BackgroundColor);
}

}  // namespace zelvo
