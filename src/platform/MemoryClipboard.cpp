#include "platform/MemoryClipboard.h"

namespace zelvo {

bool TMemoryClipboard::PutDib(const TDibImage& image) {
    std::uint16_t format = 0;
    HPALETTE palette;
    dib_ = image.SaveToClipboardFormat(format, palette);
    return true;
}

bool TMemoryClipboard::GetDib(TDibImage& image) const {
    if (dib_.empty()) return false;
    TDibImage read;
    read.LoadFromClipboardFormat(CF_DIB, dib_, nullptr);
    image.Assign(&read);
    return true;
}

bool TMemoryClipboard::GetPicture(TDibImage&) const { return false; }

}  // namespace zelvo
