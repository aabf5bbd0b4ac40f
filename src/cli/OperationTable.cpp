#include "cli/OperationTable.h"

#include <algorithm>

#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Composition.h"
#include "effects/Distort.h"
#include "effects/Generated.h"
#include "effects/Geometry.h"
#include "effects/RankFilter.h"
#include "effects/TextBlock.h"
#include "effects/Tone.h"
#include "image/Text.h"

namespace zelvo::cli {

const std::vector<TOperation>& Operations() {
    static const std::vector<TOperation> table = {
        // History
        ZELVO_OP(Undo, Arg("count", "steps back, at most the undo count")),
        ZELVO_OP(Redo, Arg("count", "steps forward, at most the redo count")),
        ZELVO_OP(ClearUndo),
        ZELVO_OP(SaveUndo),

        // Tone and colour
        ZELVO_OP(Negative),
        ZELVO_OP(Grayscale),
        ZELVO_OP(Sepia),
        ZELVO_OP(SingleColorScale, ColourArg("color")),
        ZELVO_OP(Brightness, Arg(effects::kBrightnessDelta)),
        ZELVO_OP(Contrast, AnyArg(effects::kContrastLevel, "-100 grey, 0 unchanged, 100 double")),
        ZELVO_OP(AdjustRGB, Arg(effects::kAdjustRed), Arg(effects::kAdjustGreen), Arg(effects::kAdjustBlue)),
        ZELVO_OP(Posterize, AnyArg(effects::kPosterizeLevels, "below 2 changes nothing")),
        ZELVO_OP(Solarization, Arg(effects::kSolarizationThreshold, "255 changes nothing")),
        ZELVO_OP(Gamma, AnyArg(effects::kGamma, "changes pixels from 0.01 to 6.99, except 1")),
        ZELVO_OP(AdjustHSV, Arg(effects::kAdjustHue, -360, 360), Arg(effects::kAdjustSaturation),
                 Arg(effects::kAdjustValue)),
        ZELVO_OP(Monochrome, Arg(effects::kMonochromeThreshold, 0, 256), Arg("markAs1Bit"), Arg("reportProgress")),
        ZELVO_OP(SwapRGB),
        ZELVO_OP(XORConvert),
        ZELVO_OP(ColorDepth, Arg("depth", "24, 8, 4 or 1 bits; 99 two colours by halftone")),

        // Histogram
        ZELVO_OP(Equalize),
        ZELVO_OP(Normalize),

        // Composition
        ZELVO_OP(Merge, Arg("source"), Arg("kind", "0 blend, 1 lighter, 2 darker, 3 add, 4 subtract; above 4 nothing"),
                 AnyArg(effects::kMergeTransparency, "per cent of the picture kept by kind 0, limited to 0..100")),
        ZELVO_OP(MergePaste),
        ZELVO_OP(ApplyFloating),
        ZELVO_OP(CancelFloating),
        ZELVO_OP(Combine, Arg("other"), Arg("direction", "0 left, 1 right, 2 above, 3 below; others nothing"),
                 AnyArg(effects::kCombineOffset, "across the join: below 0 moves the picture, above 0 the other"),
                 AnyArg(effects::kCombineGap, "pixels between the two; below 0 they overlap")),

        // Generated pictures
        ZELVO_OP(NewImage, Arg(effects::kNewImageWidth, 1, 2147483647), Arg(effects::kNewImageHeight, 1, 2147483647), Arg("bitCount", "24, 8, 4 or 1"),
                 ColourArg("color")),
        ZELVO_OP(Gradation, ColourArg("color1"), ColourArg("color2"),
                 AnyArg(effects::kGradationOpacity, "per cent, above 100 counts as 100, 0 or less nothing"),
                 Arg("direction", "1 left to right, 2 right to left, 3 top to bottom, 4 bottom to top, "
                                  "5 top left to bottom right, 6 bottom right to top left, "
                                  "7 bottom left to top right, 8 top right to bottom left; others nothing")),
        ZELVO_OP(Texture, Arg("texture"), Arg(effects::kTextureLevel, "strength in per cent"), Arg("offsetY"), Arg("offsetX")),

        // Text: the glyphs come as a mask picture (black is ink) drawn by
        // another program, since zelvo-cli renders no fonts.
        ZELVO_OP(DrawTextMask, Arg("mask", "black pixels are the glyphs"), Arg("left", "of the box, may be negative"),
                 Arg("top", "of the box, may be negative"), ColourArg("textColor"), ColourArg("backColor"),
                 Arg("transparent", "1: no background box"), Arg(effects::kTextFrameWidth), ColourArg("frameColor"),
                 Arg(effects::kTextPadding), Arg(effects::kTextOpacity, 0, 100, "24-bit pictures only"),
                 Arg("antiAlias", "smooth the glyph edges; 24-bit pictures only")),

        // Neighbourhood filters
        ZELVO_OP(Convolve3x3, Arg("kernel", "nine numbers joined by ';', row by row from the top left"), Arg("divisor", "0 counts as 1"), Arg("bias", "1 adds 128")),
        ZELVO_OP(Soft),
        ZELVO_OP(Sharpen, Arg(effects::kSharpenLevel)),
        ZELVO_OP(Emboss, Arg(effects::kEmbossLevel), Arg("colored"), Arg("inverted")),
        ZELVO_OP(HighPass, Arg(effects::kHighPassLevel)),
        ZELVO_OP(EdgeDetection, Arg(effects::kEdgeDetectionLevel)),
        ZELVO_OP(GaussianBlur, Arg(effects::kGaussianBlurPasses)),
        ZELVO_OP(Median, Arg("rank", "1 minimum, 5 middle, 9 maximum; outside 1..9 nothing")),
        ZELVO_OP(NoiseReduction, Arg(effects::kNoiseReductionLevel), Arg("reportProgress")),

        // Distortion and artistic effects
        ZELVO_OP(Blur, Arg(effects::kBlurDistance)),
        ZELVO_OP(Button3D, Arg(effects::kButton3DWidth), Arg("sunken"), Arg("smooth"), Arg("strength", "limited to 1..5")),
        ZELVO_OP(Spray, Arg(effects::kSprayLevel)),
        ZELVO_OP(Noise, Arg(effects::kNoiseLevel), Arg("color")),
        ZELVO_OP(Wave, Arg(effects::kWavePeriodX), Arg(effects::kWavePeriodY), Arg("wrap"), Arg(effects::kWaveAmplitude)),
        ZELVO_OP(Block, AnyArg(effects::kBlockWidth, "below 2 does nothing"), AnyArg(effects::kBlockHeight, "below 2 does nothing"),
                 Arg("offset"), Arg("frame"), Arg("fill")),
        ZELVO_OP(Mosaic, Arg(effects::kMosaicSize)),
        ZELVO_OP(FadeOut, Arg("width", "2 to half the shorter side of the selection; 0 does nothing")),
        ZELVO_OP(GlassMosaic, Arg("mode", 0, 2, "0 both passes, 1 horizontal, 2 vertical"), Arg(effects::kGlassMosaicSize)),
        ZELVO_OP(Scetch),
        ZELVO_OP(OilPaint, Arg(effects::kOilPaintLevel)),
        ZELVO_OP(Vortex, Arg(effects::kVortexAngle, "0 does nothing")),
        ZELVO_OP(Explode, Arg(effects::kExplodeStrength, -100, 100, "punch below 0, pinch above; 0 refused")),
        ZELVO_OP(SpotLight, Arg("centerX", "a column of the picture"), Arg("centerY", "a row of the picture"),
                 Arg("fallOff", "outside 0..10 nothing"), Arg(effects::kSpotLightSize, "per cent")),
        ZELVO_OP(Blind, AnyArg(effects::kBlindWidth, "below 2 does nothing"), ColourArg("color"), Arg("offsetY", 0, 2147483647),
                 Arg("offsetX", 0, 2147483647), Arg("horizontal")),

        // Geometry
        ZELVO_OP(CropRect, AnyArg(effects::kCropX1, "first column"), AnyArg(effects::kCropY1, "first row"),
                 AnyArg(effects::kCropX2, "column after the last"), AnyArg(effects::kCropY2, "row after the last")),
        ZELVO_OP(Trim),
        ZELVO_OP(Rotate90, Arg("clockwise")),
        ZELVO_OP(RotateAngle, Arg("angleTenths", "tenths of a degree, clockwise"), Arg("enlarge")),
        ZELVO_OP(Mirror),
        ZELVO_OP(Flip),
        ZELVO_OP(ShiftImage, Arg("dx"), Arg("dy")),
        ZELVO_OP(AddMargins, AnyArg(effects::kMarginTop, "rows added above"), AnyArg(effects::kMarginBottom, "rows added below"),
                 ColourArg("color"), AnyArg(effects::kMarginRight, "columns added on the right"),
                 AnyArg(effects::kMarginLeft, "columns added on the left")),

        // Resampling
        ZELVO_OP(StretchResize, Arg("width"), Arg("height")),
        ZELVO_OP_AS(Resample, void (TQxImage::*)(effects::TResampleFilter, int, int), Arg("filter"), Arg("width"),
                    Arg("height")),
        ZELVO_OP_AS(Resample, void (TQxImage::*)(effects::TResampleFilter, int, int, float), Arg("filter"),
                    Arg("width"), Arg("height"), Arg("support", "kernel radius in source pixels, above 0")),

        // Clipboard: zelvo-cli keeps its own for the length of one command,
        // so a copy reaches a paste later in the same chain.
        ZELVO_OP(CopyToClipboard),
        ZELVO_OP(PasteFromClipboard),
        ZELVO_OP(CutToClipboard),
        ZELVO_OP(DeleteSelection),
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

namespace {

// Levenshtein distance with one row of the table; letters compared without case.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    const std::string x = AsciiLower(std::string(a)), y = AsciiLower(std::string(b));
    std::vector<std::size_t> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[y.size()];
}

}  // namespace

std::string ClosestOperationName(std::string_view name) {
    std::string best;
    std::size_t bestDistance = 0;
    for (const auto& row : Operations()) {
        const std::size_t d = EditDistance(name, row.Name);
        if (best.empty() || d < bestDistance) {
            best = row.Name;
            bestDistance = d;
        }
    }
    return best;
}

std::vector<std::string> OperationListing() {
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t width = 0;
    for (const auto& row : Operations()) {
        std::string call = row.Name;
        std::string what;
        for (std::size_t i = 0; i < row.Arguments.size(); ++i) {
            const TArgument& arg = row.Arguments[i];
            call += (i == 0 ? ":" : ",") + arg.Name;
            if (i > 0) what += "; ";
            what += arg.Name + ": " + arg.Type;
            if (!arg.Range.empty()) what += " " + arg.Range;
            if (!arg.Hint.empty()) what += " (" + arg.Hint + ")";
        }
        width = std::max(width, call.size());
        rows.emplace_back(std::move(call), std::move(what));
    }
    std::vector<std::string> lines;
    for (const auto& [call, what] : rows) {
        std::string line = call;
        if (!what.empty()) line += std::string(width - call.size() + 2, ' ') + what;
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace zelvo::cli
