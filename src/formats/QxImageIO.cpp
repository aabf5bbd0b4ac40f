#include "formats/QxImageIO.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/plugin/SpiBitmap.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "image/Text.h"

namespace zelvo {

namespace {

/// Runs `writer` on a temporary file in the target's folder and renames it
/// over the target only when the writer returned; otherwise removes it and
/// lets the failure propagate.
void WriteReplacing(const std::filesystem::path& target, const std::function<void(TStream&)>& writer) {
    TReplacingFile file(target);
    writer(file.Stream());
    file.Commit();
}

}  // namespace

/// The stream of a durable file: asks the system to start writing each
/// stretch of kStretch bytes to the disk once it is written, without
/// waiting for it.
class TReplacingFile::TWriteback : public TStream {
public:
    explicit TWriteback(TFileStream& file) : file_(file) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t done = file_.Read(buffer, count);
        position_ += std::int64_t(done);
        return done;
    }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const std::size_t done = file_.Write(buffer, count);
        position_ += std::int64_t(done);
        if (position_ >= started_ + kStretch) {
            ::sync_file_range(file_.Handle(), started_, position_ - started_, SYNC_FILE_RANGE_WRITE);
            started_ = position_;
        }
        return done;
    }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        position_ = file_.Seek(offset, origin);
        // Data written before a step back goes in the next stretch again.
        started_ = std::min(started_, std::max<std::int64_t>(position_, 0));
        return position_;
    }
    std::int64_t Size() override { return file_.Size(); }

private:
    static constexpr std::int64_t kStretch = std::int64_t(512) << 10;
    TFileStream& file_;
    std::int64_t position_ = 0;
    std::int64_t started_ = 0;
};

