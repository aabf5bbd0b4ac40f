#include "document/QxImage.h"
#include "effects/Tone.h"

namespace zelvo {
namespace {

// Scope arguments of BeginEdit.
constexpr bool kSelection = true;
constexpr bool kWhole = false;

}  // namespace

void TQxImage::Negative() {
    if (Empty() || Editing()) return;
    if (HasSelection()) {
        Solarization(0);
        return;
    }
    // The whole picture keeps its pixel format, so it goes round the
    // bracket: one snapshot, then the inversion in place.
    BeginUndoStep();
    TDibImage image = Bitmap().ToDibImage();
    // The inversion runs on its own copy while the snapshot is written.
    try {
        effects::Negative(image);
    } catch (const std::exception&) {
        SettleUndoStepQuietly();
        throw;
    }
    SettleUndoStep();
    Bitmap().Assign(image);  // marks the picture modified and repaints
}

void TQxImage::Grayscale() {
    TEditBracket edit(*this, kSelection, /*restoreFormat=*/true, /*writeBack24Bit=*/true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Grayscale(*WorkImage(), {}, ProgressCallback());
}

void TQxImage::Sepia() {
    TEditBracket edit(*this, kSelection, true, true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Sepia(*WorkImage(), {}, ProgressCallback());
}

void TQxImage::SingleColorScale(TColor color) {
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::SingleColorScale(*WorkImage(), {color}, ProgressCallback());
}

void TQxImage::Brightness(std::int16_t delta) {
    TEditBracket edit(*this, kWhole, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Brightness(*WorkImage(), {delta}, ProgressCallback());
}

void TQxImage::Contrast(std::int8_t level) {
    TEditBracket edit(*this, kWhole, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Contrast(*WorkImage(), {level}, ProgressCallback());
}

void TQxImage::AdjustRGB(std::int16_t red, std::int16_t green, std::int16_t blue) {
    TEditBracket edit(*this, kWhole, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::AdjustRGB(*WorkImage(), {red, green, blue}, ProgressCallback());
}

void TQxImage::Posterize(std::uint8_t levels) {
    if (levels < 2) return;
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::Posterize(*WorkImage(), {levels}, ProgressCallback());
}

void TQxImage::Solarization(std::uint8_t threshold) {
    if (threshold == 255) return;
    TEditBracket edit(*this, kSelection, true, true);
    if (!edit) return;
    MakeWork24Bit();
    effects::Solarization(*WorkImage(), {threshold}, ProgressCallback());
}

void TQxImage::Gamma(double gamma) {
    if (gamma == 1.0) return;
    TEditBracket edit(*this, kWhole, true, false);
    if (!edit) return;
    MakeWork24Bit();
    // Out of range the bracket still closes as one undo step, unchanged.
    effects::Gamma(*WorkImage(), {gamma});
}

void TQxImage::AdjustHSV(std::int16_t hue, std::int8_t saturation, std::int8_t value) {
    TEditBracket edit(*this, kWhole, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::AdjustHSV(*WorkImage(), {hue, saturation, value}, ProgressCallback());
}

void TQxImage::Monochrome(int threshold, bool markAs1Bit, bool reportProgress) {
    TEditBracket edit(*this, kWhole, true, false);
    if (!edit) return;
    MakeWork24Bit();
    // Closing the bracket then reduces the black-and-white result to 1 bit.
    if (markAs1Bit) SetSavedPixelFormat(dibPf1Bit);
    effects::Monochrome(*WorkImage(), {threshold, markAs1Bit, reportProgress}, ProgressCallback());
}

void TQxImage::SwapRGB() {
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::SwapRGB(*WorkImage(), {}, ProgressCallback());
}

void TQxImage::XORConvert() {
    TEditBracket edit(*this, kSelection, true, false);
    if (!edit) return;
    MakeWork24Bit();
    effects::XORConvert(*WorkImage(), {}, ProgressCallback());
}

}  // namespace zelvo
