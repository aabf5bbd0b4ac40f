#include "image/RowBands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace zelvo {
namespace {

std::atomic<int> gThreadSetting{0};

// Checks of a spinning wait before it sleeps (some tens of microseconds).
// The work waited for is usually running on another processor and done
// within that time; a sleep would cost a wake-up far longer than a block of
// rows, and threads that wait in turn would fall into step with the sleeps.
constexpr int kSpinChecks = 4096;

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// True on the pool's threads and on a thread that is running a job, so that
// an operation started from inside a band runs there alone.
thread_local bool tInJob = false;

// The worker threads. A job is one function every worker runs once; the
// calling thread runs its own share beside them and then joins.
class TPool {
public:
    explicit TPool(int workers) {
        threads_.reserve(std::size_t(workers));
        for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Loop(); });
    }
    ~TPool() {
        {
            const std::lock_guard lock(mutex_);
            quit_ = true;
        }
        start_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    TPool(const TPool&) = delete;
    TPool& operator=(const TPool&) = delete;

    int Workers() const { return int(threads_.size()); }

    // Hands `job` to every worker; Join waits until each has returned from it.
    void Start(const std::function<void()>& job) {
        const std::lock_guard lock(mutex_);
        job_ = &job;
        pending_ = int(threads_.size());
        ++generation_;
        start_.notify_all();
    }
    void Join() {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [this] { return pending_ == 0; });
        job_ = nullptr;
    }

private:
    void Loop() {
        tInJob = true;
        std::uint64_t seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            start_.wait(lock, [&] { return quit_ || generation_ != seen; });
            if (quit_) return;
            seen = generation_;
            const std::function<void()>* job = job_;
            lock.unlock();
            (*job)();  // jobs catch their own exceptions
            lock.lock();
            if (--pending_ == 0) finished_.notify_all();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable start_, finished_;
    const std::function<void()>* job_ = nullptr;
    std::uint64_t generation_ = 0;
    int pending_ = 0;
    bool quit_ = false;
};

// The pool and the lock a job holds while it uses it.
std::mutex gPoolMutex;
std::unique_ptr<TPool> gPool;

// Exclusive use of the pool for one job, or nothing when the pool is busy,
// the job would run inside another, or one thread is all there is.
class TPoolLease {
public:
    TPoolLease() {
        const int threads = WorkerThreads();
        if (threads < 2 || tInJob || !gPoolMutex.try_lock()) return;
        lock_ = std::unique_lock(gPoolMutex, std::adopt_lock);
        if (!gPool || gPool->Workers() != threads - 1) {
            gPool.reset();
            gPool = std::make_unique<TPool>(threads - 1);
        }
        tInJob = true;
    }
    ~TPoolLease() {
        if (lock_.owns_lock()) tInJob = false;
    }
    TPoolLease(const TPoolLease&) = delete;
    TPoolLease& operator=(const TPoolLease&) = delete;

    TPool* Pool() const { return lock_.owns_lock() ? gPool.get() : nullptr; }

private:
    std::unique_lock<std::mutex> lock_;
};

// What the participants of one job share besides their own bookkeeping:
// the lock, the signal of each finished piece, and the first failure.
struct TJobControl {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Stop = false;
    std::exception_ptr Error;
    int Active = 0;  // participants still inside the job

    // On the calling thread once it has nothing left to take: runs
    // `report` after each change until the other participants have left.
    template <class ReportFn>
    void ReportUntilOthersLeave(ReportFn report) {
        for (;;) {
            {
                std::unique_lock lock(Mutex);
                if (Stop || Active == 1) break;
                Changed.wait(lock);
                if (Stop) break;
            }
            report();
        }
    }

    void Fail(std::exception_ptr e) {
        const std::lock_guard lock(Mutex);
        if (!Error) Error = std::move(e);
        Stop = true;
        Changed.notify_all();
    }
};

// Runs `share(caller)` on every worker and on the calling thread, joins the
// workers and rethrows the first failure. `share` catches what it throws
// through control.Fail.
void RunJob(TPool& pool, TJobControl& control, const std::function<void(bool caller)>& share) {
    control.Active = pool.Workers() + 1;
    const std::function<void()> job = [&] {
        share(false);
        const std::lock_guard lock(control.Mutex);
        --control.Active;
        control.Changed.notify_all();
    };
    pool.Start(job);
    share(true);
    {
        const std::lock_guard lock(control.Mutex);
        --control.Active;
    }
    pool.Join();
    if (control.Error) std::rethrow_exception(control.Error);
}

