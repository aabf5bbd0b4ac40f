#include "app/folders/PreviewDecoder.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>

#include "app/folders/OpenPictureDialog.h"
#include "effects/Resample.h"
#include "formats/QxImageIO.h"
#include "image/ReadCancel.h"
#include "platform/Bitmap.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

namespace {

// A picture far larger than the box is first thinned to this many times the
// fitted size (nearest pixel, cheap on any size), then scaled smoothly.
constexpr int kThinFactor = 4;

}  // namespace

TPreviewResult DecodePreview(const TPreviewRequest& request, const std::atomic<bool>& cancel) {
    TPreviewResult result;
    result.Number = request.Number;
    TPreviewPicture preview;
    {
        const TReadCancelScope scope(cancel);
        if (!LoadPreviewPicture(request.Path, request.GifMode, request.BoxWidth, request.BoxHeight, preview))
            return result;
    }
    if (cancel.load()) return result;
    TDibImage picture = std::move(preview.Picture);
    const TRect fit = PreviewFitRect(preview.Width, preview.Height, request.BoxWidth, request.BoxHeight);
    const int thinWidth = fit.Width() * kThinFactor;
    const int thinHeight = fit.Height() * kThinFactor;
    TBitmap work;
    try {
        if (!fit.IsEmpty() && (picture.Width() > thinWidth || picture.Height() > thinHeight))
            picture = effects::StretchResize(picture, std::min(picture.Width(), thinWidth),
                                             std::min(picture.Height(), thinHeight));
        work.Assign(picture);
    } catch (const std::exception&) {
        return result;
    }
    QImage image = ToQImage(work);
    if (image.isNull() || cancel.load()) return result;
    if (!fit.IsEmpty() && (image.width() > fit.Width() || image.height() > fit.Height()))
        image = image.scaled(fit.Width(), fit.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result.Image = std::move(image);
    result.Width = preview.Width;
    result.Height = preview.Height;
    result.BitCount = work.BitCount();
    return result;
}

TPreviewDecoder::TPreviewDecoder(QObject* receiver, std::function<void(const TPreviewResult&)> done)
    : FReceiver(receiver), FDone(std::move(done)) {}

TPreviewDecoder::~TPreviewDecoder() {
    {
        const std::lock_guard lock(FLock);
        FQuit = true;
        FPending.reset();
        FCancel = true;
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
}

void TPreviewDecoder::Start(TPreviewRequest request) {
    {
        const std::lock_guard lock(FLock);
        FPending = std::move(request);
        if (FRunning) FCancel = true;
        if (!FThread.joinable()) FThread = std::thread([this] { Run(); });
    }
    FWake.notify_all();
}

void TPreviewDecoder::Cancel() {
    const std::lock_guard lock(FLock);
    FPending.reset();
    if (FRunning) FCancel = true;
}

void TPreviewDecoder::Run() {
    std::unique_lock lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FQuit || FPending.has_value(); });
        if (FQuit) return;
        const TPreviewRequest request = std::move(*FPending);
        FPending.reset();
        FCancel = false;
        FRunning = true;
        lock.unlock();
        TPreviewResult result = DecodePreview(request, FCancel);
        lock.lock();
        FRunning = false;
        // A cancelled decode, finished or not, is not delivered; the
        // receiver also drops a result an even newer request overtook on
        // the way.
        if (FCancel || FQuit) continue;
        QMetaObject::invokeMethod(
            FReceiver, [done = FDone, result = std::move(result)] { done(result); }, Qt::QueuedConnection);
    }
}

}  // namespace zelvo
