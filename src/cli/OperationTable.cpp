#include "cli/OperationTable.h"

namespace zelvo::cli {

const std::vector<TOperation>& Operations() {
    static const std::vector<TOperation> table = {
        // History
        ZELVO_OP(Undo),
        ZELVO_OP(Redo),
        ZELVO_OP(ClearUndo),
        ZELVO_OP(SaveUndo),

        // Tone and colour
        ZELVO_OP(Negative),
        ZELVO_OP(Grayscale),
        ZELVO_OP(Sepia),
        ZELVO_OP(SingleColorScale),
        ZELVO_OP(Brightness),
        ZELVO_OP(Contrast),
        ZELVO_OP(AdjustRGB),
        ZELVO_OP(Posterize),
        ZELVO_OP(Solarization),
        ZELVO_OP(Gamma),
        ZELVO_OP(AdjustHSV),
        ZELVO_OP(Monochrome),
        ZELVO_OP(SwapRGB),
        ZELVO_OP(XORConvert),

        // Histogram
        ZELVO_OP(Equalize),

        // Neighbourhood filters
        ZELVO_OP(Convolve3x3),
        ZELVO_OP(Soft),
        ZELVO_OP(Sharpen),
        ZELVO_OP(Emboss),
        ZELVO_OP(HighPass),
        ZELVO_OP(EdgeDetection),
        ZELVO_OP(GaussianBlur),
        ZELVO_OP(Median),
        ZELVO_OP(NoiseReduction),

        // Distortion and artistic effects
        ZELVO_OP(Blur),
        ZELVO_OP(Button3D),
        ZELVO_OP(Spray),
        ZELVO_OP(Noise),
        ZELVO_OP(Wave),
        ZELVO_OP(Block),
        ZELVO_OP(Mosaic),
        ZELVO_OP(FadeOut),
        ZELVO_OP(GlassMosaic),
        ZELVO_OP(Scetch),
        ZELVO_OP(OilPaint),
        ZELVO_OP(Vortex),
        ZELVO_OP(Explode),
        ZELVO_OP(SpotLight),
        ZELVO_OP(Blind),

        // Geometry
        ZELVO_OP(CropRect),
        ZELVO_OP(Trim),
        ZELVO_OP(Rotate90),
        ZELVO_OP(RotateAngle),
        ZELVO_OP(Mirror),
        ZELVO_OP(Flip),
        ZELVO_OP(ShiftImage),
        ZELVO_OP(AddMargins),

        // Resampling
        ZELVO_OP(StretchResize),
        ZELVO_OP_AS(Resample, void (TQxImage::*)(effects::TResampleFilter, int, int)),
        ZELVO_OP_AS(Resample, void (TQxImage::*)(effects::TResampleFilter, int, int, float)),

        // Clipboard
    };
    return table;
}

const TOperation* FindOperation(std::string_view name) {
    for (const auto& row : Operations()) {
        if (row.Name == name) return &row;
    }
    return nullptr;
}

const TOperation* FindOperation(std::string_view name, int arity) {
    for (const auto& row : Operations()) {
        if (row.Name == name && row.Arity == arity) return &row;
    }
    return nullptr;
}

}  // namespace zelvo::cli