// Band size of `count` units in multiples of `grain`: several bands per
// thread, so that a thread slowed by other programs does not hold up the end.
int BandSize(int count, int grain, int threads) {
    const int bands = threads * 6;
    int size = (count + bands - 1) / bands;
    size = (size + grain - 1) / grain * grain;
    return std::max(size, grain);
}

// Runs bands of `size` units over [0, count) on the pool; `band(begin,
// end)` does the work, `unitDone` reports in order on the caller.
void RunBands(TPool& pool, int count, int size, const std::function<void(int begin, int end)>& band,
              const std::function<void(int unit)>& unitDone) {
    const int bands = (count + size - 1) / size;
    TJobControl control;
    std::atomic<int> next{0};
    std::vector<char> finished(std::size_t(bands), 0);  // under control.Mutex
    int reported = 0;                                   // units reported; the caller's own
    // Reports every unit whose band and all earlier bands are finished.
    auto report = [&] {
        if (!unitDone) return;
        for (;;) {
            int upTo = reported;
            {
                const std::lock_guard lock(control.Mutex);
                while (upTo < count && finished[std::size_t(upTo / size)]) upTo = std::min(count, (upTo / size + 1) * size);
            }
            if (upTo == reported) return;
            for (; reported < upTo; ++reported) unitDone(reported);
        }
    };
    const std::function<void(bool)> share = [&](bool caller) {
        try {
            for (;;) {
                {
                    const std::lock_guard lock(control.Mutex);
                    if (control.Stop) break;
                }
                const int index = next.fetch_add(1);
                if (index >= bands) break;
                const int begin = index * size;
                band(begin, std::min(count, begin + size));
                {
                    const std::lock_guard lock(control.Mutex);
                    finished[std::size_t(index)] = 1;
                    control.Changed.notify_all();
                }
                if (caller) report();
            }
            if (!caller) return;
            // Nothing left to hand out: report the others' bands as they end.
            control.ReportUntilOthersLeave(report);
            report();
        } catch (...) {
            control.Fail(std::current_exception());
        }
    };
    RunJob(pool, control, share);
    report();
}

}  // namespace

void SetWorkerThreads(int count) { gThreadSetting.store(std::clamp(count, 0, kMaxWorkerThreads)); }

int WorkerThreadsSetting() { return gThreadSetting.load(); }

int WorkerThreads() {
    const int setting = gThreadSetting.load();
    if (setting > 0) return setting;
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxWorkerThreads);
}

void ForEachBand(int count, int grain, const std::function<void(int begin, int end)>& body,
                 const std::function<void(int unit)>& unitDone) {
    if (count < 1) return;
    grain = std::max(grain, 1);
    const TPoolLease lease;
    TPool* pool = lease.Pool();
    if (!pool || count <= grain) {
        for (int begin = 0; begin < count; begin += grain) {
            const int end = std::min(count, begin + grain);
            body(begin, end);
            if (unitDone)
                for (int u = begin; u < end; ++u) unitDone(u);
        }
        return;
    }
    RunBands(*pool, count, BandSize(count, grain, pool->Workers() + 1), body, unitDone);
}

const std::uint8_t* TBandSource::Row(int y) const {
    if (y >= begin_ && y < end_) return picture_.ScanLineRead(y);
    const int slot = slot_.empty() ? -1 : slot_[std::size_t(y)];
    return slot < 0 ? picture_.ScanLineRead(y) : copies_[std::size_t(slot)].data();
}

