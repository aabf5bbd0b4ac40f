#include "app/window/RecoveryScheduler.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "formats/QxImageIO.h"

namespace zelvo {

namespace {

constexpr const char* kSection = "Settings";
// The writer yields to the editor and to everything the user runs.
constexpr int kWriterNice = 10;
// Numbers the jobs (on the editor's thread), so the end of one is not
// taken for the end of the next.
std::uint64_t gJobNumber = 0;

}  // namespace

struct TRecoveryScheduler::TJob {
    /// Keeps the picture's storage alive until the write ends.
    TDibImage Pin;
    TRecoveryInfo Info;
    TRecoveryRows Rows;
    std::filesystem::path Target;
    std::atomic<bool> Cancel{false};
    TRecoveryWrite Result = TRecoveryWrite::Failed;
    std::uint64_t Bytes = 0;
    double Milliseconds = 0;
    std::uint64_t Number = 0;
};

TRecoveryScheduler::TRecoveryScheduler(TQxImage& doc, QObject* parent) : QObject(parent), FDoc(doc) {
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, [this] { TryWrite(); });
}

TRecoveryScheduler::~TRecoveryScheduler() {
    FTimer.stop();
    if (FJob && FDirty) FJob->Cancel = true;
    StopJob();
    if (FSession && FDirty && !FDoc.Empty() && FDoc.Modified()) WriteNow();
}

void TRecoveryScheduler::SetEnabled(bool enabled) {
    if (enabled == Enabled()) return;
    if (!enabled) {
        Discard();
        FSession.reset();
        return;
    }
    try {
        FSession = std::make_unique<TRecoverySession>(RecoveryFolder(), unsigned(::geteuid()));
    } catch (const Exception&) {
        // A folder that cannot be used (a link, another user's) leaves
        // recovery off; editing goes on as before.
        FSession.reset();
        return;
    }
    if (!FDoc.Empty() && FDoc.Modified()) PictureChanged();
}

void TRecoveryScheduler::PictureChanged() {
    if (!FSession) return;
    FDirty = true;
    if (FJob) FJob->Cancel = true;
    FTimer.start(IdleDelayMs);
}

void TRecoveryScheduler::Discard() {
    FTimer.stop();
    FDirty = false;
    if (FJob) FJob->Cancel = true;
    StopJob();
    if (FSession) FSession->RemoveFile();
}

std::vector<TRecoveryOffer> TRecoveryScheduler::ClaimOffers() {
    if (!FSession) return {};
    return ClaimDeadRecoveryFiles(FSession->Folder(), FSession->Uid(), FSession->Name(), std::time(nullptr));
}

void TRecoveryScheduler::TakeOver(TRecoveryOffer& offer) {
    if (!FSession) return;
    StopJob();
    if (AdoptRecoveryOffer(offer, *FSession)) {
        FTimer.stop();
        FDirty = false;
    }
}

std::filesystem::path TRecoveryScheduler::FilePath() const { return FSession ? FSession->FilePath() : std::filesystem::path(); }

void TRecoveryScheduler::WaitForWrite() { StopJob(); }

void TRecoveryScheduler::TryWrite() {
    if (!FSession || FJob) return;  // a write that ends starts the wait again
    if (FDoc.Empty() || !FDoc.Modified()) {
        // Undone back to the saved state: nothing to keep.
        FDirty = false;
        FSession->RemoveFile();
        return;
    }
    if (!FDirty) return;
    if (IsIdle && !IsIdle()) {
        FTimer.start(RetryDelayMs);
        return;
    }
    StartJob();
}

void TRecoveryScheduler::StartJob() {
    auto job = std::make_unique<TJob>();
    job->Pin = FDoc.Bitmap().ToDibImage();
    job->Rows = TRecoveryRows::Of(job->Pin);
    TRecoveryInfo& info = job->Info;
    info.SaveQuality = FDoc.SaveQuality;
    info.SaveTransparent = FDoc.SaveTransparent;
    info.SaveProgressive = FDoc.SaveProgressive;
    info.ColorKeyed = FDoc.ColorKeyed;
    info.TransparentColor = FDoc.TransparentColor;
    info.TransparentIndex = FDoc.TransparentIndex;
    info.Metadata = FDoc.Metadata();
    if (DescribePicture) DescribePicture(info);
    info.Format = info.FileName.empty() ? std::string() : DispatchExtension(info.FileName);
    info.SavedTime = std::time(nullptr);
    job->Target = FSession->FilePath();
    FDirty = false;
    job->Number = ++gJobNumber;
    FJob = std::move(job);
    TJob* running = FJob.get();
    FThread = std::thread([this, running, number = running->Number] {
        ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), kWriterNice);
        const auto start = std::chrono::steady_clock::now();
        running->Result = WriteRecoveryFile(running->Target, running->Info, running->Rows, &running->Cancel,
                                            &running->Bytes);
        running->Milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        QMetaObject::invokeMethod(
            this,
            [this, number] {
                // A job that a wait has handled already, perhaps followed
                // by another, is not this one.
                if (FJob && FJob->Number == number) JobEnded();
            },
            Qt::QueuedConnection);
    });
}

void TRecoveryScheduler::StopJob() {
    if (!FJob) return;
    if (FThread.joinable()) FThread.join();
    const TJob& job = *FJob;
    switch (job.Result) {
        case TRecoveryWrite::Written:
            ++FStats.Written;
            FStats.LastBytes = job.Bytes;
            FStats.LastMilliseconds = job.Milliseconds;
            break;
        case TRecoveryWrite::Cancelled: ++FStats.Cancelled; break;
        case TRecoveryWrite::Failed: ++FStats.Failed; break;
    }
    FJob.reset();
    emit WriteEnded();
}

void TRecoveryScheduler::JobEnded() {
    StopJob();
    if (FDirty && !FTimer.isActive()) FTimer.start(IdleDelayMs);
}

void TRecoveryScheduler::WriteNow() {
    FDirty = true;
    StartJob();
    StopJob();
}

// --- setting -----------------------------------------------------------------------------------

void ReadRecoverySetting(TZVfrmMain& form, const TIniFile& ini) {
    EachKey(form.RecoverySettings, TKeyReader(ini, kSection));
    form.Recovery->SetEnabled(form.RecoverySettings.Recovery);
}

void WriteRecoverySetting(TZVfrmMain& form, TIniFile& ini) { EachKey(form.RecoverySettings, TKeyWriter(ini, kSection)); }

}  // namespace zelvo
