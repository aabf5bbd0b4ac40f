// JPEG decode and encode of a 4000 x 3000 photo through TJPEGImage, beside
// the same work done with the library's interface directly, so the cost the
// adapter adds shows as the difference.
//
// The same program is also a whole-process driver for comparisons with the
// library's own tools:
//   JpegBench --write-photo photo.jpg photo.ppm   (the test photo, quality 90)
//   JpegBench --decode in.jpg out.ppm             (like djpeg -outfile out.ppm)
//   JpegBench --encode in.ppm out.jpg QUALITY     (like cjpeg -quality Q)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <sys/mman.h>

#include "BenchPhoto.h"
#include "formats/JpegImage.h"
#include "image/Stream.h"

namespace {

using namespace zelvo;

constexpr int kWidth = bench::kPhotoWidth;
constexpr int kHeight = bench::kPhotoHeight;
using bench::Photo;

const std::vector<std::uint8_t>& PhotoJpeg() {
    static const std::vector<std::uint8_t> bytes = [] {
        TMemoryStream stream;
        SaveJpegPicture(Photo(), stream, 90, false);
        return stream.Data();
    }();
    return bytes;
}

// --- the library alone ---------------------------------------------------------

struct RawError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

extern "C" void RawErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<RawError*>(cinfo->err)->jump, 1); }

// A fresh anonymous mapping per decode, as a picture's pixel memory is, so
// the first-touch cost of the pages is on both sides.
struct FreshPixels {
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    void Resize(std::size_t bytes) {
        Release();
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data = static_cast<std::uint8_t*>(p);
        size = bytes;
    }
    void Release() {
        if (data) ::munmap(data, size);
        data = nullptr;
    }
    ~FreshPixels() { Release(); }
};

// Decodes into one plain buffer of blue, green, red rows.
bool RawDecode(const std::vector<std::uint8_t>& bytes, FreshPixels& pixels) {
    jpeg_decompress_struct cinfo{};
    RawError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = RawErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t(cinfo.output_width) * 3;
    pixels.Resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool RawEncode(const TDibImage& picture, int quality, std::vector<std::uint8_t>& out) {
    jpeg_compress_struct cinfo{};
    RawError err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = RawErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(picture.Width());
    cinfo.image_height = JDIMENSION(picture.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.ScanLineRead(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    out.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

// --- benchmarks ----------------------------------------------------------------------

void BM_LibraryDecode(benchmark::State& state) {
    for (auto _ : state) {
        FreshPixels pixels;
        if (!RawDecode(PhotoJpeg(), pixels)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_LibraryDecode)->Unit(benchmark::kMillisecond);

void BM_AdapterDecode(benchmark::State& state) {
    const auto performance = state.range(0) ? TJPEGPerformance::jpBestSpeed : TJPEGPerformance::jpBestQuality;
    for (auto _ : state) {
        TMemoryStream stream(PhotoJpeg());
        TDibImage picture = LoadJpegPicture(stream, performance);
        benchmark::DoNotOptimize(picture.Bits().data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_AdapterDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LibraryEncode(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        if (!RawEncode(Photo(), 80, out)) state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_LibraryEncode)->Unit(benchmark::kMillisecond);

void BM_AdapterEncode(benchmark::State& state) {
    for (auto _ : state) {
        TMemoryStream stream;
        SaveJpegPicture(Photo(), stream, 80, state.range(0) != 0);
        benchmark::DoNotOptimize(stream.Data().data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_AdapterEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// --- whole-process driver ----------------------------------------------------------------

void WritePpm(const TDibImage& picture, const std::filesystem::path& path) {
    const int width = picture.Width();
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path.string());
    std::fprintf(file, "P6\n%d %d\n255\n", width, picture.Height());
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* in = picture.ScanLineRead(y);
        if (picture.BitCount() == 24) {
            for (int x = 0; x < width; ++x) {
                row[3 * x] = in[3 * x + 2];
                row[3 * x + 1] = in[3 * x + 1];
                row[3 * x + 2] = in[3 * x];
            }
        } else {
            const TRGBQuad* table = picture.ColorTable();
            for (int x = 0; x < width; ++x) {
                row[3 * x] = table[in[x]].rgbRed;
                row[3 * x + 1] = table[in[x]].rgbGreen;
                row[3 * x + 2] = table[in[x]].rgbBlue;
            }
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    std::fclose(file);
}

TDibImage ReadPpm(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    int width = 0, height = 0, maxval = 0, consumed = 0;
    if (std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P6 %d %d %d%n", &width, &height, &maxval,
                    &consumed) != 3 ||
        maxval != 255)
        throw std::runtime_error("not a binary 8-bit PPM: " + path.string());
    const std::size_t start = std::size_t(consumed) + 1;
    if (bytes.size() < start + std::size_t(width) * std::size_t(height) * 3)
        throw std::runtime_error("short PPM: " + path.string());
    TDibImage picture;
    picture.SetBitCount(24);
    picture.SetWidth(width);
    picture.SetHeight(height);
    const std::uint8_t* in = bytes.data() + start;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = picture.ScanLine(y);
        for (int x = 0; x < width; ++x, in += 3) {
            out[3 * x] = in[2];
            out[3 * x + 1] = in[1];
            out[3 * x + 2] = in[0];
        }
    }
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "--write-photo" && argc == 4) {
            TFileStream out(argv[2], TFileStream::Mode::fmCreate);
            out.WriteBuffer(PhotoJpeg().data(), PhotoJpeg().size());
            WritePpm(Photo(), argv[3]);
            return 0;
        }
        if (mode == "--decode" && argc == 4) {
            WritePpm(LoadJpegPicture(std::filesystem::path(argv[2]), TJPEGPerformance::jpBestQuality), argv[3]);
            return 0;
        }
        if (mode == "--encode" && argc == 5) {
            SaveJpegPicture(ReadPpm(argv[2]), std::filesystem::path(argv[3]), std::atoi(argv[4]), false);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