void ForEachBandWithHalo(TDibImage& picture, int halo, const std::function<void(const TBandSource& band)>& body,
                         const std::function<void(int row)>& unitDone) {
    const int height = picture.Height();
    if (height < 1) return;
    const std::vector<int> noSlots;
    const std::vector<std::vector<std::uint8_t>> noCopies;
    const TPoolLease lease;
    TPool* pool = lease.Pool();
    const int size = pool ? BandSize(height, std::max(1, halo), pool->Workers() + 1) : height;
    if (!pool || size >= height) {
        // One band over the whole picture, reporting each row as it goes.
        body(TBandSource(picture, noSlots, noCopies, 0, height, &unitDone));
        return;
    }
    // Copies of the rows within `halo` of each band boundary, taken before
    // any band writes.
    std::vector<int> slot(std::size_t(height), -1);
    std::vector<std::vector<std::uint8_t>> copies;
    const std::size_t rowBytes = std::size_t(picture.RowBytes());
    for (int boundary = size; boundary < height; boundary += size) {
        for (int y = std::max(0, boundary - halo); y < std::min(height, boundary + halo); ++y) {
            if (slot[std::size_t(y)] >= 0) continue;
            slot[std::size_t(y)] = int(copies.size());
            const std::uint8_t* row = picture.ScanLineRead(y);
            copies.emplace_back(row, row + rowBytes);
        }
    }
    RunBands(
        *pool, height, size,
        [&](int begin, int end) { body(TBandSource(picture, slot, copies, begin, end, nullptr)); }, unitDone);
}

void RunPasses(int stages, int rows, const std::function<int(int stage, int row)>& need,
               const std::function<void(int stage, int row)>& body,
               const std::function<void(int stage, int row)>& rowDone) {
    if (stages < 1 || rows < 1) return;
    const TPoolLease lease;
    TPool* pool = lease.Pool();
    if (!pool || stages == 1) {
        for (int s = 0; s < stages; ++s) {
            for (int y = 0; y < rows; ++y) {
                body(s, y);
                if (rowDone) rowDone(s, y);
            }
        }
        return;
    }
    // A pass hands out a few rows at a time: enough to keep the lock rare,
    // few enough that the next pass can follow closely.
    const int chunk = std::clamp(rows / 64, 1, 16);
    TJobControl control;
    std::vector<int> next(std::size_t(stages), 0), done(std::size_t(stages), 0);  // under control.Mutex
    std::vector<char> busy(std::size_t(stages), 0);
    int stagesDone = 0;
    std::atomic<int> chunksDone{0};      // changed under the lock, read while spinning
    int reportStage = 0, reportRow = 0;  // the caller's
    auto report = [&] {
        if (!rowDone) return;
        for (;;) {
            int upTo;
            {
                const std::lock_guard lock(control.Mutex);
                if (reportStage >= stages) return;
                upTo = done[std::size_t(reportStage)];
            }
            if (reportRow >= upTo) return;
            for (; reportRow < upTo; ++reportRow) rowDone(reportStage, reportRow);
            if (reportRow == rows) {
                ++reportStage;
                reportRow = 0;
            }
        }
    };
    // How many rows from next[s] pass s may take now (under the lock).
    auto ready = [&](int s) {
        const int from = next[std::size_t(s)];
        const int limit = std::min(rows, from + chunk);
        if (busy[std::size_t(s)] || from >= rows) return 0;
        if (s == 0) return limit - from;
        const int have = done[std::size_t(s - 1)];
        int y = from;
        while (y < limit && std::min(rows, need(s, y)) <= have) ++y;
        return y - from;
    };
    const std::function<void(bool)> share = [&](bool caller) {
        try {
            std::unique_lock lock(control.Mutex);
            for (;;) {
                if (control.Stop || stagesDone == stages) break;
                // The latest pass that can go on: it is the furthest behind.
                int stage = -1, count = 0;
                for (int s = stages - 1; s >= 0 && stage < 0; --s) {
                    count = ready(s);
                    if (count > 0) stage = s;
                }
                if (stage < 0) {
                    if (caller) {
                        lock.unlock();
                        report();
                        lock.lock();
                        if (control.Stop || stagesDone == stages) break;
                        bool any = false;
                        for (int s = 0; s < stages && !any; ++s) any = ready(s) > 0;
                        if (any) continue;
                    }
                    // Spin a little for the next finished chunk before sleeping.
                    const int seen = chunksDone.load(std::memory_order_relaxed);
                    lock.unlock();
                    for (int spin = 0; spin < kSpinChecks && chunksDone.load(std::memory_order_acquire) == seen; ++spin)
                        CpuRelax();
                    lock.lock();
                    if (chunksDone.load(std::memory_order_relaxed) == seen && !control.Stop && stagesDone != stages)
                        control.Changed.wait(lock);
                    continue;
                }
                const int from = next[std::size_t(stage)];
                busy[std::size_t(stage)] = 1;
                next[std::size_t(stage)] = from + count;
                lock.unlock();
                for (int y = from; y < from + count; ++y) body(stage, y);
                lock.lock();
                busy[std::size_t(stage)] = 0;
                done[std::size_t(stage)] = from + count;
                if (from + count == rows) ++stagesDone;
                chunksDone.fetch_add(1, std::memory_order_release);
                control.Changed.notify_all();
                if (caller) {
                    lock.unlock();
                    report();
                    lock.lock();
                }
            }
        } catch (...) {
            control.Fail(std::current_exception());
        }
    };
    RunJob(*pool, control, share);
    report();
}


