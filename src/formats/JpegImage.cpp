// TJPEGImage and the engine entries: decoding and compression through the
// managers of JpegManagers.h.

#include "formats/JpegImage.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include <jerror.h>

#include "formats/JpegManagers.h"
#include "image/ImageLimits.h"

namespace zelvo {

TJPEGOptions& JPEGDefaults() {
    static TJPEGOptions defaults;
    return defaults;
}

using namespace jpeg;

// ---------------------------------------------------------------------------
// Decoding

struct JpegCoder {
    struct Decoder : CoderBase {
        jpeg_decompress_struct cinfo{};
        SourceManager source{};
        std::span<const std::uint8_t> bytes;
        TJPEGOptions options;
        HPALETTE decodePalette;
        bool quantize = false;
        bool grey = false;
        bool cmyk = false;
        bool created = false;
        // Results of the header.
        int headerWidth = 0;
        int headerHeight = 0;
        bool headerGrey = false;
        bool multiScan = false;
        // The final pass's choices, remembered for progressive display.
        J_DCT_METHOD finalDct = JDCT_ISLOW;
        boolean finalTwoPass = TRUE;
        J_DITHER_MODE finalDither = JDITHER_FS;
        bool buffered = false;
        // The picture being filled and its row addresses, top row first.
        TDibImage* picture = nullptr;
        std::vector<JSAMPROW> rows;
        std::vector<JSAMPLE> cmykRow;

        ~Decoder() {
            if (created) jpeg_destroy_decompress(&cinfo);
        }
    };

    // Decoder set-up, steps 1 to 8: header, scale, smoothing, colour space,
    // quantisation, speed, buffered mode.
    static void SetUpDecoder(Decoder& d) {
        j_decompress_ptr cinfo = &d.cinfo;
        cinfo->err = &d.err.pub;
        jpeg_create_decompress(cinfo);
        d.created = true;
        InstallProgress(d, reinterpret_cast<j_common_ptr>(cinfo));
        InstallSource(cinfo, d.source, d.bytes);
        // The metadata segments (APP1, APP2, COM) are kept whole.
        SaveWantedMarkers(cinfo);
        jpeg_read_header(cinfo, TRUE);
        d.headerWidth = int(cinfo->image_width);
        d.headerHeight = int(cinfo->image_height);
        d.headerGrey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
        d.multiScan = jpeg_has_multiple_scans(cinfo) != FALSE;
        // Stop here when the header alone was asked for or the picture is
        // too large; the caller refuses it before the library allocates.
        if (!ImageSizeAllowed(d.headerWidth, d.headerHeight)) return;

        cinfo->scale_num = 1;
        cinfo->scale_denom = 1u << unsigned(d.options.Scale);
        cinfo->do_block_smoothing = d.options.Smoothing ? TRUE : FALSE;

        const J_COLOR_SPACE space = cinfo->jpeg_color_space;
        d.grey = d.options.Grayscale || space == JCS_GRAYSCALE;
        d.cmyk = !d.grey && (space == JCS_CMYK || space == JCS_YCCK);
        // Grey output needs no quantisation: its 256 levels are the
        // palette. Colour output is quantised for the 8-bit pixel format.
        d.quantize = !d.grey && d.options.PixelFormat == TJPEGPixelFormat::jf8Bit;
        if (d.grey) {
            cinfo->out_color_space = JCS_GRAYSCALE;
        } else if (d.cmyk) {
            cinfo->out_color_space = JCS_CMYK;
        } else {
            // Indices do not care for the byte order; the library's plain RGB
            // keeps its colour map rows red, green, blue.
            cinfo->out_color_space = d.quantize ? JCS_RGB : JCS_EXT_BGR;
        }
        if (d.quantize) {
            cinfo->quantize_colors = TRUE;
            cinfo->desired_number_of_colors = 236;
        }
        if (d.options.Performance == TJPEGPerformance::jpBestSpeed) {
            cinfo->dct_method = JDCT_IFAST;
            cinfo->two_pass_quantize = FALSE;
            cinfo->dither_mode = JDITHER_ORDERED;
        }
        d.finalDct = cinfo->dct_method;
        d.finalTwoPass = cinfo->two_pass_quantize;
        d.finalDither = cinfo->dither_mode;
        d.buffered = d.options.ProgressiveDisplay && d.multiScan;
        if (d.buffered) {
            cinfo->buffered_image = TRUE;
            cinfo->dct_method = JDCT_IFAST;
            cinfo->two_pass_quantize = FALSE;
            cinfo->dither_mode = JDITHER_ORDERED;
            if (d.quantize) {
                cinfo->enable_1pass_quant = TRUE;
                cinfo->enable_2pass_quant = d.finalTwoPass;
            }
        }
        jpeg_calc_output_dimensions(cinfo);
        d.outputWidth = int(cinfo->output_width);
        d.outputHeight = int(cinfo->output_height);
    }