TReplacingFile::TReplacingFile(const std::filesystem::path& target, bool durable)
    : target_(target), destination_(target), durable_(durable) {
    std::error_code ec;
    // Replace the file a symbolic link points to, not the link itself.
    if (std::filesystem::is_symlink(destination_, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(destination_, ec);
        if (!ec) destination_ = resolved;
    }
    std::filesystem::path folder = destination_.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + destination_.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) throw EFCreateError("Cannot create file \"" + target.string() + "\"", std::strerror(errno));
    temp_ = name.data();

    mode_t mode = 0;
    struct stat existing {};
    if (::stat(destination_.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::close(fd);
    try {
        file_ = std::make_unique<TFileStream>(temp_, TFileStream::Mode::fmOpenReadWrite);
        if (durable_) stream_ = std::make_unique<TWriteback>(*file_);
    } catch (...) {
        std::filesystem::remove(temp_, ec);
        throw;
    }
}

TStream& TReplacingFile::Stream() { return stream_ ? *stream_ : *file_; }

TReplacingFile::~TReplacingFile() {
    if (committed_) return;
    stream_.reset();
    file_.reset();
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

void TReplacingFile::Commit() {
    if (durable_) file_->Sync();
    stream_.reset();
    file_.reset();
    if (::rename(temp_.c_str(), destination_.c_str()) != 0) {
        const int error = errno;
        throw EFCreateError("Cannot create file \"" + target_.string() + "\"", std::strerror(error));
    }
    committed_ = true;
}

std::string DispatchExtension(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return AsciiLower(name.substr(dot));
}

namespace {

/// The first kSignatureHeadBytes of a file (fewer for a shorter one; none
/// when it cannot be read).
std::vector<std::uint8_t> FileHead(const std::filesystem::path& path) {
    std::vector<std::uint8_t> head(kSignatureHeadBytes);
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    std::size_t got = 0;
    while (got < head.size()) {
        const std::size_t n = stream.Read(head.data() + got, head.size() - got);
        if (n == 0) break;
        got += n;
    }
    head.resize(got);
    return head;
}

/// Reads through the plug-ins as the document load does; false without a
/// plug-in collection.
bool ReadDocumentPluginPicture(const std::filesystem::path& path, TDibImage& picture, TPictureFileInfo& info) {
    TDibImage loaded;
    if (!ReadPluginPicture(path, loaded)) return false;
    picture = loaded;
    info = TPictureFileInfo{};
    info.ColorKeyed = -1;
    return true;
}

/// Reads with `format`'s own reader.
void ReadDocumentRow(const TPictureFormat& format, const std::filesystem::path& path, TDibImage& picture,
                     TPictureFileInfo& info) {
    TPictureFileInfo read;
    TDibImage loaded = format.Read(path, TReadPurpose::Document, read);
    picture = loaded;
    info = read;
}

/// The row whose signature the file has when it is not `named` (the row
/// its extension names, or nullptr): the reader that takes over a file
/// whose extension lies. nullptr when the head matches `named`, no row, or
/// cannot be read.
const TPictureFormat* ActualFormat(const std::filesystem::path& path, const TPictureFormat* named) {
    std::vector<std::uint8_t> head;
    try {
        head = FileHead(path);
    } catch (const std::exception&) {
        return nullptr;
    }
    if (named && MatchesSignature(*named, head)) return nullptr;
    const TPictureFormat* actual = FindPictureFormatBySignature(head);
    return actual == named ? nullptr : actual;
}

/// Reads a file whose head shows it is of `actual`'s format: with that
/// row's reader, or through the plug-ins for a row they read. False when
/// neither can (outside GIF mode for GIF, no plug-in collection).
bool ReadActualFormat(const TPictureFormat& actual, const std::filesystem::path& path, bool gifMode,
                      TDibImage& picture, TPictureFileInfo& info) {
    if (actual.IconSource) return false;
    if (actual.Read) {
        if (!GateOpen(actual.Gate, gifMode)) return false;
        ReadDocumentRow(actual, path, picture, info);
    } else if (!ReadDocumentPluginPicture(path, picture, info)) {
        return false;
    }
    info.ActualFormat = actual.Key;
    return true;
}

}  // namespace

bool ReadDocumentPicture(const std::filesystem::path& path, bool gifMode, TDibImage& picture,
                         TPictureFileInfo& info) {
    // Every other extension, and .gif/.pcd outside GIF mode, belongs to the
    // image plug-ins.
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    if (!format || !format->Read || !GateOpen(format->Gate, gifMode)) {
        try {
            return ReadDocumentPluginPicture(path, picture, info);
        } catch (const std::exception&) {
            // No plug-in took the file: a picture of a format read here
            // under a name the plug-ins' formats use (a PNG named .webp)
            // is read by its own reader; anything else keeps the
            // plug-ins' message.
            const TPictureFormat* actual = ActualFormat(path, format);
            if (!actual || !actual->Read || !ReadActualFormat(*actual, path, gifMode, picture, info)) throw;
            return true;
        }
    }
    // A file that does not start as its extension's format says (a PNG
    // named .jpg, saved from the web) goes to the reader of the format it
    // has; a file of no known format keeps its extension's reader and its
    // message.
    if (!format->Signatures.empty()) {
        if (const TPictureFormat* actual = ActualFormat(path, format);
            actual && ReadActualFormat(*actual, path, gifMode, picture, info))
            return true;
    }
    ReadDocumentRow(*format, path, picture, info);
    return true;
}

const TPictureFormat* FindPictureWriter(std::string_view extension, bool gifMode) {
    const TPictureFormat* format = FindPictureFormat(extension);
    if (!format || !WritesExtension(*format, extension) || !GateOpen(format->Gate, gifMode)) return nullptr;
    return format;
}

bool WriteDocumentPicture(const std::filesystem::path& path, const TDibImage& picture, const TSaveOptions& options,
                          bool gifMode, bool& colorKeyed) {
    const std::string ext = DispatchExtension(path);
    const TPictureFormat* format = FindPictureWriter(ext, gifMode);
    if (!format) return false;
    WriteReplacing(path, [&](TStream& stream) { format->Write(picture, stream, options, ext); });
    colorKeyed = format->ColorKeyedAfterSave;
    return true;
}

bool LoadPictureFile(const std::filesystem::path& path, TDibImage& picture, bool gifMode) {
    // Secondary loads (thumbnails, textures, batch input) skip unreadable
    // files, and anything but a regular file (a pipe would block them); the
    // row's secondary gate says whether it reads the file in this mode at
    // all (otherwise the file is the image plug-ins').
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    try {
        if (!format || !format->Read || !GateOpen(format->SecondaryGate, gifMode))
            return ReadPluginPicture(path, picture);
        TPictureFileInfo info;
        TDibImage loaded = format->Read(path, TReadPurpose::Secondary, info);
        picture = loaded;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool LoadPreviewPicture(const std::filesystem::path& path, bool gifMode, int boxWidth, int boxHeight,
                        TPreviewPicture& preview) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    try {
        TPreviewPicture read;
        if (!format || !format->Read || !GateOpen(format->Gate, gifMode)) {
            // Plug-in formats preview through the plug-ins, as the document
            // load reads them.
            if (!ReadPluginPicture(path, read.Picture)) return false;
            read.Width = read.Picture.Width();
            read.Height = read.Picture.Height();
        } else if (!format->QuickPreview) {
            return false;
        } else if (format->ReadPreview) {
            read.Picture = format->ReadPreview(path, boxWidth, boxHeight, read.Width, read.Height);
        } else {
            TPictureFileInfo info;
            read.Picture = format->Read(path, TReadPurpose::Preview, info);
            read.Width = read.Picture.Width();
            read.Height = read.Picture.Height();
        }
        preview = std::move(read);
        return true;
    } catch (const std::exception&) {
        // A file that cannot be previewed simply shows no preview.
        return false;
    }
}

bool LoadPreviewPicture(const std::filesystem::path& path, TDibImage& picture, bool gifMode) {
    TPreviewPicture preview;
    if (!LoadPreviewPicture(path, gifMode, 0, 0, preview)) return false;
    picture = preview.Picture;
    return true;
}

namespace {

/// "*.a;*.b" for the given extensions.
std::string Patterns(const std::vector<std::string>& extensions) {
    std::string out;
    for (const auto& ext : extensions) out += (out.empty() ? "*" : ";*") + ext;
    return out;
}

std::string Caption(const std::function<std::string(const TPictureFormat&)>& caption, const TPictureFormat& row,
                    const std::string& patterns) {
    std::string text = caption ? caption(row) : std::string();
    return text.empty() ? row.Description + " (" + patterns + ")" : text;
}

}  // namespace

TFormatFilters BuildFormatFilters(bool gifMode, const std::vector<TPluginFormat>& plugins,
                                  const TFilterCaptions& captions) {
    TFormatFilters result;
    std::string entries;
    for (const TPictureFormat& row : PictureFormats()) {
        if (!row.Listed || !GateOpen(row.Gate, gifMode)) continue;
        // A row without a reader leaves its open entry and its extensions
        // to the plug-in that reads its files.
        if (row.Read) {
            const std::string patterns = Patterns(row.Extensions);
            const std::string entry = row.EntryPatterns.empty() ? patterns : row.EntryPatterns;
            for (const auto& ext : row.Extensions) result.KnownExtensions.push_back(ext);
            result.AllPatterns += (result.AllPatterns.empty() ? "" : ";") + patterns;
            entries += "|" + Caption(captions.Open, row, entry) + "|" + entry;
        }
        if (!row.WriteExtensions.empty()) {
            const std::string& ext = row.WriteExtensions.front();
            if (!result.SaveFilter.empty()) result.SaveFilter += "|";
            result.SaveFilter += Caption(captions.Save, row, "*" + ext) + "|*" + ext;
            result.SaveExtensions.push_back(ext.substr(1));
        }
    }

    for (const auto& plugin : plugins) {
        const std::string patterns = AsciiLower(plugin.Patterns);
        bool added = false;
        for (const auto& pattern : SplitText(patterns, ';')) {
            const std::size_t dot = pattern.find('.');
            const std::string ext = dot == std::string::npos ? pattern : pattern.substr(dot);
            auto& known = result.KnownExtensions;
            if (std::find(known.begin(), known.end(), ext) == known.end()) {
                known.push_back(ext);
                added = true;
            }
        }
        result.PluginAccepted.push_back(added);
        if (added) {
            entries += "|" + plugin.Description + "|" + patterns;
            result.AllPatterns += ";" + patterns;
        }
    }

    result.OpenFilter = captions.AllPictures + "|" + result.AllPatterns + entries;
    const auto parts = SplitText(result.OpenFilter, '|');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i % 2 == 0) {
            result.DescriptionList.push_back(parts[i]);
        } else {
            std::string list;
            for (const auto& pattern : SplitText(parts[i], ';')) list += pattern + " ";
            result.PatternList.push_back(list);
        }
    }
    return result;
}

}  // namespace zelvo
