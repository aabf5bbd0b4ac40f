#include "effects/TextBlock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "effects/EffectChecks.h"
#include "effects/Picture24.h"
#include "image/Types.h"

namespace zelvo::effects {
namespace {

using TBgr = std::array<std::uint8_t, 3>;

TBgr ToBgr(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return {GetBValue(rgb), GetGValue(rgb), GetRValue(rgb)};
}

void Put(std::uint8_t* p, const TBgr& c) {
    p[0] = c[0];
    p[1] = c[1];
    p[2] = c[2];
}

// The ink of the mask, one byte per pixel (1 ink, 0 paper), row by row.
std::vector<std::uint8_t> InkOf(const TDibImage& mask) {
    TDibImage holder;
    const TDibImage& pixels = Read24Bit(mask, holder);
    const int w = pixels.Width();
    const int h = pixels.Height();
    std::vector<std::uint8_t> ink(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = pixels.ScanLineRead(y);
        std::uint8_t* out = ink.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) out[x] = (row[3 * x] | row[3 * x + 1] | row[3 * x + 2]) == 0;
    }
    return ink;
}

}  // namespace

void DrawTextBlock(TDibImage& work, const TDibImage& mask, const TextBlockParams& params) {
    RequireWork24Bit(work, "DrawTextBlock");
    RequireRange(params.FrameWidth, 0, 99, "frame width");
    RequireRange(params.Padding, 0, 99, "padding");
    RequireRange(params.Opacity, 0, 100, "opacity");

    const std::vector<std::uint8_t> ink = InkOf(mask);
    const std::int64_t maskW = mask.Width();
    const std::int64_t maskH = mask.Height();
    const std::int64_t inset = std::int64_t(params.FrameWidth) + params.Padding;
    const std::int64_t boxW = TextBoxSide(maskW, params.FrameWidth, params.Padding);
    const std::int64_t boxH = TextBoxSide(maskH, params.FrameWidth, params.Padding);
    const std::int64_t left = params.Left;
    const std::int64_t top = params.Top;
    const std::int64_t picW = work.Width();
    const std::int64_t picH = work.Height();

    // The box as far as it lies on the picture: columns x0..x1 - 1, rows
    // y0..y1 - 1.
    const std::int64_t x0 = std::max<std::int64_t>(left, 0);
    const std::int64_t x1 = std::min(left + boxW, picW);
    const std::int64_t y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t y1 = std::min(top + boxH, picH);
    if (x0 >= x1 || y0 >= y1) return;
    const std::size_t spanBytes = std::size_t(x1 - x0) * 3;

    // The picture beneath the box, for the opacity blend.
    std::vector<std::uint8_t> before;
    if (params.Opacity < 100) {
        before.resize(spanBytes * std::size_t(y1 - y0));
        for (std::int64_t y = y0; y < y1; ++y)
            std::memcpy(before.data() + std::size_t(y - y0) * spanBytes, work.ScanLineRead(int(y)) + x0 * 3,
                        spanBytes);
    }

    // 1. Background and frame.
    const std::int64_t fw = params.FrameWidth;
    const TBgr back = ToBgr(params.BackColor);
    const TBgr frame = ToBgr(params.FrameColor);
    if (fw > 0 || !params.Transparent) {
        for (std::int64_t y = y0; y < y1; ++y) {
            std::uint8_t* row = work.ScanLine(int(y));
            const std::int64_t by = y - top;
            const bool frameRow = by < fw || by >= boxH - fw;
            for (std::int64_t x = x0; x < x1; ++x) {
                const std::int64_t bx = x - left;
                if (fw > 0 && (frameRow || bx < fw || bx >= boxW - fw)) Put(row + x * 3, frame);
                else if (!params.Transparent) Put(row + x * 3, back);
            }
        }
    }

    // 2. The glyphs.
    const TBgr text = ToBgr(params.TextColor);
    for (std::int64_t my = 0; my < maskH; ++my) {
        const std::int64_t y = top + inset + my;
        if (y < 0 || y >= picH) continue;
        std::uint8_t* row = work.ScanLine(int(y));
        const std::uint8_t* inkRow = ink.data() + std::size_t(my * maskW);
        for (std::int64_t mx = 0; mx < maskW; ++mx) {
            const std::int64_t x = left + inset + mx;
            if (inkRow[mx] && x >= 0 && x < picW) Put(row + x * 3, text);
        }
    }

    // 3. Smoothing, bounded by the picture and by the box, so that every
    // neighbour read lies in both.
    if (params.AntiAlias) {
        const auto inkAt = [&](std::int64_t bx, std::int64_t by) -> int {
            const std::int64_t mx = bx - inset;
            const std::int64_t my = by - inset;
            if (mx < 0 || my < 0 || mx >= maskW || my >= maskH) return 0;
            return ink[std::size_t(my * maskW + mx)];
        };
        for (std::int64_t by = 1; by <= boxH - 2; ++by) {
            const std::int64_t y = top + by;
            if (y < 1 || y > picH - 2) break;
            std::uint8_t* up = work.ScanLine(int(y - 1));
            std::uint8_t* row = work.ScanLine(int(y));
            std::uint8_t* down = work.ScanLine(int(y + 1));
            for (std::int64_t bx = 1; bx <= boxW - 2; ++bx) {
                const std::int64_t x = left + bx;
                if (x < 1 || x > picW - 2) break;
                const int l = inkAt(bx - 1, by), r = inkAt(bx + 1, by);
                const int u = inkAt(bx, by - 1), d = inkAt(bx, by + 1);
                if (l == r || u == d || l + r + u + d + inkAt(bx, by) < 2) continue;
                std::uint8_t* p = row + x * 3;
                for (int c = 0; c < 3; ++c) {
                    const int sum = p[c] + p[c - 3] + p[c + 3] + up[x * 3 + c] + down[x * 3 + c];
                    p[c] = std::uint8_t(sum / 5);
                }
            }
        }
    }

    // 4. Opacity.
    if (params.Opacity < 100) {
        const int opacity = params.Opacity;
        for (std::int64_t y = y0; y < y1; ++y) {
            std::uint8_t* p = work.ScanLine(int(y)) + x0 * 3;
            const std::uint8_t* b = before.data() + std::size_t(y - y0) * spanBytes;
            for (std::size_t i = 0; i < spanBytes; ++i) p[i] = std::uint8_t((opacity * p[i] + (100 - opacity) * b[i]) / 100);
        }
    }
}

