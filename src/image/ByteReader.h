#pragma once
// Bounds-checked little- and big-endian reads over a byte span. Every
// decoder reads file contents through it; running past the end throws
// EReadError ("Stream read error") unless the caller names another
// exception type.

#include <cstdint>
#include <cstring>
#include <span>

#include "image/Exceptions.h"

namespace zelvo {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Position() const { return pos_; }
    std::size_t Size() const { return data_.size(); }
    std::size_t Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }

    /// Moves to an absolute offset; offsets past the end throw.
    void Seek(std::size_t offset) {
        if (offset > data_.size()) Fail();
        pos_ = offset;
    }
    void Skip(std::size_t count) {
        if (count > Remaining()) Fail();
        pos_ += count;
    }
    std::uint8_t Get8() {
        Need(1);
        return data_[pos_++];
    }
    std::uint16_t Get16LE() {
        Need(2);
        const auto v = std::uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t Get32LE() {
        Need(4);
        const auto v = std::uint32_t(data_[pos_]) | (std::uint32_t(data_[pos_ + 1]) << 8) |
                       (std::uint32_t(data_[pos_ + 2]) << 16) | (std::uint32_t(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::uint16_t Get16BE() {
        Need(2);
        const auto v = std::uint16_t((data_[pos_] << 8) | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    std::uint32_t Get32BE() {
        Need(4);
        const auto v = (std::uint32_t(data_[pos_]) << 24) | (std::uint32_t(data_[pos_ + 1]) << 16) |
                       (std::uint32_t(data_[pos_ + 2]) << 8) | std::uint32_t(data_[pos_ + 3]);
        pos_ += 4;
        return v;
    }
    /// The next `count` bytes as a span; the reader moves past them.
    std::span<const std::uint8_t> Take(std::size_t count) {
        Need(count);
        auto s = data_.subspan(pos_, count);
        pos_ += count;
        return s;
    }
    void Read(void* out, std::size_t count) {
        Need(count);
        std::memcpy(out, data_.data() + pos_, count);
        pos_ += count;
    }

private:
    void Need(std::size_t count) const {
        if (count > Remaining()) Fail();
    }
    [[noreturn]] static void Fail() { throw EReadError(kSReadError); }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace zelvo
