#pragma once
// A stream that does not know its size (a pipe): every read gives at most
// `chunk` bytes, so rows arrive in pieces and a reader cannot check the
// raster's length ahead.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "image/Stream.h"

namespace zelvo::test {

class TPipeStream : public TStream {
public:
    TPipeStream(std::vector<std::uint8_t> data, std::size_t chunk) : FData(std::move(data)), FChunk(chunk) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min({count, FChunk, FData.size() - FPos});
        std::memcpy(buffer, FData.data() + FPos, n);
        FPos += n;
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }
    std::int64_t Size() override { return 0; }

private:
    std::vector<std::uint8_t> FData;
    std::size_t FChunk;
    std::size_t FPos = 0;
};

}  // namespace zelvo::test