    static void UseDecodePalette(Decoder& d) {
        // Output indices refer to the held palette: its entries become the
        // library's colour map (rows red, green, blue).
        j_decompress_ptr cinfo = &d.cinfo;
        const auto& entries = d.decodePalette->Entries;
        const int count = int(std::min<std::size_t>(entries.size(), 256));
        JSAMPARRAY map = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                     JDIMENSION(count), 3);
        for (int i = 0; i < count; ++i) {
            map[0][i] = entries[std::size_t(i)].peRed;
            map[1][i] = entries[std::size_t(i)].peGreen;
            map[2][i] = entries[std::size_t(i)].peBlue;
        }
        cinfo->colormap = map;
        cinfo->actual_number_of_colors = count;
    }

    static void ReadRows(Decoder& d) {
        j_decompress_ptr cinfo = &d.cinfo;
        if (d.cmyk && !d.quantize) {
            // Four ink samples per pixel: one row through a buffer, then to
            // blue, green, red.
            JSAMPROW buffer = d.cmykRow.data();
            while (cinfo->output_scanline < cinfo->output_height) {
                const JDIMENSION y = cinfo->output_scanline;
                if (jpeg_read_scanlines(cinfo, &buffer, 1) != 1) continue;
                std::uint8_t* out = d.rows[y];
                const JSAMPLE* in = buffer;
                for (JDIMENSION x = 0; x < cinfo->output_width; ++x, in += 4, out += 3) {
                    out[0] = CmykChannel(in[2], in[3]);
                    out[1] = CmykChannel(in[1], in[3]);
                    out[2] = CmykChannel(in[0], in[3]);
                }
            }
            return;
        }
        // Rows go straight into the picture, as many per call as the library
        // likes to deliver.
        const JDIMENSION perCall = JDIMENSION(std::max(1, cinfo->rec_outbuf_height));
        while (cinfo->output_scanline < cinfo->output_height) {
            const JDIMENSION y = cinfo->output_scanline;
            jpeg_read_scanlines(cinfo, &d.rows[y], std::min(perCall, cinfo->output_height - y));
        }
    }

    static void TakeColorMap(Decoder& d) {
        // For 8-bit output without a held palette: the colours the library
        // chose become the picture's colour table.
        j_decompress_ptr cinfo = &d.cinfo;
        std::array<TRGBQuad, 256> table{};
        const int count = std::clamp(cinfo->actual_number_of_colors, 0, 256);
        for (int i = 0; i < count; ++i) {
            TRGBQuad& q = table[std::size_t(i)];
            if (cinfo->out_color_components == 4) {
                const unsigned k = cinfo->colormap[3][i];
                q.rgbRed = CmykChannel(cinfo->colormap[0][i], k);
                q.rgbGreen = CmykChannel(cinfo->colormap[1][i], k);
                q.rgbBlue = CmykChannel(cinfo->colormap[2][i], k);
            } else {
                q.rgbRed = cinfo->colormap[0][i];
                q.rgbGreen = cinfo->colormap[1][i];
                q.rgbBlue = cinfo->colormap[2][i];
            }
        }
        d.picture->SetColorTable(std::span<const TRGBQuad>(table.data(), std::size_t(count)));
    }

