#include "document/UndoStore.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <string>
#include <system_error>
#include <thread>

#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "platform/Bitmap.h"
#include "platform/TempFile.h"

namespace zelvo {

namespace {

// The bytes TDibImage::SaveToStream writes for `picture`: file header,
// info header, colour table and the stored pixels.
std::int64_t SnapshotBytes(const TBitmap& picture) {
    if (picture.Empty()) return 0;
    const TDibImageData& d = *picture.Dib().DibData();
    return 14 + 40 + 4 * std::int64_t(d.Header.biClrUsed) + std::int64_t(d.ImageSize);
}

// The nice value of a snapshot written behind the user's back.
constexpr int kBackgroundNice = 10;

}  // namespace

/// A snapshot on its way to the file, and what the store was before it.
struct TUndoStore::TPendingWrite {
    TDibImage Picture;  // shares the picture's storage while the thread reads it
    TStream* Stream = nullptr;
    std::int64_t Position = 0;
    std::thread Thread;
    bool Started = false;
    std::atomic<bool> Done{false};
    std::exception_ptr Failure;
    std::array<TUndoEntry, kUndoTableSize> TableBefore{};
    std::int64_t WritePosBefore = 0;
    std::int64_t WritePosAfter = 0;

    /// Writes the snapshot; runs once, on the thread or on the caller's.
    void Run() noexcept {
        try {
            Stream->SetPosition(Position);
            Picture.SaveToStream(*Stream);
        } catch (...) {
            Failure = std::current_exception();
        }
        Done.store(true, std::memory_order_release);
    }
};

TUndoStore::TUndoStore() {
    RemoveStaleTempFilesOnce();
    TScratchFile file = CreateScratchFile();
    FFile = file.Stream.get();
    FStream = std::move(file.Stream);
    FFolder = std::move(file.Folder);
}

TUndoStore::TUndoStore(std::unique_ptr<TStream> stream) : FStream(std::move(stream)) {
    FFile = dynamic_cast<TFileStream*>(FStream.get());
}

TUndoStore::~TUndoStore() {
    if (FPending && FPending->Thread.joinable()) FPending->Thread.join();
}

void TUndoStore::Write(int slot, const TBitmap& picture, const TUndoEntry& state) {
    WaitForWrite();
    TUndoEntry& entry = FTable.at(std::size_t(slot));
    FStream->SetPosition(FWritePos);
    picture.SaveToStream(*FStream);
    entry = state;
    entry.Position = FWritePos;
    FWritePos = FStream->Position();
}

void TUndoStore::BeginWrite(int slot, const TBitmap& picture, const TUndoEntry& state) {
    ReserveWrite(slot, picture, state);
    StartWrite();
}

void TUndoStore::ReserveWrite(int slot, const TBitmap& picture, const TUndoEntry& state) {
    FinishWrite();
    TUndoEntry& entry = FTable.at(std::size_t(slot));
    const std::int64_t bytes = SnapshotBytes(picture);
    if (FFile && bytes > 0) {
        // Taking the room now makes a full disk refuse the edit before any
        // work is done; the thread then only fills blocks the file owns.
        int rc = 0;
        do rc = ::fallocate(FFile->Handle(), 0, off_t(FWritePos), off_t(bytes));
        while (rc != 0 && errno == EINTR);
        // A file system without fallocate still gets the size, which is
        // what a file size limit checks; a full disk then shows at the end.
        if (rc != 0 && errno == EOPNOTSUPP) rc = ::ftruncate(FFile->Handle(), off_t(FWritePos + bytes));
        if (rc != 0) {
            const int error = errno;
            TrimToWritePos();
            throw EWriteError(kSWriteError, "cannot take " + std::to_string(bytes) + " bytes in the undo file: " +
                                                std::to_string(error));
        }
    }
    auto pending = std::make_unique<TPendingWrite>();
    pending->Picture = picture.ToDibImage();
    pending->Stream = FStream.get();
    pending->Position = FWritePos;
    pending->TableBefore = FTable;
    pending->WritePosBefore = FWritePos;
    pending->WritePosAfter = FWritePos + bytes;
    FPending = std::move(pending);
    entry = state;
    entry.Position = FPending->Position;
    FWritePos = FPending->WritePosAfter;
}

void TUndoStore::StartWrite(bool background) {
    if (!FPending || FPending->Started) return;
    FPending->Started = true;
    TPendingWrite* const p = FPending.get();
    // The thread touches only the stream and the shared pixels; every
    // reference count and the table stay with the calling thread.
    try {
        p->Thread = std::thread([p, background] {
            // Linux keeps a nice value per thread: this one only. Failing
            // leaves the priority as it was, which is no fault.
            if (background) (void)::setpriority(PRIO_PROCESS, id_t(::gettid()), kBackgroundNice);
            p->Run();
        });
    } catch (const std::system_error&) {
        // No thread to write with: the caller writes, as Write would.
        p->Run();
    }
}

bool TUndoStore::WriteDone() const { return !FPending || FPending->Done.load(std::memory_order_acquire); }

void TUndoStore::WaitForWrite() const {
    if (!FPending) return;
    if (!FPending->Started) {
        FPending->Started = true;
        FPending->Run();
    }
    if (FPending->Thread.joinable()) FPending->Thread.join();
}

void TUndoStore::FinishWrite() {
    if (!FPending) return;
    WaitForWrite();
    std::unique_ptr<TPendingWrite> done = std::move(FPending);
    if (!done->Failure) return;
    FTable = done->TableBefore;
    FWritePos = done->WritePosBefore;
    TrimToWritePos();
    std::rethrow_exception(done->Failure);
}

void TUndoStore::TrimToWritePos() {
    // Best effort: bytes beyond the write position are never read, and the
    // next snapshot overwrites them.
    if (FFile) (void)!::ftruncate(FFile->Handle(), off_t(FWritePos));
}

void TUndoStore::Read(int slot, TDibImage& picture) const {
    WaitForWrite();
    FStream->SetPosition(Entry(slot).Position);
    picture.LoadFromStream(*FStream);
}

void TUndoStore::DropOldest(int count) {
    if (count > 1) std::copy(FTable.begin() + 1, FTable.begin() + count, FTable.begin());
}

void TUndoStore::Clear() {
    // A snapshot never started is not written at all.
    if (FPending && FPending->Thread.joinable()) FPending->Thread.join();
    FPending.reset();
    if (FFile) {
        // Emptied through the open descriptor: the file has no name to reopen.
        if (::ftruncate(FFile->Handle(), 0) != 0)
            throw EWriteError(kSWriteError, "cannot empty the undo file in " + FFolder.string());
    } else if (auto* memory = dynamic_cast<TMemoryStream*>(FStream.get())) {
        memory->Clear();
    }
    FWritePos = 0;
}

std::filesystem::path TUndoStore::FileName() const {
    if (!FFile) return {};
    return std::filesystem::path("/proc/self/fd") / std::to_string(FFile->Handle());
}

}  // namespace zelvo
