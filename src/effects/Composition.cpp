#include "effects/Composition.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "effects/EffectChecks.h"
#include "effects/Picture24.h"

namespace zelvo::effects {

namespace {

int Sum(const std::uint8_t* p) { return int(p[0]) + p[1] + p[2]; }

/// Copies the whole of the 24-bit `source` into the 24-bit `dest` with its
/// top-left corner at `at`, skipping what falls outside `dest`.
void Place(TDibImage& dest, const TDibImage& source, TPoint at) {
    const int x0 = std::max(0, at.X);
    const int x1 = int(std::min<std::int64_t>(dest.Width(), std::int64_t(at.X) + source.Width()));
    if (x0 >= x1) return;
    const int y0 = std::max(0, at.Y);
    const int y1 = int(std::min<std::int64_t>(dest.Height(), std::int64_t(at.Y) + source.Height()));
    for (int y = y0; y < y1; ++y)
        std::memcpy(dest.ScanLine(y) + std::size_t(x0) * 3, source.ScanLineRead(y - at.Y) + std::size_t(x0 - at.X) * 3,
                    std::size_t(x1 - x0) * 3);
}

int Saturated(std::int64_t value) { return int(std::clamp<std::int64_t>(value, -0x7FFFFFFF, 0x7FFFFFFF)); }

}  // namespace

void Merge(TDibImage& work, const TDibImage& source, TMergeKind kind, int transparency, const ProgressFn& progress) {
    RequireWork24Bit(work, "Merge");
    RequireRange(int(kind), 0, kMergeKindCount - 1, "merge kind");
    const int t = std::clamp(transparency, 0, 100);
    TDibImage holder;
    const TDibImage& src = Read24Bit(source, holder);
    const int h = std::min(work.Height(), src.Height());
    const std::size_t rowBytes = std::size_t(std::min(work.Width(), src.Width())) * 3;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* d = work.ScanLine(y);
        const std::uint8_t* s = src.ScanLineRead(y);
        switch (kind) {
        case TMergeKind::Blend:
            // Both weights sum to 100, so the quotient stays within 0..255.
            for (std::size_t i = 0; i < rowBytes; ++i) d[i] = std::uint8_t((s[i] * (100 - t) + d[i] * t) / 100);
            break;
        case TMergeKind::Lighter:
            for (std::size_t i = 0; i < rowBytes; i += 3)
                if (Sum(d + i) < Sum(s + i)) std::memcpy(d + i, s + i, 3);
            break;
        case TMergeKind::Darker:
            for (std::size_t i = 0; i < rowBytes; i += 3)
                if (Sum(s + i) < Sum(d + i)) std::memcpy(d + i, s + i, 3);
            break;
        case TMergeKind::Add:
            for (std::size_t i = 0; i < rowBytes; ++i) d[i] = std::uint8_t(std::min(255, d[i] + s[i]));
            break;
        case TMergeKind::Subtract:
            for (std::size_t i = 0; i < rowBytes; ++i) d[i] = std::uint8_t(std::max(0, d[i] - s[i]));
            break;
        }
        ReportRowProgress(progress, y, h);
    }
}

TCombineLayout CombineLayout(int width, int height, int otherWidth, int otherHeight, TCombineDirection direction,
                             int offset, int gap) {
    const std::int64_t d = std::abs(std::int64_t(offset));
    // Across the joining direction a negative offset moves the current
    // picture, a positive one the other picture.
    const int currentShift = offset < 0 ? Saturated(d) : 0;
    const int otherShift = offset < 0 ? 0 : offset;
    TCombineLayout layout;
    switch (direction) {
    case TCombineDirection::Left:
    case TCombineDirection::Right:
        layout.Width = Saturated(std::int64_t(width) + otherWidth + gap);
        layout.Height = Saturated(std::int64_t(std::max(height, otherHeight)) + d);
        if (direction == TCombineDirection::Left) {
            layout.Other = TPoint{0, otherShift};
            layout.Current = TPoint{Saturated(std::int64_t(gap) + otherWidth), currentShift};
        } else {
            layout.Current = TPoint{0, currentShift};
            layout.Other = TPoint{Saturated(std::int64_t(gap) + width), otherShift};
        }
        break;
    case TCombineDirection::Above:
    case TCombineDirection::Below:
        layout.Width = Saturated(std::int64_t(std::max(width, otherWidth)) + d);
        layout.Height = Saturated(std::int64_t(height) + otherHeight + gap);
        if (direction == TCombineDirection::Above) {
            layout.Other = TPoint{otherShift, 0};
            layout.Current = TPoint{currentShift, Saturated(std::int64_t(gap) + otherHeight)};
        } else {
            layout.Current = TPoint{currentShift, 0};
            layout.Other = TPoint{otherShift, Saturated(std::int64_t(gap) + height)};
        }
        break;
    }
    return layout;
}

TDibImage Combine(const TDibImage& current, const TDibImage& other, TCombineDirection direction, int offset, int gap,
                  TColor background) {
    RequireRange(int(direction), 0, 3, "combine direction");
    const TCombineLayout layout =
        CombineLayout(current.Width(), current.Height(), other.Width(), other.Height(), direction, offset, gap);
    TDibImage result = NewFilled24(layout.Width, layout.Height, background);
    TDibImage currentHolder, otherHolder;
    Place(result, Read24Bit(current, currentHolder), layout.Current);
    Place(result, Read24Bit(other, otherHolder), layout.Other);
    return result;
}

}  // namespace zelvo::effects