// What the rows of one wavefront share: each row's finished columns
// (kRowComplete once the row is done), and the stop flag of a failure.
struct TRowGate::TShared {
    static constexpr int kRowComplete = 0x7FFFFFFF;
    explicit TShared(int rows) : Columns(std::size_t(rows)) {}
    std::vector<std::atomic<int>> Columns;
    std::atomic<bool> Stopped{false};
    // Thrown out of a wait when another row failed; not an error itself.
    struct TStopped {};
    void StopAll() {
        Stopped.store(true);
        for (auto& c : Columns) {
            c.store(kRowComplete, std::memory_order_release);
            c.notify_all();
        }
    }
};

void TRowGate::WaitAbove(int columns) const {
    if (!shared_ || row_ == 0) return;
    std::atomic<int>& above = shared_->Columns[std::size_t(row_ - 1)];
    // A short spin first (see kSpinChecks); only a stalled row above puts
    // this one to sleep.
    for (int spin = 0; spin < kSpinChecks && above.load(std::memory_order_acquire) < columns; ++spin) CpuRelax();
    for (int seen = above.load(std::memory_order_acquire); seen < columns;
         seen = above.load(std::memory_order_acquire)) {
        above.wait(seen, std::memory_order_acquire);
    }
    if (shared_->Stopped.load()) throw TShared::TStopped{};
}

void TRowGate::Publish(int columns) const {
    if (!shared_) return;
    // Only ever upwards, so that a row marked complete by StopAll stays so.
    std::atomic<int>& mine = shared_->Columns[std::size_t(row_)];
    int seen = mine.load(std::memory_order_relaxed);
    while (seen < columns && !mine.compare_exchange_weak(seen, columns, std::memory_order_release)) {
    }
    mine.notify_all();
}

void RunWavefront(int rows, const std::function<void(int row, const TRowGate& gate)>& body,
                  const std::function<void(int row)>& rowDone) {
    if (rows < 1) return;
    const TPoolLease lease;
    TPool* pool = lease.Pool();
    if (!pool || rows == 1) {
        for (int y = 0; y < rows; ++y) {
            body(y, TRowGate(nullptr, y));
            if (rowDone) rowDone(y);
        }
        return;
    }
    TRowGate::TShared shared(rows);
    TJobControl control;
    std::atomic<int> next{0};
    int reported = 0;  // the caller's
    auto report = [&] {
        while (reported < rows &&
               shared.Columns[std::size_t(reported)].load(std::memory_order_acquire) == TRowGate::TShared::kRowComplete &&
               !shared.Stopped.load()) {
            if (rowDone) rowDone(reported);
            ++reported;
        }
    };
    const std::function<void(bool)> share = [&](bool caller) {
        try {
            for (int y = next.fetch_add(1); y < rows && !shared.Stopped.load(); y = next.fetch_add(1)) {
                body(y, TRowGate(&shared, y));
                TRowGate(&shared, y).Publish(TRowGate::TShared::kRowComplete);
                {
                    const std::lock_guard lock(control.Mutex);
                    control.Changed.notify_all();
                }
                if (caller) report();
            }
            if (caller) control.ReportUntilOthersLeave(report);
        } catch (const TRowGate::TShared::TStopped&) {
            // Another row failed and recorded its exception; this one just ends.
        } catch (...) {
            shared.StopAll();
            control.Fail(std::current_exception());
        }
    };
    RunJob(*pool, control, share);
    report();
}

}  // namespace zelvo
