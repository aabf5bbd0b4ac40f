#include "formats/PictureFormats.h"

#include <algorithm>

#include "formats/EncoderWriters.h"
#include "formats/GifImage.h"
#include "formats/IconFile.h"
#include "formats/JpegImage.h"
#include "formats/PhotoCd.h"
#include "formats/PngImage.h"
#include "formats/PnmCodec.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/Exceptions.h"

namespace zelvo {

namespace {

/// Plain 4- or 8-bit form of an RLE picture; other pictures as they are.
void DecodeRle(TDibImage& picture) {
    const TDibPixelFormat format = picture.PixelFormat();
    if (format == dibPf4BitRLE) picture.SetPixelFormat(dibPf4Bit);
    if (format == dibPf8BitRLE) picture.SetPixelFormat(dibPf8Bit);
}

// RLE pictures come back as plain 4- or 8-bit pictures.
TDibImage ReadBmp(TStream& stream, TReadPurpose, TPictureFileInfo&) {
    TDibImage picture;
    picture.LoadFromStream(stream);
    DecodeRle(picture);
    return picture;
}

// With RLECompress, 4- and 8-bit pictures are RLE-coded; one that RLE cannot
// represent is written uncompressed.
void WriteBmp(const TDibImage& picture, TStream& stream, const TSaveOptions& options, std::string_view) {
    TDibImage out(picture);
    DecodeRle(out);
    if (options.RLECompress) {
        try {
            if (out.PixelFormat() == dibPf4Bit) out.SetPixelFormat(dibPf4BitRLE);
            if (out.PixelFormat() == dibPf8Bit) out.SetPixelFormat(dibPf8BitRLE);
        } catch (const EDibImageError&) {
            out = picture;
            DecodeRle(out);
        }
    }
    out.SaveToStream(stream);
}

// The document reads full size at best quality, 24 bits (8 for grey files),
// Progressive = more than one scan; the other uses take the fast transform.
TDibImage ReadJpeg(TStream& stream, TReadPurpose purpose, TPictureFileInfo& info) {
    if (purpose != TReadPurpose::Document) return LoadJpegPicture(stream, TJPEGPerformance::jpBestSpeed);
    TJpegLoadInfo jpeg;
    TDibImage picture = LoadJpegPicture(stream, TJPEGPerformance::jpBestQuality, &jpeg);
    info.Progressive = jpeg.Progressive;
    info.Metadata = JpegMetadata(std::move(jpeg.Markers));
    return picture;
}

void WriteJpeg(const TDibImage& picture, TStream& stream, const TSaveOptions& options, std::string_view) {
    const std::vector<TMetadataBlock> markers =
        options.Metadata ? JpegMetadataForSave(*options.Metadata, picture.Width(), picture.Height())
                         : std::vector<TMetadataBlock>{};
    SaveJpegPicture(picture, stream, options.Quality, options.Progressive, markers);
}

// Progressive = interlaced; Transparent stays false (a transparent colour in
// the file is not reported as transparency); ColorKeyed true.
TDibImage ReadPng(TStream& stream, TReadPurpose, TPictureFileInfo& info) {
    TDibImage picture;
    info.Progressive = LoadPngPicture(stream, picture, &info.Metadata);
    info.ColorKeyed = 1;
    return picture;
}

// Transparency = Transparent with TransparentColor, interlace = Progressive.
void WritePng(const TDibImage& picture, TStream& stream, const TSaveOptions& options, std::string_view) {
    const std::vector<TMetadataBlock> chunks =
        options.Metadata ? PngMetadataForSave(*options.Metadata) : std::vector<TMetadataBlock>{};
    SavePngPicture(picture, stream, options.Transparent, options.TransparentColor, options.Progressive, chunks);
}

// The first image on the logical screen; Transparent, Progressive and the
// transparent index come from that image.
TDibImage ReadGif(TStream& stream, TReadPurpose, TPictureFileInfo& info) {
    TGIFImage gif;
    gif.LoadFromStream(stream);
    TDibImage picture = gif.ToDibImage();
    const TGIFSubImage& first = gif.Images.front();
    info.Transparent = first.Transparent;
    info.Progressive = first.Interlaced();
    info.HasTransparentIndex = first.Transparent;
    info.TransparentIndex = first.TransparentIndex();
    return picture;
}

// Octree reduction for deeper pictures, a single global map sorted by use,
// transparency = Transparent with TransparentIndex, interlace = Progressive.
void WriteGif(const TDibImage& picture, TStream& stream, const TSaveOptions& options, std::string_view) {
    SaveGifPicture(picture, stream, options.Transparent, options.TransparentIndex, options.Progressive);
}

// Image 0 drawn at its own size on a black 24-bit picture.
TDibImage ReadIcon(const std::filesystem::path& path, TReadPurpose, TPictureFileInfo&) {
    return LoadIconPicture(path, 0);
}

TDibImage ReadIconStream(TStream& stream, TReadPurpose, TPictureFileInfo&) {
    if (stream.Size() < 0 || std::uint64_t(stream.Size()) > kMaxIconSourceBytes)
        throw EFOpenError("Cannot open file", "not a regular file of at most " + std::to_string(kMaxIconSourceBytes) +
                                                  " bytes");
    return LoadIconPicture(stream.ReadRest(), 0);
}

// The document reads resolution 2 (768 x 512), the other uses resolution 0
// (192 x 128). A file too short for it reads as empty, which is a failed
// load.
TDibImage ReadPhotoCd(TStream& stream, TReadPurpose purpose, TPictureFileInfo&) {
    TQxPCD pcd;
    pcd.SetResolution(purpose == TReadPurpose::Document ? 2 : 0);
    pcd.LoadFromStream(stream);
    if (pcd.Empty()) throw EReadError(kSReadError, "PhotoCD file too short for resolution " +
                                                       std::to_string(pcd.Resolution()));
    return pcd.Bitmap();
}

// The file forms of a row's readers: the stream form over the file in this
// process, or the whole read in a decoder process while every decoder is to
// run there (the row's own file reader, where it has one, stays the one
// used in process).
void AddFileReaders(TPictureFormat& row) {
    if (row.ReadStream) {
        TPictureReader local = row.Read;
        if (!local) {
            local = [stream = row.ReadStream](const std::filesystem::path& path, TReadPurpose purpose,
                                              TPictureFileInfo& info) {
                TFileStream file(path, TFileStream::Mode::fmOpenRead);
                return stream(file, purpose, info);
            };
        }
        row.Read = [key = row.Key, local](const std::filesystem::path& path, TReadPurpose purpose,
                                          TPictureFileInfo& info) {
            if (SandboxOptions().AllDecoders) return ReadInDecoder(key, path, purpose, info);
            return local(path, purpose, info);
        };
    }
    if (row.PreviewStream) {
        row.ReadPreview = [key = row.Key, stream = row.PreviewStream](const std::filesystem::path& path, int boxWidth,
                                                                      int boxHeight, int& width, int& height) {
            if (SandboxOptions().AllDecoders) return PreviewInDecoder(key, path, boxWidth, boxHeight, width, height);
            TFileStream file(path, TFileStream::Mode::fmOpenRead);
            return stream(file, boxWidth, boxHeight, width, height);
        };
    }
    if (row.ThumbnailStream) {
        row.ReadThumbnail = [key = row.Key, stream = row.ThumbnailStream](const std::filesystem::path& path,
                                                                          int thumbSize) {
            if (SandboxOptions().AllDecoders) return ThumbnailInDecoder(key, path, thumbSize);
            TFileStream file(path, TFileStream::Mode::fmOpenRead);
            return stream(file, thumbSize);
        };
    }
}

std::vector<TPictureFormat> MakeTable() {
    std::vector<TPictureFormat> rows;
    rows.push_back({.Key = "bmp",
                    .Description = "Windows bitmap",
                    .Extensions = {".bmp", ".dib"},
                    .WriteExtensions = {".bmp"},
                    .MimeTypes = {"image/bmp"},
                    .Signatures = {{{0, "BM"}}},
                    .ReadStream = ReadBmp,
                    .Write = WriteBmp,
                    .QuickPreview = true});
    rows.push_back({.Key = "jpeg",
                    .Description = "JPEG picture",
                    .Extensions = {".jpg", ".jpe", ".jpeg"},
                    .EntryPatterns = "*.jpg;*.jpeg;*.jpe",
                    .WriteExtensions = {".jpg", ".jpe", ".jpeg"},
                    .MimeTypes = {"image/jpeg"},
                    .Signatures = {{{0, "\xFF\xD8\xFF"}}},
                    .ReadStream = ReadJpeg,
                    .Write = WriteJpeg,
                    .QuickPreview = true,
                    .PreviewStream = [](TStream& stream, int boxWidth, int boxHeight, int& width,
                                        int& height) { return LoadJpegPreview(stream, boxWidth, boxHeight, width, height); },
                    .ThumbnailStream = [](TStream& stream, int thumbSize) { return LoadJpegThumbnail(stream, thumbSize); }});
    // Secondary loads read PNG natively only in GIF mode; otherwise the file
    // goes to the plug-ins like any unlisted one.
    rows.push_back({.Key = "png",
                    .Description = "PNG picture",
                    .Extensions = {".png"},
                    .WriteExtensions = {".png"},
                    .MimeTypes = {"image/png"},
                    .Signatures = {{{0, "\x89PNG\r\n\x1A\n"}}},
                    .ReadStream = ReadPng,
                    .Write = WritePng,
                    .SecondaryGate = TGifGate::GifModeOnly,
                    .QuickPreview = true,
                    .ColorKeyedAfterSave = true});
    // The document opens icons through its icon loader (image 0); secondary
    // loads take image 0 at its own size in 24 bits.
    rows.push_back({.Key = "ico",
                    .Description = "Windows icon",
                    .Extensions = {".ico"},
                    .MimeTypes = {"image/x-icon", "image/vnd.microsoft.icon"},
                    .Signatures = {{{0, std::string("\0\0\1\0", 4)}}},
                    .Read = ReadIcon,
                    .ReadStream = ReadIconStream,
                    .QuickPreview = true,
                    .IconSource = true});
    rows.push_back({.Key = "gif",
                    .Description = "GIF picture",
                    .Extensions = {".gif"},
                    .WriteExtensions = {".gif"},
                    .MimeTypes = {"image/gif"},
                    .Signatures = {{{0, "GIF87a"}}, {{0, "GIF89a"}}},
                    .ReadStream = ReadGif,
                    .Write = WriteGif,
                    .Gate = TGifGate::GifModeOnly,
                    .SecondaryGate = TGifGate::GifModeOnly,
                    .QuickPreview = true});
    // PhotoCD: resolution 2 (768 x 512) for the document in GIF mode,
    // resolution 0 (192 x 128) for secondary loads in any mode.
    rows.push_back({.Key = "pcd",
                    .Description = "PhotoCD picture",
                    .Extensions = {".pcd"},
                    .MimeTypes = {"image/x-photo-cd"},
                    .ReadStream = ReadPhotoCd,
                    .Gate = TGifGate::GifModeOnly,
                    .SecondaryGate = TGifGate::Always,
                    .QuickPreview = true});
    // Netpbm, the command-line tools' interchange format: opened by name
    // (command line, drops, zelvo-cli), not listed in the dialogs.
    rows.push_back({.Key = "netpbm",
                    .Description = "Netpbm picture",
                    .Extensions = {".pnm", ".ppm", ".pgm", ".pbm", ".pam", ".pfm"},
                    .WriteExtensions = {".ppm", ".pgm", ".pbm", ".pnm", ".pam"},
                    .MimeTypes = {"image/x-portable-anymap", "image/x-portable-pixmap", "image/x-portable-graymap",
                                  "image/x-portable-bitmap", "image/x-portable-arbitrarymap"},
                    .Signatures = {{{0, "P1"}}, {{0, "P2"}}, {{0, "P3"}}, {{0, "P4"}}, {{0, "P5"}}, {{0, "P6"}},
                                   {{0, "P7"}}, {{0, "PF"}}, {{0, "Pf"}}},
                    .ReadStream = [](TStream& stream, TReadPurpose, TPictureFileInfo&) { return LoadPnmPicture(stream); },
                    .Write = [](const TDibImage& picture, TStream& stream, const TSaveOptions&,
                                std::string_view extension) {
                        SavePnmPicture(picture, stream, PnmFormForExtension(extension));
                    },
                    .Listed = false,
                    .QuickPreview = true});
    // Written through outside encoders, read by the bundled image plug-ins
    // (no reader here, so their files and the open dialog's entries are the
    // plug-ins').
    rows.push_back({.Key = "webp",
                    .Description = "WebP picture",
                    .Extensions = {".webp"},
                    .WriteExtensions = {".webp"},
                    .MimeTypes = {"image/webp"},
                    .Signatures = {{{0, "RIFF"}, {8, "WEBP"}}},
                    .Write = [](const TDibImage& picture, TStream& stream, const TSaveOptions& options,
                                std::string_view) { SaveWebpPicture(picture, stream, options); }});
    rows.push_back({.Key = "tiff",
                    .Description = "TIFF picture",
                    .Extensions = {".tif", ".tiff"},
                    .WriteExtensions = {".tif", ".tiff"},
                    .MimeTypes = {"image/tiff"},
                    .Signatures = {{{0, std::string("II*\0", 4)}}, {{0, std::string("MM\0*", 4)}}},
                    .Write = [](const TDibImage& picture, TStream& stream, const TSaveOptions& options,
                                std::string_view) { SaveTiffPicture(picture, stream, options); }});
    rows.push_back({.Key = "avif",
                    .Description = "AVIF picture",
                    .Extensions = {".avif"},
                    .WriteExtensions = {".avif"},
                    .MimeTypes = {"image/avif"},
                    .Signatures = {{{4, "ftypavif"}}, {{4, "ftypavis"}}},
                    .Write = [](const TDibImage& picture, TStream& stream, const TSaveOptions& options,
                                std::string_view) { SaveHeifPicture(picture, stream, options, true); }});
    rows.push_back({.Key = "heic",
                    .Description = "HEIF picture",
                    .Extensions = {".heic", ".heif", ".hif"},
                    .WriteExtensions = {".heic", ".heif"},
                    .MimeTypes = {"image/heic", "image/heif"},
                    .Signatures = {{{4, "ftypheic"}},
                                   {{4, "ftypheix"}},
                                   {{4, "ftypheim"}},
                                   {{4, "ftypheis"}},
                                   {{4, "ftypmif1"}},
                                   {{4, "ftypmsf1"}}},
                    .Write = [](const TDibImage& picture, TStream& stream, const TSaveOptions& options,
                                std::string_view) { SaveHeifPicture(picture, stream, options, false); }});
    rows.push_back({.Key = "jxl",
                    .Description = "JPEG XL picture",
                    .Extensions = {".jxl"},
                    .WriteExtensions = {".jxl"},
                    .MimeTypes = {"image/jxl"},
                    .Signatures = {{{0, "\xFF\x0A"}}, {{0, std::string("\0\0\0\x0CJXL \r\n\x87\n", 12)}}},
                    .Write = [](const TDibImage& picture, TStream& stream, const TSaveOptions& options,
                                std::string_view) { SaveJxlPicture(picture, stream, options); }});
    for (TPictureFormat& row : rows) AddFileReaders(row);
    return rows;
}

}  // namespace

std::span<const TPictureFormat> PictureFormats() {
    static const std::vector<TPictureFormat> table = MakeTable();
    return table;
}

const TPictureFormat* FindPictureFormatByKey(std::string_view key) {
    for (const TPictureFormat& row : PictureFormats())
        if (row.Key == key) return &row;
    return nullptr;
}

const TPictureFormat* FindPictureFormat(std::string_view extension) {
    for (const TPictureFormat& row : PictureFormats()) {
        if (std::find(row.Extensions.begin(), row.Extensions.end(), extension) != row.Extensions.end()) return &row;
    }
    return nullptr;
}

bool MatchesSignature(const TPictureFormat& format, std::span<const std::uint8_t> head) {
    return std::any_of(format.Signatures.begin(), format.Signatures.end(), [&](const TSignature& signature) {
        return std::all_of(signature.begin(), signature.end(), [&](const TSignaturePart& part) {
            return part.Offset + part.Bytes.size() <= head.size() &&
                   std::equal(part.Bytes.begin(), part.Bytes.end(), head.begin() + std::ptrdiff_t(part.Offset),
                              [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
        });
    });
}

const TPictureFormat* FindPictureFormatBySignature(std::span<const std::uint8_t> head) {
    for (const TPictureFormat& row : PictureFormats())
        if (MatchesSignature(row, head)) return &row;
    return nullptr;
}

bool WritesExtension(const TPictureFormat& format, std::string_view extension) {
    return format.Write &&
           std::find(format.WriteExtensions.begin(), format.WriteExtensions.end(), extension) !=
               format.WriteExtensions.end();
}

bool WritableExtension(std::string_view extension) {
    const TPictureFormat* format = FindPictureFormat(extension);
    return format && WritesExtension(*format, extension);
}

std::vector<std::string> PictureMimeTypes() {
    std::vector<std::string> types;
    for (const TPictureFormat& row : PictureFormats()) {
        for (const std::string& type : row.MimeTypes)
            if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    }
    return types;
}

}  // namespace zelvo
