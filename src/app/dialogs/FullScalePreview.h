#pragma once
// TFullScalePreview: the preview of the dialogs that show their effect at
// full scale (blind, texture). A square panel holds the source, the
// selection (as 24 bits) or the whole picture, at 100 % with scroll bars,
// scrolled so that its centre is visible; each refresh copies exactly the
// visible part into an overlay, runs the effect on it with the scroll
// position as offsets (so stripes and tiles line up with those of the
// final picture) and lays the overlay over the source. Scrolling hides the
// overlay until the next refresh; releasing the mouse on the source asks
// for one (OnRefreshWanted).

#include <QObject>

#include <functional>
#include <memory>

#include "document/QxImage.h"

class QFrame;

namespace zelvo {

class TQxImageView;

class TFullScalePreview : public QObject {
public:
    /// Places the source and overlay views in `panel`, a square of `size`
    /// pixels.
    TFullScalePreview(QFrame* panel, int size);
    ~TFullScalePreview() override;

    /// Shows the selection of `document` copied into a 24-bit picture, or
    /// the whole picture, centred: a picture smaller than the panel puts
    /// the view in the middle, a larger one scrolls to half of what does
    /// not fit. Nothing for an empty document.
    void Load(TQxImage& document);

    /// The effect on the overlay: the overlay document and the scroll
    /// position's y and x (the source pixel at the overlay's top-left).
    using TEffect = std::function<void(TQxImage& overlay, int offsetY, int offsetX)>;
    /// The refresh: the visible part of the source into the overlay,
    /// `effect` on it, the overlay shown. False, showing nothing, when the
    /// source is empty or nothing of it is visible.
    bool Refresh(const TEffect& effect);

    /// Called when the mouse is released on the source (the user may have
    /// dragged it).
    std::function<void()> OnRefreshWanted;

    TQxImage& Source() { return *FSource; }
    TQxImage& Overlay() { return *FOverlay; }
    TQxImageView& SourceView() { return *FSourceView; }
    TQxImageView& OverlayView() { return *FOverlayView; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int FSize;
    std::unique_ptr<TQxImage> FSource;
    std::unique_ptr<TQxImage> FOverlay;
    TQxImageView* FSourceView = nullptr;
    TQxImageView* FOverlayView = nullptr;
};

}  // namespace zelvo
