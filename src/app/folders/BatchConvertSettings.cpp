#include "app/folders/BatchConvertSettings.h"

#include <algorithm>

#include "library/BatchConvert.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "BatchConvert";

}  // namespace

TBatchConvertSettings ReadBatchConvertSettings(const TIniFile& ini, int inputTypeCount, bool gifMode,
                                               const std::string& programFolder) {
    const TBatchConvertSettings d;
    TBatchConvertSettings s;
    const std::size_t maxPath = TIniFile::kMaxStringLength;
    s.InDirectory = ini.ReadStringIn(kSection, "InDirectory", programFolder, maxPath);
    s.OutDirectory = ini.ReadStringIn(kSection, "OutDirectory", d.OutDirectory, maxPath);
    auto side = [&](const char* key, int def) { return ini.ReadIntegerIn(kSection, key, def, kBatchMinSide, kBatchMaxSide); };
    s.OutImageWidth = side("OutImageWidth", d.OutImageWidth);
    s.OutImageHeight = side("OutImageHeight", d.OutImageHeight);
    s.OutImageSizeX = side("OutImageSizeX", d.OutImageSizeX);
    s.OutImageSizeY = side("OutImageSizeY", d.OutImageSizeY);
    s.OutImageScale = ini.ReadIntegerIn(kSection, "OutImageScale", d.OutImageScale, kBatchMinScale, kBatchMaxScale);
    s.InImageType = ini.ReadIntegerIn(kSection, "InImageType", d.InImageType, 0, std::max(inputTypeCount, 1) - 1);
    s.OutImageType = ini.ReadIntegerIn(kSection, "OutImageType", d.OutImageType, 0,
                                       gifMode ? kBatchOutputTypeCount - 1 : kBatchOutputTypeCount - 2);
    s.ResampleType =
        ini.ReadIntegerIn(kSection, "ResampleType", d.ResampleType, 0, effects::kResampleFilterCount - 1);
    s.ResizeImage = ini.ReadBool(kSection, "ResizeImage", d.ResizeImage);
    s.ResampleImage = ini.ReadBool(kSection, "ResampleImage", d.ResampleImage);
    s.Progressive = ini.ReadBool(kSection, "Progressive", d.Progressive);
    s.ColorDefinition = ini.ReadBool(kSection, "ColorDefinition", d.ColorDefinition);
    s.ColorDefinitionType =
        ini.ReadIntegerIn(kSection, "ColorDefinitionType", d.ColorDefinitionType, 0, kBatchColorDepthCount - 1);
    s.ResizeType = ini.ReadIntegerIn(kSection, "ResizeType", d.ResizeType, 0, 3);
    return s;
}

void WriteBatchConvertSettings(TIniFile& ini, const TBatchConvertSettings& s) {
    ini.WriteString(kSection, "InDirectory", s.InDirectory);
    ini.WriteString(kSection, "OutDirectory", s.OutDirectory);
    ini.WriteInteger(kSection, "OutImageWidth", s.OutImageWidth);
    ini.WriteInteger(kSection, "OutImageHeight", s.OutImageHeight);
    ini.WriteInteger(kSection, "OutImageSizeX", s.OutImageSizeX);
    ini.WriteInteger(kSection, "OutImageSizeY", s.OutImageSizeY);
    ini.WriteInteger(kSection, "OutImageScale", s.OutImageScale);
    ini.WriteInteger(kSection, "InImageType", s.InImageType);
    ini.WriteInteger(kSection, "OutImageType", s.OutImageType);
    ini.WriteInteger(kSection, "ResampleType", s.ResampleType);
    ini.WriteBool(kSection, "ResizeImage", s.ResizeImage);
    ini.WriteBool(kSection, "ResampleImage", s.ResampleImage);
    ini.WriteBool(kSection, "Progressive", s.Progressive);
    ini.WriteBool(kSection, "ColorDefinition", s.ColorDefinition);
    ini.WriteInteger(kSection, "ColorDefinitionType", s.ColorDefinitionType);
    ini.WriteInteger(kSection, "ResizeType", s.ResizeType);
}

}  // namespace zelvo
