// The undo history on a 4000 x 3000 24-bit picture: one edit's snapshot
// (SaveUndo) plus one Undo(1), beside plain file I/O of the same snapshot
// size in the same folder as the undo file (write() of the BMP's size, then
// read() of it back).
//
// BM_SnapshotUndoVsPlainIO interleaves both in every iteration, so a busy
// machine slows both alike; its counters give the two times and their ratio.
// The undo path moves the bytes of three snapshots (the edit's snapshot, the
// present picture kept for redo, the snapshot read back), the plain pass of
// two (one write, one read); "plain3_ms" is a plain pass of the same three
// (write, write, read) for comparison. The file is emptied between
// iterations outside the timing, for both paths alike. Argument 0 runs it on
// the undo file as the document opens it (without a name where the file
// system allows), 1 on the named file of a file system without nameless
// files (created, locked and unlinked at once).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/QxImage.h"
#include "image/DibImage.h"
#include "platform/TempFile.h"

namespace {

using namespace zelvo;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

TDibImage Photo24() {
    TDibImage img;
    img.SetBitCount(24);
    img.SetWidth(kWidth);
    img.SetHeight(kHeight);
    std::mt19937 rng(11);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = img.ScanLine(y);
        for (int x = 0; x < kWidth * 3; ++x) row[x] = std::uint8_t((x + y) / 7 + int(rng() % 5));
    }
    return img;
}

std::size_t BmpBytes(const TDibImage& image) {
    return 14 + 40 + 4 * std::size_t(image.ColorsUsed()) + image.Bits().size();
}

