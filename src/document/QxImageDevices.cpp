// Pictures that come from devices rather than files: the scanner's BMP
// transfer file, the screen capture, and the wallpaper copy written out.

#include "document/QxImage.h"
#include "formats/QxImageIO.h"

namespace zelvo {

bool TQxImage::LoadDocumentBmp(const std::filesystem::path& path, std::string* failure) {
    return AdoptReadPicture(
        [&](TDibImage& picture) {
            picture.LoadFromFile(path);
            return true;
        },
        failure);
}

bool TQxImage::WritePicture(const std::filesystem::path& path, bool gifMode, std::string& failure,
                            bool& colorKeyed) const {
    if (Empty()) return false;
    TSaveOptions options;
    options.Quality = SaveQuality;
    options.Progressive = SaveProgressive;
    options.Transparent = SaveTransparent;
    options.TransparentColor = TransparentColor;
    options.TransparentIndex = TransparentIndex;
    options.RLECompress = RLECompress;
    options.Encoders = SaveEncoders;
    options.Metadata = &FMetadata;
    try {
        return WriteDocumentPicture(path, FBitmap->ToDibImage(), options, gifMode, colorKeyed);
    } catch (const std::exception& e) {
        failure = e.what();
        return false;
    }
}

bool TQxImage::SaveCopyFile(const std::filesystem::path& path, bool gifMode, std::string* failure) const {
    bool colorKeyed = ColorKeyed;  // the copy's, not the document's
    std::string message;
    const bool written = WritePicture(path, gifMode, message, colorKeyed);
    if (failure) *failure = message;
    return written;
}

bool TQxImage::TakeCapture(const TDibImage& captured) {
    if (Editing() || captured.Width() <= 0) return false;
    const bool snapshot = !Empty();
    if (snapshot) SaveUndo();
    FBitmap->Assign(captured);
    FMetadata = TPictureMetadata{};
    ResetViewAfterResize();
    return snapshot;
}

}  // namespace zelvo
