#include "formats/GifLzw.h"

#include <array>
#include <string>

#include "formats/GifImage.h"

namespace zelvo {

std::vector<int> GifRowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(std::size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

void GifSkipSubBlocks(ByteReader& reader) {
    while (!reader.AtEnd()) {
        const std::size_t length = reader.Get8();
        if (length == 0) return;
        reader.Skip(std::min(length, reader.Remaining()));
    }
}

namespace {

/// Codes least significant bit first across the sub-blocks.
class TCodeReader {
public:
    explicit TCodeReader(ByteReader& reader) : reader_(reader) {}

    /// The next code of `size` bits, or -1 when the data ends.
    int Next(int size) {
        while (bitCount_ < size) {
            if (blockLeft_ == 0) {
                if (ended_ || reader_.AtEnd()) return -1;
                blockLeft_ = reader_.Get8();
                if (blockLeft_ == 0) {
                    ended_ = true;
                    return -1;
                }
                // A block longer than the file is cut to what remains.
                if (blockLeft_ > reader_.Remaining()) blockLeft_ = reader_.Remaining();
                if (blockLeft_ == 0) return -1;
            }
            bits_ |= std::uint32_t(reader_.Get8()) << bitCount_;
            bitCount_ += 8;
            --blockLeft_;
        }
        const int code = int(bits_ & ((1u << size) - 1));
        bits_ >>= size;
        bitCount_ -= size;
        return code;
    }
    /// Moves past the rest of the data up to its 0 block.
    void Finish() {
        if (ended_) return;
        reader_.Skip(std::min(blockLeft_, reader_.Remaining()));
        GifSkipSubBlocks(reader_);
    }

private:
    ByteReader& reader_;
    std::size_t blockLeft_ = 0;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
    bool ended_ = false;
};

}  // namespace

void GifDecodeLzw(ByteReader& reader, std::span<std::uint8_t> pixels, int width, const std::vector<int>& rowOrder) {
    const int minSize = reader.Get8();
    if (minSize < 2 || minSize > 11) {
        throw EDibImageInvalidDIBPara("TDibImageData.CreateDIB: Invalid Parameters",
                                      "LZW minimum code size " + std::to_string(minSize));
    }
    const int clear = 1 << minSize;
    const int end = clear + 1;
    std::array<std::uint16_t, 4096> prefix{};
    std::array<std::uint8_t, 4096> suffix{};
    std::array<std::uint8_t, 4096> first{};
    std::array<std::uint8_t, 4097> stack{};
    for (int i = 0; i < clear; ++i) {
        suffix[std::size_t(i)] = std::uint8_t(i);
        first[std::size_t(i)] = std::uint8_t(i);
    }
    int codeSize = minSize + 1;
    int limit = clear * 2;
    int nextFree = clear + 2;
    int previous = -1;

    const std::size_t total = pixels.size();
    std::size_t out = 0;
    const std::size_t w = std::size_t(width);
    TCodeReader codes(reader);
    while (out < total) {
        const int code = codes.Next(codeSize);
        if (code < 0) return;  // the data ended: keep what was decoded
        if (code == clear) {
            codeSize = minSize + 1;
            limit = clear * 2;
            nextFree = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) break;
        // A code beyond the table, or a table code with nothing before it,
        // cannot be decoded: keep the rows so far.
        if (code > nextFree || (previous < 0 && code >= clear)) break;
        if (code == nextFree && nextFree >= 4096) break;

        // Expand onto the stack, last character first.
        std::size_t depth = 0;
        int walk = code;
        if (code == nextFree) {
            // The previous string followed by its own first character.
            stack[depth++] = first[std::size_t(previous)];
            walk = previous;
        }
        while (walk >= clear) {
            if (depth >= 4096 || prefix[std::size_t(walk)] == walk)
                throw GIFException("Circular decoder table entry", "code " + std::to_string(walk));
            stack[depth++] = suffix[std::size_t(walk)];
            walk = prefix[std::size_t(walk)];
        }
        stack[depth++] = std::uint8_t(walk);
        const std::uint8_t head = std::uint8_t(walk);

        while (depth > 0 && out < total) {
            const std::size_t row = std::size_t(rowOrder[out / w]);
            pixels[row * w + out % w] = stack[--depth];
            ++out;
        }

        if (previous >= 0 && nextFree < 4096) {
            prefix[std::size_t(nextFree)] = std::uint16_t(previous);
            suffix[std::size_t(nextFree)] = head;
            first[std::size_t(nextFree)] = first[std::size_t(previous)];
            ++nextFree;
            if (nextFree >= limit && limit <= 4095) {
                limit *= 2;
                ++codeSize;
            }
        }
        previous = code;
    }
    codes.Finish();
}

namespace {

/// Packs codes least significant bit first into sub-blocks of 255 bytes.
class TCodeWriter {
public:
    explicit TCodeWriter(TStream& stream) : stream_(stream) {}
    void Put(int code, int size) {
        bits_ |= std::uint32_t(code) << bitCount_;
        bitCount_ += size;
        while (bitCount_ >= 8) {
            Byte(std::uint8_t(bits_ & 0xFF));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }
    void Finish() {
        if (bitCount_ > 0) Byte(std::uint8_t(bits_ & 0xFF));
        bits_ = 0;
        bitCount_ = 0;
        Flush();
        const std::uint8_t zero = 0;
        stream_.WriteBuffer(&zero, 1);
    }

private:
    void Byte(std::uint8_t b) {
        block_[1 + std::size_t(used_++)] = b;
        if (used_ == 255) Flush();
    }
    void Flush() {
        if (used_ == 0) return;
        block_[0] = std::uint8_t(used_);
        stream_.WriteBuffer(block_.data(), std::size_t(used_) + 1);
        used_ = 0;
    }
    TStream& stream_;
    std::array<std::uint8_t, 256> block_{};
    int used_ = 0;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
};

constexpr int kHashSize = 8009;

}  // namespace

void GifEncodeLzw(TStream& stream, std::span<const std::uint8_t> pixels, int width,
                  const std::vector<int>& rowOrder, int bits, int colorCount) {
    const std::uint8_t minSize = std::uint8_t(bits);
    stream.WriteBuffer(&minSize, 1);
    const int clear = 1 << bits;
    const int end = clear + 1;
    // The string table: key prefix x 256 + pixel, -1 for an empty slot.
    std::vector<std::int32_t> keys(kHashSize, -1);
    std::vector<std::uint16_t> codesOf(kHashSize, 0);
    TCodeWriter out(stream);
    int codeSize = bits + 1;
    int maxCode = (1 << codeSize) - 1;
    int nextFree = clear + 2;

    auto emit = [&](int code) {
        out.Put(code, codeSize);
        if (code == clear) {
            codeSize = bits + 1;
            maxCode = (1 << codeSize) - 1;
        } else if (nextFree > maxCode && codeSize < 12) {
            ++codeSize;
            maxCode = codeSize == 12 ? 4096 : (1 << codeSize) - 1;
        }
    };
    auto restart = [&]() {
        std::fill(keys.begin(), keys.end(), -1);
        nextFree = clear + 2;
        emit(clear);
    };

    emit(clear);
    const std::size_t w = std::size_t(width);
    int prefixCode = -1;
    for (int row : rowOrder) {
        const std::uint8_t* line = pixels.data() + std::size_t(row) * w;
        for (std::size_t x = 0; x < w; ++x) {
            const int pixel = line[x];
            if (pixel >= colorCount) throw GIFException("Color not in color table", "index " + std::to_string(pixel));
            if (prefixCode < 0) {
                prefixCode = pixel;
                continue;
            }
            const std::int32_t key = prefixCode * 256 + pixel;
            int slot = (key ^ (key / 16)) % kHashSize;
            // Secondary probes step back by a fixed distance; 8009 is prime,
            // so every slot is reached.
            const int step = slot == 0 ? 1 : kHashSize - slot;
            bool found = false;
            while (keys[std::size_t(slot)] >= 0) {
                if (keys[std::size_t(slot)] == key) {
                    found = true;
                    break;
                }
                slot -= step;
                if (slot < 0) slot += kHashSize;
            }
            if (found) {
                prefixCode = codesOf[std::size_t(slot)];
                continue;
            }
            emit(prefixCode);
            prefixCode = pixel;
            if (nextFree <= 4094) {
                keys[std::size_t(slot)] = key;
                codesOf[std::size_t(slot)] = std::uint16_t(nextFree++);
            } else {
                restart();
            }
        }
    }
    if (prefixCode >= 0) emit(prefixCode);
    emit(end);
    out.Finish();
}

}  // namespace zelvo
