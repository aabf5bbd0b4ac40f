#pragma once
// The batch dialog's remembered values: section "BatchConvert" of the
// settings file. Every value is checked against its range when read; a
// value outside it (or malformed, or missing) reads as the default.

#include <string>

namespace zelvo {

class TIniFile;

struct TBatchConvertSettings {
    std::string InDirectory;   ///< default: the program folder
    std::string OutDirectory;  ///< default: empty
    int OutImageWidth = 200;   ///< 1..99999
    int OutImageHeight = 200;  ///< 1..99999
    int OutImageSizeX = 200;   ///< 1..99999
    int OutImageSizeY = 200;   ///< 1..99999
    int OutImageScale = 50;    ///< percent, 10..1000
    int InImageType = 0;       ///< index of the input-type list
    int OutImageType = 0;      ///< 0..2, 0..3 in GIF mode
    int ResampleType = 6;      ///< filter index 0..6
    bool ResizeImage = false;
    bool ResampleImage = false;
    bool Progressive = false;
    bool ColorDefinition = false;
    int ColorDefinitionType = 0;  ///< 0..4
    int ResizeType = 0;           ///< 0..3
};

/// Reads the section. `inputTypeCount` is the number of input types the
/// dialog offers (an index beyond them reads as 0); without `gifMode` the
/// GIF output type reads as the default. `programFolder` is the default
/// input folder.
TBatchConvertSettings ReadBatchConvertSettings(const TIniFile& ini, int inputTypeCount, bool gifMode,
                                               const std::string& programFolder);
/// Writes every key of the section.
void WriteBatchConvertSettings(const TBatchConvertSettings& settings, TIniFile& ini);

}  // namespace zelvo