    static void DecodeRows(Decoder& d) {
        j_decompress_ptr cinfo = &d.cinfo;
        const bool heldPalette = d.quantize && d.decodePalette && !d.decodePalette->Entries.empty();
        if (heldPalette) UseDecodePalette(d);
        jpeg_start_decompress(cinfo);
        if (!d.buffered) {
            ReadRows(d);
            if (d.quantize && !heldPalette) TakeColorMap(d);
        } else {
            // One output pass per scan with the fast choices, then a final
            // pass over the complete data with the remembered ones.
            bool finalPass = false;
            while (!finalPass) {
                while (!jpeg_input_complete(cinfo)) {
                    const int ret = jpeg_consume_input(cinfo);
                    if (ret == JPEG_SCAN_COMPLETED || ret == JPEG_REACHED_EOI || ret == JPEG_SUSPENDED) break;
                }
                finalPass = jpeg_input_complete(cinfo) != FALSE;
                if (finalPass) {
                    cinfo->dct_method = d.finalDct;
                    cinfo->dither_mode = d.finalDither;
                    if (d.quantize && !heldPalette && d.finalTwoPass) {
                        cinfo->two_pass_quantize = TRUE;
                        cinfo->colormap = nullptr;
                    }
                }
                jpeg_start_output(cinfo, cinfo->input_scan_number);
                ReadRows(d);
                if (d.quantize && !heldPalette) TakeColorMap(d);
                jpeg_finish_output(cinfo);
            }
        }
        jpeg_finish_decompress(cinfo);
    }

    static void PrepareDecoder(TJPEGImage& image, Decoder& d) {
        d.image = &image;
        d.decompressing = true;
        d.bytes = image.data_->Data.Bytes();
        d.options = image.options_;
        d.decodePalette = image.decodePalette_;
        InstallErrorManager(d.err);
    }

    [[noreturn]] static void Fail(Decoder& d) {
        if (d.err.reason == JumpReason::Exception && d.pending) std::rethrow_exception(d.pending);
        ThrowLibraryError(d.err);
    }

