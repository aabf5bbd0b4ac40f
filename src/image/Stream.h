#pragma once
// Byte streams: the in-memory stream, the file stream and their common base.
// ReadBuffer and WriteBuffer throw EReadError / EWriteError on a short
// transfer, which is how every reader reports a truncated file.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace zelvo {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    /// Reads up to `count` bytes; returns how many were read.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    /// Writes up to `count` bytes; returns how many were written.
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    /// Moves the position; returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size() = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    /// Bytes from the position to the end.
    std::int64_t Remaining() { return Size() - Position(); }

    /// Reads exactly `count` bytes or throws EReadError.
    void ReadBuffer(void* buffer, std::size_t count);
    /// Writes exactly `count` bytes or throws EWriteError.
    void WriteBuffer(const void* buffer, std::size_t count);
    /// Reads every byte from the position to the end.
    std::vector<std::uint8_t> ReadRest();
};

/// A growable stream in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return std::int64_t(data_.size()); }

    const std::vector<std::uint8_t>& Data() const { return data_; }
    std::vector<std::uint8_t>& Data() { return data_; }
    std::span<const std::uint8_t> Bytes() const { return data_; }
    void Clear() { data_.clear(); pos_ = 0; }

private:
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
};

/// A stream over a file descriptor.
class TFileStream : public TStream {
public:
    enum class Mode {
        fmOpenRead,       ///< existing file, read only
        fmOpenReadWrite,  ///< existing file, read and write
        fmCreate,         ///< create or truncate, read and write
        fmCreateExclusive ///< create a new file (O_EXCL, mode 0600), read and write
    };
    /// Opens the file; throws EFOpenError (EFCreateError for the create modes)
    /// with the framework's message naming the file.
    TFileStream(const std::filesystem::path& path, Mode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override;
    /// Flushes written data to the disk (fsync); throws EWriteError on failure.
    void Sync();
    int Handle() const { return fd_; }

private:
    int fd_ = -1;
};

/// Reads a whole file into memory; throws EFOpenError or EReadError.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

}  // namespace zelvo
