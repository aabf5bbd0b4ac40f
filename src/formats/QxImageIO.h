#pragma once
// Format dispatch: the one place that picks a reader or writer for a picture
// file, by the file's extension only (contents are never sniffed), and the
// lists of readable and writable types as the open and save dialogs show
// them. Engine side: it works on TDibImage and knows nothing of the
// document, which keeps the save options and calls in here.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "image/Types.h"

namespace zelvo {

/// The dispatch extension of a path: the text from the last dot of the file
/// name to its end, ASCII lower-cased, dot included (".jpg"); empty when the
/// file name has no dot.
std::string DispatchExtension(const std::filesystem::path& path);

/// What a document load learns from the file besides the pixels.
struct TPictureFileInfo {
    bool Transparent = false;    ///< the first GIF image is transparent
    bool Progressive = false;    ///< progressive JPEG, interlaced GIF or PNG
    bool HasTransparentIndex = false;
    std::uint8_t TransparentIndex = 0;
    /// The document's ColorKeyed after the load: 0 false, 1 true, -1 kept.
    int ColorKeyed = 0;
};

/// Reads `path` for the document by its extension (.bmp/.dib, .jpg/.jpe/
/// .jpeg, .png, and .gif/.pcd in GIF mode). RLE pictures come back as plain
/// 4- or 8-bit pictures. Returns false when the program has no reader for
/// the extension (icons, plug-in formats, .gif/.pcd outside GIF mode);
/// throws the reader's exception when reading fails. `picture` and `info`
/// are written only on success.
bool ReadDocumentPicture(const std::filesystem::path& path, bool gifMode, TDibImage& picture,
                         TPictureFileInfo& info);

/// The save options of the document.
struct TSaveOptions {
    int Quality = 80;            ///< JPEG quality 1..100
    bool Progressive = false;    ///< progressive JPEG, interlaced GIF and PNG
    bool Transparent = false;    ///< write transparency (GIF index, PNG colour)
    TColor TransparentColor = clBlack;
    std::uint8_t TransparentIndex = 0;
    bool RLECompress = false;    ///< RLE-code 4- and 8-bit BMP files
};

/// Writes `picture` to `path` with the writer of its extension (.bmp,
/// .jpg/.jpe/.jpeg, .png, and .gif in GIF mode). Returns false, writing
/// nothing, for an extension without a writer (.dib, .ico, .pcd, others).
/// The data goes to a temporary file in the target's folder that replaces
/// the target only once the writer has succeeded; on failure the target is
/// untouched, the temporary file is removed and the writer's exception
/// propagates. `colorKeyed` receives the document's new ColorKeyed (true
/// after PNG). Throws EFCreateError when no temporary file can be created.
bool WriteDocumentPicture(const std::filesystem::path& path, const TDibImage& picture, const TSaveOptions& options,
                          bool gifMode, bool& colorKeyed);

/// Reads a file for secondary uses (thumbnails, textures): like the document
/// load, except that .gif and .png are read only in GIF mode. Never throws;
/// false when there is no reader or reading failed (`picture` unchanged).
bool LoadPictureFile(const std::filesystem::path& path, TDibImage& picture, bool gifMode);

/// A plug-in's first pattern entry ("*.ext1;*.ext2") and description.
struct TPluginFormat {
    std::string Patterns;
    std::string Description;
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
    /// For each plug-in given, whether it added an extension (kept) or not.
    std::vector<bool> PluginAccepted;
};

/// Builds the filters once at start: the built-in types, GIF and PhotoCD in
/// GIF mode, and each plug-in that adds at least one new extension.
TFormatFilters BuildFormatFilters(bool gifMode, const std::vector<TPluginFormat>& plugins);

}  // namespace zelvo
