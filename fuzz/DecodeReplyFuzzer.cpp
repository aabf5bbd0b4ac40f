// Fuzz target for the reply of the decoder process.
//
// The input is a whole reply file, as a decoder that lies or was taken over
// may write it. The parser must refuse it with EInvalidGraphic or give
// sections that lie inside the input, the rows where the first look at the
// header (ReplyRowsSection) found them; a picture built from it, as a plug-in's
// or as a format reader's, must be readable row by row, and its details must
// parse or be refused with EInvalidGraphic, a failure's details throw an
// exception of the program, and a plug-in's description parse to what
// writes the same bytes or be refused with EInvalidGraphic, and an icon
// source's images lie inside the file and the rows or are refused with
// EInvalidGraphic. Nothing else may escape: any other exception, read out
// of bounds or sanitizer report is a finding.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "formats/plugin/DecoderProtocol.h"
#include "formats/plugin/FormatReply.h"
#include "image/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvo;
    const std::span<const std::uint8_t> reply(data, size);
    // Where the rows lie, read first (their bytes may come through the
    // pipe): inside the reply, past its header, and where the whole reply
    // puts them.
    TReplyRows rows;
    bool rowsRefused = false;
    try {
        rows = ReplyRowsSection(reply, size);
        fuzz::Check(rows.Bytes == 0 || (rows.Offset >= sizeof(TDecodeReplyHeader) && rows.Offset <= size &&
                                        rows.Bytes <= size - rows.Offset));
    } catch (const EInvalidGraphic&) {
        rowsRefused = true;
    }
    TDecodeReply parsed;
    try {
        parsed = ParseDecodeReply(reply);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    fuzz::Check(!rowsRefused && rows.Bytes == parsed.Bits.size() &&
                (rows.Bytes == 0 || parsed.Bits.data() == data + rows.Offset));
    auto inside = [&](std::span<const std::uint8_t> section) {
        return section.empty() || (section.data() >= data && section.data() + section.size() <= data + size);
    };
    fuzz::Check(inside(parsed.InfoBlock) && inside(parsed.Bits) && inside(parsed.Details));
    fuzz::Touch(parsed.InfoBlock.data(), parsed.InfoBlock.size());
    fuzz::Touch(parsed.Bits.data(), parsed.Bits.size());
    fuzz::Touch(parsed.Details.data(), parsed.Details.size());
    if (parsed.Status == TDecodeStatus::Failed && !parsed.Details.empty()) {
        try {
            ThrowFailureDetails(parsed.Details);
        } catch (const Exception&) {
        }
        return 0;
    }
    if (parsed.Status == TDecodeStatus::Described) {
        try {
            const TSPIDescription description = ParsePluginDescription(parsed.Details);
            fuzz::Check(description.Patterns.size() == description.Descriptions.size());
            fuzz::Check(PluginDescriptionBytes(description) ==
                        std::vector<std::uint8_t>(parsed.Details.begin(), parsed.Details.end()));
        } catch (const EInvalidGraphic&) {
        }
        return 0;
    }
    if (parsed.Status == TDecodeStatus::Images) {
        // The icon source the decoder was given: the reply's first bytes.
        const std::size_t fileBytes = std::min<std::size_t>(size, 4096);
        const auto file = std::make_shared<const std::vector<std::uint8_t>>(data, data + fileBytes);
        std::vector<TIconImage> images;
        try {
            ParseIconSourceReply(parsed, file, images);
        } catch (const EInvalidGraphic&) {
            return 0;
        }
        for (const TIconImage& image : images) {
            fuzz::Touch(image.Data().data(), image.Data().size());
            try {
                const TIconPixels& pixels = image.Pixels();
                fuzz::Check(pixels.Bgra.size() == std::size_t(pixels.Width) * std::size_t(pixels.Height) * 4);
            } catch (const Exception&) {
                // The decoder's reason, thrown again.
            }
        }
        return 0;
    }
    if (parsed.Status != TDecodeStatus::Read) return 0;
    try {
        const TFormatOutcome outcome = ParseFormatDetails(parsed.Details);
        for (const TMetadataBlock& block : outcome.Info.Metadata.Blocks) fuzz::Touch(block.Data.data(), block.Data.size());
    } catch (const EInvalidGraphic&) {
    }
    try {
        const TDibImage picture = PictureFromFormatReply(parsed);
        for (int y = 0; y < picture.Height(); ++y) fuzz::Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));
    } catch (const EInvalidGraphic&) {
    }
    try {
        const TDibImage picture = PictureFromDecodeReply(parsed);
        if (picture.PixelFormat() == dibPf4BitRLE || picture.PixelFormat() == dibPf8BitRLE) return 0;
        for (int y = 0; y < picture.Height(); ++y) fuzz::Touch(picture.ScanLineRead(y), std::size_t(picture.RowBytes()));
    } catch (const EInvalidGraphic&) {
    } catch (const Exception&) {
        // The bitmap reader's own refusals of a picture it cannot take.
    }
    return 0;
}
