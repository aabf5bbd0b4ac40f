#pragma once
// The effect types of the two shared effect dialogs. Each enumerator keeps
// the number the program gives the type (help texts and tests name the
// types by these numbers); the rows of EffectTypes.cpp say what each type
// does.

namespace zelvo {

/// Effect types of TZVfrmPreview, the dialog with a live thumbnail.
enum class TPreviewEffectType : int {
    Brightness = 2,
    Contrast = 3,
    Gamma = 4,
    RGB = 5,
    HSV = 6,
    Monochrome = 7,
    Rotate = 8,  ///< by an angle in tenths of a degree
    Posterize = 9,
    Solarization = 10,
    Emboss = 11,
    Sharpen = 12,
    ShiftImage = 13,  ///< the wrap-around shift (command mnuSlideImage)
    HighPass = 14,
    EdgeDetection = 15,
    Vortex = 16,
    Explode = 17,
    Implode = 18,
    SpotLight = 19,
};

/// Effect types of TZVfrmSlide, the one-slider dialog without preview.
enum class TSlideEffectType : int {
    Noise = 1,
    Spray = 2,
    Button3D = 3,
    Blur = 4,
    Mosaic = 5,
    JpegQuality = 6,  ///< a setting; the picture is not touched
    Wave = 7,
    GaussianBlur = 8,
    FadeOut = 9,
    NoiseReduction = 10,
    GlassMosaic = 11,
    OilPaint = 12,
};

/// The type's number, as the program shows and stores it.
constexpr int TypeNumber(TPreviewEffectType type) { return int(type); }
constexpr int TypeNumber(TSlideEffectType type) { return int(type); }

}  // namespace zelvo
