#pragma once
// The thumbnail cache: the thumbnails of a folder kept between sessions in
// two files, "_THUMB.DAT" (the image list) and "_THUMB.IDX" (the list
// items), in a folder of their own per picture folder under the per-user
// cache folder ($XDG_CACHE_HOME/zelvo/<16 hex digits of the folder's
// hash>/).
//
// Both files hold one serialized component behind a resource header;
// integers are little-endian:
//
//   offset   size  content
//   0        1     0xFF
//   1        2     10 (resource type: raw data)
//   3        n+1   resource name, NUL-terminated: "TIMAGELIST" (.DAT) or
//                  "TLISTVIEW" (.IDX)
//   4+n      2     0x1030 (memory flags)
//   6+n      4     size in bytes of the component stream that follows, up
//                  to the end of the file
//   10+n     4     "TPF0"
//   14+n           class name ("TImageList", "TListView") and component
//                  name ("ImageList1", "ListView1"), each a length byte and
//                  its characters; then the properties, each a name (length
//                  byte, characters) and a value; a 0 byte ends them; a
//                  further 0 byte ends the (empty) list of children.
//
// A value is a type byte and its data: 0 null; 2, 3, 4 a signed integer of
// 1, 2 or 4 bytes (the smallest that holds it); 6 a string with a 1-byte
// length; 12 a string with a 4-byte length; 7 an identifier with a 1-byte
// length; 8 false; 9 true; 13 nil; 10 binary data with a 4-byte length. A
// reader refuses any other type byte.
//
// The image list (.DAT) writes Tag, Folder, BkColor, Height, Width and
// Bitmap; the list (.IDX) writes Tag, Folder, Stamp and Items.Data:
// - Tag (integer): a number drawn anew at every write and shared by the two
//   files, so a pair that was not written together is recognised;
// - Folder (string, 4-byte length): the picture folder, UTF-8;
// - BkColor (integer): the background colour of the squares (00BBGGRR);
// - Height, Width (integers): the thumbnail size, 1..255;
// - Stamp (string): 16 hex digits summing up the folder's picture files
//   (names, sizes, modification times) when the thumbnails were made;
// - Bitmap (binary), the images in this program's own compact form:
//     "ZTIL", version (uint16, 1), width (uint16), height (uint16), image
//     count (uint32), then per image height rows of width x 3 bytes, blue,
//     green, red, top row first. The data ends exactly after the last image.
// - Items.Data (binary), the item block: total size (int32, the whole block
//   including these four bytes), item count (int32), then per item: image
//   index (int32), state index (int32, -1), overlay index (int32, -1),
//   sub-item count (int32, 0), user data (int32, 0), caption (a length byte
//   and that many bytes of UTF-8, a file name without folder).
//
// Reading checks every length, count and index against the bytes that
// hold it and refuses the whole cache (the caller then builds the
// thumbnails again) when anything does not fit: a wrong header, a
// component or value type it does not know, a stream or block size that
// differs from what is there, an image index outside the list, a sub-item
// count other than 0, a caption that is not a plain file name of the
// folder (empty, ".", "..", or holding "/" or a NUL byte), files whose Tag
// or Folder differ from each other or from the folder asked for. Writing
// goes through temporary files renamed over the old pair.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/Exceptions.h"
#include "library/Thumbnails.h"

namespace zelvo {

/// A cache file that is not in the layout above.
ZELVO_EXCEPTION(EThumbnailCacheError, Exception);
/// The message of a refused cache file.
inline constexpr const char* kInvalidStreamFormat = "不正なストリーム フォーマット";

/// $XDG_CACHE_HOME/zelvo, or ~/.cache/zelvo when XDG_CACHE_HOME is unset,
/// empty or relative.
std::filesystem::path ThumbnailCacheDirectory();

/// The pair of files of one picture folder.
struct TThumbnailCacheFiles {
    std::filesystem::path Dat;
    std::filesystem::path Idx;
};

/// The folder's pair under `cacheDirectory`; the folder is made absolute
/// and its trailing "/" removed before it is hashed.
TThumbnailCacheFiles ThumbnailCacheFiles(const std::filesystem::path& folder,
                                         const std::filesystem::path& cacheDirectory = ThumbnailCacheDirectory());

/// The folder's picture files summed up: 16 hex digits over the sorted
/// names of the files matching `patterns` with their sizes and
/// modification times. Empty when the folder cannot be listed.
std::string FolderStamp(const std::filesystem::path& folder, std::string_view patterns);

/// What a cache holds besides the thumbnails.
struct TThumbnailCacheData {
    TThumbnailSet Set;
    TColor Background = clWhite;
    std::string Stamp;
};

/// The bytes of the two files for `data` with the shared `tag`.
std::vector<std::uint8_t> SerializeThumbnailImageList(const TThumbnailCacheData& data, std::uint32_t tag);
std::vector<std::uint8_t> SerializeThumbnailListView(const TThumbnailCacheData& data, std::uint32_t tag);

/// Parses the two files' bytes and checks them against each other and
/// against `folder` (compared after StripTrailingSeparator). Throws
/// EThumbnailCacheError kInvalidStreamFormat, or EReadError when a length
/// runs past the end, for anything the layout does not allow.
TThumbnailCacheData ParseThumbnailCache(std::span<const std::uint8_t> dat, std::span<const std::uint8_t> idx,
                                        const std::filesystem::path& folder);

/// Writes the pair: each file to a temporary file in the cache folder
/// (created with mode 0700), renamed over the old one once written. On
/// failure both files are removed and false is returned.
bool SaveThumbnailCache(const TThumbnailCacheFiles& files, const TThumbnailCacheData& data);

/// Reads the pair for `folder`; nothing when a file is missing or refused.
std::optional<TThumbnailCacheData> LoadThumbnailCache(const TThumbnailCacheFiles& files,
                                                      const std::filesystem::path& folder);

}  // namespace zelvo
