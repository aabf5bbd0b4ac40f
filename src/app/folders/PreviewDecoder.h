#pragma once
// The open dialog's preview decodes on a thread of its own, so that a large
// picture never stops the dialog. Only the newest request matters: it
// replaces a request still waiting and cancels the decode under way (which
// stops at its next file read or row, see TReadCancelScope), and a result
// that a newer request has overtaken is never delivered.

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class QObject;

namespace zelvo {

/// What to decode: the file, the GIF mode gating its reader, and the
/// preview box in device pixels (the picture comes back no larger than the
/// box fits).
struct TPreviewRequest {
    int Number = 0;
    std::filesystem::path Path;
    bool GifMode = false;
    int BoxWidth = 0;
    int BoxHeight = 0;
};

/// A finished decode: the picture shrunk to fit the box (null when the file
/// gave no preview), the picture's size in the file and its bit count.
struct TPreviewResult {
    int Number = 0;
    QImage Image;
    int Width = 0;
    int Height = 0;
    int BitCount = 0;
};

/// Decodes one preview on the calling thread (the worker's job, also usable
/// on its own). A set `cancel` ends it early with a null image.
TPreviewResult DecodePreview(const TPreviewRequest& request, const std::atomic<bool>& cancel);

/// The preview's worker thread; made and used on the GUI thread.
class TPreviewDecoder {
public:
    /// `done` runs on `receiver`'s thread for each delivered result; none is
    /// delivered once the decoder is gone. The receiver outlives the decoder
    /// (it owns it).
    TPreviewDecoder(QObject* receiver, std::function<void(const TPreviewResult&)> done);
    /// Cancels the decode under way and waits for the thread.
    ~TPreviewDecoder();
    TPreviewDecoder(const TPreviewDecoder&) = delete;
    TPreviewDecoder& operator=(const TPreviewDecoder&) = delete;

    /// Decodes `request` after cancelling whatever came before it.
    void Start(TPreviewRequest request);
    /// Cancels the decode under way and drops a waiting request.
    void Cancel();

private:
    void Run();

    QObject* FReceiver;
    std::function<void(const TPreviewResult&)> FDone;
    std::mutex FLock;
    std::condition_variable FWake;
    std::optional<TPreviewRequest> FPending;
    std::atomic<bool> FCancel{false};
    bool FRunning = false;
    bool FQuit = false;
    std::thread FThread;
};

}  // namespace zelvo
