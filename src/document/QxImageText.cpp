// The document's text tool: text mode, the overlay the text-insertion
// window sets, and drawing it into the picture.

#include <algorithm>
#include <new>

#include "document/QxImage.h"
#include "effects/EffectChecks.h"
#include "effects/TextBlock.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

// The drawing of an overlay: smoothing and opacity only on 24-bit pictures.
effects::TextBlockParams BlockParams(const TTextOverlay& text, bool picture24) {
    effects::TextBlockParams params;
    params.Left = text.Pos.X;
    params.Top = text.Pos.Y;
    params.TextColor = text.Font.Color;
    params.BackColor = text.BackColor;
    params.Transparent = text.Transparent;
    params.FrameWidth = text.FrameWidth;
    params.FrameColor = text.FrameColor;
    params.Padding = text.Padding;
    params.Opacity = picture24 ? text.Opacity : 100;
    params.AntiAlias = picture24 && text.AntiAlias;
    return params;
}

}  // namespace

void LayOutText(TTextOverlay& overlay, const TTextRenderer& renderer) {
    overlay.Mask = TDibImage();
    overlay.HasMask = false;
    overlay.LineHeight = renderer.LineHeight(overlay.Font);
    int widest = 0;
    for (const std::string& line : overlay.Lines) widest = std::max(widest, renderer.TextWidth(overlay.Font, line));
    const int lineCount = int(std::min<std::size_t>(overlay.Lines.size(), 0x7FFFFFFF));
    const std::int64_t across = std::int64_t(lineCount) * overlay.LineHeight;
    const int extent = int(std::min<std::int64_t>(across, 0x7FFFFFFF));
    overlay.BlockWidth = overlay.Vertical ? extent : widest;
    overlay.BlockHeight = overlay.Vertical ? widest : extent;
    if (overlay.BlockWidth <= 0 || overlay.BlockHeight <= 0) return;

    TDibImage mask = NewTextMask(overlay.BlockWidth, overlay.BlockHeight);
    const int lh = overlay.LineHeight;
    for (int i = 0; i < lineCount; ++i) {
        const std::string& line = overlay.Lines[std::size_t(i)];
        if (line.empty()) continue;
        if (overlay.Vertical) {
            // The last line's column starts at the left edge; each earlier
            // line one column further right, so the first reads first.
            const int column = (lineCount - i) * lh;
            renderer.DrawLine(mask, overlay.Font, column, 0, line, true);
        } else {
            renderer.DrawLine(mask, overlay.Font, 0, i * lh, line, false);
        }
    }
    overlay.Mask = mask;
    overlay.HasMask = true;
}

void TQxImage::BeginTextMode() {
    FText.Pos = ScrollPos();
    FTextMode = true;
    SetSavedCursor(crFont);
    SetCursor(crFont);
}

void TQxImage::SetTextOverlay(TPoint pos, const std::vector<std::string>& lines, int opacity, bool antiAlias,
                              int padding, TColor frameColor, int frameWidth, bool vertical, TColor backColor,
                              bool transparent, const TTextFont& font) {
    FText.Pos = pos;
    FText.Lines = lines;
    FText.Opacity = std::clamp(opacity, 0, 100);
    FText.AntiAlias = antiAlias;
    FText.Padding = std::clamp(padding, 0, 99);
    FText.FrameColor = frameColor;
    FText.FrameWidth = std::clamp(frameWidth, 0, 99);
    FText.Vertical = vertical;
    FText.BackColor = backColor;
    FText.Transparent = transparent;
    FText.Font = font;
    FText.LineHeight = FText.BlockWidth = FText.BlockHeight = 0;
    FText.Mask = TDibImage();
    FText.HasMask = false;
    if (const TTextRenderer* renderer = InstalledTextRenderer()) {
        try {
            LayOutText(FText, *renderer);
        } catch (const EDibImageInvalidDIBPara&) {
            // A block larger than any picture may be: shown and drawn as
            // nothing, as an empty text is.
            FText.HasMask = false;
        } catch (const std::bad_alloc&) {
            FText.HasMask = false;
        }
    }
    FTextShown = true;
    Invalidate();
}

void TQxImage::ClearTextOverlay() {
    FTextShown = false;
    FText.Mask = TDibImage();
    FText.HasMask = false;
    Invalidate();
}

void TQxImage::EndTextMode() {
    ClearTextOverlay();
    FTextMode = false;
    SetSavedCursor(crDefault);
    SetCursor(crDefault);
}

void TQxImage::SetTextPos(TPoint pos) {
    if (pos == FText.Pos) return;
    FText.Pos = pos;
    Invalidate();
}

TRect TQxImage::TextBlockRect() const {
    const int inset = TextInset(FText);
    return Bounds(FText.Pos.X, FText.Pos.Y, FText.BlockWidth + 2 * inset, FText.BlockHeight + 2 * inset);
}

TRect TQxImage::TextHitBox() const {
    const int k = FText.FrameWidth * 5 / 2 + 2 * FText.Padding;
    return Rect(FText.Pos.X, FText.Pos.Y, FText.Pos.X + FText.BlockWidth + k - 1,
                FText.Pos.Y + FText.BlockHeight + k - 1);
}

bool TQxImage::ApplyText() {
    if (!FTextShown || !FText.HasMask || Empty()) return false;
    if (Editing()) {
        ClearTextOverlay();
        return false;
    }
    const bool picture24 = BitCount() == 24;
    // The mask and the settings are taken before the overlay goes.
    const TDibImage mask = FText.Mask;
    const effects::TextBlockParams params = BlockParams(FText, picture24);
    {
        TEditBracket edit(*this, /*selectionOnly=*/false, /*restoreFormat=*/true, /*writeBack24Bit=*/false);
        if (!edit) {
            ClearTextOverlay();
            return false;
        }
        MakeWork24Bit();
        effects::DrawTextBlock(*WorkImage(), mask, params);
    }
    ClearTextOverlay();
    return true;
}

void TQxImage::DrawTextMask(const TBitmap& mask, int left, int top, TColor textColor, TColor backColor,
                            bool transparent, int frameWidth, TColor frameColor, int padding, int opacity,
                            bool antiAlias) {
    effects::RequireRange(frameWidth, 0, 99, "frame width");
    effects::RequireRange(padding, 0, 99, "padding");
    effects::RequireRange(opacity, 0, 100, "opacity");
    if (mask.Empty() || Empty() || Editing()) return;
    TTextOverlay text;
    text.Pos = TPoint{left, top};
    text.Font.Color = textColor;
    text.BackColor = backColor;
    text.Transparent = transparent;
    text.FrameWidth = frameWidth;
    text.FrameColor = frameColor;
    text.Padding = padding;
    text.Opacity = opacity;
    text.AntiAlias = antiAlias;
    const effects::TextBlockParams params = BlockParams(text, BitCount() == 24);
    // Read before the bracket opens: the mask may share the picture's storage.
    const TDibImage glyphs = mask.ToDibImage();
    TEditBracket edit(*this, /*selectionOnly=*/false, /*restoreFormat=*/true, /*writeBack24Bit=*/false);
    if (!edit) return;
    MakeWork24Bit();
    effects::DrawTextBlock(*WorkImage(), glyphs, params);
}

bool TQxImage::TextPreview(TDibImage& preview, TRect& area) const {
    if (!FTextShown || !FText.HasMask || Empty()) return false;
    return effects::TextBlockPreview(Bitmap().Dib(), FText.Mask, BlockParams(FText, BitCount() == 24), preview, area);
}

}  // namespace zelvo