bool TextBlockPreview(const TDibImage& picture, const TDibImage& mask, const TextBlockParams& params,
                      TDibImage& preview, TRect& area) {
    const std::int64_t boxW = TextBoxSide(mask.Width(), params.FrameWidth, params.Padding);
    const std::int64_t boxH = TextBoxSide(mask.Height(), params.FrameWidth, params.Padding);
    const std::int64_t left = std::max<std::int64_t>(params.Left, 0);
    const std::int64_t top = std::max<std::int64_t>(params.Top, 0);
    const std::int64_t right = std::min<std::int64_t>(params.Left + boxW, picture.Width());
    const std::int64_t bottom = std::min<std::int64_t>(params.Top + boxH, picture.Height());
    if (left >= right || top >= bottom) return false;
    area = Rect(int(left), int(top), int(right), int(bottom));

    TDibImage part;
    part.ReplaceData(TDibImageData::CreateDIB(area.Width(), area.Height(), 0, 24, DefaultUseFMO()));
    const bool rgb = picture.BitCount() == 24;
    const TRGBQuad* table = picture.ColorTable();
    const int tableSize = picture.ColorsUsed() > 0 ? picture.ColorsUsed() : (rgb ? 0 : 1 << picture.BitCount());
    for (int y = 0; y < area.Height(); ++y) {
        std::uint8_t* out = part.ScanLine(y);
        if (rgb) {
            std::memcpy(out, picture.ScanLineRead(area.Top + y) + std::size_t(area.Left) * 3,
                        std::size_t(area.Width()) * 3);
            continue;
        }
        for (int x = 0; x < area.Width(); ++x) {
            const int index = int(picture.GetPixels(area.Left + x, area.Top + y));
            // An index beyond the colour table reads as black.
            const TRGBQuad q = index < tableSize ? table[index] : TRGBQuad{};
            out[3 * x] = q.rgbBlue;
            out[3 * x + 1] = q.rgbGreen;
            out[3 * x + 2] = q.rgbRed;
        }
    }
    // The part's edges are the picture's wherever the box is cut off, so
    // the smoothing stops where it would stop on the picture.
    TextBlockParams inPart = params;
    inPart.Left -= area.Left;
    inPart.Top -= area.Top;
    DrawTextBlock(part, mask, inPart);
    preview = part;
    return true;
}

}  // namespace zelvo::effects
