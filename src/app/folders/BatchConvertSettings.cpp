#include "app/folders/BatchConvertSettings.h"

#include <algorithm>

#include "library/BatchConvert.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "BatchConvert";

// `inputTypeCount` and `gifMode` set the ranges of the two type indices.
template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit, int inputTypeCount, bool gifMode) {
    visit(StringKey("InDirectory", s.InDirectory));
    visit(StringKey("OutDirectory", s.OutDirectory));
    visit(IntKey("OutImageWidth", s.OutImageWidth, kBatchMinSide, kBatchMaxSide));
    visit(IntKey("OutImageHeight", s.OutImageHeight, kBatchMinSide, kBatchMaxSide));
    visit(IntKey("OutImageSizeX", s.OutImageSizeX, kBatchMinSide, kBatchMaxSide));
    visit(IntKey("OutImageSizeY", s.OutImageSizeY, kBatchMinSide, kBatchMaxSide));
    visit(IntKey("OutImageScale", s.OutImageScale, kBatchMinScale, kBatchMaxScale));
    visit(IntKey("InImageType", s.InImageType, 0, std::max(inputTypeCount, 1) - 1));
    visit(IntKey("OutImageType", s.OutImageType, 0, gifMode ? kBatchOutputTypeCount - 1 : kBatchOutputTypeCount - 2));
    visit(IntKey("ResampleType", s.ResampleType, 0, effects::kResampleFilterCount - 1));
    visit(BoolKey("ResizeImage", s.ResizeImage));
    visit(BoolKey("ResampleImage", s.ResampleImage));
    visit(BoolKey("Progressive", s.Progressive));
    visit(BoolKey("ColorDefinition", s.ColorDefinition));
    visit(IntKey("ColorDefinitionType", s.ColorDefinitionType, 0, kBatchColorDepthCount - 1));
    visit(IntKey("ResizeType", s.ResizeType, 0, 3));
}

}  // namespace

TBatchConvertSettings ReadBatchConvertSettings(const TIniFile& ini, int inputTypeCount, bool gifMode,
                                               const std::string& programFolder) {
    TBatchConvertSettings s;
    s.InDirectory = programFolder;
    EachKey(s, TKeyReader(ini, kSection), inputTypeCount, gifMode);
    return s;
}

void WriteBatchConvertSettings(const TBatchConvertSettings& s, TIniFile& ini) {
    // The limits only narrow what a read keeps: any will do for writing.
    EachKey(s, TKeyWriter(ini, kSection), 1, true);
}

}  // namespace zelvo