    // Parses the header into the record; used by loading and by Width and
    // Height at a reduced scale.
    static void ParseHeader(TJPEGImage& image, int* outWidth, int* outHeight) {
        Decoder d;
        PrepareDecoder(image, d);
        const bool ok = RunGuarded(d.err, &SetUpDecoder, d);
        image.warnings_ = d.err.warnings;
        if (!ok) Fail(d);
        image.data_->Width = d.headerWidth;
        image.data_->Height = d.headerHeight;
        image.data_->Grayscale = d.headerGrey;
        image.options_.ProgressiveEncoding = d.multiScan;
        image.data_->Markers.clear();
        for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m != nullptr; m = m->next) {
            if (!JpegMarkerWanted(m->marker)) continue;
            image.data_->Markers.push_back(
                TMetadataBlock{m->marker, std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
        }
        if (outWidth) *outWidth = d.outputWidth;
        if (outHeight) *outHeight = d.outputHeight;
    }

    static void Decode(TJPEGImage& image) {
        Decoder d;
        PrepareDecoder(image, d);
        if (!RunGuarded(d.err, &SetUpDecoder, d)) {
            image.warnings_ = d.err.warnings;
            Fail(d);
        }
        // The header's size is checked before the library or we allocate
        // anything for the picture.
        CheckedImageBytes<EDibImageInvalidDIBPara>(d.headerWidth, d.headerHeight, 24,
                                                   "TDibImageData.CreateDIB: Invalid Parameters");

        auto picture = std::make_unique<TDibImage>();
        const bool eightBit = d.grey || d.quantize;
        // Bottom-up like every picture of the program, so BMP files written
        // from it keep the usual row order.
        picture->ReplaceData(TDibImageData::CreateDIB(d.outputWidth, d.outputHeight, eightBit ? 256 : 0,
                                                      eightBit ? 8 : 24, DefaultUseFMO()));
        if (d.grey) {
            std::array<TRGBQuad, 256> grey{};
            for (int i = 0; i < 256; ++i) {
                const auto v = std::uint8_t(i);
                grey[std::size_t(i)] = TRGBQuad{v, v, v, 0};
            }
            picture->SetColorTable(grey);
        } else if (d.quantize && d.decodePalette && !d.decodePalette->Entries.empty()) {
            const auto& entries = d.decodePalette->Entries;
            std::vector<TRGBQuad> table;
            for (std::size_t i = 0; i < std::min<std::size_t>(entries.size(), 256); ++i) {
                table.push_back(TRGBQuad{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
            }
            picture->SetColorTable(table);
        }
        d.rows.resize(std::size_t(d.outputHeight));
        for (int y = 0; y < d.outputHeight; ++y) d.rows[std::size_t(y)] = picture->ScanLine(y);
        if (d.cmyk && !d.quantize) d.cmykRow.resize(std::size_t(d.outputWidth) * 4);
        d.picture = picture.get();

        bool ok = false;
        try {
            image.ReportProgress(TProgressStage::psStarting, 0, TRect{});
            ok = RunGuarded(d.err, &DecodeRows, d);
        } catch (const EAbort&) {
            d.err.reason = JumpReason::Abort;
        }
        image.warnings_ = d.err.warnings;
        if (!ok && d.err.reason != JumpReason::Abort) {
            // Release the library before the error leaves; the ending report
            // says 0 percent.
            jpeg_destroy_decompress(&d.cinfo);
            d.created = false;
            image.ReportProgress(TProgressStage::psEnding, 0, TRect{});
            Fail(d);
        }
        // A user abort keeps the rows decoded so far.
        image.bitmap_ = std::move(picture);
        image.ReportProgress(TProgressStage::psEnding, ok ? 100 : 0, TRect{});
        image.Changed();
    }

    // -----------------------------------------------------------------------
    // Compression

    struct Encoder : CoderBase {
        jpeg_compress_struct cinfo{};
        DestinationManager destination{};
        std::vector<std::uint8_t> out;
        std::vector<JSAMPROW> rows;
        int width = 0;
        int height = 0;
        int quality = 90;
        bool grayscale = false;
        bool progressive = false;
        bool created = false;
        const std::vector<TMetadataBlock>* markers = nullptr;

        ~Encoder() {
            if (created) jpeg_destroy_compress(&cinfo);
        }
    };

    static void SetUpEncoder(Encoder& e) {
        j_compress_ptr cinfo = &e.cinfo;
        cinfo->err = &e.err.pub;
        jpeg_create_compress(cinfo);
        e.created = true;
        InstallProgress(e, reinterpret_cast<j_common_ptr>(cinfo));
        // Room for one byte a pixel is reserved (address space only): more
        // than photos take at any quality, so the output is never copied.
        const std::size_t expected =
            std::min<std::size_t>(std::size_t(e.width) * std::size_t(e.height), std::size_t(256) << 20);
        InstallDestination(cinfo, e.destination, e.out, expected);
        SetCompressionParameters(cinfo, e.width, e.height, JCS_EXT_BGR, e.quality, e.grayscale, e.progressive,
                                 *e.markers);
    }

    static void WriteRows(Encoder& e) {
        j_compress_ptr cinfo = &e.cinfo;
        jpeg_start_compress(cinfo, TRUE);
        WriteSaveMarkers(cinfo, *e.markers);
        // The library takes what it can of the rows given and reports each
        // call to the progress monitor, so the rows go in bands of 16 (one
        // row of 4:2:0 blocks) rather than all at once.
        constexpr JDIMENSION kRowsPerCall = 16;
        const std::size_t rowBytes = std::size_t(e.width) * 3;
        while (cinfo->next_scanline < cinfo->image_height) {
            const JDIMENSION y = cinfo->next_scanline;
            const JDIMENSION count = std::min(kRowsPerCall, cinfo->image_height - y);
            // A large picture is no longer in the cache when it is saved: ask
            // for the next band while the library works on this one.
            const JDIMENSION next = std::min(y + count + kRowsPerCall, cinfo->image_height);
            for (JDIMENSION r = y + count; r < next; ++r) {
                for (std::size_t i = 0; i < rowBytes; i += 64) __builtin_prefetch(e.rows[r] + i, 0, 2);
            }
            jpeg_write_scanlines(cinfo, &e.rows[y], count);
        }
        jpeg_finish_compress(cinfo);
    }

    static void Compress(TJPEGImage& image) {
        const TDibImage& source = *image.bitmap_;
        // The library reads 24-bit blue, green, red rows; other depths are
        // converted on a copy.
        TDibImage rgb(source);
        if (rgb.GetPixelFormat() != dibPf24Bit) rgb.SetPixelFormat(dibPf24Bit);

        Encoder e;
        e.image = &image;
        e.width = rgb.Width();
        e.height = rgb.Height();
        e.quality = image.options_.CompressionQuality;
        e.grayscale = image.options_.Grayscale;
        e.progressive = image.options_.ProgressiveEncoding;
        e.markers = &image.saveMarkers_;
        e.rows.resize(std::size_t(e.height));
        // The library only reads through these pointers.
        for (int y = 0; y < e.height; ++y) e.rows[std::size_t(y)] = const_cast<JSAMPROW>(rgb.ScanLineRead(y));
        InstallErrorManager(e.err);

        if (image.data_->Data.Size() > 0) image.NewRecord();
        image.data_->Width = e.width;
        image.data_->Height = e.height;
        if (!RunGuarded(e.err, &SetUpEncoder, e)) {
            image.warnings_ = e.err.warnings;
            if (e.err.reason == JumpReason::Exception && e.pending) std::rethrow_exception(e.pending);
            ThrowLibraryError(e.err);
        }
        if (e.grayscale) image.data_->Grayscale = true;

        bool ok = false;
        try {
            image.ReportProgress(TProgressStage::psStarting, 0, TRect{});
            ok = RunGuarded(e.err, &WriteRows, e);
        } catch (const EAbort&) {
            e.err.reason = JumpReason::Abort;
        }
        image.warnings_ = e.err.warnings;
        jpeg_destroy_compress(&e.cinfo);
        e.created = false;
        if (!ok) {
            // Partial data is never kept; an abort ends quietly with an
            // empty record.
            image.NewRecord();
            if (e.err.reason == JumpReason::Abort) return;
            if (e.err.reason == JumpReason::Exception && e.pending) std::rethrow_exception(e.pending);
            ThrowLibraryError(e.err);
        }
        image.data_->Data = TMemoryStream(std::move(e.out));
        image.ReportProgress(TProgressStage::psEnding, 100, TRect{});
    }
};

// ---------------------------------------------------------------------------
// TJPEGImage

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()), options_(JPEGDefaults()) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::NewRecord() { data_ = std::make_shared<TJPEGData>(); }

void TJPEGImage::DropBitmap() { bitmap_.reset(); }

void TJPEGImage::Changed() {
    if (OnChange) OnChange(this);
}

void TJPEGImage::ReportProgress(TProgressStage stage, std::uint8_t percent, const TRect& rect) {
    if (OnProgress) OnProgress(*this, stage, percent, false, rect, std::string());
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    const std::int64_t remaining = stream.Remaining();
    std::vector<std::uint8_t> bytes(std::size_t(std::max<std::int64_t>(remaining, 0)));
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), bytes.size());
    NewRecord();
    DropBitmap();
    data_->Data = TMemoryStream(std::move(bytes));
    if (data_->Data.Size() > 0) {
        try {
            JpegCoder::ParseHeader(*this, nullptr, nullptr);
        } catch (const Exception&) {
            NewRecord();
            throw;
        }
    }
    Changed();
}

