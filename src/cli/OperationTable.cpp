#include "cli/OperationTable.h"

#include <algorithm>

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
        ZELVO_OP(Brightness, Arg("delta", -255, 255)),
        ZELVO_OP(Contrast, Arg("level", "-100 grey, 0 unchanged, 100 double")),
        ZELVO_OP(AdjustRGB, Arg("red", -255, 255), Arg("green", -255, 255), Arg("blue", -255, 255)),
        ZELVO_OP(Posterize, Arg("levels", "below 2 changes nothing")),
        ZELVO_OP(Solarization, Arg("threshold", "255 changes nothing")),
        ZELVO_OP(Gamma, Arg("gamma", "changes pixels from 0.01 to 6.99, except 1")),
        ZELVO_OP(AdjustHSV, Arg("hue", -360, 360), Arg("saturation", -100, 100), Arg("value", -100, 100)),
        ZELVO_OP(Monochrome, Arg("threshold", 0, 256), Arg("markAs1Bit"), Arg("reportProgress")),
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
        ZELVO_OP(CropRect, Arg("x1"), Arg("y1"), Arg("x2"), Arg("y2")),
        ZELVO_OP(Trim),
        ZELVO_OP(Rotate90, Arg("clockwise")),
        ZELVO_OP(RotateAngle, Arg("angleTenths", "tenths of a degree, clockwise"), Arg("enlarge")),
        ZELVO_OP(Mirror),
        ZELVO_OP(Flip),
        ZELVO_OP(ShiftImage, Arg("dx"), Arg("dy")),
        ZELVO_OP(AddMargins, Arg("top"), Arg("bottom"), ColourArg("color"), Arg("right"), Arg("left")),

        // Resampling
        ZELVO_OP(StretchResize, Arg("width"), Arg("height")),
        ZELVO_OP_AS(Resample, void (TQxImage::*)(effects::TResampleFilter, int, int), Arg("filter"), Arg("width"),
                    Arg("height")),
        ZELVO_OP_AS(Resample, void (TQxImage::*)(effects::TResampleFilter, int, int, float), Arg("filter"),
                    Arg("width"), Arg("height"), Arg("support", "kernel radius in source pixels, above 0")),

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
