#include "document/UndoStore.h"

#include <algorithm>
#include <string>
#include <unistd.h>

#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "platform/Bitmap.h"
#include "platform/TempFile.h"

namespace zelvo {

TUndoStore::TUndoStore() {
    RemoveStaleTempFilesOnce();
    TScratchFile file = CreateScratchFile();
    FStream = std::move(file.Stream);
    FFolder = std::move(file.Folder);
}

TUndoStore::~TUndoStore() = default;

void TUndoStore::Write(int slot, const TBitmap& picture, const TUndoEntry& state) {
    TUndoEntry& entry = FTable.at(std::size_t(slot));
    FStream->SetPosition(FWritePos);
    picture.SaveToStream(*FStream);
    entry = state;
    entry.Position = FWritePos;
    FWritePos = FStream->Position();
}

void TUndoStore::Read(int slot, TDibImage& picture) const {
    FStream->SetPosition(Entry(slot).Position);
    picture.LoadFromStream(*FStream);
}

void TUndoStore::DropOldest(int count) {
    if (count > 1) std::copy(FTable.begin() + 1, FTable.begin() + count, FTable.begin());
}

void TUndoStore::Clear() {
    // Emptied through the open descriptor: the file has no name to reopen.
    if (::ftruncate(FStream->Handle(), 0) != 0)
        throw EWriteError(kSWriteError, "cannot empty the undo file in " + FFolder.string());
    FWritePos = 0;
}

std::filesystem::path TUndoStore::FileName() const {
    return std::filesystem::path("/proc/self/fd") / std::to_string(FStream->Handle());
}

}  // namespace zelvo
