// Banded JPEG decoding and compression through the managers of
// JpegManagers.h, and the JPEG <-> netpbm conversions; see JpegRows.h.

#include "formats/JpegRows.h"

#include <algorithm>

#include "formats/JpegManagers.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace zelvo {

using namespace jpeg;

// ---------------------------------------------------------------------------
// Decoding

struct TJpegRowDecoder::TState : CoderBase {
    jpeg_decompress_struct cinfo{};
    SourceManager source{};
    std::span<const std::uint8_t> bytes;
    bool created = false;
    bool grey = false;
    bool cmyk = false;
    bool greyRows = false;
    std::vector<TMetadataBlock> markers;
    // The band of the current ReadRows call.
    std::uint8_t* first = nullptr;
    std::size_t stride = 0;
    JDIMENSION count = 0;
    std::vector<JSAMPLE> cmykRows;
    std::vector<JSAMPROW> cmykPointers;

    ~TState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }

    static void Header(TState& s) {
        j_decompress_ptr cinfo = &s.cinfo;
        cinfo->err = &s.err.pub;
        jpeg_create_decompress(cinfo);
        s.created = true;
        InstallSource(cinfo, s.source, s.bytes);
        SaveWantedMarkers(cinfo);
        jpeg_read_header(cinfo, TRUE);
        s.grey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
        s.cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    }

    static void Start(TState& s) {
        j_decompress_ptr cinfo = &s.cinfo;
        // The document's load: full size, block smoothing, the library's
        // accurate transform and fancy upsampling.
        cinfo->scale_num = 1;
        cinfo->scale_denom = 1;
        cinfo->do_block_smoothing = TRUE;
        cinfo->out_color_space = s.greyRows ? JCS_GRAYSCALE : s.cmyk ? JCS_CMYK : JCS_RGB;
        jpeg_start_decompress(cinfo);
    }

    static void Read(TState& s) {
        j_decompress_ptr cinfo = &s.cinfo;
        const JDIMENSION end = std::min(cinfo->output_scanline + s.count, cinfo->output_height);
        const JDIMENSION top = cinfo->output_scanline;
        if (s.cmyk && !s.greyRows) {
            // Four ink samples per pixel through a buffer of a few rows,
            // then to red, green, blue.
            while (cinfo->output_scanline < end) {
                const JDIMENSION y = cinfo->output_scanline;
                const JDIMENSION want = std::min(JDIMENSION(s.cmykPointers.size()), end - y);
                const JDIMENSION got = jpeg_read_scanlines(cinfo, s.cmykPointers.data(), want);
                for (JDIMENSION r = 0; r < got; ++r) {
                    const JSAMPLE* in = s.cmykPointers[r];
                    std::uint8_t* out = s.first + std::size_t(y + r - top) * s.stride;
                    for (JDIMENSION x = 0; x < cinfo->output_width; ++x, in += 4, out += 3) {
                        out[0] = CmykChannel(in[0], in[3]);
                        out[1] = CmykChannel(in[1], in[3]);
                        out[2] = CmykChannel(in[2], in[3]);
                    }
                }
            }
            return;
        }
        // Rows go straight to the caller's band, as many per call as the
        // library likes to deliver.
        JSAMPROW rows[16];
        while (cinfo->output_scanline < end) {
            const JDIMENSION y = cinfo->output_scanline;
            const JDIMENSION want = std::min<JDIMENSION>(16, end - y);
            for (JDIMENSION r = 0; r < want; ++r) rows[r] = s.first + std::size_t(y + r - top) * s.stride;
            jpeg_read_scanlines(cinfo, rows, want);
        }
    }

    static void End(TState& s) { jpeg_finish_decompress(&s.cinfo); }

    void Run(void (*step)(TState&)) {
        if (!RunGuarded(err, step, *this)) ThrowLibraryError(err);
    }
};

