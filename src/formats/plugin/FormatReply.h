#pragma once
// The reply of a format reader run in the decoder process (a Format
// request, DecoderProtocol.h): the picture exactly as the reader made it
// (its 40-byte header and whole colour table in the information block, its
// rows as stored), and in the details what the reader learnt besides the
// pixels (TPictureFileInfo with the metadata, and the file's picture size a
// preview reader reports), or the reader's exception when it failed, so
// that the caller throws what the reader would have thrown in process.
//
// Details of a picture, little-endian: "ZVFI", the flags byte (1
// Transparent, 2 Progressive, 4 HasTransparentIndex), TransparentIndex,
// ColorKeyed (signed byte), the metadata source, width and height (32
// bits each), Orientation (32 bits), the block count (32 bits), then per
// block its type and length (32 bits each) and its bytes.
// Details of a failure: "ZVFX", the exception's kind (32 bits, TReaderFault),
// then the message and the detail, each as a 32-bit length and its bytes.
//
// The parsers trust nothing: every length is checked against what is left,
// and a picture header must describe rows of exactly the size sent.

#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <vector>

#include "formats/IconFile.h"
#include "formats/PictureFormats.h"
#include "formats/plugin/DecoderProtocol.h"

namespace zelvo {

/// What a format reader gave besides its picture.
struct TFormatOutcome {
    TPictureFileInfo Info;
    /// The picture's size in the file (preview reads; otherwise the
    /// picture's own).
    int Width = 0;
    int Height = 0;
};

/// The details of a picture read.
std::vector<std::uint8_t> FormatDetailsBytes(const TFormatOutcome& outcome);
/// Parses the details of a picture read; throws EInvalidGraphic
/// (kSUnrecognisedImage, the fault in Detail()) when they are malformed.
TFormatOutcome ParseFormatDetails(std::span<const std::uint8_t> details);

/// The information block of a picture: its header and its 256 colours.
std::vector<std::uint8_t> FormatInfoBlock(const TDibImage& picture);
/// The picture of a Read reply to a Format request, byte for byte as the
/// reader made it; throws EInvalidGraphic (kSUnrecognisedImage) unless the
/// information block is a 40-byte header of 1, 4, 8 or 24 bits without
/// compression, within the pixel limit, with at most 256 colours, followed
/// by 256 colours, and the rows are exactly as long as the header says.
TDibImage PictureFromFormatReply(const TDecodeReply& reply);

/// The reply to an IconSource request: whether the bytes are an icon source
/// (TAdvancedIcon::LoadFromMemory's answer), and per image its directory
/// entry, where its data lies in the file, its name, size, depth and kind,
/// and its decoded pixels (blue, green, red, alpha rows, then the mask, in
/// the rows section) or the details of the exception decoding threw.
///
/// Details, little-endian: "ZVIS", the answer (byte), the image count (32
/// bits); per image the 16-byte entry, the data's offset and size (64 bits
/// each), the name (32-bit length, bytes), width, height and depth (32 bits
/// each), the kind (byte, 1 for PNG), then 1 with the pixels' width, height,
/// alpha flag (byte), mask flag (byte) and their offset in the rows (64
/// bits), or 2 with failure details (32-bit length, bytes).
struct TIconSourceReply {
    std::vector<std::uint8_t> Details;
    std::vector<std::uint8_t> Rows;
};
TIconSourceReply IconSourceReply(bool isIconSource, const TAdvancedIcon& icon);
/// Parses an Images reply to an IconSource request for `file`, the bytes
/// the decoder was given: whether they are an icon source, its images into
/// `images`. Throws EInvalidGraphic (kSUnrecognisedImage) when the reply is
/// malformed: a count, length, size or offset that does not fit.
bool ParseIconSourceReply(const TDecodeReply& reply, const std::shared_ptr<const std::vector<std::uint8_t>>& file,
                          std::vector<TIconImage>& images);

/// The details of a reader's failure.
std::vector<std::uint8_t> FailureDetailsBytes(const std::exception& error);
/// Throws the exception the details describe: the reader's exception class
/// (EJPEG, EPngLoadError, GIFException, EReadError, ...) with its message
/// and detail; an exception the program does not know of, or malformed
/// details, as EDecoderFailed (kSUnrecognisedImage) with the reason.
[[noreturn]] void ThrowFailureDetails(std::span<const std::uint8_t> details);

}  // namespace zelvo
