#pragma once
// Format dispatch: the one place that picks a reader or writer for a picture
// file, by the file's extension only (contents are never sniffed), and the
// lists of readable and writable types as the open and save dialogs show
// them, all derived from the table of picture formats (PictureFormats.h).
// Engine side: it works on TDibImage and knows nothing of the document,
// which keeps the save options and calls in here.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/PictureFormats.h"
#include "image/DibImage.h"
#include "image/Stream.h"
#include "image/Types.h"

namespace zelvo {

/// A file written beside its target (a temporary file in the target's
/// folder) that takes the target's place only when complete: every save
/// writes through one, so a failed write leaves the old file as it was and
/// no partial file behind. The new file keeps the permissions of the file
/// it replaces (or the usual ones of a new file); a symbolic link keeps
/// pointing to the replaced file.
class TReplacingFile {
public:
    /// Creates the temporary file. A `durable` file is flushed to the disk
    /// before it replaces the target; its data starts on its way to the
    /// disk while it is still being written, so that the flush at the end
    /// waits for little. Throws EFCreateError "Cannot create file" with the
    /// system's reason as the detail.
    explicit TReplacingFile(const std::filesystem::path& target, bool durable = true);
    /// Removes the temporary file unless Commit succeeded.
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    TStream& Stream();
    /// Flushes a durable file to the disk (EWriteError when that fails),
    /// then renames it over the target (EFCreateError).
    void Commit();

private:
    class TWriteback;
    std::filesystem::path target_;
    std::filesystem::path destination_;
    std::filesystem::path temp_;
    bool durable_;
    std::unique_ptr<TFileStream> file_;
    std::unique_ptr<TStream> stream_;
    bool committed_ = false;
};

/// The dispatch extension of a path: the text from the last dot of the file
/// name to its end, ASCII lower-cased, dot included (".jpg"); empty when the
/// file name has no dot.
std::string DispatchExtension(const std::filesystem::path& path);

/// Reads `path` for the document with the reader of its extension's row
/// (.bmp/.dib, .jpg/.jpe/.jpeg, .png, the netpbm extensions, and .gif/.pcd
/// in GIF mode). RLE pictures come back as plain 4- or 8-bit pictures.
/// Every other extension (and .gif/.pcd outside GIF mode) is read through
/// the image plug-ins when the program has a plug-in collection
/// (TSPIs::Instance(), SpiBitmap.h): Transparent and Progressive false,
/// ColorKeyed kept. Returns false when there is no reader for the file:
/// icons, and plug-in territory without a collection;
/// throws the reader's exception when reading fails. `picture` and `info`
/// are written only on success.
bool ReadDocumentPicture(const std::filesystem::path& path, bool gifMode, TDibImage& picture,
                         TPictureFileInfo& info);

/// Writes `picture` to `path` with the writer of its extension (.bmp,
/// .jpg/.jpe/.jpeg, .png, .ppm/.pgm/.pbm/.pnm/.pam, and .gif in GIF mode).
/// Returns false, writing nothing, for an extension without a writer (.dib,
/// .ico, .pcd, others).
/// The data goes to a temporary file in the target's folder that replaces
/// the target only once the writer has succeeded; on failure the target is
/// untouched, the temporary file is removed and the writer's exception
/// propagates. `colorKeyed` receives the document's new ColorKeyed (true
/// after PNG). Throws EFCreateError when no temporary file can be created.
bool WriteDocumentPicture(const std::filesystem::path& path, const TDibImage& picture, const TSaveOptions& options,
                          bool gifMode, bool& colorKeyed);

/// The row whose writer takes `extension` (a dispatch extension) in the
/// given mode, or nullptr: the one choice WriteDocumentPicture and
/// zelvo-cli's decode make.
const TPictureFormat* FindPictureWriter(std::string_view extension, bool gifMode);

/// Reads a file for secondary uses (thumbnails, textures): like the document
/// load, except that .gif and .png are read only in GIF mode, .pcd in any
/// mode, and JPEG with the fast transform. Never throws; false when there
/// is no reader or reading failed (`picture` unchanged).
bool LoadPictureFile(const std::filesystem::path& path, TDibImage& picture, bool gifMode);

/// The open dialog's preview of a file.
struct TPreviewPicture {
    /// The pixels; smaller than the file's picture when its reader decodes
    /// at a reduced size for the box.
    TDibImage Picture;
    /// The picture's size in the file.
    int Width = 0;
    int Height = 0;
};

/// Reads a file for the open dialog's preview box of `boxWidth` x
/// `boxHeight` pixels (0 x 0: full size): rows with QuickPreview only,
/// gated like the document load, through the row's ReadPreview where it
/// has one, and plug-in formats through the plug-ins as the document load
/// reads them. Only regular files are read, so a selected pipe or device
/// never blocks the dialog. Never throws; false when there is no such
/// reader or reading failed (`preview` unchanged).
bool LoadPreviewPicture(const std::filesystem::path& path, bool gifMode, int boxWidth, int boxHeight,
                        TPreviewPicture& preview);
/// The same at full size, the pixels only.
bool LoadPreviewPicture(const std::filesystem::path& path, TDibImage& picture, bool gifMode);

/// A plug-in's first pattern entry ("*.ext1;*.ext2") and description.
struct TPluginFormat {
    std::string Patterns;
    std::string Description;
};

/// The dialogs' captions of the rows. The engine keeps no user-interface
/// text; the GUI supplies its captions here.
struct TFilterCaptions {
    /// The open dialog's first entry, every readable extension.
    std::string AllPictures;
    /// A row's open-dialog entry; an empty function or text gives the row's
    /// Description followed by its patterns in parentheses.
    std::function<std::string(const TPictureFormat&)> Open;
    /// A row's save-dialog entry, likewise.
    std::function<std::string(const TPictureFormat&)> Save;
};

/// The open and save dialogs' filters and the lists the main window keeps.
struct TFormatFilters {
    /// Known extensions with their dot while the filters are built.
    std::vector<std::string> KnownExtensions;
    /// The descriptions of the open-dialog entries, in order.
    std::vector<std::string> DescriptionList;
    /// One pattern string per entry: its patterns, each followed by a blank
    /// ("*.bmp *.dib ").
    std::vector<std::string> PatternList;
    /// "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png;*.ico" (+ GIF mode, plug-ins).
    std::string AllPatterns;
    /// The whole "|"-separated open-dialog filter.
    std::string OpenFilter;
    /// The save-dialog filter.
    std::string SaveFilter;
    /// The default extension of each save-dialog entry, without the dot.
    std::vector<std::string> SaveExtensions;
    /// For each plug-in given, whether it added an extension (kept) or not.
    std::vector<bool> PluginAccepted;
};

/// Builds the filters once at start from the listed rows: the built-in types,
/// GIF and PhotoCD in GIF mode, and each plug-in that adds at least one new
/// extension, in this order.
TFormatFilters BuildFormatFilters(bool gifMode, const std::vector<TPluginFormat>& plugins,
                                  const TFilterCaptions& captions);

}  // namespace zelvo