/// Plain write() and read() on one file descriptor.
class PlainFile {
public:
    explicit PlainFile(const std::filesystem::path& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0) throw std::runtime_error("cannot create " + path.string());
    }
    ~PlainFile() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    PlainFile(const PlainFile&) = delete;
    PlainFile& operator=(const PlainFile&) = delete;

    void Write(const std::uint8_t* data, std::size_t size) {
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n <= 0) throw std::runtime_error("write failed");
            done += std::size_t(n);
        }
    }
    void ReadAt(std::int64_t offset, std::uint8_t* data, std::size_t size) {
        ::lseek(fd_, off_t(offset), SEEK_SET);
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::read(fd_, data + done, size - done);
            if (n <= 0) throw std::runtime_error("read failed");
            done += std::size_t(n);
        }
    }
    void Empty() {
        if (::ftruncate(fd_, 0) != 0) throw std::runtime_error("ftruncate failed");
        ::lseek(fd_, 0, SEEK_SET);
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

int NoNamelessFiles(const std::filesystem::path&) {
    errno = EOPNOTSUPP;
    return -1;
}

/// The opener of the undo file for a benchmark's argument (1: named).
class UndoFileKind {
public:
    explicit UndoFileKind(std::int64_t named) {
        if (named != 0) old_ = SetNamelessOpener(&NoNamelessFiles);
    }
    ~UndoFileKind() {
        if (old_ != nullptr) SetNamelessOpener(old_);
    }
    UndoFileKind(const UndoFileKind&) = delete;
    UndoFileKind& operator=(const UndoFileKind&) = delete;

private:
    TNamelessOpener old_ = nullptr;
};

void BM_SnapshotUndoVsPlainIO(benchmark::State& state) {
    const UndoFileKind kind(state.range(0));
    TQxImage doc;
    doc.SetUndoBuffer(10);
    doc.Bitmap().Assign(Photo24());
    doc.ClearUndo();
    const std::size_t size = BmpBytes(doc.Bitmap().Dib());
    PlainFile plain(doc.UndoFolder() / ("zelvo-undo-bench-" + std::to_string(::getpid())));
    std::vector<std::uint8_t> out(size, 0x5A), in(size, 0);

    double undoSeconds = 0, plainSeconds = 0, plain3Seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        doc.SaveUndo();
        doc.Undo(1);
        const auto t1 = Clock::now();
        plain.Write(out.data(), size);
        plain.ReadAt(0, in.data(), size);
        const auto t2 = Clock::now();
        plain.Empty();
        const auto t3 = Clock::now();
        plain.Write(out.data(), size);
        plain.Write(out.data(), size);
        plain.ReadAt(0, in.data(), size);
        const auto t4 = Clock::now();
        benchmark::DoNotOptimize(in.data());
        state.SetIterationTime(Seconds(t0, t1));
        undoSeconds += Seconds(t0, t1);
        plainSeconds += Seconds(t1, t2);
        plain3Seconds += Seconds(t3, t4);
        state.PauseTiming();
        doc.ClearUndo();
        plain.Empty();
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["undo_ms"] = undoSeconds / n * 1e3;
    state.counters["plain_ms"] = plainSeconds / n * 1e3;
    state.counters["plain3_ms"] = plain3Seconds / n * 1e3;
    state.counters["ratio"] = undoSeconds / plainSeconds;
    state.counters["ratio3"] = undoSeconds / plain3Seconds;
    state.counters["snapshot_MB"] = double(size) / 1e6;
}

// The two halves on their own, to see where the time goes.
void BM_SaveUndo(benchmark::State& state) {
    TQxImage doc;
    doc.SetUndoBuffer(10);
    doc.Bitmap().Assign(Photo24());
    for (auto _ : state) {
        doc.SaveUndo();
        state.PauseTiming();
        doc.ClearUndo();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(BmpBytes(doc.Bitmap().Dib())));
}

void BM_UndoAfterSnapshot(benchmark::State& state) {
    TQxImage doc;
    doc.SetUndoBuffer(10);
    doc.Bitmap().Assign(Photo24());
    for (auto _ : state) {
        state.PauseTiming();
        doc.ClearUndo();
        doc.SaveUndo();
        state.ResumeTiming();
        doc.Undo(1);  // keeps the present picture for redo, then reads one snapshot
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(BmpBytes(doc.Bitmap().Dib())));
}

void BM_Redo(benchmark::State& state) {
    TQxImage doc;
    doc.SetUndoBuffer(10);
    doc.Bitmap().Assign(Photo24());
    doc.SaveUndo();
    doc.Undo(1);
    for (auto _ : state) {
        doc.Redo(1);  // reads one snapshot
        state.PauseTiming();
        doc.Undo(1);  // redo history exists: only reads
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(BmpBytes(doc.Bitmap().Dib())));
}

// Plain I/O pieces: one write, one read into a buffer in use, one read into
// a fresh pixel storage as a restored snapshot needs.
void BM_PlainWrite(benchmark::State& state) {
    TQxImage doc;
    const std::size_t size = BmpBytes(Photo24());
    PlainFile plain(doc.UndoFolder() / ("zelvo-undo-bench-w-" + std::to_string(::getpid())));
    std::vector<std::uint8_t> out(size, 0x5A);
    for (auto _ : state) {
        plain.Write(out.data(), size);
        state.PauseTiming();
        plain.Empty();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}

void BM_PlainRead(benchmark::State& state, bool freshStorage) {
    TQxImage doc;
    const TDibImage photo = Photo24();
    const std::size_t size = BmpBytes(photo);
    PlainFile plain(doc.UndoFolder() / ("zelvo-undo-bench-r-" + std::to_string(::getpid())));
    std::vector<std::uint8_t> out(size, 0x5A), in(size, 0);
    plain.Write(out.data(), size);
    for (auto _ : state) {
        if (freshStorage) {
            TDibImage fresh;
            fresh.ReplaceData(TDibImageData::CreateRaw(photo.Header(), std::uint32_t(photo.Bits().size()), true));
            plain.ReadAt(54, fresh.DibData()->Bits, photo.Bits().size());
            benchmark::DoNotOptimize(fresh.DibData()->Bits);
        } else {
            plain.ReadAt(0, in.data(), size);
            benchmark::DoNotOptimize(in.data());
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
void BM_PlainReadWarmBuffer(benchmark::State& state) { BM_PlainRead(state, false); }
void BM_PlainReadFreshStorage(benchmark::State& state) { BM_PlainRead(state, true); }

BENCHMARK(BM_SnapshotUndoVsPlainIO)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_SaveUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoAfterSnapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadWarmBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadFreshStorage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