TJpegRowDecoder::TJpegRowDecoder(std::span<const std::uint8_t> bytes) : state_(std::make_unique<TState>()) {
    TState& s = *state_;
    s.bytes = bytes;
    s.decompressing = true;
    InstallErrorManager(s.err);
    s.Run(&TState::Header);
    // The size is checked before the library allocates anything for rows.
    CheckedImageBytes<EDibImageInvalidDIBPara>(Width(), Height(), 24, "TDibImageData.CreateDIB: Invalid Parameters");
    for (jpeg_saved_marker_ptr m = s.cinfo.marker_list; m != nullptr; m = m->next) {
        if (!JpegMarkerWanted(m->marker)) continue;
        s.markers.push_back(TMetadataBlock{m->marker, std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
    }
}

TJpegRowDecoder::~TJpegRowDecoder() = default;

int TJpegRowDecoder::Width() const { return int(state_->cinfo.image_width); }
int TJpegRowDecoder::Height() const { return int(state_->cinfo.image_height); }
bool TJpegRowDecoder::Grey() const { return state_->grey; }
const std::vector<TMetadataBlock>& TJpegRowDecoder::Markers() const { return state_->markers; }

void TJpegRowDecoder::Start(bool greyRows) {
    TState& s = *state_;
    s.greyRows = greyRows && s.grey;
    if (s.cmyk && !s.greyRows) {
        constexpr std::size_t kRows = 4;
        s.cmykRows.resize(std::size_t(Width()) * 4 * kRows);
        for (std::size_t r = 0; r < kRows; ++r)
            s.cmykPointers.push_back(s.cmykRows.data() + std::size_t(Width()) * 4 * r);
    }
    s.Run(&TState::Start);
}

void TJpegRowDecoder::ReadRows(std::uint8_t* first, std::size_t stride, int count) {
    TState& s = *state_;
    s.first = first;
    s.stride = stride;
    s.count = JDIMENSION(std::max(count, 0));
    s.Run(&TState::Read);
}

void TJpegRowDecoder::Finish() { state_->Run(&TState::End); }

// ---------------------------------------------------------------------------
// Compression

struct TJpegRowEncoder::TState : CoderBase {
    jpeg_compress_struct cinfo{};
    StreamDestinationManager destination{};
    TStream* stream = nullptr;
    bool created = false;
    int width = 0;
    int height = 0;
    int quality = 90;
    bool progressive = false;
    std::span<const TMetadataBlock> markers;
    // The band of the current WriteRows call.
    const std::uint8_t* first = nullptr;
    std::size_t stride = 0;
    JDIMENSION count = 0;

    ~TState() {
        if (created) jpeg_destroy_compress(&cinfo);
    }

    static void SetUp(TState& s) {
        j_compress_ptr cinfo = &s.cinfo;
        cinfo->err = &s.err.pub;
        jpeg_create_compress(cinfo);
        s.created = true;
        InstallStreamDestination(cinfo, s.destination, *s.stream, s);
        SetCompressionParameters(cinfo, s.width, s.height, JCS_RGB, s.quality, false, s.progressive, s.markers);
        jpeg_start_compress(cinfo, TRUE);
        WriteSaveMarkers(cinfo, s.markers);
    }

    static void Write(TState& s) {
        j_compress_ptr cinfo = &s.cinfo;
        JSAMPROW rows[16];
        JDIMENSION done = 0;
        while (done < s.count && cinfo->next_scanline < cinfo->image_height) {
            const JDIMENSION want = std::min<JDIMENSION>(16, s.count - done);
            // The library only reads through these pointers.
            for (JDIMENSION r = 0; r < want; ++r)
                rows[r] = const_cast<JSAMPROW>(s.first + std::size_t(done + r) * s.stride);
            done += jpeg_write_scanlines(cinfo, rows, want);
        }
    }

    static void End(TState& s) { jpeg_finish_compress(&s.cinfo); }

    void Run(void (*step)(TState&)) {
        if (RunGuarded(err, step, *this)) return;
        if (err.reason == JumpReason::Exception && pending) std::rethrow_exception(pending);
        ThrowLibraryError(err);
    }
};

TJpegRowEncoder::TJpegRowEncoder(TStream& stream, int width, int height, int quality, bool progressive,
                                 std::span<const TMetadataBlock> markers)
    : state_(std::make_unique<TState>()) {
    TState& s = *state_;
    s.stream = &stream;
    s.width = width;
    s.height = height;
    s.quality = std::clamp(quality, 1, 100);
    s.progressive = progressive;
    s.markers = markers;
    InstallErrorManager(s.err);
    s.Run(&TState::SetUp);
}

TJpegRowEncoder::~TJpegRowEncoder() = default;

void TJpegRowEncoder::WriteRows(const std::uint8_t* first, std::size_t stride, int count) {
    TState& s = *state_;
    s.first = first;
    s.stride = stride;
    s.count = JDIMENSION(std::max(count, 0));
    s.Run(&TState::Write);
}

void TJpegRowEncoder::Finish() { state_->Run(&TState::End); }

// ---------------------------------------------------------------------------
// Conversions

void WriteJpegAsPnm(TJpegRowDecoder& decoder, TStream& stream, TPnmForm form) {
    // The document holds a grey file as 8 bits over a grey ramp, any other
    // as 24 bits.
    const TPnmForm written = PnmWrittenForm(form, false, decoder.Grey());
    decoder.Start(written == TPnmForm::Pgm);
    TPnmRowWriter writer(stream, written, decoder.Width(), decoder.Height());
    while (writer.RowsLeft() > 0) {
        int count = 0;
        std::uint8_t* rows = writer.Room(writer.RowsLeft(), count);
        decoder.ReadRows(rows, writer.RowBytes(), count);
        writer.Commit(count);
    }
    decoder.Finish();
}

void WritePnmAsJpeg(TPnmRowReader& reader, TStream& stream, int quality, bool progressive) {
    // One row of 4:2:0 blocks per call.
    constexpr int kBandRows = 16;
    TJpegRowEncoder encoder(stream, reader.Width(), reader.Height(), quality, progressive, {});
    const std::size_t stride = std::size_t(reader.Width()) * 3;
    for (int left = reader.Height(); left > 0;) {
        int count = 0;
        const std::uint8_t* rows = reader.NextRgbRows(kBandRows, count);
        encoder.WriteRows(rows, stride, count);
        left -= count;
    }
    encoder.Finish();
}

}  // namespace zelvo