void TJPEGImage::LoadFromFile(const std::filesystem::path& path) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    LoadFromStream(stream);
}

void TJPEGImage::SaveToStream(TStream& stream) {
    if (data_->Data.Size() == 0) Compress();
    const auto bytes = data_->Data.Bytes();
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), bytes.size());
}

void TJPEGImage::SaveToFile(const std::filesystem::path& path) {
    TFileStream stream(path, TFileStream::Mode::fmCreate);
    SaveToStream(stream);
}

void TJPEGImage::Assign(const TDibImage& source) {
    NewRecord();
    bitmap_ = std::make_unique<TDibImage>(source);
    Changed();
}

void TJPEGImage::Assign(const TJPEGImage& source) {
    if (&source == this) return;
    data_ = source.data_;
    bitmap_ = source.bitmap_ ? std::make_unique<TDibImage>(*source.bitmap_) : nullptr;
    Changed();
}

void TJPEGImage::AssignTo(TDibImage& target) {
    const TDibImage* picture = Bitmap();
    if (picture) target.Assign(picture);
}

void TJPEGImage::Decode() {
    if (bitmap_ || data_->Data.Size() == 0) return;
    JpegCoder::Decode(*this);
}

void TJPEGImage::Compress() {
    if (data_->Data.Size() > 0 || !bitmap_) return;
    if (bitmap_->Width() == 0 || bitmap_->Height() == 0) return;
    JpegCoder::Compress(*this);
}

