// The document's neighbourhood filters: 3 x 3 convolutions, gaussian blur,
// rank filter and noise reduction.

#include <cmath>

#include "document/QxImage.h"
#include "effects/Blur.h"
#include "effects/Convolution.h"
#include "effects/EffectChecks.h"
#include "effects/RankFilter.h"

namespace zelvo {
namespace {

// Every filter here works on the selection, restores the picture's depth
// and writes a selection back without making the whole picture 24-bit.
constexpr bool kSelection = true;
constexpr bool kRestoreFormat = true;
constexpr bool kNoWriteBack24Bit = false;

}  // namespace

void TQxImage::Convolve3x3(const effects::TKernel3x3& kernel, std::uint8_t divisor, bool bias) {
    if (Empty() || Editing()) return;
    for (float k : kernel) {
        if (!std::isfinite(k)) throw EDibImageInvalidDIBPara(effects::kInvalidParameters, "kernel entry not finite");
    }
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::Convolve3x3(*WorkImage(), {kernel, divisor, bias}, ProgressCallback());
}

void TQxImage::Soft() {
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::Soft(*WorkImage(), {}, ProgressCallback());
}

void TQxImage::Sharpen(int level) {
    if (Empty() || Editing() || level == 0) return;
    effects::kSharpenLevel.Require(level, "sharpen level");
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::Sharpen(*WorkImage(), {std::uint8_t(level)}, ProgressCallback());
}

void TQxImage::Emboss(int level, bool colored, bool inverted) {
    if (Empty() || Editing()) return;
    effects::kEmbossLevel.Require(level, "emboss level");
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::Emboss(*WorkImage(), {std::uint8_t(level), colored, inverted}, ProgressCallback());
}

void TQxImage::HighPass(int level) {
    if (Empty() || Editing()) return;
    effects::kHighPassLevel.Require(level, "edge enhancement level");
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::HighPass(*WorkImage(), {std::uint8_t(level)}, ProgressCallback());
}

void TQxImage::EdgeDetection(int level) {
    if (Empty() || Editing()) return;
    effects::kEdgeDetectionLevel.Require(level, "edge extraction level");
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::EdgeDetection(*WorkImage(), {std::uint8_t(level)}, ProgressCallback());
}

void TQxImage::GaussianBlur(int passes) {
    if (Empty() || Editing() || passes == 0) return;
    effects::kGaussianBlurPasses.Require(passes, "gaussian blur level");
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::GaussianBlur(*WorkImage(), {std::uint8_t(passes)}, ProgressCallback());
}

void TQxImage::Median(int rank) {
    if (rank < 1 || rank > 9) return;
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::Median(*WorkImage(), {std::uint8_t(rank)}, ProgressCallback());
}

void TQxImage::NoiseReduction(int level, bool reportProgress) {
    if (Empty() || Editing()) return;
    effects::kNoiseReductionLevel.Require(level, "noise reduction level");
    TEditBracket edit(*this, kSelection, kRestoreFormat, kNoWriteBack24Bit);
    if (!edit) return;
    MakeWork24Bit();
    effects::NoiseReduction(*WorkImage(), {level, reportProgress}, ProgressCallback());
}

}  // namespace zelvo
