#pragma once
// Resizing: a nearest-pixel stretch that keeps the pixel format, and a
// filtered resampling in two passes (horizontal, then vertical) with one of
// seven reconstruction filters, computed in single precision.
//
// Resampling scale: (DW - 1) / (SW - 1), or DW / SW when a side is 1 pixel.
// Taps that fall outside the source are mirrored back into it (-j before the
// first pixel, 2 SW - j - 1 after the last), repeatedly when a filter reaches
// further than the picture is wide. Weights are not normalised, so a flat
// area can come out one level lighter or darker with some filters; only the
// Box filter's lists are divided by their sum (see BuildContributors). Sums are
// limited to 0..255 and rounded to the nearest integer, halves to even,
// after each pass.

#include <optional>
#include <string_view>
#include <vector>

#include "effects/Geometry.h"
#include "effects/Progress.h"
#include "image/DibImage.h"

namespace zelvo::effects {

/// The filters, numbered as the resize dialog lists them.
enum TResampleFilter : int {
    rfBox = 0,
    rfHermite = 1,
    rfTriangle = 2,
    rfBell = 3,
    rfMitchell = 4,
    rfBSpline = 5,
    rfLanczos3 = 6,
};
inline constexpr int kResampleFilterCount = 7;
/// The filter the program uses when none was chosen yet.
inline constexpr TResampleFilter kDefaultResampleFilter = rfLanczos3;

/// The kernels w(x); each is zero outside its support.
float BoxFilter(float x);       ///< 1 for -0.5 < x <= 0.5; support 0.5
float HermiteFilter(float x);   ///< (2a - 3) a^2 + 1 for a < 1; support 1
float TriangleFilter(float x);  ///< 1 - a for a < 1; support 1
float BellFilter(float x);      ///< 0.75 - a^2 (a < 0.5), 0.5 (a - 1.5)^2 (a < 1.5)
float MitchellFilter(float x);  ///< Mitchell-Netravali, B = C = 1/3; support 2
float BSplineFilter(float x);   ///< cubic B-spline; support 2
float Lanczos3Filter(float x);  ///< SinC(x) SinC(x / 3) for a < 3; support 3
/// sin(pi x) / (pi x), 1 at 0.
float SinC(float x);

/// A filter's name ("Box", ..., "Lanczos3"), kernel and support radius.
struct TFilterInfo {
    const char* Name;
    float (*Kernel)(float);
    float Support;
};
/// The row of the filter table; throws EDibImageInvalidDIBPara
/// "TDibImageData.CreateDIB: Invalid Parameters" for a value outside 0..6.
const TFilterInfo& FilterInfo(TResampleFilter filter);
/// The filter of the given name (case-insensitive), or nothing.
std::optional<TResampleFilter> FilterFromName(std::string_view name);

/// The taps of every destination column (or row): Pixel is a source index
/// inside 0..source size - 1, Weight the filter weight. The taps of
/// destination i are Taps[Start[i] .. Start[i + 1]).
struct TContributors {
    struct Tap {
        int Pixel;
        float Weight;
    };
    std::vector<int> Start;  ///< destination size + 1 entries
    std::vector<Tap> Taps;
};

/// Builds the contributor lists for resampling `sourceSize` pixels to
/// `destSize` with `kernel` of radius `support`: magnifying (scale >= 1)
/// centre = i / scale, taps Floor(centre - support) .. Ceil(centre + support)
/// of weight kernel(centre - j); minifying, the radius is support / scale
/// and the weight kernel((centre - j) scale) scale. Taps of weight exactly
/// 0 are left out. With BoxFilter each list's weights are divided by their
/// single-precision sum (added in list order), so that a minifying box
/// averages the pixels it catches even where it catches one more than
/// usual.
TContributors BuildContributors(int destSize, int sourceSize, float (*kernel)(float), float support);

/// The scale of one axis: (dest - 1) / (source - 1), or dest / source when
/// either size is 1.
float ResampleScale(int destSize, int sourceSize);

/// Filtered resize of `source` (any depth; expanded to 24 bits on a private
/// copy) to width x height, returning a 24-bit picture. Progress after each
/// source row of the horizontal pass, ((row + 1) x 100 div SH) div 2, and
/// after each destination column of the vertical pass,
/// 50 + ((column + 1) x 100 div DW) div 2. Throws EDibImageInvalidDIBPara
/// "TDibImageData.CreateDIB: Invalid Parameters" for a size below 1, above
/// the pixel limit, or a support that is not positive and finite, before
/// any work is done.
TDibImage Resample(const TDibImage& source, TResampleFilter filter, int width, int height, float support,
                   const ProgressFn& progress);
/// As above with the filter's own support.
TDibImage Resample(const TDibImage& source, TResampleFilter filter, int width, int height,
                   const ProgressFn& progress);

/// Lets Resample use the processor's AVX2 instructions where it has them
/// (the default) or keeps it to the portable form. Both give the same bytes:
/// the same single-precision products and sums in the same order, with no
/// fused multiply-add. Returns the previous setting. For tests and
/// benchmarks that compare the two forms.
bool SetResampleAvx2(bool enabled);

/// Nearest-pixel resize keeping the pixel format (RLE sources decoded) and
/// colour table: destination column x takes source column x x SW div DW,
/// row y source row y x SH div DH. Throws EDibImageInvalidDIBPara
/// "TDibImageData.CreateDIB: Invalid Parameters" for a size below 1 or
/// above the pixel limit.
TDibImage StretchResize(const TDibImage& source, int width, int height);

}  // namespace zelvo::effects
