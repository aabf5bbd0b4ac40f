#include "formats/PngDeflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>

#include "formats/PngImage.h"
#include "formats/ZStream.h"
#include "image/RowBands.h"

namespace zelvo::png {
namespace {

struct TCompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using TCompressor = std::unique_ptr<libdeflate_compressor, TCompressorFree>;

TCompressor NewCompressor(int level) {
    TCompressor compressor(libdeflate_alloc_compressor(level));
    if (!compressor) ZlibOutOfMemory("libdeflate_alloc_compressor");
    return compressor;
}

/// Bit positions in a raw deflate stream: where its last block's header
/// starts and where the stream ends.
struct TFinalBlock {
    std::uint64_t Start = 0;
    std::uint64_t End = 0;
};

// Reads the stream block by block (zlib stops after each with Z_BLOCK) to
// find where its final block begins; `scratch` takes what it inflates to.
TFinalBlock FindFinalBlock(std::span<const std::uint8_t> stream, std::vector<std::uint8_t>& scratch) {
    TZStream z(false);
    if (z.StartRawInflate() != Z_OK) ZlibOutOfMemory("inflateInit2");
    if (scratch.empty()) scratch.resize(1);
    z->next_in = const_cast<Bytef*>(stream.data());
    z->avail_in = uInt(stream.size());
    z->next_out = scratch.data();
    z->avail_out = uInt(scratch.size());
    TFinalBlock found;
    for (;;) {
        const int r = inflate(z.get(), Z_BLOCK);
        if (r != Z_OK && r != Z_STREAM_END) throw EPngSaveError("PNG SaveStream: error ZLIB");
        // Returned at a block's end (128): the stream ends here when that
        // block was the final one (64), else the next block starts here.
        const int state = z->data_type;
        const std::uint64_t at = std::uint64_t(z->total_in) * 8 - std::uint64_t(state & 7);
        if (state & 128) {
            if (state & 64) {
                found.End = at;
                return found;
            }
            found.Start = at;
        }
        if (r == Z_STREAM_END) throw EPngSaveError("PNG SaveStream: error ZLIB");
    }
}

}  // namespace

std::vector<std::uint8_t> DeflatePieces(int count, int level, const TPieceMaker& make) {
    count = std::max(count, 1);
    if (count == 1) {
        std::vector<std::uint8_t> data;
        make(0, data);
        TCompressor compressor = NewCompressor(level);
        std::vector<std::uint8_t> out(libdeflate_zlib_compress_bound(compressor.get(), data.size()));
        const std::size_t size =
            libdeflate_zlib_compress(compressor.get(), data.data(), data.size(), out.data(), out.size());
        // The bound always holds the stream; nothing written means failure.
        if (size == 0) throw EPngSaveError("PNG SaveStream: error ZLIB");
        out.resize(size);
        return out;
    }
    struct TPiece {
        std::vector<std::uint8_t> Packed;
        std::uint32_t Adler = 1;
        std::size_t Bytes = 0;
    };
    std::vector<TPiece> pieces(static_cast<std::size_t>(count));
    ForEachBand(count, 1, [&](int begin, int end) {
        TCompressor compressor = NewCompressor(level);
        std::vector<std::uint8_t> data, packed, scratch;
        for (int i = begin; i < end; ++i) {
            TPiece& piece = pieces[std::size_t(i)];
            make(i, data);
            piece.Bytes = data.size();
            piece.Adler = libdeflate_adler32(1, data.data(), data.size());
            // Room for the empty stored block that ends every piece but the last.
            const std::size_t room = libdeflate_deflate_compress_bound(compressor.get(), data.size()) + 5;
            if (packed.size() < room) packed.resize(room);
            std::size_t size = libdeflate_deflate_compress(compressor.get(), data.data(), data.size(), packed.data(), room);
            if (size == 0) throw EPngSaveError("PNG SaveStream: error ZLIB");
            if (i + 1 < count) {
                // The piece's last block is marked final: it no longer is.
                // An empty stored block (header bits 000, then the bits up
                // to the byte boundary, LEN 0 and NLEN 0xffff) follows it,
                // so the next piece starts on a byte.
                if (scratch.size() < data.size()) scratch.resize(data.size());
                const TFinalBlock last = FindFinalBlock(std::span(packed.data(), size), scratch);
                packed[last.Start / 8] &= std::uint8_t(~(1u << (last.Start % 8)));
                const std::size_t tail = std::size_t(last.End / 8);
                packed[tail] &= std::uint8_t((1u << (last.End % 8)) - 1);
                packed[tail + 1] = 0;
                size = std::size_t((last.End + 3 + 7) / 8);
                const std::uint8_t stored[4] = {0x00, 0x00, 0xff, 0xff};
                std::copy(stored, stored + 4, packed.begin() + std::ptrdiff_t(size));
                size += 4;
            }
            piece.Packed.assign(packed.begin(), packed.begin() + std::ptrdiff_t(size));
        }
    });
    std::size_t total = 2 + 4;
    for (const TPiece& piece : pieces) total += piece.Packed.size();
    std::vector<std::uint8_t> out;
    out.reserve(total);
    // The two header bytes libdeflate writes at this level (deflate, 32 KiB
    // window, the level's hint), taken from its stream of nothing.
    {
        TCompressor compressor = NewCompressor(level);
        const std::uint8_t nothing = 0;
        std::uint8_t empty[16];
        if (libdeflate_zlib_compress(compressor.get(), &nothing, 0, empty, sizeof empty) < 2)
            throw EPngSaveError("PNG SaveStream: error ZLIB");
        out.insert(out.end(), empty, empty + 2);
    }
    uLong adler = 1;
    for (TPiece& piece : pieces) {
        out.insert(out.end(), piece.Packed.begin(), piece.Packed.end());
        std::vector<std::uint8_t>().swap(piece.Packed);
        adler = adler32_combine(adler, piece.Adler, z_off_t(piece.Bytes));
    }
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(adler >> shift));
    return out;
}

std::vector<std::uint8_t> DeflatePieces(std::span<const std::uint8_t> data, int level, std::size_t pieceBytes) {
    const std::size_t count = std::max<std::size_t>(1, (data.size() + pieceBytes - 1) / pieceBytes);
    return DeflatePieces(int(count), level, [&](int index, std::vector<std::uint8_t>& bytes) {
        const std::size_t from = std::size_t(index) * pieceBytes;
        const std::size_t size = std::min(pieceBytes, data.size() - std::min(from, data.size()));
        bytes.assign(data.begin() + std::ptrdiff_t(std::min(from, data.size())),
                     data.begin() + std::ptrdiff_t(std::min(from, data.size()) + size));
    });
}

}  // namespace zelvo::png
