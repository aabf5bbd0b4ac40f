#pragma once
// TClipboard: the clipboard as the document uses it, without Qt.
//
// Our pictures go on the clipboard as the packed DIB of the picture (header,
// colour table, pixels, exactly as TDibImage writes it, so 1-, 4- and 8-bit
// pictures, their colour tables and RLE data come back unchanged). A
// clipboard may also offer pictures that are not DIBs (another program's
// image); those arrive as 24-bit pictures.
//
// The document reaches the clipboard installed with InstallClipboard: the
// editor installs the system clipboard (platform/qt/QtClipboard.h), zelvo-cli
// an in-process one (platform/MemoryClipboard.h). With none installed the
// clipboard holds nothing and writing to it does nothing.
//
// A file manager's copied files are offered as a list of local paths
// (GetFiles); what to do with them is the program's choice (the editor
// opens the first picture among them).

#include <filesystem>
#include <vector>

#include "image/DibImage.h"

namespace zelvo {

class TClipboard {
public:
    virtual ~TClipboard() = default;

    /// Whether the clipboard holds a picture: a DIB or any other image.
    virtual bool HasBitmap() const = 0;
    /// Whether the clipboard holds DIB data.
    virtual bool HasDib() const = 0;
    /// Replaces the clipboard's contents with the packed DIB of `image`.
    /// Returns false, doing nothing, when the clipboard cannot be reached.
    /// Throws what TDibImage::SaveToClipboardFormat throws.
    virtual bool PutDib(const TDibImage& image) = 0;
    /// Reads DIB data into `image`. Returns false, leaving `image` as it
    /// was, when none is offered. Throws the BMP reader's exceptions for bad
    /// data, also leaving `image` as it was.
    virtual bool GetDib(TDibImage& image) const = 0;
    /// Any other picture the clipboard offers, as a 24-bit picture of its
    /// size; false, leaving `picture` as it was, when none is offered.
    virtual bool GetPicture(TDibImage& picture) const = 0;
    /// The local files the clipboard offers (files copied in a file
    /// manager), in the order given; empty when it offers none.
    virtual std::vector<std::filesystem::path> GetFiles() const = 0;
    /// Empties the clipboard.
    virtual void Clear() = 0;
};

/// The installed clipboard, or nullptr when none is installed.
TClipboard* InstalledClipboard();
/// Installs `clipboard` (not owned; nullptr installs none) and returns the
/// one installed before. The clipboard must outlive its installation.
TClipboard* InstallClipboard(TClipboard* clipboard);

/// Installs a clipboard for the life of the object, then puts back the one
/// installed before.
class TClipboardInstallation {
public:
    explicit TClipboardInstallation(TClipboard& clipboard) : previous_(InstallClipboard(&clipboard)) {}
    ~TClipboardInstallation() { InstallClipboard(previous_); }
    TClipboardInstallation(const TClipboardInstallation&) = delete;
    TClipboardInstallation& operator=(const TClipboardInstallation&) = delete;

private:
    TClipboard* previous_;
};

}  // namespace zelvo