const TDibImage* TJPEGImage::Bitmap() {
    Decode();
    return bitmap_.get();
}

int TJPEGImage::Width() {
    if (bitmap_) return bitmap_->Width();
    if (data_->Data.Size() == 0) return 0;
    if (options_.Scale == TJPEGScale::jsFullSize) return data_->Width;
    int width = 0;
    JpegCoder::ParseHeader(*this, &width, nullptr);
    return width;
}

int TJPEGImage::Height() {
    if (bitmap_) return bitmap_->Height();
    if (data_->Data.Size() == 0) return 0;
    if (options_.Scale == TJPEGScale::jsFullSize) return data_->Height;
    int height = 0;
    JpegCoder::ParseHeader(*this, nullptr, &height);
    return height;
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphic(kJpegSizeCannotChange); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphic(kJpegSizeCannotChange); }

void TJPEGImage::Draw(TDibImageCanvas& canvas, const TRect& rect) {
    Decode();
    if (bitmap_) canvas.Draw(rect, *bitmap_);
}

bool TJPEGImage::Empty() const { return data_->Data.Size() == 0 && !bitmap_; }

HPALETTE TJPEGImage::GetPalette() {
    if (bitmap_) return bitmap_->GetPalette();
    return decodePalette_;
}

void TJPEGImage::SetDecodePalette(HPALETTE palette) {
    decodePalette_ = std::move(palette);
    DecodeOptionChanged();
}

bool TJPEGImage::Equals(const TJPEGImage& other) const {
    if (data_ == other.data_) return true;
    const auto a = data_->Data.Bytes();
    const auto b = other.data_->Data.Bytes();
    return !a.empty() && !b.empty() && a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

std::span<const std::uint8_t> TJPEGImage::CompressedBytes() const { return data_->Data.Bytes(); }

void TJPEGImage::SetCompressionQuality(int quality) { options_.CompressionQuality = std::clamp(quality, 1, 100); }

void TJPEGImage::DecodeOptionChanged() {
    // Without compressed bytes the picture is the only copy of the image and
    // is kept.
    if (data_->Data.Size() == 0) return;
    DropBitmap();
    Changed();
}

void TJPEGImage::SetGrayscale(bool value) {
    if (options_.Grayscale == value) return;
    options_.Grayscale = value;
    DecodeOptionChanged();
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
    if (options_.Performance == value) return;
    options_.Performance = value;
    DecodeOptionChanged();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) {
    if (options_.PixelFormat == value) return;
    options_.PixelFormat = value;
    DecodeOptionChanged();
}

void TJPEGImage::SetProgressiveDisplay(bool value) {
    if (options_.ProgressiveDisplay == value) return;
    options_.ProgressiveDisplay = value;
    DecodeOptionChanged();
}

void TJPEGImage::SetScale(TJPEGScale value) {
    if (options_.Scale == value) return;
    options_.Scale = value;
    DecodeOptionChanged();
}

void TJPEGImage::SetSmoothing(bool value) {
    if (options_.Smoothing == value) return;
    options_.Smoothing = value;
    DecodeOptionChanged();
}

// ---------------------------------------------------------------------------
// Engine entries

TDibImage LoadJpegPicture(TStream& stream, TJPEGPerformance performance, TJpegLoadInfo* info) {
    TJPEGImage jpeg;
    jpeg.SetPerformance(performance);
    jpeg.LoadFromStream(stream);
    const TDibImage* picture = jpeg.Bitmap();
    if (picture == nullptr) throw EJPEG("JPEG エラー #" + std::to_string(int(JERR_INPUT_EMPTY)), "Empty input file");
    if (info) {
        info->Progressive = jpeg.ProgressiveEncoding();
        info->Warnings = jpeg.LastWarningCount();
        info->Markers = jpeg.Markers();
    }
    return *picture;
}

TDibImage LoadJpegPicture(const std::filesystem::path& path, TJPEGPerformance performance, TJpegLoadInfo* info) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    return LoadJpegPicture(stream, performance, info);
}

