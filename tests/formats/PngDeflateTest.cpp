// The PNG encoder's compressor on its own: pieces deflated side by side join
// into one zlib stream that inflates to the input, the same bytes on every
// thread count, and one piece is libdeflate's own stream.

#include <gtest/gtest.h>

#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "formats/PngDeflate.h"
#include "image/RowBands.h"

namespace zelvo::png {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Noise, runs and a repeating pattern, so pieces end in stored, fixed and
// dynamic blocks at every bit position.
Bytes Mixed(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t part = (i / 3001) % 3;
        data[i] = part == 0 ? std::uint8_t(rng()) : part == 1 ? std::uint8_t(i / 500) : std::uint8_t("PNG rows"[i % 8]);
    }
    return data;
}

Bytes Inflated(const Bytes& stream, std::size_t size) {
    Bytes out(size + 1);
    uLongf got = uLongf(out.size());
    EXPECT_EQ(uncompress(out.data(), &got, stream.data(), uLong(stream.size())), Z_OK);
    out.resize(got);
    return out;
}

TEST(PngDeflate, PiecesJoinIntoOneStreamWhateverTheThreads) {
    struct TCase {
        const char* Name;
        Bytes Data;
        std::size_t PieceBytes;
        int Level = 9;
    };
    const TCase cases[] = {
        {"empty", {}, 1000},
        {"one byte", {42}, 1000},
        {"exactly one piece", Mixed(1000, 1), 1000},
        {"one piece and a byte", Mixed(1001, 2), 1000},
        {"many small pieces", Mixed(40000, 3), 777},
        {"zeros", Bytes(100000, 0), 4096},
        {"noise", Mixed(3001 * 7, 4), 3001},
        {"default pieces", Mixed((std::size_t(5) << 20) + 17, 5), kDeflatePieceBytes},
        {"level 1", Mixed(5000, 6), 1024, 1},
        {"level 6", Mixed(5000, 6), 1024, 6},
        {"level 12", Mixed(5000, 6), 1024, 12},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<Bytes> streams;
        for (int threads : {1, 2, 3, 7}) {
            SetWorkerThreads(threads);
            streams.push_back(DeflatePieces(c.Data, c.Level, c.PieceBytes));
        }
        SetWorkerThreads(0);
        for (std::size_t i = 1; i < streams.size(); ++i) EXPECT_EQ(streams[i], streams[0]) << i;
        EXPECT_EQ(Inflated(streams[0], c.Data.size()), c.Data);
        // One piece is libdeflate's own stream; split, the header keeps it.
        libdeflate_compressor* compressor = libdeflate_alloc_compressor(c.Level);
        ASSERT_NE(compressor, nullptr);
        Bytes whole(libdeflate_zlib_compress_bound(compressor, c.Data.size()));
        whole.resize(libdeflate_zlib_compress(compressor, c.Data.data(), c.Data.size(), whole.data(), whole.size()));
        libdeflate_free_compressor(compressor);
        if (c.Data.size() <= c.PieceBytes) {
            EXPECT_EQ(streams[0], whole);
        }
        EXPECT_EQ(Bytes(streams[0].begin(), streams[0].begin() + 2), Bytes(whole.begin(), whole.begin() + 2));
    }
}

}  // namespace
}  // namespace zelvo::png
