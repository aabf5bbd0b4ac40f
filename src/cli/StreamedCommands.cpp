#include "cli/StreamedCommands.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "formats/JpegRows.h"
#include "formats/PictureFormats.h"
#include "formats/PictureMetadata.h"
#include "formats/PnmCodec.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace zelvo::cli {

namespace {

namespace fs = std::filesystem;

/// The row of `key` when it reads `path`'s extension in this mode.
const TPictureFormat* ReadingRow(const std::string& path, const char* key, bool gifMode) {
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    if (!format || format->Key != key || !format->Read || !GateOpen(format->Gate, gifMode)) return nullptr;
    return format;
}

/// A target the replacing write may take the place of: a regular file or
/// nothing yet. A pipe or device named like a picture is left to the
/// whole-picture path, which writes into it.
bool ReplaceableTarget(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular;
}

/// The failure of a read as the document's load reports it.
[[noreturn]] void LoadFailed(const std::exception& e) { throw std::runtime_error(FailureOnOneLine(e.what())); }

}  // namespace

std::unique_ptr<TReplacingFile> DecodeOutput(const std::string& output) {
    if (!ReplaceableTarget(output)) return nullptr;
    try {
        return std::make_unique<TReplacingFile>(output, false);
    } catch (const EFCreateError&) {
        return nullptr;
    }
}

bool DecodeStreamed(const std::string& input, const std::string& output, bool gifMode) {
    const TPictureFormat* reader = ReadingRow(input, "jpeg", gifMode);
    const std::string extension = DispatchExtension(output);
    const TPictureFormat* writer = FindPictureWriter(extension, gifMode);
    if (!reader || !writer || writer->Key != "netpbm") return false;
    // Missing and unreadable files, and a file of another type under the
    // name, keep the whole-picture path's handling and messages.
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(input);
    } catch (const std::exception&) {
        return false;
    }
    if (!MatchesSignature(*reader, std::span(bytes).first(std::min(bytes.size(), kSignatureHeadBytes)))) return false;

    std::optional<TJpegRowDecoder> decoder;
    try {
        decoder.emplace(bytes);
    } catch (const std::exception& e) {
        LoadFailed(e);
    }
    // A turned picture opens upright, which takes the whole picture.
    if (JpegMetadata(decoder->Markers()).Orientation != 1) return false;
    // The whole-picture path reports an output it cannot create.
    const std::unique_ptr<TReplacingFile> file = DecodeOutput(output);
    if (!file) return false;
    try {
        WriteJpegAsPnm(*decoder, file->Stream(), PnmFormForExtension(extension));
    } catch (const EWriteError&) {
        throw;
    } catch (const std::exception& e) {
        LoadFailed(e);
    }
    file->Commit();
    return true;
}

bool ApplyStreamed(const std::string& input, const std::string& output, bool gifMode, int quality,
                   bool progressive) {
    const TPictureFormat* reader = ReadingRow(input, "netpbm", gifMode);
    const TPictureFormat* writer = FindPictureWriter(DispatchExtension(output), gifMode);
    if (!reader || !writer || writer->Key != "jpeg") return false;
    std::error_code ec;
    if (!fs::is_regular_file(input, ec)) return false;
    std::unique_ptr<TFileStream> stream;
    std::vector<std::uint8_t> head(kSignatureHeadBytes);
    try {
        stream = std::make_unique<TFileStream>(input, TFileStream::Mode::fmOpenRead);
        head.resize(stream->Read(head.data(), head.size()));
        stream->Seek(0, TSeekOrigin::soBeginning);
    } catch (const std::exception&) {
        return false;
    }
    if (!MatchesSignature(*reader, head)) return false;

    std::optional<TPnmRowReader> rows;
    try {
        rows.emplace(*stream);
    } catch (const std::exception& e) {
        LoadFailed(e);
    }
    if (!rows->Banded()) return false;
    // A netpbm file carries no metadata, so the save writes none.
    TReplacingFile file(output);
    try {
        WritePnmAsJpeg(*rows, file.Stream(), quality, progressive);
    } catch (const EReadError& e) {
        LoadFailed(e);
    }
    file.Commit();
    return true;
}

}  // namespace zelvo::cli