TJPEGScale PreviewJpegScale(int width, int height, int boxWidth, int boxHeight) {
    if (boxWidth <= 0 || boxHeight <= 0) return TJPEGScale::jsFullSize;
    // A fitted picture is shown at the scale min(box / side) of its sides,
    // so a denominator d keeps enough pixels while d x box <= side holds
    // on at least one axis.
    for (TJPEGScale scale : {TJPEGScale::jsEighth, TJPEGScale::jsQuarter, TJPEGScale::jsHalf}) {
        const std::int64_t d = std::int64_t(1) << unsigned(scale);
        if (d * boxWidth <= width || d * boxHeight <= height) return scale;
    }
    return TJPEGScale::jsFullSize;
}

TDibImage LoadJpegPreview(const std::filesystem::path& path, int boxWidth, int boxHeight, int& width,
                          int& height) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    return LoadJpegPreview(stream, boxWidth, boxHeight, width, height);
}

TDibImage LoadJpegPreview(TStream& stream, int boxWidth, int boxHeight, int& width, int& height) {
    TJPEGImage jpeg;
    jpeg.SetPerformance(TJPEGPerformance::jpBestSpeed);
    jpeg.LoadFromStream(stream);
    const int fullWidth = jpeg.Width();
    const int fullHeight = jpeg.Height();
    jpeg.SetScale(PreviewJpegScale(fullWidth, fullHeight, boxWidth, boxHeight));
    const TDibImage* picture = jpeg.Bitmap();
    if (picture == nullptr) throw EJPEG("JPEG エラー #" + std::to_string(int(JERR_INPUT_EMPTY)), "Empty input file");
    width = fullWidth;
    height = fullHeight;
    return *picture;
}

TDibImage LoadJpegThumbnail(const std::filesystem::path& path, int thumbSize) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    return LoadJpegThumbnail(stream, thumbSize);
}

TDibImage LoadJpegThumbnail(TStream& stream, int thumbSize) {
    TJPEGImage jpeg;
    jpeg.SetPerformance(TJPEGPerformance::jpBestSpeed);
    jpeg.LoadFromStream(stream);
    // The decoder rounds a scaled side up, so ceil(side / 2^k) >= size
    // keeps the shrink identical in its proportions.
    const int longer = std::max(jpeg.Width(), jpeg.Height());
    TJPEGScale scale = TJPEGScale::jsFullSize;
    for (int k = 3; k >= 1; --k) {
        const int denominator = 1 << k;
        if ((longer + denominator - 1) / denominator >= thumbSize) {
            scale = TJPEGScale(k);
            break;
        }
    }
    jpeg.SetScale(scale);
    const TDibImage* picture = jpeg.Bitmap();
    if (picture == nullptr) throw EJPEG("JPEG エラー #" + std::to_string(int(JERR_INPUT_EMPTY)), "Empty input file");
    return *picture;
}

void SaveJpegPicture(const TDibImage& picture, TStream& stream, int quality, bool progressive,
                     std::span<const TMetadataBlock> markers) {
    TJPEGImage jpeg;
    jpeg.Assign(picture);
    jpeg.SetSaveMarkers(std::vector<TMetadataBlock>(markers.begin(), markers.end()));
    jpeg.SetCompressionQuality(quality);
    jpeg.SetProgressiveEncoding(progressive);
    jpeg.SaveToStream(stream);
}

void SaveJpegPicture(const TDibImage& picture, const std::filesystem::path& path, int quality, bool progressive) {
    TFileStream stream(path, TFileStream::Mode::fmCreate);
    SaveJpegPicture(picture, stream, quality, progressive);
}

}  // namespace zelvo
