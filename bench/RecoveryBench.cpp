// The recovery write of a 4000 x 3000 24-bit photo, done as the editor
// does it: the editing thread keeps the picture's storage (a shared
// TDibImage) and hands its rows to a writer thread at nice 10, then goes on
// working while the file is written.
//
// BM_RecoveryWriteStall measures what the editing thread feels. A "frame"
// is what a repaint costs it (the picture stretched into a 1000 x 750
// bitmap, as the view shows it fitted); the frames run back to back, first
// with no write (as long as the write took), then while the write runs, so
// a busy machine slows both alike. In the middle of the write one edit
// (Negative on the document) runs, which must copy the storage the writer
// reads. Counters:
//   frame_max_idle_ms, frame_max_writing_ms  the longest frame without and
//                                            with the write running;
//   handoff_ms   the editing thread's share of starting the write (the
//                storage kept, the rows taken, the thread started);
//   edit_idle_ms, edit_writing_ms  the edit without and during the write;
//   release_ms   ending the write on the editing thread (joining, the
//                storage let go);
//   write_ms, bytes  the writer's time and the file's size.
// BM_RecoveryCompress: the writer alone into a file, bytes per write for
// the photo and for a flat screen shot.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "BenchPhoto.h"
#include "document/QxImage.h"
#include "document/RecoveryFile.h"
#include "platform/Bitmap.h"

namespace {

using namespace zelvo;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::filesystem::path Target() { return std::filesystem::temp_directory_path() / "zelvo-recovery-bench.zvr"; }

void BM_RecoveryWriteStall(benchmark::State& state) {
    TQxImage doc;
    TBitmap picture;
    picture.Assign(bench::Photo());
    doc.SetBitmap(picture);
    doc.SetKeepUndo(false);
    TBitmap view(1000, 750);
    auto frame = [&] {
        const auto t0 = Clock::now();
        view.Canvas().StretchDraw(TRect{0, 0, 1000, 750}, doc.Bitmap());
        return Ms(t0, Clock::now());
    };
    double idleMax = 0, writingMax = 0, handoff = 0, editIdle = 0, editWriting = 0, release = 0, writeMs = 0;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        // The write, with frames and one edit meanwhile.
        const auto h0 = Clock::now();
        auto pin = std::make_unique<TDibImage>(doc.Bitmap().ToDibImage());
        const TRecoveryRows rows = TRecoveryRows::Of(*pin);
        TRecoveryInfo info;
        info.FileName = "/home/user/photo.jpg";
        std::atomic<bool> done{false};
        double took = 0;
        std::thread writer([&] {
            ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
            const auto w0 = Clock::now();
            WriteRecoveryFile(Target(), info, rows, nullptr, &bytes);
            took = Ms(w0, Clock::now());
            done = true;
        });
        handoff = std::max(handoff, Ms(h0, Clock::now()));
        double longest = 0;
        bool edited = false;
        const auto start = Clock::now();
        while (!done) {
            longest = std::max(longest, frame());
            if (!edited && Ms(start, Clock::now()) > 50) {
                const auto e0 = Clock::now();
                doc.Negative();
                editWriting = std::max(editWriting, Ms(e0, Clock::now()));
                edited = true;
            }
        }
        const double writingFor = Ms(start, Clock::now());
        const auto r0 = Clock::now();
        writer.join();
        pin.reset();
        release = std::max(release, Ms(r0, Clock::now()));
        writingMax = std::max(writingMax, longest);
        writeMs = std::max(writeMs, took);

        // The same time without a write, and the same edit.
        double quiet = 0;
        const auto q0 = Clock::now();
        while (Ms(q0, Clock::now()) < writingFor) quiet = std::max(quiet, frame());
        idleMax = std::max(idleMax, quiet);
        const auto e0 = Clock::now();
        doc.Negative();
        editIdle = std::max(editIdle, Ms(e0, Clock::now()));
    }
    std::filesystem::remove(Target());
    state.counters["frame_max_idle_ms"] = idleMax;
    state.counters["frame_max_writing_ms"] = writingMax;
    state.counters["handoff_ms"] = handoff;
    state.counters["edit_idle_ms"] = editIdle;
    state.counters["edit_writing_ms"] = editWriting;
    state.counters["release_ms"] = release;
    state.counters["write_ms"] = writeMs;
    state.counters["bytes"] = double(bytes);
}

void BM_RecoveryCompress(benchmark::State& state) {
    TDibImage flat;
    flat.SetBitCount(24);
    flat.SetWidth(bench::kPhotoWidth);
    flat.SetHeight(bench::kPhotoHeight);
    const TDibImage& picture = state.range(0) == 0 ? bench::Photo() : flat;
    const TRecoveryRows rows = TRecoveryRows::Of(picture);
    std::uint64_t bytes = 0;
    for (auto _ : state) WriteRecoveryFile(Target(), {}, rows, nullptr, &bytes);
    std::filesystem::remove(Target());
    state.counters["bytes"] = double(bytes);
    state.counters["ratio"] = double(bytes) / (double(rows.RowBytes()) * rows.Height);
}

}  // namespace

BENCHMARK(BM_RecoveryWriteStall)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecoveryCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
